#include "Components/ColumnView/uColumnView.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "FormReposit/GridTestForm.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"

namespace {

// The column view's own widgets, found the way a test finds them on any dialog.
TfmColumnView& View(QDialog& dialog) {
    auto* view = qobject_cast<TfmColumnView*>(&dialog);
    EXPECT_TRUE(view) << dialog.objectName().toStdString();
    return *view;
}

// Clicks the check box of a list item, as the user toggles a column.
void ClickCheck(QListWidget& list, int row) {
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(list.item(row));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = list.item(row)->text();
    const QRect box =
        list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
}

// With QXV_SCREENSHOT_DIR set, the dialog as the user sees it goes into that folder.
void Snapshot(QDialog& dialog, const char* name) {
    const QString folder = qEnvironmentVariable("QXV_SCREENSHOT_DIR");
    if (!folder.isEmpty()) dialog.grab().save(QDir(folder).filePath(QString(name) + ".png"));
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
        TFormPtr form(
            TComBaseForm::Create<TfGridTest>(&Engine.Session(), Engine.Schema(), options));
        Boxes.Clear();  // the framework reports it has no interface class for the grid
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
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

    // The column menu as a user opens it: a right click on the header, then its item.
    void ChooseColumnView(TfGridTest& form) {
        QHeaderView* header = form.dbgAbbrev->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(header->logicalIndex(0)) + 5,
                        header->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, header->viewport()->mapToGlobal(at));
        QApplication::sendEvent(header->viewport(), &event);
        QMenu* menu = Grid(form).ColumnMenu();
        ASSERT_TRUE(menu->isVisible());
        QAction* item = Grid(form).ColumnViewAction();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    }

    TGridEngine Engine;
    TempDir Folder;
    MessageBoxRecorder Boxes;
};

TEST_P(ColumnViewTest, TheUserShowsAndHidesTheColumnsHeMay) {
    struct TCase {
        const char* what;
        int fixedCols;
        QStringList notRepresented;  // columns the view may not toggle
        QStringList hiddenBefore;
        std::function<void(TfmColumnView&)> act;
        QStringList refused;  // the change handler keeps these as they are
        QStringList asked;    // the columns the handler is asked about
        QStringList hiddenAfter;
        size_t errors;
    };
    const TCase cases[] = {
        {"all skips what cannot change",
         1,
         {"NAME"},
         {"ID", "NAME", "RCHECK"},
         [](TfmColumnView& v) {
             QTest::mouseClick(v.bbtnAll, Qt::LeftButton);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {},
         {"RCHECK"},
         {"ID", "NAME"},
         0},
        {"clear skips what cannot change",
         1,
         {"NAME"},
         {},
         [](TfmColumnView& v) {
             QTest::mouseClick(v.bbtnClear, Qt::LeftButton);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {},
         {"SNAME", "RCHECK", "ROWID_QUERY"},
         {"SNAME", "RCHECK", "ROWID_QUERY"},
         0},
        {"invert skips what cannot change",
         2,
         {"RCHECK"},
         {"ID", "NAME", "RCHECK"},
         [](TfmColumnView& v) {
             QTest::mouseClick(v.bbtnInvers, Qt::LeftButton);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {},
         {"NAME", "ROWID_QUERY"},
         {"ID", "RCHECK", "ROWID_QUERY"},
         0},
        {"clicks on check boxes, a disabled one changes nothing",
         1,
         {},
         {"RCHECK"},
         [](TfmColumnView& v) {
             for (int row : {0, 1, 3}) ClickCheck(*v.chlboxColumns, row);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {},
         {"SNAME", "RCHECK"},
         {"SNAME"},
         0},
        {"the handler keeps one column",
         0,
         {},
         {"ROWID_QUERY"},
         [](TfmColumnView& v) {
             for (int row : {1, 2, 4}) ClickCheck(*v.chlboxColumns, row);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {"SNAME", "ROWID_QUERY"},
         {"SNAME", "NAME", "ROWID_QUERY"},
         {"NAME", "ROWID_QUERY"},
         0},
        {"cancel changes nothing",
         0,
         {},
         {"NAME"},
         [](TfmColumnView& v) {
             QTest::mouseClick(v.bbtnInvers, Qt::LeftButton);
             QTest::mouseClick(v.bbtnCancel, Qt::LeftButton);
         },
         {},
         {},
         {"NAME"},
         0},
        {"nothing checked keeps the dialog open",
         0,
         {},
         {},
         [](TfmColumnView& v) {
             QTest::mouseClick(v.bbtnClear, Qt::LeftButton);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
             EXPECT_TRUE(v.isVisible());
             EXPECT_EQ(v.result(), QDialog::Rejected);
             // The user checks one column again and applies.
             ClickCheck(*v.chlboxColumns, 2);
             QTest::mouseClick(v.bbtnOK, Qt::LeftButton);
         },
         {},
         {"ID", "SNAME", "RCHECK", "ROWID_QUERY"},
         {"ID", "SNAME", "RCHECK", "ROWID_QUERY"},
         1},
    };
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
            column->SetCanRepresent(!c.notRepresented.contains(column->FieldName()));
            column->SetVisible(!c.hiddenBefore.contains(column->FieldName()));
        }
        QStringList asked;
        grid.SetOnColumnViewChange([&](TwwDBGrid* g, TwwColumn* column, bool& allow) {
            EXPECT_EQ(g, &grid);
            asked << column->FieldName();
            if (c.refused.contains(column->FieldName())) allow = false;
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
            c.act(view);
        });
        ShowColumnView(&grid, grid.OnColumnViewChange());
        ASSERT_EQ(driver.Runs().size(), 1u);
        EXPECT_EQ(Hidden(*form), c.hiddenAfter);
        EXPECT_EQ(asked, c.asked);
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
    TColumnViewTexts texts{"Columns", "Apply", "Back", "All", "None", "Swap"};
    grid.SetColumnViewTexts(texts);
    for (bool open : {true, false}) {
        SCOPED_TRACE(open ? "open" : "closed");
        form->oqAbbrev->SetActive(open);
        ModalDriver driver;
        driver.Then([&](QDialog& dialog) {
            TfmColumnView& view = View(dialog);
            EXPECT_EQ(view.windowTitle(), texts.Caption);
            EXPECT_EQ(
                QStringList({view.bbtnOK->text(), view.bbtnCancel->text(), view.bbtnAll->toolTip(),
                             view.bbtnClear->toolTip(), view.bbtnInvers->toolTip()}),
                QStringList({"Apply", "Back", "All", "None", "Swap"}));
            EXPECT_EQ(Checked(*view.chlboxColumns).size(), 5);
            ClickCheck(*view.chlboxColumns, 1);
            // The keyboard toggles the item the user clicked on.
            QListWidget* list = view.chlboxColumns;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(2)).center());
            QTest::keyClick(list, Qt::Key_Space);
            QTest::keyClick(view.bbtnOK, Qt::Key_Space);
        });
        ChooseColumnView(*form);
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
    EXPECT_EQ(header->sectionSize(model->ColumnOf(form->oqAbbrev->FindField("SNAME"))), 140);
    EXPECT_EQ(Hidden(*form), QStringList({"NAME"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, ColumnViewTest, ::testing::ValuesIn(GridEngines()),
                         [](const auto& info) {
                             return info.param == "sqlite" ? std::string("sqlite")
                                                           : std::string("postgres");
                         });

}  // namespace
