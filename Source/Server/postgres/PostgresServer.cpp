#include "Server/postgres/PostgresServer.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"

#include "PostgresServerSql.h"

void InstallPostgresServer(IDbConnection& db, const QString& schema) {
    // The name is checked before it becomes part of any statement.
    QString script = QString::fromUtf8(kPostgresServerSql);
    script.replace(QLatin1String("@SCHEMA@"), QuotedSchemaName(schema));
    script.replace(QLatin1String("@SCHEMA_NAME@"), schema.toLower());
    try {
        db.StartTransaction();
        db.ExecuteScript(script);
        // The schema is shared by every session from now on.
        db.Commit();
    } catch (...) {
        // Nothing half-installed stays, and the installers' lock goes with it.
        db.Rollback();
        throw;
    }
}
