// Faults of an embedded database in use: the file cannot grow, another program holds the
// write lock, a program is killed in the middle of its commits. Each is one clear error for
// the call that met it; nothing committed is lost, nothing half-written stays, and the next
// call works.

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

#include "Platform/Data/EOraError.h"
#include "Server/InstalledSchema.h"

namespace {

long long Number(IDbConnection& db, const QString& sql) {
    return db.Query(sql, {}).Rows.at(0).at(0).toLongLong();
}

// A directory with one type of place at level 1, in a file of the test's own.
class SqliteFaults : public InstalledSchemaTest {
protected:
    void SetUp() override {
        InstalledSchemaTest::SetUp();
        FType = AddType(1, AddAbbrev("x", "x"));
        FDb->Commit();
    }
    std::unique_ptr<IDbConnection> Open(const QString& options = QString()) {
        return OpenConnection(FConnectString + options);
    }
    long long AddPlace(IDbConnection& db, const QString& name) {
        return db
            .Call(db.Describe(FSchema, "QXVERPLOCAT", "INS_T#LOCATION"),
                  {{"PID_PARENT", -1}, {"PID_LOCATTYPE", FType}, {"PNAME", name}})
            .Value("RESULT")
            .toLongLong();
    }
    long long Places(IDbConnection& db) { return Count(db, "LOCATION"); }
    // Runs `action`, which must fail, and gives the error.
    static EOraError Failure(const std::function<void()>& action) {
        try {
            action();
        } catch (const EOraError& e) {
            return e;
        }
        ADD_FAILURE() << "the call did not fail";
        return EOraError(0, QString());
    }

    long long FType = 0;
};

TEST_P(SqliteFaults, AFullFileFailsTheCallWholeAndTheNextOneWorksOnceThereIsRoom) {
    const long long pages = Number(*FDb, "PRAGMA \"qxvbase\".page_count");
    FDb->Execute(QStringLiteral("PRAGMA \"qxvbase\".max_page_count = %1").arg(pages + 2), {});
    const QString longName(250, QLatin1Char('n'));
    long long added = 0;
    const EOraError full = Failure([&] {
        for (int i = 0; i < 10000; ++i) {
            AddPlace(*FDb, longName + QString::number(i));
            ++added;
        }
    });
    EXPECT_EQ(full.ErrorCode(), OraCode::NoSpace) << full.Message().toStdString();
    EXPECT_TRUE(full.Message().contains("full"));
    EXPECT_GT(added, 0);
    const auto other = Open();
    EXPECT_EQ(Places(*other), added) << "every call that returned is kept, the failed one is not";
    EXPECT_EQ(other->Query("PRAGMA \"qxvbase\".integrity_check", {}).Rows.at(0).at(0), "ok");

    FDb->Execute("PRAGMA \"qxvbase\".max_page_count = 1000000", {});
    EXPECT_GT(AddPlace(*FDb, "after"), 0);
    EXPECT_EQ(Places(*other), added + 1);
}

TEST_P(SqliteFaults, AWriterThatHoldsTheLockMakesOthersWaitThenFailClearly) {
    const auto holder = Open();
    holder->StartTransaction();
    AddPlace(*holder, "held");  // holds the write lock until it commits

    std::vector<bool> waits;  // what the program is told, to show that it is busy
    SetLockWaitObserver([&](bool waiting) { waits.push_back(waiting); });
    const auto waiting = Open("?timeout=300");
    EXPECT_EQ(Places(*waiting), 0) << "a reader is never held up";
    EXPECT_TRUE(waits.empty());
    const EOraError busy = Failure([&] { AddPlace(*waiting, "refused"); });
    EXPECT_EQ(busy.ErrorCode(), 54) << busy.Message().toStdString();
    EXPECT_EQ(waits, std::vector<bool>({true, false}));
    SetLockWaitObserver({});

    holder->Commit();
    EXPECT_GT(AddPlace(*waiting, "later"), 0) << "the same session goes on";
    EXPECT_EQ(Places(*FDb), 2);
}

TEST_P(SqliteFaults, AProgramKilledInItsCommitsLeavesAWholeFileWithEveryCommittedPlace) {
    QProcess writer;
    writer.start(QXV_SERVER_WORKER, {"writer", FConnectString});
    ASSERT_TRUE(writer.waitForStarted());
    QList<long long> committed;
    QByteArray pending;
    while (committed.size() < 300 && writer.waitForReadyRead(20000)) {
        pending += writer.readAllStandardOutput();
        while (pending.contains('\n')) {
            const qsizetype end = pending.indexOf('\n');
            committed << pending.left(end).trimmed().toLongLong();
            pending.remove(0, end + 1);
        }
    }
    ::kill(pid_t(writer.processId()), SIGKILL);  // in the middle of its next call, most likely
    writer.waitForFinished();
    ASSERT_GE(committed.size(), 300);

    const auto after = Open();
    EXPECT_EQ(after->Query("PRAGMA \"qxvbase\".integrity_check", {}).Rows.at(0).at(0), "ok");
    EXPECT_EQ(after->Query("PRAGMA main.integrity_check", {}).Rows.at(0).at(0), "ok");
    EXPECT_EQ(Count(*after, "LOCATION", "ID <= :LAST", {{"LAST", committed.back()}}),
              committed.size())
        << "every place the writer saw committed is there";
    EXPECT_GT(AddPlace(*after, "after"), 0);
}

INSTANTIATE_TEST_SUITE_P(Engine, SqliteFaults, ::testing::Values(QStringLiteral("sqlite")),
                         EngineSchemaTest::EngineName);

}  // namespace
