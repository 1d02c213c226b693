#include "Platform/Data/DataSetModel.h"

#include "Platform/Data/DataConvert.h"

TDataSetModel::TDataSetModel(TDataSet* dataSet, QObject* parent)
    : QAbstractTableModel(parent), FDataSet(dataSet) {
    if (dataSet) {
        connect(dataSet, &TDataSet::DataSetChanged, this, &TDataSetModel::Reload);
        connect(dataSet, &TDataSet::RecordChanged, this, &TDataSetModel::RecordChanged);
        connect(dataSet, &TDataSet::Scrolled, this,
                [this] { emit CurrentRowChanged(CurrentRow()); });
        connect(dataSet, &QObject::destroyed, this, &TDataSetModel::Reload);
    }
    Reload();
}

void TDataSetModel::Reload() {
    beginResetModel();
    FColumns.clear();
    if (FDataSet)
        for (int i = 0; i < FDataSet->FieldCount(); ++i)
            if (FDataSet->Fields(i)->Visible()) FColumns.push_back(FDataSet->Fields(i));
    endResetModel();
    emit CurrentRowChanged(CurrentRow());
}

void TDataSetModel::RecordChanged() {
    const int row = CurrentRow();
    if (row >= 0 && !FColumns.empty())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

TField* TDataSetModel::FieldAt(int column) const {
    return column >= 0 && column < columnCount() ? FColumns[static_cast<size_t>(column)] : nullptr;
}

int TDataSetModel::ColumnOf(const TField* field) const {
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i] == field) return static_cast<int>(i);
    return -1;
}

int TDataSetModel::CurrentRow() const {
    return FDataSet && FDataSet->Active() ? FDataSet->RecNo() - 1 : -1;
}

void TDataSetModel::SetCurrentRow(int row) {
    if (FDataSet && FDataSet->Active() && row >= 0 && row != CurrentRow())
        FDataSet->SetRecNo(row + 1);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FDataSet || !FDataSet->Active()) return 0;
    return FDataSet->RecordCount();
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    const TField* field = FieldAt(index.column());
    if (!field || !FDataSet || index.row() >= rowCount()) return {};
    const QVariant value = FDataSet->CellValue(index.row(), *field);
    switch (role) {
        case Qt::DisplayRole:
            if (field->DataType() == TFieldType::Blob)
                return value.isNull() ? QString() : QStringLiteral("(BLOB)");
            return DataConvert::ToString(value);
        case Qt::EditRole:
            return value;
        case Qt::TextAlignmentRole:
            if (field->DataType() == TFieldType::Integer || field->DataType() == TFieldType::Float)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        default:
            return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const TField* field = FieldAt(section);
    return field ? QVariant(field->DisplayLabel()) : QVariant();
}
