// Reading the children of one node with 10,000 children: through the routine
// GET_T#LOCATION (IDbConnection::Call) against the plain SELECT of the same rows
// (IDbConnection::Query), on the embedded engine and, when QXV_PG_DSN names a
// server, on PostgreSQL, in one run.

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "WideNode.h"

namespace {

void ByRoutine(benchmark::State& state, TEngine* e) {
    size_t rows = 0;
    for (auto _ : state) {
        const TCallResult r =
            e->Db->Call(e->Children, {{"PID", QVariant()}, {"PID_PARENT", e->Parent}});
        rows = r.Cursor->Rows.size();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kChildren) state.SkipWithError("the routine did not return every child");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}

void BySelect(benchmark::State& state, TEngine* e) {
    size_t rows = 0;
    for (auto _ : state) {
        const TRowSet r = e->Db->Query(e->Select, {{"PARENT", e->Parent}});
        rows = r.Rows.size();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kChildren) state.SkipWithError("the select did not return every child");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}

void Register(const char* name, TEngine* e) {
    benchmark::RegisterBenchmark((std::string(name) + "/select (baseline)").c_str(), BySelect, e)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(name) + "/GET_T#LOCATION").c_str(), ByRoutine, e)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    TEngine sqlite, postgres;
    try {
        sqlite.Db =
            OpenConnection(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db")));
        sqlite.Schema = QStringLiteral("qxvbase");
        Prepare(sqlite);
        Register("sqlite", &sqlite);

        const QString dsn = qEnvironmentVariable("QXV_PG_DSN");
        if (dsn.isEmpty()) {
            std::fprintf(stderr, "QXV_PG_DSN is not set: PostgreSQL is skipped\n");
        } else {
            postgres.Db = OpenConnection(dsn);
            postgres.Schema =
                QStringLiteral("qxvbench_%1")
                    .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            postgres.DropSchema = true;
            Prepare(postgres);
            Register("postgresql", &postgres);
        }
    } catch (const EOraError& e) {
        std::fprintf(stderr, "bench setup failed: %s", e.what());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (postgres.DropSchema) {
        try {
            postgres.Db->Rollback();
            postgres.Db->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(postgres.Schema),
                                 {});
            postgres.Db->Commit();
        } catch (const EOraError&) {
        }
    }
    return 0;
}
