// From one session's commit to the other window's tree showing it: one session renames a
// place, by turns, under a place of 100 children that the location window (the real form, its
// own connection) has open; the time runs from the routine's return to the node's new caption
// in the window's tree. Each change comes after a random pause, so it meets the window's watch
// at any point of its interval. 200 changes on each engine; the median and the maximum are printed
// with the machine's load. PostgreSQL when QXV_PG_DSN names a server.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Platform/Data/OraSession.h"
#include "Server/sqlite/SqliteServer.h"
#include "WideNode.h"

namespace {

constexpr int kChanges = 200;
constexpr int kTimeoutMs = 5000;

struct TFollowed {
    TEngine* Engine = nullptr;
    TOraSession Session;
    TfMain* Form = nullptr;
    std::vector<std::pair<long long, long long>> Places;  // (id, type) of the open place's children
};

double LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : -1;
}

void Follow(benchmark::State& s, TFollowed* f) {
    TEngine& e = *f->Engine;
    const TRoutineDesc rename =
        e.Db->Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("UPD_T#LOCATION"));
    std::vector<double> ms;
    int turn = 0;
    for (auto _ : s) {
        // A change comes at any moment of the window's watch, not just after a look.
        QElapsedTimer idle;
        idle.start();
        const int pause = QRandomGenerator::global()->bounded(150);
        while (idle.elapsed() < pause) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const auto& [id, type] = f->Places[size_t(turn) % f->Places.size()];
        const QString name = QStringLiteral("Переименовано %1").arg(++turn);
        e.Db->Call(
            rename,
            {{"PID", id}, {"PID_PARENT", e.Parent}, {"PID_LOCATTYPE", type}, {"PNAME", name}});
        QElapsedTimer shown;
        shown.start();
        auto arrived = [&] {
            const TObjectNode* node = f->Form->Tree()->Find(int(id));
            return node && node->Caption().endsWith(name);
        };
        while (!arrived() && shown.elapsed() < kTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!arrived()) s.SkipWithError("the window did not show a change within 5 s");
        ms.push_back(double(shown.nsecsElapsed()) / 1e6);
        s.SetIterationTime(ms.back() / 1e3);
    }
    std::sort(ms.begin(), ms.end());
    s.counters["median_ms"] = ms[ms.size() / 2];
    s.counters["max_ms"] = ms.back();
    s.counters["load1"] = LoadAverage();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<TFollowed>> windows;
    try {
        engines = PrepareEngines(dir.path(), 100);
        for (auto& e : engines) {
            auto& f = *windows.emplace_back(std::make_unique<TFollowed>());
            f.Engine = e.get();
            const TRowSet rows =
                e->Db->Call(e->Children, {{"PID", -1}, {"PID_PARENT", e->Parent}}).Cursor.value();
            size_t idColumn = 0, typeColumn = 0;
            for (size_t c = 0; c < rows.Columns.size(); ++c) {
                if (rows.Columns[c].Name == QLatin1String("ID")) idColumn = c;
                if (rows.Columns[c].Name == QLatin1String("ID_LOCATTYPE")) typeColumn = c;
            }
            for (size_t r = 0; r < rows.Rows.size(); ++r)
                f.Places.emplace_back(rows.Rows[r][idColumn].toLongLong(),
                                      rows.Rows[r][typeColumn].toLongLong());
            f.Session.SetConnectString(ConnectionString(*e));
            f.Form = TComBaseForm::Create<TfMain>(nullptr, &f.Session, e->Schema);
            f.Form->show();
            TObjectNode* open = f.Form->Tree()->Find(int(e->Parent));
            f.Form->tvObjects->setCurrentItem(open);
            open->setExpanded(true);
            const std::string name = e->Name + "/commit to the other window's tree";
            benchmark::RegisterBenchmark(name.c_str(), Follow, &f)
                ->Iterations(kChanges)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (auto& f : windows) TComBaseForm::Free(f->Form);
    windows.clear();
    DropSchemas(engines);
    return 0;
}
