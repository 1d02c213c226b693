// TBaseForm: the grids of a form. Each grid gets an interface object, its rows follow the
// data set, its query is checked once at creation, and the check field marks rows.

#include <QDir>

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uAssert.h"
#include "ComUnits/uComFormLibInt.h"
#include "ComUnits/uComFunctions.h"
#include "FormReposit/uBaseForm.h"

#include "ComUnits/uBaseFormSettings.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Ini/IniFile.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

const QString LineBreak = QStringLiteral("\r\n");

bool HasNonAsciiChar(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 127) return true;
    return false;
}

// The grid-dialog library finds the fields it may offer by their tags.
void TagFields(TDataSet& dataSet, const QString& checkFieldName) {
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField* field = dataSet.Fields(i);
        if (field->Tag() != 0) continue;
        if (field->DataType() == TFieldType::Unknown || field->DataType() == TFieldType::Cursor)
            continue;
        const QString label = field->DisplayLabel();
        if (label.trimmed().isEmpty()) continue;
        if (!field->Visible() && !HasNonAsciiChar(label)) continue;
        const bool writable = !field->ReadOnly() && !dataSet.ReadOnly() &&
                              field->FieldKind() == TFieldKind::Data &&
                              field->FieldName().compare(checkFieldName, Qt::CaseInsensitive) != 0;
        field->SetTag(writable ? 255 : 252);
    }
}

}  // namespace

// The text shown when a grid's query cannot be prepared.
QString GridPrepareErrorText(const QString& formName, TOraQuery& query, const QString& message,
                             bool detailed) {
    const QString name = query.objectName();
    QString text = u'"' + name.toUpper() + u'"' + LineBreak + LineBreak +
                   QStringLiteral("TBaseForm.SettDBGrid: ") +
                   TranslateRu(QStringLiteral("Ошибка исполнения:")) + formName + u'.' + name +
                   QStringLiteral(".Prepare:") + LineBreak + LineBreak + message.trimmed() +
                   LineBreak + LineBreak +
                   TranslateRu(QStringLiteral("Возможные причины ошибки:")) + LineBreak +
                   QStringLiteral("1 - ") +
                   TranslateRu(QStringLiteral("Таблица или просмотр не существует;")) +
                   TranslateRu(QStringLiteral("Неверно выбрана база данных;"));
    if (!detailed) return text;
    text += LineBreak +
            TranslateRu(QStringLiteral("2 - Права пользователя на соответствующие таблицы или "
                                       "просмотры БД не определены;")) +
            LineBreak + TranslateRu(QStringLiteral("3 - Некорректный SQL текст:")) + LineBreak +
            TranslateRu(QStringLiteral("   а) Схема для порсмотра или таблицы не определена;")) +
            LineBreak +
            TranslateRu(QStringLiteral(
                "   б) Макросы не определены (пререкройте процедуру \"PrepareQueryMacros\" );")) +
            LineBreak + LineBreak + QStringLiteral("---debug") + QString(100, u'-') + LineBreak +
            LineBreak + TranslateRu(QStringLiteral("компонент: \"%s\"")).replace("%s", name) +
            LineBreak + LineBreak + QStringLiteral("SQL:") + LineBreak + query.FinalSQL() +
            LineBreak + LineBreak;
    if (query.Macros().Count() > 0) {
        text += TranslateRu(QStringLiteral("макросы:")) + LineBreak;
        for (int i = 0; i < query.Macros().Count(); ++i)
            text += query.Macros().Items(i).Name() + QStringLiteral(" = ") +
                    query.Macros().Items(i).Value() + LineBreak;
    }
    return text;
}

bool TBaseForm::StoreSelect() const { return BaseFormSettings::StoreSelect(); }

bool TBaseForm::DetailedGridErrors() const { return BaseFormSettings::DetailedGridErrors(); }

IDBGrid* TBaseForm::GridInterfaceOf(const QWidget* grid) const {
    return FGridInterfaces ? FGridInterfaces->FindByGrid(grid) : nullptr;
}

TDataSet* TBaseForm::GridInterfaceDataSet(QTableView* grid) {
    IDBGrid* object = GridInterfaceOf(grid);
    return object ? object->DataSet() : nullptr;
}

// --- the check field -------------------------------------------------------------

bool TBaseForm::GetCheckFldValue(const TField* field) {
    Assert(field != nullptr, QStringLiteral("TBaseForm.GetCheckFldValue: pFld=nil"));
    if (field->IsNull()) return false;
    switch (field->DataType()) {
        case TFieldType::String:
            return field->AsString() == QLatin1String("+");
        case TFieldType::Integer:
            return field->AsLargeInt() == 1;
        case TFieldType::Float:
            return field->AsFloat() == 1.0;
        case TFieldType::Boolean:
            return field->AsBoolean();
        default:
            return false;
    }
}

void TBaseForm::SetCheckFldValue(TField* field, bool marked) {
    Assert(field != nullptr, QStringLiteral("TBaseForm.SetCheckFldValue: pFld=nil"));
    if (GetCheckFldValue(field) == marked) return;
    auto write = [field, marked] {
        switch (field->DataType()) {
            case TFieldType::String:
                field->SetAsString(marked ? QStringLiteral("+") : QStringLiteral("-"));
                break;
            case TFieldType::Integer:
            case TFieldType::Float:
                field->SetAsInteger(marked ? 1 : 0);
                break;
            case TFieldType::Boolean:
                field->SetAsBoolean(marked);
                break;
            default:
                break;  // a field of another type holds no mark
        }
    };
    TDataSet* dataSet = field->DataSet();
    if (dataSet->State() == TDataSetState::Edit || dataSet->State() == TDataSetState::Insert) {
        write();
    } else {
        dataSet->Edit();
        write();
        dataSet->Post();
    }
    if (StoreSelect()) Set_ORDER_LINES_REPORT(dataSet, marked);
}

void TBaseForm::SetRCheck(TDataSet* dataSet) {
    Assert(dataSet != nullptr,
           QStringLiteral("TBaseForm.SetRCheck: ") + LineBreak + QStringLiteral("DS = nil"));
    if (!dataSet->Active() || dataSet->IsEmpty()) return;
    if (qobject_cast<TOraDataSet*>(dataSet) && dataSet->ReadOnly()) return;
    dataSet->Edit();
    if (dataSet->State() == TDataSetState::Insert) {
        dataSet->Cancel();
        return;
    }
    TField* field = dataSet->FindField(FCheckFieldName);
    try {
        SetCheckFldValue(field, !GetCheckFldValue(field));
    } catch (...) {
        dataSet->Cancel();
        throw;
    }
    if (dataSet->State() == TDataSetState::Edit) dataSet->Post();
}

bool TBaseForm::DoCheckIfNeed(TField* field) {
    Assert(field != nullptr,
           QStringLiteral("TBaseForm.DoCheckIfNeed: ") + LineBreak + QStringLiteral(" fld = nil"));
    Assert(field->DataSet() != nullptr, QStringLiteral("TBaseForm.DoCheckIfNeed: ") + LineBreak +
                                            QStringLiteral(" fld.DataSet = nil"));
    if (field->FieldName().compare(FCheckFieldName, Qt::CaseInsensitive) != 0) return false;
    SetRCheck(field->DataSet());
    return true;
}

void TBaseForm::GridKeyDown(QTableView* grid, int& key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_Space) return;
    IDBGrid* object = GridInterfaceOf(grid);
    TDataSet* dataSet = object ? object->DataSet() : DataSetOfGrid(grid);
    // A grid without a check field keeps the space key for itself.
    if (!dataSet || !dataSet->FindField(FCheckFieldName)) return;
    Application::Instance().Protect(this, [this, dataSet] { SetRCheck(dataSet); });
    key = 0;
}

// --- grid preparation ----------------------------------------------------------------

void TBaseForm::DynamicAssignGridIntClass(QTableView* grid, TGridIntClass& kind) {
    kind = qobject_cast<TwwDBGrid*>(grid) ? TGridIntClass::Generic : TGridIntClass::DBGrid;
}

void TBaseForm::AssignInterfacedClass(QTableView* grid) {
    TGridIntClass kind = TGridIntClass::Generic;
    DynamicAssignGridIntClass(grid, kind);
    if (kind == TGridIntClass::Generic && qobject_cast<TwwDBGrid*>(grid)) {
        const QString className = QString::fromLatin1(grid->metaObject()->className());
        ShowError(PickByOSLanguage(
            QStringLiteral("TBaseForm.AssignInterfacedClass: Класс интерфейса для компонента \"") +
                className + QStringLiteral("\" не определен.") + LineBreak +
                QStringLiteral("Переопределите процедуру TBaseForm.DynamicAssignGridIntClass"),
            QStringLiteral("TBaseForm.AssignInterfacedClass: The class of the interface for the "
                           "component \"") +
                className + QStringLiteral("\" is not defined.") + LineBreak +
                QStringLiteral("Reassign TBaseForm.DynamicAssignGridIntClass procedure!")));
    }
    FGridInterfaces->Add(TGridInterfaced::Create(kind, grid));
}

void TBaseForm::LinkGridRow(QTableView* grid) {
    auto* model = qobject_cast<TDataSetModel*>(grid->model());
    if (!model || !grid->selectionModel()) return;
    // The grid's current row is the data set's current record, both ways. Moving the
    // record refreshes its details from the server, which may fail.
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
            [this, model](const QModelIndex& current) {
                if (current.isValid())
                    Application::Instance().Protect(
                        this, [model, &current] { model->SetCurrentRow(current.row()); });
            });
    auto follow = [grid, model](int row) {
        if (grid->model() != model || row < 0 || grid->currentIndex().row() == row) return;
        const int column = std::max(0, grid->currentIndex().column());
        grid->setCurrentIndex(model->index(row, column));
    };
    connect(model, &TDataSetModel::CurrentRowChanged, grid, follow);
    follow(model->CurrentRow());
}

void TBaseForm::PrepareGrid(QObject* component) {
    auto* grid = qobject_cast<QTableView*>(component);
    if (!grid || !FGridInterfaces || GridInterfaceOf(grid)) return;
    LinkGridRow(grid);
    AssignInterfacedClass(grid);
    IDBGrid* object = GridInterfaceOf(grid);
    TDataSet* dataSet = object ? object->DataSet() : DataSetOfGrid(grid);
    if (object) {
        object->SetOptions(object->Options() | TGridOption::Indicator | TGridOption::Titles |
                           TGridOption::ColLines);
        object->SetCheckFieldName(FCheckFieldName);
        QFont titleFont = grid->horizontalHeader()->font();
        titleFont.setBold(false);
        titleFont.setItalic(false);
        titleFont.setUnderline(false);
        titleFont.setStrikeOut(false);
        grid->horizontalHeader()->setFont(titleFont);
        if (!object->OnKeyDown())
            object->SetOnKeyDown([this](QTableView* g, int& key, Qt::KeyboardModifiers shift) {
                GridKeyDown(g, key, shift);
            });
        // A click on the check field's cell marks the row, as the space key does.
        if (!object->ColumnHandler())
            object->SetColumnHandler([this](QTableView*, TField* field) {
                if (field && field->DataSet())
                    Application::Instance().Protect(this, [this, field] { DoCheckIfNeed(field); });
            });
        if (TField* check = dataSet ? dataSet->FindField(FCheckFieldName) : nullptr;
            check && check->Visible() && check->DisplayLabel() == QStringLiteral("В отчет"))
            check->SetDisplayWidth(7);
    }
    if (!dataSet) return;
    PrepareGridQuery(object, dataSet);
    TagFields(*dataSet, FCheckFieldName);
}

void TBaseForm::PrepareGridQuery(IDBGrid* grid, TDataSet* dataSet) {
    auto* query = qobject_cast<TOraQuery*>(dataSet);
    if (!query) return;
    const bool wasPrepared = query->Prepared();
    if (!wasPrepared) {
        try {
            query->Prepare();
        } catch (const std::exception& e) {
            ShowError(
                GridPrepareErrorText(objectName(), *query, ExceptionText(e), DetailedGridErrors()));
        }
    }
    if (query->Prepared() && !query->IsPLSQL() && grid)
        FOwnedObjects << new TDBGridOfQuery(this, pFilter, grid);
    if (!wasPrepared && query->Prepared()) query->Unprepare();
}

// --- the grid dialogs -----------------------------------------------------------------

int TBaseForm::DialogLanguage() {
    if (!LanguagesDM()) InitTranslation(FShema, FSession);
    return UserInterfaceLanguage();
}

IDBGrid* TBaseForm::CurrentGridInterface() {
    QTableView* grid = GetCurrentGrid();
    return grid ? GridInterfaceOf(grid) : nullptr;
}

QTableView* TBaseForm::GridOfDataSet(const TDataSet* dataSet) const {
    for (int i = 0; FGridInterfaces && i < FGridInterfaces->Count(); ++i)
        if (IDBGrid* grid = FGridInterfaces->Item(i)->AsDBGrid();
            grid && grid->DataSet() == dataSet)
            return grid->Grid();
    return nullptr;
}

void TBaseForm::SortExecute() {
    IDBGrid* grid = CurrentGridInterface();
    if (!grid) return;
    if (!qobject_cast<TOraQuery*>(grid->DataSet())) {
        MessageBoxes::ShowKind(
            TMessageKind::Warning,
            TranslateRu(QStringLiteral("Сортировка представленных данных невозможна")), this);
        return;
    }
    uComFormLibInt::SortDBGrid(grid->DataSet(), grid->Grid()->toolTip(), DialogLanguage());
}

void TBaseForm::FindExecute() {
    IDBGrid* grid = CurrentGridInterface();
    TDataSet* dataSet = grid ? grid->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || dataSet->RecordCount() < 1) return;
    auto remembered = std::find_if(FLastFindFields.begin(), FLastFindFields.end(),
                                   [dataSet](const auto& entry) { return entry.first == dataSet; });
    TField* field =
        remembered != FLastFindFields.end() ? dataSet->FindField(remembered->second) : nullptr;
    FindStartField(dataSet, field);
    int index = field ? field->Index() : -1;
    uComFormLibInt::FindByDBGrid(dataSet, grid->Grid(), grid->Grid()->toolTip(), index,
                                 DialogLanguage());
    if (index < 0 || index >= dataSet->FieldCount()) return;
    const QString name = dataSet->Fields(index)->FieldName();
    if (remembered != FLastFindFields.end())
        remembered->second = name;
    else
        FLastFindFields.append({QPointer<TDataSet>(dataSet), name});
}

void TBaseForm::FilterExecute() {
    IDBGrid* grid = CurrentGridInterface();
    if (!grid || !grid->DataSet()) return;
    uComFormLibInt::FilterByDBGrid(grid->DataSet(), grid->Grid()->toolTip(), DialogLanguage());
}

void TBaseForm::ReportExecute() {
    IDBGrid* grid = CurrentGridInterface();
    TDataSet* dataSet = grid ? grid->DataSet() : nullptr;
    if (!dataSet) return;
    TDataSet* master = dataSet->MasterSource();
    QTableView* masterGrid = master ? GridOfDataSet(master) : nullptr;
    if (!masterGrid) {
        if (!dataSet->Active() || dataSet->IsEmpty()) return;
        uComFormLibInt::GridReport(dataSet, nullptr, grid->Grid()->toolTip(), QString(),
                                   windowTitle(), DialogLanguage());
        return;
    }
    if (!master->Active() || master->IsEmpty()) return;
    // The report walks the master: it is put back where the user left it.
    const int recNo = master->RecNo();
    try {
        uComFormLibInt::GridReport(master, dataSet, masterGrid->toolTip(), grid->Grid()->toolTip(),
                                   windowTitle(), DialogLanguage());
    } catch (...) {
        if (master->Active()) master->SetRecNo(recNo);
        throw;
    }
    if (master->Active()) master->SetRecNo(recNo);
}
