#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

#include "Host/ConsoleLanguage.h"
#include "Host/ConsoleResponder.h"
#include "Host/ConsoleWindow.h"
#include "Host/PluginCatalog.h"
#include "Host/SchemaCheck.h"
#include "Host/ServicePlugin.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Server/sqlite/SqliteServer.h"

namespace {

QString DefaultDatabase() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return "sqlite:" + QDir(dir).filePath("locations.sqlite");
}

// Every right of a twelve-right service granted.
const QString AllRights = QStringLiteral("1111111111111");

// Saves a picture of the top window once it is shown, then lets `done` finish the run.
void ScreenshotLater(const QString& file, std::function<void(bool saved)> done) {
    QTimer::singleShot(400, qApp, [file, done] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window) window = Application::Instance().MainWindow();
        const bool saved = window && window->grab().save(file);
        done(saved);
    });
}

int RunPicker(const ServicePlugin& plugin, TOraSession& session, const QString& schema, int start,
              const QString& screenshot) {
    if (!screenshot.isEmpty())
        ScreenshotLater(screenshot, [](bool) {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
    int id = start;
    if (!plugin.Pick(&session, schema, id)) return 1;
    std::printf("%d\n", id);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("qxvconsole");
    QApplication::setOrganizationName("qxv");
    RegisterSqliteServer();

    QCommandLineParser parser;
    parser.setApplicationDescription("The host console of the service plug-ins.");
    parser.addHelpOption();
    QCommandLineOption dbOption("db",
                                "Database connection string (sqlite:PATH or postgresql://...).",
                                "DSN", DefaultDatabase());
    QCommandLineOption schemaOption("schema", "Schema of the server routines.", "NAME", "QXVBASE");
    QCommandLineOption rightsOption("rights", "Access string handed to services.", "RIGHTS",
                                    AllRights);
    QCommandLineOption pickOption(
        "pick", "Run the location picker; prints the chosen id (exit 1 when cancelled).");
    QCommandLineOption openOption("open", "Open every service at start.");
    QCommandLineOption serviceOption("service", "Open the service with this identifier at start.",
                                     "ID");
    QCommandLineOption screenshotOption(
        "screenshot", "Save a picture of the window to FILE once it is shown, then quit.", "FILE");
    parser.addOptions({dbOption, schemaOption, rightsOption, pickOption, openOption, serviceOption,
                       screenshotOption});
    parser.addPositionalArgument("ID", "With --pick: the location to open the picker at.", "[ID]");
    parser.process(app);

    const QString dsn = parser.value(dbOption);
    const QString schema = parser.value(schemaOption);
    TOraSession session;
    session.setObjectName("ConsoleSession");
    session.SetConnectString(dsn);
    try {
        session.Connect();
    } catch (const EOraError& e) {
        MessageBoxes::Show(e.Message(), QObject::tr("Database"), MB_ICONERROR, nullptr);
        return 2;
    }
    ConsoleLanguage::Install(schema, &session);
    ConsoleResponder responder(schema, &session);
    // Checked once it holds: a database without the directory gets one clear question
    // instead of a box per failing routine.
    bool schemaFound = false;
    auto schemaCheck = [&] {
        if (!schemaFound) schemaFound = EnsureDirectorySchema(session.Connection(), schema, dsn);
        return schemaFound;
    };

    if (parser.isSet(pickOption)) {
        const QStringList args = parser.positionalArguments();
        const int start = args.isEmpty() ? -1 : args.first().toInt();
        if (!schemaCheck()) return 2;
        for (const QString& path :
             PluginCatalog(QCoreApplication::applicationDirPath()).Plugins()) {
            ServicePlugin plugin(path);
            if (plugin.Ok())
                return RunPicker(plugin, session, schema, start, parser.value(screenshotOption));
        }
        std::fprintf(stderr, "no service plug-in found\n");
        return 1;
    }

    ConsoleWindow window(dsn, &session, parser.value(rightsOption));
    Application::Instance().SetMainWindow(&window);
    window.SetBeforeOpen(schemaCheck);
    window.show();
    if (parser.isSet(openOption))
        for (const auto& plugin : window.Plugins())
            for (const auto& service : plugin->Services())
                window.OpenService(*plugin, service.Identifier);
    if (parser.isSet(serviceOption) && !window.OpenServiceById(parser.value(serviceOption)))
        std::fprintf(stderr, "service %s was not opened\n",
                     qPrintable(parser.value(serviceOption)));
    if (parser.isSet(screenshotOption))
        ScreenshotLater(parser.value(screenshotOption),
                        [](bool saved) { QApplication::exit(saved ? 0 : 1); });
    const int status = app.exec();
    session.Commit();
    return status;
}
