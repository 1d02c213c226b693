#pragma once

#include <QList>
#include <QString>

class QWidget;

// One text a user can read on a window: where it stands and what it says.
struct TShownText {
    QString Where;  // object name and the kind of text ("btnOK.text", "pmInfo/N1.text")
    QString Text;
};

// Every designed text of a window, its frames and its popup menus: captions,
// titles, hints, labels, button texts, header titles, list and combo items, menu
// items and actions. Data is left out (tree and grid rows, editable fields), and so
// are controls the user cannot see unless `hiddenToo`.
QList<TShownText> WindowTexts(QWidget* window, bool hiddenToo = false);
