#pragma once

#include <QString>

#include "Platform/Data/DbBackend.h"
#include "Platform/PlacePairs.h"

// Writes checked places straight into the schema's table, many rows per statement, through
// the connection's bulk insert: the rows must already have passed every check the insert
// routine makes (known parent and type, the level rule, the name's length), and come parents
// first. New places the routines add later are numbered after the highest id written. Their
// codes and names per language go into their own tables.
class TBulkInsert {
public:
    TBulkInsert(IDbConnection& db, const QString& schema);
    TBulkInsert(const TBulkInsert&) = delete;
    TBulkInsert& operator=(const TBulkInsert&) = delete;

    void Add(qint32 id, qint32 parent, long long type, const QString& name);
    // The place's codes and names per language, written right after the places of their batch.
    void AddExtras(qint32 id, const TPlacePairs& codes, const TPlacePairs& names);
    // Sends the rows added so far.
    void Flush();
    // Sends the rest, at the end of a load.
    void Finish() { Flush(); }

    int Pending() const { return FPending; }
    int Written() const { return FWritten; }

private:
    IDbConnection& FDb;
    TBulkRows FRows;
    TBulkRows FCodes;
    TBulkRows FNames;
    int FPending = 0;
    int FWritten = 0;
};
