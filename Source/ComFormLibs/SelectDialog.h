#pragma once

#include <QDialog>

class QRadioButton;

// Marks all rows, none, or inverts the marks; the caller's mode is preselected.
class TSelectDialog : public QDialog {
    Q_OBJECT
public:
    TSelectDialog(int mode, int rows, int language);
    // 0 all, 1 none, 3 invert.
    int Mode() const;

    QRadioButton* rbAll;
    QRadioButton* rbNone;
    QRadioButton* rbInvert;
};
