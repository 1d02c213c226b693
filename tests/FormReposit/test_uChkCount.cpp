// The record counters on the grid test form: the focused grid's data set is counted,
// a detail together with its master, into the display control's text and hint.

#include <QLabel>
#include <QtTest/QTest>

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
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 4 записи"));
    EXPECT_EQ(display->toolTip(), "Abbreviations");

    // The detail with its master: master count first.
    form->dbgTypes->setFocus();
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 4 (3) записи"));
    EXPECT_EQ(display->toolTip(), "Abbreviations (Levels)");

    // A refresh of the master the detail is shown with updates the display too.
    engine.AddAbbrev("a5", "abbrev");
    form->oqAbbrev->Refresh();
    EXPECT_EQ(display->text(), QStringLiteral(" Считано из БД 5 (3) записи"));

    // A data set never added changes nothing; a refresh of one not shown neither.
    form->dbgAbbrev->setFocus();
    display->setText("kept");
    TOraQuery stray;
    form->ChkStates()->Activate(&stray);
    form->oqTypes->Refresh();
    EXPECT_EQ(display->text(), "kept");
}

// Russian texts take the noun in the form the count asks for (no translation module here).
TEST(RecordCountText, RussianCountsTakeTheirGrammaticalForm) {
    const struct {
        int Count;
        const char* Noun;
    } cases[] = {{1, "запись"},   {2, "записи"},    {4, "записи"},   {5, "записей"},
                 {11, "записей"}, {12, "записей"},  {21, "запись"},  {22, "записи"},
                 {0, "записей"},  {111, "записей"}, {1001, "запись"}};
    for (const auto& c : cases)
        EXPECT_EQ(
            RecordCountText(QString::number(c.Count), c.Count),
            QStringLiteral(" Считано из БД %1 %2").arg(c.Count).arg(QString::fromUtf8(c.Noun)));
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
