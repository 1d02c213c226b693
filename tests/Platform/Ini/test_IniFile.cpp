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

TEST_F(IniFileTest, WritesCreateTheFileAndAreSeenAtOnceWhateverTheLetterCase) {
    TIniFile writer(FPath);
    TIniFile reader(FPath);
    EXPECT_EQ(reader.ReadInteger("COM_SETTINGS", "StoreSelect", 7), 7);
    EXPECT_FALSE(QFile::exists(FPath));
    ASSERT_TRUE(writer.WriteBool("COM_SETTINGS", "StoreSelect", false));
    EXPECT_FALSE(reader.ReadBool("com_settings", "STORESELECT", true));
    writer.WriteInteger("ORX.TfMain", "FormLeft", 120);
    writer.WriteInteger("ORX.TFMAIN", "formleft", 130);
    EXPECT_EQ(reader.ReadSection("Orx.TfMain"), QStringList{"formleft"});
    EXPECT_EQ(reader.ReadInteger("ORX.TfMain", "FormLeft", -1), 130);
    writer.DeleteKey("ORX.TfMain", "FORMLEFT");
    EXPECT_EQ(reader.ReadString("ORX.TfMain", "FormLeft", "gone"), "gone");
    writer.EraseSection("com_settings");
    EXPECT_EQ(reader.ReadSections().size(), 1);
}

TEST_F(IniFileTest, ValuesAreReadAsTheyAreWritten) {
    WriteRaw(FPath, "[S]\nA=1\nB=0\nC=-5\nD=yes\nE=\nQ=\" a \"\nR='b'\nH=$1F\nX=0x10\n");
    TIniFile ini(FPath);
    struct {
        const char* key;
        int integer;  // read with the default -1
        bool boolean;  // read with the default true
        const char* text;
    } const cases[] = {
        {"A", 1, true, "1"},    {"B", 0, false, "0"},     {"C", -5, true, "-5"},
        {"D", -1, true, "yes"},  // not a number: the default
        {"E", -1, true, ""},     {"Q", -1, true, " a "},  // quotes come off
        {"R", -1, true, "b"},    {"H", 31, true, "$1F"},  {"X", 16, true, "0x10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger("S", c.key, -1), c.integer) << c.key;
        EXPECT_EQ(ini.ReadBool("S", c.key, true), c.boolean) << c.key;
        EXPECT_EQ(ini.ReadString("s", c.key, "?"), c.text) << c.key;
    }
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
