// Feeds arbitrary texts to the phrase-key encoding of line breaks. A key never holds
// a CR or LF; a text without line breaks is its own key; and where no line of the
// text holds an apostrophe (so no line can look like an encoded break), decoding
// the key gives the text back with each line break as CR LF.
#include <cstdint>
#include <cstdlib>

#include "ComUnits/Lang/uLanguagesDM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString key = EncodeLineBreaks(text);
    if (key.contains(u'\r') || key.contains(u'\n')) std::abort();
    if (!text.contains(u'\r') && !text.contains(u'\n')) {
        if (key != text) std::abort();
        return 0;
    }
    // A CR that does not end a line with its LF is dropped; LF alone breaks a line.
    QString lines = text;
    lines.remove(u'\r');
    if (lines.contains(u'\'')) return 0;
    lines.replace(u'\n', QStringLiteral("\r\n"));
    if (DecodeLineBreaks(key) != lines) std::abort();
    return 0;
}
