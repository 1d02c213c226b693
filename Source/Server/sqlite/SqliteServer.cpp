#include "Server/sqlite/SqliteServer.h"

#include "Platform/Data/EOraError.h"

// Placeholder until this engine's server lands.
void InstallSqliteServer(IDbConnection&, const QString&) {
    throw EOraError::Make(OraCode::UserDefined, QStringLiteral("not installed yet"));
}
