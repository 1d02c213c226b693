#pragma once

// The location tree as the location window holds it, bound to a benchmark's database, and
// the floor it is held against: a bare QTreeWidget filled from the engine's own C API.

#include <QIcon>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "Floor.h"
#include "Location/LocationTree.h"
#include "Platform/Data/OraSession.h"
#include "Ratios.h"
#include "WideNode.h"

class TDM;
class TOraStoredProc;

struct TTreeWindow {
    QWidget Form;
    QTreeWidget* Tree = new QTreeWidget(&Form);
    TOraSession Session;
    TDM* DM = nullptr;
    TLocationTree* Locations = nullptr;
    TObjectNode* Wide = nullptr;  // the wide place, under the root

    explicit TTreeWindow(TEngine& e);

private:
    TOraStoredProc* Proc(const char* name, const char* routine);
};

// The floor: its own engine connection and a bare tree with one node to fill.
struct TBareTree {
    std::unique_ptr<TRawSqlite> Sqlite;
    std::unique_ptr<TRawPostgres> Postgres;
    QTreeWidget Tree;
    QTreeWidgetItem* Node = new QTreeWidgetItem(&Tree);
    QIcon Icon;

    explicit TBareTree(const TEngine& e);
    // The raw select of the wide place's children, one bare item each, one insertion, a sort.
    void Expand(const TEngine& e);
};

// The main program of a tree benchmark: on each engine a wide place of `children` children, a
// tree window (shown on the offscreen screen when asked) and a floor, handed to `enroll` to
// register its benchmarks and ratios; then the run and the schemas dropped.
using TEnrollTree =
    std::function<void(TEngine*, TTreeWindow*, TBareTree*, std::vector<TRatioReporter::TRatio>&)>;
int RunTreeBenchmarks(int& argc, char** argv, int children, bool shown, const TEnrollTree& enroll);
