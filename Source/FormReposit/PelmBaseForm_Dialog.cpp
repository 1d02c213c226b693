#include "FormReposit/PelmBaseForm_Dialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "Platform/Ui/ModalRunner.h"

TfPelmBaseForm_Dialog::TfPelmBaseForm_Dialog(QWidget* owner, TOraSession* session,
                                             const QString& schema)
    : TfPelmBaseForm(owner, session, schema) {
    setObjectName(QStringLiteral("fPelmBaseForm_Dialog"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pButtons = new QWidget(this);
    pButtons->setObjectName(QStringLiteral("pButtons"));
    pButtons->setFixedHeight(35);
    layout->addWidget(pButtons, 0, Qt::AlignBottom);

    btnOK = new QPushButton(QStringLiteral("Ok"), pButtons);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(0, 5, 75, 25);
    btnOK->setDefault(true);
    btnOK->setFlat(true);

    btnCancel = new QPushButton(QStringLiteral("Otmenit'"), pButtons);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(0, 5, 75, 25);
    btnCancel->setFlat(true);
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    ArrangeOnResizeOf(pButtons);
}

void TfPelmBaseForm_Dialog::Construct() {
    TfPelmBaseForm::Construct();
    FDialogMode = 0;
}

void TfPelmBaseForm_Dialog::ArrangeButtons() {
    btnCancel->move(pButtons->width() - btnCancel->width() - 3, btnCancel->y());
    btnOK->move(btnCancel->x() - btnOK->width() - 5, btnOK->y());
}

bool TfPelmBaseForm_Dialog::ShowModalOk() { return ModalRunner::RunModal(*this) == mrOk; }
