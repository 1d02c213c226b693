#include <gtest/gtest.h>

#include "Platform/Data/OraPackage.h"
#include "support/FakeConnection.h"
#include "support/OraErrorOf.h"

namespace {

class OraPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        conn.AddFunction("qxvbase.LANG_PACK.GET_USER_APL_LANG_ID", {}, 9);
        conn.AddRoutine("qxvbase.LANG_PACK.GET_RESOURCE_APL_TXT",
                        {{"RESULT", TFieldType::String, TParamDirection::Result},
                         {"PTEXT", TFieldType::String, TParamDirection::Input}},
                        [](const TRoutineDesc&, const std::vector<TBoundValue>& in) {
                            TCallResult r;
                            const QString text = in.at(0).Value.toString();
                            r.OutValues.emplace_back("RESULT", text == QString::fromUtf8("Ошибка")
                                                                   ? QVariant("Error")
                                                                   : QVariant());
                            return r;
                        });
        conn.AddRoutine("qxvbase.LANG_PACK.SAVE_RUSSIAN_PHRASE",
                        {{"PTEXT", TFieldType::String, TParamDirection::Input},
                         {"PID_DFM", TFieldType::String, TParamDirection::Input},
                         {"PCOMMENT", TFieldType::String, TParamDirection::Input}});
        conn.SetVariable("qxvbase.LANG_PACK.GC_MULTI_LANG", 1);
        session.AdoptConnection(&conn);
        pack.setObjectName("LANG_PACK");
        pack.SetSession(&session);
        pack.SetPackageName("qxvbase.LANG_PACK");
    }

    FakeConnection conn;
    TOraSession session;
    TOraPackage pack;
};

}  // namespace

TEST_F(OraPackageTest, ExecProcGivesTheFunctionResult) {
    EXPECT_EQ(pack.ExecProc("GET_USER_APL_LANG_ID").toInt(), 9);
    EXPECT_EQ(pack.ExecProc("GET_RESOURCE_APL_TXT", {QString::fromUtf8("Ошибка")}).toString(),
              "Error");
    EXPECT_TRUE(pack.ExecProc("GET_RESOURCE_APL_TXT", {"unknown"}).isNull());
    EXPECT_EQ(conn.Calls().back().Value("PTEXT").toString(), "unknown");

    // Each routine is described once.
    pack.ExecProc("GET_USER_APL_LANG_ID");
    EXPECT_EQ(conn.CountOf(FakeConnection::TRecord::Kind::Describe), 2);
}

TEST_F(OraPackageTest, ProceduresTakeArgumentsInOrderOrByName) {
    EXPECT_TRUE(pack.ExecProc("SAVE_RUSSIAN_PHRASE", {"Текст", "TfMain"}).isNull());
    const auto call = conn.Calls().back();
    EXPECT_EQ(call.Value("PTEXT").toString(), "Текст");
    EXPECT_EQ(call.Value("PID_DFM").toString(), "TfMain");
    bool bound = true;
    call.Value("PCOMMENT", &bound);
    EXPECT_FALSE(bound);  // left out: NULL on the server

    pack.ExecProcEx("SAVE_RUSSIAN_PHRASE", {{"PCOMMENT", "x'; --", TFieldType::String}});
    EXPECT_EQ(conn.Calls().back().Value("PCOMMENT").toString(), "x'; --");

    EXPECT_THROW(pack.ExecProc("SAVE_RUSSIAN_PHRASE", {1, 2, 3, 4}), EOraError);
}

TEST_F(OraPackageTest, VariablesErrorsThatNameThePackageAndBadSchemasStayOnTheClient) {
    EXPECT_EQ(pack.GetVariable("GC_MULTI_LANG").toInt(), 1);
    EXPECT_EQ(RaisedBy([&] { pack.ExecProc("NO_SUCH_ROUTINE"); }),
              (TRaised{OraCode::NoSuchRoutine, &pack}));
    conn.ClearRecords();
    pack.SetPackageName("qxv base;--.LANG_PACK");
    EXPECT_THROW(pack.ExecProc("GET_USER_APL_LANG_ID"), EOraError);
    EXPECT_THROW(pack.GetVariable("GC_MULTI_LANG"), EOraError);
    EXPECT_TRUE(conn.Records().empty());

    // A package name without schema belongs to the session's user.
    pack.SetPackageName("LANG_PACK");
    EXPECT_EQ(pack.ExecProc("GET_USER_APL_LANG_ID").toInt(), 9);
}
