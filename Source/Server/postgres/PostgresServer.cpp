#include "Server/postgres/PostgresServer.h"

#include "Platform/Data/EOraError.h"

// Placeholder until this engine's server lands.
void InstallPostgresServer(IDbConnection&, const QString&) {
    throw EOraError::Make(OraCode::UserDefined, QStringLiteral("not installed yet"));
}
