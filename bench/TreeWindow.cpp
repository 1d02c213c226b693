#include "TreeWindow.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Platform/Data/OraStoredProc.h"
#include "Server/sqlite/SqliteServer.h"

TTreeWindow::TTreeWindow(TEngine& e) : DM(new TDM(&Form)) {
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

TOraStoredProc* TTreeWindow::Proc(const char* name, const char* routine) {
    auto* proc = new TOraStoredProc(&Form);
    proc->setObjectName(name);
    proc->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.") + QString::fromLatin1(routine));
    return proc;
}

TBareTree::TBareTree(const TEngine& e) {
    if (e.Name == "sqlite")
        Sqlite = std::make_unique<TRawSqlite>(e.Connection, e.Schema);
    else
        Postgres = std::make_unique<TRawPostgres>(e.Connection);
    QPixmap picture(16, 16);
    picture.fill(Qt::darkGreen);
    Icon = QIcon(picture);
}

void TBareTree::Expand(const TEngine& e) {
    qDeleteAll(Node->takeChildren());
    BareTreeFill(Node,
                 Sqlite ? Sqlite->Select(e.Select, e.Parent) : Postgres->Select(e.Select, e.Parent),
                 Icon);
}

int RunTreeBenchmarks(int& argc, char** argv, int children, bool shown, const TEnrollTree& enroll) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<TTreeWindow>> windows;
    std::vector<std::unique_ptr<TBareTree>> floors;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = PrepareEngines(dir.path(), children);
        for (auto& e : engines) {
            auto& w = *windows.emplace_back(std::make_unique<TTreeWindow>(*e));
            if (shown) {
                w.Form.resize(400, 700);
                w.Tree->resize(400, 700);
                w.Form.show();
            }
            floors.push_back(std::make_unique<TBareTree>(*e));
            enroll(e.get(), &w, floors.back().get(), ratios);
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
