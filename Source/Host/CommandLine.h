#pragma once

#include <QString>
#include <QStringList>

// Exit codes of the console.
namespace ConsoleExit {
constexpr int Ok = 0;
constexpr int Cancelled = 1;  // the picker was closed without a choice, or nothing could open
constexpr int Usage = 2;      // a bad command line
constexpr int Database = 3;   // the database cannot be opened or lacks the directory
}  // namespace ConsoleExit

// What the console was asked to do.
struct TConsoleOptions {
    QString Database;  // empty: the user's own embedded directory
    QString Schema;
    QString Rights;
    bool Pick = false;
    int PickStart = -1;
    bool OpenAll = false;
    QString Service;
    QString Screenshot;
    bool ListWindows = false;
};

struct TConsoleCommand {
    enum TKind { Run, Help, Version, Error } Kind = Run;
    TConsoleOptions Options;
    QString Text;  // the help, the version or the error, as printed
};

// Reads the console's arguments (the program name first). Needs no application object, so
// --help, --version and a bad command line are answered without a display.
TConsoleCommand ParseConsoleArguments(const QStringList& arguments);
