// Feeds arbitrary bytes to the INI reader, both as text and as a file read
// through TIniFile, and checks that what the reader lists it can also find, and
// that a value written into any such file reads back as written.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "Platform/Ini/IniFile.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

const QString& FilePath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath("Settings.ini");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList sections = IniSectionsOf(bytes);

    {
        QFile f(FilePath());
        Check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    TIniFile ini(FilePath());
    Check(ini.ReadSections() == sections);
    int checked = 0;
    for (const QString& section : sections) {
        if (++checked > 8) break;
        Check(ini.SectionExists(section));
        for (const QString& key : ini.ReadSection(section)) Check(ini.ValueExists(section, key));
    }
    ini.ReadInteger("COM_SETTINGS", "StoreSelect", 0);

    // Writes reach the disk at once and are slow, so one per input.
    if (ini.WriteInteger("Fz", "Key", -7)) Check(ini.ReadInteger("FZ", "key", 0) == -7);
    return 0;
}
