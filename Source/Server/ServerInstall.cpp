#include "Server/ServerInstall.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerPhrases.h"
#include "Server/postgres/PostgresServer.h"
#include "Server/sqlite/SqliteServer.h"

void InstallServerSchema(IDbConnection& db, const QString& schema) {
    CheckSchemaName(schema);
    const QString scheme = db.Scheme();
    if (scheme == QLatin1String("postgresql"))
        InstallPostgresServer(db, schema);
    else if (scheme == QLatin1String("sqlite"))
        InstallSqliteServer(db, schema);
    else
        throw EOraError::Make(OraCode::UserDefined,
                              QStringLiteral("no server installer for \"%1\"").arg(scheme));
    // The interface phrases are part of the schema: a schema made by the installer
    // alone speaks both languages.
    try {
        db.StartTransaction();  // all phrases or none, in one unit of work
        SeedPhrases(db, schema);
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

void InstallPhraseCaptureSchema(IDbConnection& db) {
    InstallServerSchema(db, QString::fromLatin1(PhraseCaptureSchema));
}
