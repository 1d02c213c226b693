// The server restarts between two calls of a session: the next call fails as lost and
// re-established, nothing committed is lost, and the call after it works. Runs alone: the
// restart ends every other session of the server too.

#include <QProcess>

#include <gtest/gtest.h>

#include "Server/InstalledSchema.h"

namespace {

using PostgresRestart = InstalledSchemaTest;

TEST_P(PostgresRestart, ASessionComesBackAfterTheServerRestartedLosingNothingCommitted) {
    const QString restart = qEnvironmentVariable("QXV_PG_RESTART");
    if (restart.isEmpty()) GTEST_SKIP() << "QXV_PG_RESTART is not set";
    ASSERT_GT(AddAbbrev("before", "before"), 0);

    QProcess server;
    server.start("/bin/sh", {"-c", restart});
    ASSERT_TRUE(server.waitForFinished(60000));
    ASSERT_EQ(server.exitCode(), 0) << server.readAllStandardError().toStdString();

    try {
        AddAbbrev("lost", "lost");
        FAIL() << "the call went through a connection the restart had ended";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), OraCode::ConnectionLost) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("repeat it"));
    }
    EXPECT_GT(AddAbbrev("after", "after"), 0);
    EXPECT_EQ(Count("LOCATABBREV"), 2) << "\"before\" and \"after\"";
}

QXV_ON_POSTGRESQL(PostgresRestart);

}  // namespace
