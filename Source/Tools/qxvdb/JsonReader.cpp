#include "Tools/qxvdb/JsonReader.h"

#include "Tools/qxvdb/CsvReader.h"  // IsValidUtf8

#include <algorithm>

namespace {

// Far deeper than a file of places has any reason to nest; the limit keeps the reader's own
// stack small whatever the file holds.
constexpr int kMaxDepth = 64;

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A byte as a message shows it.
QString Shown(int c) {
    if (c < 0) return QStringLiteral("the end of the file");
    if (c > 0x20 && c < 0x7F) return QStringLiteral("\"%1\"").arg(QChar(c));
    return QStringLiteral("byte 0x%1").arg(c, 2, 16, QLatin1Char('0'));
}

void AppendUtf8(QByteArray* to, unsigned cp) {
    if (cp < 0x80) {
        *to += char(cp);
    } else if (cp < 0x800) {
        *to += char(0xC0 | (cp >> 6));
        *to += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *to += char(0xE0 | (cp >> 12));
        *to += char(0x80 | ((cp >> 6) & 0x3F));
        *to += char(0x80 | (cp & 0x3F));
    } else {
        *to += char(0xF0 | (cp >> 18));
        *to += char(0x80 | ((cp >> 12) & 0x3F));
        *to += char(0x80 | ((cp >> 6) & 0x3F));
        *to += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

TJsonReader::TJsonReader(QIODevice& from, std::vector<QByteArray> keys, qsizetype maxItemBytes,
                         std::vector<QByteArray> prefixes)
    : FInput(from),
      FKeys(std::move(keys)),
      FPrefixes(std::move(prefixes)),
      FMax(maxItemBytes),
      FValues(FKeys.size()) {}

int TJsonReader::KeyIndex(const QByteArray& key) {
    const auto found = std::find(FKeys.begin(), FKeys.end(), key);
    if (found != FKeys.end()) return static_cast<int>(found - FKeys.begin());
    for (const QByteArray& prefix : FPrefixes)
        if (key.size() > prefix.size() && key.startsWith(prefix)) {
            FKeys.push_back(key);
            FValues.emplace_back();
            return static_cast<int>(FKeys.size()) - 1;
        }
    return -1;
}

int TJsonReader::Get() {
    const int c = FInput.Get();
    if (c < 0) return c;
    if (c == '\n') ++FLine;
    if (FInItem && ++FItemBytes > FMax && !FTooLarge) {
        FTooLarge = true;
        for (TValue& v : FValues) v.Text.clear();
    }
    return c;
}

void TJsonReader::SkipSpace() {
    for (int c = Peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = Peek()) Get();
}

void TJsonReader::Put(QByteArray* into, char c) {
    if (into && !FTooLarge) *into += c;
}

void TJsonReader::SetFault(int key, const QString& text) {
    if (!FFault.isEmpty()) return;  // the first fault of an item is the one to mend
    FFaultKey = key;
    FFault = key < 0 ? QStringLiteral("the item ") + text : text;
}

TJsonReader::TStep TJsonReader::Stop(int line, const QString& text) {
    FStopped = FDone = true;
    FInItem = false;
    FItemLine = line;
    FFaultKey = -1;
    FFault = text;
    return TStep::Bad;
}

bool TJsonReader::Syntax(int line, const QString& text) {
    Stop(line, QStringLiteral("bad JSON syntax: %1; the rest of the file is not read").arg(text));
    return false;
}

TJsonReader::TStep TJsonReader::AfterArray() {
    SkipSpace();
    if (const int c = Peek(); c >= 0) {
        Syntax(FLine, QStringLiteral("%1 after the end of the array").arg(Shown(c)));
        return TStep::Bad;
    }
    FDone = true;
    return TStep::End;
}

TJsonReader::TStep TJsonReader::Next() {
    if (FDone) return TStep::End;
    for (TValue& v : FValues) v = TValue();
    FFaultKey = -1;
    FFault.clear();
    if (!FStarted) {
        FStarted = true;
        SkipSpace();
        const int c = Get();
        if (c < 0)
            return Stop(FLine, QStringLiteral("the file is empty: a JSON array of places is "
                                              "expected"));
        if (c != '[')
            return Stop(FLine, QStringLiteral("the file is not a JSON array of places: it starts "
                                              "with %1 where [ is expected")
                                   .arg(Shown(c)));
        SkipSpace();
        if (Peek() == ']') {
            Get();
            return AfterArray();
        }
    } else {
        SkipSpace();
        const int line = FLine;
        const int c = Get();
        if (c == ']') return AfterArray();
        if (c != ',') {
            Syntax(line, c < 0 ? QStringLiteral("the file ends inside the array (] is missing)")
                               : QStringLiteral("a comma or ] expected after the item, found %1")
                                     .arg(Shown(c)));
            return TStep::Bad;
        }
        SkipSpace();
    }

    FItemLine = FLine;
    FInItem = true;
    FItemBytes = 0;
    FTooLarge = false;
    const int c = Peek();
    bool ok;
    if (c == '{') {
        ok = Object(1, true);
    } else {
        const QString what = c == '['                 ? QStringLiteral("an array")
                             : c == '"'               ? QStringLiteral("a text")
                             : c == '-' || IsDigit(c) ? QStringLiteral("a number")
                                                      : QStringLiteral("a constant");
        ok = Value(1, nullptr);
        if (ok) {
            FFault.clear();
            SetFault(-1, QStringLiteral("is not an object but %1").arg(what));
        }
    }
    if (!ok) return TStep::Bad;
    FInItem = false;
    if (FTooLarge) {
        FFault.clear();
        SetFault(-1, QStringLiteral("is longer than %1 bytes").arg(FMax));
    }
    return FFault.isEmpty() ? TStep::Item : TStep::Bad;
}

bool TJsonReader::Value(int depth, TValue* into) {
    const int line = FLine;
    const int c = Peek();
    if (c == '{' || c == '[') {
        if (into) into->Kind = TKind::Other;
        if (depth >= kMaxDepth)
            return Syntax(line,
                          QStringLiteral("values nested deeper than %1 levels").arg(kMaxDepth));
        return c == '{' ? Object(depth + 1, false) : Array(depth + 1);
    }
    if (c == '"') {
        Get();
        if (into) into->Kind = TKind::String;
        return String(line, into ? &into->Text : nullptr);
    }
    if (c == '-' || IsDigit(c)) {
        if (into) into->Kind = TKind::Number;
        return Number(line, into ? &into->Text : nullptr);
    }
    if (c >= 'a' && c <= 'z') return Literal(line, into);
    return Syntax(line, QStringLiteral("a value expected, found %1").arg(Shown(c)));
}

bool TJsonReader::Object(int depth, bool keep) {
    Get();  // {
    SkipSpace();
    if (Peek() == '}') {
        Get();
        return true;
    }
    QByteArray key;
    for (;;) {
        SkipSpace();
        int line = FLine;
        int c = Get();
        if (c != '"')
            return Syntax(line, QStringLiteral("a key in quotes expected, found %1").arg(Shown(c)));
        key.clear();
        const int outer = FKey;
        FKey = -1;  // a fault inside a key is the item's
        if (!String(line, keep ? &key : nullptr)) return false;
        SkipSpace();
        line = FLine;
        if ((c = Get()) != ':')
            return Syntax(line,
                          QStringLiteral("a colon expected after a key, found %1").arg(Shown(c)));
        SkipSpace();
        const int index = keep && !FTooLarge ? KeyIndex(key) : -1;
        if (index >= 0) {
            TValue& value = FValues[static_cast<size_t>(index)];
            if (value.Kind != TKind::Absent) SetFault(index, QStringLiteral("is given twice"));
            value = TValue();
            FKey = index;
            if (!Value(depth, &value)) return false;
        } else {
            FKey = outer;
            if (!Value(depth, nullptr)) return false;
        }
        FKey = outer;
        SkipSpace();
        line = FLine;
        c = Get();
        if (c == '}') return true;
        if (c != ',')
            return Syntax(line, QStringLiteral("a comma or } expected, found %1").arg(Shown(c)));
    }
}

bool TJsonReader::Array(int depth) {
    Get();  // [
    SkipSpace();
    if (Peek() == ']') {
        Get();
        return true;
    }
    for (;;) {
        SkipSpace();
        if (!Value(depth, nullptr)) return false;
        SkipSpace();
        const int line = FLine;
        const int c = Get();
        if (c == ']') return true;
        if (c != ',')
            return Syntax(line, QStringLiteral("a comma or ] expected, found %1").arg(Shown(c)));
    }
}

// After the opening quote; `line` is where it stands. What is wrong inside the text (a control
// character, invalid UTF-8, an unknown escape, half a surrogate pair) is the item's fault; only
// a text that never closes breaks the syntax.
bool TJsonReader::String(int line, QByteArray* into) {
    // The bytes are kept to be checked as UTF-8 also when the text itself is not wanted; never
    // more than the item limit.
    QByteArray passedOver;
    QByteArray* const text = into ? into : &passedOver;
    if (!Text(line, text)) return false;
    if (!FTooLarge && !IsValidUtf8(*text))
        SetFault(FKey, QStringLiteral("is not valid UTF-8 text"));
    return true;
}

bool TJsonReader::Text(int line, QByteArray* into) {
    unsigned high = 0;  // a high surrogate waiting for its low half
    const auto lone = [&](unsigned half) {
        SetFault(FKey, QStringLiteral("holds half a surrogate pair (\\u%1), not a character")
                           .arg(QString::number(half, 16).toUpper()));
        high = 0;
    };
    for (;;) {
        int c = Get();
        if (c < 0)
            return Syntax(line, QStringLiteral("a text that starts here is not closed by a quote"));
        if (c == '\\' && Peek() == 'u') {
            Get();
            unsigned u = 0;
            int digits = 0;
            for (int d; digits < 4 && (d = HexDigit(Peek())) >= 0; ++digits) {
                Get();
                u = u << 4 | unsigned(d);
            }
            if (digits < 4) {
                SetFault(FKey, QStringLiteral("has \\u without four hex digits after it"));
                continue;
            }
            if (u >= 0xDC00 && u <= 0xDFFF) {
                if (high == 0) {
                    lone(u);
                    continue;
                }
                if (!FTooLarge) AppendUtf8(into, 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
                high = 0;
                continue;
            }
            if (high) lone(high);
            if (u >= 0xD800 && u <= 0xDBFF) {
                high = u;
                continue;
            }
            if (!FTooLarge) AppendUtf8(into, u);
            continue;
        }
        if (high) lone(high);
        if (c == '"') return true;
        if (c == '\\') {
            c = Get();
            switch (c) {
                case '"':
                case '\\':
                case '/':
                    Put(into, char(c));
                    break;
                case 'b':
                    Put(into, '\b');
                    break;
                case 'f':
                    Put(into, '\f');
                    break;
                case 'n':
                    Put(into, '\n');
                    break;
                case 'r':
                    Put(into, '\r');
                    break;
                case 't':
                    Put(into, '\t');
                    break;
                default:
                    if (c < 0)
                        return Syntax(line, QStringLiteral("a text that starts here is not "
                                                           "closed by a quote"));
                    SetFault(FKey, QStringLiteral("has the unknown escape \\%1")
                                       .arg(c > 0x20 && c < 0x7F ? QString(QChar(c)) : Shown(c)));
            }
            continue;
        }
        if (c < 0x20) {
            SetFault(FKey, c == 0 ? QStringLiteral("holds a NUL byte (binary data)")
                                  : QStringLiteral("holds the control character 0x%1, which JSON "
                                                   "writes as an escape")
                                        .arg(c, 2, 16, QLatin1Char('0')));
            continue;
        }
        Put(into, char(c));
    }
}

// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool TJsonReader::Number(int line, QByteArray* into) {
    const auto take = [&] { Put(into, char(Get())); };
    const auto digits = [&] {
        if (!IsDigit(Peek())) return false;
        while (IsDigit(Peek())) take();
        return true;
    };
    bool ok = true;
    if (Peek() == '-') take();
    if (Peek() == '0')
        take();
    else
        ok = digits();
    if (ok && Peek() == '.') {
        take();
        ok = digits();
    }
    if (ok && (Peek() == 'e' || Peek() == 'E')) {
        take();
        if (Peek() == '+' || Peek() == '-') take();
        ok = digits();
    }
    const int c = Peek();
    if (!ok || IsDigit(c) || c == '.' || c == '+' || c == '-' || (c >= 'a' && c <= 'z') ||
        (c >= 'A' && c <= 'Z'))
        return Syntax(line, QStringLiteral("a malformed number"));
    return true;
}

bool TJsonReader::Literal(int line, TValue* into) {
    QByteArray word;
    while (Peek() >= 'a' && Peek() <= 'z' && word.size() < 6) word += char(Get());
    if (word == "null") {
        if (into) into->Kind = TKind::Null;
    } else if (word == "true" || word == "false") {
        if (into) into->Kind = TKind::Other;
    } else {
        return Syntax(
            line, QStringLiteral("a value expected, found \"%1\"").arg(QString::fromLatin1(word)));
    }
    return true;
}
