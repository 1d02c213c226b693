#pragma once

#include <QIODevice>
#include <QStringList>

#include <utility>
#include <vector>

// Locations as CSV: a header line, then "ID,ID_PARENT,LEVEL,ABBREV,NAME" rows (or a JSON
// array of objects with the keys id, parent, level, abbrev, name),
// parents before their children.
using TRecord = QStringList;

// A file that cannot be read as such records.
struct TDataError {
    QString Text;
};

void WriteRecords(const std::vector<TRecord>& records, bool json, QIODevice& to);
// The records of a file with their line (CSV) or element (JSON) numbers, for messages.
// Throws TDataError when the file is not of that format.
std::vector<std::pair<QString, TRecord>> ReadRecords(QIODevice& from, bool json);
