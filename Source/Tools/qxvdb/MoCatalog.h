#pragma once

#include <QHash>
#include <QString>

// The translations of a compiled message catalogue (a .mo file): each original text with its
// translation. Texts with a context or plural forms are keyed by the original's singular text,
// and take the first form. A file that cannot be read or is no catalogue gives none.
QHash<QString, QString> ReadMoCatalog(const QString& path);
