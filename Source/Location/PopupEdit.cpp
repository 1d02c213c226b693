#include "Location/PopupEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TPopupEdit::TPopupEdit(QWidget* parent)
    : QWidget(parent), FEdit(new QLineEdit(this)), FButton(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FEdit->setReadOnly(true);
    FEdit->setObjectName(QStringLiteral("Edit"));
    FButton->setArrowType(Qt::DownArrow);
    FButton->setObjectName(QStringLiteral("DropButton"));
    layout->addWidget(FEdit, 1);
    layout->addWidget(FButton);
    connect(FButton, &QToolButton::clicked, this,
            [this] { DroppedDown() ? CloseUp() : DropDown(); });
}

QString TPopupEdit::Text() const { return FEdit->text(); }

void TPopupEdit::SetText(const QString& text) { FEdit->setText(text); }

void TPopupEdit::SetPopupControl(QWidget* popup) {
    FPopup = popup;
    FPopup->setParent(this, Qt::Popup);
    FPopup->hide();
}

bool TPopupEdit::DroppedDown() const { return FPopup && FPopup->isVisible(); }

void TPopupEdit::DropDown() {
    if (!FPopup) return;
    if (OnInitPopup) OnInitPopup();
    FPopup->move(mapToGlobal(QPoint(0, height())));
    FPopup->show();
    FPopup->setFocus();
}

void TPopupEdit::CloseUp() {
    if (FPopup) FPopup->hide();
}
