#pragma once

#include <QStringList>
#include <QTextStream>

// `qxvdb user add|set|list|remove`: who may do what in a schema. Arguments after "user";
// returns one of QxvdbExit.
int RunUserCommand(const QStringList& args, QTextStream& out, QTextStream& err);
