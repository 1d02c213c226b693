#pragma once

#include <QString>

// Copies of an embedded database. Such a database is its main file PATH and one file
// PATH.<schema> per installed schema (each with its -wal and -shm companions while in use).
// A backup holds all of them in one file, taken as one consistent moment: writers wait
// while it is taken, readers go on.

struct TBackupStats {
    int Files = 0;
    qint64 Bytes = 0;
};

// A backup that cannot be taken or read back; the text says why.
struct EBackupError {
    QString Text;
};

// Writes the backup of the database at `databasePath` into `backupPath` (replaced whole
// only once it is complete).
TBackupStats BackupEmbedded(const QString& databasePath, const QString& backupPath);

// Puts every file of the backup back at `databasePath`, through the engine's own locking,
// so that programs that have the database open see the restored state on their next call.
// Schema files the backup does not hold are left as they are. Nothing is written when the
// backup cannot be read, or when `schema` is given and the backup holds no such schema.
TBackupStats RestoreEmbedded(const QString& backupPath, const QString& databasePath,
                             const QString& schema = QString());
