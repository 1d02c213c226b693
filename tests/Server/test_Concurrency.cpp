// Many users on one directory: sessions of one PostgreSQL database (threads) and programs on
// one embedded file (processes) move, rename, add and delete places and information items at
// random, all at once. Afterwards no parent chain closes a cycle, no rename is lost, and every
// call got one of its routine's defined answers.

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <thread>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/PgTestSchema.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/TempDir.h"

namespace {

using Inputs = std::vector<TBoundValue>;

constexpr int kTotalOperations = 10000;
constexpr int kPlaces = 60;
constexpr int kItems = 40;
const char* const kWorkerVariable = "QXV_CONCURRENCY_WORKER";

// What one session did: how often each operation got each answer, and the last name it gave
// each place it renamed (a place is renamed by one session only, so that name must stay).
struct TReport {
    std::map<std::pair<QString, long long>, int> Answers;  // (operation, result or -error)
    QHash<long long, QString> LastNames;

    void Merge(const TReport& other) {
        for (const auto& [key, n] : other.Answers) Answers[key] += n;
        for (auto it = other.LastNames.begin(); it != other.LastNames.end(); ++it)
            LastNames.insert(it.key(), it.value());
    }
    QString Lines() const {
        QString out;
        for (const auto& [key, n] : Answers)
            out += QStringLiteral("ANSWER %1 %2 %3\n").arg(key.first).arg(key.second).arg(n);
        for (auto it = LastNames.begin(); it != LastNames.end(); ++it)
            out += QStringLiteral("NAME %1 %2\n").arg(it.key()).arg(it.value());
        return out;
    }
    static TReport Parse(const QString& text) {
        TReport r;
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u' ');
            if (f.size() == 4 && f[0] == QLatin1String("ANSWER"))
                r.Answers[{f[1], f[2].toLongLong()}] += f[3].toInt();
            else if (f.size() == 3 && f[0] == QLatin1String("NAME"))
                r.LastNames.insert(f[1].toLongLong(), f[2]);
        }
        return r;
    }
};

// One session's random work on the shared directory.
class TWorker {
public:
    TWorker(IDbConnection& db, QString schema, quint32 seed, int session, int sessions)
        : FDb(db),
          FSchema(std::move(schema)),
          FRandom(seed),
          FSession(session),
          FSessions(sessions) {}

    TReport Run(int operations) {
        // Every item belongs to the one object the world gave them.
        FObject = Rows(QStringLiteral("SELECT MIN(OBJID) FROM %1").arg(T("INFORMATION")))
                      .Rows.at(0)
                      .at(0);
        for (int n = 0; n < operations; ++n) Step(n);
        return FReport;
    }

private:
    long long Call(const char* package, const char* routine, const Inputs& in) {
        const TRoutineDesc desc =
            FDb.Describe(FSchema, QString::fromLatin1(package), QString::fromLatin1(routine));
        return FDb.Call(desc, in).Value(QStringLiteral("RESULT")).toLongLong();
    }
    TRowSet Rows(const QString& sql, const Inputs& in = {}) { return FDb.Query(sql, in); }
    QString T(const char* table) const {
        return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), QLatin1String(table));
    }
    QVariant AnyOf(const char* table) {
        const TRowSet ids = Rows(QStringLiteral("SELECT ID FROM %1").arg(T(table)));
        if (ids.Rows.empty()) return {};
        return ids.Rows[FRandom.bounded(int(ids.Rows.size()))][0];
    }
    QVariant Owned() {
        const TRowSet ids = Rows(QStringLiteral("SELECT ID FROM %1 WHERE MOD(ID, %2) = %3")
                                     .arg(T("LOCATION"))
                                     .arg(FSessions)
                                     .arg(FSession));
        if (ids.Rows.empty()) return {};
        return ids.Rows[FRandom.bounded(int(ids.Rows.size()))][0];
    }
    QVariant ParentOrTop(const char* table) {
        return FRandom.bounded(5) == 0 ? QVariant(-1) : AnyOf(table);
    }
    QVariant ObjectId() const { return FObject; }
    QVariant TypeOfLevel(long long level) {
        return Rows(QStringLiteral("SELECT ID FROM %1 WHERE LEVEL_NO = :L").arg(T("LOCATTYPE")),
                    {{"L", level}})
            .Rows.at(0)
            .at(0);
    }
    long long LevelOf(const QVariant& place) {
        if (place.toLongLong() < 1) return 0;
        const TRowSet r = Rows(QStringLiteral("SELECT T.LEVEL_NO FROM %1 L JOIN %2 T ON T.ID = "
                                              "L.ID_LOCATTYPE WHERE L.ID = :P")
                                   .arg(T("LOCATION"), T("LOCATTYPE")),
                               {{"P", place}});
        return r.Rows.empty() ? -1 : r.Rows[0][0].toLongLong();
    }
    void Note(const char* operation, long long answer) {
        ++FReport.Answers[{QString::fromLatin1(operation), answer}];
    }

    void Step(int n) {
        const int pick = FRandom.bounded(100);
        const char* operation = "";
        try {
            if (pick < 30) {
                operation = "move-place";
                const QVariant place = AnyOf("LOCATION");
                if (place.isNull()) return;
                Note(operation, Call("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT",
                                     {{"PID", place}, {"PID_PARENT", ParentOrTop("LOCATION")}}));
            } else if (pick < 50) {
                operation = "rename-place";
                Rename(n);
            } else if (pick < 58) {
                operation = "add-place";
                const QVariant parent = ParentOrTop("LOCATION");
                const long long level = LevelOf(parent);
                if (level < 0 || level >= 15) return;
                const long long id = Call("QXVERPLOCAT", "INS_T#LOCATION",
                                          {{"PID_PARENT", parent},
                                           {"PID_LOCATTYPE", TypeOfLevel(level + 1)},
                                           {"PNAME", QStringLiteral("new")}});
                Note(operation, id > 0 ? 1 : id);
            } else if (pick < 64) {
                operation = "delete-place";
                const QVariant place = AnyOf("LOCATION");
                if (place.isNull()) return;
                Note(operation, Call("QXVERPLOCAT", "DEL_T#LOCATION", {{"PID", place}}));
            } else if (pick < 88) {
                operation = "move-item";
                const QVariant item = AnyOf("INFORMATION");
                if (item.isNull()) return;
                const long long r = Call("QXVERPINFORM", "UPD_T#INFORMATION",
                                         {{"POBJTYPE", 1},
                                          {"POBJID", ObjectId()},
                                          {"PID", item},
                                          {"PID_PARENT", ParentOrTop("INFORMATION")},
                                          {"PVALUE", QStringLiteral("v%1").arg(n)},
                                          {"PDESCRIPTION", QStringLiteral("d")},
                                          {"PACTIVE", 1}});
                Note(operation, r > 0 ? 1 : r);
            } else if (pick < 95) {
                operation = "add-item";
                const long long id = Call("QXVERPINFORM", "INS_T#INFORMATION",
                                          {{"POBJTYPE", 1},
                                           {"POBJID", ObjectId()},
                                           {"PID_PARENT", ParentOrTop("INFORMATION")},
                                           {"PINFOTYPE", 5},
                                           {"PVALUE", QStringLiteral("n%1").arg(n)},
                                           {"PDESCRIPTION", QStringLiteral("d")},
                                           {"PACTIVE", 1}});
                Note(operation, id > 0 ? 1 : id);
            } else {
                operation = "delete-item";
                const QVariant item = AnyOf("INFORMATION");
                if (item.isNull()) return;
                Note(operation, Call("QXVERPINFORM", "DEL_T#INFORMATION",
                                     {{"POBJTYPE", 1}, {"POBJID", ObjectId()}, {"PID", item}}));
            }
        } catch (const EOraError& e) {
            Note(operation, -e.ErrorCode());  // an error is an answer too, if it is a defined one
        }
    }

    // Renames a place of this session's own, keeping its parent and type as they are now.
    void Rename(int n) {
        const QVariant place = Owned();
        if (place.isNull()) return;
        const TRowSet row =
            Rows(QStringLiteral("SELECT ID_PARENT, ID_LOCATTYPE FROM %1 WHERE ID = :P")
                     .arg(T("LOCATION")),
                 {{"P", place}});
        if (row.Rows.empty()) return;
        const QString name = QStringLiteral("s%1-%2").arg(FSession).arg(n);
        const QVariant parent = row.Rows[0][0].isNull() ? QVariant(-1) : row.Rows[0][0];
        const long long r = Call("QXVERPLOCAT", "UPD_T#LOCATION",
                                 {{"PID", place},
                                  {"PID_PARENT", parent},
                                  {"PID_LOCATTYPE", row.Rows[0][1]},
                                  {"PNAME", name}});
        Note("rename-place", r > 0 ? 1 : r);
        if (r > 0) FReport.LastNames.insert(place.toLongLong(), name);
    }

    IDbConnection& FDb;
    QString FSchema;
    QRandomGenerator FRandom;
    int FSession;
    int FSessions;
    QVariant FObject;
    TReport FReport;
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

// The session's part when this program runs as a worker process (see below).
TEST(ConcurrencyWorker, RunsWhenStartedAsAWorker) {
    const QStringList args = qEnvironmentVariable(kWorkerVariable).split(u'|');
    if (args.size() != 5) GTEST_SKIP() << "only run as a worker process";
    RegisterSqliteServer();
    auto db = OpenConnection(args[0]);
    TWorker worker(*db, args[1], args[2].toUInt(), args[3].toInt(), args[4].toInt());
    std::cout << worker.Run(kTotalOperations / args[4].toInt()).Lines().toStdString() << std::flush;
}

class Concurrency : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        RegisterSqliteServer();
        if (GetParam() == QLatin1String("sqlite")) {
            FTemp = std::make_unique<TempDir>();
            FDsn = QStringLiteral("sqlite:") + FTemp->FilePath("shared.db") +
                   QStringLiteral("?timeout=20000");
            FSchema = QStringLiteral("qxvbase");
        } else {
            FDsn = PgDsnOrSkip();
            QXV_REQUIRE_PG(FDsn);
            FSchema = QStringLiteral("qxvc_%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                    QLatin1Char('0'));
        }
        FDb = OpenConnection(FDsn);
        InstallServerSchema(*FDb, FSchema);
        FDb->Commit();
        MakeWorld();
    }
    void TearDown() override {
        if (GetParam() != QLatin1String("postgresql") || !FDb) return;
        try {
            FDb->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema.toLower()), {});
            FDb->Commit();
        } catch (const EOraError&) {
        }
    }

    long long Call(const char* package, const char* routine, const Inputs& in) {
        const TRoutineDesc desc =
            FDb->Describe(FSchema, QString::fromLatin1(package), QString::fromLatin1(routine));
        return FDb->Call(desc, in).Value(QStringLiteral("RESULT")).toLongLong();
    }
    QString T(const char* table) const {
        return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), QLatin1String(table));
    }

    // One abbreviation allowed at every level, so that a move is refused only for a cycle.
    void MakeWorld() {
        const long long abbrev =
            Call("QXVERPLOCAT", "INS_T#LOCATABBREV", {{"PSNAME", "x"}, {"PNAME", "x"}});
        std::vector<long long> types{0};
        for (int level = 1; level <= 15; ++level)
            types.push_back(Call("QXVERPLOCAT", "INS_T#LOCATTYPE",
                                 {{"PLEVEL#", level}, {"PID_ABBREV", abbrev}}));
        std::vector<std::pair<long long, int>> places;  // (id, level)
        QRandomGenerator random(7);
        for (int i = 0; i < kPlaces; ++i) {
            const bool top = places.empty() || random.bounded(4) == 0;
            const auto parent =
                top ? std::pair<long long, int>{-1, 0} : places[random.bounded(int(places.size()))];
            if (parent.second >= 4) continue;
            const long long id = Call("QXVERPLOCAT", "INS_T#LOCATION",
                                      {{"PID_PARENT", parent.first},
                                       {"PID_LOCATTYPE", types[parent.second + 1]},
                                       {"PNAME", QStringLiteral("p%1").arg(i)}});
            places.emplace_back(id, parent.second + 1);
        }
        // The items belong to a place that is never deleted while it has them.
        std::vector<long long> items;
        for (int i = 0; i < kItems; ++i) {
            const QVariant parent = items.empty() || random.bounded(3) == 0
                                        ? QVariant(-1)
                                        : QVariant(items[random.bounded(int(items.size()))]);
            items.push_back(Call("QXVERPINFORM", "INS_T#INFORMATION",
                                 {{"POBJTYPE", 1},
                                  {"POBJID", places.front().first},
                                  {"PID_PARENT", parent},
                                  {"PINFOTYPE", 5},
                                  {"PVALUE", QStringLiteral("i%1").arg(i)},
                                  {"PDESCRIPTION", "d"},
                                  {"PACTIVE", 1}}));
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

    std::unique_ptr<TempDir> FTemp;
    QString FDsn;
    QString FSchema;
    std::unique_ptr<IDbConnection> FDb;
};

TEST_P(Concurrency, RandomWorkOfManySessionsKeepsTheDirectoryWhole) {
    constexpr int kSessions = 3;
    const auto started = std::chrono::steady_clock::now();
    TReport report;
    if (GetParam() == QLatin1String("sqlite")) {
        // Separate programs on one file: this test program started again as workers.
        std::vector<std::unique_ptr<QProcess>> workers;
        for (int s = 0; s < kSessions; ++s) {
            auto worker = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(kWorkerVariable), QStringLiteral("%1|%2|%3|%4|%5")
                                                                 .arg(FDsn, FSchema)
                                                                 .arg(100 + s)
                                                                 .arg(s)
                                                                 .arg(kSessions));
            worker->setProcessEnvironment(env);
            worker->start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--gtest_filter=ConcurrencyWorker.*")});
            workers.push_back(std::move(worker));
        }
        for (auto& worker : workers) {
            ASSERT_TRUE(worker->waitForFinished(600000));
            EXPECT_EQ(worker->exitCode(), 0) << worker->readAllStandardError().toStdString();
            report.Merge(TReport::Parse(QString::fromUtf8(worker->readAllStandardOutput())));
        }
    } else {
        std::vector<TReport> reports(kSessions);
        std::vector<std::thread> threads;
        for (int s = 0; s < kSessions; ++s)
            threads.emplace_back([&, s] {
                auto db = OpenConnection(FDsn);
                TWorker worker(*db, FSchema, 100 + s, s, kSessions);
                reports[s] = worker.Run(kTotalOperations / kSessions);
            });
        for (auto& t : threads) t.join();
        for (const TReport& r : reports) report.Merge(r);
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

INSTANTIATE_TEST_SUITE_P(Engines, Concurrency,
                         ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
