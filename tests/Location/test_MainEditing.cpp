#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

#include "Location/AddEditPlace.h"
#include "Location/FrameObjectInfo.h"
#include "Location/PopupEdit.h"
#include "LocationWindowFixture.h"
#include "support/TreeDrag.h"

namespace {

class EditingTest : public LocationWindowTest {
protected:
    void Select(const std::vector<long long>& chain) {
        for (long long id : chain) FForm->tvObjects->setCurrentItem(Node(id));
    }
    // Selects down the chain and leaves every place on it open, to be seen and pointed at.
    void Open(const std::vector<long long>& chain) {
        Select(chain);
        for (TObjectNode* n = FForm->Tree()->Selected(); n; n = n->ParentNode())
            n->setExpanded(true);
    }
    QVariant ParentInDb(long long id) { return InDb(id, "ID_PARENT"); }
    // Fills the location dialog with a name (and the first type) and confirms it.
    void ConfirmPlace(const QString& name) {
        FDriver.Then([name](QDialog& dialog) {
            auto& place = static_cast<TfAddEditPlace&>(dialog);
            place.edtName->setText(name);
            place.aOK->trigger();
        });
    }
};

TEST_F(EditingTest, AddingAndEditingAtTheRootKeepAPlaceAtTheTopInTheAlphabetsOrder) {
    Select({-1});
    ConfirmPlace("  ёлкино  ");
    FForm->aObjectAdd->trigger();
    TObjectNode* added = FForm->Tree()->Selected();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->ParentNode(), FForm->Tree()->Root());
    EXPECT_EQ(added->Caption(), "обл. ёлкино");
    EXPECT_EQ(FForm->Tree()->Root()->indexOfChild(added), 0) << "before \"Северная\"";
    EXPECT_EQ(added->Level, 1);
    EXPECT_EQ(added->AbbrevID, FSample.aObl);
    EXPECT_TRUE(ParentInDb(added->ID).isNull());  // sent with parent -1: the top level

    // An edit of a top-level place keeps it at the top.
    Select({FSample.north});
    ConfirmPlace("Северо-Западная");
    FForm->aObjectEdit->trigger();
    EXPECT_EQ(FForm->Tree()->Selected()->Caption(), "обл. Северо-Западная");
    EXPECT_TRUE(ParentInDb(FSample.north).isNull());
    EXPECT_EQ(FForm->cbObject->Text(), "обл. Северо-Западная");
    EXPECT_EQ(FBoxes.Count(), 0u);
}

TEST_F(EditingTest, ActionsFollowTheSelectionAndTheDeepestLevel) {
    Select({-1});
    EXPECT_TRUE(FForm->aObjectAdd->isEnabled());
    EXPECT_FALSE(FForm->aObjectEdit->isEnabled());
    EXPECT_FALSE(FForm->aObjectDelete->isEnabled());
    EXPECT_FALSE(FForm->aUp->isEnabled());
    Select({FSample.north, FSample.lakeside, FSample.birch});  // level 3; deepest level is 4
    EXPECT_TRUE(FForm->aObjectAdd->isEnabled());
    const long long deepest = FDb.AddLocation(FSample.birch, FSample.tS4, "Хутор");
    FForm->aRefreshNode->trigger();
    Select({FSample.north, FSample.lakeside, FSample.birch, deepest});
    EXPECT_FALSE(FForm->aObjectAdd->isEnabled());  // level 4 = the deepest level
    EXPECT_TRUE(FForm->aObjectEdit->isEnabled());
}

// Refresh reads the directory again and leaves the user where they were: the open places
// open, the selection on the same place (or the nearest one above it that is still there),
// the same place at the top of the view; what another session changed shows.
TEST_F(EditingTest, RefreshKeepsTheUsersPlaceAndShowsWhatOthersChanged) {
    for (int n = 0; n < 40; ++n)  // enough places to scroll
        FDb.AddLocation(-1, FSample.tObl, QStringLiteral("Ярово %1").arg(n));
    const struct {
        const char* Routine;  // another session's change before the refresh, if any
        std::vector<TBoundValue> In;
        long long Selected;
        const char* Path;
    } cases[] = {
        {nullptr, {}, FSample.birch, "обл. Северная\\р-н. Озёрный\\с. Берёзовка"},
        {"UPD_T#LOCATION",
         {{"PID", FSample.lakeside},
          {"PID_PARENT", FSample.north},
          {"PID_LOCATTYPE", FSample.tR},
          {"PNAME", "Лесной"}},
         FSample.birch,
         "обл. Северная\\р-н. Лесной\\с. Берёзовка"},
        {"DEL_T#LOCATION",
         {{"PID", FSample.birch}},
         FSample.lakeside,
         "обл. Северная\\р-н. Лесной"},
    };
    FForm->aRefreshNode->trigger();  // the places to scroll
    Open({FSample.north, FSample.lakeside, FSample.birch});
    FForm->tvObjects->verticalScrollBar()->setValue(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        if (c.Routine) FDb.Call("QXVERPLOCAT", c.Routine, c.In);
        QTest::mouseClick(FForm->btnRefreshNode, Qt::LeftButton);
        EXPECT_EQ(FForm->Tree()->SelectedID(), c.Selected);
        EXPECT_EQ(FForm->cbObject->Text(), QString::fromUtf8(c.Path));
        EXPECT_TRUE(Node(FSample.north)->isExpanded() && Node(FSample.lakeside)->isExpanded());
        EXPECT_EQ(AsNode(FForm->tvObjects->itemAt(0, 0))->ID, FSample.north) << "the top stays";
    }
    // A top-level place falls back to the root, where the tree's selection already stands.
    Select({FSample.south});
    FDb.Call("QXVERPLOCAT", "DEL_T#LOCATION", {{"PID", FSample.south}});
    QTest::mouseClick(FForm->btnRefreshNode, Qt::LeftButton);
    EXPECT_EQ(FForm->Tree()->SelectedID(), -1);
    EXPECT_EQ(FForm->InfoFrame()->ObjID(), -1) << "the items of the root, not of the deleted place";
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// A delete (F8 in the tree) asks first and answers by what the server did: a referenced place
// stays, told in an information box; one gone behind the window's back is a warning under the
// window's caption; a deleted one leaves the tree, and its parent takes the selection, the
// address, the information frame and the actions.
TEST_F(EditingTest, ADeleteAsksThenAnswersByWhatTheServerDid) {
    const long long coast = FDb.AddLocation(FSample.south, FSample.tR, "Приморский");
    FDb.Raw().Commit();
    FForm->aRefreshNode->trigger();
    FForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FForm));
    const struct {
        const char* Case;
        std::vector<long long> Path;
        bool GoneBefore;  // deleted by another session first
        int Answer;
        QStringList Boxes;  // after the question
        long long Selected;
        const char* Address;
    } cases[] = {
        // clang-format off
        {"no", {FSample.south, coast}, false, IDNO, {}, coast, "обл. Южная\\р-н. Приморский"},
        {"referenced", {FSample.north}, false, IDYES,
         {"Запись нельзя удалить, т.к. на нее есть ссылки | Местоположение | 64"}, FSample.north,
         "обл. Северная"},
        {"deleted", {FSample.south, coast}, false, IDYES, {}, FSample.south, "обл. Южная"},
        {"gone", {FSample.south}, true, IDYES,
         {"Ошибка при удалении объекта \"обл. Южная\"! | " + FForm->windowTitle() + " | 48"},
         FSample.south, "обл. Южная"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        Open(c.Path);
        if (c.GoneBefore) FDb.Call("QXVERPLOCAT", "DEL_T#LOCATION", {{"PID", c.Path.back()}});
        FDb.Raw().Commit();
        const QString question = "Удалить объект \"" + Node(c.Path.back())->Caption() +
                                 "\"? | Удаление | " + QString::number(MB_YESNO | MB_ICONQUESTION);
        FBoxes.Clear();
        FBoxes.Answer(c.Answer);
        QTest::keyClick(FForm->tvObjects, Qt::Key_F8);
        QStringList boxes;
        for (const auto& box : FBoxes.Calls())
            boxes << QStringLiteral("%1 | %2 | %3").arg(box.Text, box.Caption).arg(box.Flags);
        EXPECT_EQ(boxes, QStringList{question} + c.Boxes);
        EXPECT_EQ(FForm->Tree()->SelectedID(), c.Selected);
        EXPECT_EQ(FForm->cbObject->Text(), QString::fromUtf8(c.Address));
        EXPECT_EQ(FForm->InfoFrame()->ObjID(), c.Selected);
        EXPECT_TRUE(FForm->InfoFrame()->FCanAdd && FForm->aObjectDelete->isEnabled());
    }
    EXPECT_EQ(Node(coast), nullptr);
    EXPECT_EQ(InDb(coast, "ID"), QVariant("missing"));
    EXPECT_EQ(InDb(FSample.north, "ID").toLongLong(), FSample.north);
}

// Each drag starts over the dragged place itself, where it is taken in; the moves decide.
TEST_F(EditingTest, ADragIsTakenInOverItselfAndEachMoveDecidesWhereItMayLand) {
    const long long coast = FDb.AddLocation(FSample.south, FSample.tR, "Приморский");
    FDb.Raw().Commit();
    FForm->aRefreshNode->trigger();
    Open({FSample.south, coast});
    Open({FSample.north, FSample.lakeside, FSample.birch});
    const struct {
        long long Over;
        bool Accepted;
        const char* Why;
    } moves[] = {
        {FSample.lakeside, false, "itself"},
        {FSample.north, false, "its parent"},
        {-1, false, "an ancestor"},
        {FSample.birch, false, "its own child"},
        {coast, false, "another district: level 3 allows no district"},
        {FSample.south, true, "the other region: level 2 allows a district"},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.Why);
        TreeDrag drag = TreeDrag::Start(FForm->tvObjects, Node(FSample.lakeside));
        EXPECT_TRUE(drag.Enter());
        EXPECT_EQ(drag.Move(Node(m.Over)), m.Accepted);
        if (!m.Accepted) {
            EXPECT_FALSE(drag.Drop(Node(m.Over)));
            EXPECT_EQ(ParentInDb(FSample.lakeside).toLongLong(), FSample.north);
        }
        drag.Leave();
    }
    QMimeData foreign;
    foreign.setText("Озёрный");
    EXPECT_FALSE(TreeDrag(FForm->tvObjects, &foreign).Enter()) << "a drag from elsewhere";

    TreeDrag drag = TreeDrag::Start(FForm->tvObjects, Node(FSample.lakeside));
    ASSERT_TRUE(drag.Enter());
    EXPECT_FALSE(drag.Move(Node(FSample.north)));
    EXPECT_TRUE(drag.Move(Node(FSample.south)));
    EXPECT_TRUE(drag.Drop(Node(FSample.south)));
    TObjectNode* moved = FForm->Tree()->Selected();
    ASSERT_EQ(moved, Node(FSample.lakeside)) << "the place moved with its subtree";
    EXPECT_EQ(moved->ParentNode(), Node(FSample.south));
    EXPECT_EQ(Node(FSample.birch)->ParentNode(), moved);
    EXPECT_EQ(ParentInDb(FSample.lakeside).toLongLong(), FSample.south);
    EXPECT_EQ(FForm->cbObject->Text(), "обл. Южная\\р-н. Озёрный");
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// The server places a moved place one level below its new parent and retypes its
// subtree: add and edit under the moved places must offer the types of their new levels.
TEST_F(EditingTest, MovedPlacesTakeTheLevelsTheServerGaveThem) {
    FDb.AddType(5, FSample.aS);
    const long long hamlet = FDb.AddLocation(FSample.birch, FSample.tS4, "Хутор");
    FDb.Raw().Commit();
    Open({FSample.north, FSample.lakeside, FSample.birch, hamlet});
    TreeDrag drag = TreeDrag::Start(FForm->tvObjects, Node(FSample.birch));
    ASSERT_TRUE(drag.Enter());
    ASSERT_TRUE(drag.Drop(Node(FSample.harbour)));  // a village under the town: level 4
    EXPECT_EQ(Node(FSample.birch)->ParentNode(), Node(FSample.harbour));
    EXPECT_EQ(Node(FSample.birch)->Level, 4);
    EXPECT_EQ(Node(hamlet)->Level, 5);
    EXPECT_FALSE(FForm->aObjectAdd->isEnabled()) << "level 4 is the deepest one known";
    EXPECT_EQ(FForm->cbObject->Text(), "обл. Северная\\р-н. Озёрный\\г. Гавань\\с. Берёзовка");
    EXPECT_EQ(InDb(hamlet, "LEVEL#").toInt(), Node(hamlet)->Level);
}

TEST_F(EditingTest, DroppingOnANeverFetchedTargetFetchesItAndSelectsThePlace) {
    const long long west = FDb.AddLocation(-1, FSample.tObl, "Западная");
    FDb.AddLocation(west, FSample.tR, "Лесной");  // west has a child: not fetched yet
    FDb.Raw().Commit();
    FForm->aRefreshNode->trigger();
    Open({FSample.north, FSample.lakeside});
    TObjectNode* westNode = Node(west);
    ASSERT_FALSE(westNode->ChildrenLoaded);
    TreeDrag drag = TreeDrag::Start(FForm->tvObjects, Node(FSample.lakeside));
    ASSERT_TRUE(drag.Enter());
    ASSERT_TRUE(drag.Drop(westNode));
    TObjectNode* moved = FForm->Tree()->Selected();
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->ID, FSample.lakeside);
    EXPECT_EQ(moved->ParentNode(), westNode);
    EXPECT_EQ(westNode->childCount(), 2);
    EXPECT_EQ(ParentInDb(FSample.lakeside).toLongLong(), west);
    EXPECT_EQ(FForm->cbObject->Text(), "обл. Западная\\р-н. Озёрный");
}

TEST_F(EditingTest, ClosingTheLevelDictionaryRefreshesTheLevelsAndTheDeepestLevel) {
    EXPECT_EQ(FForm->MaxLevel(), 4);
    long long abbrev = 0;
    FDriver.Then([this, &abbrev](QDialog& dialog) {
        // What a user adds in the dictionary: a fifth level.
        abbrev = FDb.AddAbbrev("кв", "квартал");
        FDb.AddType(5, abbrev);
        FDb.Raw().Commit();
        dialog.reject();
    });
    FForm->aLevel->trigger();
    EXPECT_EQ(FDriver.Runs().size(), 1u);
    EXPECT_EQ(FForm->MaxLevel(), 5);
    EXPECT_TRUE(FForm->Tree()->Levels().LevelHasAbbrev(5, abbrev));
}

// A user whose application language is 10 reads places as short name, blank, name.
TEST(LanguageSeparatorTest, Language10SeparatesWithABlank) {
    TestDatabase db;
    db.AddSample();
    db.SetUserLanguage(10);
    MessageBoxRecorder boxes;
    auto* form = TComBaseForm::Create<TfMain>(nullptr, &db.Session(), QString("QXVBASE"));
    form->show();
    EXPECT_EQ(form->AbbrevSeparator(), " ");
    EXPECT_EQ(form->Tree()->Root()->ChildNode(0)->Caption(), "обл. Северная");
    TComBaseForm::Free(form);
}

// A server that fails in the middle of a user's gesture: the user is told once, and
// the window goes on working (the process would end if the failure left the handler).
TEST_F(EditingTest, AServerFailureInAnyLoadingPathIsToldAndTheWindowKeepsWorking) {
    const long long west = FDb.AddLocation(-1, FSample.tObl, "Западная");
    FDb.AddLocation(west, FSample.tR, "Лесной");
    FDb.Raw().Commit();
    QTreeWidget* tree = FForm->tvObjects;
    auto click = [](QWidget* widget, QPoint at) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    };
    const struct {
        const char* Gesture;
        std::function<void()> Before, Act;
    } paths[] = {
        {"selecting a place with the mouse", nullptr,
         [&] { click(tree->viewport(), tree->visualItemRect(Node(west)).center()); }},
        {"opening a place by its expand button", nullptr,
         [&] {
             const QRect row = tree->visualItemRect(Node(west));
             click(tree->viewport(),
                   QPoint(row.left() - tree->indentation() / 2, row.center().y()));
         }},
        {"going up",
         [&] {
             Select({FSample.north, FSample.lakeside});
         },
         [&] { click(FForm->btnUp, FForm->btnUp->rect().center()); }},
        {"refreshing", nullptr,
         [&] { click(FForm->btnRefreshNode, FForm->btnRefreshNode->rect().center()); }},
        {"picking in the address popup",
         [&] { FForm->cbObject->findChild<QToolButton*>("DropButton")->click(); },
         [&] {
             QTreeWidget* popup = FForm->tvCombo;
             click(popup->viewport(),
                   popup->visualItemRect(popup->topLevelItem(0)->child(0)).center());
         }},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.Gesture);
        Select({-1});
        tree->collapseAll();  // a refresh keeps what is open: nothing is, from the top
        FForm->aRefreshNode->trigger();
        if (path.Before) path.Before();
        FBoxes.Clear();
        FDb.Counting().FailNthRequest(1, 3113, "lost");
        path.Act();
        FDb.Counting().ClearFailures();
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_TRUE(FBoxes.Last().Text.contains("lost")) << FBoxes.Last().Text.toStdString();
        // Still working: a refresh brings the directory back and a place opens.
        click(FForm->btnRefreshNode, FForm->btnRefreshNode->rect().center());
        ASSERT_EQ(FForm->Tree()->Root()->childCount(), 3);
        click(tree->viewport(), tree->visualItemRect(Node(west)).center());
        EXPECT_EQ(FForm->Tree()->Selected(), Node(west));
        EXPECT_TRUE(Node(west)->ChildrenLoaded);
        EXPECT_EQ(FBoxes.Count(), 1u);
    }
}

// Opening the window with the server failing at any one of its first requests: one message,
// and a root that a refresh fills once the server answers again.
TEST(LocationWindowLoadTest, AFailureWhileOpeningIsToldOnceAndLeavesARootToRefresh) {
    TestDatabase db;
    db.AddSample();
    MessageBoxRecorder boxes;
    for (int nth = 1; nth <= 6; ++nth) {
        SCOPED_TRACE(nth);
        boxes.Clear();
        auto* form = TComBaseForm::Create<TfMain>(nullptr, &db.Session(), QString("QXVBASE"));
        const int before = db.Counting().FailuresThrown();
        db.Counting().FailNthRequest(nth);
        form->show();
        db.Counting().ClearFailures();
        ASSERT_EQ(db.Counting().FailuresThrown() - before, 1) << "the opening makes that request";
        EXPECT_EQ(boxes.Count(), 1u);
        ASSERT_NE(form->Tree()->Root(), nullptr);
        form->aRefreshNode->trigger();
        EXPECT_EQ(form->Tree()->Root()->childCount(), 2);
        TComBaseForm::Free(form);
    }
}

}  // namespace
