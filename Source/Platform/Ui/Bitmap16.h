#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

#include "Platform/qxvglobal.h"

// The outcome of reading a BMP file image: a picture, or why there is none.
struct QXV_PLATFORM_EXPORT TBitmapRead {
    QImage Image;
    QString Error;

    bool Ok() const { return Error.isEmpty(); }
    explicit operator bool() const { return Ok(); }
};

// The small pictures of abbreviations and tool buttons: BMP file images stored
// in the database (file header, bitmap header, pixels), shown 16x16 with one
// colour made transparent.
class QXV_PLATFORM_EXPORT Bitmap16 {
public:
    // Largest picture accepted, in pixels; far above any icon, and small enough that a
    // run-length coded file of a few bytes cannot make decoding take seconds.
    static constexpr qint64 MaxPixels = 1024 * 1024;

    // Checks the file and bitmap headers against the data actually present;
    // an empty text means the decoder may be trusted with the bytes.
    static QString CheckHeader(const QByteArray& bytes);
    // Reads any size; callers that need 16x16 check IsSize16.
    static TBitmapRead FromBmp(const QByteArray& bytes);
    // A 24-bit, bottom-up BMP file image of the picture (alpha is dropped).
    static QByteArray ToBmp(const QImage& image);

    static bool IsSize16(const QImage& image);

    // The colour that reads as transparent: the pixel at column 0 of the bottom row.
    static QRgb TransparentColorOf(const QImage& image);
    // A copy in which every pixel of the given colour (alpha ignored) is transparent.
    static QImage Masked(const QImage& image, QRgb transparent);
    static QImage Masked(const QImage& image) { return Masked(image, TransparentColorOf(image)); }
    static QPixmap MaskedPixmap(const QImage& image) { return QPixmap::fromImage(Masked(image)); }
    static QIcon MaskedIcon(const QImage& image) { return QIcon(MaskedPixmap(image)); }
};
