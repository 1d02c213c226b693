#pragma once

#include "FormReposit/PelmBaseForm.h"

class QPushButton;

// Base of the dictionary browse forms: a bottom button panel with a close button.
// Subclasses put their content above pButtons in the form's layout.
class TfPelmBaseForm_Browse : public TfPelmBaseForm {
    Q_OBJECT
public:
    TfPelmBaseForm_Browse(QWidget* owner, TOraSession* session, const QString& schema);

    // Shows the form modally; the modal result.
    int Execute();

    QWidget* pButtons = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void ArrangeButtons() override;
};
