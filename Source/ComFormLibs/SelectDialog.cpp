#include "ComFormLibs/SelectDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ComFormLibs/GridDialogs.h"

using ComFormLibs::Text;

TSelectDialog::TSelectDialog(int mode, int rows, int language) {
    setObjectName("fSelectDialog");
    setWindowTitle(Text(language, "Отметка строк", "Mark rows"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(Text(language, "Строк: ", "Rows: ") + QString::number(rows), this));
    rbAll = new QRadioButton(Text(language, "Отметить все", "Mark all"), this);
    rbAll->setObjectName("rbAll");
    rbNone = new QRadioButton(Text(language, "Снять все отметки", "Unmark all"), this);
    rbNone->setObjectName("rbNone");
    rbInvert = new QRadioButton(Text(language, "Обратить отметки", "Invert marks"), this);
    rbInvert->setObjectName("rbInvert");
    (mode == 1 ? rbNone : mode == 3 ? rbInvert : rbAll)->setChecked(true);
    auto* buttons = ComFormLibs::OkCancel(this, language);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QWidget* w : {static_cast<QWidget*>(rbAll), static_cast<QWidget*>(rbNone),
                       static_cast<QWidget*>(rbInvert), static_cast<QWidget*>(buttons)})
        layout->addWidget(w);
}

int TSelectDialog::Mode() const { return rbNone->isChecked() ? 1 : rbInvert->isChecked() ? 3 : 0; }
