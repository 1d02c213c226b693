#include "Location/DictionaryBrowse.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/JournalWatcher.h"
#include "Location/LocationDialogs.h"
#include "Location/Pictures.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/Bitmap16.h"
#include "Platform/Ui/MessageBoxes.h"

TGridColumn::TGridColumn(QObject* view, const char* name, const QString& caption,
                         const QString& fieldName, int width)
    : QObject(view), Caption(caption), FieldName(fieldName), Width(width) {
    setObjectName(QString::fromLatin1(name));
}

TDictionaryModel::TDictionaryModel(TDataSet* dataSet, QObject* parent)
    : TDataSetModel(dataSet, parent) {
    connect(this, &TDataSetModel::CurrentRowChanged, this, [this] {
        if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    });
}

QVariant TDictionaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section == CurrentRow() ? QStringLiteral("\u25B8") : QString();
    return TDataSetModel::headerData(section, orientation, role);
}

QVariant TDictionaryModel::data(const QModelIndex& index, int role) const {
    if (CellHook && DataSet()) {
        if (const TField* field = FieldAt(index.column()); field && index.row() < rowCount()) {
            bool handled = false;
            QVariant answer =
                CellHook(*field, DataSet()->CellValue(index.row(), *field), role, handled);
            if (handled) return answer;
        }
    }
    return TDataSetModel::data(index, role);
}

namespace {

QToolButton* ToolButton(QWidget* parent, const char* name, QAction* action) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFixedSize(23, 22);
    return button;
}

QAction* ObjectAction(QWidget* form, const char* name, const QString& hint, const QImage& image) {
    auto* action = new QAction(QIcon(QPixmap::fromImage(image)), hint, form);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint);
    action->setProperty("Category", QStringLiteral("Object"));
    form->addAction(action);
    return action;
}

}  // namespace

TfDictionaryBrowse::TfDictionaryBrowse(QWidget* owner, TOraSession* session, const QString& schema)
    : TfPelmBaseForm_Browse(owner, session, schema) {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());

    aObjectAdd = ObjectAction(this, "aObjectAdd", QStringLiteral("Dobavit'..."),
                              Bitmap16::Masked(Pictures::Add(), Pictures::Transparent));
    aObjectEdit = ObjectAction(this, "aObjectEdit", QStringLiteral("Redaktirovat'..."),
                               Bitmap16::Masked(Pictures::Edit(), Pictures::Transparent));
    aObjectDelete = ObjectAction(this, "aObjectDelete", QStringLiteral("Udalit'..."),
                                 Bitmap16::Masked(Pictures::Delete(), Pictures::Transparent));
    connect(aObjectAdd, &QAction::triggered, this, [this] { Guard([this] { ObjectAdd(); }); });
    connect(aObjectEdit, &QAction::triggered, this, [this] { Guard([this] { ObjectEdit(); }); });
    connect(aObjectDelete, &QAction::triggered, this,
            [this] { Guard([this] { ObjectDelete(); }); });

    pTop = new QWidget(this);
    pTop->setObjectName(QStringLiteral("pTop"));
    pTop->setFixedHeight(22);
    auto* top = new QHBoxLayout(pTop);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    btnObjectAdd = ToolButton(pTop, "btnObjectAdd", aObjectAdd);
    btnObjectEdit = ToolButton(pTop, "btnObjectEdit", aObjectEdit);
    btnObjectDelete = ToolButton(pTop, "btnObjectDelete", aObjectDelete);
    top->addWidget(btnObjectAdd);
    top->addWidget(btnObjectEdit);
    top->addWidget(btnObjectDelete);

    ospObjects = new TOraStoredProc(this);
    ospObjects->setObjectName(QStringLiteral("ospObjects"));

    // The record navigator: first, prior, next, last and refresh are shown; the
    // editing buttons exist (with their hints) but a read-only list hides them.
    DBNavigator1 = new QWidget(pTop);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setFixedSize(110, 22);
    auto* navigator = new QHBoxLayout(DBNavigator1);
    navigator->setContentsMargins(0, 0, 0, 0);
    navigator->setSpacing(0);
    struct TNavButton {
        const char* Name;
        const char* Hint;
        Qt::ArrowType Arrow;
        bool Shown;
        std::function<void()> Act;
        bool NeedsList = true;  // does nothing while the list is closed
    };
    const TNavButton buttons[] = {
        {"nbFirst", "Na pervuju zapis'", Qt::UpArrow, true, [this] { ospObjects->First(); }},
        {"nbPrior", "Na predyduschuju zapis'", Qt::LeftArrow, true,
         [this] { ospObjects->Prior(); }},
        {"nbNext", "Sledujuschaja zapis'", Qt::RightArrow, true, [this] { ospObjects->Next(); }},
        {"nbLast", "V konets", Qt::DownArrow, true, [this] { ospObjects->Last(); }},
        {"nbInsert", "Insert record", Qt::NoArrow, false, nullptr},
        {"nbDelete", "Delete record", Qt::NoArrow, false, nullptr},
        {"nbEdit", "Edit record", Qt::NoArrow, false, nullptr},
        {"nbPost", "Post edit", Qt::NoArrow, false, nullptr},
        {"nbCancel", "Cancel edit", Qt::NoArrow, false, nullptr},
        // Also reopens a list whose first reading failed.
        {"nbRefresh", "Obnovit' dannye", Qt::NoArrow, true, [this] { ReloadList(); }, false},
    };
    const QStyle::StandardPixmap glyphs[] = {
        QStyle::SP_MediaSkipBackward,      QStyle::SP_MediaSeekBackward,
        QStyle::SP_MediaSeekForward,       QStyle::SP_MediaSkipForward,
        QStyle::SP_FileDialogNewFolder,    QStyle::SP_TrashIcon,
        QStyle::SP_FileDialogDetailedView, QStyle::SP_DialogApplyButton,
        QStyle::SP_DialogCancelButton,     QStyle::SP_BrowserReload};
    int index = 0;
    for (const TNavButton& b : buttons) {
        auto* action = new QAction(style()->standardIcon(glyphs[index++]), QString(), DBNavigator1);
        action->setObjectName(QString::fromLatin1(b.Name));
        action->setToolTip(QString::fromLatin1(b.Hint));
        auto* button = new QToolButton(DBNavigator1);
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        button->setFixedSize(22, 22);
        button->setVisible(b.Shown);
        navigator->addWidget(button);
        if (b.Act)
            connect(action, &QAction::triggered, this, [this, act = b.Act, needs = b.NeedsList] {
                Guard([this, &act, needs] {
                    if (ospObjects->Active() || !needs) act();
                });
            });
    }
    top->addWidget(DBNavigator1);
    top->addStretch(1);
    layout->insertWidget(0, pTop);

    cxGrid = new QWidget(this);
    cxGrid->setObjectName(QStringLiteral("cxGrid"));
    auto* gridLayout = new QVBoxLayout(cxGrid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    cxView = new QTableView(cxGrid);
    cxView->setObjectName(QStringLiteral("cxView"));
    cxView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cxView->setSelectionBehavior(QAbstractItemView::SelectRows);
    cxView->setSelectionMode(QAbstractItemView::SingleSelection);
    cxView->horizontalHeader()->setSectionsMovable(false);
    cxView->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    cxView->verticalHeader()->setDefaultSectionSize(20);
    cxView->verticalHeader()->setFixedWidth(14);  // the record indicator
    cxView->setSortingEnabled(false);
    gridLayout->addWidget(cxView);
    layout->insertWidget(1, cxGrid, 1);

    pmGrid = new QMenu(this);
    pmGrid->setObjectName(QStringLiteral("pmGrid"));
    N1 = pmGrid->addAction(QStringLiteral("Dobavit'"));
    N2 = pmGrid->addAction(QStringLiteral("Redaktirovat'"));
    N3 = pmGrid->addAction(QStringLiteral("Udalit'"));
    N1->setObjectName(QStringLiteral("N1"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    connect(N1, &QAction::triggered, aObjectAdd, &QAction::trigger);
    connect(N2, &QAction::triggered, aObjectEdit, &QAction::trigger);
    connect(N3, &QAction::triggered, aObjectDelete, &QAction::trigger);
    // A right click anywhere over the grid opens the popup menu.
    for (QWidget* area : std::initializer_list<QWidget*>{
             cxView, cxView->viewport(), cxView->horizontalHeader(), cxView->verticalHeader()}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, area](const QPoint& pos) { ShowGridMenu(area, pos); });
    }
    // Only a data row (or one of its cells) answers a double click; headers and the
    // empty area do not emit doubleClicked.
    connect(cxView, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) return;
        UpdateActions();
        aObjectEdit->trigger();
    });

    FModel = new TDictionaryModel(ospObjects, this);
    connect(FModel, &TDataSetModel::CurrentRowChanged, this, &TfDictionaryBrowse::SyncViewRow);
    connect(ospObjects, &TDataSet::DataSetChanged, this, &TfDictionaryBrowse::UpdateActions);
    LinkView(true);
}

TfDictionaryBrowse::~TfDictionaryBrowse() {
    // The children outlive this part of the form: their last signals must not reach it.
    ospObjects->disconnect(this);
    FModel->disconnect(this);
    if (QItemSelectionModel* selection = cxView->selectionModel()) selection->disconnect(this);
}

void TfDictionaryBrowse::Guard(const std::function<void()>& action) {
    Application::Instance().Protect(this, [&] {
        action();
        UpdateActions();
    });
}

TGridColumn* TfDictionaryBrowse::AddColumn(const char* name, const QString& caption,
                                           const QString& fieldName, int width) {
    auto* column = new TGridColumn(cxView, name, caption, fieldName, width);
    FColumns << column;
    return column;
}

void TfDictionaryBrowse::ApplyColumns() {
    // Only the declared columns are shown, in their order.
    for (int i = 0; i < ospObjects->FieldCount(); ++i) ospObjects->Fields(i)->SetVisible(false);
    int position = 0;
    for (TGridColumn* column : std::as_const(FColumns)) {
        if (TField* field = ospObjects->FindField(column->FieldName)) {
            field->SetVisible(true);
            field->SetDisplayLabel(column->Caption);
            field->SetIndex(position++);
        }
    }
    FModel->Reload();
    if (cxView->model() != FModel) return;
    // The columns fit the view: the widest designed column takes what the others
    // leave, they keep their widths, one without a width fits its contents.
    TGridColumn* widest = nullptr;
    for (TGridColumn* column : std::as_const(FColumns))
        if (!widest || column->Width > widest->Width) widest = column;
    QHeaderView* header = cxView->horizontalHeader();
    header->setStretchLastSection(false);
    for (TGridColumn* column : std::as_const(FColumns)) {
        TField* field = ospObjects->FindField(column->FieldName);
        const int section = field ? FModel->ColumnOf(field) : -1;
        if (section < 0) continue;
        if (column == widest) {
            header->setSectionResizeMode(section, QHeaderView::Stretch);
        } else if (column->Width > 0) {
            header->setSectionResizeMode(section, QHeaderView::Interactive);
            cxView->setColumnWidth(section, column->Width);
        } else {
            header->setSectionResizeMode(section, QHeaderView::ResizeToContents);
        }
    }
}

void TfDictionaryBrowse::InitForm() {
    FCanAdd = FCanDelete = FCanEdit = FCanView = true;
    FollowJournal();
    FViewNavigatorHints = {
        TranslateRu(QStringLiteral("На первую запись")),
        TranslateRu(QStringLiteral("На страницу назад")),
        TranslateRu(QStringLiteral("Назад")),
        TranslateRu(QStringLiteral("Вперед")),
        TranslateRu(QStringLiteral("На страницу вперед")),
        TranslateRu(QStringLiteral("На последнюю запись")),
        TranslateRu(QStringLiteral("Добавить")),
        TranslateRu(QStringLiteral("Удалить")),
        TranslateRu(QStringLiteral("Редактировать")),
        TranslateRu(QStringLiteral("Сохранить изменения")),
        TranslateRu(QStringLiteral("Отменить изменения")),
        TranslateRu(QStringLiteral("Обновить")),
        TranslateRu(QStringLiteral("Установить закладку")),
        TranslateRu(QStringLiteral("Перейти на закладку")),
        TranslateRu(QStringLiteral("Фильтровать")),
    };
    cxView->setProperty("NavigatorHints", FViewNavigatorHints);

    // A list the server refuses leaves the form open on an empty grid; refreshing
    // tries again.
    Application::Instance().Protect(this, [this] { OpenList(); });

    aObjectAdd->setShortcut(QKeySequence(Qt::Key_F7));
    aObjectEdit->setShortcut(QKeySequence(Qt::Key_F4));
    aObjectDelete->setShortcut(QKeySequence(Qt::Key_F8));
    UpdateActions();
}

void TfDictionaryBrowse::FormShow() {
    TfPelmBaseForm_Browse::FormShow();
    InitTranslation(FShema, FSession, this);
    for (TGridColumn* column : std::as_const(FColumns))
        column->Caption = TranslateEn(column->Caption);
    for (QAction* action : DBNavigator1->findChildren<QAction*>())
        action->setToolTip(TranslateEn(action->toolTip()));
    ApplyColumns();
    SyncViewRow(FModel->CurrentRow());
    UpdateActions();
}

void TfDictionaryBrowse::FollowJournal() {
    if (!FSession) return;
    connect(TJournalWatcher::Of(FSession, FShema), &TJournalWatcher::Changed, this,
            [this](const std::vector<TJournalRow>& rows) {
                const bool mine = std::any_of(rows.begin(), rows.end(),
                                              [this](const auto& row) { return Follows(row); });
                if (!mine || !ospObjects->Active()) return;
                Guard([this] {
                    const int id = ospObjects->IsEmpty()
                                       ? -1
                                       : ospObjects->FieldByName(QStringLiteral("ID")).AsInteger();
                    ReloadAt(id);
                });
            });
}

void TfDictionaryBrowse::FormDestroy() {
    TfPelmBaseForm_Browse::FormDestroy();
    DoneTranslation(this);
}

void TfDictionaryBrowse::SetCanView(bool value) {
    FCanView = value;
    LinkView(value);
    UpdateActions();
}

void TfDictionaryBrowse::LinkView(bool linked) {
    if (linked == (cxView->model() == FModel)) return;
    cxView->setModel(linked ? FModel : nullptr);
    if (!linked) return;
    connect(cxView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) FModel->SetCurrentRow(current.row());
                UpdateActions();
            });
    ApplyColumns();
    SyncViewRow(FModel->CurrentRow());
}

void TfDictionaryBrowse::SyncViewRow(int row) {
    if (cxView->model() != FModel) return;
    const QModelIndex index = FModel->index(row, 0);
    if (index.isValid() && cxView->currentIndex().row() != row) cxView->setCurrentIndex(index);
}

int TfDictionaryBrowse::FocusedRow() const {
    if (cxView->model() != FModel || !ospObjects->Active() || ospObjects->IsEmpty()) return -1;
    return FModel->CurrentRow();
}

void TfDictionaryBrowse::UpdateActions() {
    const bool focused = FocusedRow() >= 0;
    aObjectAdd->setEnabled(FCanAdd);
    aObjectEdit->setEnabled(FCanEdit && focused);
    aObjectDelete->setEnabled(FCanDelete && focused);
}

void TfDictionaryBrowse::ShowGridMenu(QWidget* source, const QPoint& pos) {
    UpdateActions();
    N1->setEnabled(aObjectAdd->isEnabled());
    N2->setEnabled(aObjectEdit->isEnabled());
    N3->setEnabled(aObjectDelete->isEnabled());
    pmGrid->popup(source->mapToGlobal(pos));
}

void TfDictionaryBrowse::RestoreTranslation() {
    // A closed dialog has released the translator: take it back for this form.
    if (!LanguagesDM()) InitTranslation(FShema, FSession, this);
}

void TfDictionaryBrowse::ObjectAdd() {
    UpdateActions();
    if (!aObjectAdd->isEnabled()) return;
    RunAndLocate(1, -1);
}

void TfDictionaryBrowse::ObjectEdit() {
    UpdateActions();
    if (!aObjectEdit->isEnabled()) return;
    RunAndLocate(2, ospObjects->FieldByName(QStringLiteral("ID")).AsInteger());
}

void TfDictionaryBrowse::RunAndLocate(quint8 mode, int id) {
    struct TRestore {
        TfDictionaryBrowse* Form;
        ~TRestore() { Form->RestoreTranslation(); }
    } restore{this};
    FListStale = false;
    if (!RunDialog(mode, id) && !FListStale) return;
    ReloadAt(id);
    // The row the user made or changed is seen whole, also at the grid's bottom.
    if (cxView->currentIndex().isValid()) cxView->scrollTo(cxView->currentIndex());
}

void TfDictionaryBrowse::ReloadAt(int id) {
    // One visible update: the grid stays frozen while the list is re-read and the row found.
    ospObjects->DisableControls();
    struct TThaw {
        TDataSet* DataSet;
        ~TThaw() { DataSet->EnableControls(); }
    } thaw{ospObjects};
    ReloadList();
    ospObjects->Locate(QStringLiteral("ID"), id);
}

void TfDictionaryBrowse::OpenList() {
    ospObjects->Close();
    ospObjects->ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    ospObjects->Open();
    ApplyColumns();
}

void TfDictionaryBrowse::ReloadList() {
    if (ospObjects->Active())
        ospObjects->Refresh();
    else
        OpenList();
}

void TfDictionaryBrowse::ObjectDelete() {
    UpdateActions();
    if (!aObjectDelete->isEnabled()) return;
    const int id = ospObjects->FieldByName(QStringLiteral("ID")).AsInteger();
    const QString name = ospObjects->FieldByName(QStringLiteral("NAME")).AsString();
    const QString question = FormatS(TranslateRu(QStringLiteral("Удалить объект \"%s\"?")), name);
    if (MessageBoxes::Show(question, windowTitle(), MB_YESNO | MB_ICONQUESTION, this) != IDYES)
        return;

    const bool freeze = FreezeDuringDelete();
    if (freeze) ospObjects->DisableControls();
    struct TThaw {
        TDataSet* DataSet;
        bool Frozen;
        ~TThaw() {
            if (Frozen) DataSet->EnableControls();
        }
    } thaw{ospObjects, freeze};

    int result = -1;
    try {
        result = CallDelete(id);
    } catch (const std::exception& e) {
        if (ShowRefusal(e, this)) return;
        ShowWarning(
            DeleteFailedCaption(),
            FormatS(TranslateRu(QStringLiteral("Ошибка при удалении объекта \"%s\"!")), name));
        throw;
    }
    if (result >= 1) {
        ReloadList();
    } else if (result == -2) {
        MessageBoxes::Show(
            TranslateRu(QStringLiteral("Запись нельзя удалить, т.к. на нее есть ссылки")),
            ReferencedCaption(), MB_ICONINFORMATION, this);
        return;
    } else if (result == -1) {
        ShowWarning(
            DeleteFailedCaption(),
            FormatS(TranslateRu(QStringLiteral("Ошибка при удалении объекта \"%s\"!")), name));
    }
    RestoreTranslation();
}
