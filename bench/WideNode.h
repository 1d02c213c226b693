#pragma once

// One place with 10,000 children, built through the server routines: the data the
// benchmarks of reading and expanding a wide node share.

#include <QString>

#include <memory>

#include "Platform/Data/DbBackend.h"

constexpr int kChildren = 10000;

struct TEngine {
    std::unique_ptr<IDbConnection> Db;
    QString Schema;
    long long Parent = 0;
    TRoutineDesc Children;
    QString Select;  // the same rows, columns and order as GET_T#LOCATION's cursor
    bool DropSchema = false;
};

// Installs the schema, adds the wide place and its children, commits.
void Prepare(TEngine& e);
