// Expanding a place with 10,000 children in the location tree: the server call, the
// creation of the tree nodes and their sort (TLocationTree::LoadChildren), against the
// plain SELECT of the same rows, on the embedded engine, in one run.

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdio>

#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Location/LocationTree.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Server/sqlite/SqliteServer.h"
#include "WideNode.h"

namespace {

// The tree as the location window holds it, bound to the benchmark's database.
struct TWindow {
    QWidget Form;
    QTreeWidget* Tree = new QTreeWidget(&Form);
    TOraSession Session;
    TDM* DM = new TDM(&Form);
    TLocationTree* Locations = nullptr;
    TObjectNode* Wide = nullptr;

    TWindow(TEngine& e) {
        Session.AdoptConnection(e.Db.get());
        TLocationTree::TCalls calls;
        calls.ObjectsTree = Proc("ospObjectsTree", "GET_T#LOCATION");
        calls.AbbrevImages = Proc("ospAbbrevImages", "GET_T#LOCATABBREV");
        calls.Levels = Proc("ospLevels", "GET_T#LOCATTYPE");
        calls.PlaceParents = Proc("ospPlaceParents", "GET_LOCATION_PARENTS");
        fSetSession(&Form, &Session);
        fSetShema(&Form, e.Schema);
        Locations = new TLocationTree(Tree, DM, calls, &Form);
        Locations->LoadAbbrevImages();
        Locations->BuildRoot();
        Wide = Locations->Root()->ChildNode(0);
    }
    TOraStoredProc* Proc(const char* name, const char* routine) {
        auto* proc = new TOraStoredProc(&Form);
        proc->setObjectName(name);
        proc->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.") + QString::fromLatin1(routine));
        return proc;
    }
};

void ByExpanding(benchmark::State& state, TWindow* w) {
    for (auto _ : state) w->Locations->LoadChildren(w->Wide, true);
    if (w->Wide->childCount() != kChildren) state.SkipWithError("the node did not get every child");
    state.SetItemsProcessed(state.iterations() * kChildren);
}

void BySelect(benchmark::State& state, TEngine* e) {
    size_t rows = 0;
    for (auto _ : state) {
        rows = e->Db->Query(e->Select, {{"PARENT", e->Parent}}).Rows.size();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kChildren) state.SkipWithError("the select did not return every child");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    TEngine sqlite;
    std::unique_ptr<TWindow> window;
    try {
        sqlite.Db =
            OpenConnection(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db")));
        sqlite.Schema = QStringLiteral("qxvbase");
        Prepare(sqlite);
        window = std::make_unique<TWindow>(sqlite);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    benchmark::RegisterBenchmark("sqlite/select (baseline)", BySelect, &sqlite)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sqlite/expand node (call, nodes, sort)", ByExpanding,
                                 window.get())
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
