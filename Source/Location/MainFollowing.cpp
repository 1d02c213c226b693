// The location window follows what other sessions change: the journal's rows are applied to
// the loaded tree the way the window's own changes are, without a reload. Every step is
// idempotent, so the rows of the window's own changes, already shown, change nothing again.
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

#include "Location/FrameObjectInfo.h"
#include "Location/JournalWatcher.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/RowDragTree.h"
#include "Platform/Ui/Application.h"

namespace {

// Past this many changed places at once (an import) the loaded levels are read again.
constexpr long kReloadFrom = 200;

void CollectExpanded(QTreeWidgetItem* item, QList<QTreeWidgetItem*>& open) {
    if (!item->isExpanded()) return;
    open << item;
    for (int i = 0; i < item->childCount(); ++i) CollectExpanded(item->child(i), open);
}

bool IsWithin(const TObjectNode* node, const TObjectNode* ancestor) {
    for (; node; node = node->ParentNode())
        if (node == ancestor) return true;
    return false;
}

}  // namespace

void TfMain::FollowJournal() {
    if (!FSession) return;
    connect(TJournalWatcher::Of(FSession, FShema), &TJournalWatcher::Changed, this,
            [this](const std::vector<TJournalRow>& rows) {
                Application::Instance().Protect(this, [&] { ApplyJournal(rows); });
            });
    TJournalWatcher::Of(FSession, FShema)->Poll();  // where the journal stands now
}

void TfMain::ApplyJournal(const std::vector<TJournalRow>& rows) {
    if (!FTree || !FTree->Root()) return;
    FTree->FinishLoads();  // the levels it changes are whole before they change
    const TObjectNode* top = AsNode(tvObjects->itemAt(0, 0));
    const int topId = top ? top->ID : 0;
    const long places = std::count_if(rows.begin(), rows.end(),
                                      [](const TJournalRow& row) { return row.Is("PLACE"); });
    bool reload = places > kReloadFrom, items = false, levels = false;
    for (const TJournalRow& row : rows) {
        if (row.Is("PLACE") && !reload)
            FollowPlace(row);
        else if (row.Is("ITEM"))
            items = items || (FInfoFrame && row.Place == FInfoFrame->ObjID());
        else if (row.Is("ABBREV"))
            reload = true;  // captions and pictures carry the abbreviations
        else if (row.Is("LEVEL"))
            levels = true;
    }
    if (levels) {
        LoadLevels();
        FMaxLevel = GetMaxLevel();
    }
    if (reload) {
        LoadAbbrevImages();
        FTree->ReloadKeepingPlace();
    } else if (TObjectNode* first = FTree->Find(topId)) {
        tvObjects->scrollToItem(first, QAbstractItemView::PositionAtTop);
    }
    if (items) FInfoFrame->RefreshInfo();
    ShowAddressPath();
    UpdateActions();
}

void TfMain::FollowPlace(const TJournalRow& row) {
    TObjectNode* node = FTree->Find(row.ObjID);
    if (row.IsOp("DELETE")) {
        if (node) DropGoneNode(node);
        return;
    }
    if (!node) {  // a new place, or one moved in from a part of the tree not loaded
        ArriveFollowed(row.ObjID, FTree->Find(row.Parent));
        return;
    }
    if (node->ParentNode() && node->ParentNode()->ID != row.Parent) {
        MoveFollowed(node, row.Parent);
        return;
    }
    if (!FTree->Reread(node)) {
        DropGoneNode(node);
        return;
    }
    if (TObjectNode* parent = node->ParentNode()) parent->sortChildren(0, Qt::AscendingOrder);
}

void TfMain::ArriveFollowed(int id, TObjectNode* parent) {
    // A level not loaded shows the place when it is opened.
    if (!parent || !parent->ChildrenLoaded || FTree->IsLoading(parent)) return;
    auto* node = new TObjectNode;
    node->ID = id;
    node->Level = parent->Level + 1;
    if (!FTree->Reread(node)) {
        delete node;
        return;
    }
    if (node->ChildCount > 0)
        node->addChild(new TObjectNode);  // placeholder: shows the expand button
    else
        node->ChildrenLoaded = true;
    TTreeUpdate update(tvObjects);
    const QSignalBlocker quiet(tvObjects);
    parent->addChild(node);
    parent->sortChildren(0, Qt::AscendingOrder);
}

void TfMain::MoveFollowed(TObjectNode* node, int parentId) {
    TObjectNode* target = FTree->Find(parentId);
    const bool held = FTree->HoldsSelection(node);
    if (!target || !target->ChildrenLoaded || FTree->IsLoading(target) || IsWithin(target, node)) {
        // The new parent's level is not loaded: the place leaves, and when it held the
        // selection the tree opens down to where it went.
        const int id = node->ID;
        {
            const QSignalBlocker quiet(tvObjects);
            if (held) tvObjects->setCurrentItem(node->ParentNode());
            delete node;
        }
        if (held) FTree->ExpandToLocation(id);
        return;
    }
    {
        TTreeUpdate update(tvObjects);
        const QSignalBlocker quiet(tvObjects);
        QTreeWidgetItem* current = tvObjects->currentItem();
        QList<QTreeWidgetItem*> open;
        CollectExpanded(node, open);
        node->parent()->removeChild(node);
        target->addChild(node);
        for (QTreeWidgetItem* item : std::as_const(open)) item->setExpanded(true);
        if (held) tvObjects->setCurrentItem(current);
    }
    FollowMovedLevels(node, target->Level + 1);
    if (!FTree->Reread(node)) {
        DropGoneNode(node);
        return;
    }
    target->sortChildren(0, Qt::AscendingOrder);
}
