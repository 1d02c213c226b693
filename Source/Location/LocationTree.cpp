#include "Location/LocationTree.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "ComUnits/uImageList.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/ChildrenLoad.h"
#include "Location/DataMod.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/PlaceCaption.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/Bitmap16.h"

#include <algorithm>
#include <utility>

TTreeUpdate::TTreeUpdate(QTreeWidget* tree) : FTree(tree), FWasEnabled(tree->updatesEnabled()) {
    FTree->setUpdatesEnabled(false);
}

TTreeUpdate::~TTreeUpdate() { FTree->setUpdatesEnabled(FWasEnabled); }

TLocationTree::~TLocationTree() = default;

TLocationTree::TLocationTree(QTreeWidget* tree, TDM* dm, TCalls calls, QObject* parent)
    : QObject(parent), FTree(tree), FDM(dm), FCalls(calls) {
    connect(FTree, &QTreeWidget::currentItemChanged, this,
            [this] { RunHandler([this] { OnCurrentItemChanged(); }); });
    connect(FTree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { RunHandler([this, item] { OnItemExpanded(item); }); });
}

void TLocationTree::RunHandler(const std::function<void()>& handler) {
    if (!FHeldError) {
        Application::Instance().Protect(parent(), handler);
        return;
    }
    try {
        handler();
    } catch (...) {
        if (!*FHeldError) *FHeldError = std::current_exception();
    }
}

void TLocationTree::RunRaisingHandlerErrors(const std::function<void()>& action) {
    std::exception_ptr held;
    std::exception_ptr* outer = std::exchange(FHeldError, &held);
    try {
        action();
    } catch (...) {
        FHeldError = outer;
        throw;
    }
    FHeldError = outer;
    if (held) std::rethrow_exception(held);
}

QString TLocationTree::Caption(const QString& shortName, const QString& separator,
                               const QString& name) {
    return PlaceCaption(shortName, separator, name);
}

void TLocationTree::LoadAbbrevImages() {
    FAbbrevImages.clear();
    TOraStoredProc& proc = *FCalls.AbbrevImages;
    proc.Close();
    proc.ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    proc.Open();
    if (proc.IsEmpty()) return;
    TImageList& images = *FDM->ImageList();
    FAbbrevImages.reserve(proc.RecordCount());
    int next = images.Count();
    for (proc.First(); !proc.Eof(); proc.Next()) {
        const int id = proc.FieldByName(QStringLiteral("ID")).AsInteger();
        const TField& bmp = proc.FieldByName(QStringLiteral("BMP16#16"));
        if (bmp.IsNull()) {
            FAbbrevImages.emplace_back(id, 0);
            continue;
        }
        QImage picture = Bitmap16::FromBmp(bmp.AsBytes()).Image;
        // An unreadable or empty picture shows as the default one, in its own slot.
        if (picture.height() == 0) picture = images.Image(0);
        images.InsertMasked(next, picture, Bitmap16::TransparentColorOf(picture));
        FAbbrevImages.emplace_back(id, next);
        ++next;
    }
}

void TLocationTree::LoadLevels() {
    TOraStoredProc& proc = *FCalls.Levels;
    proc.Close();
    proc.ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    proc.ExecProc();
    for (proc.First(); !proc.Eof(); proc.Next())
        FLevelList.AddAbbrev(proc.FieldByName(QStringLiteral("LEVEL#")).AsInteger(),
                             proc.FieldByName(QStringLiteral("ID_ABBREV")).AsInteger());
}

void TLocationTree::BuildRoot() {
    TObjectNode* root = nullptr;
    {
        TTreeUpdate update(FTree);
        {
            const QSignalBlocker quiet(FTree);  // no selection handling for nodes on their way out
            FTree->clear();
        }
        root = new TObjectNode;
        root->setText(0, FRootCaption);
        root->ID = -1;
        root->Level = 0;
        FTree->addTopLevelItem(root);
        SetNodeImage(root, 0);
    }
    FTree->setCurrentItem(root);  // fetches the top level
    root->setExpanded(true);
}

void TLocationTree::SetNodeImage(TObjectNode* node, int imageIndex) {
    node->SetImageIndex(imageIndex, FDM->ImageList()->Icon(imageIndex));
}

int TLocationTree::AbbrevImage(int abbrevId) const {
    for (const auto& [id, image] : FAbbrevImages)
        if (id == abbrevId) return image;
    return 0;
}

TObjectNode* TLocationTree::MakeFetchedChild(const TFetchedLevel& level, int i) {
    auto* child = new TObjectNode;
    child->setText(0, level.Caption(i));
    child->ChildCount = level.ChildCount(i);
    if (child->ChildCount >= 1)
        child->addChild(new TObjectNode);  // placeholder: shows the expand button
    else
        child->ChildrenLoaded = true;
    child->AbbrevID = level.AbbrevID(i);
    child->ID = level.ID(i);
    child->Level = level.Level(i);
    child->Version = level.Version(i);
    SetNodeImage(child, AbbrevImage(child->AbbrevID));
    return child;
}

namespace {

// Errors of the children's call name its component, as the component's own calls do.
[[noreturn]] void RaiseNamed(std::exception_ptr error, QObject* component) {
    try {
        std::rethrow_exception(error);
    } catch (EOraError& e) {
        if (!e.Component()) e.SetComponent(component);
        throw;
    }
}

bool IsInSubtreeOf(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent())
        if (p == ancestor) return true;
    return false;
}

}  // namespace

void TLocationTree::LoadChildren(TObjectNode* node, bool force) { Load(node, force, false); }

void TLocationTree::OpenNode(TObjectNode* node) { Load(node, false, true); }

void TLocationTree::SetBackgroundLoad(int from, int chunk) {
    FBackgroundFrom = from;
    FBackgroundChunk = chunk;
}

TChildrenLoad* TLocationTree::LoadOf(const TObjectNode* node) const {
    for (const auto& load : FLoads)
        if (node && load->Node() == node) return load.get();
    return nullptr;
}

void TLocationTree::StopLoads() {
    FLoads.clear();
    FTree->viewport()->unsetCursor();
}

bool TLocationTree::IsLoading(const TObjectNode* node) const { return LoadOf(node) != nullptr; }

void TLocationTree::FinishLoads() {
    for (size_t i = 0; i < FLoads.size(); ++i) FLoads[i]->Finish();
}

void TLocationTree::Load(TObjectNode* node, bool force, bool background) {
    if (!node) return;
    if (TChildrenLoad* running = LoadOf(node)) {
        if (!force) {
            if (!background) running->Finish();
            return;
        }
        running->Cancel();  // fetched again below
    }
    if (force) node->ChildrenLoaded = false;
    if (node->ChildrenLoaded) return;
    if (background && node->ChildCount >= FBackgroundFrom) {
        StartBackgroundLoad(node);
        return;
    }
    const bool selectionLost = IsInSubtreeOf(FTree->currentItem(), node);
    {
        TTreeUpdate update(FTree);
        const QSignalBlocker quiet(FTree);  // the old children go without selection events
        FLoading = true;
        try {
            // The old children (or the placeholder) go only with the new ones.
            const TFetchedLevel level = FetchLevel(ChildrenCall(node), FAbbrevSeparator);
            ShowChildren(node, level, 0, level.Count());
        } catch (...) {
            FLoading = false;
            // The node closes over what it had, still unfetched: the next opening tries again.
            node->setExpanded(false);
            RaiseNamed(std::current_exception(), FCalls.ObjectsTree);
        }
        FLoading = false;
        node->ChildrenLoaded = true;
    }
    if (selectionLost && OnNodeSelected) OnNodeSelected(node);
}

void TLocationTree::ShowChildren(TObjectNode* node, const TFetchedLevel& level, int from, int to) {
    QList<QTreeWidgetItem*> children;
    children.reserve(to - from);
    for (int i = from; i < to; ++i) children << MakeFetchedChild(level, i);
    TTreeUpdate update(FTree);
    const QSignalBlocker quiet(FTree);
    if (from == 0) {
        // The placeholder goes with the first rows; a user who picked it gets the node.
        const bool onPlaceholder = IsInSubtreeOf(FTree->currentItem(), node);
        qDeleteAll(node->takeChildren());
        if (onPlaceholder) FTree->setCurrentItem(node);
    }
    node->addChildren(children);  // the level is in order already: one insertion a chunk
}

namespace {

// The ids from the top-level place down to a node.
std::vector<int> ChainOf(const TObjectNode* node) {
    std::vector<int> chain;
    for (; node && node->ParentNode(); node = node->ParentNode()) chain.push_back(node->ID);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

void CollectOpen(const TObjectNode* node, QSet<int>& open) {
    for (int i = 0; i < node->childCount(); ++i) {
        const TObjectNode* child = node->ChildNode(i);
        if (!child->isExpanded() || !child->ChildrenLoaded) continue;
        open.insert(child->ID);
        CollectOpen(child, open);
    }
}

}  // namespace

void TLocationTree::ReloadKeepingPlace() {
    TObjectNode* root = Root();
    if (!root) return;
    QSet<int> open;
    CollectOpen(root, open);
    const std::vector<int> selected = ChainOf(Selected());
    const std::vector<int> top = ChainOf(AsNode(FTree->itemAt(0, 0)));
    {
        TTreeUpdate update(FTree);
        LoadChildren(root, true);
        root->setExpanded(true);
        Reopen(root, open);
    }
    FTree->setCurrentItem(Deepest(selected));
    if (TObjectNode* first = top.empty() ? nullptr : Deepest(top))
        FTree->scrollToItem(first, QAbstractItemView::PositionAtTop);
    else
        FTree->verticalScrollBar()->setValue(0);
}

void TLocationTree::Reopen(TObjectNode* node, const QSet<int>& open) {
    for (int i = 0; i < node->childCount(); ++i) {
        TObjectNode* child = node->ChildNode(i);
        if (!open.contains(child->ID)) continue;
        LoadChildren(child, false);
        child->setExpanded(true);
        Reopen(child, open);
    }
}

TObjectNode* TLocationTree::Deepest(const std::vector<int>& chain) const {
    TObjectNode* node = Root();
    for (const int id : chain) {
        TObjectNode* next = nullptr;
        for (int i = 0; node && i < node->childCount() && !next; ++i)
            if (node->ChildNode(i)->ID == id) next = node->ChildNode(i);
        if (!next) break;
        node = next;
    }
    return node;
}

std::optional<TLocationTree::TLastChange> TLocationTree::Reread(TObjectNode* node) {
    TOraStoredProc& proc = *FCalls.ObjectsTree;
    proc.Close();
    proc.ParamByName(QStringLiteral("PID")).SetAsInteger(node->ID);
    proc.ParamByName(QStringLiteral("PID_PARENT")).Clear();
    proc.Open();
    if (proc.Eof()) return std::nullopt;
    auto field = [&proc](const char* name) -> const TField& { return proc.FieldByName(QString::fromLatin1(name)); };
    node->Version = field("VERSION").AsInteger();
    node->ChildCount = field("CHILD_CNT").AsInteger();
    node->AbbrevID = field("ABBREV_ID").AsInteger();
    node->setText(0, Caption(field("ABBREV_SNAME").AsString(), FAbbrevSeparator,
                             field("NAME").AsString()));
    SetNodeImage(node, AbbrevImage(node->AbbrevID));
    TLastChange last{field("CHANGED_BY").AsString(), field("CHANGED_AT").AsString()};
    proc.Close();
    return last;
}

TOraStoredProc::TDetachedCall TLocationTree::ChildrenCall(const TObjectNode* node) {
    TOraStoredProc& proc = *FCalls.ObjectsTree;
    proc.Close();
    proc.ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    SetParamID(proc.ParamByName(QStringLiteral("PID_PARENT")), node->ID);
    return proc.Detach();
}

void TLocationTree::StartBackgroundLoad(TObjectNode* node) {
    TOraStoredProc::TDetachedCall call = ChildrenCall(node);
    FTree->viewport()->setCursor(Qt::BusyCursor);
    FLoads.push_back(std::make_unique<TChildrenLoad>(
        node, std::move(call), FAbbrevSeparator, FBackgroundChunk,
        [this](TObjectNode* n, const TFetchedLevel& level, int from, int to) {
            ShowChildren(n, level, from, to);
        },
        [this](TObjectNode* n, bool complete) { BackgroundLoadDone(n, complete); },
        [this](TObjectNode* n, std::exception_ptr error) { BackgroundLoadFailed(n, error); }));
}

void TLocationTree::BackgroundLoadDone(TObjectNode* node, bool complete) {
    if (node && complete) node->ChildrenLoaded = true;
    if (std::all_of(FLoads.begin(), FLoads.end(), [](const auto& load) { return load->Done(); }))
        FTree->viewport()->unsetCursor();
    // Not here: the load that calls is still on the stack.
    QMetaObject::invokeMethod(this, &TLocationTree::ReapLoads, Qt::QueuedConnection);
}

void TLocationTree::BackgroundLoadFailed(TObjectNode* node, std::exception_ptr error) {
    // The node closes over its placeholder: opening it again tries again.
    if (node) node->setExpanded(false);
    RunHandler([&] { RaiseNamed(error, FCalls.ObjectsTree); });
}

void TLocationTree::ReapLoads() {
    std::erase_if(FLoads, [](const auto& load) { return load->Done(); });
}

void TLocationTree::OnCurrentItemChanged() {
    if (FLoading) return;
    TObjectNode* node = Selected();
    OpenNode(node);
    if (node && OnNodeSelected) OnNodeSelected(node);
}

void TLocationTree::OnItemExpanded(QTreeWidgetItem* item) {
    if (!FLoading) OpenNode(AsNode(item));
}

TObjectNode* TLocationTree::Root() const {
    return FTree->topLevelItemCount() ? AsNode(FTree->topLevelItem(0)) : nullptr;
}

TObjectNode* TLocationTree::Selected() const { return AsNode(FTree->currentItem()); }

TObjectNode* TLocationTree::Find(int id) const {
    TObjectNode* root = Root();
    if (id < 1 || !root) return root;
    std::vector<TObjectNode*> pending{root};
    while (!pending.empty()) {
        TObjectNode* node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->childCount(); ++i) {
            TObjectNode* child = node->ChildNode(i);
            if (child->ID == id) return child;
            if (child->childCount()) pending.push_back(child);
        }
    }
    return nullptr;
}

bool TLocationTree::HoldsSelection(const TObjectNode* node) const {
    const QTreeWidgetItem* current = FTree->currentItem();
    return current == node || IsInSubtreeOf(current, node);
}

QString TLocationTree::PathOf(const TObjectNode* node) {
    QString path;
    for (const TObjectNode* n = node; n && n->ParentNode(); n = n->ParentNode())
        path = n->Caption() + u'\\' + path;
    if (path.endsWith(u'\\')) path.chop(1);
    return path;
}

int TLocationTree::SelectedID() const {
    const TObjectNode* node = Selected();
    return node && node->Depth() >= 1 ? node->ID : -1;
}

void TLocationTree::ExpandToLocation(int startId) {
    if (startId < 1) return;
    TObjectNode* n = Root();
    {
        TTreeUpdate update(FTree);
        TOraStoredProc& proc = *FCalls.PlaceParents;
        proc.Close();
        proc.ParamByName(QStringLiteral("PID")).SetAsInteger(startId);
        proc.ExecProc();
        for (proc.First(); !proc.Eof() && n; proc.Next()) {
            const int id = proc.FieldByName(QStringLiteral("ID")).AsInteger();
            const TField& parentField = proc.FieldByName(QStringLiteral("ID_PARENT"));
            const int parent = parentField.IsNull() ? -1 : parentField.AsInteger();
            if (parent == startId) break;
            LoadChildren(n, false);
            for (int i = 0; i < n->childCount(); ++i) {
                if (n->ChildNode(i)->ID == id) {
                    n = n->ChildNode(i);
                    break;
                }
            }
        }
    }
    if (!n) return;
    for (QTreeWidgetItem* p = n->parent(); p; p = p->parent()) p->setExpanded(true);
    FTree->setCurrentItem(n);
}
