// The quick search on the grid test form, driven with the keys a user presses: Alt and a
// character opens the panel under the grid, typing moves the data set, and Enter, Escape
// or leaving the box closes it again.

#include <QFrame>
#include <QtTest/QTest>

#include "ComUnits/Lang/uLanguagesDM.h"
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

    form->FrmQSearch1->SetAutoSearch(false);
    QTest::keyClick(grid, Qt::Key_X, Qt::AltModifier);
    EXPECT_FALSE(Search(grid)->Shown());
    form->FrmQSearch1->SetAutoSearch(true);
    QTest::keyClick(grid, Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(Search(grid)->Shown());
}

// (A form's hook naming a field that is not there is a program error, as the base form's
// failed find shows it.)
TEST_F(QSearchTest, ASearchThatCannotRunSaysWhyAndCloses) {
    struct Case {
        const char* Name;
        std::function<void()> Prepare;
        QString Message;  // empty: none
        QString Expected;
    };
    const Case cases[] = {
        {"an empty data set",
         [&] {
             form->oqTypes->Open();
             form->oqAbbrev->Locate("SNAME", "ab");  // a master without levels
             grid = form->dbgTypes;
         },
         "", "ab"},
        {"a calculated column",
         [&] {
             form->oqAbbrev->Close();
             form->oqAbbrev->AddField("FULL", TFieldType::String, TFieldKind::Calculated)
                 .SetDisplayLabel("Full name");
             form->oqAbbrev->Open();
             SelectColumn(form->oqAbbrev->FieldByName("FULL").Index());
         },
         "Поиск данных по полю \"Full name\" невозможен", "xx"},
        {"no field chosen", [&] { form->FrmQSearch1->SetUseSelectedColumn(false); },
         "Не выбрано поле для поиска", "xx"},
        {"cancelled by the form",
         [&] {
             form->FrmQSearch1->SetGrdBeforeSearch(
                 [](QObject*, QTableView*, QString&, bool& cancel) { cancel = true; });
         },
         "", "xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        boxes.Clear();
        SetUp();
        c.Prepare();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_A, Qt::AltModifier);
        EXPECT_FALSE(Search(grid)->Shown());
        EXPECT_TRUE(grid->hasFocus());
        EXPECT_EQ(boxes.Count(), c.Message.isEmpty() ? 0u : 1u);
        if (!c.Message.isEmpty() && boxes.Count()) {
            EXPECT_EQ(boxes.Last().Text, c.Message);
        }
        EXPECT_EQ(CurrentName(), c.Expected);
    }
}

TEST_F(QSearchTest, TheFormsOwnSearchGetsTheGridAndTheText) {
    QList<QPair<QTableView*, QString>> asked;
    form->FrmQSearch1->SetGrdOnSearch(
        [&](QObject*, QTableView* on, const QString& field, const QString& value) {
            asked << qMakePair(on, field + '=' + value);
        });
    SelectColumn(1);
    QTest::keyClick(grid, Qt::Key_B, Qt::AltModifier);
    QTest::keyClicks(Search(grid)->Edit(), "o");
    EXPECT_EQ(asked, (QList<QPair<QTableView*, QString>>{{grid, "SNAME=b"}, {grid, "SNAME=bo"}}));
    EXPECT_EQ(CurrentName(), "xx");  // the built-in search did not run
}

// Another window taking the focus leaves the search open; the box of a field that cannot
// be searched is captioned in the user's language.
TEST_F(QSearchTest, ThePanelOutlivesAWindowSwitchAndItsBoxSpeaksTheUsersLanguage) {
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
    QTest::keyClick(Search(grid)->Edit(), Qt::Key_Escape);

    engine.Raw().Execute(
        "INSERT INTO qxvbase.LANG_USER (USER_NAME, APL_LANG_ID, APL_LANG_SUB_ID, "
        "REP_LANG_ID, REP_LANG_SUB_ID) VALUES ('QXVBASE', 9, 0, 9, 0)",
        {});
    engine.Raw().Commit();
    InitTranslation(engine.Schema(), &engine.Session());
    form->oqAbbrev->Close();
    form->oqAbbrev->AddField("FULL", TFieldType::String, TFieldKind::Calculated);
    form->oqAbbrev->Open();
    SelectColumn(form->oqAbbrev->FieldByName("FULL").Index());
    QTest::keyClick(grid, Qt::Key_A, Qt::AltModifier);
    DoneTranslation();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Caption, "Notice");
}

}  // namespace
