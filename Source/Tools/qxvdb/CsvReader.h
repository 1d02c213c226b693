#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <vector>

#include "Tools/qxvdb/BlockInput.h"

// Splits UTF-8 CSV (RFC 4180: fields in double quotes may hold separators, doubled quotes
// and line breaks) into records, reading the device a block at a time: however long a line
// is, no more than the record limit is held.
class TCsvReader {
public:
    enum class TStep { Record, Bad, End };

    TCsvReader(QIODevice& from, qsizetype maxRecordBytes);

    // Reads the next record. Bad: the record (up to its end) was refused; Fault() says why and
    // FaultField() which field (-1: the record as a whole). Blank lines are passed over.
    TStep Next();

    const std::vector<QByteArray>& Fields() const { return FFields; }
    int Line() const { return FFirstLine; }  // the line the record starts on
    int FaultField() const { return FFaultField; }
    const QString& Fault() const { return FFault; }

private:
    int Get() { return FInput.Get(); }
    int Peek() { return FInput.Peek(); }
    void SetFault(int field, const QString& text);
    void SkipLine();
    TStep Finish();

    TBlockInput FInput;
    const qsizetype FMax;
    int FLine = 1;
    int FFirstLine = 1;
    std::vector<QByteArray> FFields;
    QByteArray FCurrent;
    int FFaultField = -1;
    QString FFault;
};

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(const QByteArray& bytes);
