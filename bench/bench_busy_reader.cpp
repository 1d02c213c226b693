// A reader of the embedded engine while another program writes for a long time: a window's
// search (FILL_T#LOCATION_HITS, as the search window runs it) and expansion (GET_T#LOCATION of
// a place's children) in a generated directory of 200,000 places (--places=N for a quick
// run), on an idle database and while a qxvdb process imports the same places again with
// --existing update, holding the write lock for the whole import. The busy runs check that
// the import still holds the lock when they end.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "Arguments.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Ratios.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tool.h"
#include "Tools/qxvdb/Records.h"
#include "support/PlaceTree.h"

namespace {

const QString kSchema = QStringLiteral("QXVBASE");

QString PlaceName(int i) {
    static const char* const roots[] = {"Сосновка", "Берёзовка", "Ивановка", "Заречье",
                                        "Покровка", "Никольск",  "Озёрск",   "Троицк"};
    return QString::fromUtf8(roots[i % 8]) + u' ' + QString::number(i);
}

// The other program: qxvdb importing the whole file again, restarted whenever it ends.
class TWriter {
public:
    TWriter(QString dsn, QString csv) : FDsn(std::move(dsn)), FCsv(std::move(csv)) {}
    ~TWriter() { Stop(); }

    // Starts the import when it is not running and returns once it holds the write lock.
    void EnsureHolding() {
        if (FProcess.state() == QProcess::NotRunning) {
            FProcess.start(QStringLiteral(QXV_QXVDB), {"import", "--db", FDsn, "--schema", kSchema,
                                                       "--file", FCsv, "--existing", "update"});
            if (!FProcess.waitForStarted()) throw std::runtime_error("qxvdb did not start");
        }
        while (!LockHeld()) {
            if (FProcess.state() == QProcess::NotRunning)
                throw std::runtime_error("the import ended before it held the lock");
            QThread::msleep(20);
        }
    }
    // Whether another session holds the write lock: a probe that does not wait is refused.
    bool LockHeld() {
        const auto probe = OpenConnection(FDsn + QStringLiteral("?timeout=0"));
        try {
            probe->StartWriteTransaction(kSchema);
            probe->Rollback();
            return false;
        } catch (const EOraError& e) {
            if (e.ErrorCode() != 54) throw;
            return true;
        }
    }
    void Stop() {
        if (FProcess.state() == QProcess::NotRunning) return;
        FProcess.kill();
        FProcess.waitForFinished();
    }

private:
    QString FDsn, FCsv;
    QProcess FProcess;
};

struct TReader {
    std::unique_ptr<IDbConnection> Db;
    TRoutineDesc Fill, Children;
    long long Parent = 1;  // a top-level place: ten children
};

void Search(TReader& r) {
    const TCallResult found = r.Db->Call(r.Fill, {{"PGUID", "bench"},
                                                  {"PTEXT", QStringLiteral("сосновка 1")},
                                                  {"PLIMIT", 500},
                                                  {"PSEPARATOR", ". "}});
    benchmark::DoNotOptimize(found.Value("RESULT"));
}

void Expand(TReader& r) {
    const TCallResult children = r.Db->Call(r.Children, {{"PID", -1}, {"PID_PARENT", r.Parent}});
    benchmark::DoNotOptimize(children.Cursor->Rows.size());
}

void Register(TReader* reader, TWriter* writer, std::vector<TRatioReporter::TRatio>& ratios) {
    const struct {
        const char* Name;
        void (*Read)(TReader&);
    } reads[] = {{"search", Search}, {"expand", Expand}};
    for (const auto& read : reads) {
        const std::string idle = std::string("idle database/") + read.Name;
        const std::string busy = std::string("during the import/") + read.Name;
        const auto run = read.Read;
        benchmark::RegisterBenchmark(idle.c_str(), [=](benchmark::State& st) {
            writer->Stop();
            for (auto _ : st) run(*reader);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(busy.c_str(), [=](benchmark::State& st) {
            writer->EnsureHolding();
            for (auto _ : st) run(*reader);
            if (!writer->LockHeld()) st.SkipWithError("the import let go of the lock mid-run");
        })->Unit(benchmark::kMillisecond);
        ratios.push_back({busy, idle});
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int places = TakeCount(argc, argv, "--places=", 200000);
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    const QString csv = WritePlacesCsv(dir.path(), PlaceTree(places, PlaceName));
    const QString dsn = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("busy.db"));
    TReader reader;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        {
            const auto db = OpenConnection(dsn);
            InstallServerSchema(*db, kSchema);
            db->Commit();
        }
        RunTool({"import", "--db", dsn, "--schema", kSchema, "--file", csv, "--create-missing"});
        reader.Db = OpenConnection(dsn);
        reader.Fill = reader.Db->Describe(kSchema, QStringLiteral("QXVERPLOCAT"),
                                          QStringLiteral("FILL_T#LOCATION_HITS"));
        reader.Children = reader.Db->Describe(kSchema, QStringLiteral("QXVERPLOCAT"),
                                              QStringLiteral("GET_T#LOCATION"));
    } catch (const std::exception& e) {  // EOraError among them
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    TWriter writer(dsn, csv);
    Register(&reader, &writer, ratios);
    RunWithRatios(argc, argv, ratios);
    writer.Stop();
    return 0;
}
