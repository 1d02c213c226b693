#pragma once

#include <QHash>
#include <QString>

#include <vector>

#include "Platform/Data/DbBackend.h"

// Calls of the directory's server routines by package and name, described once each.
class TRoutines {
public:
    TRoutines(IDbConnection& db, QString schema) : FDb(db), FSchema(std::move(schema)) {}

    TCallResult Call(const QString& package, const QString& routine,
                     const std::vector<TBoundValue>& inputs);
    // A function's RESULT as an integer (0 when it is NULL).
    long long Result(const QString& package, const QString& routine,
                     const std::vector<TBoundValue>& inputs);
    // The DATASET rows of a reading routine.
    TRowSet Rows(const QString& package, const QString& routine,
                 const std::vector<TBoundValue>& inputs);

    IDbConnection& Db() { return FDb; }
    const QString& Schema() const { return FSchema; }

private:
    IDbConnection& FDb;
    QString FSchema;
    QHash<QString, TRoutineDesc> FDescribed;
};

// The index of a column by name; -1 when absent.
int ColumnIndex(const TRowSet& rows, const QString& name);
