#include "Host/UserDirectory.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>

#include "Host/SchemaCheck.h"
#include "Platform/Data/DbBackend.h"
#include "Server/ServerInstall.h"
#include "Tools/qxvdb/DemoData.h"

namespace {

// The demo directory reads the interface in English as DEMO; DEMO_RU has no language of
// its own and reads it in Russian.
const QString EnglishUser = QStringLiteral("DEMO");
const QString RussianUser = QStringLiteral("DEMO_RU");

}  // namespace

QString UserDirectoryDatabase() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    const bool russian = QLocale::system().language() == QLocale::Russian;
    return QStringLiteral("sqlite:%1?user=%2")
        .arg(QDir(dir).filePath(QStringLiteral("locations.sqlite")),
             russian ? RussianUser : EnglishUser);
}

void PrepareUserDirectory(IDbConnection& db, const QString& schema) {
    if (!MissingDirectoryRoutines(db, schema).isEmpty()) {
        InstallServerSchema(db, schema);
        InstallPhraseCaptureSchema(db);
        db.Commit();
    }
    LoadDemoData(db, schema, EnglishUser);  // nothing when the directory has places
}
