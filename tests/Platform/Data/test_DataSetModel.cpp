#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "Platform/Data/DataSetModel.h"

namespace {

TRowSet Abbreviations() {
    TRowSet rows;
    rows.Columns = {{"ID", TFieldType::Integer},
                    {"SNAME", TFieldType::String},
                    {"NAME", TFieldType::String},
                    {"BMP16#16", TFieldType::Blob}};
    rows.Rows = {{1, "g.", "gorod", QByteArray("BM")}, {2, "obl.", "oblast'", QVariant()}};
    return rows;
}

}  // namespace

TEST(DataSetModel, ShowsVisibleFieldsWithTheirLabels) {
    TDataSet ds;
    ds.LoadRows(Abbreviations());
    ds.FieldByName("ID").SetVisible(false);
    ds.FieldByName("NAME").SetDisplayLabel("Name");
    TDataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "SNAME");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "oblast'");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), "(BLOB)");
    EXPECT_EQ(model.data(model.index(1, 2)).toString(), "");
    EXPECT_EQ(model.FieldAt(0), &ds.FieldByName("SNAME"));
    EXPECT_EQ(model.ColumnOf(&ds.FieldByName("ID")), -1);

    // Field changes show after Reload.
    ds.FieldByName("ID").SetVisible(true);
    model.Reload();
    EXPECT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.data(model.index(1, 0), Qt::EditRole).toLongLong(), 2);
}

TEST(DataSetModel, FollowsTheDataSet) {
    TDataSet ds;
    TDataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.CurrentRow(), -1);

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy moved(&model, &TDataSetModel::CurrentRowChanged);
    ds.LoadRows(Abbreviations());
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(resets.count(), 1);

    ds.Next();
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), 1);
    model.SetCurrentRow(0);
    EXPECT_EQ(ds.RecNo(), 1);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("city");
    ds.Post();
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), "city");
    // Disabled controls hold back the data set's change notice: the data set's own test.

    ds.Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(DataSetModel, OutlivesItsDataSet) {
    auto* ds = new TDataSet;
    ds->LoadRows(Abbreviations());
    TDataSetModel model(ds);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    delete ds;
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    EXPECT_EQ(model.DataSet(), nullptr);
}
