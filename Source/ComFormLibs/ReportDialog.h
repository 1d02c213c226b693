#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TDataSet;

// The default file name of a report: the settings name (the grid's hint, in the user's
// language) with only what no file name may hold replaced.
QString ReportFileName(const QString& settingsName);
// The HTML of a report: the visible fields of the master's rows, each followed by the rows
// of the detail that belong to it. The master is walked and left on its last row.
QString ReportHtml(TDataSet* master, TDataSet* detail, const QString& title);
// Writes the HTML as it stands, or a PDF printed from it; false when the file cannot be written.
bool WriteReport(const QString& html, const QString& fileName, bool pdf);

// Asks for the kind and the file of a report, writes it and opens it.
class TReportDialog : public QDialog {
    Q_OBJECT
public:
    TReportDialog(const QString& settingsName, const QString& title, int language);

    bool Pdf() const;
    QString FileName() const;

    QRadioButton* rbHtml;
    QRadioButton* rbPdf;
    QLineEdit* edtFile;
    QCheckBox* chkOpen;

private:
    QString FSettingsName;
};
