#include "ComUnits/uImageList.h"

#include "Platform/Ui/Bitmap16.h"

TImageList::TImageList(QObject* owner, QSize size) : QObject(owner), FSize(size) {}

int TImageList::Add(const QImage& image) {
    FIcons.clear();
    FImages << image;
    return Count() - 1;
}

int TImageList::InsertMasked(int index, const QImage& image, QRgb transparent) {
    index = qBound(0, index, Count());
    FIcons.clear();
    FImages.insert(index, Bitmap16::Masked(image, transparent));
    return index;
}

void TImageList::Replace(int index, const QImage& image) {
    if (index >= 0 && index < Count()) {
        FIcons.clear();
        FImages[index] = image;
    }
}

QImage TImageList::Image(int index) const {
    return index >= 0 && index < Count() ? FImages[index] : QImage();
}

QIcon TImageList::Icon(int index) const {
    if (index < 0 || index >= Count()) return QIcon();
    if (FIcons.size() != FImages.size()) {
        FIcons.clear();
        for (const QImage& image : FImages)
            FIcons << (image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    }
    return FIcons[index];
}
