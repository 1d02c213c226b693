#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

// A read-only text with a drop-down button whose popup is another control (here a
// tree). Before the popup shows, OnInitPopup lets the owner fill it.
class TPopupEdit : public QWidget {
    Q_OBJECT
public:
    explicit TPopupEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

    QWidget* PopupControl() const { return FPopup; }
    // The control becomes a popup window of this edit.
    void SetPopupControl(QWidget* popup);

    void DropDown();
    void CloseUp();
    bool DroppedDown() const;

    std::function<void()> OnInitPopup;

private:
    QLineEdit* FEdit;
    QToolButton* FButton;
    QWidget* FPopup = nullptr;
};
