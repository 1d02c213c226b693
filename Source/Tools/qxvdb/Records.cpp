#include "Tools/qxvdb/Records.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cmath>
#include <limits>

#include "Tools/qxvdb/CsvReader.h"
#include "Tools/qxvdb/JsonReader.h"

const char kCsvColumns[] = "ID,ID_PARENT,LEVEL,ABBREV,NAME";

namespace {

enum TColumn { ColId, ColParent, ColLevel, ColAbbrev, ColName, ColumnCount };
using TTexts = std::array<QString, ColumnCount>;

const std::array<QString, ColumnCount> kCsvNames = {
    QStringLiteral("ID"), QStringLiteral("ID_PARENT"), QStringLiteral("LEVEL"),
    QStringLiteral("ABBREV"), QStringLiteral("NAME")};
const std::array<QString, ColumnCount> kJsonKeys = {
    QStringLiteral("id"), QStringLiteral("parent"), QStringLiteral("level"),
    QStringLiteral("abbrev"), QStringLiteral("name")};
const std::array<QString, ColumnCount> kWords = {
    QStringLiteral("the id"), QStringLiteral("the parent"), QStringLiteral("the level"),
    QStringLiteral("the abbreviation"), QStringLiteral("the name")};

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

// The checks every record passes, whatever its format.
void Take(TTexts& t, int line, TReadOutcome& out) {
    TPlaceRow row;
    row.Line = line;
    long long n = 0;
    QString fault;
    const auto bad = [&](TColumn c, const QString& text) {
        out.Bad.push_back({line, kWords[c], text});
    };
    constexpr long long maxId = std::numeric_limits<qint32>::max();
    if (!TakeNumber(t[ColId], 1, maxId, n, fault)) return bad(ColId, fault);
    row.Id = static_cast<qint32>(n);
    if (!t[ColParent].isEmpty()) {
        if (!TakeNumber(t[ColParent], 1, maxId, n, fault)) return bad(ColParent, fault);
        row.Parent = static_cast<qint32>(n);
    }
    if (!TakeNumber(t[ColLevel], 1, kMaxLevel, n, fault)) return bad(ColLevel, fault);
    row.Level = static_cast<int>(n);
    if (fault = TextFault(t[ColAbbrev], kMaxAbbrevLength); !fault.isEmpty())
        return bad(ColAbbrev, fault);
    if (fault = TextFault(t[ColName], kMaxNameLength); !fault.isEmpty()) return bad(ColName, fault);
    row.Abbrev = std::move(t[ColAbbrev]);
    row.Name = std::move(t[ColName]);
    out.Rows.push_back(std::move(row));
}

// The header's column for each field, or an empty list when the record is not the header.
std::vector<int> HeaderOrder(const std::vector<QByteArray>& fields) {
    std::vector<int> order;
    if (fields.size() != ColumnCount) return {};
    for (const QByteArray& f : fields) {
        const QString name = QString::fromUtf8(f).trimmed().toUpper();
        const auto it = std::find(kCsvNames.begin(), kCsvNames.end(), name);
        const int column = static_cast<int>(it - kCsvNames.begin());
        if (it == kCsvNames.end() || std::find(order.begin(), order.end(), column) != order.end())
            return {};
        order.push_back(column);
    }
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
    const std::vector<int> order =
        step == TCsvReader::TStep::Record ? HeaderOrder(reader.Fields()) : std::vector<int>();
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
    const auto wordOf = [&](int field) {
        return field >= 0 && field < ColumnCount ? kWords[order[field]] : QString();
    };
    while ((step = reader.Next()) != TCsvReader::TStep::End) {
        if (step == TCsvReader::TStep::Bad) {
            out.Bad.push_back({reader.Line(), wordOf(reader.FaultField()), reader.Fault()});
            continue;
        }
        const std::vector<QByteArray>& fields = reader.Fields();
        if (fields.size() != ColumnCount) {
            out.Bad.push_back({reader.Line(), QString(),
                               QStringLiteral("%1 fields expected, %2 found")
                                   .arg(ColumnCount)
                                   .arg(fields.size())});
            continue;
        }
        TTexts texts;
        for (int i = 0; i < ColumnCount; ++i)
            texts[order[i]] =
                order[i] == ColAbbrev ? Shared(abbrevs, fields[i]) : QString::fromUtf8(fields[i]);
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
    TJsonReader reader(from, std::move(keys), maxRecordBytes);
    QHash<QByteArray, QString> abbrevs;  // a few short names shared by every row
    for (TJsonReader::TStep step; (step = reader.Next()) != TJsonReader::TStep::End;) {
        const int line = reader.Line();
        if (step == TJsonReader::TStep::Bad) {
            const int key = reader.FaultKey();
            out.Bad.push_back({line, key >= 0 ? kWords[key] : QString(), reader.Fault()});
            continue;
        }
        TTexts texts;
        bool ok = true;
        for (int c = 0; c < ColumnCount && ok; ++c) {
            const TJsonReader::TValue& v = reader.Values()[c];
            switch (v.Kind) {
                case TJsonReader::TKind::String:
                    texts[c] = c == ColAbbrev ? Shared(abbrevs, v.Text) : QString::fromUtf8(v.Text);
                    break;
                case TJsonReader::TKind::Number:
                    if (!WholeNumber(v.Text, texts[c])) {
                        out.Bad.push_back(
                            {line, kWords[c], QStringLiteral("is not a whole number")});
                        ok = false;
                    }
                    break;
                case TJsonReader::TKind::Other:
                    out.Bad.push_back(
                        {line, kWords[c], QStringLiteral("is not a number or a text")});
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

}  // namespace

void WriteCsvHeader(QIODevice& to) { to.write(QByteArray(kCsvColumns) + '\n'); }

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

void WriteJson(const std::vector<TPlaceRow>& rows, QIODevice& to) {
    QJsonArray array;
    for (const TPlaceRow& r : rows) {
        QJsonObject o;
        o.insert(kJsonKeys[ColId], r.Id);
        o.insert(kJsonKeys[ColParent], r.Parent > 0 ? QJsonValue(r.Parent) : QJsonValue());
        o.insert(kJsonKeys[ColLevel], r.Level);
        o.insert(kJsonKeys[ColAbbrev], r.Abbrev);
        o.insert(kJsonKeys[ColName], r.Name);
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

void WritePlaces(const std::vector<TPlaceRow>& rows, bool json, QIODevice& to) {
    if (json)
        WriteJson(rows, to);
    else {
        WriteCsvHeader(to);
        WriteCsvRows(rows, to);
    }
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
