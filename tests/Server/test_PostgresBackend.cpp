// The PostgreSQL engine behind IDbConnection: parameters, quoting, errors,
// transactions and the catalogue answers the client relies on.

#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "Platform/Data/Postgres/PgSqlText.h"
#include "Server/PgTestSchema.h"
#include "support/TempDir.h"

namespace {

// --- Statement text ---------------------------------------------------------

TEST(PgSqlText, NamedParametersBecomePositionalOncePerName) {
    const auto c = PgSqlText::ConvertParameters(
        QStringLiteral("SELECT * FROM t WHERE a = :Id AND b = :NAME OR c = :id"));
    EXPECT_EQ(c.Sql, QStringLiteral("SELECT * FROM t WHERE a = $1 AND b = $2 OR c = $1"));
    EXPECT_EQ(c.Names, QStringList({QStringLiteral("ID"), QStringLiteral("NAME")}));
}

TEST(PgSqlText, ColonsInsideLiteralsCommentsAndCastsAreLeftAlone) {
    const QString sql = QStringLiteral(
        "SELECT 'a :x '' :y', \"col:z\", v::integer, $f$ x := :w $f$ -- :c\n"
        "/* :d */ FROM t WHERE k = :K");
    const auto c = PgSqlText::ConvertParameters(sql);
    EXPECT_EQ(c.Names, QStringList({QStringLiteral("K")}));
    EXPECT_EQ(c.Sql, QString(sql).replace(QStringLiteral(":K"), QStringLiteral("$1")));
}

TEST(PgSqlText, NamesMayCarryHashAndDollar) {
    const auto c = PgSqlText::ConvertParameters(QStringLiteral("SELECT :PLEVEL#, :A$B"));
    EXPECT_EQ(c.Names, QStringList({QStringLiteral("PLEVEL#"), QStringLiteral("A$B")}));
    EXPECT_EQ(c.Sql, QStringLiteral("SELECT $1, $2"));
}

TEST(PgSqlText, ArraysWithQuotedAndNullElements) {
    EXPECT_EQ(PgSqlText::ParseTextArray(QStringLiteral("{PID,\"PLEVEL#\",\"a b\",\"q\\\"x\"}")),
              QStringList({QStringLiteral("PID"), QStringLiteral("PLEVEL#"), QStringLiteral("a b"),
                           QStringLiteral("q\"x")}));
    const QStringList withNull = PgSqlText::ParseTextArray(QStringLiteral("{i,NULL,\"NULL\"}"));
    ASSERT_EQ(withNull.size(), 3);
    EXPECT_TRUE(withNull[1].isNull());
    EXPECT_EQ(withNull[2], QStringLiteral("NULL"));
    EXPECT_TRUE(PgSqlText::ParseTextArray(QStringLiteral("{}")).isEmpty());
    // An oidvector cast to an array keeps its zero-based bounds.
    EXPECT_EQ(PgSqlText::ParseTextArray(QStringLiteral("[0:1]={1043,23}")),
              QStringList({QStringLiteral("1043"), QStringLiteral("23")}));
}

// --- Connection -------------------------------------------------------------

TEST(PostgresConnection, ReportsUserAndServer) {
    const QString dsn = PgDsnOrSkip();
    QXV_REQUIRE_PG(dsn);
    const auto db = OpenConnection(dsn);
    EXPECT_EQ(db->Scheme(), QStringLiteral("postgresql"));
    const QString user =
        db->Query(QStringLiteral("SELECT current_user AS u"), {}).Rows.at(0).at(0).toString();
    EXPECT_EQ(db->UserName(), user.toUpper());
    EXPECT_TRUE(db->Server().contains(QRegularExpression(QStringLiteral(":\\d+$"))))
        << db->Server().toStdString();
}

TEST(PostgresConnection, UnreachableServerIsAnOraError) {
    try {
        OpenConnection(QStringLiteral("postgresql://nobody@127.0.0.1:1/none?connect_timeout=2"));
        FAIL() << "connected to a closed port";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 12154);
    }
}

// --- Routines ---------------------------------------------------------------

using PostgresBackend = PgSchemaTest;

TEST_F(PostgresBackend, DescribesCursorFunctionAndProcedureShapes) {
    const TRoutineDesc cursor =
        FDb->Describe(FSchema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"));
    ASSERT_EQ(cursor.Params.size(), 3u);
    EXPECT_EQ(cursor.Params[0].Name, QStringLiteral("PID"));
    EXPECT_EQ(cursor.Params[1].Name, QStringLiteral("PID_PARENT"));
    EXPECT_EQ(cursor.Params[2].Name, QStringLiteral("DATASET"));
    EXPECT_EQ(cursor.Params[2].Type, TFieldType::Cursor);
    EXPECT_FALSE(cursor.IsFunction());

    const TRoutineDesc function =
        FDb->Describe(FSchema, QStringLiteral("qxverplocat"), QStringLiteral("ins_t#locattype"));
    ASSERT_EQ(function.Params.size(), 3u);
    EXPECT_TRUE(function.IsFunction());
    EXPECT_EQ(function.Params[0].Type, TFieldType::Integer);
    EXPECT_EQ(function.Params[1].Name, QStringLiteral("PLEVEL#"));

    const TRoutineDesc procedure = FDb->Describe(FSchema, QStringLiteral("QXVERPLOCAT"),
                                                 QStringLiteral("SET_T#LOCATABBREV_BMP"));
    ASSERT_EQ(procedure.Params.size(), 2u);
    EXPECT_FALSE(procedure.IsFunction());
    EXPECT_EQ(procedure.Params[1].Type, TFieldType::Blob);
}

TEST_F(PostgresBackend, UnknownRoutineOrSchemaIs6550) {
    for (const auto& [schema, routine] :
         {std::pair{FSchema, QStringLiteral("NO_SUCH")},
          std::pair{QStringLiteral("no_such_schema"), QStringLiteral("GET_MAX_LEVEL")}}) {
        try {
            FDb->Describe(schema, QStringLiteral("QXVERPLOCAT"), routine);
            ADD_FAILURE() << "described " << routine.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), OraCode::NoSuchRoutine);
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("ORA-06550: ")));
        }
    }
}

TEST_F(PostgresBackend, SchemaNamesAreFoldedAndInjectionIsRefused) {
    // An unquoted name in any letter case reaches the same schema.
    const TRoutineDesc upper = FDb->Describe(FSchema.toUpper(), QStringLiteral("QXVERPLOCAT"),
                                             QStringLiteral("GET_MAX_LEVEL"));
    EXPECT_EQ(FDb->Call(upper, {}).Value(QStringLiteral("RESULT")).toLongLong(), 0);

    for (const QString& evil : {FSchema + QStringLiteral("\".x; DROP SCHEMA public; --"),
                                QStringLiteral("a b"), QStringLiteral("x'y"), QString()}) {
        try {
            FDb->Describe(evil, QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_MAX_LEVEL"));
            ADD_FAILURE() << "accepted schema " << evil.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), OraCode::InvalidIdentifier) << evil.toStdString();
        }
        EXPECT_THROW(InstallServerSchema(*FDb, evil), EOraError);
    }
    EXPECT_EQ(
        FDb->Query(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = 'public'"), {})
            .Rows.at(0)
            .at(0)
            .toLongLong(),
        1);
}

TEST_F(PostgresBackend, ValuesTravelBoundWhateverTheyContain) {
    const QString tricky = QStringLiteral("O'Brien \"; DROP TABLE x; -- :PNAME $1 ул.");
    const long long id = Locat(
        QStringLiteral("INS_T#LOCATABBREV"),
        {{QStringLiteral("PSNAME"), QStringLiteral("o'b")}, {QStringLiteral("pname"), tricky}});
    ASSERT_GT(id, 0);
    const TRowSet rows = Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATABBREV"),
                              {{QStringLiteral("PID"), id}})
                             .Cursor.value();
    ASSERT_EQ(rows.Rows.size(), 1u);
    EXPECT_EQ(rows.Columns[2].Name, QStringLiteral("NAME"));
    EXPECT_EQ(rows.Rows[0][2].toString(), tricky);
    EXPECT_TRUE(rows.Rows[0][3].isNull());

    // Free SQL binds the same way, NULLs and blobs included.
    const QByteArray blob("\x00\x01\xff'\\", 5);
    const TRowSet echo = FDb->Query(
        QStringLiteral("SELECT :TEXT::text AS t, :NOTHING::text AS n, :BLOB::bytea AS b, "
                       ":NUM + 1 AS next"),
        {{QStringLiteral("text"), tricky},
         {QStringLiteral("NOTHING"), QVariant()},
         {QStringLiteral("BLOB"), blob},
         {QStringLiteral("NUM"), 41}});
    ASSERT_EQ(echo.Columns.size(), 4u);
    EXPECT_EQ(echo.Columns[3].Name, QStringLiteral("NEXT"));
    EXPECT_EQ(echo.Rows[0][0].toString(), tricky);
    EXPECT_TRUE(echo.Rows[0][1].isNull());
    EXPECT_EQ(echo.Rows[0][2].toByteArray(), blob);
    EXPECT_EQ(echo.Rows[0][3].toLongLong(), 42);
}

// --- Errors -----------------------------------------------------------------

TEST_F(PostgresBackend, ConstraintViolationsReadAsOracleErrors) {
    const QString s = FSchema.toUpper();
    const long long abbrev = Locat(QStringLiteral("INS_T#LOCATABBREV"),
                                   {{QStringLiteral("PSNAME"), QStringLiteral("г.")},
                                    {QStringLiteral("PNAME"), QStringLiteral("город")}});
    const long long type =
        Locat(QStringLiteral("INS_T#LOCATTYPE"),
              {{QStringLiteral("PLEVEL#"), 1}, {QStringLiteral("PID_ABBREV"), abbrev}});
    ASSERT_GT(type, 0);

    auto expectError = [&](auto&& action, int code, const QString& message) {
        try {
            action();
            ADD_FAILURE() << "no error, expected " << message.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), code);
            EXPECT_EQ(e.Message(), message);
        }
    };
    expectError(
        [&] {
            FDb->Execute(
                QStringLiteral("INSERT INTO \"%1\".locatabbrev (sname, name) VALUES (:S, 'x')")
                    .arg(FSchema),
                {{QStringLiteral("S"), QStringLiteral("г.")}});
        },
        1,
        QStringLiteral("ORA-00001: unique constraint (%1.UK_LOCATABBREV_SNAME) violated\n").arg(s));
    expectError(
        [&] {
            Locat(QStringLiteral("INS_T#LOCATION"),
                  {{QStringLiteral("PID_PARENT"), 999999},
                   {QStringLiteral("PID_LOCATTYPE"), type},
                   {QStringLiteral("PNAME"), QStringLiteral("x")}});
        },
        2291,
        QStringLiteral("ORA-02291: integrity constraint (%1.FK_LOCATION_PARENT) violated - parent "
                       "key not found\n")
            .arg(s));
    expectError(
        [&] { FDb->Execute(QStringLiteral("DELETE FROM \"%1\".locatabbrev").arg(FSchema), {}); },
        2292,
        QStringLiteral("ORA-02292: integrity constraint (%1.FK_LOCATTYPE_ABBREV) violated - child "
                       "record found\n")
            .arg(s));
    expectError(
        [&] {
            // An object of another type than a place: no place needs to exist.
            Call(QStringLiteral("QXVERPINFORM"), QStringLiteral("INS_T#INFORMATION"),
                 {{QStringLiteral("POBJTYPE"), 2},
                  {QStringLiteral("POBJID"), 1},
                  {QStringLiteral("PINFOTYPE"), 8}});
        },
        2290,
        QStringLiteral("ORA-02290: check constraint (%1.CK_INFORMATION_INFOTYPE) violated\n")
            .arg(s));
    try {
        FDb->Query(QStringLiteral("SELECT * FROM \"%1\".no_table").arg(FSchema), {});
        ADD_FAILURE() << "read a table that does not exist";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 942);
        EXPECT_TRUE(e.Message().contains(QStringLiteral("no_table"))) << e.Message().toStdString();
    }
}

TEST_F(PostgresBackend, RoutineRaisingAnOracleNumberKeepsIt) {
    FDb->Execute(
        QStringLiteral(
            "CREATE FUNCTION \"%1\".\"QXVTEST.FAIL\"() RETURNS integer LANGUAGE plpgsql AS "
            "$$ BEGIN RAISE EXCEPTION 'ORA-20042: the reason' USING ERRCODE = 'QX042'; END $$")
            .arg(FSchema),
        {});
    try {
        Call(QStringLiteral("QXVTEST"), QStringLiteral("FAIL"));
        FAIL() << "no error";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 20042);
        EXPECT_EQ(e.Message(), QStringLiteral("ORA-20042: the reason\n"));
    }
}

// --- Transactions -----------------------------------------------------------

TEST_F(PostgresBackend, FailedCallChangesNothingAndSessionGoesOn) {
    FDb->Commit();
    const long long kept = Locat(QStringLiteral("INS_T#LOCATABBREV"),
                                 {{QStringLiteral("PSNAME"), QStringLiteral("с.")},
                                  {QStringLiteral("PNAME"), QStringLiteral("село")}});
    ASSERT_GT(kept, 0);
    // The failing statement inserts one row and then violates a constraint: none of it stays.
    EXPECT_THROW(
        FDb->Execute(
            QStringLiteral(
                "INSERT INTO \"%1\".locatabbrev (sname, name) VALUES ('д.', 'a'), ('д.', 'b')")
                .arg(FSchema),
            {}),
        EOraError);
    EXPECT_EQ(Count(*FDb, QStringLiteral("locatabbrev")), 1);
    // The session is still usable, and the work before the error is still there to commit.
    EXPECT_GT(Locat(QStringLiteral("INS_T#LOCATABBREV"),
                    {{QStringLiteral("PSNAME"), QStringLiteral("д.")},
                     {QStringLiteral("PNAME"), QStringLiteral("деревня")}}),
              0);
    FDb->Commit();
    const auto other = OpenConnection(FDsn);
    EXPECT_EQ(Count(*other, QStringLiteral("locatabbrev")), 2);
}

TEST_F(PostgresBackend, ExplicitWorkIsInvisibleToOthersUntilCommitAndGoneAfterRollback) {
    FDb->Commit();
    const auto other = OpenConnection(FDsn);
    FDb->StartTransaction();
    Locat(QStringLiteral("INS_T#LOCATABBREV"), {{QStringLiteral("PSNAME"), QStringLiteral("a")},
                                                {QStringLiteral("PNAME"), QStringLiteral("a")}});
    EXPECT_EQ(Count(*other, QStringLiteral("locatabbrev")), 0);
    FDb->Rollback();
    EXPECT_EQ(Count(*FDb, QStringLiteral("locatabbrev")), 0);
    FDb->StartTransaction();
    Locat(QStringLiteral("INS_T#LOCATABBREV"), {{QStringLiteral("PSNAME"), QStringLiteral("b")},
                                                {QStringLiteral("PNAME"), QStringLiteral("b")}});
    FDb->Commit();
    EXPECT_EQ(Count(*other, QStringLiteral("locatabbrev")), 1);
    // Without an explicit transaction a call is seen by others as soon as it returns.
    Locat(QStringLiteral("INS_T#LOCATABBREV"), {{QStringLiteral("PSNAME"), QStringLiteral("c")},
                                                {QStringLiteral("PNAME"), QStringLiteral("c")}});
    EXPECT_EQ(Count(*other, QStringLiteral("locatabbrev")), 2);
}

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

TEST_F(PostgresBackend, ACallIsOneRoundTripAndItsStatementIsPreparedOncePerSession) {
    FDb->Commit();
    TempDir temp;
    // One session per number of calls; the difference is what the extra calls cost.
    auto session = [&](int calls) {
        const QString trace = temp.FilePath(QStringLiteral("trace%1.txt").arg(calls));
        qputenv("QXV_PG_TRACE", trace.toLocal8Bit());
        const auto db = OpenConnection(FDsn);
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
        EXPECT_THROW(add(QStringLiteral("a short name far too long")), EOraError);
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
    EXPECT_EQ(Count(*FDb, QStringLiteral("locatabbrev")), 14);
}

// --- Catalogue --------------------------------------------------------------

TEST_F(PostgresBackend, CatalogueFindsTheTranslationPackageOfInstalledSchemasOnly) {
    const QString sql = QStringLiteral(
        " SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T  WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
        "T.OBJECT_NAME = "
        "'LANG_PACK'   AND T.STATUS = 'VALID'   AND T.OWNER = UPPER(:OWNER)");
    const TRowSet here = FDb->Query(sql, {{QStringLiteral("OWNER"), FSchema}});
    ASSERT_EQ(here.Columns.size(), 1u);
    EXPECT_EQ(here.Columns[0].Name, QStringLiteral("QNT"));
    EXPECT_EQ(here.Rows.at(0).at(0).toLongLong(), 1);
    EXPECT_EQ(FDb->Query(sql, {{QStringLiteral("OWNER"), QStringLiteral("nobody_here")}})
                  .Rows.at(0)
                  .at(0)
                  .toLongLong(),
              0);

    EXPECT_EQ(
        FDb->PackageVariable(FSchema, QStringLiteral("LANG_PACK"), QStringLiteral("GC_MULTI_LANG"))
            .toInt(),
        1);
    FDb->Execute(
        QStringLiteral("UPDATE \"%1\".lang_settings SET value = '0' WHERE name = 'GC_MULTI_LANG'")
            .arg(FSchema),
        {});
    EXPECT_EQ(
        FDb->PackageVariable(FSchema, QStringLiteral("LANG_PACK"), QStringLiteral("GC_MULTI_LANG"))
            .toInt(),
        0);
    EXPECT_THROW(
        FDb->PackageVariable(FSchema, QStringLiteral("LANG_PACK"), QStringLiteral("NO_SUCH")),
        EOraError);
}

}  // namespace

namespace {

// Faults of the server side: the session killed between calls or in the middle of one, and a
// statement that runs past its time. Each is one clear error; nothing of the failed call is
// kept; the next call works on the same connection object, reconnected where it had to be.
TEST_F(PostgresBackend, ALostOrTimedOutCallIsOneErrorAndTheSessionGoesOn) {
    const auto other = OpenConnection(FDsn);
    auto pid = [this] {
        return FDb->Query(QStringLiteral("SELECT pg_backend_pid() AS p"), {}).Rows.at(0).at(0);
    };
    auto terminate = [&other](const QVariant& target) {
        other->Query(QStringLiteral("SELECT pg_terminate_backend(CAST(:P AS integer)) AS t"),
                     {{"P", target}});
    };
    auto addAbbrev = [this](const QString& shortName) {
        return Locat(QStringLiteral("INS_T#LOCATABBREV"),
                     {{QStringLiteral("PSNAME"), shortName}, {QStringLiteral("PNAME"), shortName}});
    };
    const struct {
        const char* Fault;
        std::function<void()> Act;  // must throw
        int Code;
    } faults[] = {
        {"killed between calls",
         [&] {
             terminate(pid());
             addAbbrev(QStringLiteral("lost1"));
         },
         OraCode::ConnectionLost},
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
             FDb->Query(QStringLiteral("SELECT pg_sleep(20) AS s"), {});
         },
         OraCode::ConnectionLost},
        {"past its time",
         [&] {
             FDb->Execute(QStringLiteral("SET statement_timeout = 200"), {});
             struct TReset {
                 IDbConnection& Db;
                 ~TReset() { Db.Execute(QStringLiteral("RESET statement_timeout"), {}); }
             } reset{*FDb};
             FDb->Query(QStringLiteral("SELECT pg_sleep(20) AS s"), {});
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
        EXPECT_EQ(Count(*other, QStringLiteral("locatabbrev")), kept) << "nothing half-written";
        ASSERT_GT(addAbbrev(QStringLiteral("ok%1").arg(kept)), 0) << "the session goes on";
        ++kept;
    }
}

}  // namespace
