#include "Platform/Ui/Bitmap16.h"

#include <QtEndian>

#include <array>
#include <cstdlib>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

enum : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

quint16 U16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
quint32 U32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
qint32 I32(const QByteArray& b, int at) {
    return qFromLittleEndian<qint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

void Put16(QByteArray& b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void Put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

bool KnownInfoHeaderSize(quint32 size) {
    // core (12), Windows 3 (40), its v2/v3 extensions (52, 56), OS/2 2 (64), v4 (108), v5 (124)
    constexpr std::array<quint32, 7> known{12, 40, 52, 56, 64, 108, 124};
    for (quint32 k : known)
        if (k == size) return true;
    return false;
}

qint64 RowBytes(qint64 width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

}  // namespace

QString Bitmap16::CheckHeader(const QByteArray& bytes) {
    const qint64 size = bytes.size();
    if (size == 0) return QStringLiteral("empty bitmap data");
    if (size < FileHeaderSize + 4)
        return QStringLiteral("bitmap data too short for a file header (%1 bytes)").arg(size);
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return QStringLiteral("not a bitmap file (no \"BM\" signature)");

    const quint32 pixelOffset = U32(bytes, 10);
    const quint32 infoSize = U32(bytes, FileHeaderSize);
    if (!KnownInfoHeaderSize(infoSize))
        return QStringLiteral("unknown bitmap header size %1").arg(infoSize);
    if (FileHeaderSize + qint64(infoSize) > size) return QStringLiteral("bitmap header truncated");

    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    int bits = 0;
    quint32 compression = BiRgb;
    quint32 colorsUsed = 0;
    const int info = FileHeaderSize;
    if (infoSize == 12) {
        width = U16(bytes, info + 4);
        height = U16(bytes, info + 6);
        planes = U16(bytes, info + 8);
        bits = U16(bytes, info + 10);
    } else {
        width = I32(bytes, info + 4);
        height = I32(bytes, info + 8);
        planes = U16(bytes, info + 12);
        bits = U16(bytes, info + 14);
        compression = U32(bytes, info + 16);
        colorsUsed = U32(bytes, info + 32);
    }
    const qint64 rows = std::llabs(height);  // negative height: rows stored top-down
    if (width <= 0 || rows == 0)
        return QStringLiteral("bitmap has no pixels (%1 x %2)").arg(width).arg(height);
    if (width * rows > MaxPixels)
        return QStringLiteral("bitmap too large (%1 x %2)").arg(width).arg(rows);
    if (planes != 1) return QStringLiteral("bitmap has %1 colour planes").arg(planes);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QStringLiteral("unsupported colour depth %1").arg(bits);
    if (bits <= 8 && colorsUsed > (1u << bits))
        return QStringLiteral("palette of %1 colours for depth %2").arg(colorsUsed).arg(bits);

    const bool rle = compression == BiRle8 || compression == BiRle4;
    if (compression == BiRle8 && bits != 8)
        return QStringLiteral("8-bit run-length coding at depth %1").arg(bits);
    if (compression == BiRle4 && bits != 4)
        return QStringLiteral("4-bit run-length coding at depth %1").arg(bits);
    if (compression == BiBitfields && bits != 16 && bits != 32)
        return QStringLiteral("colour masks at depth %1").arg(bits);
    if (compression > BiBitfields)
        return QStringLiteral("unsupported bitmap compression %1").arg(compression);
    if (rle && height < 0) return QStringLiteral("run-length coded bitmap stored top-down");

    if (pixelOffset < quint32(FileHeaderSize) + infoSize || pixelOffset >= size)
        return QStringLiteral("pixel data offset %1 outside the data").arg(pixelOffset);
    if (!rle && pixelOffset + RowBytes(width, bits) * rows > size)
        return QStringLiteral("bitmap truncated: %1 x %2 at %3 bits needs more than %4 bytes")
            .arg(width)
            .arg(rows)
            .arg(bits)
            .arg(size);
    return QString();
}

TBitmapRead Bitmap16::FromBmp(const QByteArray& bytes) {
    TBitmapRead result;
    result.Error = CheckHeader(bytes);
    if (!result.Ok()) return result;
    result.Image = QImage::fromData(bytes, "BMP");
    if (result.Image.isNull()) result.Error = QStringLiteral("not a readable bitmap");
    return result;
}

QByteArray Bitmap16::ToBmp(const QImage& image) {
    if (image.isNull()) return QByteArray();
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const qint64 stride = RowBytes(width, 24);
    const qint64 pixelBytes = stride * height;
    const quint32 offset = FileHeaderSize + InfoHeaderSize;

    QByteArray out;
    out.reserve(offset + pixelBytes);
    out.append("BM", 2);
    Put32(out, quint32(offset + pixelBytes));
    Put32(out, 0);  // reserved
    Put32(out, offset);
    Put32(out, InfoHeaderSize);
    Put32(out, quint32(width));
    Put32(out, quint32(height));  // positive: bottom row first
    Put16(out, 1);                // planes
    Put16(out, 24);
    Put32(out, BiRgb);
    Put32(out, quint32(pixelBytes));
    Put32(out, quint32(rgb.dotsPerMeterX()));
    Put32(out, quint32(rgb.dotsPerMeterY()));
    Put32(out, 0);  // colours used
    Put32(out, 0);  // colours important

    const QByteArray padding(stride - qint64(width) * 3, '\0');
    for (int y = height - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
        }
        out.append(padding);
    }
    return out;
}

bool Bitmap16::IsSize16(const QImage& image) { return image.width() == 16 && image.height() == 16; }

QRgb Bitmap16::TransparentColorOf(const QImage& image) {
    if (image.isNull()) return 0;
    return image.pixel(0, image.height() - 1);
}

QImage Bitmap16::Masked(const QImage& image, QRgb transparent) {
    if (image.isNull()) return QImage();
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & RGB_MASK;
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & RGB_MASK) == key) line[x] = 0;
    }
    return out;
}
