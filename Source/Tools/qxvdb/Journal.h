#pragma once

#include <QStringList>
#include <QTextStream>

// qxvdb journal: prints the directory's changes from a sequence number on, so another system
// can follow it; returns one of QxvdbExit.
int RunJournalCommand(const QStringList& args, QTextStream& out, QTextStream& err);
