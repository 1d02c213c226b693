#include "Location/Level.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <stdexcept>

#include "Location/AddEditLevel.h"
#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"

namespace {

class LevelTest : public LocationDialogTest {
protected:
    LevelTest() : FSample(FDb.AddSample()) {}
    ~LevelTest() override { Application::Instance().Reset(); }

    // Creates the dictionary, lets `prepare` set it up (rights), runs it modally with
    // `act` as what the user does, and frees it.
    void Run(const std::function<void(TfLevel&)>& act,
             const std::function<void(TfLevel&)>& prepare = nullptr) {
        TfLevel* form = TComBaseForm::Create<TfLevel>(nullptr, Session(), Schema());
        if (prepare) prepare(*form);
        FDriver.Then([&](QDialog& d) {
            act(static_cast<TfLevel&>(d));
            d.done(mrCancel);
        });
        for (ModalDriver::Action& step : FDialogSteps) FDriver.Then(std::move(step));
        FDialogSteps.clear();
        form->Execute();
        TComBaseForm::Free(form);
    }
    // What the user does in the dialogs the dictionary opens, in order.
    void Later(ModalDriver::Action step) { FDialogSteps.push_back(std::move(step)); }
    // The next dialog run: sets level and abbreviation, presses OK.
    void DialogEnters(int level, const QString& abbrev) {
        Later([=](QDialog& d) {
            d.findChild<QSpinBox*>("seLevel")->setValue(level);
            auto* combo = d.findChild<QComboBox*>("cbAbbrev");
            combo->setCurrentIndex(combo->findText(abbrev));
            d.findChild<QPushButton*>("btnOK")->click();
        });
    }
    static void Focus(TfLevel& form, long long id) {
        ASSERT_TRUE(form.ospObjects->Locate(QStringLiteral("ID"), id));
    }
    static int CurrentID(TfLevel& form) {
        return form.ospObjects->FieldByName(QStringLiteral("ID")).AsInteger();
    }
    static int Shown(TfLevel& form) {
        return form.cxView->model() ? form.cxView->model()->rowCount() : 0;
    }
    // Reads of the whole list (PID -1), not of one row.
    int ListReads() const {
        int reads = 0;
        for (const auto& call : FRec.CallsOf("GET_T#LOCATTYPE"))
            if (call.Input("PID").toInt() == -1) ++reads;
        return reads;
    }
    // The level row of a type as the server has it, or -1 when gone.
    int LevelOf(long long typeId) {
        const TRowSet rows = Rows(QStringLiteral("GET_T#LOCATTYPE"), {{"PID", typeId}});
        return rows.Rows.empty() ? -1 : Column(rows, 0, "LEVEL#").toInt();
    }

    TestDatabase::TSample FSample;
    std::vector<ModalDriver::Action> FDialogSteps;
};

TEST_F(LevelTest, ListsEveryLevelInTwoColumnsAndFollowsTheRights) {
    Run([&](TfLevel& form) {
        QAbstractItemModel* model = form.cxView->model();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->rowCount(), 5);
        ASSERT_EQ(model->columnCount(), 2);
        EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Уровень")
            << "translated for a Russian user";
        EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "АТЕ");
        QStringList names;
        for (int r = 0; r < model->rowCount(); ++r) names << model->index(r, 1).data().toString();
        names.sort();
        EXPECT_EQ(names, QStringList({"город", "область", "район", "село", "село"}));

        form.UpdateActions();
        EXPECT_TRUE(form.aObjectAdd->isEnabled());
        EXPECT_TRUE(form.aObjectEdit->isEnabled());
        EXPECT_TRUE(form.aObjectDelete->isEnabled());
        form.FCanEdit = false;
        form.FCanDelete = false;
        form.FCanAdd = false;
        form.UpdateActions();
        EXPECT_FALSE(form.aObjectEdit->isEnabled());
        EXPECT_FALSE(form.aObjectDelete->isEnabled());
        EXPECT_FALSE(form.aObjectAdd->isEnabled());
        form.aObjectAdd->trigger();
        form.aObjectEdit->trigger();
    });
    EXPECT_EQ(FDriver.Runs().size(), 1u);  // only the dictionary itself was shown
}

TEST_F(LevelTest, WithTheViewRightOffTheGridIsEmptyAndAddStillWorks) {
    DialogEnters(5, QStringLiteral("город"));
    Run(
        [&](TfLevel& form) {
            EXPECT_EQ(Shown(form), 0);
            form.UpdateActions();
            EXPECT_FALSE(form.aObjectEdit->isEnabled());
            EXPECT_FALSE(form.aObjectDelete->isEnabled());
            ASSERT_TRUE(form.aObjectAdd->isEnabled());
            form.aObjectAdd->trigger();
            EXPECT_EQ(Shown(form), 0);
        },
        [](TfLevel& form) { form.SetCanView(false); });
    const TRowSet level5 = Rows(QStringLiteral("GET_T#LOCATTYPE_BY_LEVEL"), {{"PLEVEL#", 5}});
    ASSERT_EQ(level5.Rows.size(), 1u);
    EXPECT_EQ(Column(level5, 0, "ID_ABBREV").toLongLong(), FSample.aG);
}

TEST_F(LevelTest, AddingPutsTheCursorOnTheNewRowAndTakesTheTranslatorBack) {
    DialogEnters(6, QStringLiteral("село"));
    Run([&](TfLevel& form) {
        Focus(form, FSample.tObl);
        form.aObjectAdd->trigger();
        const TRowSet level6 = Rows(QStringLiteral("GET_T#LOCATTYPE_BY_LEVEL"), {{"PLEVEL#", 6}});
        ASSERT_EQ(level6.Rows.size(), 1u);
        const int added = Column(level6, 0, "ID").toInt();
        EXPECT_EQ(CurrentID(form), added);
        EXPECT_EQ(form.cxView->currentIndex().row(), form.ospObjects->RecNo() - 1);
        EXPECT_EQ(Shown(form), 6);
        // The dialog released the translator when it was freed; the form has one again.
        EXPECT_NE(LanguagesDM(), nullptr);
    });
    ASSERT_EQ(FDriver.Runs().size(), 2u);
    EXPECT_EQ(FDriver.Runs()[0].Title, "Добавление");
}

TEST_F(LevelTest, EditingLoadsTheFocusedRowAndLocatesItAfterTheChange) {
    int shownLevel = 0;
    QString shownAbbrev;
    Later([&](QDialog& d) {
        shownLevel = d.findChild<QSpinBox*>("seLevel")->value();
        shownAbbrev = d.findChild<QComboBox*>("cbAbbrev")->currentText();
        d.findChild<QSpinBox*>("seLevel")->setValue(7);
        d.findChild<QPushButton*>("btnOK")->click();
    });
    Run([&](TfLevel& form) {
        Focus(form, FSample.tS4);
        form.ospObjects->First();  // the refresh must find the row again
        Focus(form, FSample.tS4);
        form.aObjectEdit->trigger();
        EXPECT_EQ(CurrentID(form), FSample.tS4);
    });
    EXPECT_EQ(shownLevel, 4);
    EXPECT_EQ(shownAbbrev, "село");
    EXPECT_EQ(LevelOf(FSample.tS4), 7);
    EXPECT_EQ(FDriver.Runs()[0].Title, "Редактирование");
}

TEST_F(LevelTest, DeletingAReferencedLevelSaysSoAndLeavesTheList) {
    FBoxes.Answer(IDYES);
    Run([&](TfLevel& form) {
        Focus(form, FSample.tObl);
        const int reads = ListReads();
        form.aObjectDelete->trigger();
        EXPECT_EQ(ListReads(), reads);
        EXPECT_EQ(Shown(form), 5);
        ASSERT_EQ(FBoxes.Count(), 2u);
        EXPECT_EQ(FBoxes.Calls()[0].Text, "Удалить объект \"область\"?");
        EXPECT_EQ(FBoxes.Calls()[0].Caption, "Spravochnik urovnej");
        EXPECT_EQ(FBoxes.Calls()[0].Flags, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(FBoxes.Last().Text, "Запись нельзя удалить, т.к. на нее есть ссылки");
        EXPECT_EQ(FBoxes.Last().Caption, "Местоположение");
        EXPECT_EQ(FBoxes.Last().Flags, MB_ICONINFORMATION);
        EXPECT_EQ(FBoxes.Last().OwnerAtCall, &form);
    });
    EXPECT_EQ(LevelOf(FSample.tObl), 1);
}

TEST_F(LevelTest, DeleteAnswersOtherThanSuccess) {
    struct TCase {
        const char* Name;
        std::function<void(RecordingConnection&)> Script;
        bool Warns;
    };
    const TCase cases[] = {
        {"answered -1", [](RecordingConnection& c) { c.Answers["DEL_T#LOCATTYPE"] = -1; }, true},
        {"call failed",
         [](RecordingConnection& c) { c.Failing["DEL_T#LOCATTYPE"] = QStringLiteral("нет связи"); },
         true},
        {"answered 0", [](RecordingConnection& c) { c.Answers["DEL_T#LOCATTYPE"] = 0; }, false},
    };
    QStringList handled;
    Application::Instance().SetOnException(
        [&](QObject*, std::exception& e) { handled << QString::fromUtf8(e.what()); });
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FRec.Answers.clear();
        FRec.Failing.clear();
        c.Script(FRec);
        FBoxes.Clear();
        handled.clear();
        FBoxes.Answer(IDYES);
        Run([&](TfLevel& form) {
            Focus(form, FSample.tS4);
            const int reads = ListReads();
            form.aObjectDelete->trigger();
            EXPECT_EQ(ListReads(), reads);  // not refreshed
        });
        if (c.Warns) {
            ASSERT_EQ(FBoxes.Count(), 2u);
            EXPECT_EQ(FBoxes.Last().Text, "Ошибка при удалении объекта \"село\"!");
            EXPECT_EQ(FBoxes.Last().Caption, "Spravochnik urovnej");
            EXPECT_EQ(FBoxes.Last().Flags, MB_ICONEXCLAMATION);
        } else {
            EXPECT_EQ(FBoxes.Count(), 1u);  // the question only
        }
        // A failed call goes on to the application's handler after the warning.
        EXPECT_EQ(handled.size(), FRec.Failing.empty() ? 0 : 1);
        EXPECT_EQ(LevelOf(FSample.tS4), 4);
    }
}

TEST_F(LevelTest, DeletingAfterYesRemovesTheRowAndNoKeepsIt) {
    FBoxes.Answer(IDNO);
    FBoxes.Answer(IDYES);
    Run([&](TfLevel& form) {
        Focus(form, FSample.tS4);
        form.aObjectDelete->trigger();
        EXPECT_TRUE(FRec.CallsOf("DEL_T#LOCATTYPE").empty());
        form.aObjectDelete->trigger();
        EXPECT_EQ(Shown(form), 4);
        EXPECT_FALSE(form.ospObjects->Locate(QStringLiteral("ID"), FSample.tS4));
    });
    EXPECT_EQ(LevelOf(FSample.tS4), -1);
    EXPECT_EQ(FBoxes.Count(), 2u);
}

// A refused save shows the server's text and keeps the dialog open with its values; here the
// user then cancels, and the list is left as it was.
TEST_F(LevelTest, FailedCallsOfTheDialogKeepItOpen) {
    FRec.Failing["INS_T#LOCATTYPE"] = QStringLiteral("уровень отклонён");
    FRec.Failing["UPD_T#LOCATTYPE"] = QStringLiteral("правка отклонена");
    DialogEnters(8, QStringLiteral("район"));
    DialogEnters(9, QStringLiteral("район"));
    Run([&](TfLevel& form) {
        Focus(form, FSample.tR);
        const int reads = ListReads();
        form.aObjectAdd->trigger();
        Focus(form, FSample.tS4);
        form.aObjectEdit->trigger();
        EXPECT_EQ(ListReads(), reads);  // nothing refreshed
        ASSERT_EQ(FBoxes.Count(), 2u);  // each call's error text, plain
        EXPECT_TRUE(FBoxes.Calls()[0].Text.contains("уровень отклонён"));
        EXPECT_TRUE(FBoxes.Calls()[1].Text.contains("правка отклонена"));
        EXPECT_EQ(FBoxes.Last().Flags & MbIconMask, 0u);
    });
    ASSERT_EQ(FDriver.Runs().size(), 3u);
    EXPECT_NE(FDriver.Runs()[0].Result, mrOk);
    EXPECT_NE(FDriver.Runs()[1].Result, mrOk);
    EXPECT_EQ(LevelOf(FSample.tS4), 4);
}

// A user's double click: a click, then the double click at the same point.
void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

TEST_F(LevelTest, DoubleClickOpensTheEditorOnDataRowsOnly) {
    Later([](QDialog& d) { d.done(mrCancel); });
    Run([&](TfLevel& form) {
        form.resize(544, 379);
        QHeaderView* header = form.cxView->horizontalHeader();
        DoubleClick(header->viewport(),
                    QPoint(header->sectionPosition(1) + 5, header->height() / 2));
        DoubleClick(form.cxView->viewport(),
                    QPoint(5, form.cxView->viewport()->height() - 3));  // below the rows
        EXPECT_EQ(FDriver.Runs().size(), 0u);
        const QRect cell = form.cxView->visualRect(form.cxView->model()->index(2, 1));
        DoubleClick(form.cxView->viewport(), cell.center());
        EXPECT_EQ(FDriver.Runs().size(), 1u);
    });
    ASSERT_EQ(FDriver.Runs().size(), 2u);
    EXPECT_EQ(FDriver.Runs()[0].Title, "Редактирование");
}

TEST_F(LevelTest, ARightClickOverTheGridOpensThePopupWithTheRights) {
    Run([&](TfLevel& form) {
        form.FCanDelete = false;
        QHeaderView* header = form.cxView->horizontalHeader();
        for (QWidget* area : {header->viewport(), form.cxView->verticalHeader()->viewport(),
                              form.cxView->viewport()}) {
            form.pmGrid->hide();
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    area->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(area, &click);
            EXPECT_TRUE(form.pmGrid->isVisible()) << area->objectName().toStdString();
        }
        EXPECT_TRUE(form.N1->isEnabled());
        EXPECT_TRUE(form.N2->isEnabled());
        EXPECT_FALSE(form.N3->isEnabled());
        form.pmGrid->hide();
    });
}

TEST_F(LevelTest, TheNavigatorMovesTheCursor) {
    Run([&](TfLevel& form) {
        auto* last = form.DBNavigator1->findChild<QAction*>("nbLast");
        auto* first = form.DBNavigator1->findChild<QAction*>("nbFirst");
        ASSERT_TRUE(last && first);
        last->trigger();
        EXPECT_EQ(form.ospObjects->RecNo(), 5);
        EXPECT_EQ(form.cxView->currentIndex().row(), 4);
        first->trigger();
        EXPECT_EQ(form.ospObjects->RecNo(), 1);
        EXPECT_EQ(form.cxView->currentIndex().row(), 0);
    });
}

// Each reading of the dictionary and of its dialog may fail: the user reads the
// server's message, and a refresh afterwards brings the list back.
TEST_F(LevelTest, AServerErrorWhileLoadingIsShownAndTheListKeepsWorking) {
    CountingConnection& server = FDb.Counting();
    auto refresh = [](TfLevel& form) {
        for (auto* button : form.DBNavigator1->findChildren<QToolButton*>())
            if (button->defaultAction()->objectName() == "nbRefresh")
                QTest::mouseClick(button, Qt::LeftButton);
    };
    auto fail = [&](const char* routine) { server.FailRoutine(QString::fromLatin1(routine)); };
    const struct {
        const char* Path;
        std::function<void()> ArmBeforeOpening;
        std::function<void(TfLevel&)> Act;
        int RowsAfter;
    } paths[] = {
        {"opening the list", [&] { fail("GET_T#LOCATTYPE"); }, nullptr, 5},
        {"refreshing", nullptr,
         [&](TfLevel& form) {
             fail("GET_T#LOCATTYPE");
             refresh(form);
         },
         5},
        {"loading the edited row", nullptr,
         [&](TfLevel& form) {
             fail("GET_T#LOCATTYPE");
             QTest::mouseClick(form.btnObjectEdit, Qt::LeftButton);
         },
         5},
        {"loading the abbreviations", nullptr,
         [&](TfLevel& form) {
             fail("GET_T#LOCATABBREV");
             QTest::mouseClick(form.btnObjectAdd, Qt::LeftButton);
         },
         5},
        {"re-reading after the change", nullptr,
         [&](TfLevel& form) {
             FDriver.Then([&](QDialog& d) {
                 d.findChild<QSpinBox*>("seLevel")->setValue(5);
                 fail("GET_T#LOCATTYPE");
                 d.findChild<QPushButton*>("btnOK")->click();
             });
             QTest::mouseClick(form.btnObjectAdd, Qt::LeftButton);
         },
         6},
    };
    for (const auto& p : paths) {
        SCOPED_TRACE(p.Path);
        FBoxes.Clear();
        if (p.ArmBeforeOpening) p.ArmBeforeOpening();
        Run([&](TfLevel& form) {
            form.show();
            if (p.Act) p.Act(form);
            ASSERT_EQ(FBoxes.Count(), 1u);
            EXPECT_TRUE(FBoxes.Last().Text.contains("ORA-03113"))
                << FBoxes.Last().Text.toStdString();
            server.ClearFailures();
            refresh(form);
            EXPECT_EQ(Shown(form), p.RowsAfter);
            EXPECT_EQ(FBoxes.Count(), 1u);
        });
        server.ClearFailures();
    }
}

class AddEditLevelTest : public LocationDialogTest {};

TEST_F(AddEditLevelTest, WithoutAbbreviationsOkWarnsAndStaysOpen) {
    TfAddEditLevel* dialog = TComBaseForm::Create<TfAddEditLevel>(nullptr, Session(), Schema());
    dialog->SetDialogMode(1);
    bool open = false;
    int count = -1;
    FDriver.Then([&](QDialog& d) {
        count = d.findChild<QComboBox*>("cbAbbrev")->count();
        d.findChild<QPushButton*>("btnOK")->click();
        open = d.isVisible() && d.result() == 0;
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(open);
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "Не введены обязательные поля!");
    EXPECT_EQ(FBoxes.Last().Caption, "Добавление");
    EXPECT_TRUE(FRec.CallsOf("INS_T#LOCATTYPE").empty());
    TComBaseForm::Free(dialog);
}

TEST_F(AddEditLevelTest, TheLevelIsClampedAndSentWithTheChosenAbbreviation) {
    const long long town = FDb.AddAbbrev(QStringLiteral("г."), QStringLiteral("город"));
    TfAddEditLevel* dialog = TComBaseForm::Create<TfAddEditLevel>(nullptr, Session(), Schema());
    dialog->SetDialogMode(1);
    EXPECT_EQ(dialog->ID, -1);
    int high = 0;
    int low = 0;
    FDriver.Then([&](QDialog& d) {
        auto* spin = d.findChild<QSpinBox*>("seLevel");
        spin->setValue(40);
        high = spin->value();
        spin->setValue(0);
        low = spin->value();
        d.findChild<QPushButton*>("btnOK")->click();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(high, 15);
    EXPECT_EQ(low, 1);
    const auto inserts = FRec.CallsOf("INS_T#LOCATTYPE");
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0].Input("PLEVEL#").toInt(), 1);
    EXPECT_EQ(inserts[0].Input("PID_ABBREV").toLongLong(), town);
    EXPECT_GE(dialog->ID, 1);
    TComBaseForm::Free(dialog);
}

}  // namespace
