// Many users on one directory: programs on one PostgreSQL database or one embedded file
// (ServerWorker processes) move, rename, add and delete places and information items at
// random, all at once. Afterwards no parent chain closes a cycle, no rename is lost, and every
// call got one of its routine's defined answers.

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>

#include "Server/InstalledSchema.h"

namespace {

constexpr int kTotalOperations = 10000;
constexpr int kPlaces = 60;
constexpr int kItems = 40;

// What one session did: how often each operation got each answer, and the last name it gave
// each place it renamed (a place is renamed by one session only, so that name must stay).
struct TReport {
    std::map<std::pair<QString, long long>, int> Answers;  // (operation, result or -error)
    QHash<long long, QString> LastNames;

    // Adds a session's printed lines ("ANSWER operation answer count", "NAME place name").
    void Add(const QString& text) {
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u' ');
            if (f.size() == 4 && f[0] == QLatin1String("ANSWER"))
                Answers[{f[1], f[2].toLongLong()}] += f[3].toInt();
            else if (f.size() == 3 && f[0] == QLatin1String("NAME"))
                LastNames.insert(f[1].toLongLong(), f[2]);
        }
    }
};

// The answers each routine may give under any interleaving; anything else is a fault.
bool Defined(const QString& operation, long long answer) {
    // Any call may wait out the embedded engine's busy timeout on a loaded machine.
    if (answer == -54) return true;
    // -2291: the parent named was deleted a moment before (for a rename, since it was read).
    static const QHash<QString, QList<long long>> answers = {
        {"move-place", {1, -1}},
        {"rename-place", {1, -1, -2291}},
        {"add-place", {1, -1, -2291}},
        {"delete-place", {1, -1, -2}},  // -1: deleted a moment before; -2: it has children
        {"move-item", {1, -1, -2291}},
        {"add-item", {1, -2291}},
        {"delete-item", {1, -1}},
    };
    return answers.value(operation).contains(answer);
}

class Concurrency : public InstalledSchemaTest {
protected:
    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (IsSqlite()) FConnectString += QStringLiteral("?timeout=20000");
        Install();
        MakeWorld();
    }

    // One abbreviation allowed at every level, so that a move is refused only for a cycle.
    void MakeWorld() {
        const long long abbrev = AddAbbrev("x", "x");
        std::vector<long long> types{0};
        for (int level = 1; level <= 15; ++level) types.push_back(AddType(level, abbrev));
        std::vector<std::pair<long long, int>> places;  // (id, level)
        QRandomGenerator random(7);
        for (int i = 0; i < kPlaces; ++i) {
            const bool top = places.empty() || random.bounded(4) == 0;
            const auto parent =
                top ? std::pair<long long, int>{-1, 0} : places[random.bounded(int(places.size()))];
            if (parent.second >= 4) continue;
            const long long id =
                AddLocation(parent.first, types[parent.second + 1], QStringLiteral("p%1").arg(i));
            places.emplace_back(id, parent.second + 1);
        }
        // The items belong to a place the workers never delete.
        std::vector<long long> items;
        for (int i = 0; i < kItems; ++i) {
            const QVariant parent = items.empty() || random.bounded(3) == 0
                                        ? QVariant(-1)
                                        : QVariant(items[random.bounded(int(items.size()))]);
            items.push_back(AddInfo(places.front().first, parent, 5, QStringLiteral("i%1").arg(i)));
        }
        FDb->Commit();
    }

    // Every parent chain of the table ends at the top within as many steps as there are rows.
    void ExpectNoCycle(const char* table) {
        const TRowSet rows =
            FDb->Query(QStringLiteral("SELECT ID, ID_PARENT FROM %1").arg(T(table)), {});
        QHash<long long, long long> parentOf;
        for (const auto& r : rows.Rows)
            parentOf.insert(r[0].toLongLong(), r[1].isNull() ? -1 : r[1].toLongLong());
        for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
            long long at = it.key();
            int steps = 0;
            while (at != -1 && steps <= parentOf.size()) {
                at = parentOf.value(at, -1);
                ++steps;
            }
            EXPECT_EQ(at, -1) << table << " " << it.key() << " lies on a cycle";
        }
    }
};

TEST_P(Concurrency, RandomWorkOfManySessionsKeepsTheDirectoryWhole) {
    constexpr int kSessions = 3;
    const auto started = std::chrono::steady_clock::now();
    TReport report;
    // Separate programs on one database, as users are.
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int s = 0; s < kSessions; ++s) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->start(
            QXV_SERVER_WORKER,
            {"concurrency", FConnectString, FSchema, QString::number(100 + s), QString::number(s),
             QString::number(kSessions), QString::number(kTotalOperations / kSessions)});
    }
    for (auto& worker : workers) {
        ASSERT_TRUE(worker->waitForFinished(600000));
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAllStandardError().toStdString();
        report.Add(QString::fromUtf8(worker->readAllStandardOutput()));
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    int calls = 0;
    for (const auto& [key, n] : report.Answers) {
        calls += n;
        EXPECT_TRUE(Defined(key.first, key.second))
            << key.first.toStdString() << " answered " << key.second << " (" << n << " times)";
        std::cout << "  " << key.first.toStdString() << " " << key.second << ": " << n << "\n";
    }
    std::cout << "  " << calls << " calls of " << kSessions << " sessions in " << seconds << " s\n";
    EXPECT_GT(calls, kTotalOperations * 9 / 10) << "most steps found something to work on";
    ExpectNoCycle("LOCATION");
    ExpectNoCycle("INFORMATION");
    for (auto it = report.LastNames.begin(); it != report.LastNames.end(); ++it) {
        const TRowSet row =
            FDb->Query(QStringLiteral("SELECT NAME FROM %1 WHERE ID = :P").arg(T("LOCATION")),
                       {{"P", it.key()}});
        if (row.Rows.empty()) continue;  // deleted later
        EXPECT_EQ(row.Rows[0][0].toString(), it.value())
            << "place " << it.key() << ": a rename lost";
    }
}

QXV_ON_BOTH_ENGINES(Concurrency);

}  // namespace
