// The window and what the server lets its user do: a reader's picker has no add, edit or
// delete and accepts no drag; what the server refuses anyway is said in the user's language;
// a place another session deleted is said and leaves the tree; an edit or a drag over
// another session's change is refused and shows that change, in the tree as in a dictionary.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "Location/Abbreviature.h"
#include "Location/FrameObjectInfo.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/ServiceTable.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/UserRights.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"
#include "support/TreeDrag.h"

namespace {

// A window on `session` with the places of `path` selected in turn.
TFormHolder<TfMain> Window(TOraSession* session, const std::vector<long long>& path) {
    TFormHolder<TfMain> form(TComBaseForm::Create<TfMain>(nullptr, session, "QXVBASE"));
    form->show();
    for (long long id : path) form->tvObjects->setCurrentItem(form->Tree()->Find(int(id)));
    return form;
}

class WindowRights : public ::testing::Test {
protected:
    void SetUp() override { FSample = FDb.AddSample(); }

    // The session's user (the schema's administrator) keeps only `rights`.
    void KeepOnly(const char* rights) {
        ASSERT_EQ(FDb.Call("QXVERPUSER", "UPD_T#USER", {{"PNAME", "QXVBASE"}, {"PRIGHTS", rights}}),
                  1);
        FDb.Raw().Commit();
    }
    void Pick(const std::function<void(TfMain&)>& act) {
        FDriver.Then([act](QDialog& dialog) {
            act(static_cast<TfMain&>(dialog));
            dialog.reject();
        });
        int id = int(FSample.lakeside);
        ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id);
    }
    std::vector<long long> District() const { return {FSample.north, FSample.lakeside}; }
    size_t Places(long long parent) {
        return FDb.Rows("QXVERPLOCAT", "GET_T#LOCATION", {{"PID", -1}, {"PID_PARENT", parent}})
            .Rows.size();
    }

    // Edits abbreviation `id` in a dictionary on `on`: `step` gets the edit dialog. Whether the
    // list then still has the row goes to `listed`.
    void EditAbbrev(TOraSession* on, long long id, const ModalDriver::Action& step,
                    bool* listed = nullptr) {
        TFormHolder<TfAbbreviature> form(
            TComBaseForm::Create<TfAbbreviature>(nullptr, on, QStringLiteral("QXVBASE")));
        FDriver.Then([&](QDialog& d) {
            auto& dictionary = static_cast<TfAbbreviature&>(d);
            ASSERT_TRUE(dictionary.ospObjects->Locate("ID", id));
            FDriver.Then(step);
            dictionary.aObjectEdit->trigger();
            if (listed) *listed = dictionary.ospObjects->Locate("ID", id);
            d.reject();
        });
        form->Execute();
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

TEST_F(WindowRights, AReadersPickerOffersNoChangeAndAcceptsNoDrag) {
    KeepOnly(UserRights::Reader);
    Pick([&](TfMain& form) {
        ASSERT_EQ(form.GetSelectedID(), FSample.lakeside);
        EXPECT_FALSE(form.aObjectAdd->isEnabled());
        EXPECT_FALSE(form.aObjectEdit->isEnabled());
        EXPECT_FALSE(form.aObjectDelete->isEnabled());
        QTest::keyClick(form.tvObjects, Qt::Key_F8);
        TObjectNode* south = form.Tree()->Root()->ChildNode(1);
        TreeDrag drag = TreeDrag::Start(form.tvObjects, form.Tree()->Selected());
        drag.Enter();
        EXPECT_FALSE(drag.Move(south)) << "a district may go below the other region, but not "
                                          "for a user without the edit right";
        EXPECT_FALSE(drag.Drop(south));
    });
    EXPECT_EQ(Places(FSample.north), 1u);
    EXPECT_EQ(Places(FSample.south), 0u);
    EXPECT_EQ(FBoxes.Count(), 0u);
}

// The window's own rights granted, the server's not: the delete is refused with the right's
// name, in Russian for a user without a language and in English for an English one.
TEST_F(WindowRights, AServersRefusalIsSaidInTheUsersLanguage) {
    for (const int language : {25, 9}) {
        if (language == 9) FDb.SetUserLanguage(9);
        KeepOnly("111011111111");
        Pick([&](TfMain& form) {
            form.FDelLocation = true;  // as a host that grants more than the server would
            FBoxes.Answer(IDYES);
            form.aObjectDeleteExecute();
        });
        ASSERT_EQ(FBoxes.Count(), 2u);
        EXPECT_EQ(FBoxes.Last().Text,
                  language == 9 ? QStringLiteral("Insufficient rights: Delete location")
                                : QStringLiteral("Недостаточно прав: Удаление местоположения"));
        EXPECT_EQ(Places(FSample.north), 1u);
        FBoxes.Clear();
    }
}

// Another session deletes the place the window shows: editing it, or adding below it, says
// so, drops its node (its parent selected) and stores nothing; the typed name stays in the
// dialog until the user leaves it.
TEST_F(WindowRights, APlaceDeletedByAnotherSessionIsSaidAndLeavesTheTree) {
    FDb.AddType(5, FSample.aS);
    const auto other = OpenConnection(FDb.ConnectString());
    for (const char* doing : {"editing", "adding below", "attaching an item"}) {
        SCOPED_TRACE(doing);
        const bool adding = doing[0] == 'a', attaching = doing[1] == 't';
        const long long hamlet = FDb.AddLocation(FSample.birch, FSample.tS4, "Хутор");
        FDb.Raw().Commit();
        const auto form =
            Window(&FDb.Session(), {FSample.north, FSample.lakeside, FSample.birch, hamlet});
        ASSERT_EQ(form->GetSelectedID(), hamlet);
        other->Call(other->Describe("QXVBASE", "QXVERPLOCAT", "DEL_T#LOCATION"), {{"PID", hamlet}});
        other->Commit();
        const char* field = attaching ? "edtInfo" : "edtName";
        if (adding)
            FDriver.Then([field](QDialog& d) {
                d.findChild<QLineEdit*>(field)->setText(QStringLiteral("Новый"));
                d.findChild<QPushButton*>("btnOK")->click();
                EXPECT_TRUE(d.isVisible());
                EXPECT_EQ(d.findChild<QLineEdit*>(field)->text(), QStringLiteral("Новый"));
            });
        if (attaching)
            form->findChild<TfrObjectInfo*>("FInfoFrame")->AddInfoOfKind(5);
        else
            adding ? form->aObjectAddExecute() : form->aObjectEditExecute();
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_EQ(FBoxes.Last().Text,
                  QStringLiteral("Местоположение удалено другим пользователем"));
        EXPECT_EQ(form->GetSelectedID(), FSample.birch);
        EXPECT_EQ(form->Tree()->Find(int(hamlet)), nullptr);
        EXPECT_EQ(Places(FSample.birch), 0u);
        FBoxes.Clear();
    }
}

// Two windows on two sessions edit one place, one information item, one abbreviation: the
// second save, built on the older reading, is refused with who changed it, and its dialog then
// shows the first one's value; saving again stores the second one's.
TEST_F(WindowRights, AnEditOverAnotherSessionsChangeIsRefusedThenRedone) {
    TOraSession session;
    session.SetConnectString(FDb.ConnectString());
    session.Connect();
    FDb.AddInfo(FSample.lakeside, -1, 5, "0");
    FDb.Raw().Commit();
    const auto first = Window(&FDb.Session(), District());
    const auto second = Window(&session, District());
    using TEdit = std::function<void(TfMain&, const ModalDriver::Action&)>;
    // `edit` opens the dialog in each window; `field` shows the value, which the server gives
    // as `column` of the first row of `routine` for `key`.
    auto check = [&](const char* field, const char* said, const TEdit& edit, const char* package,
                     const char* routine, const std::vector<TBoundValue>& key, int column) {
        SCOPED_TRACE(field);
        FBoxes.Clear();
        auto rename = [field](QDialog& d, const char* name) {
            d.findChild<QLineEdit*>(field)->setText(QString::fromUtf8(name));
            d.findChild<QPushButton*>("btnOK")->click();
        };
        edit(*second, [&](QDialog& late) {
            edit(*first, [&](QDialog& early) { rename(early, "Первый"); });
            rename(late, "Второй");
            ASSERT_TRUE(late.isVisible());
            ASSERT_EQ(FBoxes.Count(), 1u);
            EXPECT_TRUE(FBoxes.Last().Text.startsWith(said)) << FBoxes.Last().Text.toStdString();
            EXPECT_EQ(late.findChild<QLineEdit*>(field)->text(), QStringLiteral("Первый"));
            rename(late, "Второй");
            EXPECT_FALSE(late.isVisible());
        });
        EXPECT_EQ(FBoxes.Count(), 1u);
        EXPECT_EQ(FDb.Rows(package, routine, key).Rows.at(0).at(column).toString(), "Второй");
    };
    const TEdit place = [&](TfMain& w, const ModalDriver::Action& step) {
        FDriver.Then(step);
        w.aObjectEditExecute();
    };
    const TEdit item = [&](TfMain& w, const ModalDriver::Action& step) {
        auto* frame = w.findChild<TfrObjectInfo*>("FInfoFrame");
        frame->dxInspector->setCurrentItem(frame->RootRow()->child(0));
        FDriver.Then(step);
        frame->EditFocused();
    };
    const TEdit abbrev = [&](TfMain& w, const ModalDriver::Action& step) {
        EditAbbrev(&w == first.get() ? &FDb.Session() : &session, FSample.aS, step);
    };
    check("edtName", "Местоположение изменено пользователем QXVBASE в ", place, "QXVERPLOCAT",
          "GET_T#LOCATION", {{"PID", FSample.lakeside}, {"PID_PARENT", -1}}, 1);
    check("edtInfo", "Информация изменена пользователем QXVBASE в ", item, "QXVERPINFORM",
          "GET_T#INFORMATION", {{"POBJTYPE", 1}, {"POBJID", FSample.lakeside}, {"PID_PARENT", -1}},
          3);
    check("edtFullName", "Сокращение изменено пользователем QXVBASE в ", abbrev, "QXVERPLOCAT",
          "GET_T#LOCATABBREV", {{"PID", FSample.aS}}, 2);
    EXPECT_EQ(second->Tree()->Selected()->Caption(), QStringLiteral("р-н. Второй"));
}

// A drag over another session's change is refused the same way: the node then shows the
// place as it is, and the next drag moves it.
TEST_F(WindowRights, ADragOverAnotherSessionsChangeIsRefusedThenRedone) {
    const auto form = Window(&FDb.Session(), District());
    const auto other = OpenConnection(FDb.ConnectString());
    other->Call(other->Describe("QXVBASE", "QXVERPLOCAT", "UPD_T#LOCATION"),
                {{"PID", FSample.lakeside},
                 {"PID_PARENT", FSample.north},
                 {"PID_LOCATTYPE", FSample.tR},
                 {"PNAME", "Заречный"}});
    other->Commit();
    for (const long long parent : {FSample.north, FSample.south}) {
        TObjectNode* south = form->Tree()->Root()->ChildNode(1);
        TreeDrag drag = TreeDrag::Start(form->tvObjects, form->Tree()->Selected());
        drag.Enter();
        ASSERT_TRUE(drag.Move(south));
        drag.Drop(south);
        EXPECT_EQ(Places(parent), 1u);
        EXPECT_EQ(form->Tree()->Selected()->Caption(), QStringLiteral("р-н. Заречный"));
    }
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_TRUE(FBoxes.Last().Text.startsWith("Местоположение изменено пользователем QXVBASE"));
}

// An information item dragged after another session changed it: the move is refused with
// who changed it, and the frame shows the items as they are.
TEST_F(WindowRights, AnItemDraggedOverAnotherSessionsChangeIsRefused) {
    const long long moved = FDb.AddInfo(FSample.lakeside, -1, 5, "0");
    FDb.AddInfo(FSample.lakeside, -1, 4, "Vera");
    FDb.Raw().Commit();
    const auto form = Window(&FDb.Session(), District());
    auto* frame = form->findChild<TfrObjectInfo*>("FInfoFrame");
    const auto other = OpenConnection(FDb.ConnectString());
    other->Call(other->Describe("QXVBASE", "QXVERPINFORM", "UPD_T#INFORMATION"),
                {{"POBJTYPE", 1}, {"POBJID", FSample.lakeside}, {"PID", moved},
                 {"PID_PARENT", -1}, {"PVALUE", "1"}, {"PDESCRIPTION", ""}, {"PACTIVE", 1}});
    other->Commit();
    auto* note = static_cast<TInfoRow*>(frame->RootRow()->child(0));
    auto* vera = static_cast<TInfoRow*>(frame->RootRow()->child(1));
    if (note->Item().ID != moved) std::swap(note, vera);
    QCoreApplication::processEvents();  // the frame, made while the window shows, shows next
    TreeDrag drag = TreeDrag::Start(frame->dxInspector, note);
    ASSERT_TRUE(drag.Enter());
    ASSERT_TRUE(drag.Move(vera));
    drag.Drop(vera);
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_TRUE(FBoxes.Last().Text.startsWith("Информация изменена пользователем QXVBASE"));
    EXPECT_EQ(frame->RootRow()->childCount(), 2);  // nothing moved, here or on the server
}

// An abbreviation or an information item saved after another session deleted it: the dialog
// says so and stays open with what was typed, and the list or the frame drops the row.
TEST_F(WindowRights, ARowOrItemDeletedByAnotherSessionIsSaidAndDropped) {
    const long long spare = FDb.AddAbbrev("х.", "хутор");
    FDb.Raw().Commit();
    TOraSession session;
    session.SetConnectString(FDb.ConnectString());
    session.Connect();
    bool listed = true;
    EditAbbrev(
        &session, spare,
        [&](QDialog& d) {
            FDb.Call("QXVERPLOCAT", "DEL_T#LOCATABBREV", {{"PID", spare}});
            FDb.Raw().Commit();
            d.findChild<QLineEdit*>("edtFullName")->setText(QStringLiteral("хуторок"));
            d.findChild<QPushButton*>("btnOK")->click();
            EXPECT_TRUE(d.isVisible());
            d.reject();
        },
        &listed);
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, QStringLiteral("Сокращение удалено другим пользователем"));
    EXPECT_FALSE(listed);

    // The same for an information item: the frame drops its row.
    const long long item = FDb.AddInfo(FSample.lakeside, -1, 5, "0");
    FDb.Raw().Commit();
    const auto window = Window(&session, District());
    auto* frame = window->findChild<TfrObjectInfo*>("FInfoFrame");
    frame->dxInspector->setCurrentItem(frame->RootRow()->child(0));
    FDriver.Then([&](QDialog& d) {
        FDb.Call("QXVERPINFORM", "DEL_T#INFORMATION",
                 {{"POBJTYPE", 1}, {"POBJID", FSample.lakeside}, {"PID", item}});
        FDb.Raw().Commit();
        d.findChild<QPushButton*>("btnOK")->click();
        EXPECT_TRUE(d.isVisible());
    });
    frame->EditFocused();
    EXPECT_EQ(FBoxes.Last().Text, QStringLiteral("Информация удалена другим пользователем"));
    EXPECT_EQ(frame->RootRow()->childCount(), 0);
}

}  // namespace
