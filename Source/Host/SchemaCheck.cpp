#include "Host/SchemaCheck.h"

#include <QCoreApplication>

#include "Host/ConsoleLanguage.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Server/ServerInstall.h"

namespace {

// What the location window reads when it opens, the information frame beside it, and the
// user's rights the console hands to it.
const char* const DirectoryRoutines[][2] = {
    {"QXVERPLOCAT", "GET_T#LOCATION"},    {"QXVERPLOCAT", "GET_LOCATION_PARENTS"},
    {"QXVERPLOCAT", "GET_MAX_LEVEL"},     {"QXVERPLOCAT", "GET_T#LOCATTYPE_BY_LEVEL"},
    {"QXVERPLOCAT", "GET_T#LOCATABBREV"}, {"QXVERPINFORM", "GET_T#INFORMATION"},
    {"QXVERPUSER", "GET_USER_RIGHTS"},
};

QString Tr(const char* text) { return QCoreApplication::translate("SchemaCheck", text); }

}  // namespace

QStringList MissingDirectoryRoutines(IDbConnection& db, const QString& schema) {
    QStringList missing;
    for (const auto& routine : DirectoryRoutines) {
        const QString package = QString::fromLatin1(routine[0]);
        const QString name = QString::fromLatin1(routine[1]);
        try {
            db.Describe(schema, package, name);
        } catch (const EOraError&) {
            missing << package + QLatin1Char('.') + name;
        }
    }
    return missing;
}

bool EnsureDirectorySchema(IDbConnection& db, const QString& schema, const QString& dsn) {
    const QStringList missing = MissingDirectoryRoutines(db, schema);
    if (missing.isEmpty()) return true;
    const QString text =
        Tr("The database %1 holds no location directory in the schema %2: %3 %4 missing.\n\n"
           "It is created with\n    qxvdb init --db %1 --schema %2\n\nCreate it now?")
            .arg(dsn, schema, missing.join(QStringLiteral(", ")),
                 missing.size() == 1 ? Tr("is") : Tr("are"));
    if (MessageBoxes::Show(text, ConsoleLanguage::Text(QStringLiteral("Database")),
                           MB_YESNO | MB_ICONQUESTION, nullptr) != IDYES)
        return false;
    try {
        InstallServerSchema(db, schema);
    } catch (const EOraError& e) {
        MessageBoxes::Show(e.Message(), ConsoleLanguage::Text(QStringLiteral("Database")),
                           MB_ICONERROR, nullptr);
        return false;
    }
    return MissingDirectoryRoutines(db, schema).isEmpty();
}
