#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class TDataSet;

// Finds a text in one field of a data set, forwards or backwards from the current row.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    TFindDialog(TDataSet* dataSet, const QString& settingsName, int fieldIndex, int language);

    // The field searched in, as an index among the data set's fields (-1: none).
    int FieldIndex() const;
    // Moves to the next matching row in that direction; false when there is none.
    bool FindNext(bool forward);

    QComboBox* cbField;
    QLineEdit* edtText;
    QCheckBox* chkCase;
    QCheckBox* chkWhole;
    QLabel* lblStatus;

private:
    bool Matches(int row, int field) const;

    TDataSet* FDataSet;
    QString FSettingsName;
    int FLanguage;
};
