#include "Server/ServerInstall.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerPhrases.h"

namespace {

struct TCodeKind {
    const char* Kind;
    bool Unique;  // one place per code
    const char* NameEn;
    const char* NameRu;
};

const TCodeKind kCodeKinds[] = {
    {"ISO3166_1", true, "ISO 3166-1 (country)", "ISO 3166-1 (страна)"},
    {"ISO3166_2", true, "ISO 3166-2 (subdivision)", "ISO 3166-2 (часть страны)"},
    {"OKTMO", true, "OKTMO", "ОКТМО"},
    {"OKATO", true, "OKATO", "ОКАТО"},
    {"POSTAL", false, "Postal code", "Почтовый индекс"},
    {"GEONAMES", true, "GeoNames id", "Код GeoNames"},
    {"EXTERNAL", true, "External key", "Внешний ключ"},
};

// The kinds of codes every schema knows; kinds added by hand are kept.
void SeedCodeKinds(IDbConnection& db, const QString& schema) {
    const QString sql =
        QStringLiteral("INSERT INTO %1.CODE_KIND (KIND, IS_UNIQUE, NAME_EN, NAME_RU) SELECT :KIND, "
                       ":UNIQUE, :EN, :RU WHERE NOT EXISTS (SELECT 1 FROM %1.CODE_KIND WHERE KIND "
                       "= :KIND)")
            .arg(QuotedSchemaName(schema));
    for (const TCodeKind& kind : kCodeKinds)
        db.Execute(sql, {{QStringLiteral("KIND"), QString::fromLatin1(kind.Kind)},
                         {QStringLiteral("UNIQUE"), kind.Unique ? 1 : 0},
                         {QStringLiteral("EN"), QString::fromUtf8(kind.NameEn)},
                         {QStringLiteral("RU"), QString::fromUtf8(kind.NameRu)}});
}

}  // namespace
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
        SeedCodeKinds(db, schema);
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

void InstallPhraseCaptureSchema(IDbConnection& db) {
    InstallServerSchema(db, QString::fromLatin1(PhraseCaptureSchema));
}
