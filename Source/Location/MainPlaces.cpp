// The user's own places in the location window: the star in the tree's context menu, the short
// list beside the picker's tree, the places the user chose, and the merge of a place into
// another one of its level.
#include <QAction>
#include <QMenu>
#include <QSplitter>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/LocationDialogs.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/RowDragTree.h"
#include "Location/ServiceTable.h"
#include "Location/UserPlaces.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

void TfMain::BuildPlaceActions() {
    auto action = [this](const char* name, const char* text) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    aStar = action("aStar", "Izbrannoe");
    aStar->setCheckable(true);
    aMerge = action("aMerge", "Ob'edinit' s...");
    connect(aStar, &QAction::triggered, this, Application::Guarded(this, &TfMain::aStarExecute));
    connect(aMerge, &QAction::triggered, this, Application::Guarded(this, &TfMain::aMergeExecute));
    pmTree->addActions({aStar, aMerge});  // the tree's menu is built before

    ospUserPlaces = LocatProc(this, "ospUserPlaces", "GET_USER_PLACES");
    ospSaveChosen = LocatProc(this, "ospSaveChosen", "SAVE_CHOSEN_PLACE");
    ospPlaceStar = LocatProc(this, "ospPlaceStar", "SET_PLACE_STAR");
    ospNamesakes = LocatProc(this, "ospNamesakes", "GET_PLACE_NAMESAKES");
    ospMerge = LocatProc(this, "ospMerge", "MERGE_T#LOCATION");

    lbUserPlaces = new TUserPlacesList(cxSplitter);
    cxSplitter->insertWidget(0, lbUserPlaces);
    cxSplitter->setStretchFactor(1, 1);
    lbUserPlaces->setVisible(false);
    lbUserPlaces->Opened = [this](int id) { OpenUserPlace(id, false); };
    lbUserPlaces->Chosen = [this](int id) { OpenUserPlace(id, true); };
}

void TfMain::UpdatePlaceActions(TObjectNode* selected) {
    const bool place = selected && selected->Depth() > 0;
    aStar->setEnabled(place);
    aStar->setChecked(place && lbUserPlaces->IsStarred(selected->ID));
    // A merge deletes the merged place and changes the one that stays.
    aMerge->setEnabled(place && FEditLocation && FDelLocation);
}

void TfMain::LoadUserPlaces() {
    lbUserPlaces->Load(*ospUserPlaces, AbbrevSeparator());
    UpdateActions();
}

// A window that stays open puts the choice first in its suggestions from now on.
void TfMain::RememberChosen(int id) {
    if (RememberChosenPlace(*ospSaveChosen, id) && isVisible())
        Application::Instance().Protect(this, [this] { LoadUserPlaces(); });
}

void TfMain::OpenUserPlace(int id, bool choose) {
    Application::Instance().Protect(this, [this, id, choose] {
        FTree->ExpandToLocation(id);
        if (choose && FSelectMode && GetSelectedID() == id) btnSelectClick();
    });
}

void TfMain::aStarExecute() {
    const int id = GetSelectedID();
    if (id < 1) return;
    ospPlaceStar->Close();
    ospPlaceStar->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    ospPlaceStar->ParamByName(QStringLiteral("PSTARRED"))
        .SetAsInteger(lbUserPlaces->IsStarred(id) ? 0 : 1);
    ospPlaceStar->ExecProc();
    LoadUserPlaces();
}

void TfMain::aMergeExecute() {
    EnsureTranslation();
    FTree->FinishLoads();
    TObjectNode* merged = FTree->Selected();
    if (!merged || merged->Depth() == 0) return;
    // The picker opens among the place's siblings, where a duplicate usually stands.
    const TObjectNode* parent = merged->ParentNode();
    int survivor = parent && parent->Depth() > 0 ? parent->ID : -1;
    if (!ServiceTable::GetLocation(FSession, FShema.toUtf8().constData(), &survivor) ||
        survivor < 1)
        return;
    const QString question =
        TranslateRu(QStringLiteral("Объединить \"%1\" с выбранным местоположением? Его "
                                   "подчинённые, информация, коды и названия перейдут к "
                                   "выбранному, а само оно будет удалено."))
            .arg(merged->Caption());
    if (MessageBoxes::Show(question, TranslateRu(QStringLiteral("Объединение")),
                           MB_ICONQUESTION | MB_YESNO, MessageBoxes::OwnerFor(this)) != IDYES)
        return;
    long long result = -1;
    try {
        ospMerge->Close();
        ospMerge->ParamByName(QStringLiteral("PID")).SetAsInteger(merged->ID);
        ospMerge->ParamByName(QStringLiteral("PID_TARGET")).SetAsInteger(survivor);
        ospMerge->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(merged->Version);
        ospMerge->ExecProc();
        result = ospMerge->ParamByName(QStringLiteral("RESULT")).AsInteger();
    } catch (const std::exception& e) {
        if (ShowRefusal(e, this)) return;
        if (ChangedByOther(e)) return ShowChangedPlace(merged);
        MessageBoxes::Show(ErrorText(e), TranslateRu(QStringLiteral("Объединение")),
                           MB_ICONEXCLAMATION, MessageBoxes::OwnerFor(this));
        return;
    }
    if (result < 1) return ShowPlaceGone(this);
    DropGoneNode(merged);
    FTree->ExpandToLocation(survivor);
    if (TObjectNode* s = FTree->Selected(); s && s->ID == survivor) FTree->LoadChildren(s, true);
    LoadUserPlaces();
}
