#pragma once

#include <QStringList>

// qxvdb with these arguments in this process; throws std::runtime_error with what it wrote to
// stderr when it fails.
void RunTool(const QStringList& args);
