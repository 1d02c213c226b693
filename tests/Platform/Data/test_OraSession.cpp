#include <gtest/gtest.h>

#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "support/FakeConnection.h"
#include "support/OraErrorOf.h"

namespace {

// A session that counts its attempts to connect.
class OraSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FakeConnection::Register([](FakeConnection& c) { c.SetServer("fake-host"); });
    }
    OraSessionTest() {
        session.BeforeConnect = [this](TOraSession*) { ++attempts; };
    }

    TOraSession session;
    int attempts = 0;
};

}  // namespace

TEST_F(OraSessionTest, ConnectRunsTheHookFirstAndOpensTheConnectString) {
    session.setObjectName("MainSession");
    QStringList log;
    session.BeforeConnect = [&](TOraSession* s) {
        log << "before:" + QString(s->Connected() ? "connected" : "not connected");
    };
    session.AfterConnect = [&](TOraSession*) { log << "after"; };
    session.SetConnectString("fake:demo");
    EXPECT_FALSE(session.Connected());

    session.Connect();
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(log, QStringList({"before:not connected", "after"}));
    EXPECT_EQ(session.UserName(), "QXVBASE");
    EXPECT_EQ(session.Server(), "fake-host");
    EXPECT_EQ(session.ConnectionOrNull(), FakeConnection::LastOpened());

    session.Connect();  // already connected: nothing happens
    EXPECT_EQ(log.size(), 2);
    session.Disconnect();
    EXPECT_FALSE(session.Connected());
}

// Commit and rollback do not connect; a component does, through the hook, and never frees
// its session.
TEST_F(OraSessionTest, AComponentConnectsItsSessionThroughTheHookAndCommitDoesNot) {
    session.SetConnectString("fake:second");
    session.Commit();
    session.Rollback();
    EXPECT_EQ(attempts, 0);
    EXPECT_FALSE(session.Connected());
    {
        QObject form;
        auto* query = new TOraQuery(&form);
        query->SetSession(&session);
        query->SetSQL({"SELECT 1 FROM DUAL"});
        query->Open();
        EXPECT_EQ(attempts, 1);
        EXPECT_TRUE(session.Connected());
        EXPECT_EQ(session.DataSets(), QList<TDataSet*>({query}));
    }
    EXPECT_TRUE(session.DataSets().isEmpty());
}

TEST_F(OraSessionTest, FailuresToConnectAreServerErrors) {
    // Nothing to connect to.
    EXPECT_EQ(RaisedBy([&] { session.Connect(); }), (TRaised{OraCode::NotConnected, &session}));
    session.SetConnectString("nosuchengine:x");
    EXPECT_THROW(session.Connect(), EOraError);
    EXPECT_EQ(attempts, 2);
    EXPECT_FALSE(session.Connected());
}

TEST_F(OraSessionTest, AnAdoptedConnectionIsUsedAsItIsAndOutlivesTheSession) {
    FakeConnection conn("HOST_USER");
    {
        TOraSession adopting;
        adopting.BeforeConnect = session.BeforeConnect;
        adopting.AdoptConnection(&conn);
        EXPECT_TRUE(adopting.Connected());
        EXPECT_EQ(&adopting.Connection(), &conn);
        EXPECT_EQ(adopting.UserName(), "HOST_USER");
        adopting.Commit();
        adopting.Rollback();
        EXPECT_EQ(attempts, 0);
    }
    // The session is gone; the connection still answers.
    EXPECT_EQ(conn.UserName(), "HOST_USER");
    EXPECT_EQ(conn.CommitCount(), 1);
    EXPECT_EQ(conn.RollbackCount(), 1);
}
