// The PostgreSQL engine behind IDbConnection: parameters, quoting, errors,
// transactions and the catalogue answers the client relies on.

#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "Platform/Data/Postgres/PgSqlText.h"
#include "Server/InstalledSchema.h"
#include "support/OraErrorOf.h"
#include "support/TempDir.h"

namespace {

// --- Statement text ---------------------------------------------------------

// Named parameters become positional once per name; colons inside literals, comments,
// casts and dollar quotes are left alone; names may carry # and $.
TEST(PgSqlText, NamedParametersBecomePositionalOncePerName) {
    const QString literals =
        "SELECT 'a :x '' :y', \"col:z\", v::integer, $f$ x := :w $f$ -- :c\n/* :d */ FROM t WHERE "
        "k = ";
    const struct {
        QString Sql, Converted, Names;
    } cases[] = {
        {"SELECT * FROM t WHERE a = :Id AND b = :NAME OR c = :id",
         "SELECT * FROM t WHERE a = $1 AND b = $2 OR c = $1", "ID NAME"},
        {literals + ":K", literals + "$1", "K"},
        {"SELECT :PLEVEL#, :A$B", "SELECT $1, $2", "PLEVEL# A$B"},
    };
    for (const auto& c : cases) {
        const auto converted = PgSqlText::ConvertParameters(c.Sql);
        EXPECT_EQ(converted.Sql, c.Converted);
        EXPECT_EQ(converted.Names.join(u' '), c.Names);
    }
}

TEST(PgSqlText, ArraysWithQuotedAndNullElements) {
    EXPECT_EQ(PgSqlText::ParseTextArray("{PID,\"PLEVEL#\",\"a b\",\"q\\\"x\"}"),
              QStringList({"PID", "PLEVEL#", "a b", "q\"x"}));
    const QStringList withNull = PgSqlText::ParseTextArray("{i,NULL,\"NULL\"}");
    ASSERT_EQ(withNull.size(), 3);
    EXPECT_TRUE(withNull[1].isNull());
    EXPECT_EQ(withNull[2], "NULL");
    EXPECT_TRUE(PgSqlText::ParseTextArray("{}").isEmpty());
    // An oidvector cast to an array keeps its zero-based bounds.
    EXPECT_EQ(PgSqlText::ParseTextArray("[0:1]={1043,23}"), QStringList({"1043", "23"}));
}

// --- Connection -------------------------------------------------------------

TEST(PostgresConnection, ReportsUserAndServerOrAnOraErrorWhenUnreachable) {
    EXPECT_EQ(
        CodeOf([] { OpenConnection("postgresql://nobody@127.0.0.1:1/none?connect_timeout=2"); }),
        12154);
    const QString dsn = PgDsnOrSkip();
    QXV_REQUIRE_PG(dsn);
    const auto db = OpenConnection(dsn);
    EXPECT_EQ(db->Scheme(), "postgresql");
    EXPECT_EQ(db->UserName(),
              db->Query("SELECT current_user AS u", {}).Rows.at(0).at(0).toString().toUpper());
    EXPECT_TRUE(db->Server().contains(QRegularExpression(":\\d+$"))) << db->Server().toStdString();
}

// --- Routines ---------------------------------------------------------------

using PostgresBackend = InstalledSchemaTest;

// What one traced session sent to the server: round trips (a Sync ends each pipeline, a
// Query is one simple statement), the statements it prepared and the runs of them.
struct TWireCounts {
    int RoundTrips = 0;
    int Prepared = 0;
    int Executed = 0;
    bool operator==(const TWireCounts&) const = default;
};

TWireCounts CountMessages(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    TWireCounts counts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() < 3 || parts[0] != "F") continue;
        if (parts[2] == "Sync" || parts[2] == "Query") ++counts.RoundTrips;
        if (parts[2] == "Parse" && !line.contains("\t \"\" ")) ++counts.Prepared;
        if (parts[2] == "Bind" && line.contains("\t \"\" \"qxv_")) ++counts.Executed;
    }
    return counts;
}

TEST_P(PostgresBackend, ACallIsOneRoundTripAndItsStatementIsPreparedOncePerSession) {
    TempDir temp;
    // One session per number of calls; the difference is what the extra calls cost.
    auto session = [&](int calls) {
        const QString trace = temp.FilePath(QStringLiteral("trace%1.txt").arg(calls));
        qputenv("QXV_PG_TRACE", trace.toLocal8Bit());
        const auto db = OpenConnection(FConnectString);
        qunsetenv("QXV_PG_TRACE");
        const TRoutineDesc insert = db->Describe(FSchema, "QXVERPLOCAT", "INS_T#LOCATABBREV");
        const TRoutineDesc read = db->Describe(FSchema, "QXVERPLOCAT", "GET_T#LOCATABBREV");
        auto add = [&](const QString& name) {
            db->Call(insert, {{"PSNAME", name}, {"PNAME", name}});
            db->Call(read, {{"PID", -1}});
        };
        for (int i = 0; i < calls; ++i) add(QStringLiteral("a%1_%2").arg(calls).arg(i));
        db->StartTransaction();
        for (int i = 0; i < calls; ++i) add(QStringLiteral("t%1_%2").arg(calls).arg(i));
        // A call that fails inside the transaction costs its own rollback, and nothing else.
        EXPECT_THROW(add("a short name far too long"), EOraError);
        db->Commit();
        return CountMessages(trace);
    };
    const TWireCounts one = session(1);
    const TWireCounts six = session(6);
    // Five more calls of each routine, outside and inside the transaction.
    EXPECT_EQ((TWireCounts{six.RoundTrips - one.RoundTrips, six.Prepared - one.Prepared,
                           six.Executed - one.Executed}),
              (TWireCounts{20, 0, 20}));
    // Each routine and the catalogue look-up were prepared once (and the session's first
    // question); the transaction's BEGIN travelled with its first call.
    EXPECT_EQ(one.Prepared, 4);
    EXPECT_EQ(Count("LOCATABBREV"), 14);
}

// Faults of the server side: the session killed in the middle of a call (between calls is the
// restart's test), and a statement that runs past its time. Each is one clear error; nothing of
// the failed call is kept; the next call works on the same connection object, reconnected where
// it had to be.
TEST_P(PostgresBackend, ALostOrTimedOutCallIsOneErrorAndTheSessionGoesOn) {
    const auto other = OpenConnection(FConnectString);
    auto pid = [this] { return FDb->Query("SELECT pg_backend_pid() AS p", {}).Rows.at(0).at(0); };
    auto terminate = [&other](const QVariant& target) {
        other->Query("SELECT pg_terminate_backend(CAST(:P AS integer)) AS t", {{"P", target}});
    };
    const struct {
        const char* Fault;
        std::function<void()> Act;  // must throw
        int Code;
    } faults[] = {
        {"killed in the middle of a call",
         [&] {
             const QVariant target = pid();
             std::thread killer([&] {
                 // Waits until the call is running on the server, then ends its session.
                 for (int i = 0; i < 200; ++i) {
                     const TRowSet active = other->Query(
                         QStringLiteral("SELECT count(*) AS n FROM pg_stat_activity WHERE pid = :P "
                                        "AND state = 'active'"),
                         {{"P", target}});
                     if (active.Rows.at(0).at(0).toInt() > 0) break;
                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                 }
                 terminate(target);
             });
             struct TJoin {
                 std::thread& T;
                 ~TJoin() { T.join(); }
             } join{killer};
             FDb->Query("SELECT pg_sleep(20) AS s", {});
         },
         OraCode::ConnectionLost},
        {"past its time",
         [&] {
             FDb->Execute("SET statement_timeout = 200", {});
             struct TReset {
                 IDbConnection& Db;
                 ~TReset() { Db.Execute("RESET statement_timeout", {}); }
             } reset{*FDb};
             FDb->Query("SELECT pg_sleep(20) AS s", {});
         },
         1013},
    };
    long long kept = 0;
    for (const auto& f : faults) {
        SCOPED_TRACE(f.Fault);
        const auto started = std::chrono::steady_clock::now();
        int code = -1;
        QString text;
        try {
            f.Act();
        } catch (const EOraError& e) {
            code = e.ErrorCode();
            text = e.Message();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(code, f.Code) << text.toStdString();
        EXPECT_EQ(Count(*other, "LOCATABBREV"), kept) << "nothing half-written";
        ASSERT_GT(AddAbbrev(QStringLiteral("ok%1").arg(kept), "ok"), 0) << "the session goes on";
        ++kept;
    }
}

QXV_ON_POSTGRESQL(PostgresBackend);

}  // namespace
