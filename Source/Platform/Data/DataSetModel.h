#pragma once

#include <QAbstractTableModel>
#include <QPointer>

#include "Platform/Data/DataSet.h"
#include "Platform/qxvglobal.h"

// A table model over a TDataSet for QTableView: one row per record, one column per
// visible field in field order, headers from the display labels. It follows the data
// set's signals, so DisableControls freezes what the view shows until the matching
// EnableControls. The model's current row is the data set's current record.
class QXV_PLATFORM_EXPORT TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataSetModel(TDataSet* dataSet, QObject* parent = nullptr);

    TDataSet* DataSet() const { return FDataSet.data(); }
    // The field shown in a column (nullptr when out of range).
    TField* FieldAt(int column) const;
    int ColumnOf(const TField* field) const;

    // The current record as a 0-based row (-1 when none); setting it moves the data set.
    int CurrentRow() const;
    void SetCurrentRow(int row);

    // Shows the fields again after their visibility, labels or order changed.
    void Reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The data set's current record moved to `row`.
    void CurrentRowChanged(int row);

private:
    void RecordChanged();

    QPointer<TDataSet> FDataSet;
    std::vector<TField*> FColumns;
};
