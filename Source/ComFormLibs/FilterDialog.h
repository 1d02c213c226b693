#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class TOraQuery;

// Conditions per field, combined with AND, put on a query as a filter the server applies;
// cleared again with "Clear".
class TFilterDialog : public QDialog {
    Q_OBJECT
public:
    TFilterDialog(TOraQuery* query, int language);

    // Reopens the query with the conditions (none: without a filter).
    void Apply();
    void Clear();

private:
    struct TRow {
        QString Field;
        QComboBox* Op;
        QLineEdit* Value;
    };
    QList<TRow> FRows;
    TOraQuery* FQuery;
};

// The condition text that stands for "no filter".
inline constexpr char NoFilterCondition[] = "((1=1)aNd(1=1))";
