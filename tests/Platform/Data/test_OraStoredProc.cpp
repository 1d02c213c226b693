#include <gtest/gtest.h>

#include "Platform/Data/OraStoredProc.h"
#include "support/FakeConnection.h"
#include "support/OraErrorOf.h"

namespace {

TRowSet Children() {
    TRowSet rows;
    rows.Columns = {{"ID", TFieldType::Integer},
                    {"NAME", TFieldType::String},
                    {"CHILD_CNT", TFieldType::Integer}};
    rows.Rows = {{11, "Tver", 2}, {12, "Pskov", QVariant()}};
    return rows;
}

class OraStoredProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        conn.AddReader("qxvbase.QXVERPLOCAT.GET_T#LOCATION", {"PID", "PID_PARENT"}, Children());
        conn.AddRoutine("qxvbase.QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT",
                        {{"RESULT", TFieldType::Integer, TParamDirection::Result},
                         {"PID", TFieldType::Integer, TParamDirection::Input},
                         {"PID_PARENT", TFieldType::Integer, TParamDirection::Input}},
                        [](const TRoutineDesc&, const std::vector<TBoundValue>& in) {
                            TCallResult r;
                            // Moves answer the sum, so the test sees both values arrived.
                            long long sum = 0;
                            for (const auto& v : in) sum += v.Value.toLongLong();
                            r.OutValues.emplace_back("RESULT", sum);
                            return r;
                        });
        conn.AddFunction("qxvbase.QXVERPLOCAT.GET_MAX_LEVEL", {}, 4);
        conn.AddRoutine("qxvbase.QXVERPLOCAT.SPLIT",
                        {{"PTEXT", TFieldType::String, TParamDirection::InputOutput},
                         {"PLEN", TFieldType::Integer, TParamDirection::Output}},
                        [](const TRoutineDesc&, const std::vector<TBoundValue>& in) {
                            TCallResult r;
                            const QString text = in.at(0).Value.toString();
                            r.OutValues.emplace_back("PTEXT", text.toUpper());
                            r.OutValues.emplace_back("PLEN", text.size());
                            return r;
                        });
        session.AdoptConnection(&conn);
    }

    FakeConnection conn;
    TOraSession session;
};

}  // namespace

TEST_F(OraStoredProcTest, PrepareMakesParamsInTheRoutinesOrder) {
    QObject form;
    TOraStoredProc proc(&form);
    proc.setObjectName("ospMove");
    proc.SetSession(&session);
    proc.SetStoredProcName("qxvbase.QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT");
    proc.Prepare();
    ASSERT_EQ(proc.Params().Count(), 3);
    EXPECT_EQ(proc.Params()[0].ParamType(), TParamDirection::Result);
    EXPECT_EQ(proc.Params()[2].Name(), "PID_PARENT");

    proc.ParamByName("pid").SetAsInteger(5);
    proc.Params()[2].SetAsInteger(7);  // by position
    proc.ExecProc();
    EXPECT_EQ(proc.ParamByName("RESULT").AsInteger(), 12);
    const auto call = conn.Calls().back();
    EXPECT_EQ(call.Value("PID").toInt(), 5);
    EXPECT_EQ(call.Value("PID_PARENT").toInt(), 7);
    bool bound = true;
    call.Value("RESULT", &bound);
    EXPECT_FALSE(bound);  // the result is not sent
}

TEST_F(OraStoredProcTest, ARoutineNamedAtRunTimeCallsItsResultResult) {
    auto* proc = new TOraStoredProc;  // no owner, no name, no params: as code creates it
    proc->SetSession(&session);
    proc->SetStoredProcName("qxvbase.QXVERPLOCAT.GET_MAX_LEVEL");
    proc->Prepare();
    ASSERT_EQ(proc->Params().Count(), 1);
    EXPECT_EQ(proc->Params()[0].Name(), "Result");
    proc->ExecProc();
    EXPECT_EQ(proc->ParamByName("Result").AsInteger(), 4);
    // The same name keeps it prepared; re-pointed at another schema it is prepared anew and
    // keeps the name it gave its result.
    proc->SetStoredProcName("qxvbase.QXVERPLOCAT.GET_MAX_LEVEL");
    EXPECT_TRUE(proc->Prepared());
    conn.AddFunction("other.QXVERPLOCAT.GET_MAX_LEVEL", {}, 2);
    proc->SetStoredProcName("other.QXVERPLOCAT.GET_MAX_LEVEL");
    EXPECT_FALSE(proc->Prepared());
    proc->Prepare();
    EXPECT_EQ(proc->Params()[0].Name(), "Result");
    delete proc;

    // A two-part name uses the session user's schema.
    TOraStoredProc named;
    named.SetSession(&session);  // the fake's user is QXVBASE
    named.SetStoredProcName("QXVERPLOCAT.GET_MAX_LEVEL");
    named.ExecProc();  // prepares itself
    EXPECT_EQ(named.ParamByName("Result").AsInteger(), 4);
    EXPECT_EQ(conn.Calls().back().Name.section('.', 0, 0), "QXVBASE");
}

TEST_F(OraStoredProcTest, OpenLoadsTheCursorRowsAndTheCursorIsNoParam) {
    QObject form;
    TOraStoredProc proc(&form);
    proc.SetSession(&session);
    proc.SetStoredProcName("qxvbase.QXVERPLOCAT.GET_T#LOCATION");
    proc.ParamByName("PID").SetAsInteger(-1);  // prepares on first use of a name
    proc.ParamByName("PID_PARENT").Clear();
    EXPECT_EQ(proc.Params().Count(), 2);
    EXPECT_EQ(proc.FindParam("DATASET"), nullptr);

    proc.Open();
    EXPECT_EQ(proc.RecordCount(), 2);
    EXPECT_EQ(proc.FieldByName("NAME").AsString(), "Tver");
    const auto call = conn.Calls().back();
    EXPECT_EQ(call.Value("PID").toInt(), -1);
    bool bound = false;
    EXPECT_TRUE(call.Value("PID_PARENT", &bound).isNull());
    EXPECT_TRUE(bound);

    // Executing a reading routine still loads its rows, as an open would.
    int opened = 0;
    proc.AfterOpen = [&](TDataSet*) { ++opened; };
    proc.Close();
    proc.ExecProc();
    EXPECT_TRUE(proc.Active());
    EXPECT_EQ(proc.RecordCount(), 2);
    EXPECT_EQ(opened, 1);

    // Refresh calls again with the current values.
    proc.ParamByName("PID").SetAsInteger(11);
    proc.Refresh();
    EXPECT_EQ(conn.Calls().back().Value("PID").toInt(), 11);
    EXPECT_EQ(conn.CountOf(FakeConnection::TRecord::Kind::Describe), 1);
}

TEST_F(OraStoredProcTest, OutputsComeBackIntoTheirParams) {
    TOraStoredProc proc;
    proc.SetSession(&session);
    proc.SetStoredProcName("qxvbase.QXVERPLOCAT.SPLIT");
    proc.ParamByName("PTEXT").SetAsString("a'; --");
    proc.ExecProc();
    EXPECT_EQ(conn.Calls().back().Value("PTEXT").toString(), "a'; --");  // bound untouched
    EXPECT_EQ(proc.ParamByName("PTEXT").AsString(), "A'; --");
    EXPECT_EQ(proc.ParamByName("PLEN").AsInteger(), 6);
    EXPECT_EQ(conn.Calls().back().Values.size(), 1u);  // the output alone is not sent
    EXPECT_THROW(proc.Open(), EDatabaseError);         // no cursor to open
}

TEST_F(OraStoredProcTest, BadNamesAndServerErrorsNameTheComponent) {
    QObject form;
    TOraStoredProc proc(&form);
    proc.setObjectName("ospBad");
    proc.SetSession(&session);
    for (const QString name :
         {"NODOT", "qxvbase.QXVERPLOCAT.NO_SUCH", "bad schema.P.R", "a.b.c.d"}) {
        proc.SetStoredProcName(name);
        EXPECT_EQ(RaisedBy([&] { proc.Prepare(); }).Component, &proc) << name.toStdString();
        EXPECT_FALSE(proc.Prepared());
    }

    conn.SetCallHandler("qxvbase.QXVERPLOCAT.GET_MAX_LEVEL",
                        [](const TRoutineDesc&, const std::vector<TBoundValue>&) -> TCallResult {
                            throw EOraError::Make(OraCode::UserDefined, "level table is locked");
                        });
    proc.SetStoredProcName("qxvbase.QXVERPLOCAT.GET_MAX_LEVEL");
    EXPECT_EQ(RaisedBy([&] { proc.ExecProc(); }), (TRaised{OraCode::UserDefined, &proc}));
}
