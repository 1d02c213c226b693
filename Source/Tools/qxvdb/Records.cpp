#include "Tools/qxvdb/Records.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

const QStringList kJsonKeys = {QStringLiteral("id"), QStringLiteral("parent"),
                               QStringLiteral("level"), QStringLiteral("abbrev"),
                               QStringLiteral("name")};

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    for (QString f : fields) {
        if (f.contains(u',') || f.contains(u'"') || f.contains(u'\n') || f.contains(u'\r')) {
            f.replace(u'"', QLatin1String("\"\""));
            f = u'"' + f + u'"';
        }
        quoted << f;
    }
    return quoted.join(u',');
}

// Reads the record that starts at pos and leaves pos past the line break that ends it.
// A quoted field keeps its separators and line breaks; line counts the lines passed.
TRecord TakeCsvRecord(const QString& text, qsizetype& pos, int& line) {
    const int first = line;
    TRecord fields;
    QString current;
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        const bool next = pos + 1 < text.size();
        if (quoted) {
            if (c == u'"' && next && text[pos + 1] == u'"') {
                current += u'"';
                ++pos;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n') ++line;
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << current;
            current.clear();
        } else if (c == u'\n' || (c == u'\r' && next && text[pos + 1] == u'\n')) {
            pos += c == u'\r' ? 2 : 1;
            ++line;
            fields << current;
            return fields;
        } else {
            current += c;
        }
    }
    if (quoted)
        throw TDataError{QStringLiteral("line %1: a quoted field is not closed").arg(first)};
    fields << current;
    return fields;
}

std::vector<std::pair<QString, TRecord>> ReadCsv(const QString& text) {
    std::vector<std::pair<QString, TRecord>> records;
    qsizetype pos = 0;
    int line = 1;
    while (pos < text.size()) {
        const int first = line;
        const qsizetype start = pos;
        TRecord fields = TakeCsvRecord(text, pos, line);
        // The header names the columns; blank lines carry nothing.
        if (first == 1 || QStringView(text).mid(start, pos - start).trimmed().isEmpty()) continue;
        records.emplace_back(QStringLiteral("line %1").arg(first), std::move(fields));
    }
    return records;
}

QString JsonField(const QJsonValue& value, const QString& where, const QString& key) {
    if (!value.isDouble()) return value.toString();
    const qint64 n = value.toInteger();
    if (static_cast<double>(n) != value.toDouble())
        throw TDataError{QStringLiteral("%1: %2 is not a whole number").arg(where, key)};
    return QString::number(n);
}

std::vector<std::pair<QString, TRecord>> ReadJson(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (!doc.isArray())
        throw TDataError{
            QStringLiteral("not a JSON array of locations: %1").arg(error.errorString())};
    std::vector<std::pair<QString, TRecord>> records;
    int index = 0;
    for (const QJsonValue& v : doc.array()) {
        const QString where = QStringLiteral("item %1").arg(++index);
        const QJsonObject o = v.toObject();
        TRecord r;
        for (const QString& key : kJsonKeys) r << JsonField(o.value(key), where, key);
        records.emplace_back(where, r);
    }
    return records;
}

}  // namespace

void WriteRecords(const std::vector<TRecord>& records, bool json, QIODevice& to) {
    if (json) {
        QJsonArray array;
        for (const TRecord& r : records) {
            QJsonObject o;
            o.insert(kJsonKeys[0], r[0].toLongLong());
            o.insert(kJsonKeys[1], r[1].isEmpty() ? QJsonValue() : QJsonValue(r[1].toLongLong()));
            o.insert(kJsonKeys[2], r[2].toInt());
            o.insert(kJsonKeys[3], r[3]);
            o.insert(kJsonKeys[4], r[4]);
            array.append(o);
        }
        to.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
        return;
    }
    QTextStream text(&to);
    text << CsvLine({QStringLiteral("ID"), QStringLiteral("ID_PARENT"), QStringLiteral("LEVEL"),
                     QStringLiteral("ABBREV"), QStringLiteral("NAME")})
         << '\n';
    for (const TRecord& r : records) text << CsvLine(r) << '\n';
}

std::vector<std::pair<QString, TRecord>> ReadRecords(QIODevice& from, bool json) {
    const QByteArray bytes = from.readAll();
    return json ? ReadJson(bytes) : ReadCsv(QString::fromUtf8(bytes));
}
