// The embedded engine's own behaviour, beyond what both engines share: connection strings,
// schema files attached on demand, the savepoint around a routine, how raw engine errors
// are reported, and how values travel.

#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/Sqlite/SqliteRoutines.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/TempDir.h"

namespace {

int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOraError& e) {
        return e.ErrorCode();
    }
    return 0;
}

QString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOraError& e) {
        return e.Message();
    }
    return {};
}

long long Number(IDbConnection& db, const QString& sql, const std::vector<TBoundValue>& in = {}) {
    return db.Query(sql, in).Rows.at(0).at(0).toLongLong();
}

class SqliteBackend : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSqliteServer();
        FDb = OpenConnection(QStringLiteral("sqlite::memory:"));
        InstallServerSchema(*FDb, QStringLiteral("QXVBASE"));
    }
    std::unique_ptr<IDbConnection> FDb;
};

TEST(SqliteConnection, ConnectionStringGivesFileAndUser) {
    auto db = OpenConnection(QStringLiteral("sqlite::memory:?user=alice"));
    EXPECT_EQ(db->Scheme(), "sqlite");
    EXPECT_EQ(db->UserName(), "alice");
    EXPECT_EQ(db->Server(), ":memory:");
    EXPECT_EQ(OpenConnection(QStringLiteral("sqlite::memory:"))->UserName(), "QXVBASE");
    EXPECT_EQ(CodeOf([] { OpenConnection(QStringLiteral("sqlite:")); }), 12154);
    EXPECT_EQ(CodeOf([] { OpenConnection(QStringLiteral("sqlite:/no/such/folder/x.db")); }), 12154);
}

TEST(SqliteConnection, SchemasLiveInFilesBesideTheMainDatabase) {
    RegisterSqliteServer();
    TempDir dir;
    const QString path = dir.FilePath(QStringLiteral("main.db"));
    {
        auto db = OpenConnection(QStringLiteral("sqlite:") + path);
        EXPECT_EQ(CodeOf([&] { db->Describe("Geo", "QXVERPLOCAT", "GET_MAX_LEVEL"); }),
                  OraCode::NoSuchRoutine);
        EXPECT_FALSE(QFileInfo::exists(path + ".geo")) << "asking does not create a schema";
        InstallServerSchema(*db, QStringLiteral("Geo"));
        EXPECT_TRUE(QFileInfo::exists(path + ".geo"));
        db->Execute("INSERT INTO geo.LOCATABBREV (SNAME, NAME) VALUES (:S, :N)",
                    {{"S", "g"}, {"N", "Gorod"}});
        db->Commit();
        EXPECT_EQ(CodeOf([&] { InstallServerSchema(*db, QStringLiteral("main")); }),
                  OraCode::InvalidIdentifier);
    }
    // A new session attaches the schema when a statement or a routine first names it.
    auto db = OpenConnection(QStringLiteral("sqlite:") + path);
    EXPECT_EQ(Number(*db, "SELECT COUNT(*) FROM GEO.LOCATABBREV"), 1);
    auto other = OpenConnection(QStringLiteral("sqlite:") + path);
    const TRoutineDesc desc = other->Describe("geo", "QXVERPLOCAT", "GET_T#LOCATABBREV");
    EXPECT_EQ(other->Call(desc, {{"PID", -1}}).Cursor->Rows.size(), 1u);
    EXPECT_EQ(Number(*db, "PRAGMA geo.user_version"), 3);
}

TEST(SqliteConnection, CrossingMovesFromTwoSessionsNeverCloseACycle) {
    RegisterSqliteServer();
    TempDir dir;
    const QString cs = QStringLiteral("sqlite:") + dir.FilePath("shared.db") + "?timeout=50";
    auto a = OpenConnection(cs);
    InstallServerSchema(*a, QStringLiteral("qxvbase"));
    auto call = [](IDbConnection& db, const char* routine, const std::vector<TBoundValue>& in) {
        return db.Call(db.Describe("qxvbase", "QXVERPLOCAT", routine), in)
            .Value("RESULT")
            .toLongLong();
    };
    const long long g = call(*a, "INS_T#LOCATABBREV", {{"PSNAME", "g"}, {"PNAME", "Gorod"}});
    std::vector<long long> type(4);
    for (int level = 1; level <= 3; ++level)
        type[size_t(level)] = call(*a, "INS_T#LOCATTYPE", {{"PLEVEL#", level}, {"PID_ABBREV", g}});
    const long long x = call(*a, "INS_T#LOCATION",
                             {{"PID_PARENT", -1}, {"PID_LOCATTYPE", type[1]}, {"PNAME", "X"}});
    const long long y = call(*a, "INS_T#LOCATION",
                             {{"PID_PARENT", -1}, {"PID_LOCATTYPE", type[1]}, {"PNAME", "Y"}});
    a->Commit();

    auto b = OpenConnection(cs);
    a->StartTransaction();
    ASSERT_EQ(call(*a, "UPD_T#LOCATION_ID_PARENT", {{"PID", x}, {"PID_PARENT", y}}), 1);
    // While the first move is open, the crossing one cannot even start.
    EXPECT_EQ(CodeOf([&] {
                  call(*b, "UPD_T#LOCATION_ID_PARENT", {{"PID", y}, {"PID_PARENT", x}});
              }),
              54);
    b->Rollback();
    a->Commit();
    EXPECT_LT(call(*b, "UPD_T#LOCATION_ID_PARENT", {{"PID", y}, {"PID_PARENT", x}}), 1)
        << "after the first move, the second one would close a cycle";
    const TRowSet chain =
        b->Call(b->Describe("qxvbase", "QXVERPLOCAT", "GET_LOCATION_PARENTS"), {{"PID", x}})
            .Cursor.value();
    ASSERT_EQ(chain.Rows.size(), 2u);
    EXPECT_EQ(chain.Rows[0][0].toLongLong(), y);
    EXPECT_TRUE(chain.Rows[0][1].isNull());
}

TEST_F(SqliteBackend, AFailingRoutineLeavesNothingBehindButKeepsTheSession) {
    RegisterSqliteRoutine(
        "QXVTEST", "HALF_DONE", {{"RESULT", TFieldType::Integer, TParamDirection::Result}},
        [](TSqliteRoutineContext& ctx, const QString& s, const TSqliteInputs&) -> TCallResult {
            ctx.Execute(QStringLiteral("INSERT INTO \"%1\".LOCATABBREV (SNAME, NAME) "
                                       "VALUES ('half', 'Half')")
                            .arg(s.toLower()),
                        {});
            throw std::runtime_error("gave up");
        });
    FDb->Execute(
        "INSERT INTO ALL_OBJECTS (OWNER, OBJECT_NAME, OBJECT_TYPE) VALUES ('QXVBASE', "
        "'QXVTEST', 'PACKAGE')",
        {});
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('kept', 'Before')", {});

    const TRoutineDesc desc = FDb->Describe("QXVBASE", "QXVTEST", "HALF_DONE");
    const QString message = MessageOf([&] { FDb->Call(desc, {}); });
    EXPECT_TRUE(message.contains("HALF_DONE")) << message.toStdString();
    EXPECT_TRUE(message.contains("gave up")) << message.toStdString();
    EXPECT_EQ(CodeOf([&] { FDb->Call(desc, {}); }), OraCode::UserDefined);

    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV WHERE SNAME = 'half'"), 0);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV WHERE SNAME = 'kept'"), 1)
        << "the session's earlier work survives the failed call";
}

TEST_F(SqliteBackend, RawEngineErrorsReadLikeTheServers) {
    const QString notNull = MessageOf([&] {
        FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('x', NULL)", {});
    });
    EXPECT_TRUE(notNull.startsWith("ORA-01400: ")) << notNull.toStdString();
    EXPECT_TRUE(notNull.contains("(\"QXVBASE\".\"LOCATABBREV\".\"NAME\")"))
        << notNull.toStdString();

    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('g', 'Gorod')", {});
    const QString check = MessageOf([&] {
        FDb->Execute("INSERT INTO qxvbase.LOCATTYPE (LEVEL_NO, ID_ABBREV) VALUES (99, 1)", {});
    });
    EXPECT_EQ(check, "ORA-02290: check constraint (QXVBASE.CK_LOCATTYPE_LEVEL) violated\n");
    const QString parent = MessageOf([&] {
        FDb->Execute(
            "INSERT INTO qxvbase.LOCATION (ID_PARENT, ID_LOCATTYPE, NAME) VALUES (77, 1, 'x')", {});
    });
    EXPECT_TRUE(parent.startsWith("ORA-02291: integrity constraint (QXVBASE.FK_LOCATION_"))
        << parent.toStdString();

    // A table of our own with an unnamed unique column still reports code 1.
    FDb->Execute("CREATE TEMP TABLE T_CODES (CODE TEXT UNIQUE)", {});
    FDb->Execute("INSERT INTO T_CODES VALUES ('a')", {});
    const QString unique = MessageOf([&] { FDb->Execute("INSERT INTO T_CODES VALUES ('a')", {}); });
    EXPECT_TRUE(unique.startsWith("ORA-00001: unique constraint (QXVBASE.UK_T_CODES_CODE)"))
        << unique.toStdString();

    EXPECT_EQ(CodeOf([&] { FDb->Query("SELECT * FROM NO_SUCH_TABLE", {}); }), 942);
    EXPECT_EQ(CodeOf([&] { FDb->Query("SELECT NO_SUCH_COLUMN FROM DUAL", {}); }), 904);
    EXPECT_EQ(CodeOf([&] { FDb->Query("SELEC 1", {}); }), 900);
    EXPECT_EQ(CodeOf([&] { FDb->PackageVariable("QXVBASE", "QXVERPLOCAT", "GC_MULTI_LANG"); }),
              OraCode::NoSuchRoutine);
    EXPECT_EQ(CodeOf([&] { FDb->PackageVariable("QXVBASE", "LANG_PACK", "NO_SUCH_VARIABLE"); }),
              OraCode::NoSuchRoutine);
}

TEST_F(SqliteBackend, ValuesKeepTheirKindOnTheWayInAndOut) {
    FDb->Execute("CREATE TEMP TABLE T_VALUES (I INTEGER, F REAL, S TEXT, B BLOB, N TEXT)", {});
    const QByteArray bytes("\0\1\2'\"\0end", 10);
    const std::vector<TBoundValue> values{
        {":I", 41}, {"f", 2.5}, {"S", QStringLiteral("Ёж'; --")}, {"B", bytes}, {"N", QVariant()}};
    EXPECT_EQ(FDb->Execute("INSERT INTO T_VALUES VALUES (:i, :F, :S, :b, :n); -- first\n", values),
              1)
        << "names matched without regard to case or colon";
    EXPECT_EQ(FDb->Execute("INSERT INTO T_VALUES (I, S) VALUES (:I + 1, :s)", values), 1);
    const TRowSet rs =
        FDb->Query("SELECT I, F, S, B, N, NVL(N, 'none') AS D FROM T_VALUES ORDER BY I", {});
    ASSERT_EQ(rs.Rows.size(), 2u);
    EXPECT_EQ(rs.Columns[0].Type, TFieldType::Integer);
    EXPECT_EQ(rs.Columns[1].Type, TFieldType::Float);
    EXPECT_EQ(rs.Columns[2].Type, TFieldType::String);
    EXPECT_EQ(rs.Columns[3].Type, TFieldType::Blob);
    EXPECT_EQ(rs.Columns[5].Name, "D");
    EXPECT_EQ(rs.Rows[0][0].toLongLong(), 41);
    EXPECT_DOUBLE_EQ(rs.Rows[0][1].toDouble(), 2.5);
    EXPECT_EQ(rs.Rows[0][2].toString(), QStringLiteral("Ёж'; --"));
    EXPECT_EQ(rs.Rows[0][3].toByteArray(), bytes);
    EXPECT_TRUE(rs.Rows[0][4].isNull());
    EXPECT_EQ(rs.Rows[0][5].toString(), "none");
    EXPECT_EQ(rs.Rows[1][0].toLongLong(), 42);
    EXPECT_EQ(rs.Rows[1][2].toString(), QStringLiteral("Ёж'; --"));

    // A declared type wins over the value's: numbers sent as text to an integer column.
    FDb->Execute("INSERT INTO T_VALUES (I) VALUES (:I)", {{"I", "7", TFieldType::Integer}});
    EXPECT_EQ(Number(*FDb, "SELECT typeof(I) = 'integer' FROM T_VALUES WHERE I = 7"), 1);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM DUAL"), 1);
}

TEST_F(SqliteBackend, AnExplicitTransactionEndsOnlyWithCommitOrRollback) {
    FDb->StartTransaction();
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('a', 'A')", {});
    FDb->Rollback();
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV"), 0);
    FDb->StartTransaction();
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('a', 'A')", {});
    FDb->Commit();
    FDb->Rollback();
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV"), 1);
    // Outside one, a statement is kept at once and a rollback has nothing to undo.
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('b', 'B')", {});
    FDb->Rollback();
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV"), 2);
    FDb->Commit();
    FDb->Commit();  // nothing open: harmless
}

TEST_F(SqliteBackend, InstallIsVersionedAndSeedsOnce) {
    const long long messages = Number(*FDb, "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES");
    EXPECT_GT(messages, 0);
    EXPECT_EQ(Number(*FDb,
                     "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES WHERE \"ErrorCode\" = 1 AND "
                     "\"Constraint\" = 'UK_LOCATABBREV_SNAME'"),
              1);
    InstallServerSchema(*FDb, QStringLiteral("qxvbase"));
    RegisterSqliteServer();
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES"), messages);
    EXPECT_EQ(Number(*FDb, "PRAGMA qxvbase.user_version"), 3);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM ALL_OBJECTS WHERE OWNER = 'QXVBASE'"), 5);

    // A schema of the first version gains what came later and keeps its rows.
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('old', 'Old')", {});
    FDb->ExecuteScript(
        "DROP TABLE qxvbase.DFM; DROP TABLE qxvbase.DPR; "
        "PRAGMA qxvbase.user_version = 1");
    EXPECT_EQ(CodeOf([&] { FDb->Query("SELECT COUNT(*) FROM qxvbase.DPR", {}); }), 942);
    InstallServerSchema(*FDb, QStringLiteral("qxvbase"));
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.DPR"), 0);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV"), 1);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES"), messages);
    EXPECT_EQ(Number(*FDb, "PRAGMA qxvbase.user_version"), 3);

    // A second schema in the same session is separate.
    InstallServerSchema(*FDb, QStringLiteral("other"));
    FDb->Execute("INSERT INTO other.LOCATABBREV (SNAME, NAME) VALUES ('g', 'Gorod')", {});
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV WHERE SNAME = 'g'"), 0);
    const QString dup = MessageOf([&] {
        FDb->Execute("INSERT INTO other.LOCATABBREV (SNAME, NAME) VALUES ('g', 'Again')", {});
    });
    EXPECT_EQ(dup, "ORA-00001: unique constraint (OTHER.UK_LOCATABBREV_SNAME) violated\n");
}

}  // namespace
