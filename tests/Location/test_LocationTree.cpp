#include "Location/LocationTree.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

#include "ComUnits/uImageList.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/DataMod.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Bitmap16.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestDatabase.h"

namespace {

const QString GetLocation = "QXVERPLOCAT.GET_T#LOCATION";

TOraStoredProc* MakeProc(QWidget* form, const char* name, const QString& routine) {
    auto* proc = new TOraStoredProc(form);
    proc->setObjectName(name);
    proc->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.") + routine);
    return proc;
}

// The tree as the location window holds it: a tree control and the four reading calls,
// bound to a test database like a form's components.
class LocationTreeTest : public ::testing::Test {
protected:
    LocationTreeTest() {
        FTreeView = new QTreeWidget(&FForm);
        TLocationTree::TCalls calls;
        calls.ObjectsTree = MakeProc(&FForm, "ospObjectsTree", "GET_T#LOCATION");
        calls.AbbrevImages = MakeProc(&FForm, "ospAbbrevImages", "GET_T#LOCATABBREV");
        calls.Levels = MakeProc(&FForm, "ospLevels", "GET_T#LOCATTYPE");
        calls.PlaceParents = MakeProc(&FForm, "ospPlaceParents", "GET_LOCATION_PARENTS");
        fSetSession(&FForm, &FDb.Session());
        fSetShema(&FForm, FDb.Schema());
        FDM = new TDM(&FForm);
        FTree = new TLocationTree(FTreeView, FDM, calls, &FForm);
    }

    int Fetches() { return FDb.Counting().CallCount(GetLocation); }
    void Open() {
        FTree->LoadAbbrevImages();
        FTree->LoadLevels();
        FTree->BuildRoot();
    }
    TObjectNode* Child(TObjectNode* node, const QString& name) {
        for (int i = 0; i < node->childCount(); ++i)
            if (node->ChildNode(i)->Caption().endsWith(name)) return node->ChildNode(i);
        ADD_FAILURE() << "no child " << name.toStdString();
        return nullptr;
    }

    TestDatabase FDb;
    QWidget FForm;
    QTreeWidget* FTreeView;
    TDM* FDM;
    TLocationTree* FTree;
};

TEST_F(LocationTreeTest, AnEmptyDirectoryShowsARootWithoutAnExpandButton) {
    Open();
    TObjectNode* root = FTree->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->ID, -1);
    EXPECT_EQ(root->Caption(), "Местоположение");
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_TRUE(root->ChildrenLoaded);
    EXPECT_EQ(FTree->Selected(), root);
    EXPECT_EQ(Fetches(), 1);
}

TEST_F(LocationTreeTest, ChildrenAreFetchedOnceAndLeavesNever) {
    const auto s = FDb.AddSample();
    Open();
    EXPECT_EQ(Fetches(), 1);
    TObjectNode* north = Child(FTree->Root(), "Северная");
    TObjectNode* south = Child(FTree->Root(), "Южная");
    ASSERT_TRUE(north && south);
    EXPECT_EQ(north->ID, s.north);
    EXPECT_EQ(north->Level, 1);
    EXPECT_EQ(north->AbbrevID, s.aObl);
    EXPECT_FALSE(north->ChildrenLoaded);
    ASSERT_EQ(north->childCount(), 1);  // the placeholder
    EXPECT_TRUE(north->ChildNode(0)->IsPlaceholder());

    south->setExpanded(true);  // a leaf: nothing to fetch
    EXPECT_TRUE(south->ChildrenLoaded);
    EXPECT_EQ(Fetches(), 1);

    FTreeView->setCurrentItem(north);  // selecting fetches even while collapsed
    EXPECT_EQ(Fetches(), 2);
    EXPECT_FALSE(north->isExpanded());
    north->setExpanded(true);
    north->setExpanded(false);
    north->setExpanded(true);
    EXPECT_EQ(Fetches(), 2);
    EXPECT_EQ(north->childCount(), 1);
    EXPECT_EQ(north->ChildNode(0)->ID, s.lakeside);
}

// A place without an abbreviation shows its name alone.
TEST(LocationTreeCaption, APlaceWithoutAbbreviationShowsItsNameAlone) {
    EXPECT_EQ(TLocationTree::Caption("", ". ", "Безымянный"), "Безымянный");
    EXPECT_EQ(TLocationTree::Caption("с.", ". ", "Ивановка"), "с. Ивановка");
}

TEST_F(LocationTreeTest, AbbreviationPicturesMapToImages) {
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.setPixel(0, 15, qRgb(255, 0, 255));  // the transparent colour
    const long long withPicture = FDb.AddAbbrev("a", "with", Bitmap16::ToBmp(red));
    const long long without = FDb.AddAbbrev("b", "without");
    const long long broken = FDb.AddAbbrev("c", "broken", QByteArray("BM not a bitmap"));
    const int designed = FDM->ImageList()->Count();
    FTree->LoadAbbrevImages();

    EXPECT_EQ(FTree->AbbrevImage(without), 0);
    EXPECT_EQ(FTree->AbbrevImage(withPicture), designed);
    EXPECT_EQ(FDM->ImageList()->Image(designed).pixel(5, 5), QColor(Qt::red).rgb());
    EXPECT_EQ(qAlpha(FDM->ImageList()->Image(designed).pixel(0, 15)), 0);
    // An unreadable picture gets a copy of the default picture in a slot of its own.
    EXPECT_EQ(FTree->AbbrevImage(broken), designed + 1);
    EXPECT_EQ(FDM->ImageList()->Image(designed + 1), FDM->ImageList()->Image(0));
    EXPECT_EQ(FTree->AbbrevImage(9999), 0);
}

// A server restarted under the window fails the fetch of an opening (ORA-03135): one box,
// and the node keeps its expand button, so that opening it again asks again.
TEST_F(LocationTreeTest, AFailedFetchLeavesTheNodeExpandableAndTheNextOpeningAsksAgain) {
    MessageBoxRecorder boxes;
    FDb.AddSample();
    Open();
    TObjectNode* north = Child(FTree->Root(), QStringLiteral("Северная"));
    FDb.Counting().FailRoutine(QStringLiteral("GET_T#LOCATION"), OraCode::ConnectionLost,
                               QStringLiteral("the server was restarted"));
    FTreeView->setFocus();
    QTest::keyClick(FTreeView, Qt::Key_Down);  // from the root to its first place
    ASSERT_EQ(FTreeView->currentItem(), north);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(boxes.Last().Text.contains("ORA-03135")) << boxes.Last().Text.toStdString();
    EXPECT_FALSE(north->ChildrenLoaded);
    EXPECT_EQ(north->childCount(), 1) << "the expand button stays";

    FDb.Counting().ClearFailures();
    QTest::keyClick(FTreeView, Qt::Key_Right);
    EXPECT_TRUE(north->isExpanded());
    EXPECT_TRUE(north->ChildrenLoaded);
    EXPECT_TRUE(Child(north, QStringLiteral("Озёрный")));
    EXPECT_EQ(boxes.Count(), 1u);
}

// A wide node: 25 children under "Южная" in a scrambled order, loaded in the background from 10
// children on, 7 a turn of the event loop.
class WideNodeTest : public LocationTreeTest {
protected:
    WideNodeTest() {
        FSample = FDb.AddSample();
        for (int i = 0; i < 25; ++i)
            FDb.AddLocation(FSample.south, FSample.tR,
                            QStringLiteral("Место %1").arg((i * 7) % 25));
        FTree->SetBackgroundLoad(10, 7);
        FForm.resize(300, 400);
        FTreeView->resize(300, 400);
        FForm.show();
        Open();
        FSouth = Child(FTree->Root(), "Южная");
    }
    // Selects the wide node the way a user does: a click on its row.
    void ClickSouth() {
        QTest::mouseClick(FTreeView->viewport(), Qt::LeftButton, {},
                          FTreeView->visualItemRect(FSouth).center());
    }
    // Lets the event loop run until no load is left (within 10 s); the child counts seen
    // between its turns.
    std::vector<int> RunLoads() {
        std::vector<int> seen;
        QElapsedTimer clock;
        clock.start();
        while (FTree->IsLoading(FSouth) && clock.elapsed() < 10000) {
            QCoreApplication::processEvents();
            if (FTree->IsLoading(FSouth) && FSouth->childCount() > 1)
                seen.push_back(FSouth->childCount());
            else
                QThread::msleep(1);  // the rows are still on their way
        }
        return seen;
    }
    QStringList Captions() {
        QStringList captions;
        for (int i = 0; i < FSouth->childCount(); ++i) captions << FSouth->ChildNode(i)->Caption();
        return captions;
    }
    bool EveryChildOnce() {
        QSet<int> ids;
        for (int i = 0; i < FSouth->childCount(); ++i) ids.insert(FSouth->ChildNode(i)->ID);
        return ids.size() == 25 && FSouth->childCount() == 25;
    }

    MessageBoxRecorder FBoxes;
    TestDatabase::TSample FSample;
    TObjectNode* FSouth = nullptr;
};

TEST_F(WideNodeTest, OpensAtOnceAndFillsInChunksInTheAlphabetsOrder) {
    const int before = Fetches();
    ClickSouth();
    EXPECT_EQ(FTree->Selected(), FSouth);
    EXPECT_TRUE(FTree->IsLoading(FSouth));
    EXPECT_EQ(FSouth->childCount(), 1);  // the placeholder, until the rows come
    EXPECT_EQ(FTreeView->viewport()->cursor().shape(), Qt::BusyCursor);

    const std::vector<int> seen = RunLoads();
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.back(), 25);  // shown in parts, a turn at a time
    EXPECT_TRUE(FSouth->ChildrenLoaded);
    EXPECT_TRUE(EveryChildOnce());
    EXPECT_EQ(Fetches(), before + 1);
    EXPECT_EQ(FTreeView->viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(FBoxes.Count(), 0u);

    const QStringList inParts = Captions();
    FTree->LoadChildren(FSouth, true);  // in one go
    EXPECT_EQ(Captions(), inParts);
}

// What the user or the window may do while the children are still coming; the tree stays whole.
TEST_F(WideNodeTest, WhatHappensMeanwhileLeavesTheTreeWhole) {
    struct TCase {
        const char* Name;
        std::function<void()> Meanwhile;
        int Children;  // the wide node's children afterwards; -1: the node is gone
    };
    const std::vector<TCase> cases = {
        {"an edit finishes the load first", [this] { FTree->FinishLoads(); }, 25},
        {"a refresh of the node starts again", [this] { FTree->LoadChildren(FSouth, true); }, 25},
        {"a refresh of the root takes the node away",
         [this] { FTree->LoadChildren(FTree->Root(), true); }, -1},
        {"the window closes", [this] { FTree->StopLoads(); }, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FTree->LoadChildren(FTree->Root(), true);
        FSouth = Child(FTree->Root(), "Южная");
        ASSERT_NE(FSouth, nullptr);
        ClickSouth();
        QCoreApplication::processEvents();  // the first rows may or may not be in
        c.Meanwhile();
        if (c.Children < 0) {
            EXPECT_FALSE(FTree->IsLoading(FSouth));
            FSouth = Child(FTree->Root(), "Южная");
            ASSERT_NE(FSouth, nullptr);
            EXPECT_FALSE(FSouth->ChildrenLoaded);
            continue;
        }
        RunLoads();
        EXPECT_FALSE(FTree->IsLoading(FSouth));
        if (c.Children == 25) {
            EXPECT_TRUE(FSouth->ChildrenLoaded);
            EXPECT_TRUE(EveryChildOnce());
        } else {
            EXPECT_LE(FSouth->childCount(), 25);
        }
    }
    EXPECT_EQ(FBoxes.Count(), 0u);
}

TEST_F(WideNodeTest, AFailedFetchSaysSoAndOpeningAgainTriesAgain) {
    // Armed before the opening: the fetch it starts asks the server from another thread.
    FDb.Counting().FailNthRequest(1);
    FSouth->setExpanded(true);
    ClickSouth();
    RunLoads();
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_TRUE(FBoxes.Last().Text.contains("ORA-03113")) << FBoxes.Last().Text.toStdString();
    EXPECT_FALSE(FSouth->ChildrenLoaded);
    EXPECT_FALSE(FSouth->isExpanded());

    FSouth->setExpanded(true);
    RunLoads();
    EXPECT_TRUE(EveryChildOnce());
    EXPECT_EQ(FBoxes.Count(), 1u);
}

}  // namespace
