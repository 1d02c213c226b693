#pragma once

#include <QStringList>
#include <QTextStream>

// Exit codes of the tool.
namespace QxvdbExit {
constexpr int Ok = 0;
constexpr int DatabaseError = 1;
constexpr int Usage = 2;
constexpr int DataError = 3;
}  // namespace QxvdbExit

// Runs one qxvdb command (arguments without the program name); reports go to out,
// failures to err. Returns one of QxvdbExit.
int RunQxvdb(const QStringList& args, QTextStream& out, QTextStream& err);
// False for the help, the version and a bad command line, which are answered without an
// application object (and so without a display).
bool QxvdbNeedsApplication(const QStringList& args);

class TRoutines;

// Writes the places of calls' schema to `path` ("-": the standard output), as JSON or CSV.
// The file keeps what it held until the export has succeeded; a database failure is thrown as
// EOraError, a file that cannot be written is reported to err. Returns one of QxvdbExit.
int ExportToFile(TRoutines& calls, const QString& path, bool json, QTextStream& err,
                 const QString& key = QString());
