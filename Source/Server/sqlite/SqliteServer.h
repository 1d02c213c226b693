#pragma once

#include <QString>

class IDbConnection;

// Creates or upgrades a schema of the embedded engine (tables, constraints, seed rows and
// the catalogue entries of its packages) and commits; running it again changes nothing.
// Registers the routines first.
void InstallSqliteServer(IDbConnection& db, const QString& schema);

// Registers the routines of QXVERPLOCAT, QXVERPINFORM, LANG_PACK and TEMP_SELECT_PACK with
// the embedded engine. Call once at start of every program that opens an embedded database;
// further calls do nothing.
void RegisterSqliteServer();
