#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "Platform/Data/DbBackend.h"

struct TBulkEngine;

// Writes checked places straight into the schema's table, many rows per statement, the way
// each engine takes a batch fastest: the rows must already have passed every check the
// insert routine makes (known parent and type, the level rule, the name's length), and come
// parents first.
class TBulkInsert {
public:
    TBulkInsert(IDbConnection& db, const QString& schema);
    ~TBulkInsert();
    TBulkInsert(const TBulkInsert&) = delete;
    TBulkInsert& operator=(const TBulkInsert&) = delete;

    void Add(qint32 id, qint32 parent, long long type, const QString& name);
    // Sends the rows added so far.
    void Flush();
    // Sends the rest and lets the engine number new places after the highest id written.
    void Finish();

    int Pending() const { return FPending; }
    int Written() const { return FWritten; }

private:
    IDbConnection& FDb;
    QString FSchema;
    const TBulkEngine* FEngine;
    QByteArray FIds, FParents, FTypes, FNames;
    int FPending = 0;
    int FWritten = 0;
};
