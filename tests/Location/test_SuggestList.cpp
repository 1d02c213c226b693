// Suggestions under a text field, driven by real key events: they come from the second
// character after a pause, the keys move and choose in them, Escape closes only them, and an
// answer to an older text never replaces a newer one. Then the same list in the location
// window, the picker and the search window over a real database.

#include "Location/SuggestList.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/Search.h"
#include "Location/ServiceTable.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/Snapshot.h"
#include "support/TestDatabase.h"

namespace {

// Answers when the test says so, in any order: a slow server.
class THeldSource : public ISuggestSource {
public:
    void Request(const QString& text, std::function<void(QList<TSuggestion>)> done) override {
        Asked << text;
        FPending.push_back(std::move(done));
    }
    // Answers request `index` with one place per name, ids from `firstId`.
    void Answer(int index, const QStringList& names, int firstId) {
        QList<TSuggestion> found;
        for (const QString& name : names) found.append({firstId++, name, "село", "обл\\" + name});
        FPending.at(size_t(index))(found);
    }
    QStringList Asked;

private:
    std::vector<std::function<void(QList<TSuggestion>)>> FPending;
};

QStringList Rows(const QListWidget& list) {
    QStringList rows;
    for (int i = 0; i < list.count(); ++i) rows << list.item(i)->text();
    return rows;
}

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }

// Typing, one key a character (the key simulation spells only ASCII by itself).
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

class SuggestListTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&FDialog);
        FEdit = new QLineEdit(&FDialog);
        layout->addWidget(FEdit);
        layout->addStretch();
        FDialog.resize(400, 300);
        FList = new TSuggestList(FEdit, FSource);
        FList->OnChoose = [this](int id, bool byEnter) {
            Chosen << QStringLiteral("%1%2").arg(id).arg(byEnter ? " enter" : " click");
        };
        FDialog.show();
        FDialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&FDialog));
        FEdit->setFocus();
    }
    void Type(const QString& text) { ::Type(FEdit, text); }

    QDialog FDialog;
    QLineEdit* FEdit = nullptr;
    std::shared_ptr<THeldSource> FSource = std::make_shared<THeldSource>();
    TSuggestList* FList = nullptr;
    QStringList Chosen;
};

TEST_F(SuggestListTest, KeysMoveChooseAndCloseOnlyTheList) {
    Type("б");
    QTest::qWait(TSuggestList::PauseMs * 2);
    EXPECT_TRUE(FSource->Asked.isEmpty()) << "one character asks nothing";
    Type("ер");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 1; }));
    EXPECT_EQ(FSource->Asked, QStringList{"бер"}) << "one question after the pause in typing";
    FSource->Answer(0, {"Берёзовка", "Березники", "Берег"}, 10);
    ASSERT_TRUE(FList->IsOpen());
    EXPECT_EQ(Rows(*FList->List()).first(), "обл\\Берёзовка  (село)");
    EXPECT_EQ(FList->List()->currentRow(), -1) << "nothing chosen before the arrows";

    const struct {
        Qt::Key Key;
        int Row;  // the current row after the key
    } moves[] = {{Qt::Key_Down, 0}, {Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_Down, 2},
                 {Qt::Key_Up, 1},   {Qt::Key_Up, 0},   {Qt::Key_Up, 0}};
    for (const auto& move : moves) {
        QTest::keyClick(FEdit, move.Key);
        EXPECT_EQ(FList->List()->currentRow(), move.Row);
    }
    QTest::keyClick(FEdit, Qt::Key_Down);
    QTest::keyClick(FEdit, Qt::Key_Return);
    EXPECT_EQ(Chosen, QStringList{"11 enter"});
    EXPECT_FALSE(FList->IsOpen());

    // Escape closes the list and leaves the dialog open; the next Escape is the dialog's.
    Type("е");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 2; }));
    FSource->Answer(1, {"Берег"}, 30);
    ASSERT_TRUE(FList->IsOpen());
    QTest::keyClick(FEdit, Qt::Key_Escape);
    EXPECT_FALSE(FList->IsOpen());
    EXPECT_TRUE(FDialog.isVisible());
    EXPECT_EQ(FEdit->text(), "бере");

    // Enter with no row chosen is the field's own; a click chooses.
    Type("г");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 3; }));
    FSource->Answer(2, {"Берег"}, 40);
    QSignalSpy entered(FEdit, &QLineEdit::returnPressed);
    QTest::keyClick(FEdit, Qt::Key_Return);
    EXPECT_EQ(entered.count(), 1);
    EXPECT_FALSE(FList->IsOpen());
    QTest::keyClick(FEdit, Qt::Key_Backspace);
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 4; }));
    FSource->Answer(3, {"Берег"}, 50);
    QListWidget& list = *FList->List();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(Chosen, (QStringList{"11 enter", "50 click"}));
    QTest::keyClick(FEdit, Qt::Key_Escape);
    EXPECT_FALSE(FDialog.isVisible()) << "with no list Escape is the window's again";
}

TEST_F(SuggestListTest, AnAnswerToAnOlderTextIsDropped) {
    Type("ка");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 1; }));
    Type("з");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 2; }));
    FSource->Answer(1, {"Казань"}, 2);
    FSource->Answer(0, {"Калуга", "Камень"}, 1);  // the slow first answer arrives last
    EXPECT_EQ(Rows(*FList->List()), QStringList{"обл\\Казань  (село)"});
    // An answer that arrives after the text went under two characters shows nothing.
    Type("а");
    ASSERT_TRUE(WaitFor([&] { return FSource->Asked.size() == 3; }));
    FEdit->selectAll();
    QTest::keyClick(FEdit, Qt::Key_Backspace);
    FSource->Answer(2, {"Казань"}, 2);
    EXPECT_FALSE(FList->IsOpen());
}

// The server's suggestions in the windows: the location window opens the tree at the
// choice, the picker returns it on Enter, the search window keeps Enter for its search.
class SuggestWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { FSample = FDb.AddSample(); }

    static void TypeAndWait(QLineEdit* edit, const QString& text, TSuggestList* list) {
        edit->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(edit->window()));
        edit->setFocus();
        Type(edit, text);
        ASSERT_TRUE(WaitFor([&] { return list->IsOpen(); }));
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

TEST_F(SuggestWindowsTest, TheWindowOpensTheTreeAtTheChoiceAndThePickerReturnsIt) {
    auto* form = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), QString("QXVBASE"));
    const TFormHolder<TfMain> hold(form);
    form->show();
    TypeAndWait(form->edSearch, "берё", form->Suggestions());
    EXPECT_EQ(Rows(*form->Suggestions()->List()),
              QStringList{"обл. Северная\\р-н. Озёрный\\с. Берёзовка  (село)"});
    QTest::keyClick(form->edSearch, Qt::Key_Down);
    QTest::keyClick(form->edSearch, Qt::Key_Return);
    ASSERT_TRUE(form->Tree()->Selected());
    EXPECT_EQ(form->Tree()->Selected()->ID, FSample.birch);
    EXPECT_TRUE(form->isVisible()) << "outside the picker the window stays";

    int id = int(FSample.south);
    FDriver.Then([&](QDialog& dialog) {
        auto& picker = static_cast<TfMain&>(dialog);
        TypeAndWait(picker.edSearch, "гав", picker.Suggestions());
        QTest::keyClick(picker.edSearch, Qt::Key_Down);
        QTest::keyClick(picker.edSearch, Qt::Key_Return);
    });
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(id, FSample.harbour);
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// The list as each user reads the window (scripts/screenshots-suggestions keeps the pictures).
TEST_F(SuggestWindowsTest, RendersTheListInTheUsersLanguage) {
    FDb.AddLocation(FSample.south, FSample.tR, "Березовский");
    FDb.AddLocation(FSample.north, FSample.tR, "Берёзовский");
    const struct {
        int Language;  // 0: none of the user's own (Russian)
        const char* Placeholder;
        const char* Picture;
    } users[] = {{0, "Поиск", "suggestions-ru"}, {9, "Search", "suggestions"}};
    for (const auto& user : users) {
        if (user.Language) FDb.SetUserLanguage(user.Language);
        auto* form = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), QString("QXVBASE"));
        const TFormHolder<TfMain> hold(form);
        form->resize(900, 480);
        form->show();
        TypeAndWait(form->edSearch, "бер", form->Suggestions());
        EXPECT_EQ(form->edSearch->placeholderText(), user.Placeholder);
        EXPECT_EQ(form->Suggestions()->List()->count(), 3);
        QTest::keyClick(form->edSearch, Qt::Key_Down);
        Snapshot(*form, user.Picture);
    }
}

TEST_F(SuggestWindowsTest, EnterInTheSearchTextSearchesAndAChosenSuggestionIsTheChoice) {
    for (const bool pickSuggestion : {false, true}) {
        TFormHolder<TfSearch> search(
            TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE")));
        FDriver.Then([&](QDialog&) {
            TypeAndWait(search->edText, "се", search->Suggestions());
            if (pickSuggestion) QTest::keyClick(search->edText, Qt::Key_Down);
            QTest::keyClick(search->edText, Qt::Key_Return);
            EXPECT_EQ(search->isVisible(), !pickSuggestion);
            if (!pickSuggestion) {
                EXPECT_EQ(search->HitCount(), 1) << "the search ran and its list shows";
                search->close();
            }
        });
        ModalRunner::RunModal(*search);
        EXPECT_EQ(search->ChosenID(), pickSuggestion ? FSample.north : -1);
    }
}

}  // namespace
