#pragma once

#include <QDialog>

#include "ComUnits/wwDBGrid.h"

class QFrame;
class QListWidget;
class QPushButton;
class QToolButton;

// Lets the user choose which columns of a grid are shown: one check box per column.
class TfmColumnView : public QDialog {
    Q_OBJECT
public:
    explicit TfmColumnView(QWidget* parent = nullptr);

    void SetTexts(const TColumnViewTexts& texts);
    // The width the list needs; the dialog never gets narrower than its minimum.
    void SetContentWidth(int width);

    // The selection buttons act on the items the user may change.
    void bbtnAllClick();
    void bbtnClearClick();
    void bbtnInversClick();
    // Closes with OK only while at least one column stays checked.
    void bbtnOKClick();

    QListWidget* chlboxColumns;
    QFrame* paAction;
    QToolButton* bbtnAll;
    QToolButton* bbtnClear;
    QToolButton* bbtnInvers;
    QFrame* paConfirm;
    QPushButton* bbtnOK;
    QPushButton* bbtnCancel;

private:
    template <class Change>
    void ForEnabledItems(Change change);
};

// Shows the column view for a grid whose data set is open and applies what the user
// chose; `onChange` may keep a column as it was.
void ShowColumnView(TwwDBGrid* grid, const TwwDBGrid::TColumnViewChange& onChange = {});
