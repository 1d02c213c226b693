#pragma once

#include <QTableWidget>

#include "Platform/PlacePairs.h"

// A small grid of a place's codes (kind, code) or names per language (language, name): the
// first column picks from a list, the second is typed. There is always an empty row at the end
// to add one more; a row whose value is emptied is dropped when the pairs are read.
class TPlacePairsGrid : public QTableWidget {
    Q_OBJECT
public:
    // `choices` as (shown text, key); `otherKeys` lets the user type a key not in the list.
    TPlacePairsGrid(QWidget* parent, const char* name, bool otherKeys);

    void SetChoices(const TPlacePairs& choices);
    void SetHeaders(const QString& key, const QString& value);
    void SetPairs(const TPlacePairs& pairs);
    // The rows with a value, keys as the list has them (typed ones in upper case).
    TPlacePairs Pairs() const;

private:
    void AddRow(const QString& key, const QString& value);
    void KeepEmptyRowAtEnd();

    TPlacePairs FChoices;
    bool FOtherKeys;
};
