#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class TOraQuery;

// Picks the fields a query is sorted by, each ascending or descending, and puts them into
// the query's FIELD macro (ORDER holding "ORDER BY").
class TSortDialog : public QDialog {
    Q_OBJECT
public:
    TSortDialog(TOraQuery* query, int language);

    // The sort list as the macro takes it: "NAME DESC, ID".
    QString SortList() const;
    // Applies the list to the query and opens it again when it was open.
    void Apply();

    QListWidget* lwFields;

private:
    void ToggleDirection();
    void Move(int by);

    TOraQuery* FQuery;
    QStringList FKeptOrder;  // the order by fields the grid does not show, after the user's
};
