#include "ComUnits/uTDBGridInterface_IMPL.h"

#include <QAction>
#include <QHeaderView>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "ComUnits/uAssert.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "support/TestDatabase.h"

namespace {

TRowSet Rows() {
    TRowSet rows;
    rows.Columns = {
        {"ID", TFieldType::Integer}, {"NAME", TFieldType::String}, {"RCHECK", TFieldType::Boolean}};
    rows.Rows = {{1, "North", false}, {2, "South", true}, {3, "East", false}};
    return rows;
}

// A form with one grid over an in-memory data set.
struct TGridFixture {
    QWidget Form;
    TDataSet DataSet;
    QTableView* Grid = new QTableView(&Form);
    std::unique_ptr<TGridInterfaced> Adapter;

    TGridFixture() {
        DataSet.LoadRows(Rows());
        Grid->setObjectName("dbgPlaces");
        Grid->setModel(new TDataSetModel(&DataSet, Grid));
        Form.resize(400, 300);
        Grid->setGeometry(0, 0, 400, 300);
        Adapter = TGridInterfaced::Create(TGridIntClass::DBGrid, Grid);
        Adapter->AsDBGrid()->SetCheckFieldName("RCHECK");
    }
    IDBGrid& I() { return *Adapter->AsDBGrid(); }
    QPoint CellCentre(int row, int column) {
        return Grid->visualRect(Grid->model()->index(row, column)).center();
    }
};

TEST(TDBGridIntObj, ReportsColumnsFieldsAndFitsTheLastColumn) {
    TGridFixture f;
    IDBGrid& grid = f.I();
    ASSERT_EQ(grid.ColumnCount(), 3);
    EXPECT_EQ(grid.ColumnField(2), f.DataSet.FindField("RCHECK"));
    EXPECT_TRUE(grid.CheckFieldVisible());
    f.DataSet.FindField("RCHECK")->SetVisible(false);
    EXPECT_FALSE(grid.CheckFieldVisible());
    f.DataSet.FindField("RCHECK")->SetVisible(true);

    f.Form.show();
    for (int i = 0; i < 3; ++i) f.Grid->setColumnWidth(i, 50);
    grid.FitLastColumn(10000);  // too narrow for this minimum: unchanged
    EXPECT_EQ(f.Grid->columnWidth(2), 50);
    grid.FitLastColumn(0);
    EXPECT_EQ(f.Grid->columnWidth(2), f.Grid->viewport()->width() - 104);

    grid.SetOptions(TGridOption::Titles | TGridOption::RowSelect);
    EXPECT_EQ(grid.Options(), TGridOption::Titles | TGridOption::RowSelect);
    EXPECT_TRUE(f.Grid->verticalHeader()->isHidden());
}

TEST(TDBGridIntObj, MarkingPostsOnlyWhenItHadToStartEditing) {
    TGridFixture f;
    IDBGrid& grid = f.I();
    EXPECT_FALSE(grid.CurrentMarked());
    grid.SetCurrentMarked(true);
    EXPECT_TRUE(grid.CurrentMarked());
    EXPECT_EQ(f.DataSet.State(), TDataSetState::Browse);

    f.DataSet.Insert();
    grid.SetCurrentMarked(true);
    EXPECT_EQ(f.DataSet.State(), TDataSetState::Insert);
    EXPECT_TRUE(grid.CurrentMarked());
    f.DataSet.Cancel();

    f.DataSet.Edit();
    grid.SetCurrentMarked(false);
    EXPECT_EQ(f.DataSet.State(), TDataSetState::Edit);
}

// Keys and column clicks reaching a form's handlers are the base form's grid test
// (GridForm.SpaceAndClickMarkRowsAndRecordThemOnTheServer).
TEST(TDBGridIntObj, PassesCellPaintingAndDoubleClicksToTheHandlers) {
    TGridFixture f;
    IDBGrid& grid = f.I();
    f.Form.show();
    QSet<int> painted;
    grid.SetCellDrawHandler(
        [&](QTableView*, const QRect&, int column, TField* field, QStyle::State) {
            painted.insert(column);
            return field && field->FieldName() == "RCHECK";  // the check column is drawn here
        });
    f.Grid->grab();
    EXPECT_EQ(painted, QSet<int>({0, 1, 2}));

    int doubleClicks = 0;
    grid.SetOnDblClick([&](QTableView*) { ++doubleClicks; });
    QTest::mouseClick(f.Grid->viewport(), Qt::LeftButton, {}, f.CellCentre(0, 0));
    QTest::mouseDClick(f.Grid->viewport(), Qt::LeftButton, {}, f.CellCentre(0, 0));
    EXPECT_EQ(doubleClicks, 1);
}

TEST(TDBGridIntObj, ChangingTheDataSetNotifiesAndRebindsTheGrid) {
    TGridFixture f;
    IDBGrid& grid = f.I();
    TDataSet other;
    other.LoadRows(Rows());
    QList<QPair<TDataSet*, TDataSet*>> changes;
    grid.SetDataSetChanged([&](TDataSet* from, TDataSet* to) { changes << qMakePair(from, to); });
    grid.SetDataSet(&other);
    grid.SetDataSet(&other);  // unchanged: no notice
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0], qMakePair(&f.DataSet, &other));
    EXPECT_EQ(grid.DataSet(), &other);
    EXPECT_EQ(qobject_cast<TDataSetModel*>(f.Grid->model())->DataSet(), &other);
}

TEST(TDBIntList, FindsAdaptersByGridAndRefusesTheGenericOne) {
    QWidget form;
    TDataSet dataSet;
    auto* plain = new QTableView(&form);
    plain->setModel(new TDataSetModel(&dataSet, plain));
    auto* enhanced = new TwwDBGrid(&form);
    auto* stranger = new QTableView(&form);
    TDBIntList list;
    list.Add(TGridInterfaced::Create(TGridIntClass::Generic, enhanced));
    list.Add(TGridInterfaced::Create(TGridIntClass::DBGrid, plain));
    EXPECT_EQ(list.FindByGrid(plain), list.GetItem(1));
    EXPECT_EQ(list.FindByGrid(plain)->Grid(), plain);
    EXPECT_EQ(list.FindByGrid(enhanced), nullptr);
    EXPECT_EQ(list.FindByGrid(stranger), nullptr);
    // Its text is one only a developer meets, for a program built wrong.
    for (int index : {0, 5}) EXPECT_THROW(list.GetItem(index), EGeneralError) << index;
}

class TDBGridOfQueryTest : public ::testing::Test {
protected:
    TestDatabase Db;
    QWidget Form;
    QAction* Filter = new QAction("Фильтровать", &Form);
    TOraQuery* Query = new TOraQuery(&Form);
    QTableView* Grid = new QTableView(&Form);
    std::unique_ptr<TGridInterfaced> Adapter;

    void SetUp() override {
        Db.AddSample();
        Query->setObjectName("oqAbbrev");
        Query->SetSession(&Db.Session());
        Query->SetSQLText("SELECT ID, SNAME FROM &shema.LOCATABBREV ORDER BY ID");
        Query->MacroByName("shema").SetValue(Db.Schema());
        Grid->setObjectName("dbgAbbrev");
        Grid->setToolTip("Abbreviations");
        Grid->setModel(new TDataSetModel(Query, Grid));
        Grid->setGeometry(0, 0, 300, 200);
        Filter->setToolTip("Фильтровать");
        Form.resize(300, 200);
        Form.show();
        Adapter = TGridInterfaced::Create(TGridIntClass::DBGrid, Grid);
    }
};

TEST_F(TDBGridOfQueryTest, TheButtonShowsExactlyWhileAFilterIsOn) {
    TDBGridOfQuery marker(&Form, Filter, Adapter->AsDBGrid());
    QToolButton* button = marker.Button();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->objectName(), "dbgAbbrev_SQLFilterButton");
    struct Case {
        const char* filter;
        bool shown;
    } cases[] = {{"", false}, {NoFilterSQL, false}, {"(\"SNAME\" = :QXVF1)", true}};
    for (const Case& c : cases) {
        Query->Close();
        SetQueryFilterSQL(Query, c.filter);
        Query->Open();
        EXPECT_EQ(button->parentWidget() == Grid && button->isVisible(), c.shown) << c.filter;
    }
    EXPECT_EQ(button->toolTip(), "Фильтровать  \"Abbreviations\"");
    EXPECT_EQ(button->text(), "F");  // the action has no picture

    int filters = 0;
    QObject::connect(Filter, &QAction::triggered, [&] { ++filters; });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(filters, 1);
    EXPECT_EQ(Form.focusWidget(), Grid);

    Query->Close();
    EXPECT_EQ(button->parentWidget(), nullptr);
    EXPECT_FALSE(button->isVisible());
}

// The marker sits in the rows' corner, off the scroll bars, and follows the grid's size.
TEST_F(TDBGridOfQueryTest, TheButtonStaysInsideTheRowsCornerThroughAResize) {
    Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TDBGridOfQuery marker(&Form, Filter, Adapter->AsDBGrid());
    SetQueryFilterSQL(Query, "(1=1)");
    Query->Open();
    for (const QSize size : {QSize(300, 200), QSize(260, 150), QSize(420, 330)}) {
        Form.resize(size);
        Grid->resize(size);
        const QRect rows = Grid->viewport()->geometry();
        const QRect placed = marker.Button()->geometry();
        EXPECT_TRUE(rows.contains(placed)) << size.width();
        EXPECT_EQ(placed.bottomRight(), rows.bottomRight()) << size.width();
    }
}

TEST_F(TDBGridOfQueryTest, ChainsTheOpenAndCloseHooksAndRestoresThem) {
    QStringList trace;
    Query->AfterOpen = [&](TDataSet*) { trace << "open"; };
    Query->AfterClose = [&](TDataSet*) { trace << "close"; };
    {
        TDBGridOfQuery marker(&Form, Filter, Adapter->AsDBGrid());
        SetQueryFilterSQL(Query, "(1=0)");
        Query->AfterOpen = [&, previous = Query->AfterOpen](TDataSet* ds) {
            previous(ds);
            trace << (marker.Button()->isVisible() ? "shown" : "hidden");
        };
        Query->Open();
        Query->Close();
    }
    Query->Open();
    EXPECT_EQ(trace, QStringList({"open", "shown", "close", "open"}));
}

}  // namespace
