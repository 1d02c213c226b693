// The user's own places in the location window: the star in the tree's context menu, the short
// list beside the picker's tree, the question about a namesake, and the merge.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "Location/AddEditPlace.h"
#include "Location/ServiceTable.h"
#include "Location/UserPlaces.h"
#include "LocationWindowFixture.h"

namespace {

class PlacesTest : public LocationWindowTest {
protected:
    void Select(long long id) {
        FForm->Tree()->ExpandToLocation(int(id));
        ASSERT_EQ(FForm->GetSelectedID(), id);
    }
    // The tree's context menu opened over the selected place, and `action` clicked in it.
    void ClickInContextMenu(QAction* action) {
        RightClick(*FForm, FForm->tvObjects->currentItem());
        ASSERT_TRUE(FForm->pmTree->isVisible());
        QTest::mouseClick(FForm->pmTree, Qt::LeftButton, {},
                          FForm->pmTree->actionGeometry(action).center());
    }
    QString UserPlaces() {
        const TRowSet rows = FDb.Rows("QXVERPLOCAT", "GET_USER_PLACES", {});
        QStringList out;
        for (size_t i = 0; i < rows.Rows.size(); ++i)
            out << TestDatabase::Cell(rows, i, "NAME").toString() +
                       (TestDatabase::Cell(rows, i, "STARRED").toInt() ? "*" : "");
        return out.join(u',');
    }
};

// The star in the tree's menu toggles; the picker lists the starred places and the last
// chosen beside its tree; a click opens the tree there, Enter returns the place, and the
// choice heads the list the next time.
TEST_F(PlacesTest, TheStarTogglesAndThePickersListOpensReturnsAndRemembersAPlace) {
    for (const long long place : {FSample.harbour, FSample.harbour, FSample.south}) {
        Select(place);
        const bool starred = FForm->aStar->isChecked();
        ClickInContextMenu(FForm->aStar);
        EXPECT_NE(FForm->aStar->isChecked(), starred);
    }
    EXPECT_EQ(UserPlaces(), "Южная*");
    FDb.Call("QXVERPLOCAT", "SAVE_CHOSEN_PLACE", {{"PID", FSample.birch}});
    QStringList listed;
    FDriver.Then([&](QDialog& dialog) {
        auto& picker = static_cast<TfMain&>(dialog);
        TUserPlacesList& list = *picker.lbUserPlaces;
        ASSERT_TRUE(list.isVisible());
        for (int i = 0; i < list.count(); ++i) listed << list.item(i)->text();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(1)).center());
        EXPECT_EQ(picker.GetSelectedID(), FSample.birch);
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Up);
        QTest::keyClick(&list, Qt::Key_Return);
    });
    int id = -1;
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(listed, QStringList({"★ обл. Южная", "с. Берёзовка"}));
    EXPECT_EQ(id, FSample.south);
    EXPECT_EQ(UserPlaces(), "Южная*,Берёзовка") << "a starred place is listed once";
}

// Adding, renaming or moving a place where one of the same name stands asks first; "no" leaves
// the directory as it was.
TEST_F(PlacesTest, ANamesakeIsAskedAboutOnAddRenameAndMove) {
    FDb.AddLocation(FSample.south, FSample.tR, "ОЗЕРНЫЙ");
    FDb.Raw().Commit();
    FForm->aRefreshNode->trigger();
    const struct {
        long long Selected;
        QAction* Act;  // none: the selected place is dropped on the second region
        int Answer;
        const char* Asked;  // the namesake and its path
        const char* Typed;  // in the dialog
    } cases[] = {
        {FSample.lakeside, FForm->aObjectAdd, IDNO,
         "Берёзовка\" здесь уже есть: обл. Северная\\р-н. Озёрный\\с. Берёзовка", "  БЕРЕЗОВКА "},
        {FSample.harbour, FForm->aObjectEdit, IDYES,
         "Берёзовка\" здесь уже есть: обл. Северная\\р-н. Озёрный\\с. Берёзовка", "берёзовка"},
        {FSample.lakeside, nullptr, IDYES, "ОЗЕРНЫЙ\" здесь уже есть: обл. Южная\\р-н. ОЗЕРНЫЙ",
         ""},
    };
    for (const auto& c : cases) {
        FBoxes.Clear();
        FBoxes.Answer(c.Answer);
        Select(c.Selected);
        FDriver.Then([&](QDialog& dialog) {
            auto& place = static_cast<TfAddEditPlace&>(dialog);
            place.edtName->clear();
            Type(place.edtName, c.Typed);
            place.aOK->trigger();
        });
        if (c.Act)
            c.Act->trigger();
        else
            FForm->DropOn(FForm->Tree()->Root()->ChildNode(1));
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_EQ(FBoxes.Last().Text, QStringLiteral("Местоположение с именем \"%1. Добавить "
                                                     "всё равно?")
                                          .arg(c.Asked));
    }
    EXPECT_EQ(InDb(FSample.harbour, "NAME"), "берёзовка");
    EXPECT_EQ(InDb(FSample.lakeside, "ID_PARENT").toLongLong(), FSample.south);
    EXPECT_EQ(
        FDb.Rows("QXVERPLOCAT", "GET_T#LOCATION", {{"PID", -1}, {"PID_PARENT", FSample.lakeside}})
            .Rows.size(),
        2u)
        << "the refused add added nothing";
}

// A merge picks the survivor with the picker; the merged place's children move to it and its
// old id opens the survivor, in the tree and in the picker.
TEST_F(PlacesTest, AMergeMovesThePlaceIntoTheChosenOneAndItsIdOpensTheSurvivor) {
    const long long twin = FDb.AddLocation(FSample.lakeside, FSample.tG3, "гавань");
    FDb.AddLocation(twin, FSample.tS4, "Причал");
    FDb.Raw().Commit();
    FForm->aRefreshNode->trigger();
    Select(twin);
    FDriver.Then([&](QDialog& dialog) {
        static_cast<TfMain&>(dialog).Tree()->ExpandToLocation(int(FSample.harbour));
        QTest::mouseClick(static_cast<TfMain&>(dialog).btnSelect, Qt::LeftButton);
    });
    ClickInContextMenu(FForm->aMerge);
    EXPECT_EQ(FBoxes.Count(), 1u) << "the question alone";
    EXPECT_EQ(FForm->GetSelectedID(), FSample.harbour);
    EXPECT_EQ(FForm->Tree()->Selected()->childCount(), 1);

    FDriver.Then([](QDialog& dialog) {
        QTest::mouseClick(static_cast<TfMain&>(dialog).btnSelect, Qt::LeftButton);
    });
    int id = int(twin);
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(id, FSample.harbour) << "the picker opened at the old id";
}

}  // namespace
