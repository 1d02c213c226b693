// The client's data components (call blocks, stored procedures, packages, free SQL
// with macros) against the PostgreSQL engine, as the forms use them.

#include <gtest/gtest.h>

#include "Platform/Data/OraPackage.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Server/PgTestSchema.h"

namespace {

class PostgresClient : public PgSchemaTest {
protected:
    void SetUp() override {
        PgSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        FSession.AdoptConnection(FDb.get());
    }
    void TearDown() override {
        FSession.Disconnect();
        PgSchemaTest::TearDown();
    }

    // The three-line block the forms keep in their queries.
    long long Block(const QString& call, const std::vector<std::pair<QString, QVariant>>& params) {
        TOraQuery query;
        query.SetSession(&FSession);
        query.SetSQL({"begin", call, "end;"});
        query.MacroByName("shema").SetValue(FSchema);
        for (const auto& [name, value] : params) query.ParamByName(name).SetValue(value);
        query.ExecSQL();
        return query.ParamByName("RESULT").AsInteger();
    }

    TOraSession FSession;
};

TEST_F(PostgresClient, CallBlocksStoredProceduresAndPackagesWork) {
    const long long abbrev =
        Block(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATABBREV(:PSNAME, :PNAME);",
              {{"PSNAME", "г."}, {"PNAME", "город"}});
    ASSERT_GT(abbrev, 0);
    const long long type =
        Block(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATTYPE(:PLEVEL#, :PID_ABBREV);",
              {{"PLEVEL#", 1}, {"PID_ABBREV", abbrev}});
    ASSERT_GT(type, 0);
    const long long place = Block(
        QStringLiteral(
            ":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATION(:PID_PARENT, :PID_LOCATTYPE, :PNAME);"),
        {{"PID_PARENT", QVariant()}, {"PID_LOCATTYPE", type}, {"PNAME", "Тверь"}});
    ASSERT_GT(place, 0);

    TOraStoredProc proc;
    proc.SetSession(&FSession);
    proc.SetStoredProcName(FSchema + ".QXVERPLOCAT.GET_T#LOCATION");
    proc.ParamByName("PID").SetAsInteger(-1);
    proc.ParamByName("PID_PARENT").Clear();
    proc.Open();
    ASSERT_EQ(proc.RecordCount(), 1);
    EXPECT_EQ(proc.FieldByName("NAME").AsString(), "Тверь");
    EXPECT_EQ(proc.FieldByName("LEVEL#").AsInteger(), 1);
    EXPECT_EQ(proc.FieldByName("ABBREV_SNAME").AsString(), "г.");
    EXPECT_EQ(proc.FieldByName("CHILD_CNT").AsInteger(), 0);

    TOraStoredProc maxLevel;
    maxLevel.SetSession(&FSession);
    maxLevel.SetStoredProcName(FSchema + ".QXVERPLOCAT.GET_MAX_LEVEL");
    maxLevel.ExecProc();
    EXPECT_EQ(maxLevel.ParamByName("Result").AsInteger(), 1);

    TOraPackage lang;
    lang.SetSession(&FSession);
    lang.SetPackageName(FSchema + ".LANG_PACK");
    EXPECT_EQ(lang.GetVariable("GC_MULTI_LANG").toInt(), 1);
    EXPECT_EQ(lang.ExecProc("GET_USER_APL_LANG_ID").toInt(), 25);
    EXPECT_TRUE(lang.ExecProc("GET_RESOURCE_APL_TXT", {"Нет"}).isNull());

    // A block whose routine fails leaves the session usable.
    EXPECT_EQ(Block(":RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATABBREV(:PID);", {{"PID", abbrev}}),
              -2);
    EXPECT_THROW(Block(QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATION(:PID_PARENT, "
                                      ":PID_LOCATTYPE, :PNAME);"),
                       {{"PID_PARENT", 999999}, {"PID_LOCATTYPE", type}, {"PNAME", "x"}}),
                 EOraError);
    proc.Close();
    proc.Open();
    EXPECT_EQ(proc.RecordCount(), 1);
}

TEST_F(PostgresClient, FreeQueriesWithMacrosReadUpperCaseFields) {
    TOraQuery query;
    query.SetSession(&FSession);
    query.SetSQL({"SELECT name, value FROM &shema.LANG_SETTINGS", "WHERE name = :NAME"});
    query.MacroByName("shema").SetValue(FSchema);
    query.ParamByName("NAME").SetAsString("GC_MULTI_LANG");
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("VALUE").AsString(), "1");
}

}  // namespace
