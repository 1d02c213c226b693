#include "Location/Search.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QUuid>
#include <QVBoxLayout>

#include <algorithm>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uChkCount.h"
#include "ComUnits/uTDBGridInterface_IMPL.h"
#include "Location/JournalWatcher.h"
#include "Location/LocationDialogs.h"
#include "Location/SuggestList.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

TfSearch::TfSearch(QWidget* owner, TOraSession* session, const QString& schema)
    : TBaseForm(owner, session, schema), FGuid(QUuid::createUuid().toString()) {
    setObjectName(QStringLiteral("fSearch"));
}

TfSearch::~TfSearch() = default;

void TfSearch::FormCreate() {
    TBaseForm::FormCreate();
    setWindowTitle(TranslateRu(QStringLiteral("Поиск местоположения")));
    resize(720, 420);
    BuildQuery();
    BuildLayout();
    // Places another session changes are found again, on the same row.
    if (FSession)
        connect(TJournalWatcher::Of(FSession, FShema), &TJournalWatcher::Changed, this,
                [this](const std::vector<TJournalRow>& rows) {
                    // A hit shows its abbreviation's name too.
                    const bool places = std::any_of(rows.begin(), rows.end(), [](const auto& row) {
                        return row.Is("PLACE") || row.Is("ABBREV");
                    });
                    if (!places || HitCount() == 0 || edText->text().trimmed().isEmpty()) return;
                    const int row = dbgHits->currentIndex().row();
                    Application::Instance().Protect(this, [this] { Search(); });
                    if (row > 0 && row < HitCount()) dbgHits->selectRow(row);
                });
    // The fields' widths are the default layout; what the user chose last time wins.
    BaseFormSettings::GridFromFields(*dbgHits);
    BaseFormSettings::ReadEnhancedGrid(FormSection(), *dbgHits);
    SetCurrentQuery(oqHits);  // its record count is what the counter shows
}

// The server makes the session's table of hits at the first call about them; the grid reads
// it from the start. The calls are bound to the session and schema by now.
void TfSearch::AfterCreateHook() {
    TBaseForm::AfterCreateHook();
    FHitsKept = true;
    DropHits();
}

void TfSearch::BuildQuery() {
    oqHits =
        SessionRowsQuery(this, "oqHits",
                         {QStringLiteral("SELECT H.ID, H.NAME, H.ABBREV_NAME, H.LEVEL_NO, H.PATH, "
                                         "H.HIT_RANK, H.HIT_NO"),
                          QStringLiteral("FROM SEARCH_HITS H WHERE H.GUID = :GUID")},
                         "HIT_NO", FGuid,
                         {
                             {"ID", TFieldType::Integer, nullptr, 0},
                             {"NAME", TFieldType::String, "Название", 24},
                             {"ABBREV_NAME", TFieldType::String, "Тип", 14},
                             {"LEVEL_NO", TFieldType::Integer, "Уровень", 7},
                             {"PATH", TFieldType::String, "Путь", 60},
                             {"HIT_RANK", TFieldType::Integer, nullptr, 0},
                             {"HIT_NO", TFieldType::Integer, nullptr, 0},
                         });
    ospFillHits = LocatProc(this, "ospFillHits", "FILL_T#LOCATION_HITS");
    ospDelHits = LocatProc(this, "ospDelHits", "DEL_T#LOCATION_HITS");
    ospCountHits = LocatProc(this, "ospCountHits", "COUNT_T#LOCATION");
    ospSuggest = LocatProc(this, "ospSuggest", "SUGGEST_T#LOCATION");
}

void TfSearch::BuildLayout() {
    auto* layout = new QVBoxLayout(this);
    auto* line = new QHBoxLayout;
    edText = new QLineEdit(this);
    edText->setObjectName(QStringLiteral("edText"));
    edText->setPlaceholderText(TranslateRu(QStringLiteral("Название или его часть")));
    edText->setMaxLength(255);
    btnFind = new QPushButton(TranslateRu(QStringLiteral("Найти")), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    line->addWidget(edText, 1);
    line->addWidget(btnFind);
    layout->addLayout(line);

    dbgHits = new TwwDBGrid(this);
    dbgHits->setObjectName(QStringLiteral("dbgHits"));
    dbgHits->setToolTip(TranslateRu(QStringLiteral("Найденные местоположения")));
    dbgHits->setModel(new TDataSetModel(oqHits, dbgHits));
    dbgHits->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgHits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgHits->setWordWrap(false);
    dbgHits->horizontalHeader()->setStretchLastSection(true);  // the path takes the rest
    dbgHits->installEventFilter(this);
    layout->addWidget(dbgHits, 1);

    auto* bottom = new QHBoxLayout;
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    ChkStates()->SetDisplay(lblCount);
    btnChoose = new QPushButton(TranslateRu(QStringLiteral("Выбрать")), this);
    btnChoose->setObjectName(QStringLiteral("btnChoose"));
    btnCancel = new QPushButton(TranslateRu(QStringLiteral("Отмена")), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    lblCut = new QLabel(this);  // its own line under the hits: the counter keeps its room
    lblCut->setObjectName(QStringLiteral("lblCut"));
    layout->addWidget(lblCut);
    bottom->addWidget(lblCount, 1);
    bottom->addWidget(btnChoose);
    bottom->addWidget(btnCancel);
    layout->addLayout(bottom);

    edText->installEventFilter(this);  // Enter searches; the dialog must not see it
    // Installed after the window's own filter, so the list sees the keys first.
    auto source = std::make_shared<TServerSuggestSource>(ospSuggest, [this] { return FSeparator; });
    source->SetFirstPlaces([this] { return FFirstPlaces; });
    FSuggest = new TSuggestList(edText, source);
    FSuggest->OnChoose = [this](int id, bool) { ChooseSuggested(id); };
    connect(btnFind, &QPushButton::clicked, this, Application::Guarded(this, &TfSearch::Search));
    connect(btnChoose, &QPushButton::clicked, this, Application::Guarded(this, &TfSearch::Choose));
    connect(btnCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(dbgHits, &QAbstractItemView::doubleClicked, this,
            Application::Guarded(this, &TfSearch::Choose));
}

void TfSearch::SetText(const QString& text) {
    if (edText) edText->setText(text);
}

int TfSearch::HitCount() const { return oqHits && oqHits->Active() ? oqHits->RecordCount() : 0; }

void TfSearch::Search() {
    const QString text = edText->text().trimmed();
    if (text.isEmpty()) {
        ClearHits();
        edText->setFocus();
        MessageBoxes::ShowKind(TMessageKind::Warning,
                               TranslateRu(QStringLiteral("Введите название места или его часть")),
                               this, windowTitle());
        return;
    }
    ospFillHits->Close();
    ospFillHits->ParamByName(QStringLiteral("PGUID")).SetAsString(FGuid);
    ospFillHits->ParamByName(QStringLiteral("PTEXT")).SetAsString(text);
    ospFillHits->ParamByName(QStringLiteral("PLIMIT")).SetAsInteger(MaxHits);
    ospFillHits->ParamByName(QStringLiteral("PSEPARATOR")).SetAsString(FSeparator);
    FHitsKept = true;
    ospFillHits->ExecProc();
    oqHits->Close();
    oqHits->Open();
    if (HitCount() > 0) dbgHits->selectRow(0);
    ShowCut(text);
}

namespace {

QString Grouped(long long number) {
    const TLanguagesDM* languages = LanguagesDM();
    const bool russian = !languages || languages->AppLanguage() == TLanguagesDM::LangRussian;
    return QLocale(russian ? QLocale::Russian : QLocale::English).toString(number);
}

}  // namespace

// A list cut at its limit says how many places the text finds, as far as the server counts.
void TfSearch::ShowCut(const QString& text) {
    lblCut->clear();
    if (HitCount() < MaxHits) return;
    ospCountHits->Close();
    ospCountHits->ParamByName(QStringLiteral("PTEXT")).SetAsString(text);
    ospCountHits->ParamByName(QStringLiteral("PCAP")).SetAsInteger(CountCap);
    ospCountHits->ExecProc();
    const long long found = ospCountHits->ParamByName(QStringLiteral("RESULT")).AsInteger();
    if (found <= HitCount()) return;
    const bool beyondCap = found > CountCap;
    lblCut->setText(TranslateRu(beyondCap
                                    ? QStringLiteral("Показано %1 из более чем %2: уточните текст")
                                    : QStringLiteral("Показано %1 из %2: уточните текст"))
                        .arg(Grouped(HitCount()), Grouped(beyondCap ? CountCap : found)));
}

void TfSearch::ClearHits() {
    lblCut->clear();
    DropHits();
    if (!oqHits->Active()) return;
    oqHits->Close();
    oqHits->Open();
}

void TfSearch::Choose() {
    if (HitCount() < 1) return;
    FChosenID = oqHits->FieldByName(QStringLiteral("ID")).AsInteger();
    if (!CloseModal(QDialog::Accepted)) FChosenID = -1;
}

void TfSearch::ChooseSuggested(int id) {
    FChosenID = id;
    if (!CloseModal(QDialog::Accepted)) FChosenID = -1;
}

// The text is where the user starts, whatever grid the framework would focus.
void TfSearch::FormShow() {
    TBaseForm::FormShow();
    edText->setFocus();
}

// Enter searches in the text and chooses in the grid; Down goes from the text to the hits.
bool TfSearch::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == dbgHits || watched == edText) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Application::Guarded(this, watched == edText ? &TfSearch::Search : &TfSearch::Choose)();
            return true;
        }
        if (watched == edText && key == Qt::Key_Down && HitCount() > 0) {
            dbgHits->setFocus();
            return true;
        }
    }
    return TBaseForm::eventFilter(watched, event);
}

// The window's hits are of no use to anyone once it closes.
void TfSearch::DropHits() {
    if (!FHitsKept) return;
    FHitsKept = false;
    ospDelHits->ParamByName(QStringLiteral("PGUID")).SetAsString(FGuid);
    ospDelHits->ExecProc();
}

void TfSearch::FormClose() {
    Application::Instance().Protect(this, [this] { DropHits(); });
    TBaseForm::FormClose();
}

// Every way out (a choice, Cancel, Esc, the close button) hides the window.
void TfSearch::hideEvent(QHideEvent* event) {
    TBaseForm::hideEvent(event);
    BaseFormSettings::WriteEnhancedGrid(FormSection(), *dbgHits);
}

void TfSearch::BeforeDestruction() {
    if (isVisible()) BaseFormSettings::WriteEnhancedGrid(FormSection(), *dbgHits);
    Application::Instance().Protect(this, [this] { DropHits(); });
    TBaseForm::BeforeDestruction();
}

// The hits grid is a standard data grid to the framework, whatever its own class.
void TfSearch::DynamicAssignGridIntClass(QTableView*, TGridIntClass& kind) {
    kind = TGridIntClass::DBGrid;
}
