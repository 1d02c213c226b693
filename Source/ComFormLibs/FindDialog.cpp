#include "ComFormLibs/FindDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ComFormLibs/GridDialogs.h"
#include "Platform/Data/DataConvert.h"

using ComFormLibs::Text;

TFindDialog::TFindDialog(TDataSet* dataSet, const QString& settingsName, int fieldIndex,
                         int language)
    : FDataSet(dataSet), FSettingsName(settingsName), FLanguage(language) {
    setObjectName("fFindDialog");
    setWindowTitle(Text(language, "Поиск", "Find"));
    cbField = new QComboBox(this);
    cbField->setObjectName("cbField");
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        if (dataSet->Fields(i)->Visible()) cbField->addItem(dataSet->Fields(i)->DisplayLabel(), i);
    if (fieldIndex < 0)
        fieldIndex = ComFormLibs::Settings().ReadInteger(settingsName, "FindField", -1);
    cbField->setCurrentIndex(std::max(0, cbField->findData(fieldIndex)));
    edtText = new QLineEdit(this);
    edtText->setObjectName("edtText");
    edtText->setText(ComFormLibs::Settings().ReadString(settingsName, "FindText", QString()));
    chkCase = new QCheckBox(Text(language, "С учетом регистра", "Match case"), this);
    chkCase->setObjectName("chkCase");
    chkWhole = new QCheckBox(Text(language, "Поле целиком", "Whole field"), this);
    chkWhole->setObjectName("chkWhole");
    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* next =
        buttons->addButton(Text(language, "Далее", "Next"), QDialogButtonBox::ActionRole);
    next->setObjectName("btnNext");
    next->setDefault(true);
    QPushButton* prev =
        buttons->addButton(Text(language, "Назад", "Previous"), QDialogButtonBox::ActionRole);
    prev->setObjectName("btnPrev");
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(Text(language, "Закрыть", "Close"));
    close->setObjectName("btnClose");
    connect(next, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(prev, &QPushButton::clicked, this, [this] { FindNext(false); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [this] {
        TIniFile ini = ComFormLibs::Settings();
        ini.WriteInteger(FSettingsName, "FindField", FieldIndex());
        ini.WriteString(FSettingsName, "FindText", edtText->text());
    });

    auto* form = new QFormLayout(this);
    form->addRow(Text(language, "Поле", "Field"), cbField);
    form->addRow(Text(language, "Текст", "Text"), edtText);
    form->addRow(chkCase);
    form->addRow(chkWhole);
    form->addRow(lblStatus);
    form->addRow(buttons);
}

int TFindDialog::FieldIndex() const {
    return cbField->currentIndex() < 0 ? -1 : cbField->currentData().toInt();
}

bool TFindDialog::Matches(int row, int field) const {
    const QString cell = DataConvert::ToString(FDataSet->CellValue(row, *FDataSet->Fields(field)));
    const Qt::CaseSensitivity cs = chkCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return chkWhole->isChecked() ? cell.compare(edtText->text(), cs) == 0
                                 : cell.contains(edtText->text(), cs);
}

bool TFindDialog::FindNext(bool forward) {
    const int field = FieldIndex();
    if (field < 0 || edtText->text().isEmpty() || !FDataSet->Active()) return false;
    const int step = forward ? 1 : -1;
    for (int row = FDataSet->RecNo() - 1 + step; row >= 0 && row < FDataSet->RecordCount();
         row += step)
        if (Matches(row, field)) {
            FDataSet->SetRecNo(row + 1);
            lblStatus->clear();
            return true;
        }
    lblStatus->setText(Text(FLanguage, "Не найдено", "Not found"));
    return false;
}
