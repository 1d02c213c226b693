#include "Location/Main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include "Location/FrameObjectInfo.h"
#include "Location/LocationTree.h"
#include "Location/PopupEdit.h"
#include "Location/ServiceTable.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Ini/HostFolder.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace {

// The picker as another program opens it, driven through the modal driver.
class PickerTest : public ::testing::Test {
protected:
    void SetUp() override { FSample = FDb.AddSample(); }

    // Runs the picker from `start`; `act` sees the shown window before it closes.
    bool Pick(int& id, const std::function<void(TfMain&)>& act) {
        FDriver.Then([act](QDialog& dialog) { act(static_cast<TfMain&>(dialog)); });
        return ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id);
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

TEST_F(PickerTest, OpensExpandedAtAStartThreeLevelsDeepAndReturnsThePlaceAbove) {
    int id = int(FSample.birch);
    bool ancestorsExpanded = false;
    QString path;
    const bool chosen = Pick(id, [&](TfMain& form) {
        EXPECT_TRUE(form.SelectMode());
        EXPECT_TRUE(form.btnSelect->isVisible());
        EXPECT_TRUE(form.cxButton1->isVisible());
        EXPECT_FALSE(form.BitBtn1->isVisible());
        // The picker offers editing with every right granted; level 3 + 1 <= the deepest, 4.
        EXPECT_TRUE(form.aObjectAdd->isEnabled() && form.aObjectEdit->isEnabled() &&
                    form.aObjectDelete->isEnabled());
        TObjectNode* node = form.Tree()->Selected();
        ancestorsExpanded = node && node->ParentNode()->isExpanded() &&
                            node->ParentNode()->ParentNode()->isExpanded();
        path = form.cbObject->Text();
        form.aUp->trigger();  // the choice: the district above
        form.btnSelect->click();
    });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(id, FSample.lakeside);
    EXPECT_TRUE(ancestorsExpanded);
    EXPECT_EQ(path, "обл. Северная\\р-н. Озёрный\\с. Берёзовка");
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// Choosing and the close box run one closing path: its commit runs, and a refused commit is an
// error box that leaves the picker open with its tree until the user tries again.
TEST_F(PickerTest, ChoosingOrClosingCommitsAndARefusedCommitKeepsThePickerOpen) {
    const std::function<void(TfMain&)> choose = [](TfMain& form) { form.btnSelect->click(); };
    const std::function<void(TfMain&)> closeBox = [](TfMain& form) { form.close(); };
    for (const auto& [how, expected] : {std::pair{choose, true}, std::pair{closeBox, false}}) {
        int id = int(FSample.birch);
        FBoxes.Clear();
        FDb.Counting().FailRoutine("COMMIT", 3113, "lost");
        bool openAfterFailure = false;
        int nodesAfterFailure = 0;
        const bool chosen = Pick(id, [&](TfMain& form) {
            how(form);
            openAfterFailure = form.isVisible() && !form.Closed();
            nodesAfterFailure = form.Tree()->Root()->childCount();
            FDb.Counting().ClearFailures();
            how(form);
        });
        EXPECT_EQ(chosen, expected);
        EXPECT_EQ(id, FSample.birch);
        EXPECT_TRUE(openAfterFailure);
        EXPECT_EQ(nodesAfterFailure, 2) << "the tree keeps its data";
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_EQ(FBoxes.Last().Flags, MessageBoxes::KindFlags(TMessageKind::Error));
        EXPECT_TRUE(FBoxes.Last().Text.contains("ORA-03113: lost"))
            << FBoxes.Last().Text.toStdString();
    }
}

// Cancel leaves the identifier; an unknown start opens at the root, where choosing (bound to
// the handler whatever the action says) answers -1.
TEST_F(PickerTest, CancelLeavesTheIdentifierAndTheRootAnswersMinusOne) {
    using TAct = std::function<void(TfMain&)>;
    const TAct cancel = [](TfMain& form) { form.cxButton1->click(); };
    const TAct select = [](TfMain& form) {
        EXPECT_FALSE(form.aSelect->isEnabled());
        EXPECT_TRUE(form.Tree()->Root()->isExpanded());
        form.btnSelect->click();
    };
    const struct {
        int Start;
        TAct Act;
        bool Chosen;
        int Id;
    } cases[] = {
        {int(FSample.north), cancel, false, int(FSample.north)},
        {987654, select, true, -1},
        {0, select, true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Start);
        int id = c.Start;
        int depth = -1;
        EXPECT_EQ(Pick(id,
                       [&](TfMain& form) {
                           depth = form.Tree()->Selected()->Depth();
                           c.Act(form);
                       }),
                  c.Chosen);
        EXPECT_EQ(id, c.Id);
        EXPECT_EQ(depth, c.Chosen ? 0 : 1);
    }
}

TEST_F(PickerTest, ThePopupCopiesOnlyFetchedNodesAndPicksInTheTree) {
    int id = int(FSample.lakeside);
    Pick(id, [this](TfMain& form) {
        form.InitAddressPopup();
        QTreeWidget* popup = form.tvCombo;
        ASSERT_EQ(popup->topLevelItemCount(), 1);
        QTreeWidgetItem* root = popup->topLevelItem(0);
        ASSERT_EQ(root->childCount(), 2);  // Северная, Южная
        QTreeWidgetItem* north = root->child(0);
        ASSERT_EQ(north->childCount(), 1);  // Озёрный, fetched
        QTreeWidgetItem* lakeside = north->child(0);
        EXPECT_EQ(popup->currentItem(), lakeside);
        EXPECT_EQ(root->child(1)->childCount(), 0);  // Южная: a leaf
        EXPECT_EQ(lakeside->childCount(), 2);        // selected: its children fetched

        popup->setCurrentItem(root->child(1));  // picking in the popup selects in the tree
        EXPECT_EQ(form.GetSelectedID(), FSample.south);
        EXPECT_EQ(form.cbObject->Text(), "обл. Южная");

        // A copy to pick from, not to open: beside no row is there an expand button.
        form.cbObject->findChild<QToolButton*>("DropButton")->click();
        const QImage shot = popup->viewport()->grab().toImage();
        for (QTreeWidgetItemIterator it(popup); *it; ++it) {
            const QRect row = popup->visualItemRect(*it);
            if (row.isEmpty() || *it == popup->currentItem()) continue;
            QSet<QRgb> colours;
            for (int y = row.top(); y <= row.bottom(); ++y)
                for (int x = 0; x < row.left(); ++x) colours.insert(shot.pixel(x, y));
            EXPECT_LE(colours.size(), 1) << (*it)->text(0).toStdString();
        }
        form.cbObject->CloseUp();
        form.cxButton1->click();
    });
}

// Both Enter keys close the popup on the chosen place; Escape closes the open popup only,
// then the window.
TEST_F(PickerTest, EnterAndEscapeCloseThePopupThenEscapeTheWindow) {
    int id = int(FSample.lakeside);
    Pick(id, [this](TfMain& form) {
        const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
            {Qt::Key_Return, Qt::NoModifier},
            {Qt::Key_Enter, Qt::KeypadModifier},
            {Qt::Key_Escape, Qt::NoModifier}};
        for (const auto& [key, modifiers] : keys) {
            SCOPED_TRACE(key);
            form.cbObject->DropDown();
            ASSERT_TRUE(form.cbObject->DroppedDown());
            QTest::keyClick(form.tvCombo, key, modifiers);
            EXPECT_FALSE(form.cbObject->DroppedDown());
            EXPECT_EQ(form.GetSelectedID(), FSample.lakeside);
            EXPECT_TRUE(form.isVisible());
        }
        QTest::keyClick(form.tvObjects, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
    });
}

bool AnyLocationWindowLeft() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfMain*>(w)) return true;
    return false;
}

// A picker that cannot load is not left half-built over its caller: the caller gets
// the failure, with no message of the picker's own, and the picker is gone.
TEST_F(PickerTest, AFailedLoadReachesTheCallerAndFreesThePicker) {
    for (const char* routine : {"GET_T#LOCATABBREV", "GET_T#LOCATION", "GET_LOCATION_PARENTS"}) {
        SCOPED_TRACE(routine);
        FDb.Counting().FailRoutine(QString::fromLatin1(routine), 3113, "lost");
        int id = int(FSample.birch);
        EXPECT_THROW(Pick(id, [](TfMain&) {}), EOraError);
        FDb.Counting().ClearFailures();
        EXPECT_EQ(id, FSample.birch);
        EXPECT_EQ(FBoxes.Count(), 0u);
        EXPECT_FALSE(AnyLocationWindowLeft());
    }
}

// The same through a real modal loop: the picker closes itself rather than waiting.
TEST(PickerModalLoopTest, AFailedLoadEndsTheModalLoopByItself) {
    TestDatabase db;
    const auto sample = db.AddSample();
    MessageBoxRecorder boxes;
    db.Counting().FailRoutine("GET_LOCATION_PARENTS");
    bool hung = false;
    QTimer rescue;
    QObject::connect(&rescue, &QTimer::timeout, [&hung] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TfMain*>(w); form && form->isVisible()) {
                hung = true;
                form->reject();
            }
    });
    rescue.start(3000);
    int id = int(sample.birch);
    EXPECT_THROW(ServiceTable::GetLocation(&db.Session(), "QXVBASE", &id), EOraError);
    EXPECT_FALSE(hung);
}

// Location windows in a workspace, as the console holds them; settings in a folder of
// their own.
class WorkspaceTest : public ::testing::Test {
protected:
    WorkspaceTest() {
        FSample = FDb.AddSample();
        SetHostExecutableFolder(FHost.Path());
        FArea.resize(1000, 700);
        FArea.show();
    }
    ~WorkspaceTest() override {
        for (QMdiSubWindow* window : FArea.subWindowList()) {
            TComBaseForm::Free(static_cast<TComBaseForm*>(window->widget()));
            delete window;
        }
        SetHostExecutableFolder(QString());
    }
    TfMain& Open() {
        auto* form = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), FDb.Schema());
        auto* window = new QMdiSubWindow;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setWidget(form);
        FArea.addSubWindow(window);
        window->resize(700, 500);
        window->show();
        return *form;
    }
    static QMdiSubWindow& WindowOf(TfMain& form) {
        return *qobject_cast<QMdiSubWindow*>(form.parentWidget());
    }
    // The form reaches the window's bottom-right corner, inside its frame.
    static bool FillsItsWindow(TfMain& form) {
        const QMdiSubWindow& window = WindowOf(form);
        const QPoint corner = form.geometry().bottomRight();
        const QPoint inner = window.contentsRect().bottomRight();
        return (corner - inner).manhattanLength() <=
               2 * window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    }

    TempDir FHost;
    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    QMdiArea FArea;
};

TEST_F(WorkspaceTest, RestoreAndMaximiseKeepTheWindowWholeAndOnlyItsPlacementIsSaved) {
    TfMain& form = Open();
    QMdiSubWindow& window = WindowOf(form);
    const QRect placed = window.geometry();
    const auto settle = [](const std::function<void()>& change) {
        change();
        QApplication::processEvents();
    };
    settle([&] { window.showMinimized(); });
    settle([&] { window.showNormal(); });
    EXPECT_EQ(window.geometry(), placed);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(FillsItsWindow(form));
    Snapshot(FArea, "location-window-restored");
    settle([&] { window.showMaximized(); });
    EXPECT_EQ(window.size(), FArea.viewport()->size());
    EXPECT_TRUE(FillsItsWindow(form));
    Snapshot(FArea, "location-window-maximised");
    settle([&] { window.showNormal(); });
    EXPECT_EQ(window.geometry(), placed);
    EXPECT_TRUE(FillsItsWindow(form));
    settle([&] { window.showMinimized(); });
    window.close();  // closed while an icon: its placement stays the last one it had

    TfMain& again = Open();
    EXPECT_EQ(WindowOf(again).size(), placed.size());
    EXPECT_TRUE(FillsItsWindow(again));
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// A saved placement that would not show the window whole gives the default one.
TEST_F(WorkspaceTest, APlacementOffTheWorkspaceOrTooSmallIsNotUsed) {
    const char* saved[] = {"FORMLEFT=0\nFORMTOP=-30\nFORMWIDTH=196\nFORMHEIGHT=24",
                           "FORMLEFT=900\nFORMTOP=600\nFORMWIDTH=700\nFORMHEIGHT=500"};
    for (const char* keys : saved) {
        SCOPED_TRACE(keys);
        QFile file(QDir(FHost.Path()).filePath("UserSaves.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[QXVBASE.TfMain]\n") + keys + "\n");
        file.close();
        TfMain& form = Open();
        EXPECT_EQ(WindowOf(form).size(), QSize(700, 500));
        EXPECT_NE(WindowOf(form).pos(), QPoint(900, 600));
    }
}

// An English user's texts stay English while a second window opens and closes and the
// first is minimised and restored; places read their English names where they have one, in
// the tree, the address line and its popup alike, and the other places keep their own.
TEST_F(WorkspaceTest, TheEnglishUsersTextsAndNamesOutliveASecondWindowAndARestore) {
    for (const auto& [place, name] : {std::pair{FSample.north, "EN\tNorthern"},
                                      std::pair{FSample.birch, "EN\tBirchwood\nRU\tБерёзка"}})
        ASSERT_EQ(FDb.Call("QXVERPLOCAT", "SET_T#LOCATION_NAMES", {{"PID", place}, {"PNAMES", name}}),
                  1);
    FDb.SetUserLanguage(9);
    TfMain& form = Open();
    WindowOf(Open()).close();
    for (const auto state :
         {Qt::WindowMinimized, Qt::WindowNoState, Qt::WindowMaximized, Qt::WindowNoState}) {
        WindowOf(form).setWindowState(state);
        QApplication::processEvents();
    }
    form.Tree()->ExpandToLocation(int(FSample.birch));
    EXPECT_EQ(form.cbObject->Text(), "обл. Northern\\р-н. Озёрный\\с. Birchwood");
    EXPECT_EQ(form.Tree()->Selected()->text(0), "с. Birchwood");
    form.InitAddressPopup();
    QString inPopup;
    for (QTreeWidgetItem* row = form.tvCombo->currentItem(); row; row = row->parent())
        inPopup.prepend(u'\\' + row->text(0));
    EXPECT_TRUE(inPopup.endsWith("\\обл. Northern\\р-н. Озёрный\\с. Birchwood"))
        << qPrintable(inPopup);
    QString searchTitle;
    FDriver.Then([&](QDialog& search) {
        searchTitle = search.windowTitle();
        Snapshot(search, "search-english-after-a-second-window");
        search.reject();
    });
    form.edSearch->setText(QStringLiteral("сев"));
    QTest::keyClick(form.edSearch, Qt::Key_Return);
    EXPECT_EQ(searchTitle, "Find a location");
    EXPECT_EQ(form.InfoFrame()->dxInspector->topLevelItem(0)->text(0), "All information");
}

}  // namespace
