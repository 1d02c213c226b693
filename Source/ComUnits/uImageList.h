#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>

// A list of small pictures addressed by index, as tool buttons and tree nodes use them.
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* owner = nullptr, QSize size = QSize(16, 16));

    QSize ImageSize() const { return FSize; }
    int Count() const { return static_cast<int>(FImages.size()); }

    // Appends a picture; returns its index.
    int Add(const QImage& image);
    // Inserts a picture at index (clamped to the list), every pixel of the transparent
    // colour made see-through; returns the index it got.
    int InsertMasked(int index, const QImage& image, QRgb transparent);
    void Replace(int index, const QImage& image);

    // The picture at index; a null image for an index outside the list.
    QImage Image(int index) const;
    QIcon Icon(int index) const;

private:
    QSize FSize;
    QList<QImage> FImages;
    mutable QList<QIcon>
        FIcons;  // made on first use: trees ask for the same icons thousands of times
};
