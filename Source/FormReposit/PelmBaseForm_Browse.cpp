#include "FormReposit/PelmBaseForm_Browse.h"

#include <QPushButton>

#include "Platform/Ui/ModalRunner.h"

TfPelmBaseForm_Browse::TfPelmBaseForm_Browse(QWidget* owner, TOraSession* session,
                                             const QString& schema)
    : TfPelmBaseForm(owner, session, schema) {
    setObjectName(QStringLiteral("fPelmBaseForm_Browse"));
    pButtons = MakeButtonPanel();
    btnClose = MakePanelButton(pButtons, "btnClose", QStringLiteral("Zakryt'"));
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

int TfPelmBaseForm_Browse::Execute() { return ModalRunner::RunModal(*this); }

void TfPelmBaseForm_Browse::ArrangeButtons() {
    btnClose->move(pButtons->width() - btnClose->width() - 3, btnClose->y());
}
