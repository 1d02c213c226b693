#include "Location/FrameObjectInfo.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uComponentTree.h"
#include "Location/AddEditInfoType.h"
#include "Location/InfoPictures.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/ShellOpenRecorder.h"
#include "support/Snapshot.h"
#include "support/TestDatabase.h"
#include "support/TreeDrag.h"

namespace {

const QString Get = "QXVERPINFORM.GET_T#INFORMATION";
const QString Ins = "QXVERPINFORM.INS_T#INFORMATION";
const QString Upd = "QXVERPINFORM.UPD_T#INFORMATION";
const QString Del = "QXVERPINFORM.DEL_T#INFORMATION";

// A location window's right panel holding the frame, over a test database whose
// location "north" carries a few information items.
class ObjectInfoTest : public ::testing::Test {
protected:
    ObjectInfoTest() {
        FSample = FDb.AddSample();
        FObj = static_cast<int>(FSample.north);
        FHost.resize(500, 400);
        FFrame =
            TfrPelmBaseFrame::Create<TfrObjectInfo>(&FHost, &FHost, &FDb.Session(), FDb.Schema());
    }
    ~ObjectInfoTest() override {
        delete FFrame;
        DoneTranslation();
    }

    // As the location window sets the frame up.
    void Attach(int objId) {
        FFrame->FAutoLoad = true;
        FFrame->FAutoSave = true;
        FFrame->FObjType = 1;
        FFrame->SetObjID(objId);
    }
    int Item(long long parent, int kind, const QString& value, bool active = true,
             const QString& description = QString()) {
        return static_cast<int>(FDb.AddInfo(FObj, parent, kind, value, description, active));
    }
    // The rows under the root as "caption=value" lines, indented by depth.
    QStringList Shown() const {
        QStringList lines;
        Collect(FFrame->RootRow(), 0, lines);
        return lines;
    }
    static void Collect(const TInfoRow* row, int depth, QStringList& lines) {
        for (int i = 0; i < row->childCount(); ++i) {
            const TInfoRow* child = row->ChildRow(i);
            if (child->isHidden()) continue;
            lines << QString(depth * 2, QLatin1Char(' ')) + child->text(0) + "=" + child->text(1);
            Collect(child, depth + 1, lines);
        }
    }
    TInfoRow* Row(const QString& value) const { return Find(FFrame->RootRow(), value); }
    static TInfoRow* Find(TInfoRow* row, const QString& value) {
        for (int i = 0; i < row->childCount(); ++i) {
            if (row->ChildRow(i)->text(1) == value) return row->ChildRow(i);
            if (TInfoRow* found = Find(row->ChildRow(i), value)) return found;
        }
        return nullptr;
    }
    // What the server holds for the object under a parent (-1: top), as "value/active".
    QStringList Stored(long long parent = -1) {
        QStringList out;
        const TRowSet rows = FDb.Rows("QXVERPINFORM", "GET_T#INFORMATION",
                                      {{"POBJTYPE", 1},
                                       {"POBJID", FObj},
                                       {"PID_PARENT", parent < 1 ? QVariant() : QVariant(parent)}});
        for (size_t r = 0; r < rows.Rows.size(); ++r)
            out << TestDatabase::Cell(rows, r, "VALUE").toString() + "/" +
                       TestDatabase::Cell(rows, r, "ACTIVE").toString();
        return out;
    }
    // The next dialog run: type the fields and press OK.
    void Answer(const QString& value, const QString& description = QString(), bool active = true) {
        FDriver.Then([=](QDialog& dialog) {
            auto& form = static_cast<TfAddEditInfoType&>(dialog);
            form.edtInfo->setText(value);
            form.meDescription->setPlainText(description);
            form.cbxInfoActive->setChecked(active);
            form.btnOK->click();
        });
    }
    QAction* KindEntry(QMenu* menu, int kind) {
        for (QAction* a : menu->actions())
            if (TagOf(a) == kind) return a;
        ADD_FAILURE() << "no menu entry for kind " << kind;
        return nullptr;
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    int FObj = 0;
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    ShellOpenRecorder FShell;
    QWidget FHost;
    TfrObjectInfo* FFrame = nullptr;
};

// The frame starts with its root row alone; its shortcuts belong to it only while it is active.
TEST_F(ObjectInfoTest, StartsWithTheRootRowAndOwnsItsShortcutsWhileActive) {
    EXPECT_EQ(FFrame->dxInspector->topLevelItemCount(), 1);
    EXPECT_EQ(FFrame->RootRow()->text(0), "Вся информация");
    EXPECT_EQ(FFrame->RootRow()->childCount(), 0);
    const auto shortcuts = [&] {
        return FFrame->aEdit->shortcut().toString() + " " + FFrame->aDelete->shortcut().toString();
    };
    for (const bool active : {true, false, true}) {
        FFrame->SetFrameActive(active);
        EXPECT_EQ(shortcuts(), active ? "F4 F8" : " ");
    }
}

TEST_F(ObjectInfoTest, KindMenusListTheSevenKindsAlphabeticallyAndAddTheirKind) {
    // Russian rules: the Cyrillic alphabet first, then the Latin one.
    const QStringList expected = {
        "Контактное лицо", "Мобильный телефон", "Примечание", "Телефон", "Факс", "E-Mail", "WWW"};
    const QList<int> kinds = {4, 6, 5, 2, 7, 1, 3};
    QMenu* addMenu = FFrame->miAdd->menu();
    for (QMenu* menu : {FFrame->pmInfoKind, addMenu}) {
        QStringList names;
        QList<int> tags;
        for (QAction* a : menu->actions()) {
            names << a->text();
            tags << TagOf(a);
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        }
        EXPECT_EQ(names, expected);
        EXPECT_EQ(tags, kinds);
    }
    EXPECT_EQ(FFrame->btnInfoAdd->menu(), FFrame->pmInfoKind);
    Attach(FObj);
    Answer("+7 495 000-00-01");
    KindEntry(FFrame->pmInfoKind, 7)->trigger();
    Answer("Note text");
    KindEntry(addMenu, 5)->trigger();
    EXPECT_EQ(Shown(), QStringList({"Факс=+7 495 000-00-01", "  Примечание=Note text"}));
    EXPECT_EQ(Row("Note text")->Item().InfoType, 5);
}

TEST_F(ObjectInfoTest, ActiveOnlyHidesInactiveItemsWithTheirDescendants) {
    const int contact = Item(-1, 4, "Ivan Petrov");
    Item(contact, 2, "+7 111");
    const int note = Item(-1, 5, "old note", false, "no longer valid");
    Item(note, 1, "active@child.example");
    Item(-1, 3, "www.example.org");

    Attach(FObj);
    EXPECT_EQ(Shown(), QStringList({"Контактное лицо=Ivan Petrov", "  Телефон=+7 111",
                                    "WWW=www.example.org"}));
    EXPECT_TRUE(Row("+7 111")->parent()->isExpanded());

    // Unchecking reloads and shows them, the inactive one's caption in red.
    FFrame->aShowActiveOnly->trigger();
    EXPECT_FALSE(FFrame->aShowActiveOnly->isChecked());
    EXPECT_EQ(Shown(),
              QStringList({"Контактное лицо=Ivan Petrov", "  Телефон=+7 111", "Примечание=old note",
                           "  E-Mail=active@child.example", "WWW=www.example.org"}));
    EXPECT_EQ(Row("old note")->foreground(0).color(), QColor(255, 0, 0));
    EXPECT_NE(Row("Ivan Petrov")->foreground(0).color(), QColor(255, 0, 0));

    // The description memo follows the focus and is emptied by a refresh.
    FFrame->dxInspector->setCurrentItem(Row("old note"));
    EXPECT_EQ(FFrame->meDescription->toPlainText(), "no longer valid");
    FFrame->dxInspector->setCurrentItem(FFrame->RootRow());
    EXPECT_EQ(FFrame->meDescription->toPlainText(), "");
    FFrame->dxInspector->setCurrentItem(Row("old note"));
    FFrame->aRefresh->trigger();
    EXPECT_EQ(FFrame->meDescription->toPlainText(), "");
}

TEST_F(ObjectInfoTest, ObjectIdentifierReloadsOnlyWithAutoLoad) {
    Item(-1, 2, "+7 222");
    FDb.Counting().Reset();
    FFrame->SetObjID(FObj);
    EXPECT_EQ(FFrame->ObjID(), FObj);
    EXPECT_EQ(FDb.Counting().CallCount(Get), 0);
    EXPECT_TRUE(Shown().isEmpty());

    Attach(FObj);
    EXPECT_EQ(Shown(), QStringList({"Телефон=+7 222"}));
    // Another object: the old rows go.
    Attach(static_cast<int>(FSample.south));
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(ObjectInfoTest, AddedItemIsUpdatedNotInsertedAgain) {
    Attach(FObj);
    FDb.Counting().Reset();
    Answer("  info@example.org ", "office");
    FFrame->AddInfoOfKind(1);
    TInfoRow* row = Row("info@example.org");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(FDb.Counting().CallCount(Ins), 1);
    EXPECT_EQ(FFrame->dxInspector->currentItem(), row);
    EXPECT_EQ(FFrame->meDescription->toPlainText(), "office");

    // Edited at once: the dialog shows the item, the server gets an update.
    const int id = row->Item().ID;
    FDriver.Then([](QDialog& dialog) {
        auto& form = static_cast<TfAddEditInfoType&>(dialog);
        EXPECT_EQ(form.edtInfo->text(), "info@example.org");
        EXPECT_EQ(form.Description(), "office");
        EXPECT_TRUE(form.cbxInfoActive->isChecked());
        form.edtInfo->setText("sales@example.org");
        form.cbxInfoActive->setChecked(false);
        form.btnOK->click();
    });
    FFrame->UpdateActions();
    ASSERT_TRUE(FFrame->aEdit->isEnabled());
    FFrame->aEdit->trigger();
    EXPECT_EQ(FDb.Counting().CallCount(Ins), 1);
    EXPECT_EQ(FDb.Counting().CallCount(Upd), 1);
    EXPECT_EQ(row->Item().ID, id);
    EXPECT_EQ(row->text(1), "sales@example.org");
    EXPECT_EQ(row->foreground(0).color(), QColor(255, 0, 0));
    EXPECT_EQ(FDriver.Runs().back().Title, "Редактирование информации");
    EXPECT_EQ(Stored(), QStringList({"sales@example.org/0"}));

    // A child added under the focused item is stored under it; the item, inactive now,
    // stays in view under the filter until a refresh.
    Answer("+7 333");
    FFrame->AddInfoOfKind(2);
    EXPECT_EQ(Row("+7 333")->parent(), row);
    EXPECT_EQ(Stored(id), QStringList({"+7 333/1"}));
    FFrame->aRefresh->trigger();
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(ObjectInfoTest, NothingIsWrittenWithoutAnObjectOrOnCancel) {
    Attach(-1);
    FDb.Counting().Reset();
    Answer("view only");
    FFrame->AddInfoOfKind(5);
    ASSERT_NE(Row("view only"), nullptr);
    EXPECT_EQ(Row("view only")->Item().ID, -1);
    EXPECT_TRUE(Row("view only")->Item().Modified());
    EXPECT_EQ(FDb.Counting().CallCount(Ins), 0);

    // Cancelled and refused dialogs change nothing.
    FDriver.Then(
        [](QDialog& dialog) { static_cast<TfAddEditInfoType&>(dialog).btnCancel->click(); });
    FFrame->AddInfoOfKind(2);
    Answer("   ");
    FFrame->AddInfoOfKind(2);
    EXPECT_EQ(Shown(), QStringList({"Примечание=view only"}));
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "Не введены обязательные поля!");

    // Deleting it makes no server call either.
    FFrame->dxInspector->setCurrentItem(Row("view only"));
    FBoxes.Answer(IDYES);
    FFrame->DeleteFocused();
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(FDb.Counting().CallCount(Del), 0);
    EXPECT_EQ(FDb.Counting().CallCount(Upd), 0);
}

TEST_F(ObjectInfoTest, DeletingAnItemTakesItsChildrenFromView) {
    const int contact = Item(-1, 4, "Anna");
    Item(contact, 6, "+7 900");
    Item(contact, 1, "anna@example.org");
    Item(-1, 7, "+7 495 1");
    Attach(FObj);
    FDb.Counting().Reset();

    FFrame->dxInspector->setCurrentItem(Row("Anna"));
    // "No" keeps everything.
    FBoxes.Answer(IDNO);
    FFrame->aDelete->trigger();
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(QString("%1 | %2 | %3")
                  .arg(FBoxes.Last().Text, FBoxes.Last().Caption)
                  .arg(FBoxes.Last().Flags & (MbButtonsMask | MbIconMask)),
              QString("Удалить объект \"Контактное лицо Anna\"?\n"
                      "Вместе с ним будут удалены вложенные записи: 2. | Удаление информации | %1")
                  .arg(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Shown().size(), 4);

    FBoxes.Answer(IDYES);
    TInfoRow* anna = Row("Anna");
    FFrame->aDelete->trigger();
    EXPECT_EQ(Shown(), QStringList({"Факс=+7 495 1"}));
    EXPECT_TRUE(anna->isHidden());
    EXPECT_EQ(anna->childCount(), 0);
    EXPECT_EQ(FDb.Counting().CallCount(Del), 1);
    EXPECT_EQ(Stored(), QStringList({"+7 495 1/1"}));
    FFrame->UpdateActions();
    EXPECT_FALSE(FFrame->aDelete->isEnabled());
}

TEST_F(ObjectInfoTest, LinkRowsOpenThroughTheDesktop) {
    Item(-1, 1, "office@example.org");
    Item(-1, 3, "https://www.example.org");
    Item(-1, 2, "+7 1@2");
    Attach(FObj);
    FHost.show();
    auto click = [&](const QString& value) {
        TInfoRow* row = Row(value);
        ASSERT_NE(row, nullptr);
        FFrame->dxInspector->scrollToItem(row);
        const QRect rect = FFrame->dxInspector->visualItemRect(row);
        const int x = FFrame->dxInspector->header()->sectionPosition(1) + 5;
        QTest::mouseClick(FFrame->dxInspector->viewport(), Qt::LeftButton, {},
                          QPoint(x, rect.center().y()));
    };
    click("office@example.org");
    click("https://www.example.org");
    // A telephone is no link, even with "@" in it.
    click("+7 1@2");
    EXPECT_EQ(FShell.Targets(),
              QStringList({"mailto:office@example.org", "https://www.example.org"}));
}

// The rights and the focused row switch the actions: on the root row there is nothing to
// edit or delete, and a disabled action runs nothing.
TEST_F(ObjectInfoTest, RightsSwitchTheActions) {
    Item(-1, 2, "+7 444");
    Attach(FObj);
    const struct {
        bool Root, Add, Edit, Delete;
        const char* Enabled;  // btnInfoAdd miAdd aEdit miEdit aDelete
    } cases[] = {
        {true, true, true, true, "11000"},
        {false, true, true, true, "11111"},
        {false, false, false, true, "00001"},
        {false, true, true, false, "11110"},
    };
    for (const auto& c : cases) {
        FFrame->dxInspector->setCurrentItem(c.Root ? FFrame->RootRow() : Row("+7 444"));
        FFrame->FCanAdd = c.Add;
        FFrame->FCanEdit = c.Edit;
        FFrame->FCanDelete = c.Delete;
        FFrame->UpdateActions();
        QString enabled;
        for (QObject* o : std::initializer_list<QObject*>{
                 FFrame->btnInfoAdd, FFrame->miAdd, FFrame->aEdit, FFrame->miEdit, FFrame->aDelete})
            enabled += o->property("enabled").toBool() ? "1" : "0";
        EXPECT_EQ(enabled, c.Enabled);
    }
    FFrame->aDelete->trigger();
    EXPECT_EQ(FBoxes.Count(), 0u);
}

TEST_F(ObjectInfoTest, DragReparentsAndRefusesItsOwnSubtree) {
    const int contact = Item(-1, 4, "Boris");
    const int phone = Item(contact, 2, "+7 555");
    Item(phone, 5, "evenings only");
    Item(-1, 4, "Vera");
    Attach(FObj);
    FHost.show();
    TInfoRow* root = FFrame->RootRow();
    TInfoRow* boris = Row("Boris");
    TInfoRow* tel = Row("+7 555");
    TInfoRow* note = Row("evenings only");
    TInfoRow* vera = Row("Vera");

    // Each drag starts over the dragged row itself and is taken in there; the moves
    // decide. The root row cannot be dragged and nothing is accepted without the edit right.
    const struct {
        TInfoRow* Dragged;
        TInfoRow* Over;
        bool CanEdit;
        bool Accepted;
    } moves[] = {
        {boris, boris, true, false}, {boris, tel, true, false}, {boris, note, true, false},
        {tel, boris, true, false},   {root, vera, true, false}, {tel, vera, false, false},
        {tel, vera, true, true},     {tel, root, true, true},   {note, boris, true, true},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE((m.Dragged->text(1) + " over " + m.Over->text(1)).toStdString());
        FFrame->FCanEdit = m.CanEdit;
        TreeDrag drag = TreeDrag::Start(FFrame->dxInspector, m.Dragged);
        EXPECT_TRUE(drag.Enter());
        EXPECT_EQ(drag.Move(m.Over), m.Accepted);
        EXPECT_EQ(FFrame->dxInspector->showDropIndicator(), m.Accepted);
        drag.Leave();
    }
    FFrame->FCanEdit = true;

    // The telephone moves with its note to Vera, and the server follows.
    FDb.Counting().Reset();
    {
        TreeDrag drag = TreeDrag::Start(FFrame->dxInspector, tel);
        ASSERT_TRUE(drag.Enter());
        EXPECT_FALSE(drag.Move(boris));
        EXPECT_TRUE(drag.Move(vera));
        EXPECT_TRUE(drag.Drop(vera));
    }
    EXPECT_EQ(Shown(), QStringList({"Контактное лицо=Boris", "Контактное лицо=Vera",
                                    "  Телефон=+7 555", "    Примечание=evenings only"}));
    EXPECT_EQ(FDb.Counting().CallCount(Upd), 1);
    EXPECT_EQ(tel->Item().ID, phone);
    EXPECT_FALSE(tel->Item().Modified());
    EXPECT_EQ(Stored(vera->Item().ID), QStringList({"+7 555/1"}));
    EXPECT_TRUE(Stored(contact).isEmpty());

    // Onto the root row: a top-level item.
    {
        TreeDrag drag = TreeDrag::Start(FFrame->dxInspector, tel);
        ASSERT_TRUE(drag.Enter());
        EXPECT_TRUE(drag.Drop(root));
    }
    EXPECT_EQ(tel->Item().ParentID(), -1);
    EXPECT_EQ(Stored(), QStringList({"Boris/1", "+7 555/1", "Vera/1"}));
    FFrame->RefreshInfo();
    EXPECT_EQ(Shown(), QStringList({"Контактное лицо=Boris", "Телефон=+7 555",
                                    "  Примечание=evenings only", "Контактное лицо=Vera"}));
}

// Near the lower edge a drag scrolls the inspector, as any item view does.
TEST_F(ObjectInfoTest, ADragNearTheEdgeScrollsTheInspector) {
    for (int i = 0; i < 40; ++i) Item(-1, 2, QStringLiteral("+7 %1").arg(i, 3, 10, QChar('0')));
    Attach(FObj);
    FHost.resize(300, 200);
    FHost.show();
    QScrollBar* bar = FFrame->dxInspector->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), 0);
    TreeDrag drag = TreeDrag::Start(FFrame->dxInspector, Row("+7 000"));
    ASSERT_TRUE(drag.Enter());
    const QRect area = FFrame->dxInspector->viewport()->rect();
    drag.MoveTo(QPoint(area.center().x(), area.bottom() - 2));
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 2000);
    drag.Leave();
}

// Whatever load fails, the user reads the server's message and the next refresh works.
TEST_F(ObjectInfoTest, AServerErrorWhileLoadingIsShownAndTheFrameKeepsWorking) {
    const int contact = Item(-1, 4, "Gleb");
    Item(contact, 2, "+7 666");
    Item(-1, 5, "old", false);
    Attach(FObj);
    FHost.show();
    CountingConnection& server = FDb.Counting();
    auto click = [](QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); };
    const struct {
        const char* Path;
        std::function<void()> Arm;
        std::function<void()> Act;
    } paths[] = {
        {"refresh: the top items", [&] { server.FailRoutine(Get); },
         [&] { click(FFrame->btnRefresh); }},
        {"refresh: an item's children", [&] { server.FailNthRequest(2); },
         [&] { click(FFrame->btnRefresh); }},
        {"show all or active only", [&] { server.FailRoutine(Get); },
         [&] { FFrame->aShowActiveOnly->trigger(); }},
    };
    for (const auto& p : paths) {
        SCOPED_TRACE(p.Path);
        FBoxes.Clear();
        server.ClearFailures();
        const int thrown = server.FailuresThrown();
        p.Arm();
        p.Act();
        EXPECT_EQ(server.FailuresThrown(), thrown + 1);
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_TRUE(FBoxes.Last().Text.contains("ORA-03113")) << FBoxes.Last().Text.toStdString();
        server.ClearFailures();
        click(FFrame->btnRefresh);
        EXPECT_EQ(Shown().size(), FFrame->aShowActiveOnly->isChecked() ? 2 : 3);
        EXPECT_EQ(FBoxes.Count(), 1u);
    }
}

// Renders the frame as a location window shows it: nested items, an inactive one,
// links (scripts/screenshots-info keeps the picture).
TEST_F(ObjectInfoTest, RendersItemsForTheEye) {
    const int contact = Item(-1, 4, "Irina Sokolova", true, "Head of the district office");
    Item(contact, 2, "+7 (812) 555-01-23");
    Item(contact, 6, "+7 921 555-44-11");
    Item(contact, 1, "i.sokolova@example.org");
    Item(-1, 3, "https://north.example.org");
    Item(-1, 7, "+7 (812) 555-01-99", false, "Disconnected");
    Item(-1, 5, "Office hours 9-18");
    Attach(FObj);
    FFrame->aShowActiveOnly->trigger();
    FHost.resize(475, 369);
    FHost.show();
    FFrame->dxInspector->setCurrentItem(Row("Irina Sokolova"));
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown().size(), 7);
    Snapshot(*FFrame, "information-frame");
}

}  // namespace
