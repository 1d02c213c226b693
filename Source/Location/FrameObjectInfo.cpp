#include "Location/FrameObjectInfo.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDropEvent>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>
#include <vector>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uComponentTree.h"
#include "ComUnits/uImageList.h"
#include "ComUnits/uOraFunctions.h"
#include "FormReposit/uComBaseForm.h"
#include "Location/AddEditInfoType.h"
#include "Location/InfoPictures.h"
#include "Location/LimitedEdits.h"
#include "Location/LocationDialogs.h"
#include "Location/NameOrder.h"
#include "Location/Pictures.h"
#include "Location/RowDragTree.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Platform/Ui/ShellOpen.h"

namespace {

// One repaint for a whole structural change of the inspector.
class TInspectorUpdate {
public:
    explicit TInspectorUpdate(QWidget* inspector)
        : FInspector(inspector), FWasEnabled(inspector->updatesEnabled()) {
        FInspector->setUpdatesEnabled(false);
    }
    ~TInspectorUpdate() { FInspector->setUpdatesEnabled(FWasEnabled); }
    TInspectorUpdate(const TInspectorUpdate&) = delete;
    TInspectorUpdate& operator=(const TInspectorUpdate&) = delete;

private:
    QWidget* FInspector;
    bool FWasEnabled;
};

// "%s" placeholders filled in order.
QString FormatS(QString format, const QStringList& args) {
    int from = 0;
    for (const QString& arg : args) {
        const int at = format.indexOf(QLatin1String("%s"), from);
        if (at < 0) break;
        format.replace(at, 2, arg);
        from = at + arg.size();
    }
    return format;
}

bool IsInside(const QTreeWidgetItem* row, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* r = row; r; r = r->parent())
        if (r == ancestor) return true;
    return false;
}

void ExpandSubtree(QTreeWidgetItem* row) {
    row->setExpanded(true);
    for (int i = 0; i < row->childCount(); ++i) ExpandSubtree(row->child(i));
}

const QString RoutinePrefix = QStringLiteral("ORX.QXVERPINFORM.");

}  // namespace

// ---------------------------------------------------------------------------

void TInfoObject::SetActive(bool active) {
    FActive = active;
    FModified = true;
}

void TInfoObject::SetDescription(const QString& description) {
    FDescription = description;
    FModified = true;
}

void TInfoObject::SetValue(const QString& value) {
    FValue = value;
    FModified = true;
}

void TInfoObject::SetParentID(int parentId) {
    FParentID = parentId;
    FModified = true;
}

TInfoRow::TInfoRow(TKind kind, std::unique_ptr<TInfoObject> item)
    : FKind(kind), FItem(std::move(item)) {
    setFlags(flags() & ~Qt::ItemIsEditable);
}

// ---------------------------------------------------------------------------

TfrObjectInfo::TfrObjectInfo(QWidget* parent) : TfrPelmBaseFrame(parent) {
    setObjectName(QStringLiteral("frObjectInfo"));
    resize(475, 369);

    ImageList = new TImageList(this);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    for (const QImage& image :
         {Pictures::Add(), Pictures::Edit(), Pictures::Delete(), Pictures::Refresh()})
        ImageList->InsertMasked(ImageList->Count(), image, Pictures::Transparent);
    for (int kind = InfoKindEMail; kind <= InfoKindFax; ++kind)
        ImageList->InsertMasked(InfoKindImage(kind), InfoPictures::ForKind(kind),
                                Pictures::Transparent);

    auto makeAction = [this](const char* name, const QString& text, int image) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setProperty("Category", QStringLiteral("Info"));
        if (image >= 0) action->setIcon(ImageList->Icon(image));
        addAction(action);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        return action;
    };
    aEdit = makeAction("aEdit", QStringLiteral("Redaktirovat'"), 1);
    aEdit->setToolTip(QStringLiteral("Redaktirovat'"));
    aDelete = makeAction("aDelete", QStringLiteral("Udalit'"), 2);
    aDelete->setToolTip(QStringLiteral("Udalit'"));
    aRefresh = makeAction("aRefresh", QStringLiteral("Obnovit'"), 3);
    aRefresh->setToolTip(QStringLiteral("Obnovit'"));
    aShowActiveOnly =
        makeAction("aShowActiveOnly", QStringLiteral("Pokazyvat' tol'ko aktivnye"), -1);
    aShowActiveOnly->setCheckable(true);
    aShowActiveOnly->setChecked(true);
    aExpandAll = makeAction("aExpandAll", QStringLiteral("Raskryvat' ves' spisok"), -1);
    aExpandAll->setCheckable(true);
    aExpandAll->setChecked(true);

    pmInfoKind = new QMenu(this);
    pmInfoKind->setObjectName(QStringLiteral("pmInfoKind"));
    pmOptions = new QMenu(this);
    pmOptions->setObjectName(QStringLiteral("pmOptions"));
    miShowActiveOnly = aShowActiveOnly;
    miExpandAll = aExpandAll;
    pmOptions->addAction(aShowActiveOnly);
    pmOptions->addAction(aExpandAll);

    pmInspector = new QMenu(this);
    pmInspector->setObjectName(QStringLiteral("pmInspector"));
    FAddMenu = new QMenu(pmInspector);
    miAdd = pmInspector->addMenu(FAddMenu);
    miAdd->setObjectName(QStringLiteral("miAdd"));
    miAdd->setText(QStringLiteral("Dobavit'"));
    miAdd->setIcon(ImageList->Icon(0));
    miEdit = pmInspector->addAction(aEdit->icon(), QStringLiteral("Redaktirovat'"));
    miEdit->setObjectName(QStringLiteral("miEdit"));
    miDelete = pmInspector->addAction(aDelete->icon(), QStringLiteral("Udalit'"));
    miDelete->setObjectName(QStringLiteral("miDelete"));
    connect(miEdit, &QAction::triggered, aEdit, &QAction::trigger);
    connect(miDelete, &QAction::triggered, aDelete, &QAction::trigger);
    connect(aEdit, &QAction::enabledChanged, miEdit, &QAction::setEnabled);
    connect(aDelete, &QAction::enabledChanged, miDelete, &QAction::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(16, 16));
    auto makeButton = [this](const char* name, QAction* action) {
        auto* button = new QToolButton(ToolBar);
        button->setObjectName(QLatin1String(name));
        button->setAutoRaise(true);
        if (action) button->setDefaultAction(action);
        ToolBar->addWidget(button);
        return button;
    };
    btnInfoAdd = makeButton("btnInfoAdd", nullptr);
    btnInfoAdd->setFixedSize(27, 22);
    btnInfoAdd->setIcon(ImageList->Icon(0));
    btnInfoAdd->setToolTip(QStringLiteral("Dobavit'"));
    btnInfoAdd->setMenu(pmInfoKind);
    btnInfoAdd->setPopupMode(QToolButton::InstantPopup);
    btnInfoEdit = makeButton("btnInfoEdit", aEdit);
    btnInfoDelete = makeButton("btnInfoDelete", aDelete);
    ToolBar->addSeparator();
    btnRefresh = makeButton("btnRefresh", aRefresh);
    ToolBar->addSeparator();
    btnOptions = makeButton("btnOptions", nullptr);
    btnOptions->setToolTip(QStringLiteral("Nastrojki"));
    btnOptions->setText(QStringLiteral("..."));
    btnOptions->setMenu(pmOptions);
    btnOptions->setPopupMode(QToolButton::InstantPopup);
    layout->addWidget(ToolBar);

    pInfo = new QWidget(this);
    pInfo->setObjectName(QStringLiteral("pInfo"));
    auto* infoLayout = new QVBoxLayout(pInfo);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    Splitter = new QSplitter(Qt::Vertical, pInfo);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(3);
    Splitter->setChildrenCollapsible(false);
    infoLayout->addWidget(Splitter);
    layout->addWidget(pInfo, 1);

    // Two columns, kind and text; rows move by dragging within the inspector.
    dxInspector = new TRowDragTree(Splitter);
    dxInspector->setObjectName(QStringLiteral("dxInspector"));
    dxInspector->setDragDropOverwriteMode(true);  // the indicator frames the new parent row
    dxInspector->CanDrop = [this](QTreeWidgetItem* target) {
        return AcceptsDrop(static_cast<TInfoRow*>(dxInspector->currentItem()),
                           static_cast<TInfoRow*>(target));
    };
    dxInspector->Drop = [this](QTreeWidgetItem* target) {
        auto* dragged = static_cast<TInfoRow*>(dxInspector->currentItem());
        Application::Instance().Protect(this,
                                        [&] { DropRow(dragged, static_cast<TInfoRow*>(target)); });
    };
    dxInspector->setColumnCount(2);
    dxInspector->setHeaderHidden(true);
    dxInspector->setIconSize(QSize(16, 16));
    dxInspector->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dxInspector->setContextMenuPolicy(Qt::CustomContextMenu);
    dxInspector->header()->setStretchLastSection(true);
    Splitter->addWidget(dxInspector);

    pDescription = new QWidget(Splitter);
    pDescription->setObjectName(QStringLiteral("pDescription"));
    auto* descriptionLayout = new QVBoxLayout(pDescription);
    descriptionLayout->setContentsMargins(0, 0, 0, 0);
    meDescription = new QPlainTextEdit(pDescription);
    meDescription->setObjectName(QStringLiteral("meDescription"));
    meDescription->setReadOnly(true);
    descriptionLayout->addWidget(meDescription);
    Splitter->addWidget(pDescription);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    pInfo->installEventFilter(this);

    auto makeProc = [this](const char* name, const QString& routine) {
        auto* proc = new TOraStoredProc(this);
        proc->setObjectName(QLatin1String(name));
        proc->SetStoredProcName(RoutinePrefix + routine);
        return proc;
    };
    ospLoadInfo = makeProc("ospLoadInfo", QStringLiteral("GET_T#INFORMATION"));
    ospAddInfo = makeProc("ospAddInfo", QStringLiteral("INS_T#INFORMATION"));
    ospDeleteInfo = makeProc("ospDeleteInfo", QStringLiteral("DEL_T#INFORMATION"));
    oqEditInfo = new TOraQuery(this);
    oqEditInfo->setObjectName(QStringLiteral("oqEditInfo"));
    oqEditInfo->SetSQL(
        {QStringLiteral("begin"),
         QStringLiteral(":RESULT := &shema.QXVERPINFORM.UPD_T#INFORMATION(:POBJTYPE, "
                        ":POBJID, :PID, :PID_PARENT, :PVALUE, :PDESCRIPTION, "
                        ":PACTIVE, :PVERSION);"),
         QStringLiteral("end;")});

    // A failing server call shows its message; the frame stays as it was left.
    connect(aEdit, &QAction::triggered, this, [this] { HoldingRows([this] { EditFocused(); }); });
    connect(aDelete, &QAction::triggered, this,
            [this] { HoldingRows([this] { DeleteFocused(); }); });
    connect(aRefresh, &QAction::triggered, this,
            [this] { Guarded([this] { RefreshAndTranslate(); }); });
    connect(aShowActiveOnly, &QAction::triggered, this,
            [this] { Guarded([this] { RefreshAndTranslate(); }); });
    connect(aExpandAll, &QAction::triggered, this, [this](bool checked) {
        if (checked) ExpandAll();
    });
    connect(dxInspector, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        auto* row = static_cast<TInfoRow*>(current);
        meDescription->setPlainText(row ? TLimitedMemo::Plain(row->Item().Description())
                                        : QString());
        UpdateActions();
    });
    connect(dxInspector, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int column) {
                auto* row = static_cast<TInfoRow*>(item);
                if (column == 1 && row->Kind() == TInfoRow::Link) OpenLink(row);
            });
    connect(dxInspector, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* row = dxInspector->itemAt(pos)) dxInspector->setCurrentItem(row);
        UpdateActions();
        pmInspector->popup(dxInspector->viewport()->mapToGlobal(pos));
    });
}

TfrObjectInfo::~TfrObjectInfo() {
    // Rows go with the inspector; nothing may react to their removal any more.
    QObject::disconnect(dxInspector, nullptr, this, nullptr);
}

void TfrObjectInfo::InitFrame() {
    TfrPelmBaseFrame::InitFrame();
    FPendingDeletes.clear();
    FCanAdd = FCanEdit = FCanDelete = true;
    FObjID = -1;
    FObjType = -1;
    FAutoLoad = false;
    FAutoSave = false;
    BuildKindMenus();
    CreateRootRow();
    aEdit->setShortcut(QKeySequence(Qt::Key_F4));
    aDelete->setShortcut(QKeySequence(Qt::Key_F8));
    // The actions follow the rights and the focus whenever the event loop goes idle.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { UpdateActions(); });
    UpdateActions();
}

void TfrObjectInfo::Guarded(const std::function<void()>& action) {
    Application::Instance().Protect(this, [&] {
        action();
        UpdateActions();
    });
}

void TfrObjectInfo::SetFrameActive(bool active) {
    TfrPelmBaseFrame::SetFrameActive(active);
    aEdit->setShortcut(active ? QKeySequence(Qt::Key_F4) : QKeySequence());
    aDelete->setShortcut(active ? QKeySequence(Qt::Key_F8) : QKeySequence());
}

void TfrObjectInfo::HoldingRows(const std::function<void()>& action) {
    if (FHeld++ == 0) FWaitingObjID = FObjID;
    Guarded(action);
    if (--FHeld > 0) return;
    FObjID = FWaitingObjID;
    if (!std::exchange(FReloadWaits, false)) return;
    Guarded([this] { RefreshInfo(); });
}

void TfrObjectInfo::SetObjID(int id) {
    if (FHeld > 0) {
        FWaitingObjID = id;
        FReloadWaits = FReloadWaits || FAutoLoad;
        return;
    }
    FObjID = id;
    if (FAutoLoad) RefreshInfo();
}

TInfoRow* TfrObjectInfo::FocusedRow() const {
    auto* row = static_cast<TInfoRow*>(dxInspector->currentItem());
    return row && !row->isHidden() ? row : nullptr;
}

void TfrObjectInfo::BuildKindMenus() {
    // Sorted by name in the alphabet's order; a repeated name is listed once.
    std::vector<std::pair<QString, int>> kinds;
    for (int kind = 0; kind <= 255; ++kind) {
        const QString name = InfoKindName(kind);
        if (name.isEmpty()) continue;
        auto at = kinds.begin();
        while (at != kinds.end() && NameOrder::Compare(at->first, name) < 0) ++at;
        if (at != kinds.end() && NameOrder::Compare(at->first, name) == 0) continue;
        kinds.insert(at, {name, kind});
    }
    pmInfoKind->clear();
    FAddMenu->clear();
    for (const auto& [name, kind] : kinds) {
        for (QMenu* menu : {pmInfoKind, FAddMenu}) {
            QAction* item = menu->addAction(ImageList->Icon(InfoKindImage(kind)), name);
            SetTag(item, kind);
            connect(item, &QAction::triggered, this,
                    [this, item] { HoldingRows([this, item] { AddInfoOfKind(TagOf(item)); }); });
        }
    }
}

void TfrObjectInfo::CreateRootRow() {
    TInspectorUpdate update(dxInspector);
    dxInspector->clear();
    FRootRow = new TInfoRow(TInfoRow::Category, std::make_unique<TInfoObject>());
    FRootRow->setText(0, TranslateRu(QStringLiteral("Вся информация")));
    FRootRow->setFirstColumnSpanned(false);
    QFont bold = FRootRow->font(0);
    bold.setBold(true);
    FRootRow->setFont(0, bold);
    const QBrush category(dxInspector->palette().color(QPalette::Button));
    FRootRow->setBackground(0, category);
    FRootRow->setBackground(1, category);
    dxInspector->addTopLevelItem(FRootRow);
    FRootRow->setExpanded(true);
}

void TfrObjectInfo::RefreshInfo() {
    if (FHeld > 0) {
        FReloadWaits = true;
        return;
    }
    {
        TInspectorUpdate update(dxInspector);
        qDeleteAll(FRootRow->takeChildren());
        LoadTree(FRootRow);
        if (aExpandAll->isChecked()) ExpandAll();
    }
    meDescription->clear();
}

void TfrObjectInfo::LoadTree(TInfoRow* row) {
    LoadChildren(row);
    for (int i = 0; i < row->childCount(); ++i) LoadTree(row->ChildRow(i));
}

void TfrObjectInfo::LoadChildren(TInfoRow* row) {
    TInspectorUpdate update(dxInspector);
    qDeleteAll(row->takeChildren());
    const int parent = row->Item().ID;
    ospLoadInfo->Close();
    ospLoadInfo->ParamByName(QStringLiteral("POBJTYPE")).SetAsInteger(FObjType);
    ospLoadInfo->ParamByName(QStringLiteral("POBJID")).SetAsInteger(FObjID);
    SetParamID(ospLoadInfo->ParamByName(QStringLiteral("PID_PARENT")), parent);
    ospLoadInfo->Open();
    const bool activeOnly = aShowActiveOnly->isChecked();
    for (ospLoadInfo->First(); !ospLoadInfo->Eof(); ospLoadInfo->Next()) {
        const bool active = ospLoadInfo->FieldByName(QStringLiteral("ACTIVE")).AsInteger() != 0;
        // A hidden item is not read further: its children stay away with it.
        if (activeOnly && !active) continue;
        auto item = std::make_unique<TInfoObject>();
        item->ID = ospLoadInfo->FieldByName(QStringLiteral("ID")).AsInteger();
        item->SetParentID(parent);
        item->InfoType = ospLoadInfo->FieldByName(QStringLiteral("INFOTYPE")).AsInteger();
        item->SetActive(active);
        item->SetValue(ospLoadInfo->FieldByName(QStringLiteral("VALUE")).AsString());
        item->SetDescription(ospLoadInfo->FieldByName(QStringLiteral("DESCRIPTION")).AsString());
        item->Version = ospLoadInfo->FieldByName(QStringLiteral("VERSION")).AsInteger();
        item->SetModified(false);
        AddInfoRow(row, std::move(item));
    }
}

TInfoRow* TfrObjectInfo::AddInfoRow(TInfoRow* parentRow, std::unique_ptr<TInfoObject> item) {
    const int kind = item->InfoType;
    auto* row =
        new TInfoRow(InfoKindIsLink(kind) ? TInfoRow::Link : TInfoRow::Text, std::move(item));
    row->setText(0, TranslateEn(InfoKindName(kind)));
    const int image = InfoKindImage(kind);
    if (image >= 0) row->setIcon(0, ImageList->Icon(image));
    if (row->Kind() == TInfoRow::Link) {
        QFont link = row->font(1);
        link.setUnderline(true);
        row->setFont(1, link);
        row->setForeground(1, QBrush(Qt::blue));
        row->setToolTip(1, row->Item().Value());
    }
    parentRow->addChild(row);
    ShowItemLook(row);
    return row;
}

void TfrObjectInfo::ShowItemLook(TInfoRow* row) {
    row->setText(1, row->Item().Value());
    // An inactive item is told apart at a glance: its caption is red.
    if (row->Item().Active())
        row->setData(0, Qt::ForegroundRole, QVariant());
    else
        row->setForeground(0, QBrush(QColor(255, 0, 0)));
}

void TfrObjectInfo::ExpandAll() {
    TInspectorUpdate update(dxInspector);
    ExpandSubtree(FRootRow);
}

void TfrObjectInfo::RefreshAndTranslate() {
    RefreshInfo();
    InitTranslation(FShema, FSession);
}

void TfrObjectInfo::OpenLink(TInfoRow* row) {
    if (!row) return;
    QString target = row->text(1);
    if (target.contains(QLatin1Char('@'))) target = QStringLiteral("mailto:") + target;
    ShellOpen::Open(target);
}

// The items below a row, at every depth.
int TfrObjectInfo::NestedCount(const QTreeWidgetItem* row) {
    int count = row->childCount();
    for (int i = 0; i < row->childCount(); ++i) count += NestedCount(row->child(i));
    return count;
}

void TfrObjectInfo::DeleteFocused() {
    TInfoRow* row = FocusedRow();
    if (row && row != FRootRow) {
        TInfoObject& item = row->Item();
        QString text = FormatS(TranslateRu(QStringLiteral("Удалить объект \"%s %s\"?")),
                               {TranslateEn(InfoKindName(item.InfoType)), item.Value()});
        // The server takes the nested items with it: the user is told how many.
        if (const int nested = NestedCount(row); nested > 0)
            text += u'\n' + FormatS(TranslateRu(QStringLiteral(
                                        "Вместе с ним будут удалены вложенные записи: %s.")),
                                    {QString::number(nested)});
        const int answer =
            MessageBoxes::Show(text, TranslateRu(QStringLiteral("Удаление информации")),
                               MB_YESNO | MB_ICONQUESTION, MessageBoxes::OwnerFor(this));
        if (answer == IDYES) {
            {
                TInspectorUpdate update(dxInspector);
                qDeleteAll(row->takeChildren());
                row->setHidden(true);
                dxInspector->setCurrentItem(row->parent());
            }
            if (FObjID >= 1 && item.ID >= 1) {
                if (FAutoSave)
                    DeleteInfo(item.ID);
                else
                    FPendingDeletes.append(item.ID);
            }
        }
    }
    InitTranslation(FShema, FSession);
    UpdateActions();
}

bool TfrObjectInfo::AcceptsDrop(TInfoRow* dragged, TInfoRow* target) const {
    if (!FCanEdit || !dragged || !target) return false;
    if (target == dragged || target == dragged->parent() || dragged == FRootRow) return false;
    return !IsInside(target, dragged);
}

void TfrObjectInfo::DropRow(TInfoRow* dragged, TInfoRow* target) {
    if (!dragged || !target || IsInside(target, dragged) || !dragged->parent()) return;
    {
        TInspectorUpdate update(dxInspector);
        dragged->parent()->removeChild(dragged);
        target->addChild(dragged);
        target->setExpanded(true);
        if (aExpandAll->isChecked()) ExpandSubtree(dragged);
    }
    TInfoObject& item = dragged->Item();
    const int formerParent = item.ParentID();
    item.SetParentID(target->Item().ID);
    dxInspector->setCurrentItem(dragged);
    if (!FAutoSave || FObjID < 1) return;
    const TInfoSave saved = SaveInfo(item);
    if (saved == TInfoSave::PlaceGone) {
        if (OnObjectGone) OnObjectGone();
    } else if (saved == TInfoSave::Stale || saved == TInfoSave::ItemGone) {
        if (saved == TInfoSave::Stale) TellDraggedChanged(item, formerParent);
        RefreshInfo();  // the items as another user left them
    }
}

void TfrObjectInfo::UpdateActions() {
    btnInfoAdd->setEnabled(FCanAdd);
    miAdd->setEnabled(FCanAdd);
    TInfoRow* row = FocusedRow();
    const bool itemFocused = row && row != FRootRow;
    aEdit->setEnabled(FCanEdit && itemFocused);
    aDelete->setEnabled(FCanDelete && itemFocused);
}

bool TfrObjectInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pInfo && event->type() == QEvent::Resize) {
        if (FFirstLayout && pInfo->height() > 0) {
            // The description takes a quarter of the panel at first; the user may move it.
            FFirstLayout = false;
            const int height = pInfo->height();
            Splitter->setSizes({height - height / 4 - Splitter->handleWidth(), height / 4});
        }
        dxInspector->header()->resizeSection(0, dxInspector->width() / 2);
    }
    return TfrPelmBaseFrame::eventFilter(watched, event);
}
