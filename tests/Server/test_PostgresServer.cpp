// The directory's server on PostgreSQL: installation and the promises that hold
// across sessions (no cycle from concurrent moves).

#include <QElapsedTimer>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>

#include "Server/PgTestSchema.h"

namespace {

class PostgresServer : public PgSchemaTest {
protected:
    // Two siblings A and B under a root R, with types for three levels of one abbreviation.
    void BuildSiblings() {
        const long long abbrev = Locat(QStringLiteral("INS_T#LOCATABBREV"),
                                       {{QStringLiteral("PSNAME"), QStringLiteral("x")},
                                        {QStringLiteral("PNAME"), QStringLiteral("x")}});
        for (int level = 1; level <= 4; ++level)
            FTypes[level] =
                Locat(QStringLiteral("INS_T#LOCATTYPE"),
                      {{QStringLiteral("PLEVEL#"), level}, {QStringLiteral("PID_ABBREV"), abbrev}});
        FRoot = Add(-1, 1, QStringLiteral("R"));
        FA = Add(FRoot, 2, QStringLiteral("A"));
        FB = Add(FRoot, 2, QStringLiteral("B"));
        FDb->Commit();
    }

    long long Add(long long parent, int level, const QString& name) {
        return Locat(QStringLiteral("INS_T#LOCATION"),
                     {{QStringLiteral("PID_PARENT"), parent},
                      {QStringLiteral("PID_LOCATTYPE"), FTypes[level]},
                      {QStringLiteral("PNAME"), name}});
    }

    // The ancestors of id, nearest first, following ID_PARENT with a bound on the walk.
    std::vector<long long> Ancestors(IDbConnection& db, long long id) {
        std::vector<long long> chain;
        for (int step = 0; step < 10; ++step) {
            const TRowSet rows = db.Query(
                QStringLiteral("SELECT id_parent FROM \"%1\".location WHERE id = :ID").arg(FSchema),
                {{QStringLiteral("ID"), id}});
            if (rows.Rows.empty() || rows.Rows[0][0].isNull()) break;
            id = rows.Rows[0][0].toLongLong();
            chain.push_back(id);
        }
        return chain;
    }

    long long FTypes[5] = {};
    long long FRoot = 0, FA = 0, FB = 0;
};

TEST_F(PostgresServer, InstallingAgainKeepsDataAndChangesNothing) {
    const long long abbrev = Locat(QStringLiteral("INS_T#LOCATABBREV"),
                                   {{QStringLiteral("PSNAME"), QStringLiteral("ул.")},
                                    {QStringLiteral("PNAME"), QStringLiteral("улица")}});
    ASSERT_GT(abbrev, 0);
    FDb->Commit();
    const long long errorTexts = Count(*FDb, QStringLiteral("error_messages"));
    EXPECT_GT(errorTexts, 0);
    InstallServerSchema(*FDb, FSchema);
    InstallServerSchema(*FDb, FSchema.toUpper());
    EXPECT_EQ(Count(*FDb, QStringLiteral("error_messages")), errorTexts);
    EXPECT_EQ(Count(*FDb, QStringLiteral("locatabbrev")), 1);
    EXPECT_EQ(Count(*FDb, QStringLiteral("schema_version")), 1);
    EXPECT_EQ(Count(*FDb, QStringLiteral("lang_settings")), 1);
    // The identity goes on where it was: no sequence was reset.
    EXPECT_GT(Locat(QStringLiteral("INS_T#LOCATABBREV"),
                    {{QStringLiteral("PSNAME"), QStringLiteral("пер.")},
                     {QStringLiteral("PNAME"), QStringLiteral("переулок")}}),
              abbrev);
}

TEST_F(PostgresServer, AnOldErrorTableGetsItsColumnsRenamedInPlace) {
    // The table as older schemas had it: mixed-case names and no row id.
    FDb->Execute(QStringLiteral("DROP TABLE \"%1\".error_messages").arg(FSchema), {});
    FDb->Execute(QStringLiteral("CREATE TABLE \"%1\".error_messages (\"ErrorCode\" integer "
                                "NOT NULL, \"Constraint\" varchar(61), \"Message\" varchar(1000))")
                     .arg(FSchema),
                 {});
    FDb->Execute(
        QStringLiteral("INSERT INTO \"%1\".error_messages VALUES (1, 'C1', 'kept')").arg(FSchema),
        {});
    FDb->Commit();
    InstallServerSchema(*FDb, FSchema);
    const TRowSet rows = FDb->Query(
        QStringLiteral(
            "SELECT errorcode, \"constraint\", message, rowid FROM \"%1\".error_messages")
            .arg(FSchema),
        {});
    ASSERT_EQ(rows.Rows.size(), 1u);  // the texts of the old table are not added again
    EXPECT_EQ(rows.Rows[0][0].toInt(), 1);
    EXPECT_EQ(rows.Rows[0][1].toString(), "C1");
    EXPECT_EQ(rows.Rows[0][2].toString(), "kept");
    EXPECT_FALSE(rows.Rows[0][3].isNull());
}

TEST_F(PostgresServer, InstallingAgainDoesNotWaitForOpenSessions) {
    BuildSiblings();
    // A window's session: it has written and asked the catalogue, and keeps its transaction.
    Add(FRoot, 2, QStringLiteral("pending"));
    FDb->Query(QStringLiteral("SELECT count(*) FROM ALL_OBJECTS"), {});
    // The installer gives up quickly instead of queueing behind that session.
    QUrl url(FDsn);
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("options"), QStringLiteral("-c lock_timeout=2000"));
    url.setQuery(query);
    const auto installer = OpenConnection(url.toString());
    EXPECT_NO_THROW(InstallServerSchema(*installer, FSchema));
    FDb->Commit();
    EXPECT_EQ(Count(*installer, QStringLiteral("location")), 4);
}

TEST_F(PostgresServer, ConcurrentCrossMovesNeverLeaveACycle) {
    BuildSiblings();
    const auto second = OpenConnection(FDsn);
    const TRoutineDesc move = FDb->Describe(FSchema, QStringLiteral("QXVERPLOCAT"),
                                            QStringLiteral("UPD_T#LOCATION_ID_PARENT"));
    const TRoutineDesc move2 = second->Describe(FSchema, QStringLiteral("QXVERPLOCAT"),
                                                QStringLiteral("UPD_T#LOCATION_ID_PARENT"));

    // Both sessions move at the same moment and keep their transactions open for a while,
    // which is when checks made without the lock would both pass.
    std::barrier start(2);
    std::atomic<long long> resultA{0}, resultB{0};
    std::string errorA, errorB;
    auto mover = [&](IDbConnection& db, const TRoutineDesc& desc, long long id, long long parent,
                     std::atomic<long long>& result, std::string& error) {
        try {
            start.arrive_and_wait();
            result =
                db.Call(desc, {{QStringLiteral("PID"), id}, {QStringLiteral("PID_PARENT"), parent}})
                    .Value(QStringLiteral("RESULT"))
                    .toLongLong();
            QThread::msleep(300);
            db.Commit();
        } catch (const EOraError& e) {
            error = e.Message().toStdString();
            db.Rollback();
        }
    };
    std::thread other([&] { mover(*second, move2, FB, FA, resultB, errorB); });
    mover(*FDb, move, FA, FB, resultA, errorA);
    other.join();

    EXPECT_EQ(errorA, "");
    EXPECT_EQ(errorB, "");
    EXPECT_EQ((resultA == 1) + (resultB == 1), 1)
        << "A under B: " << resultA << ", B under A: " << resultB;

    // Whatever the order, the tree still ends at the root for both.
    FDb->Rollback();
    for (long long id : {FA, FB}) {
        const std::vector<long long> chain = Ancestors(*FDb, id);
        ASSERT_FALSE(chain.empty());
        EXPECT_EQ(chain.back(), FRoot) << "place " << id << " is cut off from the root";
        EXPECT_LE(chain.size(), 2u);
    }
}

TEST_F(PostgresServer, AMoveHoldsNoLockOnceItReturns) {
    BuildSiblings();
    const long long c = Add(FRoot, 2, QStringLiteral("C"));
    FDb->Commit();
    ASSERT_EQ(Locat(QStringLiteral("UPD_T#LOCATION_ID_PARENT"),
                    {{QStringLiteral("PID"), FA}, {QStringLiteral("PID_PARENT"), FB}}),
              1);
    // The first window stays open; the second user's move neither waits nor is refused, and
    // sees the first move at once.
    const auto second = OpenConnection(FDsn);
    const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    EXPECT_EQ(second
                  ->Call(second->Describe(FSchema, QStringLiteral("QXVERPLOCAT"),
                                          QStringLiteral("UPD_T#LOCATION_ID_PARENT")),
                         {{QStringLiteral("PID"), c}, {QStringLiteral("PID_PARENT"), FB}})
                  .Value(QStringLiteral("RESULT"))
                  .toLongLong(),
              1);
    EXPECT_LT(clock.elapsed(), 2000) << "the move waited for a lock of a finished call";
    EXPECT_EQ(Ancestors(*second, FA), (std::vector<long long>{FB, FRoot}));
}

TEST_F(PostgresServer, MoveToAnotherDepthRetypesTheSubtree) {
    BuildSiblings();
    const long long child = Add(FB, 3, QStringLiteral("B1"));
    ASSERT_GT(child, 0);
    EXPECT_EQ(Locat(QStringLiteral("UPD_T#LOCATION_ID_PARENT"),
                    {{QStringLiteral("PID"), FB}, {QStringLiteral("PID_PARENT"), FA}}),
              1);
    const TRowSet rows =
        Call(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"),
             {{QStringLiteral("PID"), child}, {QStringLiteral("PID_PARENT"), QVariant()}})
            .Cursor.value();
    ASSERT_EQ(rows.Rows.size(), 1u);
    EXPECT_EQ(rows.Rows[0][2].toInt(), 4);               // LEVEL#
    EXPECT_EQ(rows.Rows[0][7].toLongLong(), FTypes[4]);  // ID_LOCATTYPE

    // One level deeper there is no type left for B1: the move is refused and nothing changes.
    const long long c = Add(FA, 3, QStringLiteral("A1"));
    EXPECT_LT(Locat(QStringLiteral("UPD_T#LOCATION_ID_PARENT"),
                    {{QStringLiteral("PID"), FB}, {QStringLiteral("PID_PARENT"), c}}),
              1);
    EXPECT_EQ(Ancestors(*FDb, child), (std::vector<long long>{FB, FA, FRoot}));
    // And a place cannot go below itself.
    EXPECT_LT(Locat(QStringLiteral("UPD_T#LOCATION_ID_PARENT"),
                    {{QStringLiteral("PID"), FA}, {QStringLiteral("PID_PARENT"), child}}),
              1);
}

}  // namespace

namespace {

// A schema installed by its owner, an ordinary user who may not write to public.
TEST(PostgresServerOwner, OrdinaryOwnerGetsTheCatalogueInItsOwnSchema) {
    const QString dsn = PgDsnOrSkip();
    QXV_REQUIRE_PG(dsn);
    const auto admin = OpenConnection(dsn);
    const QString role = QStringLiteral("qxvowner_%1")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    // Role names cannot be bound; this one is made here from hex digits only.
    admin->Execute(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(role), {});
    const QString database = admin->Query(QStringLiteral("SELECT current_database() AS d"), {})
                                 .Rows.at(0)
                                 .at(0)
                                 .toString();
    admin->Execute(QStringLiteral("GRANT CREATE ON DATABASE \"%1\" TO \"%2\"").arg(database, role),
                   {});
    admin->Commit();

    QUrl url(dsn);
    url.setUserName(role);
    {
        const auto owner = OpenConnection(url.toString());
        EXPECT_EQ(owner->UserName(), role.toUpper());
        // Someone else's schema is refused as a whole; the session goes on.
        admin->Execute(QStringLiteral("CREATE SCHEMA \"%1_adm\"").arg(role), {});
        admin->Commit();
        EXPECT_THROW(InstallServerSchema(*owner, role + QStringLiteral("_adm")), EOraError);
        EXPECT_EQ(
            admin
                ->Query(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = :S"),
                        {{QStringLiteral("S"), role + QStringLiteral("_adm")}})
                .Rows.at(0)
                .at(0)
                .toLongLong(),
            0);
        InstallServerSchema(*owner, role);
        const TRowSet answer = owner->Query(
            QStringLiteral(
                "SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
                "T.OBJECT_NAME = 'LANG_PACK' AND T.STATUS = 'VALID' AND T.OWNER = UPPER(:OWNER)"),
            {{QStringLiteral("OWNER"), role}});
        EXPECT_EQ(answer.Rows.at(0).at(0).toLongLong(), 1);
        EXPECT_EQ(owner
                      ->PackageVariable(role, QStringLiteral("LANG_PACK"),
                                        QStringLiteral("GC_MULTI_LANG"))
                      .toInt(),
                  1);
        owner->Rollback();
    }
    try {
        admin->Rollback();
        admin->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(role), {});
        admin->Execute(QStringLiteral("DROP SCHEMA \"%1_adm\" CASCADE").arg(role), {});
        admin->Execute(
            QStringLiteral("REVOKE CREATE ON DATABASE \"%1\" FROM \"%2\"").arg(database, role), {});
        admin->Execute(QStringLiteral("DROP ROLE \"%1\"").arg(role), {});
        admin->Commit();
    } catch (const EOraError&) {
        // Left behind in a throwaway server: harmless.
    }
}

}  // namespace
