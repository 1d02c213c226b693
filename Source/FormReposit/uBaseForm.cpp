#include "FormReposit/uBaseForm.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTableView>
#include <QVariant>

#include <iterator>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uAssert.h"
#include "ComUnits/uChkCount.h"
#include "ComUnits/uComponentTree.h"
#include "ComUnits/uOraFunctions.h"
#include "ComUnits/uScrollComponents.h"
#include "ComUnits/uUserError.h"
#include "Components/QSearch/FrmQSearch.h"
#include "FormReposit/AccessString.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraPackage.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/HostFolder.h"
#include "Platform/Ui/Bitmap16.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

const QString LineBreak = QStringLiteral("\r\n");

// Trims characters of code 32 and below from both ends.
QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32) ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32) --end;
    return text.mid(begin, end - begin);
}

// Replaces each "%s" of the pattern by the next argument, in order.
QString FormatS(const QString& pattern, const QStringList& args) {
    QString out;
    int next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) == u'%' && i + 1 < pattern.size() && pattern.at(i + 1) == u's' &&
            next < args.size()) {
            out += args.at(next++);
            ++i;
        } else {
            out += pattern.at(i);
        }
    }
    return out;
}

// The application's exception handler is replaced while any TBaseForm exists.
struct TExceptionHook {
    int LiveForms = 0;
    Application::ExceptionHandler Previous;
};

TExceptionHook& ExceptionHook() {
    static TExceptionHook hook;
    return hook;
}

// ApplicationEvents1: every unhandled exception in a plain box, said the user's way.
void ShowCaughtException(QObject*, std::exception& error) {
    MessageBoxes::ShowMessage(UserErrorText(error));
}

struct TActionText {
    QAction* TBaseForm::*Action;
    const char* Name;
    QKeyCombination Shortcut;
    int ImageIndex;
    const char* Caption;
};

const TActionText PActions[] = {
    {&TBaseForm::pFind, "pFind", Qt::CTRL | Qt::Key_F, 0, "Искать"},
    {&TBaseForm::pSort, "pSort", Qt::CTRL | Qt::Key_S, 1, "Сортировать"},
    {&TBaseForm::pReport, "pReport", Qt::CTRL | Qt::Key_R, 2, "Отчет"},
    {&TBaseForm::pFilter, "pFilter", Qt::CTRL | Qt::Key_A, 8, "Фильтровать"},
    {&TBaseForm::pFirst, "pFirst", Qt::CTRL | Qt::ALT | Qt::Key_F, 3, "На первую запись"},
    {&TBaseForm::pPrev, "pPrev", Qt::CTRL | Qt::ALT | Qt::Key_P, 4, "На предыдущую запись"},
    {&TBaseForm::pNext, "pNext", Qt::CTRL | Qt::ALT | Qt::Key_N, 5, "На следующую запись"},
    {&TBaseForm::pLast, "pLast", Qt::CTRL | Qt::ALT | Qt::Key_L, 6, "На последнюю запись"},
    {&TBaseForm::pRefresh, "pRefresh", Qt::CTRL | Qt::ALT | Qt::Key_R, 7, "Обновить данные"},
};

}  // namespace

TMaximizedSize BaseFormMaximizedSize(const QWidget* mainForm, const QRect& workArea) {
    if (!mainForm) return {500, 600};
    const int y = mainForm->geometry().top() + mainForm->geometry().height();
    return {y, workArea.height() - y};
}

TBaseForm::TBaseForm(QWidget* owner, const QString& mode, TOraSession* session,
                     const QString& schema)
    : TComBaseForm(owner), FMode(mode), FSession(session) {
    FAllowRebind = true;
    FCanClose = false;
    FShema = TrimBlanks(schema.isEmpty() && session ? session->UserName() : schema);
    if (session) TOraSession::SetDefaultSession(session);
    FBound = session && !FShema.isEmpty();
    setObjectName(QStringLiteral("BaseForm"));
    SetOldCreateOrder(true);
    BuildDescription();

    TExceptionHook& hook = ExceptionHook();
    if (hook.LiveForms++ == 0) {
        hook.Previous = Application::Instance().OnException();
        Application::Instance().SetOnException(ShowCaughtException);
    }
}

TBaseForm::TBaseForm(QWidget* owner, TOraSession* session, const QString& schema)
    : TBaseForm(owner, QString(), session, schema) {}

TBaseForm::~TBaseForm() {
    FLastFindFields.clear();
    for (const QPointer<QObject>& object : FOwnedObjects) delete object.data();
    FOwnedObjects.clear();
    FGridInterfaces.reset();
    FuncAccessList.reset();
    FScrollComponents.reset();
    TExceptionHook& hook = ExceptionHook();
    if (--hook.LiveForms == 0) {
        Application::Instance().SetOnException(std::move(hook.Previous));
        hook.Previous = nullptr;
    }
}

void TBaseForm::BuildDescription() {
    MainSession = new TOraSession(this);
    MainSession->setObjectName(QStringLiteral("MainSession"));
    MainSession->BeforeConnect = [this](TOraSession* s) { AnotherBeforeConnect(s); };

    OraQuery1 = new TOraQuery(this);
    OraQuery1->setObjectName(QStringLiteral("OraQuery1"));
    OraQuery1->SetSQL({QStringLiteral("SELECT * FROM &shema"), QStringLiteral("&ORDER &FIELD")});
    OraQuery1->MacroByName(QStringLiteral("ORDER")).SetValue(QStringLiteral("ORDER BY"));
    OraQuery1->MacroByName(QStringLiteral("FIELD")).SetValue(QStringLiteral("ID"));

    ImageList1 = new TImageList(this);
    for (int i = 0; i < 12; ++i)
        ImageList1->Add(QImage());  // no designed pictures: the tool buttons show text
    ImageList1->setObjectName(QStringLiteral("ImageList1"));
    FrmQSearch1 = new TFrmQSearch(this);
    FrmQSearch1->setObjectName(QStringLiteral("FrmQSearch1"));
    FrmQSearch1->SetSourceReference(QXVSourcesReference());
    ApplicationEvents1 = new QObject(this);
    ApplicationEvents1->setObjectName(QStringLiteral("ApplicationEvents1"));

    auto makeAction = [this](const char* name) {
        auto* action = new QAction(ActionList1);
        action->setObjectName(QString::fromLatin1(name));
        action->setProperty("Category", QStringLiteral("popup menu na veduschij nabor"));
        addAction(action);
        return action;
    };
    EmptyAction = makeAction("EmptyAction");
    EmptyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));  // swallows the key
    EmptyAction1 = makeAction("EmptyAction1");
    for (const TActionText& a : PActions) {
        QAction* action = makeAction(a.Name);
        action->setShortcut(QKeySequence(a.Shortcut));
        action->setProperty("ImageIndex", a.ImageIndex);
        this->*(a.Action) = action;
    }
    OnTriggered(pFind, [this] { FindExecute(); });
    OnTriggered(pSort, [this] { SortExecute(); });
    OnTriggered(pReport, [this] { ReportExecute(); });
    OnTriggered(pFilter, [this] { FilterExecute(); });
    OnTriggered(pFirst, [this] { Navigate(&TDataSet::First); });
    OnTriggered(pPrev, [this] { Navigate(&TDataSet::Prior); });
    OnTriggered(pNext, [this] { Navigate(&TDataSet::Next); });
    OnTriggered(pLast, [this] { Navigate(&TDataSet::Last); });
    OnTriggered(pRefresh, [this] {
        Navigate(&TDataSet::Refresh);
        // A one-pixel wobble makes the form lay itself out again.
        resize(width() + 1, height());
        resize(width() - 1, height());
    });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({pFind, pSort, pReport, pFilter});
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    PopupMenu1->addActions({pFirst, pPrev, pNext, pLast, pRefresh});
}

void TBaseForm::OnTriggered(QAction* action, std::function<void()> handler) {
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        Application::Instance().Protect(this, handler);
    });
}

void TBaseForm::Construct() {
    TComBaseForm::Construct();
    // Either way InitData precedes and PostCreate follows the OnCreate handlers.
    if (!OldCreateOrder())
        InitData();
    else
        PostCreate();
}

void TBaseForm::AfterConstruction() {
    TComBaseForm::AfterConstruction();
    FConstructed = true;
    FCanClose = true;
}

void TBaseForm::BeforeDestruction() {
    if (FConstructed && !FStateSaved) SaveState();
}

void TBaseForm::DoCreate() {
    if (OldCreateOrder()) InitData();
    const QList<QObject*> before = OwnedComponents(this);
    TComBaseForm::DoCreate();
    AdoptNewComponents(before);
    if (!OldCreateOrder()) PostCreate();
}

void TBaseForm::InitData() {
    FStateSaved = false;
    QString errorText;
    FillAccess(errorText);
    if (!errorText.isEmpty()) throw EGeneralError(errorText);

    FLastFindFields.clear();
    FOwnedObjects.clear();
    FGridInterfaces = std::make_unique<TDBIntList>();
    FChkStates = std::make_unique<TChkStateList>(
        [this](TDataSet* dataSet) -> QWidget* { return GridOfDataSet(dataSet); });
    FChkStates->SetOnChange([this](TDataSet*, int) { ChkStateChanged(); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (auto* grid = qobject_cast<QTableView*>(now); grid && FChkStates && isAncestorOf(grid))
            Application::Instance().Protect(
                this, [this, grid] { FChkStates->Activate(DataSetOfGrid(grid)); });
    });
    FScrollComponents = std::make_unique<TScrollComponentList>(this);
    new TScrollComponent(FScrollComponents.get(), &TOraQuery::staticMetaObject);
    FNavigateActiveGrid = true;
    FCheckFieldName = QStringLiteral("RCHECK");
    SetCurrentQuery(OraQuery1);

    if (FBound) {
        fSetSession(this, FSession);
        fSetShema(this, FShema);
    }
}

bool TBaseForm::FillAccess(QString& errorText) {
    errorText.clear();
    if (!FuncAccessList) FuncAccessList = std::make_unique<TAccessList>();
    RegisterAccess();
    const int count = FuncAccessList->Count();
    const TAccessString access = TAccessString::Parse(FMode, count);
    switch (access.Kind) {
        case TAccessString::TKind::NoInformation:
            return true;
        case TAccessString::TKind::InvalidMode:
            ShowError(TranslateRu(QStringLiteral("Неверный режим доступа")) +
                      QStringLiteral(": FMode = \"%1\"").arg(FMode));
            return false;
        case TAccessString::TKind::WrongCount:
            errorText = TranslateRu(QStringLiteral("Некорректный список прав доступа")) +
                        LineBreak +
                        TranslateRu(QStringLiteral("Выполните процедуру перерегистрации сервиса"));
            return false;
        case TAccessString::TKind::Rights:
            break;
    }
    for (int i = 0; i < count; ++i) {
        const TAccessList::TSetter& setter = FuncAccessList->Items(i);
        Assert(static_cast<bool>(setter),
               QStringLiteral("TBaseForm.FillAccess: FuncAccessList.Items[%1]=nil").arg(i));
        setter(access.Granted[static_cast<size_t>(i)]);
    }
    return true;
}

void TBaseForm::SetCurrentQuery(TOraQuery* query) {
    if (query == FCurrentQuery) return;
    SetCurrentQueryHook(query);
    FCurrentQuery = query;
    WatchDataSet(query);
    if (FChkStates) FChkStates->Activate(query);
}

void TBaseForm::WatchDataSet(TDataSet* dataSet) {
    if (dataSet && FChkStates && FChkStates->IndexOf(dataSet) < 0) FChkStates->Add(dataSet);
}

void TBaseForm::AdoptNewComponents(const QList<QObject*>& before) {
    const QSet<QObject*> known(before.begin(), before.end());
    QList<QObject*> added;
    for (QObject* component : OwnedComponents(this))
        if (!known.contains(component)) added << component;
    if (added.isEmpty()) return;
    if (FBound)
        for (QObject* component : added) BindComponent(component);
    if (FScrollComponents) FScrollComponents->Update();
    for (QObject* component : added) PrepareMacrosOf(component);
}

void TBaseForm::BindComponent(QObject* component) {
    if (auto* dataSet = qobject_cast<TOraDataSet*>(component))
        dataSet->SetSession(FSession);
    else if (auto* package = qobject_cast<TOraPackage*>(component))
        package->SetSession(FSession);
    fSetShemaComponent(component, FShema);
}

void TBaseForm::PrepareMacrosOf(QObject* component) {
    if (auto* query = qobject_cast<TOraQuery*>(component))
        for (int i = 0; i < query->Macros().Count(); ++i)
            PrepareQueryMacros(query, query->Macros().Items(i));
}

void TBaseForm::PostCreate() {
    const QList<QObject*> before = OwnedComponents(this);
    AfterCreateHook();
    AdoptNewComponents(before);

    if (QFile::exists(QDir(HostFolder()).filePath(QStringLiteral("Debug.ini"))))
        ReportGridsWithoutHint();

    for (QObject* component : OwnedComponents(this)) PrepareMacrosOf(component);
    ApplyControlHandlers();
    for (QObject* component : OwnedComponents(this))
        if (auto* query = qobject_cast<TOraQuery*>(component)) LoadSortOrder(query);
}

void TBaseForm::ReportGridsWithoutHint() {
    QString names;
    for (QObject* component : OwnedComponents(this))
        if (auto* grid = qobject_cast<QTableView*>(component); grid && grid->toolTip().isEmpty())
            names += grid->objectName() + LineBreak;
    if (!names.isEmpty())
        MessageBoxes::ShowKind(
            TMessageKind::Information, names, this,
            objectName() + QStringLiteral(":У компонента TGrid не назначено свойство \"Hint\""));
}

void TBaseForm::ApplyControlHandlers() {
    if (!FScrollComponents) return;
    const TComponentProc edits = TComponentProc::Of(this, &TBaseForm::EditHandler);
    const TComponentProc grids = TComponentProc::Of(this, &TBaseForm::GridHandler);
    FScrollComponents->AddProc(&QLineEdit::staticMetaObject, edits);
    FScrollComponents->AddProc(&QTableView::staticMetaObject, grids);
    FScrollComponents->Update();
    FScrollComponents->ExecuteAll();
    FScrollComponents->DelProc(&QLineEdit::staticMetaObject, edits);
    FScrollComponents->DelProc(&QTableView::staticMetaObject, grids);
}

void TBaseForm::EditHandler(QObject* component) {
    auto* edit = static_cast<QLineEdit*>(component);
    if (!edit->isReadOnly()) return;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
}

void TBaseForm::GridHandler(QObject* component) {
    PrepareGrid(component);
    if (auto* grid = qobject_cast<QTableView*>(component)) WatchDataSet(DataSetOfGrid(grid));
}

void TBaseForm::InitFormTexts() {
    TComBaseForm::InitFormTexts();
    InitActionTexts();
    for (QObject* c : QList<QObject*>{MainSession, OraQuery1, ImageList1, FrmQSearch1, PopupMenu1})
        AddTranslateExclusion(c);
    // The menu's own items; an action a subclass shows in the menu is translated.
    for (QAction* item : PopupMenu1->actions())
        if (item->parent() == PopupMenu1) AddTranslateExclusion(item);
    AddTranslateExclusion(ActionList1);
    AddTranslateExclusion(EmptyAction);
    AddTranslateExclusion(EmptyAction1);
    for (const TActionText& a : PActions) AddTranslateExclusion(this->*(a.Action));
}

void TBaseForm::LoadResourceImages() {
    // Image i of the list comes from resource bitmap ResourceIds[i].
    static constexpr int ResourceIds[] = {1, 2, 3, 5, 6, 7, 8, 9, 4, 10, 11, 12};
    constexpr QRgb Magenta = 0xFF00FF;
    TComBaseForm::LoadResourceImages();
    for (int i = 0; i < static_cast<int>(std::size(ResourceIds)); ++i) {
        const QImage bitmap = ResourceBitmaps()(ResourceIds[i]);
        if (!bitmap.isNull()) ImageList1->Replace(i, Bitmap16::Masked(bitmap, Magenta));
    }
    ApplyActionImages();
}

void TBaseForm::ApplyActionImages() {
    for (QAction* action : ActionList1->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
        const QVariant index = action->property("ImageIndex");
        if (index.isValid()) action->setIcon(ImageList1->Icon(index.toInt()));
    }
}

void TBaseForm::InitActionTexts() {
    for (const TActionText& a : PActions) {
        QAction* action = this->*(a.Action);
        const QString caption = TranslateRu(QString::fromUtf8(a.Caption));
        action->setText(caption);
        action->setToolTip(caption);
    }
}

TOraSession* TBaseForm::GetSession() {
    if (!FSession) ShowError(TranslateRu(QStringLiteral("Сессия не определена!")));
    return FSession;
}

QString TBaseForm::GetShema() {
    if (FShema.isEmpty())
        ShowError(QStringLiteral("TBaseForm.GetShema: ") +
                  TranslateRu(QStringLiteral("Схема не определена!")));
    return FShema;
}

void TBaseForm::SetShema(const QString& value) {
    if (!FAllowRebind) return;
    const QString trimmed = TrimBlanks(value);
    FShema = trimmed.isEmpty() && FSession ? FSession->UserName() : trimmed;
    fSetShema(this, FShema);
}

void TBaseForm::SetSession(TOraSession* value) {
    if (!FAllowRebind) return;
    FSession = value;
    fSetSession(this, FSession);
}

void TBaseForm::ShowError(const QString& text) {
    MessageBoxes::ShowKind(TMessageKind::Error, text, this, QStringLiteral("Отчеты"));
}

QTableView* TBaseForm::GetCurrentGrid() {
    if (auto* grid = qobject_cast<QTableView*>(focusWidget())) return grid;
    MessageBoxes::ShowKind(TMessageKind::Warning, TranslateRu(QStringLiteral("Выберите таблицу")),
                           this);
    return nullptr;
}

TDataSet* TBaseForm::DataSetOfGrid(QTableView* grid) {
    auto* model = grid ? qobject_cast<TDataSetModel*>(grid->model()) : nullptr;
    return model ? model->DataSet() : nullptr;
}

void TBaseForm::Navigate(const std::function<void(TDataSet&)>& move) {
    TDataSet* dataSet = nullptr;
    try {
        QTableView* grid = GetCurrentGrid();
        dataSet = FNavigateActiveGrid ? DataSetOfGrid(grid) : GridInterfaceDataSet(grid);
    } catch (...) {
        return;  // no data set to move in: the action does nothing
    }
    if (dataSet) move(*dataSet);
}

QString TBaseForm::HostFolder() const { return HostExecutableFolder(); }

void TBaseForm::RefreshKeepingPosition(TDataSet* dataSet) {
    QVariant key;
    QString keyName;
    if (dataSet->FieldCount() > 0) {
        key = dataSet->Fields(0)->Value();
        keyName = dataSet->Fields(0)->FieldName();
    }
    dataSet->DisableControls();
    try {
        dataSet->Refresh();
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
    if (!key.isNull()) dataSet->Locate(keyName, key);
}

void TBaseForm::RefreshToLast(TDataSet* dataSet) {
    dataSet->DisableControls();
    try {
        dataSet->Refresh();
        dataSet->Last();
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
}

void TBaseForm::UpdateFindReportVisibility(TDataSet* dataSet) {
    const bool hasRows = dataSet && !(dataSet->Bof() && dataSet->Eof());
    pFind->setVisible(hasRows);
    pReport->setVisible(hasRows);
}

// A right click that no control took reaches the form from anywhere on it (a tree, a
// tool bar, a panel): without an active grid there is nothing to offer and nothing to say.
bool TBaseForm::PopupMenuAllowed() { return qobject_cast<QTableView*>(focusWidget()) != nullptr; }

void TBaseForm::contextMenuEvent(QContextMenuEvent* event) {
    if (PopupMenuAllowed()) PopupMenu1->popup(event->globalPos());
}

QString TBaseForm::FormSection() const {
    const QString user = FSession ? FSession->UserName() : QString();
    return user + u'.' + QString::fromLatin1(metaObject()->className());
}

void TBaseForm::FormShow() {
    for (QObject* component : OwnedComponents(this)) {
        auto* grid = qobject_cast<QTableView*>(component);
        if (grid && FCurrentQuery && DataSetOfGrid(grid) == FCurrentQuery) {
            if (grid->isEnabled() && grid->focusPolicy() != Qt::NoFocus) grid->setFocus();
            break;
        }
    }
}

bool TBaseForm::CloseQuery() {
    if (!FCanClose)
        MessageBoxes::ShowKind(TMessageKind::Warning, FCanCloseMsg, this,
                               QStringLiteral("Закрытие окна"));
    return FCanClose;
}

void TBaseForm::FormClose() {
    TComBaseForm::FormClose();
    SaveState();
}

void TBaseForm::SaveState() {
    FStateSaved = false;
    SaveSortOrder();
    BeforeSaveHook();
    FStateSaved = true;
}

void TBaseForm::AnotherBeforeConnect(TOraSession* session) {
    QString text =
        FormatS(TranslateRu(QStringLiteral("ВНИМАНИЕ: %s. Прошел лишний коннект (TOraSession = %s, "
                                           "Server = %s),\r\nдля наборов данных: ")),
                {objectName(), session->objectName(), session->Server()});
    text += LineBreak;
    for (TDataSet* dataSet : session->DataSets()) text += dataSet->ComponentName() + LineBreak;
    MessageBoxes::ShowKind(TMessageKind::Warning, text, this);
}
