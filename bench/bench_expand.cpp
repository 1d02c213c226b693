// Expanding a place with 10,000 children in the location tree (TLocationTree::LoadChildren:
// the server call, the tree nodes, their sort) against the floor: the engine's own C API
// reading the same rows and a bare QTreeWidget taking them with Qt's insert and sort. On
// each engine in one run; PostgreSQL when QXV_PG_DSN names a server.

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

#include "Ratios.h"
#include "Server/sqlite/SqliteServer.h"
#include "TreeWindow.h"

namespace {

void Register(TEngine* e, TTreeWindow* w, TBareTree* floor,
              std::vector<TRatioReporter::TRatio>& ratios) {
    const std::string bare = e->Name + "/raw select + bare tree (floor)";
    const std::string expand = e->Name + "/expand node (call, nodes, sort)";
    benchmark::RegisterBenchmark(bare.c_str(), [=](benchmark::State& s) {
        for (auto _ : s) floor->Expand(*e);
        if (floor->Node->childCount() != kChildren)
            s.SkipWithError("the bare tree did not get every child");
        s.SetItemsProcessed(s.iterations() * kChildren);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(expand.c_str(), [=](benchmark::State& s) {
        for (auto _ : s) w->Locations->LoadChildren(w->Wide, true);
        if (w->Wide->childCount() != kChildren) s.SkipWithError("the node did not get every child");
        s.SetItemsProcessed(s.iterations() * kChildren);
    })->Unit(benchmark::kMillisecond);
    ratios.push_back({expand, bare});
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<TTreeWindow>> windows;
    std::vector<std::unique_ptr<TBareTree>> floors;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = PrepareEngines(dir.path());
        for (auto& e : engines) {
            windows.push_back(std::make_unique<TTreeWindow>(*e));
            floors.push_back(std::make_unique<TBareTree>(*e));
            Register(e.get(), windows.back().get(), floors.back().get(), ratios);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    windows.clear();
    floors.clear();
    DropSchemas(engines);
    return 0;
}
