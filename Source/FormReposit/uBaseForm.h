#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

#include "ComUnits/uComFunctions.h"
#include "ComUnits/uImageList.h"
#include "FormReposit/uComBaseForm.h"
#include "Platform/Ui/Application.h"

class QAction;
class QMenu;
class QTableView;
class TDataSet;
class TMacro;
class TOraQuery;
class TOraSession;
class TScrollComponentList;

// Where and how high a form is when maximised. Qt has no message asking for it, so
// the rules are plain functions the window code applies.
struct TMaximizedSize {
    int Y = 0;
    int Height = 0;
};
// The main chain's rule: below the application's main form (null: none) down to
// the end of the work area; without a main form y 500, height 600.
TMaximizedSize BaseFormMaximizedSize(const QWidget* mainForm, const QRect& workArea);

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

    const QString& Mode() const { return FMode; }
    bool Bound() const { return FBound; }
    bool Constructed() const { return FConstructed; }
    bool StateSaved() const { return FStateSaved; }
    bool CanClose() const { return FCanClose; }
    TOraQuery* CurrentQuery() const { return FCurrentQuery; }
    const QString& CheckFieldName() const { return FCheckFieldName; }
    TAccessList* AccessList() const { return FuncAccessList.get(); }
    TScrollComponentList* ScrollComponents() const { return FScrollComponents.get(); }

    // Components of the form.
    TOraSession* MainSession = nullptr;
    TOraQuery* OraQuery1 = nullptr;
    TImageList* ImageList1 = nullptr;
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
    virtual void PrepareGrid(QObject* /*grid*/) {}                           // grid preparation
    virtual TDataSet* GridInterfaceDataSet(QTableView*) { return nullptr; }  // grid objects
    virtual void FilterExecute() {}                                          // external dialogs
    virtual void FindExecute() {}
    virtual void SortExecute() {}
    virtual void ReportExecute() {}

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
    // Kept for the external dialogs' last find fields and the grid preparation's
    // objects; nothing fills them yet.
    QList<QPointer<QObject>> FLastFindFields;
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
    void ReportGridsWithoutHint();
    void Navigate(const std::function<void(TDataSet&)>& move);
    // Runs an action's handler; an exception goes to the application's handler.
    void OnTriggered(QAction* action, std::function<void()> handler);
    bool PopupMenuAllowed();

    void EditHandler(QObject* component);
    void GridHandler(QObject* component);
};
