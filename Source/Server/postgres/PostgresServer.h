#pragma once

#include <QString>

class IDbConnection;

// Creates or upgrades a schema on the PostgreSQL server: tables and functions.
void InstallPostgresServer(IDbConnection& db, const QString& schema);
