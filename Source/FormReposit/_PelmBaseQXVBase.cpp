#include "FormReposit/_PelmBaseQXVBase.h"

#include <QFrame>
#include <QPushButton>
#include <QResizeEvent>

TPelmBaseQXVBaseForm::TPelmBaseQXVBaseForm(const QString& mode, IHostObject* hostLink,
                                           const QString& serviceName, const QString& iconName)
    : TBaseQXVBaseForm(mode, hostLink, serviceName, iconName) {
    BuildPelmDescription();
}

TPelmBaseQXVBaseForm::TPelmBaseQXVBaseForm(QWidget* owner, TOraSession* session,
                                           const QString& schema)
    : TBaseQXVBaseForm(owner, session, schema) {
    BuildPelmDescription();
}

void TPelmBaseQXVBaseForm::BuildPelmDescription() {
    FBorderStyle = TBorderStyle::Sizeable;
    setSizeGripEnabled(true);
    OkBtn->hide();
    Panel1->setFixedHeight(36);
    Panel1->setFrameShadow(QFrame::Raised);
    btnClose = new QPushButton(QStringLiteral("Zakryt'"), Panel1);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->resize(75, 25);
    btnClose->move(0, 5);
    btnClose->setFlat(true);
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
}

void TPelmBaseQXVBaseForm::btnCloseClick() {
    setResult(mrOk);
    close();
}

void TPelmBaseQXVBaseForm::ArrangeButtons() {
    btnClose->move(Panel1->width() - btnClose->width() - 3, btnClose->y());
}

void TPelmBaseQXVBaseForm::resizeEvent(QResizeEvent* event) {
    TBaseQXVBaseForm::resizeEvent(event);
    ArrangeButtons();
}

QRect PelmMaximizedGeometry(const QWidget* mainForm, const QRect& workArea) {
    if (!mainForm) {
        const TMaximizedSize base = BaseFormMaximizedSize(nullptr, workArea);
        return QRect(workArea.x(), base.Y, workArea.width(), base.Height);
    }
    const int y = mainForm->y() + mainForm->height() - workArea.top();
    return QRect(0, y, workArea.width(), workArea.height() - y);
}
