#include "Server/ServerInstall.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"

void InstallServerSchema(IDbConnection& db, const QString& schema) {
    CheckSchemaName(schema);
    throw EOraError::Make(OraCode::UserDefined,
                          QStringLiteral("no server installer for \"%1\" yet").arg(db.Scheme()));
}
