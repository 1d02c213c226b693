#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include "Platform/Ini/IniFile.h"
#include "support/TempDir.h"

namespace {

// Runs a copy of the probe from `folder`, where its settings files land.
QString RunProbe(const QString& probe, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The copy no longer finds the shared libraries beside itself.
    env.insert("LD_LIBRARY_PATH", QXV_LIBRARY_DIR);
    process.setProcessEnvironment(env);
    process.start(probe, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
}

TEST(LocationSettingsTest, ThePlacementOfTheLocationWindowOutlivesTheProcess) {
    TempDir host;
    const QString probe = host.FilePath("LocationSettingsProbe");
    ASSERT_TRUE(QFile::copy(QXV_SETTINGS_PROBE, probe));
    QFile::setPermissions(probe, QFileInfo(QXV_SETTINGS_PROBE).permissions());

    const QString first = RunProbe(probe, {});
    const QString moved = RunProbe(probe, {"40", "35", "710", "480"});
    EXPECT_EQ(moved, "40 35 710 480");
    EXPECT_NE(first, moved);
    EXPECT_EQ(RunProbe(probe, {}), moved) << "the second process finds the window where it was";

    const TIniFile saves(host.FilePath("UserSaves.ini"));
    EXPECT_EQ(saves.ReadInteger("QXVBASE.TfMain", "FORMLEFT", -1), 40);
    EXPECT_EQ(saves.ReadInteger("QXVBASE.TfMain", "FORMWIDTH", -1), 710);
    EXPECT_FALSE(saves.ReadBool("QXVBASE.TfMain", "FORMALIGN", true));
}

}  // namespace
