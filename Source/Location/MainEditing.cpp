// The editing operations of the location window: add, edit, delete, re-parent by
// dragging, and the two reference dictionaries.
#include <QAction>
#include <QTreeWidget>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/Abbreviature.h"
#include "Location/AddEditPlace.h"
#include "Location/Level.h"
#include "Location/LocationDialogs.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/RowDragTree.h"
#include "Location/UserPlaces.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

// Captions made by add and edit always separate short name and name by ". ".
QString EditedCaption(const QString& shortName, const QString& name) {
    return TLocationTree::Caption(shortName, QStringLiteral(". "), name);
}

bool IsAncestor(const QTreeWidgetItem* candidate, const QTreeWidgetItem* node) {
    for (const QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        if (p == candidate) return true;
    return false;
}

}  // namespace

void TfMain::ConnectEditing() {
    auto guarded = [this](void (TfMain::*operation)()) {
        return Application::Guarded(this, operation);
    };
    connect(aObjectAdd, &QAction::triggered, this, guarded(&TfMain::aObjectAddExecute));
    connect(aObjectEdit, &QAction::triggered, this, guarded(&TfMain::aObjectEditExecute));
    connect(aObjectDelete, &QAction::triggered, this, guarded(&TfMain::aObjectDeleteExecute));
    connect(aAbbreviature, &QAction::triggered, this, guarded(&TfMain::aAbbreviatureExecute));
    connect(aLevel, &QAction::triggered, this, guarded(&TfMain::aLevelExecute));
    tvObjects->CanDrop = [this](QTreeWidgetItem* target) { return CanDropOn(AsNode(target)); };
    tvObjects->Drop = [this](QTreeWidgetItem* target) {
        Application::Instance().Protect(this, [this, target] { DropOn(AsNode(target)); });
    };
}

void TfMain::aObjectAddExecute() {
    FTree->FinishLoads();  // the levels it changes are whole before they change
    TObjectNode* s = FTree->Selected();
    if (!s) return;
    auto* dialog = TComBaseForm::Create<TfAddEditPlace>(nullptr, FSession, FShema);
    {
        const TFormHolder<TComBaseForm> freeDialog{dialog};
        dialog->SetDialogMode(1);
        dialog->ParentID = s->ID;  // -1 under the root
        dialog->ParentPath = TLocationTree::PathOf(s);
        dialog->Level = s->Level + 1;
        const bool done = dialog->Execute();
        s = FTree->Find(dialog->ParentID);  // followed while the dialog was open: maybe gone
        if (!s) {
            // the tree has shown the deletion or the move already
        } else if (dialog->Edited.Gone) {
            DropGoneNode(s);
        } else if (done) {
            if (dialog->ID < 1) {
                ShowWarning(windowTitle(),
                            TranslateRu(QStringLiteral("Местоположение не добавлено")));
            } else {
                TObjectNode* node = nullptr;
                {
                    TTreeUpdate update(tvObjects);
                    node = new TObjectNode;
                    node->setText(0, EditedCaption(dialog->GetAbbrevSName(), dialog->Name));
                    node->ID = dialog->ID;
                    node->AbbrevID = dialog->GetAbbrevID();
                    node->Level = dialog->Level;
                    node->ChildrenLoaded = true;
                    s->addChild(node);
                    // The new place shows its abbreviation's picture at once.
                    FTree->SetNodeImage(node, FTree->AbbrevImage(node->AbbrevID));
                    s->sortChildren(0, Qt::AscendingOrder);
                }
                tvObjects->setCurrentItem(node);
            }
        }
    }
    EnsureTranslation();
    UpdateActions();
}

void TfMain::aObjectEditExecute() {
    FTree->FinishLoads();  // the levels it changes are whole before they change
    TObjectNode* s = FTree->Selected();
    if (!s || s->Depth() == 0) return;
    auto* dialog = TComBaseForm::Create<TfAddEditPlace>(nullptr, FSession, FShema);
    {
        const TFormHolder<TComBaseForm> freeDialog{dialog};
        dialog->SetDialogMode(2);
        TObjectNode* parent = s->ParentNode();
        dialog->ParentID = parent && parent->Depth() >= 1 ? parent->ID : -1;
        dialog->ParentPath = TLocationTree::PathOf(parent);
        dialog->ID = s->ID;
        dialog->Level = s->Level;
        const bool done = dialog->Execute();
        s = FTree->Find(dialog->ID);  // followed while the dialog was open: maybe gone
        if (!s) {
            // the tree has shown the deletion or the move already
        } else if (dialog->Edited.Gone) {
            DropGoneNode(s);
        } else if (done) {
            ShowEdited(s, dialog->GetAbbrevID(), dialog->GetAbbrevSName(), dialog->Name);
            s->Version = dialog->Edited.Version;
        } else if (dialog->Edited.Reloaded) {  // cancelled: the place as another user left it
            ShowEdited(s, dialog->ShownAbbrevID, dialog->ShownAbbrevSName, dialog->Name);
            s->Version = dialog->Edited.Version;
        }
    }
    EnsureTranslation();
    ShowAddressPath();
}

void TfMain::ShowEdited(TObjectNode* node, int abbrevId, const QString& abbrevSName,
                        const QString& name) {
    node->AbbrevID = abbrevId;
    TTreeUpdate update(tvObjects);
    node->setText(0, EditedCaption(abbrevSName, name));
    FTree->SetNodeImage(node, FTree->AbbrevImage(node->AbbrevID));
    if (TObjectNode* parent = node->ParentNode()) parent->sortChildren(0, Qt::AscendingOrder);
}

void TfMain::ShowChangedPlace(TObjectNode* node) {
    const auto last = FTree->Reread(node);
    if (!last) {
        ShowPlaceGone(this);
        DropGoneNode(node);
        return;
    }
    if (TObjectNode* parent = node->ParentNode()) parent->sortChildren(0, Qt::AscendingOrder);
    ShowChangedByOther(last->By, last->At, this);
}

void TfMain::aObjectDeleteExecute() {
    EnsureTranslation();
    FTree->FinishLoads();
    TObjectNode* s = FTree->Selected();
    if (!s || s->Depth() == 0) return;
    const int answer = MessageBoxes::Show(
        FormatS(TranslateRu(QStringLiteral("Удалить объект \"%s\"?")), s->Caption()),
        TranslateRu(QStringLiteral("Удаление")), MB_ICONQUESTION | MB_YESNO,
        MessageBoxes::OwnerFor(this));
    if (answer != IDYES) return;
    long long result = -1;
    bool referenced = false;
    auto warnOnFailure = [this, &result] {
        if (result != -1) return;
        const TObjectNode* now = FTree->Selected();
        ShowWarning(windowTitle(),
                    FormatS(TranslateRu(QStringLiteral("Ошибка при удалении объекта \"%s\"!")),
                            now ? now->Caption() : QString()));
    };
    try {
        TTreeUpdate update(tvObjects);
        oqObjectDelete->MacroByName(QStringLiteral("shema")).SetValue(FShema);
        oqObjectDelete->ParamByName(QStringLiteral("PID")).SetAsInteger(s->ID);
        oqObjectDelete->ExecSQL();
        result = oqObjectDelete->ParamByName(QStringLiteral("RESULT")).AsInteger();
        if (result >= 1) {
            // The parent is selected before the place goes: had the view moved the
            // current row onto the parent by itself, no selection would follow.
            tvObjects->setCurrentItem(s->ParentNode());
            const QSignalBlocker quiet(tvObjects);
            delete s;
        } else if (result == -2) {
            referenced = true;
            MessageBoxes::Show(
                TranslateRu(QStringLiteral("Запись нельзя удалить, т.к. на нее есть ссылки")),
                TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION, this);
        }
    } catch (const std::exception& e) {
        if (ShowRefusal(e, this)) return;
        warnOnFailure();
        throw;
    } catch (...) {
        warnOnFailure();
        throw;
    }
    warnOnFailure();
    if (!referenced) EnsureTranslation();
    UpdateActions();
}

void TfMain::DropGoneNode(TObjectNode* node) {
    if (FTree->HoldsSelection(node)) tvObjects->setCurrentItem(node->ParentNode());
    const QSignalBlocker quiet(tvObjects);
    delete node;
}

bool TfMain::CanDropOn(TObjectNode* target) const {
    // Moving a place changes it: without the edit right no drag is accepted.
    if (!FEditLocation) return false;
    const TObjectNode* s = FTree->Selected();
    if (!s || !target || target == s || target == s->ParentNode()) return false;
    if (IsAncestor(target, s)) return false;
    // A place never goes into its own subtree.
    if (IsAncestor(s, target)) return false;
    return FTree->Levels().LevelHasAbbrev(target->Depth() + 1, s->AbbrevID);
}

void TfMain::DropOn(TObjectNode* target) {
    FTree->FinishLoads();
    TObjectNode* s = FTree->Selected();
    if (!target || !s || target == s) return;
    if (!ConfirmNamesake(this, *ospNamesakes, target->ID, QString(), s->ID,
                         TLocationTree::PathOf(target)))
        return;
    long long result = -1;
    try {
        ospChangeParent->Close();
        ospChangeParent->ParamByName(QStringLiteral("PID")).SetAsInteger(s->ID);
        ospChangeParent->ParamByName(QStringLiteral("PID_PARENT")).SetAsInteger(target->ID);
        ospChangeParent->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(s->Version);
        ospChangeParent->ExecProc();
        result = ospChangeParent->ParamByName(QStringLiteral("RESULT")).AsInteger();
    } catch (const std::exception& e) {
        if (ChangedByOther(e)) ShowChangedPlace(s);
        return;  // any other refused move changes nothing and says nothing
    }
    if (result < 1) return;
    TTreeUpdate update(tvObjects);
    if (target->ChildrenLoaded) {
        {
            const QSignalBlocker quiet(tvObjects);
            s->parent()->removeChild(s);
            target->addChild(s);
            target->sortChildren(0, Qt::AscendingOrder);
            tvObjects->setCurrentItem(s);
        }
        FTree->Reread(s);  // the version the move left
        FollowMovedLevels(s, target->Level + 1);
        ShowAddressPath();
        UpdateActions();
        return;
    }
    const int movedId = s->ID;
    FTree->LoadChildren(target, false);  // fetches the moved place among the target's children
    TObjectNode* fetched = nullptr;
    for (int i = 0; i < target->childCount(); ++i)
        if (target->ChildNode(i)->ID == movedId) fetched = target->ChildNode(i);
    {
        const QSignalBlocker quiet(tvObjects);
        delete s;
    }
    if (fetched) {
        target->setExpanded(true);
        tvObjects->setCurrentItem(fetched);
    }
}

void TfMain::FollowMovedLevels(TObjectNode* moved, int newLevel) {
    const int shift = newLevel - moved->Level;
    if (shift == 0) return;
    std::function<void(TObjectNode*)> follow = [&](TObjectNode* node) {
        if (node->IsPlaceholder()) return;
        node->Level += shift;
        for (int i = 0; i < node->childCount(); ++i) follow(node->ChildNode(i));
    };
    follow(moved);
}

namespace {

// Runs a dictionary with the user's four rights over it; `afterRun` sees it before it goes.
template <class TDictionary>
void RunDictionary(TOraSession* session, const QString& schema, bool view, bool add, bool edit,
                   bool del, const std::function<void()>& afterRun = nullptr) {
    auto* form = TComBaseForm::Create<TDictionary>(nullptr, session, schema);
    const TFormHolder<TComBaseForm> freeForm{form};
    form->FCanAdd = add;
    form->FCanEdit = edit;
    form->FCanDelete = del;
    form->SetCanView(view);
    form->Execute();
    if (afterRun) afterRun();
}

}  // namespace

void TfMain::aAbbreviatureExecute() {
    RunDictionary<TfAbbreviature>(FSession, FShema, FViewAte, FAddAte, FEditAte, FDelAte);
    EnsureTranslation();
}

void TfMain::aLevelExecute() {
    RunDictionary<TfLevel>(FSession, FShema, FViewLevel, FAddLevel, FEditLevel, FDelLevel,
                           [this] { LoadLevels(); });
    EnsureTranslation();
    FMaxLevel = GetMaxLevel();
    UpdateActions();
}
