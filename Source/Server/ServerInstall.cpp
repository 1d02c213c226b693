#include "Server/ServerInstall.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/postgres/PostgresServer.h"
#include "Server/sqlite/SqliteServer.h"

void InstallServerSchema(IDbConnection& db, const QString& schema) {
    CheckSchemaName(schema);
    const QString scheme = db.Scheme();
    if (scheme == QLatin1String("postgresql")) return InstallPostgresServer(db, schema);
    if (scheme == QLatin1String("sqlite")) return InstallSqliteServer(db, schema);
    throw EOraError::Make(OraCode::UserDefined,
                          QStringLiteral("no server installer for \"%1\"").arg(scheme));
}
