#include "Location/LocationTree.h"

#include <QSignalBlocker>
#include <QTreeWidget>

#include "ComUnits/uImageList.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Location/NameOrder.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/Bitmap16.h"

#include <utility>

TTreeUpdate::TTreeUpdate(QTreeWidget* tree) : FTree(tree), FWasEnabled(tree->updatesEnabled()) {
    FTree->setUpdatesEnabled(false);
}

TTreeUpdate::~TTreeUpdate() { FTree->setUpdatesEnabled(FWasEnabled); }

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
    return shortName.isEmpty() ? name : shortName + separator + name;
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

// The cursor's fields, looked up once per fetch rather than once per row.
struct TLocationTree::TRowFields {
    explicit TRowFields(const TOraStoredProc& proc)
        : ShortName(proc.FieldByName(QStringLiteral("ABBREV_SNAME"))),
          Name(proc.FieldByName(QStringLiteral("NAME"))),
          ChildCount(proc.FieldByName(QStringLiteral("CHILD_CNT"))),
          AbbrevID(proc.FieldByName(QStringLiteral("ABBREV_ID"))),
          ID(proc.FieldByName(QStringLiteral("ID"))),
          Level(proc.FieldByName(QStringLiteral("LEVEL#"))) {}
    const TField& ShortName;
    const TField& Name;
    const TField& ChildCount;
    const TField& AbbrevID;
    const TField& ID;
    const TField& Level;
};

TObjectNode* TLocationTree::MakeFetchedChild(const TRowFields& row) {
    auto* child = new TObjectNode;
    child->setText(0, Caption(row.ShortName.AsString(), FAbbrevSeparator, row.Name.AsString()));
    if (row.ChildCount.AsInteger() >= 1)
        child->addChild(new TObjectNode);  // placeholder: shows the expand button
    else
        child->ChildrenLoaded = true;
    child->AbbrevID = row.AbbrevID.AsInteger();
    child->ID = row.ID.AsInteger();
    child->Level = row.Level.AsInteger();
    SetNodeImage(child, AbbrevImage(child->AbbrevID));
    return child;
}

namespace {

bool IsInSubtreeOf(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent())
        if (p == ancestor) return true;
    return false;
}

}  // namespace

void TLocationTree::LoadChildren(TObjectNode* node, bool force) {
    if (!node) return;
    if (force) node->ChildrenLoaded = false;
    if (node->ChildrenLoaded) return;
    const bool selectionLost = IsInSubtreeOf(FTree->currentItem(), node);
    {
        TTreeUpdate update(FTree);
        const QSignalBlocker quiet(FTree);  // the old children go without selection events
        FLoading = true;
        qDeleteAll(node->takeChildren());
        if (selectionLost) FTree->setCurrentItem(node);
        try {
            TOraStoredProc& proc = *FCalls.ObjectsTree;
            proc.Close();
            proc.ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
            SetParamID(proc.ParamByName(QStringLiteral("PID_PARENT")), node->ID);
            proc.Open();
            const TRowFields row(proc);
            QList<QTreeWidgetItem*> children;
            children.reserve(proc.RecordCount());
            for (proc.First(); !proc.Eof(); proc.Next()) children << MakeFetchedChild(row);
            // Sorted by caption before the one insertion of the whole level.
            NameOrder::SortByText(children);
            node->addChildren(children);
        } catch (...) {
            FLoading = false;
            throw;  // the node stays unfetched: the next opening tries again
        }
        FLoading = false;
        node->ChildrenLoaded = true;
    }
    if (selectionLost && OnNodeSelected) OnNodeSelected(node);
}

void TLocationTree::OnCurrentItemChanged() {
    if (FLoading) return;
    TObjectNode* node = Selected();
    LoadChildren(node, false);
    if (node && OnNodeSelected) OnNodeSelected(node);
}

void TLocationTree::OnItemExpanded(QTreeWidgetItem* item) {
    if (!FLoading) LoadChildren(AsNode(item), false);
}

TObjectNode* TLocationTree::Root() const {
    return FTree->topLevelItemCount() ? AsNode(FTree->topLevelItem(0)) : nullptr;
}

TObjectNode* TLocationTree::Selected() const { return AsNode(FTree->currentItem()); }

QString TLocationTree::AddressPath() const {
    QString path;
    for (const TObjectNode* n = Selected(); n && n->ParentNode(); n = n->ParentNode())
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
