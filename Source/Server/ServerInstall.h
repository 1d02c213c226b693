#pragma once

#include <QString>

class IDbConnection;

// Creates or upgrades the directory's tables and routines in a schema; running it
// again changes nothing. Throws EOraError on failure.
void InstallServerSchema(IDbConnection& db, const QString& schema);
