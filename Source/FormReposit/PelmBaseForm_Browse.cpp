#include "FormReposit/PelmBaseForm_Browse.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "Platform/Ui/ModalRunner.h"

TfPelmBaseForm_Browse::TfPelmBaseForm_Browse(QWidget* owner, TOraSession* session,
                                             const QString& schema)
    : TfPelmBaseForm(owner, session, schema) {
    setObjectName(QStringLiteral("fPelmBaseForm_Browse"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pButtons = new QWidget(this);
    pButtons->setObjectName(QStringLiteral("pButtons"));
    pButtons->setFixedHeight(35);
    layout->addWidget(pButtons, 0, Qt::AlignBottom);

    btnClose = new QPushButton(QStringLiteral("Zakryt'"), pButtons);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(0, 5, 75, 25);
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrCancel); });
    ArrangeOnResizeOf(pButtons);
}

int TfPelmBaseForm_Browse::Execute() { return ModalRunner::RunModal(*this); }

void TfPelmBaseForm_Browse::ArrangeButtons() {
    btnClose->move(pButtons->width() - btnClose->width() - 3, btnClose->y());
}
