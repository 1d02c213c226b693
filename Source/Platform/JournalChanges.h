#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

// What a journal row changed: its BEFORE and AFTER (JSON objects of the object's fields, NULL
// for an object not yet there or gone) read as the fields that differ.
struct TJournalChange {
    QString Field;
    QString Before;
    QString After;
};

inline QString JournalValueText(const QJsonValue& value) {
    return value.isString() ? value.toString() : value.toVariant().toString();
}

// The differing fields in name order; every field of an added or deleted object.
inline std::vector<TJournalChange> JournalChanges(const QString& before, const QString& after) {
    const QJsonObject was = QJsonDocument::fromJson(before.toUtf8()).object();
    const QJsonObject now = QJsonDocument::fromJson(after.toUtf8()).object();
    QStringList fields = was.keys() + now.keys();
    fields.sort();
    fields.removeDuplicates();
    std::vector<TJournalChange> changes;
    for (const QString& field : fields) {
        const QString from = JournalValueText(was.value(field));
        const QString to = JournalValueText(now.value(field));
        if (from != to) changes.push_back({field, from, to});
    }
    return changes;
}

// The same as one line: "NAME: Old -> New; ID_PARENT: 3 -> 4".
inline QString JournalChangesText(const QString& before, const QString& after) {
    QStringList parts;
    for (const TJournalChange& c : JournalChanges(before, after))
        parts << c.Field + QStringLiteral(": ") + c.Before + QStringLiteral(" -> ") + c.After;
    return parts.join(QStringLiteral("; "));
}
