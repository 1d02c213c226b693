// Expanding a place with 10,000 children in the location tree (TLocationTree::LoadChildren:
// the server call, the tree nodes, their sort) against the floor: the engine's own C API
// reading the same rows and a bare QTreeWidget taking them with Qt's insert and sort. On
// each engine in one run; PostgreSQL when QXV_PG_DSN names a server.

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdio>

#include "ComUnits/uOraFunctions.h"
#include "Floor.h"
#include "Location/DataMod.h"
#include "Location/LocationTree.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Ratios.h"
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

    explicit TWindow(TEngine& e) {
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

// The floor: its own engine connection and a bare tree with one node to fill.
struct TBareTree {
    std::unique_ptr<TRawSqlite> Sqlite;
    std::unique_ptr<TRawPostgres> Postgres;
    QTreeWidget Tree;
    QTreeWidgetItem* Node = new QTreeWidgetItem(&Tree);
    QIcon Icon;

    explicit TBareTree(const TEngine& e) {
        if (e.Name == "sqlite")
            Sqlite = std::make_unique<TRawSqlite>(e.Connection, e.Schema);
        else
            Postgres = std::make_unique<TRawPostgres>(e.Connection);
        QPixmap picture(16, 16);
        picture.fill(Qt::darkGreen);
        Icon = QIcon(picture);
    }
    void Expand(const TEngine& e) {
        qDeleteAll(Node->takeChildren());
        BareTreeFill(
            Node,
            Sqlite ? Sqlite->Select(e.Select, e.Parent) : Postgres->Select(e.Select, e.Parent),
            Icon);
    }
};

void Register(TEngine* e, TWindow* w, TBareTree* floor,
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
    std::vector<std::unique_ptr<TWindow>> windows;
    std::vector<std::unique_ptr<TBareTree>> floors;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = PrepareEngines(dir.path());
        for (auto& e : engines) {
            windows.push_back(std::make_unique<TWindow>(*e));
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
