#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder removed with the fixture; FilePath gives a path inside it.
class TempDir {
public:
    TempDir();
    QString FilePath(const QString& name) const { return FDir.filePath(name); }
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};
