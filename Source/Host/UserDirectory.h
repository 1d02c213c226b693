#pragma once

#include <QString>

class IDbConnection;

// The user's own directory: an embedded database in the user's data folder, opened as the
// demo user who reads the interface in the system's language (English or Russian).
QString UserDirectoryDatabase();

// Gives the user's own directory its schema and the demo places when it has none yet (the
// first start). Throws EOraError when the database refuses.
void PrepareUserDirectory(IDbConnection& db, const QString& schema);
