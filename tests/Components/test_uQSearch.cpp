// The quick search on the grid test form, driven with the keys a user presses: Alt and a
// character opens the panel under the grid, typing moves the data set, and Enter, Escape
// or leaving the box closes it again.

#include <QFrame>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "Components/QSearch/FrmQSearch.h"
#include "FormReposit/GridTestForm.h"
#include "support/MessageBoxRecorder.h"
#include "support/Snapshot.h"

namespace {

// Records the keys that reach a widget.
class KeySpy : public QObject {
public:
    QList<int> Keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) Keys << static_cast<QKeyEvent*>(event)->key();
        return false;
    }
};

// A key pressed with Alt held, as the keyboard delivers it: the character travels as text.
void AltChar(QWidget* target, QChar character) {
    const int key = character.isLetterOrNumber() && character.unicode() < 128
                        ? character.toUpper().unicode()
                        : 0;
    QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, QString(character));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::AltModifier, QString(character));
    QApplication::sendEvent(target, &release);
}

class QSearchTest : public ::testing::Test {
protected:
    QSearchTest() {
        for (const char* name : {"xx", "ABc", "ab", "Abd", "Бор", "Алтай"})
            engine.AddAbbrev(QString::fromUtf8(name), QStringLiteral("abbrev"));
        engine.AddType(1, 1);
    }
    void SetUp() override {
        form = ShowGridTest(engine, {temp.Path()}).release();
        grid = form->dbgAbbrev;
        grid->setFocus();
    }
    void TearDown() override { TComBaseForm::Free(form); }

    TQSearch* Search(QTableView* of) { return form->FrmQSearch1->SearchOf(of); }
    QString CurrentName() { return form->oqAbbrev->FieldByName("SNAME").AsString(); }
    void SelectColumn(int column) { grid->setCurrentIndex(grid->model()->index(0, column)); }

    TempDir temp;
    TGridEngine engine{QStringLiteral("sqlite")};
    MessageBoxRecorder boxes;
    TfGridTest* form = nullptr;
    QTableView* grid = nullptr;
};

TEST_F(QSearchTest, EveryGridOfTheFormGetsOneSearchOnTheFirstShow) {
    ASSERT_EQ(form->FrmQSearch1->Searches().size(), 2);
    EXPECT_EQ(form->FrmQSearch1->Searches()[0]->Grid(), form->dbgAbbrev);
    EXPECT_EQ(form->FrmQSearch1->Searches()[1]->Grid(), form->dbgTypes);
    form->hide();
    form->show();
    EXPECT_EQ(form->FrmQSearch1->Searches().size(), 2);
}

TEST_F(QSearchTest, TypingMovesToTheFirstRecordThatStartsWithTheText) {
    struct Case {
        const char* Name;
        int Column;     // 0 ID, 1 SNAME
        QString First;  // typed with Alt on the grid
        QString More;   // typed into the box, with Alt still held when AltHeld
        bool AltHeld;
        bool Opens;
        QString Expected;  // SNAME of the current record afterwards
    };
    const Case cases[] = {
        {"a digit on a number column", 0, "5", "", false, true, "Бор"},
        {"any case matches", 1, "a", "b", false, true, "ABc"},
        {"Alt still held", 1, "a", "b", true, true, "ABc"},
        {"more text, a later record", 1, "a", "bd", false, true, "Abd"},
        {"text nothing starts with", 1, "a", "bz", false, true, "ABc"},
        {"a Cyrillic letter", 1, "б", "о", false, true, "Бор"},
        {"the first Cyrillic letter opens nothing", 1, "А", "", false, false, "xx"},
        {"punctuation opens nothing", 1, "#", "", false, false, "xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        form->oqAbbrev->First();
        SelectColumn(c.Column);
        grid->setFocus();
        AltChar(grid, c.First.front());
        TQSearch* search = Search(grid);
        ASSERT_EQ(search->Shown(), c.Opens);
        if (c.Opens) {
            EXPECT_EQ(search->Edit()->text(), c.First);
            EXPECT_TRUE(search->Edit()->hasFocus());
            for (QChar ch : c.More) {
                if (c.AltHeld)
                    AltChar(search->Edit(), ch);
                else
                    search->Edit()->insert(QString(ch));
            }
            EXPECT_EQ(search->Edit()->text(), c.First + c.More);
            QTest::keyClick(search->Edit(), Qt::Key_Escape);
        }
        EXPECT_EQ(CurrentName(), c.Expected);
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(QSearchTest, ThePanelOpensUnderTheGridAndClosesBackToIt) {
    TQSearch* search = Search(grid);
    SelectColumn(1);
    QTest::keyClick(grid, Qt::Key_A, Qt::AltModifier);
    QTest::keyClicks(search->Edit(), "bd");
    Snapshot(*form, "grid-quick-search");
    QTest::keyClick(search->Edit(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_X, Qt::AltModifier);
    QFrame* panel = search->Panel();
    ASSERT_TRUE(panel && panel->isVisible());
    // The detail grid fills the place under the grid: the panel goes over the grid's last rows.
    EXPECT_TRUE(grid->geometry().contains(panel->geometry()));
    EXPECT_NEAR(panel->x(), grid->x(), grid->frameWidth());
    EXPECT_NEAR(panel->geometry().bottom(), grid->geometry().bottom(), grid->frameWidth());
    EXPECT_FALSE(panel->geometry().intersects(form->dbgTypes->geometry()));

    // A grid at the form's bottom keeps the panel inside the form.
    form->dbgTypes->setFocus();
    QTest::keyClick(form->dbgTypes, Qt::Key_X, Qt::AltModifier);
    QFrame* lower = Search(form->dbgTypes)->Panel();
    ASSERT_TRUE(lower);
    EXPECT_LE(lower->geometry().bottom(), form->height());
    EXPECT_FALSE(lower->isVisible());  // the detail is closed: nothing to search

    struct Close {
        const char* Name;
        std::function<void()> Do;
    };
    const Close closes[] = {
        {"Enter", [&] { QTest::keyClick(search->Edit(), Qt::Key_Return); }},
        {"keypad Enter",
         [&] { QTest::keyClick(search->Edit(), Qt::Key_Enter, Qt::KeypadModifier); }},
        {"Escape", [&] { QTest::keyClick(search->Edit(), Qt::Key_Escape); }},
        {"leaving", [&] { form->dbgTypes->setFocus(); }},
    };
    for (const Close& close : closes) {
        SCOPED_TRACE(close.Name);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_X, Qt::AltModifier);
        ASSERT_TRUE(panel->isVisible());
        close.Do();
        EXPECT_FALSE(panel->isVisible());
        EXPECT_TRUE(grid->hasFocus());
        EXPECT_TRUE(search->Edit()->text().isEmpty());
        EXPECT_EQ(search->Panel(), panel);  // made once, then reused
    }
}

TEST_F(QSearchTest, OtherKeysGoOnToTheGridAndTheForm) {
    KeySpy spy;
    form->installEventFilter(&spy);
    QTest::keyClick(grid, Qt::Key_F4, Qt::AltModifier);
    QTest::keyClick(grid, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(spy.Keys, QList<int>{Qt::Key_F4});  // Alt alone is swallowed
    EXPECT_FALSE(Search(grid)->Shown());
}

// A search over no rows closes at once and says nothing. (A column that cannot be searched
// is a calculated or a looked-up one, which no window of the product makes.)
TEST_F(QSearchTest, ASearchOverNoRowsClosesAtOnce) {
    form->oqTypes->Open();
    form->oqAbbrev->Locate("SNAME", "ab");  // a master without levels
    form->dbgTypes->setFocus();
    QTest::keyClick(form->dbgTypes, Qt::Key_A, Qt::AltModifier);
    EXPECT_FALSE(Search(form->dbgTypes)->Shown());
    EXPECT_TRUE(form->dbgTypes->hasFocus());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(CurrentName(), "ab");
}

// Another window taking the focus leaves the search open.
TEST_F(QSearchTest, ThePanelOutlivesAWindowSwitch) {
    QTest::keyClick(grid, Qt::Key_X, Qt::AltModifier);
    QFrame* panel = Search(grid)->Panel();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(panel->isVisible());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    EXPECT_TRUE(panel->isVisible());
}

}  // namespace
