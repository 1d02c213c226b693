// Expanding a place with 10,000 children in the location tree (TLocationTree::LoadChildren:
// the server call, the tree nodes, their sort) against the floor: the engine's own C API
// reading the same rows and a bare QTreeWidget taking them with Qt's insert and sort. On
// each engine in one run; PostgreSQL when QXV_PG_DSN names a server.

#include <benchmark/benchmark.h>

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
    return RunTreeBenchmarks(argc, argv, kChildren, false, Register);
}
