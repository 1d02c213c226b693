#pragma once

#include <QIcon>
#include <QString>

// Named pictures a library offers, as resources are looked up by name: a service
// library registers its icons when it is loaded and its forms find them by name.
void RegisterIconResource(const QString& name, const QIcon& icon);
// The icon registered under name (names match without regard to case); null when none.
QIcon IconResource(const QString& name);
bool HasIconResource(const QString& name);
