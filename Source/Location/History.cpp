#include "Location/History.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QUuid>
#include <QVBoxLayout>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uChkCount.h"
#include "Location/LocationDialogs.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/JournalChanges.h"
#include "Platform/PlaceCaption.h"
#include "Platform/Ui/Application.h"

namespace {

// The session's own table of the rows shown: written without the directory's write lock on
// either engine, gone with the session.
const char* const kTable =
    "CREATE TEMP TABLE IF NOT EXISTS JOURNAL_VIEW (GUID VARCHAR(64), SEQ INTEGER, AT "
    "VARCHAR(19), WHO VARCHAR(128), OP VARCHAR(64), OBJECT VARCHAR(300), FIELD VARCHAR(64), "
    "OLD_VALUE VARCHAR(4000), NEW_VALUE VARCHAR(4000), ROW_NO INTEGER)";

const struct {
    const char* Field;
    const char* Caption;
} kFieldCaptions[] = {
    {"NAME", "Название"},        {"ID_PARENT", "Вышестоящее"},    {"ID_LOCATTYPE", "Уровень"},
    {"CODES", "Коды"},           {"NAMES", "Названия на языках"}, {"VALUE", "Значение"},
    {"DESCRIPTION", "Описание"}, {"ACTIVE", "Действует"},         {"INFOTYPE", "Вид информации"},
};

// What an item belongs to is the place the window shows, not a change of its own.
bool Shown(const TJournalChange& change) {
    return change.Field != QLatin1String("OBJTYPE") && change.Field != QLatin1String("OBJID");
}

}  // namespace

TfHistory::TfHistory(QWidget* owner, TOraSession* session, const QString& schema)
    : TBaseForm(owner, session, schema), FGuid(QUuid::createUuid().toString()) {
    setObjectName(QStringLiteral("fHistory"));
}

TfHistory::~TfHistory() = default;

void TfHistory::FormCreate() {
    TBaseForm::FormCreate();
    resize(900, 440);
    BuildQueries();
    // The grid's query is prepared with the form: its table must be there first.
    FMake->SetSession(FSession);
    FMake->ExecSQL();
    BuildLayout();
    BaseFormSettings::GridFromFields(*dbgHistory);
    BaseFormSettings::ReadEnhancedGrid(FormSection(), *dbgHistory);
    SetCurrentQuery(oqHistory);
}

void TfHistory::BuildQueries() {
    oqHistory = SessionRowsQuery(
        this, "oqHistory",
        {QStringLiteral("SELECT H.AT, H.WHO, H.OP, H.OBJECT, H.FIELD, H.OLD_VALUE, "
                        "H.NEW_VALUE, H.SEQ, H.ROW_NO"),
         QStringLiteral("FROM JOURNAL_VIEW H WHERE H.GUID = :GUID")},
        "ROW_NO", FGuid,
        {
            {"AT", TFieldType::String, "Когда", 17},
            {"WHO", TFieldType::String, "Кто", 10},
            {"OP", TFieldType::String, "Действие", 11},
            {"OBJECT", TFieldType::String, "Объект", 16},
            {"FIELD", TFieldType::String, "Поле", 13},
            {"OLD_VALUE", TFieldType::String, "Было", 15},
            {"NEW_VALUE", TFieldType::String, "Стало", 15},
            {"SEQ", TFieldType::Integer, nullptr, 0},
            {"ROW_NO", TFieldType::Integer, nullptr, 0},
        });
    FMake = new TOraQuery(this);
    FMake->SetSQLText(QString::fromLatin1(kTable));
    FKeep = new TOraQuery(this);
    FKeep->SetSQL({QStringLiteral(
        "INSERT INTO JOURNAL_VIEW (GUID, SEQ, AT, WHO, OP, OBJECT, FIELD, OLD_VALUE, NEW_VALUE, "
        "ROW_NO) VALUES (:GUID, :SEQ, :AT, :WHO, :OP, :OBJECT, :FIELD, :OLD_VALUE, :NEW_VALUE, "
        ":ROW_NO)")});
    FClear = new TOraQuery(this);
    FClear->SetSQL({QStringLiteral("DELETE FROM JOURNAL_VIEW WHERE GUID = :GUID")});
    for (TOraQuery* q : {FMake, FKeep, FClear}) q->Macros().Add(QStringLiteral("Shema"));
    ospJournal = LocatProc(this, "ospJournal", "GET_T#JOURNAL_PLACE");
    ospPlace = LocatProc(this, "ospPlace", "GET_T#LOCATION");
    ospType = LocatProc(this, "ospType", "GET_T#LOCATTYPE");
}

void TfHistory::BuildLayout() {
    auto* layout = new QVBoxLayout(this);
    cbSubtree = new QCheckBox(TranslateRu(QStringLiteral("Вместе с подчинёнными")), this);
    cbSubtree->setObjectName(QStringLiteral("cbSubtree"));
    layout->addWidget(cbSubtree);
    dbgHistory = new TwwDBGrid(this);
    dbgHistory->setObjectName(QStringLiteral("dbgHistory"));
    dbgHistory->setToolTip(TranslateRu(QStringLiteral("Изменения местоположения")));
    dbgHistory->setModel(new TDataSetModel(oqHistory, dbgHistory));
    dbgHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgHistory->setWordWrap(false);
    dbgHistory->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(dbgHistory, 1);
    lblCut = new QLabel(this);
    lblCut->setObjectName(QStringLiteral("lblCut"));
    layout->addWidget(lblCut);
    auto* bottom = new QHBoxLayout;
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    ChkStates()->SetDisplay(lblCount);
    btnClose = new QPushButton(TranslateRu(QStringLiteral("Закрыть")), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    bottom->addWidget(lblCount, 1);
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);
    connect(cbSubtree, &QCheckBox::toggled, this, Application::Guarded(this, &TfHistory::Reload));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

void TfHistory::SetPlace(int id, const QString& caption) {
    FPlace = id;
    FCaption = caption;
    setWindowTitle(TranslateRu(QStringLiteral("История изменений")) + QStringLiteral(": ") +
                   caption);
}

int TfHistory::RowCount() const {
    return oqHistory && oqHistory->Active() ? oqHistory->RecordCount() : 0;
}

QString TfHistory::FieldCaption(const QString& field) const {
    for (const auto& c : kFieldCaptions)
        if (field == QLatin1String(c.Field)) return TranslateRu(QString::fromUtf8(c.Caption));
    return field;
}

QString TfHistory::OperationCaption(const QString& op) const {
    if (op == QLatin1String("ADD")) return TranslateRu(QStringLiteral("Добавлено"));
    if (op == QLatin1String("MOVE")) return TranslateRu(QStringLiteral("Перемещено"));
    if (op == QLatin1String("DELETE")) return TranslateRu(QStringLiteral("Удалено"));
    return TranslateRu(QStringLiteral("Изменено"));
}

QString TfHistory::ValueCaption(const QString& field, const QString& value) {
    const bool parent = field == QLatin1String("ID_PARENT");
    if ((!parent && field != QLatin1String("ID_LOCATTYPE")) || value.isEmpty()) return value;
    const QString key = field + u'=' + value;
    auto found = FValueCaptions.constFind(key);
    if (found == FValueCaptions.constEnd())
        found =
            FValueCaptions.insert(key, parent ? PlaceName(value.toInt()) : TypeName(value.toInt()));
    return *found;
}

QString TfHistory::PlaceName(int id) {
    ospPlace->Close();
    ospPlace->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    ospPlace->Open();
    if (ospPlace->Eof()) return TranslateRu(QStringLiteral("%1 (удалено)")).arg(id);
    return PlaceCaption(ospPlace->FieldByName(QStringLiteral("ABBREV_SNAME")).AsString(),
                        FSeparator, ospPlace->FieldByName(QStringLiteral("NAME")).AsString());
}

// "2: район (р-н)": the field is captioned as the level.
QString TfHistory::TypeName(int id) {
    ospType->Close();
    ospType->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    ospType->Open();
    if (ospType->Eof()) return TranslateRu(QStringLiteral("%1 (удалено)")).arg(id);
    auto text = [this](const char* name) {
        return ospType->FieldByName(QString::fromLatin1(name)).AsString();
    };
    return QStringLiteral("%1: %2 (%3)").arg(text("LEVEL#"), text("NAME"), text("SNAME"));
}

void TfHistory::Keep(const QVariantList& values) {
    static const char* const names[] = {"SEQ",   "AT",        "WHO",       "OP",    "OBJECT",
                                        "FIELD", "OLD_VALUE", "NEW_VALUE", "ROW_NO"};
    FKeep->ParamByName(QStringLiteral("GUID")).SetAsString(FGuid);
    for (int i = 0; i < values.size(); ++i)
        FKeep->ParamByName(QString::fromLatin1(names[i])).SetValue(values[i]);
    FKeep->ExecSQL();
}

// One row per changed field; a change that names none (an edit that kept every value) one
// row all the same.
void TfHistory::Fill() {
    FClear->ParamByName(QStringLiteral("GUID")).SetAsString(FGuid);
    FClear->ExecSQL();
    FValueCaptions.clear();  // names read now: a place renamed since shows its new name
    ospJournal->Close();
    ospJournal->ParamByName(QStringLiteral("PID")).SetAsInteger(FPlace);
    ospJournal->ParamByName(QStringLiteral("PSUBTREE")).SetAsInteger(cbSubtree->isChecked());
    ospJournal->ExecProc();
    int row = 0, changes = 0;
    for (ospJournal->First(); !ospJournal->Eof() && changes < MaxChanges; ospJournal->Next()) {
        ++changes;
        auto text = [this](const char* name) {
            return ospJournal->FieldByName(QString::fromLatin1(name)).AsString();
        };
        const QString before = text("BEFORE"), after = text("AFTER");
        const QString kind = text("KIND");
        const QJsonObject fields =
            QJsonDocument::fromJson((after.isEmpty() ? before : after).toUtf8()).object();
        const QString object = kind == QLatin1String("ITEM")
                                   ? TranslateRu(QStringLiteral("Информация")) +
                                         QStringLiteral(": ") +
                                         JournalValueText(fields.value(QStringLiteral("VALUE")))
                                   : JournalValueText(fields.value(QStringLiteral("NAME")));
        const QVariantList common = {text("SEQ").toLongLong(), text("AT"), text("WHO"),
                                     OperationCaption(text("OP")), object};
        std::vector<TJournalChange> changed;
        for (const TJournalChange& c : JournalChanges(before, after))
            if (Shown(c)) changed.push_back(c);
        if (changed.empty()) changed.push_back({});
        for (const TJournalChange& c : changed)
            Keep(common + QVariantList{c.Field.isEmpty() ? QString() : FieldCaption(c.Field),
                                       ValueCaption(c.Field, c.Before),
                                       ValueCaption(c.Field, c.After), ++row});
    }
    lblCut->setText(
        ospJournal->RecordCount() > MaxChanges
            ? TranslateRu(QStringLiteral("Показаны последние %1 изменений")).arg(MaxChanges)
            : QString());
}

void TfHistory::Reload() {
    if (!oqHistory) return;
    Fill();
    oqHistory->Close();
    oqHistory->Open();
    if (RowCount() > 0) dbgHistory->selectRow(0);
}

void TfHistory::hideEvent(QHideEvent* event) {
    TBaseForm::hideEvent(event);
    BaseFormSettings::WriteEnhancedGrid(FormSection(), *dbgHistory);
}

void TfHistory::BeforeDestruction() {
    if (isVisible()) BaseFormSettings::WriteEnhancedGrid(FormSection(), *dbgHistory);
    TBaseForm::BeforeDestruction();
}

void TfHistory::DynamicAssignGridIntClass(QTableView*, TGridIntClass& kind) {
    kind = TGridIntClass::DBGrid;
}
