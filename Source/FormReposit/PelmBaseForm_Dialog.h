#pragma once

#include <functional>

#include "FormReposit/PelmBaseForm.h"

class QAction;
class QPushButton;

// Base of every add/edit dialog: OK and cancel buttons on a bottom panel and the
// dialog mode (0 after construction, 1 add, 2 edit).
class TfPelmBaseForm_Dialog : public TfPelmBaseForm {
    Q_OBJECT
public:
    TfPelmBaseForm_Dialog(QWidget* owner, TOraSession* session, const QString& schema);

    // Subclasses set their caption ("Добавление" for 1, "Редактирование" for 2).
    virtual void SetDialogMode(quint8 mode) { FDialogMode = mode; }
    // The usual caption of a mode: "Добавление" for 1, "Редактирование" for 2, translated;
    // empty for any other mode.
    static QString ModeCaption(quint8 mode);
    // The dialog's OK action "aOK" with its caption, driving btnOK (click and enabled
    // state); onOk runs with failures handed to the application's handler.
    QAction* MakeOkAction(const QString& caption, std::function<void()> onOk);
    quint8 DialogMode() const { return FDialogMode; }

    // Each dialog prepares itself (mode 2: loads the current values) and then runs
    // ShowModalOk.
    virtual bool Execute() = 0;

    QWidget* pButtons = nullptr;
    // Has no handler here: each dialog checks its input and ends with done(mrOk).
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void Construct() override;
    void ArrangeButtons() override;

    // Shows the dialog modally: true exactly when it ended with mrOk.
    bool ShowModalOk();

    quint8 FDialogMode = 0;
};
