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

namespace {

constexpr int kChildren = 10000;

struct TEngine {
    std::unique_ptr<IDbConnection> Db;
    QString Schema;
    long long Parent = 0;
    TRoutineDesc Children;
    QString Select;
    bool DropSchema = false;
};

long long Result(IDbConnection& db, const QString& schema, const char* routine,
                 std::vector<TBoundValue> in) {
    return db
        .Call(db.Describe(schema, QStringLiteral("QXVERPLOCAT"), QString::fromLatin1(routine)), in)
        .Value(QStringLiteral("RESULT"))
        .toLongLong();
}

// A schema with one place holding kChildren children, built through the routines.
void Prepare(TEngine& e) {
    IDbConnection& db = *e.Db;
    InstallServerSchema(db, e.Schema);
    const long long abbrev =
        Result(db, e.Schema, "INS_T#LOCATABBREV",
               {{"PSNAME", QStringLiteral("b")}, {"PNAME", QStringLiteral("bench")}});
    const long long top =
        Result(db, e.Schema, "INS_T#LOCATTYPE", {{"PLEVEL#", 1}, {"PID_ABBREV", abbrev}});
    const long long below =
        Result(db, e.Schema, "INS_T#LOCATTYPE", {{"PLEVEL#", 2}, {"PID_ABBREV", abbrev}});
    e.Parent = Result(
        db, e.Schema, "INS_T#LOCATION",
        {{"PID_PARENT", QVariant()}, {"PID_LOCATTYPE", top}, {"PNAME", QStringLiteral("root")}});
    const TRoutineDesc insert =
        db.Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATION"));
    for (int i = 0; i < kChildren; ++i)
        db.Call(insert, {{"PID_PARENT", e.Parent},
                         {"PID_LOCATTYPE", below},
                         {"PNAME", QStringLiteral("place %1").arg(i, 5, 10, QLatin1Char('0'))}});
    db.Commit();
    e.Children =
        db.Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"));
    // The same rows, columns and order as the routine's cursor.
    e.Select =
        QStringLiteral(
            "WITH kids AS (SELECT l.id, l.name, l.id_parent, l.id_locattype FROM \"%1\".location l "
            "WHERE l.id_parent = :PARENT) "
            "SELECT k.id, k.name, t.level_no, a.sname, a.id, coalesce(cc.n, 0), k.id_parent, "
            "k.id_locattype, a.name FROM kids k "
            "JOIN \"%1\".locattype t ON t.id = k.id_locattype "
            "JOIN \"%1\".locatabbrev a ON a.id = t.id_abbrev "
            "LEFT JOIN (SELECT c.id_parent, count(*) AS n FROM \"%1\".location c "
            "WHERE c.id_parent IN (SELECT id FROM kids) GROUP BY c.id_parent) cc ON cc.id_parent = "
            "k.id "
            "ORDER BY k.name, k.id")
            .arg(e.Schema.toLower());
}

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
