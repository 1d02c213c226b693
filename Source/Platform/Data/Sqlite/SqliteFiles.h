#pragma once

#include <QByteArray>
#include <QString>

#include "Platform/qxvglobal.h"

// How the files of an embedded database are opened, for the backend and the tools alike.

// The name an embedded file is opened by (with SQLITE_OPEN_URI): its path, or, in a folder
// nobody may write to, a read-only name that needs no companion files. No writer can work in
// such a folder (it could not make its log), so the file cannot change under the reader.
struct TSqliteFileName {
    QByteArray Name;
    bool ReadOnly = false;
};
QXV_PLATFORM_EXPORT TSqliteFileName SqliteFileName(const QString& path);

// A write past the process's file-size limit fails as a full file instead of ending the
// program (the system's default for it); a handler the program set itself stays.
QXV_PLATFORM_EXPORT void SqliteSurviveFileSizeLimit();
