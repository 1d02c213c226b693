#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include "Host/ConsoleWindow.h"

namespace {

QString DefaultDatabase() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return "sqlite:" + QDir(dir).filePath("locations.sqlite");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("qxvconsole");
    QApplication::setOrganizationName("qxv");

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption dbOption("db", "Database connection string (sqlite:PATH or postgresql://...).",
                                "DSN", DefaultDatabase());
    parser.addOption(dbOption);
    QCommandLineOption screenshotOption(
        "screenshot", "Save a picture of the console window to FILE once it is shown, then quit.",
        "FILE");
    parser.addOption(screenshotOption);
    parser.process(app);

    ConsoleWindow window(parser.value(dbOption));
    window.show();
    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        // Let the window lay itself out and paint once before taking the picture.
        QTimer::singleShot(200, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
