#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A place's codes ("KIND", "code") or names per language ("EN", "name") as one text for a
// routine's parameter: a line per pair, the two parts split by a tab. Neither part holds a
// tab or a line break (the routines refuse such codes and names).
using TPlacePairs = std::vector<std::pair<QString, QString>>;

inline QString EncodePlacePairs(const TPlacePairs& pairs) {
    QString text;
    for (const auto& [key, value] : pairs) text += key + u'\t' + value + u'\n';
    return text;
}

inline TPlacePairs DecodePlacePairs(const QString& text) {
    TPlacePairs pairs;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(u'\t');
        pairs.emplace_back(line.left(tab < 0 ? line.size() : tab), tab < 0 ? QString() : line.mid(tab + 1));
    }
    return pairs;
}
