// Suggestions under a text field, driven by real key events: they come from the second
// character after a pause, the keys move and choose in them, Escape closes only them, and an
// answer to an older text never replaces a newer one. Then the same list in the location
// window, the picker and the search window over a real database.

#include "Location/SuggestList.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "Location/Search.h"
#include "Location/ServiceTable.h"
#include "LocationWindowFixture.h"
#include "support/Snapshot.h"

namespace {

// Answers when the test says so, in any order: a slow server.
struct THeldSource : ISuggestSource {
    void Request(const QString& text, std::function<void(QList<TSuggestion>)> done) override {
        Asked << text;
        Pending.push_back(std::move(done));
    }
    QStringList Asked;
    std::vector<std::function<void(QList<TSuggestion>)>> Pending;
};

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }

// A dialog with one field and its list over a held source; each step types, waits for the
// question and answers it (ids from 10), or presses a key, then checks the list.
TEST(SuggestList, KeysMoveChooseCloseOnlyTheListAndOlderAnswersAreDropped) {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(edit);
    auto source = std::make_shared<THeldSource>();
    TSuggestList list(edit, source);
    QStringList chosen;
    list.OnChoose = [&](int id, bool enter) {
        chosen << QString::number(id) + (enter ? 'e' : 'c');
    };
    QSignalSpy fieldEnter(edit, &QLineEdit::returnPressed);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    const struct {
        QString Typed;  // or a key
        Qt::Key Key;
        bool Asks;          // the typing asks a new question
        int Answers;        // the question answered then (-1: none)
        QStringList Names;  // the answer's places
        int Row;            // the list's current row; -2: the list is closed
        QString Chosen;     // all choices so far, by Enter (e) or click (c)
    } steps[] = {
        {"б", {}, false, -1, {}, -2, ""},  // one character asks nothing
        {"ер", {}, true, 0, {"Берёзовка", "Березники", "Берег"}, -1, ""},
        {"", Qt::Key_Down, false, -1, {}, 0, ""},
        {"", Qt::Key_Down, false, -1, {}, 1, ""},
        {"", Qt::Key_Down, false, -1, {}, 2, ""},
        {"", Qt::Key_Down, false, -1, {}, 2, ""},
        {"", Qt::Key_Up, false, -1, {}, 1, ""},
        {"", Qt::Key_Return, false, -1, {}, -2, "11e"},
        {"е", {}, true, 1, {"Берег"}, -1, "11e"},
        {"", Qt::Key_Escape, false, -1, {}, -2, "11e"},
        {"г", {}, true, 2, {"Берег"}, -1, "11e"},
        {"", Qt::Key_Return, false, -1, {}, -2, "11e"},  // no row chosen: the field's Enter
        {"ь", {}, true, -1, {}, -2, "11e"},
        {"е", {}, true, 4, {"Берегое"}, -1, "11e"},
        {"", {}, false, 3, {"Берегь"}, -1, "11e"},  // the slow answer to "берегь" comes last
    };
    for (const auto& step : steps) {
        const qsizetype asked = source->Asked.size();
        if (step.Key) QTest::keyClick(edit, step.Key);
        Type(edit, step.Typed);
        if (!step.Asks && !step.Typed.isEmpty()) QTest::qWait(TSuggestList::PauseMs * 2);
        ASSERT_TRUE(WaitFor([&] { return source->Asked.size() == asked + (step.Asks ? 1 : 0); }));
        QList<TSuggestion> found;
        for (const QString& name : step.Names)
            found.append({10 + int(found.size()), name, "село", "обл\\" + name});
        if (step.Answers >= 0) source->Pending.at(size_t(step.Answers))(found);
        EXPECT_EQ(list.IsOpen() ? list.List()->currentRow() : -2, step.Row)
            << step.Typed.toStdString() << step.Key;
        EXPECT_EQ(chosen.join(' '), step.Chosen);
    }
    EXPECT_EQ(source->Asked, (QStringList{"бер", "бере", "берег", "берегь", "берегье"}));
    ASSERT_EQ(list.List()->count(), 1);
    EXPECT_EQ(list.List()->item(0)->text(), "обл\\Берегое  (село)");
    EXPECT_EQ(fieldEnter.count(), 1) << "Enter with no row chosen is the field's own";
    EXPECT_TRUE(dialog.isVisible()) << "Escape closed the list alone";
    QListWidget& rows = *list.List();
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {},
                      rows.visualItemRect(rows.item(0)).center());
    EXPECT_EQ(chosen.join(' '), "11e 10c");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible()) << "with no list Escape is the window's again";
}

// The server's suggestions in the windows, for a reader of each language: the location
// window opens the tree at the choice, the picker returns it on Enter, the search window
// keeps Enter for its search and closes with a chosen suggestion. The pictures are kept by
// scripts/screenshots-suggestions.
class SuggestWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSample = FDb.AddSample();
        FDb.AddLocation(FSample.south, FSample.tR, "Березовский");
        FDb.AddLocation(FSample.north, FSample.tR, "Берёзовский");
    }
    // Types into the field of the window's list and presses Down `downs` times and Enter.
    static void Choose(QLineEdit* edit, TSuggestList* list, const QString& text, int downs) {
        edit->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(edit->window()));
        edit->setFocus();
        Type(edit, text);
        ASSERT_TRUE(WaitFor([&] { return list->IsOpen(); }));
        for (int i = 0; i < downs; ++i) QTest::keyClick(edit, Qt::Key_Down);
        if (*kPicture) Snapshot(*edit->window(), kPicture);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    static inline const char* kPicture = "";
    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

TEST_F(SuggestWindowsTest, TheTreeOpensAtTheChoiceThePickerReturnsItTheSearchKeepsItsEnter) {
    const struct {
        int Language;  // 0: none of the user's own (Russian)
        const char* Placeholder;
        const char* Picture;
        bool Starred;  // the village starred: first, not third after the higher levels
    } users[] = {{0, "Поиск", "suggestions-ru", false},
                 {0, "Поиск", "", true},
                 {9, "Search", "suggestions", false}};
    for (const auto& user : users) {
        if (user.Language) FDb.SetUserLanguage(user.Language);
        FDb.Call("QXVERPLOCAT", "SET_PLACE_STAR",
                 {{"PID", FSample.birch}, {"PSTARRED", user.Starred ? 1 : 0}});
        auto* form = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), QString("QXVBASE"));
        const TFormHolder<TfMain> hold(form);
        form->resize(900, 480);
        form->show();
        kPicture = user.Picture;
        Choose(form->edSearch, form->Suggestions(), "бер", user.Starred ? 1 : 3);
        EXPECT_EQ(form->edSearch->placeholderText(), user.Placeholder);
        ASSERT_TRUE(form->Tree()->Selected());
        EXPECT_EQ(form->Tree()->Selected()->ID, FSample.birch) << "a village, lower";
        EXPECT_TRUE(form->isVisible());
    }
    kPicture = "";
    int id = int(FSample.south);
    FDriver.Then([&](QDialog& picker) {
        Choose(static_cast<TfMain&>(picker).edSearch, static_cast<TfMain&>(picker).Suggestions(),
               "гав", 1);
    });
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(id, FSample.harbour);

    // In the search window a chosen suggestion is the choice (Enter with none searches).
    TFormHolder<TfSearch> search(
        TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
    FDriver.Then([&](QDialog&) { Choose(search->edText, search->Suggestions(), "се", 1); });
    EXPECT_EQ(ModalRunner::RunModal(*search), QDialog::Accepted);
    EXPECT_EQ(search->ChosenID(), FSample.north);
    EXPECT_EQ(FBoxes.Count(), 0u);
}

}  // namespace
