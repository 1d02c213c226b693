#include "TreeWindow.h"

#include <QPixmap>

#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Platform/Data/OraStoredProc.h"

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
