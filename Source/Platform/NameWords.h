#pragma once

#include <QString>
#include <QStringList>

// The keys under which a name's search key is found as the user types: the key itself, then
// the rest of it from the start of each further word, so that "нов" finds "нижний новгород"
// and "нижний нов" finds it too. Both engines split names by the same rule.
inline QStringList NameWordKeys(const QString& key) {
    static const QString separators = QStringLiteral(" -().,/\"«»");
    QStringList keys;
    if (key.isEmpty()) return keys;
    keys << key;
    for (qsizetype i = 1; i < key.size(); ++i)
        if (separators.contains(key[i - 1]) && !separators.contains(key[i])) keys << key.mid(i);
    return keys;
}
