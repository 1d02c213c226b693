#pragma once

#include <QString>
#include <QStringList>

class IDbConnection;

// The directory's routines a service window or the picker needs from the start, as
// PACKAGE.ROUTINE, which the schema lacks.
QStringList MissingDirectoryRoutines(IDbConnection& db, const QString& schema);

// Makes sure the schema holds the directory before a service or the picker opens.
// When it does not, one question names what is missing and how it is created
// (`qxvdb init`); a yes creates it at once. True when the directory is there.
bool EnsureDirectorySchema(IDbConnection& db, const QString& schema, const QString& dsn);
