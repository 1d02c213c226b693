#include <gtest/gtest.h>

#include "Platform/Data/OraQuery.h"
#include "support/FakeConnection.h"
#include "support/OraErrorOf.h"

namespace {

const QStringList kDeleteBlock = {"begin", ":RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATION(:PID);",
                                  "end;"};

// A session on a scripted engine with the location routines the forms call.
class OraQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // DEL_T#LOCATION answers 1 for a positive PID and -1 otherwise.
        conn.AddRoutine("qxvbase.QXVERPLOCAT.DEL_T#LOCATION",
                        {{"RESULT", TFieldType::Integer, TParamDirection::Result},
                         {"PID", TFieldType::Integer, TParamDirection::Input}},
                        [](const TRoutineDesc&, const std::vector<TBoundValue>& in) {
                            TCallResult r;
                            const long long pid = in.empty() ? 0 : in[0].Value.toLongLong();
                            r.OutValues.emplace_back("RESULT", pid > 0 ? 1 : -1);
                            return r;
                        });
        conn.AddRoutine("qxvbase.QXVERPLOCAT.INS_T#LOCATION",
                        {{"RESULT", TFieldType::Integer, TParamDirection::Result},
                         {"PID_PARENT", TFieldType::Integer, TParamDirection::Input},
                         {"PID_LOCATTYPE", TFieldType::Integer, TParamDirection::Input},
                         {"PNAME", TFieldType::String, TParamDirection::Input}},
                        [](const TRoutineDesc&, const std::vector<TBoundValue>&) {
                            TCallResult r;
                            r.OutValues.emplace_back("RESULT", 42);
                            return r;
                        });
        session.AdoptConnection(&conn);
        query.setObjectName("oqObjectDelete");
        query.SetSession(&session);
    }

    FakeConnection conn;
    TOraSession session;
    TOraQuery query;
};

}  // namespace

TEST_F(OraQueryTest, MacrosAreFoundInTheTextAndMatchedWithoutCase) {
    query.SetSQL({"SELECT * FROM &shema.T", "&ORDER &FIELD", "WHERE NAME = '&notamacro' -- &nor"});
    ASSERT_EQ(query.Macros().Count(), 3);
    EXPECT_EQ(query.Macros().Items(0).Name(), "shema");
    EXPECT_EQ(query.Macros().Items(2).Name(), "FIELD");
    EXPECT_EQ(&query.MacroByName("Shema"), &query.Macros().Items(0));
    EXPECT_EQ(query.FindMacro("notamacro"), nullptr);
    EXPECT_THROW(query.MacroByName("nor"), EDatabaseError);

    query.MacroByName("SHEMA").SetValue("qxvbase");
    query.MacroByName("order").SetValue("ORDER BY");
    query.MacroByName("field").SetValue("ID");
    EXPECT_EQ(query.FinalSQL(),
              "SELECT * FROM qxvbase.T\nORDER BY ID\nWHERE NAME = '&notamacro' -- &nor");

    // An inactive macro expands to nothing.
    query.MacroByName("ORDER").SetActive(false);
    query.MacroByName("FIELD").SetActive(false);
    EXPECT_EQ(query.FinalSQL().section('\n', 1, 1), " ");

    // New text: macros that remain keep value and state.
    query.SetSQL({"SELECT * FROM &SHEMA.X &order"});
    ASSERT_EQ(query.Macros().Count(), 2);
    EXPECT_EQ(query.MacroByName("shema").Value(), "qxvbase");
    EXPECT_FALSE(query.MacroByName("ORDER").Active());
    EXPECT_EQ(query.FinalSQL(), "SELECT * FROM qxvbase.X ");
}

TEST_F(OraQueryTest, ParamsAreFoundOutsideLiteralsCommentsAndAssignments) {
    query.SetSQL({"SELECT ':NOTPARAM', x::text, \"a:b\" FROM t /* :HIDDEN */",
                  "WHERE id = :PID AND p = :pid_parent -- :GONE", "AND q = :PID"});
    ASSERT_EQ(query.Params().Count(), 2);
    EXPECT_EQ(query.Params()[0].Name(), "PID");
    EXPECT_EQ(query.Params()[1].Name(), "pid_parent");

    query.ParamByName("pid").SetAsInteger(5);
    query.SetSQL({"begin", ":RESULT := x.P.F(:PID, :PNAME);", "end;"});
    ASSERT_EQ(query.Params().Count(), 3);
    EXPECT_EQ(query.Params()[0].Name(), "RESULT");       // ":=" is not a parameter
    EXPECT_EQ(query.ParamByName("PID").AsInteger(), 5);  // kept across the change
    EXPECT_TRUE(query.ParamByName("PNAME").IsNull());
}

TEST_F(OraQueryTest, MacroValuesNeverCreateParamsOrReachOtherMacros) {
    query.SetSQL({"SELECT * FROM T WHERE A = :A &FILTER"});
    query.MacroByName("FILTER").SetValue("AND B = ':X' AND C = :Y -- it's &shema");
    ASSERT_EQ(query.Params().Count(), 1);
    EXPECT_EQ(query.Macros().Count(), 1);
    EXPECT_EQ(query.FinalSQL(),
              "SELECT * FROM T WHERE A = :A AND B = ':X' AND C = :Y -- it's &shema");

    // Only the query's own parameters are bound.
    query.ParamByName("A").SetAsInteger(1);
    query.Open();
    ASSERT_EQ(conn.Records().back().What, FakeConnection::TRecord::Kind::Query);
    ASSERT_EQ(conn.Records().back().Values.size(), 1u);
    EXPECT_EQ(conn.Records().back().Values[0].Name, "A");
}

TEST_F(OraQueryTest, ThreeLineFunctionBlockBecomesARoutineCall) {
    query.SetSQL(kDeleteBlock);
    EXPECT_TRUE(query.IsPLSQL());
    query.MacroByName("shema").SetValue("qxvbase");
    query.ParamByName("PID").SetAsInteger(7);
    query.ExecSQL();

    const auto calls = conn.Calls("qxvbase.QXVERPLOCAT.DEL_T#LOCATION");
    ASSERT_EQ(calls.size(), 1u);
    bool bound = false;
    EXPECT_EQ(calls[0].Value("PID", &bound).toInt(), 7);
    EXPECT_TRUE(bound);
    EXPECT_EQ(calls[0].Values.size(), 1u);
    EXPECT_EQ(query.ParamByName("RESULT").AsInteger(), 1);

    // NULL travels as NULL, and the result follows the new call; the routine is described once.
    query.ParamByName("PID").Clear();
    query.ExecSQL();
    EXPECT_TRUE(conn.Calls().back().Value("PID").isNull());
    EXPECT_EQ(query.ParamByName("RESULT").AsInteger(), -1);
    EXPECT_EQ(conn.CountOf(FakeConnection::TRecord::Kind::Describe), 1);
    EXPECT_EQ(conn.CountOf(FakeConnection::TRecord::Kind::Execute), 0);  // never sent as text
}

TEST_F(OraQueryTest, CallBlocksAreRecognisedInAnyCaseAndLayout) {
    const QStringList variants[] = {
        {"BEGIN :Result:=&SHEMA . qxverplocat . del_t#location ( :pid ) ; END ;"},
        {"  begin", "  -- remove one place",
         "  :RESULT :=", "    &shema.QXVERPLOCAT.DEL_T#LOCATION(", "      :PID);", "end;", ""},
        {"Begin :RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATION(PID => :PID); End"},
    };
    int expected = 0;
    for (const QStringList& sql : variants) {
        query.SetSQL(sql);
        query.MacroByName("shema").SetValue("qxvbase");
        query.ParamByName("pid").SetAsInteger(3);
        query.ExecSQL();
        ++expected;
        ASSERT_EQ(conn.Calls().size(), static_cast<size_t>(expected))
            << sql.join('\n').toStdString();
        EXPECT_EQ(conn.Calls().back().Value("PID").toInt(), 3);
        EXPECT_EQ(query.ParamByName("result").AsInteger(), 1);
    }
}

TEST_F(OraQueryTest, LiteralArgumentsAndProcedureBlocks) {
    bool called = false;
    conn.AddRoutine("qxvbase.QXVERPLOCAT.SET_T#LOCATABBREV_BMP",
                    {{"PID", TFieldType::Integer, TParamDirection::Input},
                     {"PBMP16#16", TFieldType::Blob, TParamDirection::Input}},
                    [&](const TRoutineDesc&, const std::vector<TBoundValue>&) {
                        called = true;
                        return TCallResult{};
                    });
    query.SetSQL({"begin qxvbase.QXVERPLOCAT.SET_T#LOCATABBREV_BMP(12, :PBMP); end;"});
    query.ParamByName("PBMP").SetAsBytes(QByteArray("BM\0\x01", 4));
    query.ExecSQL();
    EXPECT_TRUE(called);
    EXPECT_EQ(conn.Calls().back().Value("PID").toInt(), 12);
    EXPECT_EQ(conn.Calls().back().Value("PBMP16#16").toByteArray(), QByteArray("BM\0\x01", 4));

    query.SetSQL(
        {"begin :R := qxvbase.QXVERPLOCAT.INS_T#LOCATION(NULL, 2.5, 'O''Hara; --'); end;"});
    query.ExecSQL();
    const auto call = conn.Calls().back();
    bool bound = false;
    EXPECT_TRUE(call.Value("PID_PARENT", &bound).isNull());
    EXPECT_TRUE(bound);
    EXPECT_DOUBLE_EQ(call.Value("PID_LOCATTYPE").toDouble(), 2.5);
    EXPECT_EQ(call.Value("PNAME").toString(), "O'Hara; --");
    EXPECT_EQ(query.ParamByName("R").AsInteger(), 42);
}

TEST_F(OraQueryTest, OtherTextGoesToTheEngineAsItStands) {
    conn.SetExecuteHandler([](const QString&, const std::vector<TBoundValue>&) { return 3LL; });
    query.SetSQL({"UPDATE T SET NAME = :N WHERE ID = :ID"});
    query.ParamByName("N").SetAsString("x");
    query.ParamByName("ID").SetAsInteger(1);
    query.ExecSQL();
    EXPECT_EQ(query.RowsAffected(), 3);
    EXPECT_FALSE(query.IsPLSQL());
    EXPECT_EQ(conn.Records().back().Values.size(), 2u);
}

// Two statements in one block are not a single call, and a schema goes into the text only as
// a plain identifier: refused on the client, nothing reaches the engine.
TEST_F(OraQueryTest, NoSingleCallOrASchemaThatIsNoIdentifierNeverReachesTheEngine) {
    const QStringList select = {"SELECT * FROM &shema.LOCATION"};
    const struct {
        QStringList sql;
        const char* schema;
    } cases[] = {
        {{"begin", "  qxvbase.QXVERPLOCAT.DEL_T#LOCATION(:PID);", "  x.y.z(1);", "end;"}, ""},
        {kDeleteBlock, "qxvbase.QXVERPLOCAT.DEL_T#LOCATION(1); drop--"},
        {kDeleteBlock, "q\"x"},
        {select, "qxvbase.LOCATION; DELETE FROM qxvbase"},
        {select, ""},
        {select, "1abc"},
        {select, "a b"},
        {select, "\"a\".\"b\""},
        {select, "\"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schema);
        query.SetSQL(c.sql);
        if (TMacro* schema = query.FindMacro("shema")) schema->SetValue(c.schema);
        EXPECT_EQ(RaisedBy([&] { query.IsPLSQL() ? query.ExecSQL() : query.Open(); }).Component,
                  &query);
    }
    EXPECT_TRUE(conn.Records().empty());
}

TEST_F(OraQueryTest, EngineErrorsReachTheCallerWithTheComponent) {
    conn.SetCallHandler("qxvbase.QXVERPLOCAT.DEL_T#LOCATION",
                        [](const TRoutineDesc&, const std::vector<TBoundValue>&) -> TCallResult {
                            throw EOraError::Make(OraCode::ChildRecordFound,
                                                  "integrity constraint (QXVBASE.FK_X) violated - "
                                                  "child record found");
                        });
    query.SetSQL(kDeleteBlock);
    query.MacroByName("shema").SetValue("qxvbase");
    query.ParamByName("PID").SetAsInteger(1);
    EXPECT_EQ(RaisedBy([&] { query.ExecSQL(); }), (TRaised{OraCode::ChildRecordFound, &query}));
    // An unknown routine fails at Prepare already, and so do arguments that match no routine.
    query.MacroByName("shema").SetValue("nobody");
    EXPECT_EQ(RaisedBy([&] { query.Prepare(); }), (TRaised{OraCode::NoSuchRoutine, &query}));
    EXPECT_FALSE(query.Prepared());
    query.SetSQL({"begin :RESULT := qxvbase.QXVERPLOCAT.DEL_T#LOCATION(:A, :B); end;"});
    EXPECT_EQ(RaisedBy([&] { query.ExecSQL(); }), (TRaised{OraCode::NoSuchRoutine, &query}));
    query.SetSQL({"begin qxvbase.QXVERPLOCAT.DEL_T#LOCATION(:PID); end;"});  // a function
    EXPECT_NE(RaisedBy([&] { query.ExecSQL(); }).Component, nullptr);
    EXPECT_EQ(conn.Calls().size(), 1u);  // only the first reached the routine
}

TEST_F(OraQueryTest, PreparingASelectChecksItAndGivesItsFields) {
    conn.SetQueryHandler([](const QString& sql, const std::vector<TBoundValue>& params) {
        if (sql.contains("NO_SUCH_TABLE"))
            throw EOraError::Make(942, "table or view does not exist");
        TRowSet rows;
        rows.Columns = {{"ID", TFieldType::Integer}, {"NAME", TFieldType::String}};
        if (!params.empty()) rows.Rows.push_back({params[0].Value, "x"});  // the bound value back
        return rows;
    });
    query.SetSQL({"SELECT ID, NAME FROM &shema.LOCATION WHERE ID_PARENT = :PID;  -- one level"});
    query.MacroByName("shema").SetValue("qxvbase");
    query.ParamByName("PID").SetAsInteger(4);
    query.Prepare();
    EXPECT_TRUE(query.Prepared());
    EXPECT_FALSE(query.Active());
    ASSERT_EQ(query.FieldCount(), 2);
    query.FieldByName("NAME").SetDisplayLabel("Name");

    const auto& rec = conn.Records().back();
    EXPECT_EQ(rec.What, FakeConnection::TRecord::Kind::Query);
    EXPECT_TRUE(rec.Name.contains("FROM qxvbase.LOCATION WHERE ID_PARENT = :PID"));
    EXPECT_FALSE(rec.Name.contains(';'));
    EXPECT_EQ(rec.Value("PID").toInt(), 4);

    // The fields made by Prepare are the ones the open fills; a refresh binds the values anew.
    query.Open();
    EXPECT_EQ(query.FieldByName("NAME").DisplayLabel(), "Name");
    EXPECT_EQ(query.FieldByName("ID").AsInteger(), 4);
    query.ParamByName("PID").SetAsInteger(5);
    query.Refresh();
    EXPECT_EQ(query.FieldByName("ID").AsInteger(), 5);

    query.Close();
    query.SetSQL({"SELECT * FROM NO_SUCH_TABLE"});
    EXPECT_EQ(RaisedBy([&] { query.Prepare(); }), (TRaised{942, &query}));
    EXPECT_FALSE(query.Prepared());
}

TEST(OraQuerySession, UsesTheDefaultSessionAndFailsWithoutAny) {
    TOraQuery query;
    query.SetSQL({"SELECT 1 FROM DUAL"});
    TOraSession::SetDefaultSession(nullptr);
    EXPECT_EQ(RaisedBy([&] { query.Open(); }), (TRaised{OraCode::NotConnected, &query}));

    FakeConnection conn;
    {
        TOraSession session;
        session.AdoptConnection(&conn);
        TOraSession::SetDefaultSession(&session);
        query.Open();
        EXPECT_EQ(conn.Records().size(), 1u);
        query.Close();
    }
    EXPECT_EQ(TOraSession::DefaultSession(), nullptr);  // a destroyed default is forgotten
}
