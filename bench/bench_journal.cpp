// The journal's cost: a place renamed through UPD_T#LOCATION, each call its own unit of work,
// with its journal row and with the journal's write turned off (a trigger drops the row), in
// one run on each engine. PostgreSQL runs when QXV_PG_DSN names a server.

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "Platform/Data/DbBackend.h"
#include "Ratios.h"
#include "Server/sqlite/SqliteServer.h"
#include "WideNode.h"

namespace {

constexpr int kPlaces = 200;

// Turns the journal's write off for the connection's schema while it lives.
class TJournalOff {
public:
    explicit TJournalOff(TEngine& e) : FEngine(e) {
        const QString s = QuotedSchemaName(e.Schema);
        if (e.Name == "sqlite")
            e.Db->Execute(
                QStringLiteral("CREATE TEMP TRIGGER journal_off BEFORE INSERT ON %1.JOURNAL "
                               "BEGIN SELECT RAISE(IGNORE); END")
                    .arg(s),
                {});
        else
            e.Db->ExecuteScript(
                QStringLiteral("CREATE OR REPLACE FUNCTION %1.journal_off() RETURNS trigger "
                               "LANGUAGE plpgsql AS $f$BEGIN RETURN NULL; END$f$;\n"
                               "CREATE TRIGGER journal_off BEFORE INSERT ON %1.journal FOR EACH "
                               "ROW EXECUTE FUNCTION %1.journal_off();")
                    .arg(s));
        e.Db->Commit();
    }
    ~TJournalOff() {
        FEngine.Db->Execute(FEngine.Name == "sqlite"
                                ? QStringLiteral("DROP TRIGGER temp.journal_off")
                                : QStringLiteral("DROP TRIGGER journal_off ON %1.journal")
                                      .arg(QuotedSchemaName(FEngine.Schema)),
                            {});
        FEngine.Db->Commit();
    }

private:
    TEngine& FEngine;
};

// Renames the wide place's children in turn, committing each call.
void Rename(benchmark::State& state, TEngine& e, bool journal) {
    std::unique_ptr<TJournalOff> off = journal ? nullptr : std::make_unique<TJournalOff>(e);
    const TRowSet places =
        e.Db->Call(e.Children, {{"PID", QVariant()}, {"PID_PARENT", e.Parent}}).Cursor.value();
    const TRoutineDesc update =
        e.Db->Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("UPD_T#LOCATION"));
    long long n = 0;
    for (auto _ : state) {
        const auto& place = places.Rows[size_t(n % kPlaces)];
        const long long done =
            e.Db->Call(update, {{"PID", place[0]},
                                {"PID_PARENT", e.Parent},
                                {"PID_LOCATTYPE", place[7]},
                                {"PNAME", QStringLiteral("renamed %1").arg(n++)}})
                .Value(QStringLiteral("RESULT"))
                .toLongLong();
        e.Db->Commit();
        if (done < 1) state.SkipWithError("the update was refused");
    }
    state.SetItemsProcessed(state.iterations());
}

void Register(TEngine* e, std::vector<TRatioReporter::TRatio>& ratios) {
    const std::string with = e->Name + "/UPD_T#LOCATION with its journal row";
    const std::string without = e->Name + "/UPD_T#LOCATION, journal write off";
    benchmark::RegisterBenchmark(without.c_str(), [=](benchmark::State& s) {
        Rename(s, *e, false);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(with.c_str(), [=](benchmark::State& s) {
        Rename(s, *e, true);
    })->Unit(benchmark::kMicrosecond);
    ratios.push_back({with, without});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = PrepareEngines(dir.path(), kPlaces);
        for (auto& e : engines) Register(e.get(), ratios);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    DropSchemas(engines);
    return 0;
}
