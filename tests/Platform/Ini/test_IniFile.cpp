#include "Platform/Ini/IniFile.h"

#include <QFile>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

void WriteRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir FTmp;
    QString FPath = FTmp.FilePath("Settings.ini");
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsCreatedOnFirstWrite) {
    TIniFile ini(FPath);
    EXPECT_EQ(ini.ReadString("COM_SETTINGS", "StoreSelect", "x"), "x");
    EXPECT_EQ(ini.ReadInteger("COM_SETTINGS", "StoreSelect", 7), 7);
    EXPECT_TRUE(ini.ReadBool("COM_SETTINGS", "StoreSelect", true));
    EXPECT_FALSE(QFile::exists(FPath));

    ASSERT_TRUE(ini.WriteBool("COM_SETTINGS", "StoreSelect", false));
    EXPECT_TRUE(QFile::exists(FPath));
    EXPECT_FALSE(ini.ReadBool("COM_SETTINGS", "StoreSelect", true));
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreLetterCase) {
    TIniFile ini(FPath);
    ini.WriteInteger("ORX.TfMain", "FormLeft", 120);
    EXPECT_EQ(ini.ReadInteger("orx.tfmain", "FORMLEFT", -1), 120);
    ini.WriteInteger("ORX.TFMAIN", "formleft", 130);
    EXPECT_EQ(ini.ReadSection("Orx.TfMain"), QStringList{"formleft"});
    EXPECT_EQ(ini.ReadInteger("ORX.TfMain", "FormLeft", -1), 130);
    EXPECT_EQ(ini.ReadSections().size(), 1);
}

TEST_F(IniFileTest, WritesAreSeenAtOnceByASecondObject) {
    TIniFile writer(FPath);
    TIniFile reader(FPath);
    writer.WriteString("A", "Key", "first");
    EXPECT_EQ(reader.ReadString("a", "key", ""), "first");
    writer.WriteString("A", "Key", "second");
    EXPECT_EQ(reader.ReadString("A", "Key", ""), "second");
    writer.DeleteKey("A", "KEY");
    EXPECT_EQ(reader.ReadString("A", "Key", "gone"), "gone");
}

TEST_F(IniFileTest, BooleansAreTrueForAnyNonZeroInteger) {
    WriteRaw(FPath, "[S]\nA=1\nB=0\nC=-5\nD=yes\nE=\n");
    TIniFile ini(FPath);
    EXPECT_TRUE(ini.ReadBool("S", "A", false));
    EXPECT_FALSE(ini.ReadBool("S", "B", true));
    EXPECT_TRUE(ini.ReadBool("S", "C", false));
    EXPECT_TRUE(ini.ReadBool("S", "D", true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool("S", "E", false));
}

TEST_F(IniFileTest, ExistingLinesCommentsAndOtherSectionsSurviveAWrite) {
    WriteRaw(FPath, "; settings\r\n[One]\r\nX=1\r\n\r\n[Two]\r\nY=2\r\n");
    TIniFile ini(FPath);
    ini.WriteString("One", "Z", "3");
    QFile f(FPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; settings\r\n[One]\r\nX=1\r\nZ=3\r\n\r\n[Two]\r\nY=2\r\n"));
    EXPECT_EQ(ini.ReadSection("Two"), QStringList{"Y"});
}

TEST_F(IniFileTest, EraseSectionRemovesOnlyThatSection) {
    TIniFile ini(FPath);
    ini.WriteString("One", "X", "1");
    ini.WriteString("Two", "Y", "2");
    ini.EraseSection("ONE");
    EXPECT_FALSE(ini.SectionExists("One"));
    EXPECT_EQ(ini.ReadString("Two", "Y", ""), "2");
}

TEST_F(IniFileTest, MalformedFilesGiveDefaults) {
    TIniFile ini(FPath);
    WriteRaw(FPath, QByteArray("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10));
    EXPECT_EQ(ini.ReadInteger("S", "K", 3), 3);

    WriteRaw(FPath, "A=1\nB=2\n");  // keys but no section
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_EQ(ini.ReadString("", "A", "d"), "d");

    WriteRaw(FPath, "[S]\nK=" + QByteArray(10 * 1024 * 1024, 'v') + "\nN=4\n");
    EXPECT_EQ(ini.ReadInteger("S", "N", 0), 4);
    EXPECT_EQ(ini.ReadString("S", "K", "").size(), 10 * 1024 * 1024);

    WriteRaw(FPath, "[S\nK=1\n[]\nL=2\n");  // unterminated header is not a section
    EXPECT_EQ(ini.ReadInteger("", "L", 0), 2);
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), 0);
}

TEST_F(IniFileTest, ValuesWithLineBreaksStayOnOneLine) {
    TIniFile ini(FPath);
    ini.WriteString("S", "K", "a\r\nB=evil");
    EXPECT_FALSE(ini.ValueExists("S", "B"));
    EXPECT_EQ(ini.ReadString("S", "K", ""), "a  B=evil");
}

}  // namespace
