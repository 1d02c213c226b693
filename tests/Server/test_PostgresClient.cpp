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
        query.SetSQL({QStringLiteral("begin"), call, QStringLiteral("end;")});
        query.MacroByName(QStringLiteral("shema")).SetValue(FSchema);
        for (const auto& [name, value] : params) query.ParamByName(name).SetValue(value);
        query.ExecSQL();
        return query.ParamByName(QStringLiteral("RESULT")).AsInteger();
    }

    TOraSession FSession;
};

TEST_F(PostgresClient, CallBlocksStoredProceduresAndPackagesWork) {
    const long long abbrev =
        Block(QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATABBREV(:PSNAME, :PNAME);"),
              {{QStringLiteral("PSNAME"), QStringLiteral("г.")},
               {QStringLiteral("PNAME"), QStringLiteral("город")}});
    ASSERT_GT(abbrev, 0);
    const long long type = Block(
        QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATTYPE(:PLEVEL#, :PID_ABBREV);"),
        {{QStringLiteral("PLEVEL#"), 1}, {QStringLiteral("PID_ABBREV"), abbrev}});
    ASSERT_GT(type, 0);
    const long long place = Block(
        QStringLiteral(
            ":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATION(:PID_PARENT, :PID_LOCATTYPE, :PNAME);"),
        {{QStringLiteral("PID_PARENT"), QVariant()},
         {QStringLiteral("PID_LOCATTYPE"), type},
         {QStringLiteral("PNAME"), QStringLiteral("Тверь")}});
    ASSERT_GT(place, 0);

    TOraStoredProc proc;
    proc.SetSession(&FSession);
    proc.SetStoredProcName(FSchema + QStringLiteral(".QXVERPLOCAT.GET_T#LOCATION"));
    proc.ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    proc.ParamByName(QStringLiteral("PID_PARENT")).Clear();
    proc.Open();
    ASSERT_EQ(proc.RecordCount(), 1);
    EXPECT_EQ(proc.FieldByName(QStringLiteral("NAME")).AsString(), QStringLiteral("Тверь"));
    EXPECT_EQ(proc.FieldByName(QStringLiteral("LEVEL#")).AsInteger(), 1);
    EXPECT_EQ(proc.FieldByName(QStringLiteral("ABBREV_SNAME")).AsString(), QStringLiteral("г."));
    EXPECT_EQ(proc.FieldByName(QStringLiteral("CHILD_CNT")).AsInteger(), 0);

    TOraStoredProc maxLevel;
    maxLevel.SetSession(&FSession);
    maxLevel.SetStoredProcName(FSchema + QStringLiteral(".QXVERPLOCAT.GET_MAX_LEVEL"));
    maxLevel.ExecProc();
    EXPECT_EQ(maxLevel.ParamByName(QStringLiteral("Result")).AsInteger(), 1);

    TOraPackage lang;
    lang.SetSession(&FSession);
    lang.SetPackageName(FSchema + QStringLiteral(".LANG_PACK"));
    EXPECT_EQ(lang.GetVariable(QStringLiteral("GC_MULTI_LANG")).toInt(), 1);
    EXPECT_EQ(lang.ExecProc(QStringLiteral("GET_USER_APL_LANG_ID")).toInt(), 25);
    EXPECT_TRUE(
        lang.ExecProc(QStringLiteral("GET_RESOURCE_APL_TXT"), {QStringLiteral("Нет")}).isNull());

    // A block whose routine fails leaves the session usable.
    EXPECT_EQ(Block(QStringLiteral(":RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATABBREV(:PID);"),
                    {{QStringLiteral("PID"), abbrev}}),
              -2);
    EXPECT_THROW(Block(QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATION(:PID_PARENT, "
                                      ":PID_LOCATTYPE, :PNAME);"),
                       {{QStringLiteral("PID_PARENT"), 999999},
                        {QStringLiteral("PID_LOCATTYPE"), type},
                        {QStringLiteral("PNAME"), QStringLiteral("x")}}),
                 EOraError);
    proc.Close();
    proc.Open();
    EXPECT_EQ(proc.RecordCount(), 1);
}

TEST_F(PostgresClient, FreeQueriesWithMacrosReadUpperCaseFields) {
    TOraQuery query;
    query.SetSession(&FSession);
    query.SetSQL({QStringLiteral("SELECT name, value FROM &shema.LANG_SETTINGS"),
                  QStringLiteral("WHERE name = :NAME")});
    query.MacroByName(QStringLiteral("shema")).SetValue(FSchema);
    query.ParamByName(QStringLiteral("NAME")).SetAsString(QStringLiteral("GC_MULTI_LANG"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName(QStringLiteral("VALUE")).AsString(), QStringLiteral("1"));
}

}  // namespace
