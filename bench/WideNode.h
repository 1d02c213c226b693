#pragma once

// One place with many children (10,000 unless told), built through the server routines: the
// data the benchmarks of reading and expanding a wide node share.

#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Floor.h"

constexpr int kChildren = 10000;

struct TEngine {
    std::string Name;    // "sqlite", "postgresql": the benchmarks' prefix
    QString Connection;  // the database file or the DSN, for the floor's own connection
    std::unique_ptr<IDbConnection> Db;
    QString Schema;
    int Count = kChildren;  // the wide place's children
    long long Parent = 0;
    TRoutineDesc Children;
    QString Select;  // the same rows, columns and order as GET_T#LOCATION's cursor
    bool DropSchema = false;
};

// Installs the schema, adds the wide place and its children, commits.
void Prepare(TEngine& e);

// The embedded engine in a file under dir and, when QXV_PG_DSN names a server, PostgreSQL
// with the name of a schema of its own (not yet made); says on stderr when PostgreSQL is
// skipped. `only` names one engine to keep (empty: both).
std::vector<std::unique_ptr<TEngine>> OpenEngines(const QString& dir,
                                                  const std::string& only = std::string());
// The engines of OpenEngines, each prepared with `children` children.
std::vector<std::unique_ptr<TEngine>> PrepareEngines(const QString& dir, int children = kChildren);
// The connection string of an engine, as the tools take it.
QString ConnectionString(const TEngine& e);
// Drops the schemas made for the run.
void DropSchemas(std::vector<std::unique_ptr<TEngine>>& engines);

// A raw connection of the floor's own to the engine's database.
TRawConnection OpenFloor(const TEngine& e, const char* postgresOptions = "");
