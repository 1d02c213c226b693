#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

#include "ComUnits/uComFunctions.h"
#include "ComUnits/uImageList.h"
#include "ComUnits/uTDBGridInterface_IMPL.h"
#include "FormReposit/uComBaseForm.h"
#include "Platform/Ui/Application.h"

class QAction;
class QMenu;
class QTableView;
class TDataSet;
class TField;
class TMacro;
class TOraQuery;
class TOraSession;
class TScrollComponentList;
class TChkStateList;
class TFrmQSearch;

// Where and how high a form is when maximised. Qt has no message asking for it, so
// the rules are plain functions the window code applies.
struct TMaximizedSize {
    int Y = 0;
    int Height = 0;
};
// The main chain's rule: below the application's main form (null: none) down to
// the end of the work area; without a main form y 500, height 600.
TMaximizedSize BaseFormMaximizedSize(const QWidget* mainForm, const QRect& workArea);

// What the form shows when a grid's query cannot be prepared; `detailed` adds the
// possible causes and the query's text and macros.
QString GridPrepareErrorText(const QString& formName, TOraQuery& query, const QString& message,
                             bool detailed);

// The main chain's base form: host session and schema, access rights, binding of
// the call components, the navigation actions and the common popup menu.
//
// Created in two phases like every form (see TComBaseForm):
//   TComBaseForm::Create<TfMine>(owner, mode, session, schema)
// Either create order runs InitData before and PostCreate after the OnCreate
// handlers (FormCreate overrides).
class TBaseForm : public TComBaseForm {
    Q_OBJECT
public:
    // Session given: it also becomes the default session. An empty schema takes the
    // session's user name; the schema is trimmed of blanks and control characters.
    TBaseForm(QWidget* owner, const QString& mode, TOraSession* session, const QString& schema);
    TBaseForm(QWidget* owner, TOraSession* session, const QString& schema);
    ~TBaseForm() override;

    // The session, or an error box and null.
    TOraSession* GetSession();
    // The schema, or an error box and an empty text.
    QString GetShema();
    virtual void SetShema(const QString& value);
    virtual void SetSession(TOraSession* value);

    // Applies the access string to the setters RegisterAccess adds; the error text
    // is set when the string does not fit them.
    bool FillAccess(QString& errorText);

    // The active control when it is a grid; else "Выберите таблицу" and null.
    virtual QTableView* GetCurrentGrid();

    // The box the form shows its own errors in.
    void ShowError(const QString& text);

    // Grids and their interface objects (uBaseForm_Grids.cpp).
    TDBIntList* GridInterfaces() const { return FGridInterfaces.get(); }
    // The interface object of a grid of this form, or null.
    IDBGrid* GridInterfaceOf(const QWidget* grid) const;
    // The mark of the current row in a check field, by the field's type.
    virtual bool GetCheckFldValue(const TField* field);
    virtual void SetCheckFldValue(TField* field, bool marked);
    // Toggles the mark of the data set's current row.
    void SetRCheck(TDataSet* dataSet);
    // Toggles the current row's mark when the field is the check field.
    bool DoCheckIfNeed(TField* field);

    const QString& Mode() const { return FMode; }
    bool Bound() const { return FBound; }
    bool Constructed() const { return FConstructed; }
    bool StateSaved() const { return FStateSaved; }
    bool CanClose() const { return FCanClose; }
    TOraQuery* CurrentQuery() const { return FCurrentQuery; }
    const QString& CheckFieldName() const { return FCheckFieldName; }
    TAccessList* AccessList() const { return FuncAccessList.get(); }
    TScrollComponentList* ScrollComponents() const { return FScrollComponents.get(); }
    // The record counters of the form's data sets; the one of the focused grid is shown.
    TChkStateList* ChkStates() const { return FChkStates.get(); }

    // Components of the form.
    TOraSession* MainSession = nullptr;
    TOraQuery* OraQuery1 = nullptr;
    TImageList* ImageList1 = nullptr;
    // The quick search of every grid of the form.
    TFrmQSearch* FrmQSearch1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr;
    QObject* ApplicationEvents1 = nullptr;
    QAction* EmptyAction = nullptr;
    QAction* EmptyAction1 = nullptr;
    QAction* pFind = nullptr;
    QAction* pSort = nullptr;
    QAction* pReport = nullptr;
    QAction* pFilter = nullptr;
    QAction* pFirst = nullptr;
    QAction* pPrev = nullptr;
    QAction* pNext = nullptr;
    QAction* pLast = nullptr;
    QAction* pRefresh = nullptr;

protected:
    // The section of "UserSaves.ini" this form keeps its settings in: the session's user
    // name, ".", the class name.
    QString FormSection() const;

    void Construct() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void DoCreate() override;
    void FormShow() override;
    void FormClose() override;
    bool CloseQuery() override;
    void InitFormTexts() override;
    // Replaces the twelve tool images by the resource library's bitmaps.
    void LoadResourceImages() override;
    // Gives every action of ActionList1 the image its index names.
    void ApplyActionImages();

    virtual void InitData();
    virtual void PostCreate();
    // Adds the form's right setters to FuncAccessList, in the order of its rights.
    virtual void RegisterAccess() {}
    virtual void SetCurrentQueryHook(TOraQuery* /*query*/) {}
    virtual void AfterCreateHook() {}
    virtual void BeforeSaveHook() {}
    virtual void PrepareQueryMacros(TOraQuery* /*query*/, TMacro& /*macro*/) {}
    virtual void ChkStateChanged() {}

    // The data set a grid shows through its data set model (null for other models).
    virtual TDataSet* DataSetOfGrid(QTableView* grid);

    // Operations of subsystems that are not part of this form chain yet. They do
    // nothing here; the later subsystems fill them in.
    // Sets up a grid of the form at creation: interface object, handlers, query, field tags.
    virtual void PrepareGrid(QObject* grid);
    virtual TDataSet* GridInterfaceDataSet(QTableView* grid);
    // The space key marks the current row of the grid's data set.
    virtual void GridKeyDown(QTableView* grid, int& key, Qt::KeyboardModifiers shift);
    virtual void DynamicAssignGridIntClass(QTableView* grid, TGridIntClass& kind);
    void AssignInterfacedClass(QTableView* grid);
    // Switches of "Settings.ini": [COM_SETTINGS] StoreSelect and [DBG_SETTINGS] CAN.
    bool StoreSelect() const;
    bool DetailedGridErrors() const;
    // The grid dialogs of the dialog library, for the current grid (uBaseForm_Grids.cpp).
    virtual void FilterExecute();
    virtual void FindExecute();
    virtual void SortExecute();
    virtual void ReportExecute();
    // Lets a form change the field a find starts from.
    virtual void FindStartField(TDataSet* /*dataSet*/, TField*& /*field*/) {}
    // The user's interface language for the dialog library.
    int DialogLanguage();

    // The sort order a user chose for a query, kept in "ComFormGFG.INI" for queries
    // sorted through their ORDER and FIELD macros: loaded at creation, saved on close.
    virtual void LoadSortOrder(TOraQuery* query);
    virtual void SaveSortOrder();

    // Refreshes and goes back to the row whose first field has the value it had.
    virtual void RefreshKeepingPosition(TDataSet* dataSet);
    // Refreshes and goes to the last row.
    virtual void RefreshToLast(TDataSet* dataSet);

    // The folder of the host executable, where the "Debug.ini" marker is looked for.
    virtual QString HostFolder() const;

    // pFind and pReport are visible exactly when the data set has rows.
    void UpdateFindReportVisibility(TDataSet* dataSet);

    void SetCurrentQuery(TOraQuery* query);
    // The close-time saving of state.
    void SaveState();
    // MainSession's before-connect handler: a second connection was attempted.
    void AnotherBeforeConnect(TOraSession* session);

    void contextMenuEvent(QContextMenuEvent* event) override;

    QString FMode;
    TOraSession* FSession = nullptr;
    QString FShema;
    bool FBound = false;
    bool FAllowRebind = true;
    bool FCanClose = false;
    QString FCanCloseMsg;
    bool FConstructed = false;
    bool FStateSaved = false;
    std::unique_ptr<TAccessList> FuncAccessList;
    std::unique_ptr<TScrollComponentList> FScrollComponents;
    std::unique_ptr<TDBIntList> FGridInterfaces;
    std::unique_ptr<TChkStateList> FChkStates;
    // The field last searched in, per data set.
    QList<QPair<QPointer<TDataSet>, QString>> FLastFindFields;
    // The grid-of-query objects made during grid preparation.
    QList<QPointer<QObject>> FOwnedObjects;
    bool FNavigateActiveGrid = true;
    TOraQuery* FCurrentQuery = nullptr;
    QString FCheckFieldName;

private:
    void BuildDescription();
    void InitActionTexts();
    // Binds components the creation handlers added and registers them.
    void AdoptNewComponents(const QList<QObject*>& before);
    void BindComponent(QObject* component);
    void PrepareMacrosOf(QObject* component);
    void ApplyControlHandlers();
    // Counts the data set and shows its count while its grid has the focus.
    void WatchDataSet(TDataSet* dataSet);
    void ReportGridsWithoutHint();
    void Navigate(const std::function<void(TDataSet&)>& move);
    // Runs an action's handler; an exception goes to the application's handler.
    void OnTriggered(QAction* action, std::function<void()> handler);
    bool PopupMenuAllowed();

    void EditHandler(QObject* component);
    void GridHandler(QObject* component);
    void LinkGridRow(QTableView* grid);
    void PrepareGridQuery(IDBGrid* grid, TDataSet* dataSet);
    // The current grid's interface object, or null (no grid: the warning was shown).
    IDBGrid* CurrentGridInterface();
    QTableView* GridOfDataSet(const TDataSet* dataSet) const;
};
