#include "Tools/qxvdb/Records.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "Tools/qxvdb/CsvReader.h"
#include "Tools/qxvdb/JsonReader.h"

const char kCsvColumns[] = "ID,ID_PARENT,LEVEL,ABBREV,NAME";

namespace {

// The columns every format knows by name; names per language and codes come beside them.
enum TColumn {
    ColId,
    ColParent,
    ColLevel,
    ColAbbrev,
    ColName,
    ColAbbrevName,
    ColParentCode,
    ColumnCount
};
constexpr int kPlainColumns = ColAbbrevName;  // the five every file had before

const std::array<QString, ColumnCount> kCsvNames = {
    QStringLiteral("ID"),         QStringLiteral("ID_PARENT"), QStringLiteral("LEVEL"),
    QStringLiteral("ABBREV"),     QStringLiteral("NAME"),      QStringLiteral("ABBREV_NAME"),
    QStringLiteral("PARENT_CODE")};
const std::array<QString, ColumnCount> kJsonKeys = {
    QStringLiteral("id"),         QStringLiteral("parent"), QStringLiteral("level"),
    QStringLiteral("abbrev"),     QStringLiteral("name"),   QStringLiteral("abbrev_name"),
    QStringLiteral("parent_code")};
const std::array<QString, ColumnCount> kWords = {
    QStringLiteral("the id"),           QStringLiteral("the parent"),
    QStringLiteral("the level"),        QStringLiteral("the abbreviation"),
    QStringLiteral("the name"),         QStringLiteral("the abbreviation's full name"),
    QStringLiteral("the parent's code")};

const QString kNamePrefix = QStringLiteral("NAME_");
const QString kCodePrefix = QStringLiteral("CODE_");

// A column of a file: one of the named ones, a name in a language or a code of a kind.
constexpr int kIgnored = -2;  // a JSON key that only looks like a name or a code

struct TColumnSpec {
    int Fixed = -1;
    QString Lang;
    QString Kind;

    QString Word() const {
        if (Fixed >= 0) return kWords[Fixed];
        if (Fixed == kIgnored) return Kind;
        return Lang.isEmpty() ? QStringLiteral("the code ") + Kind
                              : QStringLiteral("the name in ") + Lang;
    }
};

// A column by its CSV name (any case), or nothing.
std::optional<TColumnSpec> ColumnNamed(const QString& raw) {
    static const QRegularExpression lang(QStringLiteral("^NAME_([A-Z]{2})$"));
    static const QRegularExpression kind(QStringLiteral("^CODE_([A-Z0-9_]{1,20})$"));
    const QString name = raw.trimmed().toUpper();
    if (const auto it = std::find(kCsvNames.begin(), kCsvNames.end(), name); it != kCsvNames.end())
        return TColumnSpec{static_cast<int>(it - kCsvNames.begin()), {}, {}};
    if (const auto m = lang.match(name); m.hasMatch()) return TColumnSpec{-1, m.captured(1), {}};
    if (const auto m = kind.match(name); m.hasMatch()) return TColumnSpec{-1, {}, m.captured(1)};
    return std::nullopt;
}

// A record's texts before they are checked.
struct TTexts {
    bool IdOptional = false;  // a CSV file without the ID column names its places by code
    std::array<QString, ColumnCount> Fixed;
    TPlacePairs Names;
    TPlacePairs Codes;

    void Put(const TColumnSpec& column, QString text) {
        if (column.Fixed == kIgnored) return;
        if (column.Fixed >= 0)
            Fixed[column.Fixed] = std::move(text);
        else if (!text.isEmpty())
            (column.Lang.isEmpty() ? Codes : Names)
                .emplace_back(column.Lang.isEmpty() ? column.Kind : column.Lang, std::move(text));
    }
};

// A whole number in [low, high]; the text says what was wrong otherwise.
bool TakeNumber(const QString& text, long long low, long long high, long long& value,
                QString& fault) {
    bool ok = false;
    value = text.toLongLong(&ok);
    if (ok && value >= low && value <= high) return true;
    fault = text.isEmpty() ? QStringLiteral("is missing")
                           : QStringLiteral("\"%1\" is not a whole number from %2 to %3")
                                 .arg(text.left(40))
                                 .arg(low)
                                 .arg(high);
    return false;
}

QString TextFault(const QString& text, int limit) {
    if (text.contains(QChar(0))) return QStringLiteral("holds a NUL character (binary data)");
    if (text.trimmed().isEmpty()) return QStringLiteral("is missing");
    const int length = CharacterCount(text);
    if (length > limit)
        return QStringLiteral("is longer than %1 characters (%2)").arg(limit).arg(length);
    return {};
}

QString OptionalTextFault(const QString& text, int limit) {
    return text.isEmpty() ? QString() : TextFault(text, limit);
}

// Codes and names per language travel as lines of tab-separated pairs: they hold neither.
QString PairTextFault(const QString& text, int limit) {
    if (text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r'))
        return QStringLiteral("holds a tab or a line break");
    return TextFault(text, limit);
}

// The checks every record passes, whatever its format.
void Take(TTexts& t, int line, TReadOutcome& out) {
    TPlaceRow row;
    row.Line = line;
    long long n = 0;
    QString fault;
    const auto bad = [&](const QString& word, const QString& text) {
        out.Bad.push_back({line, word, text});
    };
    constexpr long long maxId = std::numeric_limits<qint32>::max();
    // A row named by its code may come without an id.
    if (!t.Fixed[ColId].isEmpty() || (t.Codes.empty() && !t.IdOptional)) {
        if (!TakeNumber(t.Fixed[ColId], 1, maxId, n, fault)) return bad(kWords[ColId], fault);
        row.Id = static_cast<qint32>(n);
    }
    if (!t.Fixed[ColParent].isEmpty()) {
        if (!TakeNumber(t.Fixed[ColParent], 1, maxId, n, fault))
            return bad(kWords[ColParent], fault);
        row.Parent = static_cast<qint32>(n);
    }
    if (!TakeNumber(t.Fixed[ColLevel], 1, kMaxLevel, n, fault)) return bad(kWords[ColLevel], fault);
    row.Level = static_cast<int>(n);
    for (const auto& [column, limit] :
         {std::pair{ColAbbrev, kMaxAbbrevLength}, std::pair{ColName, kMaxNameLength}})
        if (fault = TextFault(t.Fixed[column], limit); !fault.isEmpty())
            return bad(kWords[column], fault);
    for (const auto& [column, limit] :
         {std::pair{ColAbbrevName, kMaxNameLength}, std::pair{ColParentCode, kMaxCodeLength}})
        if (fault = OptionalTextFault(t.Fixed[column], limit); !fault.isEmpty())
            return bad(kWords[column], fault);
    for (const auto& [lang, name] : t.Names)
        if (fault = PairTextFault(name, kMaxNameLength); !fault.isEmpty())
            return bad(QStringLiteral("the name in ") + lang, fault);
    for (const auto& [kind, code] : t.Codes)
        if (fault = PairTextFault(code, kMaxCodeLength); !fault.isEmpty())
            return bad(QStringLiteral("the code ") + kind, fault);
    row.Abbrev = std::move(t.Fixed[ColAbbrev]);
    row.Name = std::move(t.Fixed[ColName]);
    row.AbbrevName = std::move(t.Fixed[ColAbbrevName]);
    row.ParentCode = std::move(t.Fixed[ColParentCode]);
    row.Names = std::move(t.Names);
    row.Codes = std::move(t.Codes);
    out.Rows.push_back(std::move(row));
}

// The header's column for each field, or an empty list when the record is not a header
// (a name unknown or given twice, or one of LEVEL, ABBREV and NAME missing).
std::vector<TColumnSpec> HeaderOrder(const std::vector<QByteArray>& fields) {
    std::vector<TColumnSpec> order;
    QStringList seen;
    for (const QByteArray& f : fields) {
        const auto column = ColumnNamed(QString::fromUtf8(f));
        const QString name = QString::fromUtf8(f).trimmed().toUpper();
        if (!column || seen.contains(name)) return {};
        seen << name;
        order.push_back(*column);
    }
    for (const TColumn required : {ColLevel, ColAbbrev, ColName})
        if (!seen.contains(kCsvNames[required])) return {};
    return order;
}

QString Shared(QHash<QByteArray, QString>& texts, const QByteArray& bytes) {
    auto it = texts.find(bytes);
    if (it == texts.end()) it = texts.insert(bytes, QString::fromUtf8(bytes));
    return *it;
}

void ReadCsv(QIODevice& from, qsizetype maxRecordBytes, TReadOutcome& out) {
    TCsvReader reader(from, maxRecordBytes);
    TCsvReader::TStep step = reader.Next();
    const QString header = QStringLiteral("the header %1 is required").arg(kCsvColumns);
    if (step == TCsvReader::TStep::End) {
        out.Bad.push_back({1, QString(), QStringLiteral("the file is empty: ") + header});
        return;
    }
    const std::vector<TColumnSpec> order = step == TCsvReader::TStep::Record
                                               ? HeaderOrder(reader.Fields())
                                               : std::vector<TColumnSpec>();
    if (order.empty()) {
        QString found;
        for (const QByteArray& f : reader.Fields())
            found += (found.isEmpty() ? QString() : QStringLiteral(",")) + QString::fromUtf8(f);
        out.Bad.push_back(
            {reader.Line(), QString(),
             QStringLiteral("%1 as the first line (found \"%2\")").arg(header, found.left(80))});
        return;
    }
    QHash<QByteArray, QString> abbrevs;  // a few short names shared by every row
    const int columns = static_cast<int>(order.size());
    const bool idOptional = std::none_of(order.begin(), order.end(),
                                         [](const TColumnSpec& c) { return c.Fixed == ColId; });
    const auto wordOf = [&](int field) {
        return field >= 0 && field < columns ? order[field].Word() : QString();
    };
    while ((step = reader.Next()) != TCsvReader::TStep::End) {
        if (step == TCsvReader::TStep::Bad) {
            out.Bad.push_back({reader.Line(), wordOf(reader.FaultField()), reader.Fault()});
            continue;
        }
        const std::vector<QByteArray>& fields = reader.Fields();
        if (static_cast<int>(fields.size()) != columns) {
            out.Bad.push_back(
                {reader.Line(), QString(),
                 QStringLiteral("%1 fields expected, %2 found").arg(columns).arg(fields.size())});
            continue;
        }
        TTexts texts;
        texts.IdOptional = idOptional;
        for (int i = 0; i < columns; ++i)
            texts.Put(order[i], order[i].Fixed == ColAbbrev || order[i].Fixed == ColAbbrevName
                                    ? Shared(abbrevs, fields[i])
                                    : QString::fromUtf8(fields[i]));
        Take(texts, reader.Line(), out);
    }
}

// A JSON number as the digits of a whole number; false when it has a fraction or is too
// large for a double to hold exactly.
bool WholeNumber(const QByteArray& number, QString& digits) {
    if (!number.contains('.') && !number.contains('e') && !number.contains('E')) {
        digits = QString::fromLatin1(number);
        return true;
    }
    bool ok = false;
    const double d = number.toDouble(&ok);
    if (!ok || d != std::floor(d) || std::abs(d) > 9007199254740992.0) return false;
    digits = QString::number(static_cast<qint64>(d));
    return true;
}

void ReadJson(QIODevice& from, qsizetype maxRecordBytes, TReadOutcome& out) {
    std::vector<QByteArray> keys;
    for (const QString& k : kJsonKeys) keys.push_back(k.toLatin1());
    TJsonReader reader(from, std::move(keys), maxRecordBytes,
                       {kNamePrefix.toLower().toLatin1(), kCodePrefix.toLower().toLatin1()});
    std::vector<TColumnSpec> columns;    // grows with the reader's keys
    QHash<QByteArray, QString> abbrevs;  // a few short names shared by every row
    for (TJsonReader::TStep step; (step = reader.Next()) != TJsonReader::TStep::End;) {
        const int line = reader.Line();
        while (columns.size() < reader.Keys().size()) {
            const QString key = QString::fromLatin1(reader.Keys()[columns.size()]);
            if (columns.size() < size_t(ColumnCount))
                columns.push_back({static_cast<int>(columns.size()), {}, {}});
            else
                columns.push_back(ColumnNamed(key).value_or(TColumnSpec{kIgnored, {}, key}));
        }
        if (step == TJsonReader::TStep::Bad) {
            const int key = reader.FaultKey();
            out.Bad.push_back({line, key >= 0 ? columns[key].Word() : QString(), reader.Fault()});
            continue;
        }
        TTexts texts;
        bool ok = true;
        for (size_t c = 0; c < columns.size() && ok; ++c) {
            const TJsonReader::TValue& v = reader.Values()[c];
            const TColumnSpec& column = columns[c];
            QString text;
            switch (v.Kind) {
                case TJsonReader::TKind::String:
                    texts.Put(column, column.Fixed == ColAbbrev ? Shared(abbrevs, v.Text)
                                                                : QString::fromUtf8(v.Text));
                    break;
                case TJsonReader::TKind::Number:
                    if (!WholeNumber(v.Text, text)) {
                        out.Bad.push_back(
                            {line, column.Word(), QStringLiteral("is not a whole number")});
                        ok = false;
                    }
                    texts.Put(column, text);
                    break;
                case TJsonReader::TKind::Other:
                    out.Bad.push_back(
                        {line, column.Word(), QStringLiteral("is not a number or a text")});
                    ok = false;
                    break;
                case TJsonReader::TKind::Null:
                case TJsonReader::TKind::Absent:
                    break;
            }
        }
        if (ok) Take(texts, line, out);
    }
}

}  // namespace

void AppendCsvField(QByteArray& to, const QString& field) {
    const QByteArray bytes = field.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        to += '"';
        for (const char c : bytes) {
            if (c == '"') to += '"';
            to += c;
        }
        to += '"';
    } else {
        to += bytes;
    }
}

void WriteCsvHeader(QIODevice& to) { to.write(QByteArray(kCsvColumns) + '\n'); }

namespace {

// The columns a set of rows uses, in the order files have them.
struct TLayout {
    bool Ids = true;
    bool AbbrevName = false;
    QStringList Langs;
    QStringList Kinds;
    bool ParentCode = false;

    TLayout(const std::vector<TPlaceRow>& rows, const QString& key) {
        Ids = key.isEmpty();
        ParentCode = !Ids;
        for (const TPlaceRow& r : rows) {
            AbbrevName = AbbrevName || (!r.AbbrevName.isEmpty() && r.AbbrevName != r.Abbrev);
            for (const auto& [lang, name] : r.Names)
                if (!Langs.contains(lang)) Langs << lang;
            for (const auto& [kind, code] : r.Codes)
                if (!Kinds.contains(kind)) Kinds << kind;
        }
        Langs.sort();
        Kinds.sort();
    }

    bool Plain() const { return Ids && !AbbrevName && Langs.isEmpty() && Kinds.isEmpty(); }

    // Each column's name and value for one row ("" for none); `json` names them by JSON key.
    std::vector<std::pair<QString, QVariant>> Fields(const TPlaceRow& r, bool json) const {
        std::vector<std::pair<QString, QVariant>> f;
        const auto& names = json ? kJsonKeys : kCsvNames;
        const auto text = [](const QString& t) { return t.isEmpty() ? QVariant() : QVariant(t); };
        if (Ids) {
            f.emplace_back(names[ColId], r.Id);
            f.emplace_back(names[ColParent], r.Parent > 0 ? QVariant(r.Parent) : QVariant());
        }
        f.emplace_back(names[ColLevel], r.Level);
        f.emplace_back(names[ColAbbrev], r.Abbrev);
        f.emplace_back(names[ColName], r.Name);
        if (AbbrevName)
            f.emplace_back(names[ColAbbrevName],
                           text(r.AbbrevName.isEmpty() ? r.Abbrev : r.AbbrevName));
        for (const QString& lang : Langs) {
            QString name;
            for (const auto& [l, n] : r.Names)
                if (l == lang) name = n;
            f.emplace_back(json ? kNamePrefix.toLower() + lang.toLower() : kNamePrefix + lang,
                           text(name));
        }
        for (const QString& kind : Kinds)
            f.emplace_back(json ? kCodePrefix.toLower() + kind.toLower() : kCodePrefix + kind,
                           text(CodeOf(r, kind)));
        if (ParentCode) f.emplace_back(names[ColParentCode], text(r.ParentCode));
        return f;
    }
};

void WriteCsv(const std::vector<TPlaceRow>& rows, const TLayout& layout, QIODevice& to) {
    if (layout.Plain()) {
        WriteCsvHeader(to);
        return WriteCsvRows(rows, to);
    }
    QByteArray chunk;
    const auto flushIfFull = [&] {
        if (chunk.size() > (1 << 20) - 4096) {
            to.write(chunk);
            chunk.clear();
        }
    };
    bool first = true;
    for (const auto& [name, value] : layout.Fields(TPlaceRow(), false)) {
        if (!first) chunk += ',';
        chunk += name.toUtf8();
        first = false;
    }
    chunk += '\n';
    for (const TPlaceRow& r : rows) {
        first = true;
        for (const auto& [name, value] : layout.Fields(r, false)) {
            if (!first) chunk += ',';
            first = false;
            if (!value.isNull()) AppendCsvField(chunk, value.toString());
        }
        chunk += '\n';
        flushIfFull();
    }
    to.write(chunk);
}

}  // namespace

void WriteCsvRows(const std::vector<TPlaceRow>& rows, QIODevice& to) {
    QByteArray chunk;
    chunk.reserve(1 << 20);
    for (const TPlaceRow& r : rows) {
        chunk += QByteArray::number(r.Id);
        chunk += ',';
        if (r.Parent > 0) chunk += QByteArray::number(r.Parent);
        chunk += ',';
        chunk += QByteArray::number(r.Level);
        chunk += ',';
        AppendCsvField(chunk, r.Abbrev);
        chunk += ',';
        AppendCsvField(chunk, r.Name);
        chunk += '\n';
        if (chunk.size() > (1 << 20) - 4096) {
            to.write(chunk);
            chunk.clear();
        }
    }
    to.write(chunk);
}

namespace {

void WriteJson(const std::vector<TPlaceRow>& rows, const TLayout& layout, QIODevice& to) {
    QJsonArray array;
    for (const TPlaceRow& r : rows) {
        QJsonObject o;
        for (const auto& [key, value] : layout.Fields(r, true)) {
            const bool plain = std::find(kJsonKeys.begin(), kJsonKeys.begin() + kPlainColumns,
                                         key) != kJsonKeys.begin() + kPlainColumns;
            if (value.isNull()) {
                if (plain) o.insert(key, QJsonValue());  // the five plain keys are always there
            } else {
                o.insert(key, QJsonValue::fromVariant(value));
            }
        }
        array.append(o);
    }
    to.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

}  // namespace

TReadOutcome ReadPlaces(QIODevice& from, bool json, qsizetype maxRecordBytes) {
    TReadOutcome out;
    if (json)
        ReadJson(from, maxRecordBytes, out);
    else
        ReadCsv(from, maxRecordBytes, out);
    return out;
}

void WritePlaces(const std::vector<TPlaceRow>& rows, bool json, QIODevice& to, const QString& key) {
    const TLayout layout(rows, key);
    if (json)
        WriteJson(rows, layout, to);
    else
        WriteCsv(rows, layout, to);
}

QString CodeOf(const TPlaceRow& row, const QString& kind) {
    for (const auto& [k, code] : row.Codes)
        if (k == kind) return code;
    return QString();
}

QString DescribeBadRow(const TBadRow& bad) {
    const QString where =
        bad.Line > 0 ? QStringLiteral("line %1").arg(bad.Line) : QStringLiteral("the file");
    return where + QStringLiteral(": ") +
           (bad.Field.isEmpty() ? bad.Text : bad.Field + u' ' + bad.Text);
}

int CharacterCount(const QString& text) {
    int surrogates = 0;
    for (const QChar c : text)
        if (c.isLowSurrogate()) ++surrogates;
    return static_cast<int>(text.size()) - surrogates;
}
