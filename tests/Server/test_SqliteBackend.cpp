// The embedded engine's own behaviour, beyond what both engines share: connection strings,
// schema files attached on demand, the savepoint around a routine, how raw engine errors
// are reported, and how values travel.

#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/Sqlite/SqliteRoutines.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/OraErrorOf.h"
#include "support/TempDir.h"

namespace {

long long Number(IDbConnection& db, const QString& sql, const std::vector<TBoundValue>& in = {}) {
    return db.Query(sql, in).Rows.at(0).at(0).toLongLong();
}

class SqliteBackend : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSqliteServer();
        FDb = OpenConnection("sqlite::memory:");
        InstallServerSchema(*FDb, "QXVBASE");
    }
    std::unique_ptr<IDbConnection> FDb;
};

TEST(SqliteConnection, ConnectionStringGivesFileAndUser) {
    auto db = OpenConnection("sqlite::memory:?user=alice");
    EXPECT_EQ(db->Scheme(), "sqlite");
    EXPECT_EQ(db->UserName(), "alice");
    EXPECT_EQ(db->Server(), ":memory:");
    EXPECT_EQ(OpenConnection("sqlite::memory:")->UserName(), "QXVBASE");
    EXPECT_EQ(CodeOf([] { OpenConnection("sqlite:"); }), 12154);
    EXPECT_EQ(CodeOf([] { OpenConnection("sqlite:/no/such/folder/x.db"); }), 12154);
}

TEST(SqliteConnection, SchemasLiveInFilesBesideTheMainDatabase) {
    RegisterSqliteServer();
    TempDir dir;
    const QString path = dir.FilePath("main.db");
    {
        auto db = OpenConnection(QStringLiteral("sqlite:") + path);
        EXPECT_EQ(CodeOf([&] { db->Describe("Geo", "QXVERPLOCAT", "GET_MAX_LEVEL"); }),
                  OraCode::NoSuchRoutine);
        EXPECT_FALSE(QFileInfo::exists(path + ".geo")) << "asking does not create a schema";
        InstallServerSchema(*db, "Geo");
        EXPECT_TRUE(QFileInfo::exists(path + ".geo"));
        db->Execute("INSERT INTO geo.LOCATABBREV (SNAME, NAME) VALUES (:S, :N)",
                    {{"S", "g"}, {"N", "Gorod"}});
        db->Commit();
        EXPECT_EQ(CodeOf([&] { InstallServerSchema(*db, "main"); }), OraCode::InvalidIdentifier);
    }
    // A new session attaches the schema when a statement or a routine first names it.
    auto db = OpenConnection(QStringLiteral("sqlite:") + path);
    EXPECT_EQ(Number(*db, "SELECT COUNT(*) FROM GEO.LOCATABBREV"), 1);
    auto other = OpenConnection(QStringLiteral("sqlite:") + path);
    const TRoutineDesc desc = other->Describe("geo", "QXVERPLOCAT", "GET_T#LOCATABBREV");
    EXPECT_EQ(other->Call(desc, {{"PID", -1}}).Cursor->Rows.size(), 1u);
    EXPECT_EQ(Number(*db, "PRAGMA geo.user_version"), 9);
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

    // A table of our own with an unnamed unique column still reports code 1.
    FDb->Execute("CREATE TEMP TABLE T_CODES (CODE TEXT UNIQUE)", {});
    FDb->Execute("INSERT INTO T_CODES VALUES ('a')", {});
    const QString unique = MessageOf([&] { FDb->Execute("INSERT INTO T_CODES VALUES ('a')", {}); });
    EXPECT_TRUE(unique.startsWith("ORA-00001: unique constraint (QXVBASE.UK_T_CODES_CODE)"))
        << unique.toStdString();

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
        {":I", 41}, {"f", 2.5}, {"S", "Ёж'; --"}, {"B", bytes}, {"N", QVariant()}};
    EXPECT_EQ(FDb->Execute("INSERT INTO T_VALUES VALUES (:i, :F, :S, :b, :n); -- first\n", values),
              1)
        << "names matched without regard to case or colon";
    EXPECT_EQ(FDb->Execute("INSERT INTO T_VALUES (I, S) VALUES (:I + 1, :s)", values), 1);
    const TRowSet rs =
        FDb->Query("SELECT I, F, S, B, N, NVL(N, 'none') AS D FROM T_VALUES ORDER BY I", {});
    ASSERT_EQ(rs.Rows.size(), 2u);
    const std::vector<TFieldType> types{TFieldType::Integer, TFieldType::Float, TFieldType::String,
                                        TFieldType::Blob};
    for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(rs.Columns[i].Type, types[i]) << i;
    EXPECT_EQ(rs.Columns[5].Name, "D");
    EXPECT_EQ(rs.Rows[0][0].toLongLong(), 41);
    EXPECT_DOUBLE_EQ(rs.Rows[0][1].toDouble(), 2.5);
    EXPECT_EQ(rs.Rows[0][2].toString(), "Ёж'; --");
    EXPECT_EQ(rs.Rows[0][3].toByteArray(), bytes);
    EXPECT_TRUE(rs.Rows[0][4].isNull());
    EXPECT_EQ(rs.Rows[0][5].toString(), "none");
    EXPECT_EQ(rs.Rows[1][0].toLongLong(), 42);
    EXPECT_EQ(rs.Rows[1][2].toString(), "Ёж'; --");

    // A declared type wins over the value's: numbers sent as text to an integer column.
    FDb->Execute("INSERT INTO T_VALUES (I) VALUES (:I)", {{"I", "7", TFieldType::Integer}});
    EXPECT_EQ(Number(*FDb, "SELECT typeof(I) = 'integer' FROM T_VALUES WHERE I = 7"), 1);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM DUAL"), 1);
}

// Seeding once and keeping the rows are common to both engines; here the version.
TEST_F(SqliteBackend, InstallIsVersionedAndUpgradesAnOldSchema) {
    const long long messages = Number(*FDb, "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES");
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM ALL_OBJECTS WHERE OWNER = 'QXVBASE'"), 5);

    // A schema of the first version gains what came later and keeps its rows.
    FDb->Execute("INSERT INTO qxvbase.LOCATABBREV (SNAME, NAME) VALUES ('old', 'Old')", {});
    FDb->ExecuteScript(
        "DROP TABLE qxvbase.DFM; DROP TABLE qxvbase.DPR; "
        "PRAGMA qxvbase.user_version = 1");
    EXPECT_EQ(CodeOf([&] { FDb->Query("SELECT COUNT(*) FROM qxvbase.DPR", {}); }), 942);
    InstallServerSchema(*FDb, "qxvbase");
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.DPR"), 0);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV"), 1);
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.ERROR_MESSAGES"), messages);
    EXPECT_EQ(Number(*FDb, "PRAGMA qxvbase.user_version"), 9);

    // A second schema in the same session is separate.
    InstallServerSchema(*FDb, "other");
    FDb->Execute("INSERT INTO other.LOCATABBREV (SNAME, NAME) VALUES ('g', 'Gorod')", {});
    EXPECT_EQ(Number(*FDb, "SELECT COUNT(*) FROM qxvbase.LOCATABBREV WHERE SNAME = 'g'"), 0);
    const QString dup = MessageOf([&] {
        FDb->Execute("INSERT INTO other.LOCATABBREV (SNAME, NAME) VALUES ('g', 'Again')", {});
    });
    EXPECT_EQ(dup, "ORA-00001: unique constraint (OTHER.UK_LOCATABBREV_SNAME) violated\n");
}

}  // namespace
