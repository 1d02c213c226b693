#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

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
    parser.process(app);

    ConsoleWindow window(parser.value(dbOption));
    window.show();
    return app.exec();
}
