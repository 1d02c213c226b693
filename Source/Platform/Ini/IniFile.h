#pragma once

#include <QString>
#include <QStringList>

#include "Platform/qxvglobal.h"

// An INI file with the semantics settings code has always relied on:
// sections and keys match without regard to letter case, a missing file or key
// gives the caller's default, every write reaches the disk at once (so a second
// object on the same file sees it immediately), and the file is created on the
// first write. The object keeps no cache: each call reads the file afresh.
class QXV_PLATFORM_EXPORT TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // True for any non-zero integer, false for zero; anything else gives the default.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each write returns false when the file could not be written.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // Key names of a section in file order, each once.
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSections() const;

    bool DeleteKey(const QString& section, const QString& key);
    bool EraseSection(const QString& section);

    // Files larger than this are treated as unreadable (defaults everywhere).
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

private:
    QStringList LoadLines() const;
    bool SaveLines(const QStringList& lines);

    QString FFileName;
};

// Parses a whole INI text as settings code reads it; exposed for the fuzzer.
QXV_PLATFORM_EXPORT QStringList IniSectionsOf(const QByteArray& text);
