#include "Components/ColumnView/uColumnView.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "FormReposit/GridTestForm.h"
#include "support/ColumnViewUser.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/Snapshot.h"

namespace {

// The column view's own widgets, found the way a test finds them on any dialog.
TfmColumnView& View(QDialog& dialog) {
    auto* view = qobject_cast<TfmColumnView*>(&dialog);
    EXPECT_TRUE(view) << dialog.objectName().toStdString();
    return *view;
}

QStringList Checked(const QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked) names << list.item(i)->text();
    return names;
}

class ColumnViewTest : public ::testing::TestWithParam<QString> {
protected:
    ColumnViewTest() : Engine(GetParam()) {
        Engine.AddAbbrev("обл.", "область");
        Engine.AddAbbrev("р-н", "район");
        Engine.Raw().Commit();
    }

    // The test form with its master grid enhanced; its columns get titles of their own.
    TFormPtr Open() {
        TfGridTest::TOptions options;
        options.HostFolder = Folder.Path();
        options.EnhancedGrid = true;
        TFormPtr form = ShowGridTest(Engine, options);
        Boxes.Clear();  // the framework reports it has no interface class for the grid
        form->oqAbbrev->FieldByName("SNAME").SetDisplayLabel(" \tShort name\r\n");
        form->oqAbbrev->FieldByName("NAME").SetDisplayLabel(
            "The full name of the abbreviation as the users read it");
        return form;
    }
    TwwDBGrid& Grid(TfGridTest& form) { return *static_cast<TwwDBGrid*>(form.dbgAbbrev); }

    QStringList Hidden(TfGridTest& form) {
        QStringList names;
        QHeaderView* header = form.dbgAbbrev->horizontalHeader();
        for (int i = 0; i < Grid(form).ColumnCount(); ++i) {
            TwwColumn* column = Grid(form).Column(i);
            const int logical =
                static_cast<TDataSetModel*>(form.dbgAbbrev->model())->ColumnOf(column->Field());
            EXPECT_EQ(header->isSectionHidden(logical), !column->Visible());
            if (!column->Visible()) names << column->FieldName();
        }
        return names;
    }

    TGridEngine Engine;
    TempDir Folder;
    MessageBoxRecorder Boxes;
};

TEST_P(ColumnViewTest, TheUserShowsAndHidesTheColumnsHeMay) {
    // Names are field names, separated by blanks. Steps: "all", "clear", "invers", "ok",
    // "cancel", or the row of a check box the user clicks.
    struct TCase {
        const char* what;
        int fixedCols;
        const char* locked;  // CanRepresent false
        const char* hiddenBefore;
        const char* steps;
        const char* refused;  // the change handler keeps these as they are
        const char* asked;    // the columns the handler is asked about
        const char* hiddenAfter;
        size_t errors;
    };
    const TCase cases[] = {
        {"all skips what cannot change", 1, "NAME", "ID NAME RCHECK", "all ok", "", "RCHECK",
         "ID NAME", 0},
        {"clear skips what cannot change", 1, "NAME", "", "clear ok", "",
         "SNAME RCHECK ROWID_QUERY", "SNAME RCHECK ROWID_QUERY", 0},
        {"invert skips what cannot change", 2, "RCHECK", "ID NAME RCHECK", "invers ok", "",
         "NAME ROWID_QUERY", "ID RCHECK ROWID_QUERY", 0},
        {"a click on a disabled box changes nothing", 1, "", "RCHECK", "0 1 3 ok", "",
         "SNAME RCHECK", "SNAME", 0},
        {"the handler keeps what it refuses", 0, "", "ROWID_QUERY", "1 2 4 ok", "SNAME ROWID_QUERY",
         "SNAME NAME ROWID_QUERY", "NAME ROWID_QUERY", 0},
        {"cancel changes nothing", 0, "", "NAME", "invers cancel", "", "", "NAME", 0},
        {"nothing checked keeps the dialog open", 0, "", "", "clear ok 2 ok", "",
         "ID SNAME RCHECK ROWID_QUERY", "ID SNAME RCHECK ROWID_QUERY", 1},
    };
    auto words = [](const char* text) { return QString(text).split(' ', Qt::SkipEmptyParts); };
    TFormPtr form = Open();
    TwwDBGrid& grid = Grid(*form);
    QStringList names;
    for (int i = 0; i < grid.ColumnCount(); ++i) names << grid.Column(i)->FieldName();
    ASSERT_EQ(names, QStringList({"ID", "SNAME", "NAME", "RCHECK", "ROWID_QUERY"}));
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        Boxes.Clear();
        grid.SetFixedCols(c.fixedCols);
        for (int i = 0; i < grid.ColumnCount(); ++i) {
            TwwColumn* column = grid.Column(i);
            column->SetCanRepresent(!words(c.locked).contains(column->FieldName()));
            column->SetVisible(!words(c.hiddenBefore).contains(column->FieldName()));
        }
        QStringList asked;
        grid.SetOnColumnViewChange([&](TwwDBGrid* g, TwwColumn* column, bool& allow) {
            EXPECT_EQ(g, &grid);
            asked << column->FieldName();
            if (words(c.refused).contains(column->FieldName())) allow = false;
        });
        ModalDriver driver;
        driver.Then([&](QDialog& dialog) {
            TfmColumnView& view = View(dialog);
            QListWidget& list = *view.chlboxColumns;
            ASSERT_EQ(list.count(), grid.ColumnCount());
            int widest = 0;
            for (int i = 0; i < list.count(); ++i) {
                TwwColumn* column = grid.Column(i);
                EXPECT_EQ(list.item(i)->text(), column->Title().trimmed());
                EXPECT_EQ(list.item(i)->checkState() == Qt::Checked, column->Visible());
                EXPECT_EQ(list.item(i)->flags().testFlag(Qt::ItemIsEnabled),
                          i >= c.fixedCols && column->CanRepresent())
                    << column->FieldName().toStdString();
                widest =
                    std::max(widest, list.fontMetrics().horizontalAdvance(list.item(i)->text()));
            }
            // The longest title is seen whole, without a scroll bar, and no wider.
            EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
            EXPECT_LT(view.width(), widest + 60);
            if (&c == &cases[0]) Snapshot(view, "column-view");
            for (const QString& step : words(c.steps)) {
                const size_t boxes = Boxes.Count();
                if (step == "all") QTest::mouseClick(view.bbtnAll, Qt::LeftButton);
                if (step == "clear") QTest::mouseClick(view.bbtnClear, Qt::LeftButton);
                if (step == "invers") QTest::mouseClick(view.bbtnInvers, Qt::LeftButton);
                if (step == "cancel") QTest::mouseClick(view.bbtnCancel, Qt::LeftButton);
                if (step[0].isDigit()) ClickCheck(list, step.toInt());
                if (step != "ok") continue;
                QTest::mouseClick(view.bbtnOK, Qt::LeftButton);
                EXPECT_EQ(view.isVisible(), Boxes.Count() > boxes) << "open while it complains";
            }
        });
        ShowColumnView(&grid, grid.OnColumnViewChange());
        ASSERT_EQ(driver.Runs().size(), 1u);
        EXPECT_EQ(Hidden(*form), words(c.hiddenAfter));
        EXPECT_EQ(asked, words(c.asked));
        ASSERT_EQ(Boxes.Count(), c.errors);
        if (c.errors) {
            EXPECT_EQ(Boxes.Last().Text, "Хотя бы один столбец должен остаться видимым!");
            EXPECT_EQ(Boxes.Last().Flags & MbButtonsMask, MB_OK);
            EXPECT_EQ(Boxes.Last().Flags & MbIconMask, MB_ICONERROR);
        }
    }
}

TEST_P(ColumnViewTest, TheColumnMenuOpensTheViewOnlyOverAnOpenDataSet) {
    TFormPtr form = Open();
    TwwDBGrid& grid = Grid(*form);
    for (bool open : {true, false}) {
        SCOPED_TRACE(open ? "open" : "closed");
        form->oqAbbrev->SetActive(open);
        ModalDriver driver;
        driver.Then([&](QDialog& dialog) {
            TfmColumnView& view = View(dialog);
            EXPECT_EQ(Checked(*view.chlboxColumns).size(), 5);
            ClickCheck(*view.chlboxColumns, 1);
            // The keyboard toggles the item the user clicked on.
            QListWidget* list = view.chlboxColumns;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(2)).center());
            QTest::keyClick(list, Qt::Key_Space);
            QTest::keyClick(view.bbtnOK, Qt::Key_Space);
        });
        OpenColumnView(Grid(*form));
        EXPECT_EQ(driver.Runs().size(), open ? 1u : 0u);
        EXPECT_EQ(Hidden(*form), open ? QStringList({"SNAME", "NAME"}) : QStringList());
        grid.ColumnByName("SNAME")->SetVisible(true);
        grid.ColumnByName("NAME")->SetVisible(true);
    }
    EXPECT_EQ(Boxes.Count(), 0u);
}

// The columns the user chose outlive a refresh of the data set.
TEST_P(ColumnViewTest, HiddenMovedAndSizedColumnsStayAfterARefresh) {
    TFormPtr form = Open();
    TwwDBGrid& grid = Grid(*form);
    grid.ColumnByName("NAME")->SetVisible(false);
    grid.ColumnByName("RCHECK")->SetIndex(0);
    grid.ColumnByName("SNAME")->SetWidth(140);
    form->oqAbbrev->Close();
    form->oqAbbrev->Open();
    QHeaderView* header = form->dbgAbbrev->horizontalHeader();
    auto* model = static_cast<TDataSetModel*>(form->dbgAbbrev->model());
    QStringList shown;
    for (int visual = 0; visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            shown << model->FieldAt(header->logicalIndex(visual))->FieldName();
    EXPECT_EQ(shown, QStringList({"RCHECK", "ID", "SNAME", "ROWID_QUERY"}));
    const int sname = model->ColumnOf(form->oqAbbrev->FindField("SNAME"));
    EXPECT_EQ(header->sectionSize(sname), 140);
    EXPECT_EQ(Hidden(*form), QStringList({"NAME"}));
    header->resizeSection(sname, 180);  // the user widens it once more
    form->oqAbbrev->Refresh();
    EXPECT_EQ(header->sectionSize(sname), 180);
}

QXV_ON_GRID_ENGINES(ColumnViewTest);

}  // namespace
