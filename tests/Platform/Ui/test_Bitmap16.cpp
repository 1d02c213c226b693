#include "Platform/Ui/Bitmap16.h"

#include <QBuffer>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

// Every pixel different, so a swapped row, column or channel shows.
QImage Pattern(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y,
                         qRgb((x * 16 + y) & 0xFF, (y * 13 + 7) & 0xFF, (x * 29 + y * 3) & 0xFF));
    return img;
}

void ExpectSamePixels(const QImage& a, const QImage& b) {
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            ASSERT_EQ(a.pixel(x, y) & RGB_MASK, b.pixel(x, y) & RGB_MASK) << x << "," << y;
}

void Put32(QByteArray& b, int at, quint32 v) {
    qToLittleEndian<quint32>(v, reinterpret_cast<uchar*>(b.data()) + at);
}
void Put16(QByteArray& b, int at, quint16 v) {
    qToLittleEndian<quint16>(v, reinterpret_cast<uchar*>(b.data()) + at);
}

// A well-formed 16x16 file image to corrupt.
QByteArray GoodBmp() { return Bitmap16::ToBmp(Pattern(16, 16)); }

TEST(Bitmap16Test, PicturesSurviveTheRoundTripIn24BitBottomUpPaddedRows) {
    const QImage original = Pattern(16, 16);
    const QByteArray bmp = Bitmap16::ToBmp(original);
    const TBitmapRead read = Bitmap16::FromBmp(bmp);
    ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
    EXPECT_TRUE(Bitmap16::IsSize16(read.Image));
    ExpectSamePixels(read.Image, original);
    EXPECT_EQ(Bitmap16::ToBmp(read.Image), bmp);  // the same bytes again

    const QByteArray small = Bitmap16::ToBmp(Pattern(5, 3));
    const auto* p = reinterpret_cast<const uchar*>(small.constData());
    EXPECT_EQ(small.left(2), "BM");
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 2), quint32(small.size()));
    EXPECT_EQ(qFromLittleEndian<quint16>(p + 28), 24);
    EXPECT_EQ(small.size(), 54 + 3 * 16);  // 5 pixels * 3 bytes = 15, padded to 16 per row
    const QRgb bottomLeft = Pattern(5, 3).pixel(0, 2);  // stored first, blue first
    EXPECT_EQ(p[54], qBlue(bottomLeft));
    EXPECT_EQ(p[55], qGreen(bottomLeft));
    EXPECT_EQ(p[56], qRed(bottomLeft));
    ExpectSamePixels(Bitmap16::FromBmp(small).Image, Pattern(5, 3));
}

TEST(Bitmap16Test, ReadsFilesOtherWritersProduce) {
    // Qt's own writer (8-bit palette here, as a paint program might save).
    QImage indexed = Pattern(16, 16).convertToFormat(QImage::Format_Indexed8);
    QByteArray qtBmp;
    QBuffer buffer(&qtBmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&buffer, "BMP"));
    TBitmapRead read = Bitmap16::FromBmp(qtBmp);
    ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
    ExpectSamePixels(read.Image, indexed);

    // Top-down rows (negative height).
    QByteArray topDown = Bitmap16::ToBmp(Pattern(4, 2));
    Put32(topDown, 22, quint32(-2));
    read = Bitmap16::FromBmp(topDown);
    ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
    EXPECT_EQ(read.Image.pixel(0, 0) & RGB_MASK, Pattern(4, 2).pixel(0, 1) & RGB_MASK);

    // A 32x16 or 16x32 picture is read as it is; the caller decides about its size.
    for (const QSize size : {QSize(32, 16), QSize(16, 32)}) {
        read = Bitmap16::FromBmp(Bitmap16::ToBmp(Pattern(size.width(), size.height())));
        EXPECT_EQ(read.Image.size(), size);
        EXPECT_FALSE(Bitmap16::IsSize16(read.Image));
    }
}

TEST(Bitmap16Test, EmptyAndTruncatedDataGiveAnError) {
    EXPECT_FALSE(Bitmap16::FromBmp(QByteArray()).Ok());
    const QByteArray good = GoodBmp();
    const qsizetype lengths[] = {1, 2, 10, 14, 17, 30, 53, 54, 100, good.size() - 1};
    for (qsizetype length : lengths) {
        const TBitmapRead read = Bitmap16::FromBmp(good.left(length));
        EXPECT_FALSE(read.Ok()) << length;
        EXPECT_TRUE(read.Image.isNull()) << length;
    }
    EXPECT_FALSE(Bitmap16::CheckHeader(good.left(good.size() - 1)).isEmpty());
}

// Each row rewrites header fields of a good file: (offset, bytes, value).
TEST(Bitmap16Test, ImpossibleHeadersAreRefusedBeforeDecoding) {
    struct TPut {
        int At, Bytes;
        quint32 Value;
    };
    const struct {
        const char* What;
        std::vector<TPut> Puts;
    } cases[] = {
        {"signature", {{0, 2, 0x4D42 ^ 0x0101}}},
        {"header size", {{14, 4, 41}}},
        {"zero width", {{18, 4, 0}}},
        {"negative width", {{18, 4, quint32(-16)}}},
        {"zero height", {{22, 4, 0}}},
        {"two planes", {{26, 2, 2}}},
        {"depth 7", {{28, 2, 7}}},
        {"embedded PNG", {{30, 4, 5}}},
        {"pixel offset past the end", {{10, 4, 100000}}},
        {"pixel offset inside the header", {{10, 4, 20}}},
        {"over the pixel limit", {{18, 4, 100000}, {22, 4, 100000}}},
        {"far beyond the bytes present", {{18, 4, 1000}, {22, 4, 1000}}},
        {"a larger palette than the depth", {{28, 2, 8}, {46, 4, 257}}},
        // Run-length coding escapes the size check only up to the pixel limit.
        {"coded, huge", {{28, 2, 8}, {30, 4, 1}, {18, 4, 100000}, {22, 4, 100000}}},
        {"coded, over the limit", {{28, 2, 8}, {30, 4, 1}, {18, 4, 68}, {22, 4, 63488}}},
    };
    for (const auto& c : cases) {
        QByteArray bmp = GoodBmp();
        for (const TPut& put : c.Puts)
            if (put.Bytes == 2)
                Put16(bmp, put.At, quint16(put.Value));
            else
                Put32(bmp, put.At, put.Value);
        const TBitmapRead read = Bitmap16::FromBmp(bmp);
        EXPECT_FALSE(read.Ok()) << c.What;
        EXPECT_TRUE(read.Image.isNull()) << c.What;
        EXPECT_FALSE(Bitmap16::CheckHeader(bmp).isEmpty()) << c.What;
    }
}

TEST(Bitmap16Test, TheBottomLeftPixelsColourBecomesTransparent) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));        // background
    img.setPixel(0, 0, qRgb(1, 2, 3));  // the top-left corner is not the key
    img.setPixel(5, 5, qRgb(10, 20, 30));
    img.setPixel(6, 5, qRgb(255, 0, 254));  // one step off the key stays

    EXPECT_EQ(Bitmap16::TransparentColorOf(img) & RGB_MASK, qRgb(255, 0, 255) & RGB_MASK);
    const QImage masked = Bitmap16::Masked(img);
    EXPECT_EQ(qAlpha(masked.pixel(8, 0)), 0);
    EXPECT_EQ(masked.pixel(0, 0), qRgba(1, 2, 3, 255));
    EXPECT_EQ(masked.pixel(5, 5), qRgba(10, 20, 30, 255));
    EXPECT_EQ(masked.pixel(6, 5), qRgba(255, 0, 254, 255));

    // A different bottom-left pixel moves the key.
    img.setPixel(0, 15, qRgb(10, 20, 30));
    const QImage other = Bitmap16::Masked(img);
    EXPECT_EQ(qAlpha(other.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(other.pixel(8, 0)), 255);

    EXPECT_TRUE(Bitmap16::MaskedPixmap(img).hasAlphaChannel());
}

TEST(Bitmap16Test, AGivenKeyColourIgnoresAlphaAndEmptyImagesStayEmpty) {
    QImage img = Pattern(16, 16);
    const QRgb key = img.pixel(3, 4);
    const QImage masked = Bitmap16::Masked(img, (key & RGB_MASK) | 0x12000000u);
    EXPECT_EQ(qAlpha(masked.pixel(3, 4)), 0);
    EXPECT_EQ(qAlpha(masked.pixel(4, 4)), 255);
    EXPECT_TRUE(Bitmap16::Masked(QImage()).isNull());
    EXPECT_TRUE(Bitmap16::ToBmp(QImage()).isEmpty());
    EXPECT_FALSE(Bitmap16::IsSize16(QImage()));
}

}  // namespace
