#include "ComFormLibs/ReportDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>

#include "ComFormLibs/GridDialogs.h"
#include "Platform/Data/DataConvert.h"
#include "Platform/Ui/MessageBoxes.h"

using ComFormLibs::Text;

namespace {

QList<TField*> VisibleFields(TDataSet* dataSet) {
    QList<TField*> fields;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        if (dataSet->Fields(i)->Visible()) fields << dataSet->Fields(i);
    return fields;
}

QString Cell(const TField* field) {
    if (field->DataType() == TFieldType::Blob) return field->IsNull() ? QString() : "(BLOB)";
    return field->AsString().toHtmlEscaped();
}

QString Header(const QList<TField*>& fields) {
    QString html = "<tr>";
    for (const TField* f : fields) html += "<th>" + f->DisplayLabel().toHtmlEscaped() + "</th>";
    return html + "</tr>\n";
}

QString Row(const QList<TField*>& fields) {
    QString html = "<tr>";
    for (const TField* f : fields) html += "<td>" + Cell(f) + "</td>";
    return html + "</tr>\n";
}

}  // namespace

QString ReportFileName(const QString& settingsName) {
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    const QString name = QString(settingsName).replace(forbidden, QStringLiteral("_")).trimmed();
    return name.isEmpty() ? QStringLiteral("report") : name;
}

QString ReportHtml(TDataSet* master, TDataSet* detail, const QString& title) {
    const QList<TField*> fields = VisibleFields(master);
    QString html = "<html><head><meta charset=\"utf-8\"><title>" + title.toHtmlEscaped() +
                   "</title></head><body>\n<h2>" + title.toHtmlEscaped() + "</h2>\n" +
                   "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n" + Header(fields);
    for (master->First(); !master->Eof(); master->Next()) {
        html += Row(fields);
        if (!detail || !detail->Active() || detail->IsEmpty()) continue;
        const QList<TField*> details = VisibleFields(detail);
        html += QStringLiteral(
                    "<tr><td colspan=\"%1\"><table border=\"1\" cellspacing=\"0\" "
                    "cellpadding=\"2\">\n")
                    .arg(fields.size()) +
                Header(details);
        for (int row = 0; row < detail->RecordCount(); ++row) {
            detail->SetRecNo(row + 1);
            html += Row(details);
        }
        html += "</table></td></tr>\n";
    }
    return html + "</table>\n</body></html>\n";
}

bool WriteReport(const QString& html, const QString& fileName, bool pdf) {
    if (!pdf) {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        return file.write(html.toUtf8()) >= 0;
    }
    QTextDocument document;
    document.setHtml(html);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    document.print(&printer);
    return QFile::exists(fileName);
}

TReportDialog::TReportDialog(const QString& settingsName, const QString& title, int language)
    : FSettingsName(settingsName) {
    setObjectName("fReportDialog");
    setWindowTitle(Text(language, "Отчет", "Report") + ": " + title);
    TIniFile ini = ComFormLibs::Settings();
    rbHtml = new QRadioButton("HTML", this);
    rbHtml->setObjectName("rbHtml");
    rbPdf = new QRadioButton("PDF", this);
    rbPdf->setObjectName("rbPdf");
    (ini.ReadBool(settingsName, "ReportPdf", false) ? rbPdf : rbHtml)->setChecked(true);
    edtFile = new QLineEdit(this);
    edtFile->setObjectName("edtFile");
    edtFile->setMinimumWidth(360);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    edtFile->setText(ini.ReadString(settingsName, "ReportFile",
                                    QDir(folder).filePath(ReportFileName(settingsName))));
    chkOpen = new QCheckBox(Text(language, "Открыть после создания", "Open when done"), this);
    chkOpen->setObjectName("chkOpen");
    chkOpen->setChecked(ini.ReadBool(settingsName, "ReportOpen", true));
    auto* buttons = ComFormLibs::OkCancel(this, language);
    connect(buttons, &QDialogButtonBox::accepted, this, [this, language] {
        // The folder is made now, or the user chooses another while the dialog is open.
        const QString folder = QFileInfo(FileName()).absolutePath();
        if (!QDir().mkpath(folder)) {
            MessageBoxes::ShowKind(TMessageKind::Error,
                                   Text(language, "Не удалось создать папку %1. Укажите другую.",
                                        "The folder %1 cannot be made. Choose another one.")
                                       .arg(QDir::toNativeSeparators(folder)),
                                   this, windowTitle());
            return;
        }
        TIniFile settings = ComFormLibs::Settings();
        settings.WriteBool(FSettingsName, "ReportPdf", Pdf());
        settings.WriteString(FSettingsName, "ReportFile", edtFile->text());
        settings.WriteBool(FSettingsName, "ReportOpen", chkOpen->isChecked());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(rbHtml);
    form->addRow(rbPdf);
    form->addRow(Text(language, "Файл", "File"), edtFile);
    form->addRow(chkOpen);
    form->addRow(buttons);
}

bool TReportDialog::Pdf() const { return rbPdf->isChecked(); }

QString TReportDialog::FileName() const {
    QString name = edtFile->text().trimmed();
    const QString suffix = Pdf() ? ".pdf" : ".html";
    if (!name.endsWith(suffix, Qt::CaseInsensitive)) name += suffix;
    return name;
}
