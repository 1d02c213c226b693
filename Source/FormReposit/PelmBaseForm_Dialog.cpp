#include "FormReposit/PelmBaseForm_Dialog.h"

#include <QAction>
#include <QPushButton>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/ModalRunner.h"

TfPelmBaseForm_Dialog::TfPelmBaseForm_Dialog(QWidget* owner, TOraSession* session,
                                             const QString& schema)
    : TfPelmBaseForm(owner, session, schema) {
    setObjectName(QStringLiteral("fPelmBaseForm_Dialog"));
    pButtons = MakeButtonPanel();
    btnOK = MakePanelButton(pButtons, "btnOK", QStringLiteral("Ok"));
    btnOK->setDefault(true);
    btnOK->setFlat(true);
    btnCancel = MakePanelButton(pButtons, "btnCancel", QStringLiteral("Otmenit'"));
    btnCancel->setFlat(true);
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
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

QString TfPelmBaseForm_Dialog::ModeCaption(quint8 mode) {
    switch (mode) {
        case 1:
            return TranslateRu(QStringLiteral("Добавление"));
        case 2:
            return TranslateRu(QStringLiteral("Редактирование"));
        default:
            return {};
    }
}

QAction* TfPelmBaseForm_Dialog::MakeOkAction(const QString& caption, std::function<void()> onOk) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QStringLiteral("aOK"));
    addAction(action);
    btnOK->setText(caption);
    connect(btnOK, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, this,
            [this, action] { btnOK->setEnabled(action->isEnabled()); });
    connect(action, &QAction::triggered, this, [this, onOk = std::move(onOk)] {
        Application::Instance().Protect(this, [&onOk] { onOk(); });
    });
    return action;
}
