// The six procedures of the grid-dialog library, with the argument lists the framework
// calls them with. Every dialog runs through the modal-run service.

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QTableView>

#include "ComFormLibs/FilterDialog.h"
#include "ComFormLibs/FindDialog.h"
#include "ComFormLibs/GridDialogs.h"
#include "ComFormLibs/ReportDialog.h"
#include "ComFormLibs/SelectDialog.h"
#include "ComFormLibs/SortDialog.h"
#include "ComUnits/uTDBGridInterface_IMPL.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Ui/MessageBoxes.h"
#include "Platform/Ui/ModalRunner.h"
#include "Platform/Ui/ShellOpen.h"

#define COMFORMLIBS_EXPORT extern "C" __attribute__((visibility("default")))

using ComFormLibs::Text;

namespace {

// The row selection calls carry no language: they speak the one of the last call that did.
int& LastLanguage() {
    static int language = 9;
    return language;
}

QString Utf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

// Writes a mark the way the check field's type holds it.
void WriteMark(TField& field, bool marked) {
    switch (field.DataType()) {
        case TFieldType::String:
            field.SetAsString(marked ? "+" : "-");
            break;
        case TFieldType::Integer:
        case TFieldType::Float:
            field.SetAsInteger(marked ? 1 : 0);
            break;
        default:
            field.SetAsBoolean(marked);
    }
}

bool ReadMark(const TField& field) {
    if (field.IsNull()) return false;
    if (field.DataType() == TFieldType::String) return field.AsString() == "+";
    if (field.DataType() == TFieldType::Integer || field.DataType() == TFieldType::Float)
        return field.AsFloat() == 1.0;
    return field.AsBoolean();
}

// Asks how to mark and marks every row of the data set by its check field, whatever type
// the field has; the current row stays where it was.
void SelectRows(TDataSet* dataSet, const char* checkField, unsigned char mode) {
    TField* field = dataSet ? dataSet->FindField(Utf8(checkField)) : nullptr;
    if (!field || !dataSet->Active()) return;
    TSelectDialog dialog(mode, dataSet->RecordCount(), LastLanguage());
    if (ModalRunner::RunModal(dialog) != QDialog::Accepted || dataSet->IsEmpty()) return;
    const int chosen = dialog.Mode();
    const int recNo = dataSet->RecNo();
    for (int row = 1; row <= dataSet->RecordCount(); ++row) {
        dataSet->SetRecNo(row);
        const bool marked = chosen == 0 ? true : chosen == 1 ? false : !ReadMark(*field);
        if (marked == ReadMark(*field)) continue;
        dataSet->Edit();
        WriteMark(*field, marked);
        dataSet->Post();
    }
    dataSet->SetRecNo(recNo);
}

}  // namespace

COMFORMLIBS_EXPORT void _SortDBGridBIni(TDataSet* dataSet, const char*, bool, int language) {
    LastLanguage() = language;
    auto* query = qobject_cast<TOraQuery*>(dataSet);
    if (!query) return;
    TSortDialog dialog(query, language);
    if (ModalRunner::RunModal(dialog) == QDialog::Accepted) dialog.Apply();
}

COMFORMLIBS_EXPORT void _FindByDBGridExBIni(TDataSet* dataSet, QTableView*,
                                            const char* settingsName, int* fieldIndex, bool,
                                            int language) {
    LastLanguage() = language;
    if (!dataSet || !fieldIndex) return;
    TFindDialog dialog(dataSet, Utf8(settingsName), *fieldIndex, language);
    ModalRunner::RunModal(dialog);
    *fieldIndex = dialog.FieldIndex();
}

COMFORMLIBS_EXPORT void _FilterByDBGridBIni(TDataSet* dataSet, const char*, bool, int language) {
    LastLanguage() = language;
    auto* query = qobject_cast<TOraQuery*>(dataSet);
    if (!query) return;
    TFilterDialog dialog(query, language);
    if (ModalRunner::RunModal(dialog) == QDialog::Accepted) dialog.Apply();
}

COMFORMLIBS_EXPORT void GridReportIni(TDataSet* master, TDataSet* detail,
                                      const char* masterSettings, const char*, const char* title,
                                      bool, int language) {
    LastLanguage() = language;
    if (!master) return;
    TReportDialog dialog(Utf8(masterSettings), Utf8(title), language);
    if (ModalRunner::RunModal(dialog) != QDialog::Accepted) return;
    const QString html = ReportHtml(master, detail, Utf8(title));
    const QString file = dialog.FileName();
    const QString shown = QDir::toNativeSeparators(file);
    if (!WriteReport(html, file, dialog.Pdf())) {
        MessageBoxes::ShowKind(TMessageKind::Error,
                               Text(language, "Не удалось записать отчет в файл %1.",
                                    "The report could not be written to %1.")
                                   .arg(shown),
                               nullptr, Text(language, "Отчет", "Report"));
        return;
    }
    if (dialog.chkOpen->isChecked() && ShellOpen::Open(file)) return;
    MessageBoxes::ShowKind(
        TMessageKind::Information,
        Text(language, "Отчет записан в файл %1.", "The report was written to %1.").arg(shown),
        nullptr, Text(language, "Отчет", "Report"));
}

COMFORMLIBS_EXPORT void RunSelectGrid(IDBGrid* grid, unsigned char mode, const char* checkField,
                                      bool) {
    SelectRows(grid ? grid->DataSet() : nullptr, checkField, mode);
}

COMFORMLIBS_EXPORT void RunMySelect(QObject* gridObject, unsigned char mode, int, int, int, int,
                                    const char* checkField, bool) {
    auto* grid = qobject_cast<QTableView*>(gridObject);
    auto* model = grid ? qobject_cast<TDataSetModel*>(grid->model()) : nullptr;
    SelectRows(model ? model->DataSet() : nullptr, checkField, mode);
}
