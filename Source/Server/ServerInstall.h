#pragma once

#include <QString>

class IDbConnection;

// Creates or upgrades the directory's tables and routines in a schema; running it
// again changes nothing. Throws EOraError on failure.
void InstallServerSchema(IDbConnection& db, const QString& schema);

// The translators' schema the phrase capture writes to, whatever the directory's schema:
// the same tables and routines under a fixed name.
inline constexpr char PhraseCaptureSchema[] = "OC_57XX";
void InstallPhraseCaptureSchema(IDbConnection& db);
