#include "Host/CommandLine.h"

#include <QCommandLineParser>

namespace {

// Every right of a twelve-right service granted.
const QString AllRights = QStringLiteral("1111111111111");

struct TParser {
    QCommandLineParser Parser;
    QCommandLineOption Help = Parser.addHelpOption();
    QCommandLineOption Version = Parser.addVersionOption();
    QCommandLineOption Db{"db",
                          "Database connection string (sqlite:PATH or postgresql://...); without "
                          "it the user's own embedded directory, made with the demo on first "
                          "start.",
                          "DSN"};
    QCommandLineOption Schema{"schema", "Schema of the server routines.", "NAME", "QXVBASE"};
    QCommandLineOption Rights{"rights", "Access string handed to services.", "RIGHTS", AllRights};
    QCommandLineOption Pick{"pick",
                            "Run the location picker; prints the chosen id (exit 1 when "
                            "cancelled)."};
    QCommandLineOption Open{"open", "Open every service at start."};
    QCommandLineOption Service{"service", "Open the service with this identifier at start.", "ID"};
    QCommandLineOption Screenshot{
        "screenshot", "Save a picture of the window to FILE once it is shown, then quit.", "FILE"};
    QCommandLineOption ListWindows{"list-windows",
                                   "Print the open windows once they are shown, then quit."};

    TParser() {
        Parser.setApplicationDescription("The host console of the service plug-ins.");
        Parser.addOptions({Db, Schema, Rights, Pick, Open, Service, Screenshot, ListWindows});
        AcceptApplicationOptions();
        Parser.addPositionalArgument("ID", "With --pick: the location to open the picker at.",
                                     "[ID]");
    }

    // The application's own options (-platform offscreen, -style NAME …) are left to it: they
    // are read here only so that they are not refused.
    void AcceptApplicationOptions() {
        Parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const char* name :
             {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
              "session", "qwindowgeometry", "qwindowtitle", "qwindowicon", "display", "geometry"}) {
            QCommandLineOption option(QString::fromLatin1(name), QString(), "value");
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            Parser.addOption(option);
        }
        for (const char* name : {"reverse", "widgetcount"}) {
            QCommandLineOption option(QString::fromLatin1(name));
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            Parser.addOption(option);
        }
    }

    TConsoleOptions Options() const {
        TConsoleOptions o;
        o.Database = Parser.value(Db);
        o.Schema = Parser.value(Schema);
        o.Rights = Parser.value(Rights);
        o.Pick = Parser.isSet(Pick);
        o.OpenAll = Parser.isSet(Open);
        o.Service = Parser.value(Service);
        o.Screenshot = Parser.value(Screenshot);
        o.ListWindows = Parser.isSet(ListWindows);
        return o;
    }
};

TConsoleCommand Failed(const QString& text) {
    return {TConsoleCommand::Error, {}, QStringLiteral("qxvconsole: %1\n").arg(text)};
}

}  // namespace

TConsoleCommand ParseConsoleArguments(const QStringList& arguments) {
    TParser p;
    if (!p.Parser.parse(arguments)) return Failed(p.Parser.errorText());
    if (p.Parser.isSet(p.Help) || p.Parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the parser cannot name the program.
        QString help = p.Parser.helpText();
        help.replace(QStringLiteral("<executable_name>"), QStringLiteral("qxvconsole"));
        return {TConsoleCommand::Help, {}, help};
    }
    if (p.Parser.isSet(p.Version))
        return {TConsoleCommand::Version, {}, QStringLiteral("qxvconsole %1\n").arg(QXV_VERSION)};
    TConsoleCommand command{TConsoleCommand::Run, p.Options(), {}};
    const QStringList ids = p.Parser.positionalArguments();
    if (ids.size() > 1 || (!ids.isEmpty() && !command.Options.Pick))
        return Failed(QStringLiteral("unexpected argument \"%1\"").arg(ids.last()));
    if (!ids.isEmpty()) {
        bool number = false;
        command.Options.PickStart = ids.first().toInt(&number);
        if (!number)
            return Failed(
                QStringLiteral("--pick takes the id of a place, a whole number, not \"%1\"")
                    .arg(ids.first()));
    }
    return command;
}
