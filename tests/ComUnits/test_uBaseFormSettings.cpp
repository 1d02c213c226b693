#include "ComUnits/uBaseFormSettings.h"

#include <QFile>

#include <gtest/gtest.h>

#include "Platform/Data/OraQuery.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ini/IniFile.h"
#include "support/TempDir.h"

namespace {

namespace S = BaseFormSettings;

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(BaseFormSettingsTest, TheQueryKeyCarriesTheHashOfItsSqlText) {
    // "AB" + " ": ('A' + 1) xor ('B' + 2) = 66 xor 68 = 6; a third character adds 'C' + 3.
    struct {
        QString sql;
        const char* hash;
    } const cases[] = {{"AB", "0006"},
                       {"ABC", "0040"},
                       {QString(QChar(0x42F)), "0430"},
                       {QString(QChar(0xFFFF)), "10000"},
                       {"", "0000"}};
    QObject owner;
    owner.setObjectName("fMain");
    for (const auto& c : cases) {
        TOraQuery query(&owner);
        query.setObjectName("oqList");
        query.SetSQLText(c.sql);
        EXPECT_EQ(S::QueryKey(query), QString("fMain.oqList.") + c.hash) << c.sql.toStdString();
        TOraQuery orphan;
        orphan.setObjectName("oqList");
        orphan.SetSQLText(c.sql);
        EXPECT_EQ(S::QueryKey(orphan), QString("oqList.") + c.hash);
    }
}

TEST(BaseFormSettingsTest, SortListsSplitByCommaTextRules) {
    EXPECT_EQ(S::CommaTextItems("NAME DESC,ID"), QStringList({"NAME", "DESC", "ID"}));
    EXPECT_EQ(S::CommaTextItems(" \"A B\" , C,"), QStringList({"A B", "C", ""}));
    EXPECT_EQ(S::CommaTextItems(""), QStringList());
}

// The files follow the folder. A broken file reads as none (the INI reader's test); the
// defaults the grids, sort orders and check buttons meet are their tests', the rest are here.
TEST(BaseFormSettingsTest, SwitchesReadTheFileOfTheHostFolder) {
    TempDir host;
    SetHostExecutableFolder(host.Path());
    EXPECT_FALSE(S::DetailedGridErrors());
    EXPECT_EQ(S::ReadIndex("U.TfMain", "cbKind"), 0);
    WriteFile(host.FilePath("Settings.ini"),
              "[COM_SETTINGS]\r\nStoreSelect=0\r\n[DBG_SETTINGS]\r\nCAN=1\r\n");
    EXPECT_FALSE(S::StoreSelect());
    EXPECT_TRUE(S::DetailedGridErrors());
    EXPECT_EQ(S::Settings().FileName(), host.FilePath("Settings.ini"));
}

TEST(BaseFormSettingsTest, OrderEntriesComeBackInAscendingPosition) {
    TempDir host;
    SetHostExecutableFolder(host.Path());
    for (int i : {10, 2, 0, 11, 1})
        S::WriteOrder("U.TfMain", "oqRows", S::PositionText(i, 11), QString("F%1").arg(i));
    S::WriteWidth("U.TfMain", "oqRows", "F1", 25);
    const auto pairs = S::ReadOrder("U.TfMain", "oqRows");
    ASSERT_EQ(pairs.size(), 5);
    QList<int> positions;
    for (const auto& p : pairs) {
        positions << p.first;
        EXPECT_EQ(p.second, QString("F%1").arg(p.first));
    }
    EXPECT_EQ(positions, QList<int>({0, 1, 2, 10, 11}));
    EXPECT_EQ(S::UserSaves().ReadString("U.TfMain.oqRows", "ORDER_02", ""), "F2");
}

}  // namespace
