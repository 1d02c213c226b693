#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

#include "FormReposit/PelmBaseForm_Browse.h"
#include "Location/JournalWatcher.h"
#include "Platform/Data/DataSetModel.h"

class QAction;
class QMenu;
class QTableView;
class QToolButton;
class TField;
class TOraStoredProc;

// One column of a dictionary grid: the field it shows, its caption and width.
// The caption is the field's display label; the translation on showing rewrites it.
class TGridColumn : public QObject {
    Q_OBJECT
public:
    TGridColumn(QObject* view, const char* name, const QString& caption, const QString& fieldName,
                int width);

    QString Caption;
    QString FieldName;
    int Width;
};

// The grid's model: the data set's rows, with a hook that may draw a column
// (the abbreviation pictures) instead of its text.
class TDictionaryModel : public TDataSetModel {
    Q_OBJECT
public:
    using TCellHook = std::function<QVariant(const TField& field, const QVariant& value, int role,
                                             bool& handled)>;
    explicit TDictionaryModel(TDataSet* dataSet, QObject* parent = nullptr);

    TCellHook CellHook;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The row headers are the record indicator: a mark on the current row only.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
};

// What the level and abbreviation dictionaries share: a read-only grid over the
// list cursor, add/edit/delete actions with a tool panel, a popup menu and a record
// navigator, the four rights, refresh-and-locate after a change and the handling of
// the delete answers. A subclass names its list, columns and dialog, and makes the
// delete call.
class TfDictionaryBrowse : public TfPelmBaseForm_Browse {
    Q_OBJECT
public:
    TfDictionaryBrowse(QWidget* owner, TOraSession* session, const QString& schema);
    ~TfDictionaryBrowse() override;

    // Written by the opener before Execute.
    bool FCanAdd = true;
    bool FCanDelete = true;
    bool FCanEdit = true;
    // Off: the grid shows no rows at all (and edit and delete have nothing to act on).
    void SetCanView(bool value);
    bool CanView() const { return FCanView; }

    // The state the idle update gives the actions, on demand.
    void UpdateActions();
    // The grid's focused row (-1 when none, also when the view is unlinked).
    int FocusedRow() const;

    // The hints of the grid view's own navigator, by button index.
    const QStringList& ViewNavigatorHints() const { return FViewNavigatorHints; }

    QWidget* pTop = nullptr;
    QToolButton* btnObjectAdd = nullptr;
    QToolButton* btnObjectEdit = nullptr;
    QToolButton* btnObjectDelete = nullptr;
    // The record navigator: its actions (nbFirst ... nbRefresh) carry the hints.
    QWidget* DBNavigator1 = nullptr;
    QWidget* cxGrid = nullptr;
    QTableView* cxView = nullptr;
    QAction* aObjectAdd = nullptr;
    QAction* aObjectEdit = nullptr;
    QAction* aObjectDelete = nullptr;
    QMenu* pmGrid = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    TOraStoredProc* ospObjects = nullptr;

protected:
    void InitForm() override;
    void FormShow() override;
    void FormDestroy() override;

    // Runs the add (mode 1) or edit (mode 2) dialog; `id` goes in as the edited row's
    // and comes out as the dialog's. True when the dialog closed with OK. The dialog
    // is freed before this returns. Sets FListStale when the dialog found the row changed or
    // deleted by another user.
    virtual bool RunDialog(quint8 mode, int& id) = 0;
    // The server's answer to deleting the row; throws when the call fails.
    virtual int CallDelete(int id) = 0;
    // Caption of the "still referenced" box, and of the failed-delete warning.
    virtual QString ReferencedCaption() const = 0;
    virtual QString DeleteFailedCaption() const = 0;
    // Whether the list shows what a journal row changed: another session's change of it is
    // read again at once.
    virtual bool Follows(const TJournalRow& row) const = 0;
    // Whether the grid is frozen from the delete call until its answer is handled.
    virtual bool FreezeDuringDelete() const { return false; }

    TGridColumn* AddColumn(const char* name, const QString& caption, const QString& fieldName,
                           int width);
    // Shows the declared columns, in order, with their captions and widths.
    void ApplyColumns();

    TDictionaryModel* FModel = nullptr;
    // The list no longer shows what the server holds: it is read again.
    bool FListStale = false;

private:
    void ObjectAdd();
    void ObjectEdit();
    void ObjectDelete();
    void RunAndLocate(quint8 mode, int id);
    // Opens the list afresh; a refresh re-reads an open one.
    void OpenList();
    void ReloadList();
    // The list read again with the row `id` current (the first row when it is gone).
    void ReloadAt(int id);
    // Reads the list again, on the same row, when another session changed its kind.
    void FollowJournal();
    void RestoreTranslation();
    void LinkView(bool linked);
    void SyncViewRow(int row);
    void ShowGridMenu(QWidget* source, const QPoint& pos);
    void Guard(const std::function<void()>& action);

    bool FCanView = true;
    QList<TGridColumn*> FColumns;
    QStringList FViewNavigatorHints;
};
