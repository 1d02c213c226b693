#pragma once

#include <QList>
#include <QString>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <functional>
#include <memory>

#include "FormReposit/PelmBaseFrame.h"
#include "Location/RowDragTree.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class TImageList;
class TfAddEditInfoType;
class TOraQuery;
class TOraStoredProc;

// One information item of an object. Setting Active, Value, Description or ParentID
// marks it modified; ID and InfoType do not.
class TInfoObject {
public:
    bool Modified() const { return FModified; }
    void SetModified(bool modified) { FModified = modified; }
    bool Active() const { return FActive; }
    void SetActive(bool active);
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& description);
    const QString& Value() const { return FValue; }
    void SetValue(const QString& value);
    int ParentID() const { return FParentID; }
    void SetParentID(int parentId);

    int ID = -1;  // below 1: not on the server yet
    int InfoType = 0;
    // As last read from the server: a change sends it, so it never overwrites another user's.
    int Version = 0;

private:
    bool FModified = false;
    bool FActive = false;
    QString FDescription;
    QString FValue;
    int FParentID = -1;
};

// A row of the inspector: the category root row or an item row, which owns its item.
class TInfoRow : public QTreeWidgetItem {
public:
    enum TKind { Category, Text, Link };
    TInfoRow(TKind kind, std::unique_ptr<TInfoObject> item);

    TKind Kind() const { return FKind; }
    TInfoObject& Item() const { return *FItem; }
    TInfoRow* ParentRow() const { return static_cast<TInfoRow*>(parent()); }
    TInfoRow* ChildRow(int index) const { return static_cast<TInfoRow*>(child(index)); }

private:
    TKind FKind;
    std::unique_ptr<TInfoObject> FItem;
};

// The information items of one object (type and identifier) as an inspector, with
// the focused item's description below it. Items are added, edited, deleted and
// re-parented here; with FAutoSave each change goes to the server at once.
//   TfrPelmBaseFrame::Create<TfrObjectInfo>(owner, parentPanel, session, schema)
class TfrObjectInfo : public TfrPelmBaseFrame {
    Q_OBJECT
public:
    explicit TfrObjectInfo(QWidget* parent);
    ~TfrObjectInfo() override;

    // Set directly by the host form.
    bool FCanAdd = true;
    bool FCanEdit = true;
    bool FCanDelete = true;
    bool FAutoLoad = false;
    bool FAutoSave = false;
    int FObjType = -1;

    int ObjID() const { return FObjID; }
    // Points the frame at an object; reloads when FAutoLoad is on.
    void SetObjID(int id);
    // Inactive, the frame gives up its F4 and F8 so the host keeps them.
    void SetFrameActive(bool active) override;
    // Throws away every item row and reads the object's items again.
    void RefreshInfo();
    // Saved items deleted while FAutoSave was off; this frame sends them nowhere.
    const QList<int>& PendingDeletes() const { return FPendingDeletes; }

    TInfoRow* RootRow() const { return FRootRow; }
    TInfoRow* FocusedRow() const;

    // The user's operations, as the menus and actions run them.
    void AddInfoOfKind(int kind);
    void EditFocused();
    void DeleteFocused();
    void OpenLink(TInfoRow* row);
    // Whether `dragged` may be dropped on `target`, the drag coming from `source`.
    bool AcceptsDrop(TInfoRow* dragged, TInfoRow* target) const;
    void DropRow(TInfoRow* dragged, TInfoRow* target);
    // Enables the actions from the rights and the focused row (run when idle).
    void UpdateActions();
    // Another user deleted the object while an item was being attached to it: the user was
    // told; the host lets it go.
    std::function<void()> OnObjectGone;

    // Components, named as the host and the translation pass know them.
    QToolBar* ToolBar = nullptr;
    QToolButton* btnInfoAdd = nullptr;
    QToolButton* btnInfoEdit = nullptr;
    QToolButton* btnInfoDelete = nullptr;
    QToolButton* btnRefresh = nullptr;
    QToolButton* btnOptions = nullptr;
    QWidget* pInfo = nullptr;
    QSplitter* Splitter = nullptr;
    TRowDragTree* dxInspector = nullptr;
    QWidget* pDescription = nullptr;
    QPlainTextEdit* meDescription = nullptr;
    TImageList* ImageList = nullptr;
    QAction* aEdit = nullptr;
    QAction* aDelete = nullptr;
    QAction* aRefresh = nullptr;
    QAction* aShowActiveOnly = nullptr;
    QAction* aExpandAll = nullptr;
    QMenu* pmOptions = nullptr;
    QMenu* pmInspector = nullptr;
    QMenu* pmInfoKind = nullptr;
    QAction* miAdd = nullptr;
    QAction* miEdit = nullptr;
    QAction* miDelete = nullptr;
    QAction* miShowActiveOnly = nullptr;
    QAction* miExpandAll = nullptr;
    TOraStoredProc* ospLoadInfo = nullptr;
    TOraStoredProc* ospAddInfo = nullptr;
    TOraQuery* oqEditInfo = nullptr;
    TOraStoredProc* ospDeleteInfo = nullptr;

protected:
    void InitFrame() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a user's operation under the application's exception handler.
    void Guarded(const std::function<void()>& action);
    // The same for an operation that opens a dialog over the rows: the window, following other
    // sessions meanwhile, may ask for another place or for the rows again; that waits until the
    // operation ends, so the dialog's rows and place stay what they were.
    void HoldingRows(const std::function<void()>& action);
    static int NestedCount(const QTreeWidgetItem* row);
    void BuildKindMenus();
    void CreateRootRow();
    void LoadTree(TInfoRow* row);
    void LoadChildren(TInfoRow* row);
    TInfoRow* AddInfoRow(TInfoRow* parentRow, std::unique_ptr<TInfoObject> item);
    void ShowItemLook(TInfoRow* row);
    // What became of a save. A failure other than a refusal is silent; a refusal, and an
    // object or item another user deleted, are said here.
    enum class TInfoSave { Saved, Failed, Refused, Stale, ItemGone, PlaceGone };
    TInfoSave SaveInfo(TInfoObject& item);
    // Saves the values of an open add or edit dialog into `item`; false keeps the dialog
    // open: refused, or changed by another user (then showing the item as stored now).
    bool SaveFromDialog(TfAddEditInfoType& dialog, TInfoObject& item, TInfoSave& outcome);
    // Reads the item again from under its parent; false when it is no longer there.
    bool Reread(TInfoObject& item);
    // Says who changed a dragged item whose move was refused as stale (or that it is gone).
    void TellDraggedChanged(TInfoObject item, int formerParent);
    void DeleteInfo(int id);
    void ExpandAll();
    void RefreshAndTranslate();

    int FObjID = -1;
    int FHeld = 0;              // operations holding the rows
    bool FReloadWaits = false;  // a reload asked while held
    int FWaitingObjID = -1;     // the place asked for while held
    QList<int> FPendingDeletes;
    TInfoRow* FRootRow = nullptr;
    QMenu* FAddMenu = nullptr;
    bool FFirstLayout = true;
};
