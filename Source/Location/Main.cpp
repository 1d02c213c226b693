#include "Location/Main.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <utility>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uImageList.h"
#include "Location/DataMod.h"
#include "Location/FrameObjectInfo.h"
#include "Location/History.h"
#include "Location/LocationDialogs.h"
#include "Location/LocationTree.h"
#include "Location/ObjectNode.h"
#include "Location/Pictures.h"
#include "Location/PopupEdit.h"
#include "Location/RowDragTree.h"
#include "Location/Search.h"
#include "Location/SuggestList.h"
#include "Location/UserPlaces.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/ModalRunner.h"

namespace {

// Images of the form's own image list, by action.
enum TActionImage { imgUp, imgAdd, imgDelete, imgEdit, imgRefresh, imgHistory };

constexpr auto NodeRole = Qt::UserRole + 2;  // a popup copy's tvObjects node

QPushButton* MakePanelButton(QWidget* panel, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), panel);
    button->setObjectName(QString::fromLatin1(name));
    button->resize(100, 30);
    button->move(0, 3);
    return button;
}

}  // namespace

TfMain::TfMain(const QString& mode, IHostObject* hostLink, const QString& serviceName,
               const QString& iconName)
    : TPelmBaseQXVBaseForm(mode, hostLink, serviceName, iconName) {
    BuildLocationDescription();
}

TfMain::TfMain(QWidget* owner, TOraSession* session, const QString& schema)
    : TPelmBaseQXVBaseForm(owner, session, schema) {
    BuildLocationDescription();
}

TfMain::~TfMain() {
    if (FTree) FTree->StopLoads();
    if (CurrentDM() == FDM) SetCurrentDM(nullptr);
}

// --- the form description ---

void TfMain::BuildLocationDescription() {
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Mestopolozhenie"));
    resize(617, 453);
    ActionImages = new TImageList(this);
    ActionImages->setObjectName(QStringLiteral("ImageList"));
    for (const QImage& image : {Pictures::Up(), Pictures::Add(), Pictures::Delete(),
                                Pictures::Edit(), Pictures::Refresh(), Pictures::History()})
        ActionImages->InsertMasked(ActionImages->Count(), image, Pictures::Transparent);
    BuildActions();
    BuildCalls();

    auto* client = new QVBoxLayout(ClientArea());
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);

    pTop = new QWidget(ClientArea());
    pTop->setObjectName(QStringLiteral("pTop"));
    auto* top = new QVBoxLayout(pTop);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    BuildToolBar();
    top->addWidget(ToolBar);
    pObject = new QGroupBox(QStringLiteral("Adres:"), pTop);
    pObject->setObjectName(QStringLiteral("pObject"));
    auto* address = new QHBoxLayout(pObject);
    address->setContentsMargins(4, 2, 4, 4);
    cbObject = new TPopupEdit(pObject);
    cbObject->setObjectName(QStringLiteral("cbObject"));
    address->addWidget(cbObject, 1);
    edSearch = new QLineEdit(pObject);
    edSearch->setObjectName(QStringLiteral("edSearch"));
    edSearch->setMaxLength(255);
    edSearch->setFixedWidth(170);
    edSearch->setClearButtonEnabled(true);
    address->addWidget(edSearch);
    connect(edSearch, &QLineEdit::returnPressed, this,
            Application::Guarded(this, &TfMain::OpenSearch));
    FSuggestSource =
        std::make_shared<TServerSuggestSource>(ospSuggest, [this] { return AbbrevSeparator(); });
    FSuggestSource->SetFirstPlaces(
        [this] { return lbUserPlaces ? lbUserPlaces->Places() : QList<int>(); });
    FSuggest = new TSuggestList(edSearch, FSuggestSource);
    FSuggest->OnChoose = [this](int id, bool byEnter) {
        Application::Instance().Protect(this, [&] { OpenSuggested(id, byEnter); });
    };
    top->addWidget(pObject);
    client->addWidget(pTop);

    pBottom = new QWidget(ClientArea());
    pBottom->setObjectName(QStringLiteral("pBottom"));
    auto* bottom = new QHBoxLayout(pBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    cxSplitter = new QSplitter(Qt::Horizontal, pBottom);
    cxSplitter->setObjectName(QStringLiteral("cxSplitter"));
    cxSplitter->setHandleWidth(8);
    pTree = new QWidget(cxSplitter);
    pTree->setObjectName(QStringLiteral("pTree"));
    auto* treeLayout = new QVBoxLayout(pTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    tvObjects = new TRowDragTree(pTree);
    tvObjects->setObjectName(QStringLiteral("tvObjects"));
    tvObjects->setHeaderHidden(true);
    tvObjects->setIndentation(19);
    tvObjects->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeLayout->addWidget(tvObjects);
    BuildTreeMenu();
    pInfo = new QWidget(cxSplitter);
    pInfo->setObjectName(QStringLiteral("pInfo"));
    auto* infoLayout = new QVBoxLayout(pInfo);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    cxSplitter->addWidget(pTree);
    cxSplitter->addWidget(pInfo);
    cxSplitter->setStretchFactor(0, 1);
    cxSplitter->setSizes({617 - 274 - 8, 274});
    bottom->addWidget(cxSplitter);
    client->addWidget(pBottom, 1);

    tvCombo = new QTreeWidget(this);
    tvCombo->setObjectName(QStringLiteral("tvCombo"));
    tvCombo->setHeaderHidden(true);
    tvCombo->setRootIsDecorated(false);
    // A copy of the fetched tree to pick from, not to open: no expand buttons, no lines.
    tvCombo->setItemsExpandable(false);
    tvCombo->setStyleSheet(
        QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    tvCombo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvCombo->hide();
    cbObject->SetPopupControl(tvCombo);
    cbObject->OnInitPopup = [this] { InitAddressPopup(); };
    connect(tvCombo, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnComboChanged(item); });
    connect(tvCombo, &QTreeWidget::itemClicked, this, [this] {
        cbObject->CloseUp();
        RememberChosen(GetSelectedID());
        tvObjects->setFocus();
    });
    tvCombo->installEventFilter(this);

    BuildPanelButtons();
    ConnectEditing();
    BuildPlaceActions();
}

void TfMain::BuildActions() {
    struct TActionDef {
        QAction* TfMain::*Field;
        const char* Name;
        const char* Hint;
        int Image;
    };
    const TActionDef defs[] = {
        {&TfMain::aUp, "aUp", "Vverkh", imgUp},
        {&TfMain::aRefreshNode, "aRefreshNode", "Obnovit'", imgRefresh},
        {&TfMain::aObjectAdd, "aObjectAdd", "Dobavit'...", imgAdd},
        {&TfMain::aObjectEdit, "aObjectEdit", "Redaktirovat'...", imgEdit},
        {&TfMain::aObjectDelete, "aObjectDelete", "Udalit'...", imgDelete},
        {&TfMain::aAbbreviature, "aAbbreviature", "Spravochnik ATE", -1},
        {&TfMain::aLevel, "aLevel", "Spravochnik urovnej", -1},
        {&TfMain::aSelect, "aSelect", "Vybrat'", -1},
        {&TfMain::aHistory, "aHistory", "Istoriya izmenenij", imgHistory},
    };
    for (const TActionDef& def : defs) {
        auto* action = new QAction(QString::fromLatin1(def.Hint), this);
        action->setObjectName(QString::fromLatin1(def.Name));
        action->setToolTip(QString::fromLatin1(def.Hint));
        if (def.Image >= 0) action->setIcon(ActionImages->Icon(def.Image));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        this->*def.Field = action;
    }
    // The designed keys; creation replaces them (F7, F4, F8).
    aObjectAdd->setShortcut(QKeySequence(Qt::Key_Insert));
    aObjectEdit->setShortcut(QKeySequence(Qt::Key_F4));
    aObjectDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(aRefreshNode, &QAction::triggered, this,
            [this] { Application::Instance().Protect(this, [this] { aRefreshNodeExecute(); }); });
    connect(aUp, &QAction::triggered, this, [this] { aUpExecute(); });
    connect(aHistory, &QAction::triggered, this, Application::Guarded(this, &TfMain::OpenHistory));
}

void TfMain::BuildToolBar() {
    ToolBar = new QToolBar(pTop);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(16, 16));
    auto addButton = [this](QAction* action, const char* name) {
        ToolBar->addAction(action);
        auto* button = qobject_cast<QToolButton*>(ToolBar->widgetForAction(action));
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(23, 22);
        return button;
    };
    btnUp = addButton(aUp, "btnUp");
    btnRefreshNode = addButton(aRefreshNode, "btnRefreshNode");
    ToolBar->addSeparator();
    pmReference = new QMenu(this);
    pmReference->setObjectName(QStringLiteral("pmReference"));
    miATE = aAbbreviature;
    miLevel = aLevel;
    pmReference->addAction(miATE);
    pmReference->addAction(miLevel);
    btnReference = new QToolButton(ToolBar);
    btnReference->setObjectName(QStringLiteral("btnReference"));
    btnReference->setToolTip(QStringLiteral("Spravochniki"));
    btnReference->setIcon(QIcon(QPixmap::fromImage(Pictures::Globe())));
    btnReference->setMenu(pmReference);
    btnReference->setPopupMode(QToolButton::InstantPopup);
    ToolBar->addWidget(btnReference);
    ToolBar->addSeparator();
    btnObjectAdd = addButton(aObjectAdd, "btnObjectAdd");
    btnObjectEdit = addButton(aObjectEdit, "btnObjectEdit");
    btnObjectDelete = addButton(aObjectDelete, "btnObjectDelete");
    ToolBar->addSeparator();
    btnHistory = addButton(aHistory, "btnHistory");
}

void TfMain::BuildCalls() {
    ospObjectsTree = LocatProc(this, "ospObjectsTree", "GET_T#LOCATION");
    ospAbbrevImages = LocatProc(this, "ospAbbrevImages", "GET_T#LOCATABBREV");
    ospLevels = LocatProc(this, "ospLevels", "GET_T#LOCATTYPE");
    ospPlaceParents = LocatProc(this, "ospPlaceParents", "GET_LOCATION_PARENTS");
    ospChangeParent = LocatProc(this, "ospChangeParent", "UPD_T#LOCATION_ID_PARENT");
    ospSuggest = LocatProc(this, "ospSuggest", "SUGGEST_T#LOCATION");
    oqObjectDelete = new TOraQuery(this);
    oqObjectDelete->setObjectName(QStringLiteral("oqObjectDelete"));
    oqObjectDelete->SetSQL({QStringLiteral("begin"),
                            QStringLiteral(":RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATION(:PID);"),
                            QStringLiteral("end;")});
}

void TfMain::BuildPanelButtons() {
    btnSelect = MakePanelButton(Panel1, "btnSelect", "Vybrat'");
    btnSelect->setDefault(true);
    btnSelect->hide();
    cxButton1 = MakePanelButton(Panel1, "cxButton1", "Otmenit'");
    cxButton1->hide();
    BitBtn1 = MakePanelButton(Panel1, "BitBtn1", "Vykhod");
    // The base's buttons: the close button is hidden, OkBtn stays out of sight.
    btnClose->hide();
    OkBtn->move(-OkBtn->width() - 10, OkBtn->y());
    connect(btnSelect, &QPushButton::clicked, this, [this] { btnSelectClick(); });
    connect(cxButton1, &QPushButton::clicked, this, [this] { close(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        setResult(mrCancel);
        close();
    });
    Panel1->installEventFilter(this);
}

// --- creation and showing ---

std::array<bool*, 12> TfMain::RightFlags() {
    return {&FViewLocation, &FAddLocation, &FEditLocation, &FDelLocation, &FViewAte,   &FAddAte,
            &FEditAte,      &FDelAte,      &FViewLevel,    &FAddLevel,    &FEditLevel, &FDelLevel};
}

void TfMain::RegisterAccess() {
    for (bool* right : RightFlags()) AccessList()->Add([right](bool granted) { *right = granted; });
}

void TfMain::LimitRights(const QString& serverRights) {
    const std::array<bool*, 12> flags = RightFlags();
    for (qsizetype i = 0; i < qsizetype(flags.size()); ++i)
        *flags[size_t(i)] = *flags[size_t(i)] && i < serverRights.size() && serverRights[i] == u'1';
    UpdateActions();
}

void TfMain::FormCreate() {
    TPelmBaseQXVBaseForm::FormCreate();
    FDM = new TDM(this);
    SetCurrentDM(FDM);
    FStartID = -1;
    TLocationTree::TCalls calls;
    calls.ObjectsTree = ospObjectsTree;
    calls.AbbrevImages = ospAbbrevImages;
    calls.Levels = ospLevels;
    calls.PlaceParents = ospPlaceParents;
    FTree = new TLocationTree(tvObjects, FDM, calls, this);
    FTree->OnNodeSelected = [this](TObjectNode* node) { NodeSelected(node); };
    aObjectAdd->setShortcut(QKeySequence(Qt::Key_F7));
    aObjectEdit->setShortcut(QKeySequence(Qt::Key_F4));
    aObjectDelete->setShortcut(QKeySequence(Qt::Key_F8));
    InitTranslation(FShema, FSession, this);
    const bool spanish = LanguagesDM() && LanguagesDM()->AppLanguage() == TLanguagesDM::LangSpanish;
    FTree->SetAbbrevSeparator(spanish ? QStringLiteral(" ") : QStringLiteral(". "));
    FTree->SetRootCaption(TranslateRu(QStringLiteral("Местоположение")));
    // A main form's caption is left out of the translation pass: it is the root's text.
    setWindowTitle(FTree->RootCaption());
    UpdateActions();
}

void TfMain::FormShow() {
    TPelmBaseQXVBaseForm::FormShow();
    if (FShown) return;
    FShown = true;
    // Set once the user's language is known: the placeholder is no designed text.
    edSearch->setPlaceholderText(TranslateRu(QStringLiteral("Поиск")));
    LoadOnShow();
}

// Every loading step runs even when an earlier one failed, so that a failure leaves
// a root to refresh; the first failure is told once. A picker is not left half-built
// over its caller: it closes at once and GetLocation throws the failure.
void TfMain::LoadOnShow() {
    std::exception_ptr failure;
    auto step = [this, &failure](const std::function<void()>& action) {
        try {
            FTree->RunRaisingHandlerErrors(action);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    step([this] { CreateInfoFrame(); });
    step([this] { LoadAbbrevImages(); });
    step([this] { LoadLevels(); });
    step([this] { BuildRoot(); });
    if (FSelectMode) step([this] { ExpandToLocation(); });
    step([this] { FMaxLevel = GetMaxLevel(); });
    FollowJournal();
    step([this] { LoadUserPlaces(); });
    UpdateActions();
    if (!failure) return;
    if (FSelectMode) {
        FLoadError = failure;
        QMetaObject::invokeMethod(
            this, [this] { done(mrCancel); }, Qt::QueuedConnection);
        return;
    }
    Application::Instance().Protect(this, [&failure] { std::rethrow_exception(failure); });
}

void TfMain::RethrowLoadError() {
    if (FLoadError) std::rethrow_exception(std::exchange(FLoadError, nullptr));
}

const QString& TfMain::AbbrevSeparator() const { return FTree->AbbrevSeparator(); }

void TfMain::LoadAbbrevImages() { FTree->LoadAbbrevImages(); }

void TfMain::LoadLevels() { FTree->LoadLevels(); }

void TfMain::BuildRoot() { FTree->BuildRoot(); }

void TfMain::LoadChildren(TObjectNode* node, bool force) { FTree->LoadChildren(node, force); }

void TfMain::ExpandToLocation() { FTree->ExpandToLocation(FStartID); }

void TfMain::FindExecute() { OpenSearch(); }

// The place's editing and its history, on the place the right click lands on.
void TfMain::BuildTreeMenu() {
    pmTree = new QMenu(this);
    pmTree->setObjectName(QStringLiteral("pmTree"));
    pmTree->addActions({aObjectAdd, aObjectEdit, aObjectDelete});
    pmTree->addSeparator();
    pmTree->addAction(aHistory);
    tvObjects->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvObjects, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = tvObjects->itemAt(at)) tvObjects->setCurrentItem(item);
        UpdateActions();
        pmTree->popup(tvObjects->viewport()->mapToGlobal(at));
    });
}

void TfMain::OpenHistory() {
    TObjectNode* node = FTree->Selected();
    if (!node || GetSelectedID() < 1) return;
    TFormHolder<TfHistory> history(TComBaseForm::Create<TfHistory>(nullptr, FSession, FShema));
    history->SetSeparator(AbbrevSeparator());
    history->SetPlace(GetSelectedID(), node->text(0));
    history->Reload();
    ModalRunner::RunModal(*history);
}

void TfMain::OpenSearch() {
    TFormHolder<TfSearch> search(TComBaseForm::Create<TfSearch>(nullptr, FSession, FShema));
    search->SetSeparator(AbbrevSeparator());
    search->SetText(edSearch->text());
    search->SetFirstPlaces(lbUserPlaces->Places());
    if (!edSearch->text().trimmed().isEmpty()) search->Search();
    if (ModalRunner::RunModal(*search) != QDialog::Accepted || search->ChosenID() < 1) return;
    FTree->ExpandToLocation(search->ChosenID());
    RememberChosen(search->ChosenID());
    tvObjects->setFocus();
}

void TfMain::OpenSuggested(int id, bool byEnter) {
    FTree->ExpandToLocation(id);
    tvObjects->setFocus();
    if (FSelectMode && byEnter && GetSelectedID() == id) btnSelectClick();
}

int TfMain::GetSelectedID() const { return FTree ? FTree->SelectedID() : -1; }

int TfMain::GetMaxLevel() {
    TOraStoredProc proc;  // made for this one call, like a routine named at run time
    proc.SetSession(FSession);
    proc.SetStoredProcName(FShema + QStringLiteral(".QXVERPLOCAT.GET_MAX_LEVEL"));
    proc.Prepare();
    proc.ExecProc();
    return proc.ParamByName(QStringLiteral("Result")).AsInteger();
}

void TfMain::CreateInfoFrame() {
    FInfoFrame = TfrPelmBaseFrame::Create<TfrObjectInfo>(this, pInfo, FSession, FShema);
    FInfoFrame->setObjectName(QStringLiteral("FInfoFrame"));
    FInfoFrame->FAutoLoad = true;
    FInfoFrame->FAutoSave = true;
    FInfoFrame->FObjType = 1;  // locations
    // An item attached to a place another user deleted: the place leaves the tree.
    FInfoFrame->OnObjectGone = [this] {
        TObjectNode* node = FTree->Selected();
        if (node && node->ID == FInfoFrame->ObjID()) DropGoneNode(node);
    };
    FInfoFrame->SetFrameActive(false);  // F4 and F8 stay with the tree
    FInfoFrame->FCanAdd = FViewLocation && (FAddLocation || FEditLocation);
    FInfoFrame->FCanEdit = FInfoFrame->FCanAdd;
    FInfoFrame->FCanDelete = FViewLocation && FEditLocation;
    FInfoFrame->UpdateActions();
    FInfoFrame->SetObjID(-1);  // last: a failed load leaves the frame with its rights
}

void TfMain::SetInfoRights(TObjectNode* node) {
    const bool placeSelected = node->Depth() > 0;
    FInfoFrame->FCanAdd = FEditLocation && placeSelected;
    FInfoFrame->FCanEdit = FEditLocation && placeSelected;
    FInfoFrame->FCanDelete = (FAddLocation || FEditLocation || FDelLocation) && placeSelected;
    FInfoFrame->UpdateActions();
}

void TfMain::NodeSelected(TObjectNode* node) {
    if (FInfoFrame && node) {
        FInfoFrame->SetObjID(node->ID);
        SetInfoRights(node);
    }
    ShowAddressPath();
    UpdateActions();
}

void TfMain::ShowAddressPath() { cbObject->SetText(FTree ? FTree->AddressPath() : QString()); }

void TfMain::UpdateActions() {
    TObjectNode* s = FTree ? FTree->Selected() : nullptr;
    const int depth = s ? s->Depth() : -1;
    aRefreshNode->setEnabled(s != nullptr);
    aUp->setEnabled(s && s->parent());
    aObjectAdd->setEnabled(FAddLocation && s && s->Level + 1 <= FMaxLevel);
    aObjectEdit->setEnabled(FEditLocation && depth > 0);
    aObjectDelete->setEnabled(FDelLocation && depth > 0);
    aSelect->setEnabled(depth > 0);
    aHistory->setEnabled(FViewLocation && depth > 0);
    UpdatePlaceActions(s);
}

// --- actions ---

void TfMain::aRefreshNodeExecute() {
    FTree->ReloadKeepingPlace();
    ShowAddressPath();
    EnsureTranslation();
    UpdateActions();
}

void TfMain::aUpExecute() {
    TObjectNode* s = FTree->Selected();
    if (s && s->parent()) tvObjects->setCurrentItem(s->parent());
}

void TfMain::EnsureTranslation() {
    if (!LanguagesDM()) InitTranslation(FShema, FSession, this);
}

// --- picker ---

void TfMain::SetSelectMode(bool on) {
    FSelectMode = on;
    Panel1->setVisible(on);
    lbUserPlaces->setVisible(on);
    if (on) cxSplitter->setSizes({150, 617 - 150 - 274 - 16, 274});
}

// Choosing closes the picker the way its close box does, so the close-time commit runs.
void TfMain::btnSelectClick() {
    const int chosen = GetSelectedID();
    if (!CloseModal(mrOk)) return;
    RememberChosen(chosen);
    EnsureTranslation();
}

void TfMain::ArrangeButtons() {
    TPelmBaseQXVBaseForm::ArrangeButtons();
    ArrangePanelButtons();
}

void TfMain::ArrangePanelButtons() {
    if (!BitBtn1) return;
    const int width = Panel1->width();
    BitBtn1->move(width - BitBtn1->width() - 6, BitBtn1->y());
    cxButton1->move(width - cxButton1->width() - 6, cxButton1->y());
    btnSelect->move(cxButton1->x() - cxButton1->width() - 6, btnSelect->y());
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel1 && event->type() == QEvent::Resize) ArrangePanelButtons();
    if (watched == tvCombo &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Escape belongs to the popup while it is open, not to the window's close shortcut.
        if (key == Qt::Key_Escape && event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // Return and the keypad's Enter both close the popup on the chosen place.
        if (event->type() == QEvent::KeyPress &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
            cbObject->CloseUp();
            tvObjects->setFocus();
            return true;
        }
    }
    return TPelmBaseQXVBaseForm::eventFilter(watched, event);
}

// --- address popup ---

void TfMain::InitAddressPopup() {
    const QSignalBlocker detached(tvCombo);  // copying must not select in tvObjects
    tvCombo->setUpdatesEnabled(false);
    tvCombo->clear();
    if (TObjectNode* root = FTree->Root()) CopyBranch(root, nullptr);
    tvCombo->setUpdatesEnabled(true);
    tvCombo->resize(cbObject->width(), 250);
}

void TfMain::CopyBranch(TObjectNode* source, QTreeWidgetItem* destinationParent) {
    auto* copy = new QTreeWidgetItem;
    copy->setText(0, source->Caption());
    copy->setIcon(0, source->icon(0));
    copy->setData(0, NodeRole, QVariant::fromValue<void*>(source));
    if (destinationParent)
        destinationParent->addChild(copy);
    else
        tvCombo->addTopLevelItem(copy);
    for (int i = 0; i < source->childCount(); ++i)
        if (!source->ChildNode(i)->Caption().isEmpty())  // placeholders are not copied
            CopyBranch(source->ChildNode(i), copy);
    if (source->isExpanded()) copy->setExpanded(true);
    if (source == FTree->Selected()) tvCombo->setCurrentItem(copy);
}

void TfMain::OnComboChanged(QTreeWidgetItem* item) {
    if (!item) return;
    auto* node = static_cast<TObjectNode*>(item->data(0, NodeRole).value<void*>());
    if (node)
        Application::Instance().Protect(this, [this, node] { tvObjects->setCurrentItem(node); });
}
