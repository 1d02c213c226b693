#include "ComUnits/uBaseFormSettings.h"

#include "ComUnits/uComFunctions.h"
#include "FormReposit/GridTestForm.h"
#include "Platform/Ini/IniFile.h"
#include "support/MessageBoxRecorder.h"

namespace {

class GridForm : public ::testing::TestWithParam<QString> {
protected:
    GridForm() : Engine(GetParam()) {
        North = Engine.AddAbbrev("обл.", "область");
        South = Engine.AddAbbrev("р-н", "район");
        Engine.AddType(1, North);
        Engine.AddType(2, North);
        Engine.AddType(3, South);
        Engine.Raw().Commit();
    }

    TFormPtr Open(TfGridTest::TOptions options = {}) {
        options.HostFolder = Folder.Path();
        return ShowGridTest(Engine, options);
    }
    void WriteSetting(const char* section, const char* key, int value) {
        BaseFormSettings::Settings().WriteInteger(section, key, value);
    }
    QPoint Cell(QTableView* grid, int row, const QString& fieldName) {
        auto* model = qobject_cast<TDataSetModel*>(grid->model());
        const int column = model->ColumnOf(model->DataSet()->FindField(fieldName));
        return grid->visualRect(model->index(row, column)).center();
    }

    TGridEngine Engine;
    TempDir Folder;
    MessageBoxRecorder Boxes;
    long long North = 0, South = 0;
};

TEST_P(GridForm, PreparesEveryGridAtCreation) {
    TFormPtr form = Open();
    EXPECT_EQ(Boxes.Count(), 0u);
    ASSERT_EQ(form->GridInterfaces()->Count(), 2);
    IDBGrid* master = form->GridInterfaceOf(form->dbgAbbrev);
    IDBGrid* detail = form->GridInterfaceOf(form->dbgTypes);
    ASSERT_TRUE(master && detail);
    EXPECT_EQ(master->DataSet(), form->oqAbbrev);
    EXPECT_EQ(form->GridInterfaceDataSet(form->dbgTypes), form->oqTypes);
    EXPECT_EQ(master->CheckFieldName(), "RCHECK");

    // Both queries are plain SELECTs: each grid has its filter marker. The detail was
    // prepared only for the check and is unprepared again, its fields known.
    QStringList markers;
    for (TDBGridOfQuery* marker : form->findChildren<TDBGridOfQuery*>())
        markers << marker->Button()->objectName();
    markers.sort();
    EXPECT_EQ(markers, QStringList({"dbgAbbrev_SQLFilterButton", "dbgTypes_SQLFilterButton"}));
    EXPECT_FALSE(form->oqTypes->Prepared());
    EXPECT_FALSE(form->oqTypes->Active());
    ASSERT_NE(form->oqTypes->FindField("LEVEL_NO"), nullptr);
}

TEST_P(GridForm, SpaceAndClickMarkRowsAndRecordThemOnTheServer) {
    TFormPtr form = Open();
    QTableView* grid = form->dbgAbbrev;
    TField& check = form->oqAbbrev->FieldByName("RCHECK");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(check.AsString(), "+");
    EXPECT_EQ(form->oqAbbrev->State(), TDataSetState::Browse);
    EXPECT_EQ(Engine.Selected("oqAbbrev"), 1);

    QTest::keyClick(grid, Qt::Key_Down);  // the grid's row moves the data set
    EXPECT_EQ(form->oqAbbrev->RecNo(), 2);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(Engine.Selected("oqAbbrev"), 2);

    // A click on another row's check cell marks that row; a click elsewhere marks nothing.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, Cell(grid, 0, "RCHECK"));
    EXPECT_EQ(form->oqAbbrev->RecNo(), 1);
    EXPECT_EQ(check.AsString(), "-");
    EXPECT_EQ(Engine.Selected("oqAbbrev"), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, Cell(grid, 1, "NAME"));
    EXPECT_EQ(form->oqAbbrev->RecNo(), 2);
    EXPECT_EQ(check.AsString(), "+");
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridForm, MarkingStaysLocalWithoutTheSwitchOrTheRowKeyOrRows) {
    WriteSetting("COM_SETTINGS", "StoreSelect", 0);
    TFormPtr form = Open();
    Engine.Counting().Reset();
    form->dbgAbbrev->setFocus();
    QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);
    EXPECT_EQ(form->oqAbbrev->FieldByName("RCHECK").AsString(), "+");
    EXPECT_EQ(Engine.Counting().TotalCalls(), 0);

    WriteSetting("COM_SETTINGS", "StoreSelect", 1);
    // A query without ROWID_QUERY: only the check field changes.
    form->oqAbbrev->Close();
    form->oqAbbrev->SetSQL(
        {"SELECT A.ID, '-' AS RCHECK FROM &shema.LOCATABBREV A &GUID_SERVICE", "ORDER BY A.ID"});
    form->oqAbbrev->Open();
    QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);
    EXPECT_EQ(form->oqAbbrev->FieldByName("RCHECK").AsString(), "+");
    EXPECT_EQ(Engine.Counting().TotalCalls(), 0);

    // An empty data set: nothing happens.
    form->oqTypes->Open();
    Engine.Counting().Reset();
    form->oqAbbrev->Close();
    form->oqAbbrev->SetSQL({"SELECT A.ID, '-' AS RCHECK FROM &shema.LOCATABBREV A WHERE 1 = 0"});
    form->oqAbbrev->Open();
    QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);
    EXPECT_TRUE(form->oqAbbrev->IsEmpty());
    EXPECT_EQ(form->oqAbbrev->State(), TDataSetState::Browse);
    EXPECT_EQ(Boxes.Count(), 0u);
}

TEST_P(GridForm, AFailingSelectionCallIsShownNotRaised) {
    TFormPtr form = Open();
    Engine.Counting().FailRoutine("INS_ORDER_LINES_REPORT", 942, "ORA-00942: table gone  ");
    form->dbgAbbrev->setFocus();
    QTest::keyClick(form->dbgAbbrev, Qt::Key_Space);
    EXPECT_EQ(form->oqAbbrev->FieldByName("RCHECK").AsString(), "+");
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_TRUE(
        Boxes.Last().Text.startsWith("uComFunctions.Set_ORDER_LINES_REPORT: Error execution "
                                     "TEMP_SELECT_PACK.INS_ORDER_LINES_REPORT:\r\n"))
        << Boxes.Last().Text.toStdString();
    EXPECT_TRUE(Boxes.Last().Text.contains("ORA-00942: table gone\r\n"));
    EXPECT_TRUE(Boxes.Last().Text.endsWith("\r\n\"Settings.ini\": [COM_SETTINGS] StoreSelect=1"));
}

TEST_P(GridForm, AQueryThatCannotBePreparedIsReportedAsTheSwitchAsks) {
    for (int detailed : {0, 1}) {
        WriteSetting("DBG_SETTINGS", "CAN", detailed);
        Boxes.Clear();
        TfGridTest::TOptions options;
        options.BrokenQuery = true;
        TFormPtr form = Open(options);
        ASSERT_EQ(Boxes.Count(), 1u);
        const QString text = Boxes.Last().Text;
        EXPECT_TRUE(
            text.startsWith("\"OQBROKEN\"\r\n\r\nTBaseForm.SettDBGrid: Ошибка "
                            "исполнения:fGridTest.oqBroken.Prepare:\r\n\r\n"))
            << text.toStdString();
        EXPECT_EQ(text.contains("\r\n\r\nВозможные причины ошибки:\r\n1 - Таблица или просмотр не "
                                "существует;Неверно выбрана база данных;"),
                  true);
        EXPECT_EQ(text.contains("---debug"), detailed == 1);
        EXPECT_EQ(text.contains("SQL:\r\n" + form->oqBroken->FinalSQL() + "\r\n\r\n"),
                  detailed == 1);
        EXPECT_EQ(text.endsWith("макросы:\r\nshema = " + Engine.Schema() + "\r\n"), detailed == 1);
        // No filter marker for a query that could not be prepared.
        EXPECT_EQ(form->findChildren<TDBGridOfQuery*>().size(), 2);
    }
}

// A click that moves the master's row refreshes the detail; a lost server is shown, not
// raised out of the grid's own handler.
TEST_P(GridForm, AFailingDetailFetchOnAClickIsShownNotRaised) {
    TFormPtr form = Open();
    form->oqTypes->Open();
    Engine.Counting().FailNthRequest(1, 3113, "ORA-03113: end-of-file on communication channel");
    QTest::mouseClick(form->dbgAbbrev->viewport(), Qt::LeftButton, {},
                      Cell(form->dbgAbbrev, 1, "SNAME"));
    EXPECT_EQ(Engine.Counting().FailuresThrown(), 1);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_TRUE(Boxes.Last().Text.contains("ORA-03113")) << Boxes.Last().Text.toStdString();
}

QXV_ON_GRID_ENGINES(GridForm);

// The mark by the check field's type, on an in-memory data set.
TEST(GridFormClass, ReadsAndWritesTheMarkByTheFieldType) {
    TGridEngine engine("sqlite");
    TempDir folder;
    MessageBoxRecorder boxes;
    TFormPtr form(TComBaseForm::Create<TfGridTest>(
        &engine.Session(), engine.Schema(), TfGridTest::TOptions{folder.Path(), false, false}));
    struct Case {
        TFieldType type;
        QVariant unmarked, marked;  // as read; the written value compares equal
        QVariant otherValue;        // a value that does not count as marked
    } cases[] = {
        {TFieldType::String, "-", "+", "x"},
        {TFieldType::Integer, 0, 1, 2},
        {TFieldType::Float, 0.0, 1.0, 0.5},
        {TFieldType::Boolean, false, true, QVariant()},
    };
    for (const Case& c : cases) {
        TDataSet data;
        TRowSet rows;
        rows.Columns = {{"RCHECK", c.type}};
        rows.Rows = {{c.unmarked}, {c.otherValue}};
        data.LoadRows(rows);
        TField* field = data.FindField("RCHECK");
        EXPECT_FALSE(form->GetCheckFldValue(field));
        form->SetCheckFldValue(field, true);
        EXPECT_TRUE(form->GetCheckFldValue(field));
        EXPECT_EQ(field->Value(), c.marked);
        EXPECT_EQ(data.State(), TDataSetState::Browse);
        form->SetRCheck(&data);
        EXPECT_EQ(field->Value(), c.unmarked);
        data.Next();
        EXPECT_FALSE(form->GetCheckFldValue(field)) << int(c.type);
        EXPECT_TRUE(form->DoCheckIfNeed(field));
        EXPECT_TRUE(form->GetCheckFldValue(field));
    }
    TDataSet dates;
    TRowSet rows;
    rows.Columns = {{"RCHECK", TFieldType::DateTime}, {"NAME", TFieldType::String}};
    rows.Rows = {{QDateTime::currentDateTime(), "x"}};
    dates.LoadRows(rows);
    form->SetCheckFldValue(dates.FindField("RCHECK"), true);
    EXPECT_FALSE(form->GetCheckFldValue(dates.FindField("RCHECK")));
    EXPECT_FALSE(form->DoCheckIfNeed(dates.FindField("NAME")));
    EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
