#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "Host/AppIcon.h"
#include "Host/CommandLine.h"
#include "Host/ConsoleLanguage.h"
#include "Host/ConsoleResponder.h"
#include "Host/ConsoleWindow.h"
#include "Host/PluginCatalog.h"
#include "Host/SchemaCheck.h"
#include "Host/ServicePlugin.h"
#include "Host/UserDirectory.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/UserRights.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Server/sqlite/SqliteServer.h"

namespace {

// Runs `done` with the top window once it is shown.
void WhenShown(std::function<void(QWidget* window)> done) {
    QTimer::singleShot(400, qApp, [done] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window) window = Application::Instance().MainWindow();
        done(window);
    });
}

// Saves a picture of the top window once it is shown, then lets `done` finish the run.
void ScreenshotLater(const QString& file, std::function<void(bool saved)> done) {
    WhenShown([file, done](QWidget* window) { done(window && window->grab().save(file)); });
}

int RunPicker(const ServicePlugin& plugin, TOraSession& session, const QString& schema, int start,
              const QString& screenshot) {
    if (!screenshot.isEmpty())
        ScreenshotLater(screenshot, [](bool) {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
    int id = start;
    if (!plugin.Pick(&session, schema, id)) return ConsoleExit::Cancelled;
    std::printf("%d\n", id);
    return ConsoleExit::Ok;
}

// Answers --help, --version and a bad command line; false when the console is to run.
bool Answered(const TConsoleCommand& command, int& status) {
    if (command.Kind == TConsoleCommand::Run) return false;
    const bool error = command.Kind == TConsoleCommand::Error;
    std::fputs(qPrintable(command.Text), error ? stderr : stdout);
    status = error ? ConsoleExit::Usage : ConsoleExit::Ok;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // Parsed before the application exists: help and errors need no display.
    const TConsoleCommand command = ParseConsoleArguments(arguments);
    if (int status = 0; Answered(command, status)) return status;
    const TConsoleOptions& options = command.Options;

    QApplication app(argc, argv);
    QApplication::setApplicationName("qxvconsole");
    QApplication::setOrganizationName("qxv");
    QApplication::setDesktopFileName("org.qxv.qxvconsole");
    QApplication::setWindowIcon(QPixmap::fromImage(PaintAppIcon(64)));
    RegisterSqliteServer();

    const bool ownDirectory = options.Database.isEmpty();
    const QString dsn = ownDirectory ? UserDirectoryDatabase() : options.Database;
    const QString& schema = options.Schema;
    TOraSession session;
    session.setObjectName("ConsoleSession");
    session.SetConnectString(dsn);
    try {
        session.Connect();
        if (ownDirectory) PrepareUserDirectory(session.Connection(), schema);
    } catch (const EOraError& e) {
        MessageBoxes::Show(e.Message(), QObject::tr("Database"), MB_ICONERROR, nullptr);
        return ConsoleExit::Database;
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

    if (options.Pick) {
        if (!schemaCheck()) return ConsoleExit::Database;
        for (const QString& path : PluginCatalog(HostLibraryFolder()).Plugins()) {
            ServicePlugin plugin(path);
            if (plugin.Ok())
                return RunPicker(plugin, session, schema, options.PickStart, options.Screenshot);
        }
        std::fprintf(stderr, "no service plug-in found\n");
        return ConsoleExit::Cancelled;
    }

    ConsoleWindow window(dsn, &session, options.Rights);
    Application::Instance().SetMainWindow(&window);
    window.SetBeforeOpen(schemaCheck);
    // The server says what the session's user may do; the command line may only take away.
    const QString requested = options.Rights;
    if (!requested.isEmpty() && !UserRights::WellFormed(requested))
        std::fprintf(stderr, "--rights %s is not \"1\" and one character per right: ignored\n",
                     qPrintable(requested));
    window.SetAccessSource([&session, &schema, requested] {
        return UserRights::AccessString(UserRights::Fetch(session.Connection(), schema), requested);
    });
    window.show();
    // The user's own directory opens with its services, as a desktop program starts.
    const bool openAll = options.OpenAll || (ownDirectory && options.Service.isEmpty());
    if (openAll)
        for (const auto& plugin : window.Plugins())
            for (const auto& service : plugin->Services())
                window.OpenService(*plugin, service.Identifier);
    if (!options.Service.isEmpty() && !window.OpenServiceById(options.Service))
        std::fprintf(stderr, "service %s was not opened\n", qPrintable(options.Service));
    if (!options.Screenshot.isEmpty())
        ScreenshotLater(options.Screenshot, [](bool saved) {
            QApplication::exit(saved ? ConsoleExit::Ok : ConsoleExit::Cancelled);
        });
    if (options.ListWindows)
        WhenShown([&window](QWidget*) {
            for (const QString& line : window.OpenWindows()) std::printf("%s\n", qPrintable(line));
            QApplication::exit(ConsoleExit::Ok);
        });
    const int status = app.exec();
    session.Commit();
    return status;
}
