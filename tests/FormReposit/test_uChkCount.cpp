// The record counters on the grid test form: the focused grid's data set is counted,
// a detail together with its master, into the display control's text and hint.

#include <QLabel>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "ComUnits/uChkCount.h"
#include "FormReposit/GridTestForm.h"
#include "support/MessageBoxRecorder.h"

namespace {

class ChkCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 4; ++i) engine.AddAbbrev(QStringLiteral("a%1").arg(i), "abbrev");
        const long long first = 1;
        for (int level = 1; level <= 3; ++level) engine.AddType(level, first);
        form = TComBaseForm::Create<TfGridTest>(&engine.Session(), engine.Schema(),
                                                TfGridTest::TOptions{temp.Path()});
        display = new QLabel(form);
        form->ChkStates()->SetDisplay(display);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    }
    void TearDown() override { TComBaseForm::Free(form); }

    TempDir temp;
    TGridEngine engine{QStringLiteral("sqlite")};
    MessageBoxRecorder boxes;
    TfGridTest* form = nullptr;
    QLabel* display = nullptr;
};

TEST_F(ChkCountTest, TheFocusedGridsCountsAreShown) {
    form->oqTypes->Open();
    // The master alone.
    form->dbgAbbrev->setFocus();
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 4 записей"));
    EXPECT_EQ(display->toolTip(), "Abbreviations");

    // The detail with its master: master count first.
    form->dbgTypes->setFocus();
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 4 (3) записей"));
    EXPECT_EQ(display->toolTip(), "Abbreviations (Levels)");

    // A refresh of the master the detail is shown with updates the display too.
    engine.AddAbbrev("a5", "abbrev");
    form->oqAbbrev->Refresh();
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 5 (3) записей"));

    // A data set never added changes nothing; a refresh of one not shown neither.
    form->dbgAbbrev->setFocus();
    display->setText("kept");
    TOraQuery stray;
    form->ChkStates()->Activate(&stray);
    form->oqTypes->Refresh();
    EXPECT_EQ(display->text(), "kept");
}

// A data set counted together with a second one follows the second one's reads too.
TEST(ChkStateList, APairIsRecountedWhenItsSecondDataSetIsRead) {
    TDataSet first;
    TDataSet second;
    QWidget firstGrid;
    QLabel display;
    TChkStateList list([&](TDataSet* ds) { return ds == &first ? &firstGrid : nullptr; });
    list.SetDisplay(&display);
    list.SetDoubleFormat("%d (%d)");
    list.Add(&first, &second);
    list.Add(&second);
    first.LoadRows({{{"ID", TFieldType::Integer}}, {{1}, {2}}});
    second.LoadRows({{{"ID", TFieldType::Integer}}, {{1}, {2}, {3}}});
    EXPECT_EQ(display.text(), "2 (3)");
}

}  // namespace
