#include "Tools/qxvdb/CsvReader.h"

TCsvReader::TCsvReader(QIODevice& from, qsizetype maxRecordBytes)
    : FInput(from), FMax(maxRecordBytes) {}

void TCsvReader::SetFault(int field, const QString& text) {
    if (!FFault.isEmpty()) return;  // the first fault of a record is the one to mend
    FFaultField = field;
    FFault = text;
}

// Past an over-long line; quotes are not followed, their state is lost with the bytes.
void TCsvReader::SkipLine() {
    for (int c = Get(); c >= 0; c = Get())
        if (c == '\n') {
            ++FLine;
            return;
        }
}

TCsvReader::TStep TCsvReader::Finish() {
    FFields.push_back(std::move(FCurrent));
    FCurrent.clear();
    for (size_t i = 0; i < FFields.size() && FFault.isEmpty(); ++i) {
        if (FFields[i].contains('\0'))
            SetFault(static_cast<int>(i), QStringLiteral("holds a NUL byte (binary data)"));
        else if (!IsValidUtf8(FFields[i]))
            SetFault(static_cast<int>(i), QStringLiteral("is not valid UTF-8 text"));
    }
    return FFault.isEmpty() ? TStep::Record : TStep::Bad;
}

TCsvReader::TStep TCsvReader::Next() {
    enum { FieldStart, Unquoted, Quoted, AfterQuote } state = FieldStart;
    FFields.clear();
    FCurrent.clear();
    FFault.clear();
    FFaultField = -1;
    FFirstLine = FLine;
    qsizetype bytes = 0;
    const auto field = [this] { return static_cast<int>(FFields.size()); };
    for (;;) {
        const int c = Get();
        if (c < 0) {
            if (bytes == 0) return TStep::End;
            if (state == Quoted)
                SetFault(field(), QStringLiteral("has a quote that is not closed"));
            return Finish();
        }
        if (++bytes > FMax) {
            FFields.clear();
            FCurrent.clear();
            FFault.clear();
            SetFault(-1, QStringLiteral("the line is longer than %1 bytes").arg(FMax));
            if (c != '\n')
                SkipLine();
            else
                ++FLine;
            return TStep::Bad;
        }
        const bool lineEnd = c == '\n' || (c == '\r' && Peek() == '\n');
        if (lineEnd && state != Quoted) {
            if (c == '\r') Get();
            ++FLine;
            // A line with nothing on it carries no record.
            if (FFields.empty() && FCurrent.isEmpty() && state == FieldStart) {
                bytes = 0;
                FFirstLine = FLine;
                continue;
            }
            return Finish();
        }
        switch (state) {
            case FieldStart:
                if (c == '"')
                    state = Quoted;
                else if (c == ',')
                    FFields.push_back(std::move(FCurrent)), FCurrent.clear();
                else
                    FCurrent += char(c), state = Unquoted;
                break;
            case Unquoted:
                if (c == ',') {
                    FFields.push_back(std::move(FCurrent));
                    FCurrent.clear();
                    state = FieldStart;
                } else {
                    if (c == '"')
                        SetFault(field(), QStringLiteral("has a quote inside a field that does "
                                                         "not start with one"));
                    FCurrent += char(c);
                }
                break;
            case Quoted:
                if (c == '"')
                    state = AfterQuote;
                else {
                    if (c == '\n') ++FLine;
                    FCurrent += char(c);
                }
                break;
            case AfterQuote:
                if (c == '"') {
                    FCurrent += '"';
                    state = Quoted;
                } else if (c == ',') {
                    FFields.push_back(std::move(FCurrent));
                    FCurrent.clear();
                    state = FieldStart;
                } else {
                    SetFault(field(), QStringLiteral("has text after its closing quote"));
                    FCurrent += char(c);
                    state = Unquoted;
                }
                break;
        }
    }
}

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned min, cp;
        if ((c & 0xE0) == 0xC0)
            more = 1, min = 0x80, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            more = 2, min = 0x800, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            more = 3, min = 0x10000, cp = c & 0x07;
        else
            return false;
        if (end - p <= more) return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        p += more + 1;
    }
    return true;
}
