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

// Locations as CSV: a header line, then "ID,ID_PARENT,LEVEL,ABBREV,NAME" rows (or a JSON
// array of objects with the keys id, parent, level, abbrev, name),
// parents before their children.
QString CsvLine(const QStringList& fields);
QStringList ParseCsvLine(const QString& line);
