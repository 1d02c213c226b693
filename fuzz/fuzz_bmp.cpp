// Feeds arbitrary bytes to the BMP reader. Besides not crashing, a picture that
// was read must survive writing and reading again unchanged.
#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "Platform/Ui/Bitmap16.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TBitmapRead read = Bitmap16::FromBmp(bytes);
    if (!read.Ok()) {
        if (!read.Image.isNull() || read.Error.isEmpty())
            std::abort();  // an error must come without a picture and with a text
        return 0;
    }
    if (read.Image.isNull() ||
        read.Image.width() * qint64(read.Image.height()) > Bitmap16::MaxPixels)
        std::abort();

    const QByteArray written = Bitmap16::ToBmp(read.Image);
    const TBitmapRead again = Bitmap16::FromBmp(written);
    if (!again.Ok() || again.Image.size() != read.Image.size()) {
        std::fprintf(stderr, "written picture not readable: %s\n", qPrintable(again.Error));
        std::abort();
    }
    if (Bitmap16::ToBmp(again.Image) != written) std::abort();

    const QImage masked = Bitmap16::Masked(read.Image);
    if (masked.size() != read.Image.size()) std::abort();
    return 0;
}
