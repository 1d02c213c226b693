#include "ComUnits/uImageList.h"

#include "Platform/Ui/Bitmap16.h"

TImageList::TImageList(QObject* owner, QSize size) : QObject(owner), FSize(size) {}

int TImageList::Add(const QImage& image) {
    FImages << image;
    return Count() - 1;
}

int TImageList::InsertMasked(int index, const QImage& image, QRgb transparent) {
    index = qBound(0, index, Count());
    FImages.insert(index, Bitmap16::Masked(image, transparent));
    return index;
}

void TImageList::Replace(int index, const QImage& image) {
    if (index >= 0 && index < Count())
        FImages[index] = image;
}

QImage TImageList::Image(int index) const {
    return index >= 0 && index < Count() ? FImages[index] : QImage();
}

QIcon TImageList::Icon(int index) const {
    const QImage image = Image(index);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}
