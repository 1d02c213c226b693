#pragma once

#include <QIODevice>
#include <QString>

#include <vector>

#include "Platform/PlacePairs.h"

// Places as files carry them. CSV: a header naming the columns (in any order), then one record
// per place; JSON: an array of objects whose keys are the columns' names in lower case, except
// "parent" for ID_PARENT. The columns: ID, ID_PARENT, LEVEL, ABBREV, NAME; ABBREV_NAME (the
// abbreviation's full name), NAME_xx (the name in language xx), CODE_<KIND> (the code of that
// kind) and PARENT_CODE (the parent's code of the kind the import is keyed by). Export writes
// parents before their children.
struct TPlaceRow {
    qint32 Id = 0;      // 0: none in the file (a row named by its code)
    qint32 Parent = 0;  // 0: at the top
    int Level = 0;
    QString Abbrev;
    QString Name;
    int Line = 0;  // where the record (CSV) or the item (JSON) starts
    QString AbbrevName;
    TPlacePairs Names;  // ("EN", name), by language
    TPlacePairs Codes;  // ("ISO3166_2", code), by kind
    QString ParentCode;
};

// The code of a kind among a row's codes; empty when it has none.
QString CodeOf(const TPlaceRow& row, const QString& kind);

// A record that cannot be taken, with the field at fault in words ("the name"; empty when the
// record as a whole is wrong).
struct TBadRow {
    int Line = 0;
    QString Field;
    QString Text;
};

struct TReadOutcome {
    std::vector<TPlaceRow> Rows;
    std::vector<TBadRow> Bad;
};

constexpr int kMaxLevel = 15;
constexpr int kMaxNameLength = 255;
constexpr int kMaxAbbrevLength = 10;
constexpr int kMaxCodeLength = 64;
// Far above any record the columns allow (a name of 255 four-byte characters, all quotes).
constexpr qsizetype kMaxRecordBytes = 16 * 1024;

extern const char kCsvColumns[];  // "ID,ID_PARENT,LEVEL,ABBREV,NAME"

// Every record of the file, the good and the bad ones, read a block at a time (memory grows
// with the rows kept, not with the file); a file that cannot be read at all (no header, not a
// JSON array) gives one bad row, and so does broken JSON syntax, after the items before it.
TReadOutcome ReadPlaces(QIODevice& from, bool json, qsizetype maxRecordBytes = kMaxRecordBytes);
// Writes every column any of the rows uses (ABBREV_NAME where a full name differs from its
// short name). With a `key` kind the rows are named by their codes: no ID and ID_PARENT,
// and PARENT_CODE instead.
void WritePlaces(const std::vector<TPlaceRow>& rows, bool json, QIODevice& to,
                 const QString& key = QString());
// A CSV file of the five plain columns in parts: the header, then the rows as they come.
void WriteCsvHeader(QIODevice& to);
// One CSV field, quoted when it holds a comma, a quote or a line break.
void AppendCsvField(QByteArray& to, const QString& field);
void WriteCsvRows(const std::vector<TPlaceRow>& rows, QIODevice& to);

// "line 7: the name is longer than 255 characters (300)", in either format.
QString DescribeBadRow(const TBadRow& bad);
// Characters as the engines count them (a pair of UTF-16 surrogates is one).
int CharacterCount(const QString& text);
