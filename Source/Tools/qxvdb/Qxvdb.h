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
