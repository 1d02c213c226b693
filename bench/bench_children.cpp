// Reading the children of one node with 10,000 children, three ways on each engine in one
// run: the floor (the engine's own C API), the layer's plain query of the same statement
// (IDbConnection::Query) and the routine GET_T#LOCATION (IDbConnection::Call). PostgreSQL
// runs when QXV_PG_DSN names a server.

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "Floor.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Ratios.h"
#include "RoutineVsFloor.h"
#include "Server/sqlite/SqliteServer.h"
#include "WideNode.h"

namespace {

template <typename Read>
void Measure(benchmark::State& state, Read read) {
    MeasureCount(state, kChildren, "not every child was read", read);
}

// The floor keeps its own connection to the same database.
struct TFloor : TRawConnection {
    explicit TFloor(const TEngine& e) : TRawConnection(OpenFloor(e)) {}
    size_t Read(const TEngine& e, const QString& select) { return Select(select, e.Parent).size(); }
};

// The embedded engine sorts nulls first; the layer gives each ascending term of a query's
// ORDER BY the nulls-last order of the server's dialect, and the engine's sort with it costs
// more than the plain one. The floor as run reads the statement the engine is handed.
QString AsTheEngineRunsIt(const QString& select) {
    const QString plain = QStringLiteral("ORDER BY k.name, k.id");
    if (!select.endsWith(plain)) throw std::logic_error("the children's select changed its order");
    return select.left(select.size() - plain.size()) +
           QStringLiteral("ORDER BY k.name NULLS LAST, k.id NULLS LAST");
}

void Register(TEngine* e, TFloor* floor, std::vector<TRatioReporter::TRatio>& ratios) {
    const std::string raw = e->Name + "/raw select (floor)";
    const std::string query = e->Name + "/layer query";
    const std::string routine = e->Name + "/GET_T#LOCATION";
    benchmark::RegisterBenchmark(raw.c_str(), [=](benchmark::State& s) {
        Measure(s, [&] { return floor->Read(*e, e->Select); });
    })->Unit(benchmark::kMillisecond);
    if (e->Name == "sqlite") {
        const std::string asRun = e->Name + "/raw select as run (floor)";
        const QString select = AsTheEngineRunsIt(e->Select);
        benchmark::RegisterBenchmark(asRun.c_str(), [=](benchmark::State& s) {
            Measure(s, [&] { return floor->Read(*e, select); });
        })->Unit(benchmark::kMillisecond);
        ratios.push_back({query, asRun});
    }
    benchmark::RegisterBenchmark(query.c_str(), [=](benchmark::State& s) {
        Measure(s, [&] { return e->Db->Query(e->Select, {{"PARENT", e->Parent}}).Rows.size(); });
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(routine.c_str(), [=](benchmark::State& s) {
        Measure(s, [&] {
            return e->Db->Call(e->Children, {{"PID", QVariant()}, {"PID_PARENT", e->Parent}})
                .Cursor->Rows.size();
        });
    })->Unit(benchmark::kMillisecond);
    ratios.push_back({query, raw});
    ratios.push_back({routine, raw});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<TFloor>> floors;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = PrepareEngines(dir.path());
        for (auto& e : engines) {
            floors.push_back(std::make_unique<TFloor>(*e));
            Register(e.get(), floors.back().get(), ratios);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    floors.clear();
    DropSchemas(engines);
    return 0;
}
