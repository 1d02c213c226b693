#include "FormReposit/PelmBaseForm.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

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

QWidget* TfPelmBaseForm::MakeButtonPanel() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pButtons"));
    panel->setFixedHeight(35);
    layout->addWidget(panel, 0, Qt::AlignBottom);
    ArrangeOnResizeOf(panel);
    return panel;
}

QPushButton* TfPelmBaseForm::MakePanelButton(QWidget* panel, const char* name,
                                             const QString& caption) {
    auto* button = new QPushButton(caption, panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(0, 5, 75, 25);
    return button;
}

void TfPelmBaseForm::resizeEvent(QResizeEvent* event) {
    TComBaseForm::resizeEvent(event);
    ArrangeButtons();
}

bool TfPelmBaseForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FButtonPanel && event->type() == QEvent::Resize) ArrangeButtons();
    return TComBaseForm::eventFilter(watched, event);
}
