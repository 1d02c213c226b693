// The directory's server on PostgreSQL: installing over old and open schemas, and by an
// ordinary owner.

#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include "Server/InstalledSchema.h"

namespace {

using PostgresServer = InstalledSchemaTest;

TEST_P(PostgresServer, AnOldErrorTableGetsItsColumnsRenamedInPlace) {
    // The table as older schemas had it: mixed-case names and no row id.
    FDb->ExecuteScript(QStringLiteral("DROP TABLE %1; CREATE TABLE %1 (\"ErrorCode\" integer NOT "
                                      "NULL, \"Constraint\" varchar(61), \"Message\" "
                                      "varchar(1000)); INSERT INTO %1 VALUES (1, 'C1', 'kept')")
                           .arg(T("error_messages")));
    FDb->Commit();
    InstallServerSchema(*FDb, FSchema);
    const TRowSet rows = FDb->Query(
        QStringLiteral("SELECT errorcode || '|' || \"constraint\" || '|' || message, rowid FROM %1")
            .arg(T("error_messages")),
        {});
    ASSERT_EQ(rows.Rows.size(), 1u);  // the texts of the old table are not added again
    EXPECT_EQ(rows.Rows[0][0].toString(), "1|C1|kept");
    EXPECT_FALSE(rows.Rows[0][1].isNull());
}

TEST_P(PostgresServer, InstallingAgainDoesNotWaitForOpenSessions) {
    // A window's session: it has written and asked the catalogue, and keeps its transaction.
    FDb->StartTransaction();
    AddAbbrev("x", "pending");
    FDb->Query("SELECT count(*) FROM ALL_OBJECTS", {});
    // The installer gives up quickly instead of queueing behind that session.
    QUrl url(FConnectString);
    QUrlQuery query(url);
    query.addQueryItem("options", "-c lock_timeout=2000");
    url.setQuery(query);
    const auto installer = OpenConnection(url.toString());
    EXPECT_NO_THROW(InstallServerSchema(*installer, FSchema));
    FDb->Commit();
    EXPECT_EQ(Count(*installer, "LOCATABBREV"), 1);
}

QXV_ON_POSTGRESQL(PostgresServer);

// A schema installed by its owner, an ordinary user who may not write to public.
TEST(PostgresServerOwner, OrdinaryOwnerGetsTheCatalogueInItsOwnSchema) {
    const QString dsn = PgDsnOrSkip();
    QXV_REQUIRE_PG(dsn);
    const auto admin = OpenConnection(dsn);
    const QString role = QStringLiteral("qxvowner_%1")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    // Role names cannot be bound; this one is made here from hex digits only.
    admin->Execute(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(role), {});
    const QString database =
        admin->Query("SELECT current_database() AS d", {}).Rows.at(0).at(0).toString();
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
        EXPECT_THROW(InstallServerSchema(*owner, role + "_adm"), EOraError);
        EXPECT_EQ(admin
                      ->Query("SELECT count(*) FROM pg_tables WHERE schemaname = :S",
                              {{"S", role + "_adm"}})
                      .Rows.at(0)
                      .at(0)
                      .toLongLong(),
                  0);
        InstallServerSchema(*owner, role);
        const TRowSet answer = owner->Query(
            QStringLiteral(
                "SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
                "T.OBJECT_NAME = 'LANG_PACK' AND T.STATUS = 'VALID' AND T.OWNER = UPPER(:OWNER)"),
            {{"OWNER", role}});
        EXPECT_EQ(answer.Rows.at(0).at(0).toLongLong(), 1);
        EXPECT_EQ(owner->PackageVariable(role, "LANG_PACK", "GC_MULTI_LANG").toInt(), 1);
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
