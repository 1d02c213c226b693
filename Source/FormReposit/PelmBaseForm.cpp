#include "FormReposit/PelmBaseForm.h"

#include <QEvent>
#include <QLabel>
#include <QResizeEvent>

#include "ComUnits/uOraFunctions.h"
#include "Platform/Data/OraSession.h"

std::optional<TPelmMaximizedSize> PelmMaximizedSize(const QWidget* mainForm,
                                                    const QRect& workArea) {
    if (!mainForm) return std::nullopt;
    const QRect main = mainForm->geometry();
    const int y = main.top() + main.height() - workArea.top();
    return TPelmMaximizedSize{y, workArea.width(), workArea.height() - y};
}

TfPelmBaseForm::TfPelmBaseForm(QWidget* owner, TOraSession* session, const QString& schema)
    : TComBaseForm(owner, TDescription::None), FSession(session), FShema(schema) {
    setObjectName(QStringLiteral("fPelmBaseForm"));
    OraSession = new TOraSession(this);
    OraSession->setObjectName(QStringLiteral("OraSession"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
}

void TfPelmBaseForm::Construct() {
    TComBaseForm::Construct();
    fSetSession(this, FSession);
    fSetShema(this, FShema);
    InitForm();
    ArrangeButtons();
}

void TfPelmBaseForm::ArrangeOnResizeOf(QWidget* panel) {
    FButtonPanel = panel;
    panel->installEventFilter(this);
}

void TfPelmBaseForm::resizeEvent(QResizeEvent* event) {
    TComBaseForm::resizeEvent(event);
    ArrangeButtons();
}

bool TfPelmBaseForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FButtonPanel && event->type() == QEvent::Resize) ArrangeButtons();
    return TComBaseForm::eventFilter(watched, event);
}
