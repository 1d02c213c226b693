#pragma once

#include <QString>

class IDbConnection;

// Creates or upgrades a schema of the embedded engine and registers its routines.
void InstallSqliteServer(IDbConnection& db, const QString& schema);
