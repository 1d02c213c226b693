#include "Location/Level.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "Location/AddEditLevel.h"
#include "LocationDialogFixture.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"

namespace {

class LevelTest : public LocationDialogTest {
protected:
    LevelTest() : FSample(FDb.AddSample()) {}
    ~LevelTest() override { Application::Instance().Reset(); }

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
        ASSERT_TRUE(form.ospObjects->Locate("ID", id));
    }
    static int Shown(TfLevel& form) {
        return form.cxView->model() ? form.cxView->model()->rowCount() : 0;
    }
    int ListReads() const { return LocationDialogTest::ListReads("GET_T#LOCATTYPE"); }
    // The level row of a type as the server has it, or -1 when gone.
    int LevelOf(long long typeId) {
        const TRowSet rows = Rows("GET_T#LOCATTYPE", {{"PID", typeId}});
        return rows.Rows.empty() ? -1 : Column(rows, 0, "LEVEL#").toInt();
    }

    TestDatabase::TSample FSample;
};

// The navigator moves the grid's row.
TEST_F(LevelTest, TheNavigatorMovesTheCursor) {
    RunDictionary<TfLevel>([&](TfLevel& form) {
        for (const auto& [button, row] : {std::pair{"nbLast", 4}, std::pair{"nbFirst", 0}}) {
            form.DBNavigator1->findChild<QAction*>(button)->trigger();
            EXPECT_EQ(form.ospObjects->RecNo(), row + 1);
            EXPECT_EQ(form.cxView->currentIndex().row(), row);
        }
    });
}

// The rights switch the actions and the grid's popup, opened by a right click anywhere
// over the grid; a disabled action runs nothing. Without the view right the grid stays
// empty and a level can still be added.
TEST_F(LevelTest, TheRightsSwitchTheActionsAndThePopup) {
    const struct {
        bool View, Add, Edit, Delete;
        const char* Enabled;  // add, edit, delete; then the popup's three entries
    } cases[] = {
        {true, true, true, true, "111 111"},
        {true, false, false, false, "000 000"},
        {true, true, true, false, "110 110"},
        {false, true, true, true, "100 100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Enabled);
        RunDictionary<TfLevel>(
            [&](TfLevel& form) {
                form.FCanAdd = c.Add;
                form.FCanEdit = c.Edit;
                form.FCanDelete = c.Delete;
                for (QWidget* area :
                     {form.cxView->horizontalHeader()->viewport(),
                      form.cxView->verticalHeader()->viewport(), form.cxView->viewport()}) {
                    form.pmGrid->hide();
                    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                            area->mapToGlobal(QPoint(5, 5)));
                    QApplication::sendEvent(area, &click);
                    EXPECT_TRUE(form.pmGrid->isVisible()) << area->objectName().toStdString();
                }
                form.pmGrid->hide();
                QString enabled;
                for (QAction* a : {form.aObjectAdd, form.aObjectEdit, form.aObjectDelete, form.N1,
                                   form.N2, form.N3})
                    enabled += (a == form.N1 ? " " : "") + QString::number(a->isEnabled());
                EXPECT_EQ(enabled, c.Enabled);
                EXPECT_EQ(Shown(form), c.View ? 5 : 0);
                if (!c.Edit) form.aObjectEdit->trigger();
                if (!c.Add) form.aObjectAdd->trigger();
                if (!c.Delete) form.aObjectDelete->trigger();
            },
            [&](TfLevel& form) { form.SetCanView(c.View); });
    }
    EXPECT_EQ(FDriver.Runs().size(), 4u);  // only the dictionary itself was shown
    EXPECT_EQ(FBoxes.Count(), 0u);

    DialogEnters(5, "город");
    RunDictionary<TfLevel>(
        [&](TfLevel& form) {
            form.aObjectAdd->trigger();
            EXPECT_EQ(Shown(form), 0);
        },
        [](TfLevel& form) { form.SetCanView(false); });
    const TRowSet level5 = Rows("GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 5}});
    ASSERT_EQ(level5.Rows.size(), 1u);
    EXPECT_EQ(Column(level5, 0, "ID_ABBREV").toLongLong(), FSample.aG);
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
    RunDictionary<TfLevel>([&](TfLevel& form) {
        Focus(form, FSample.tS4);
        form.ospObjects->First();  // the refresh must find the row again
        Focus(form, FSample.tS4);
        form.aObjectEdit->trigger();
        EXPECT_EQ(form.ospObjects->FieldByName("ID").AsInteger(), FSample.tS4);
    });
    EXPECT_EQ(shownLevel, 4);
    EXPECT_EQ(shownAbbrev, "село");
    EXPECT_EQ(LevelOf(FSample.tS4), 7);
    EXPECT_EQ(FDriver.Runs()[0].Title, "Редактирование");
}

// A delete asks first, then answers by what the server said: a referenced level is
// refused, a failure warns (and a failed call reaches the application's handler), only a
// deleted row leaves the list, and nothing else re-reads it.
TEST_F(LevelTest, DeleteAsksThenAnswersByTheServersResult) {
    const QString question =
        BoxLine("Удалить объект \"%1\"?", "Spravochnik urovnej", MB_YESNO | MB_ICONQUESTION);
    const QString warning =
        BoxLine("Ошибка при удалении объекта \"село\"!", "Spravochnik urovnej", MB_ICONEXCLAMATION);
    const QString referenced = BoxLine("Запись нельзя удалить, т.к. на нее есть ссылки",
                                       "Местоположение", MB_ICONINFORMATION);
    const struct {
        const char* Name;
        long long Type;
        int Answer;
        std::optional<long long> Answered;  // the server's RESULT, when not its own
        bool CallFails;
        QStringList After;  // the boxes after the question
        int LevelAfter, Handled;
    } cases[] = {
        {"no", FSample.tS4, IDNO, {}, false, {}, 4, 0},
        {"referenced", FSample.tObl, IDYES, {}, false, {referenced}, 1, 0},
        {"answered -1", FSample.tS4, IDYES, -1, false, {warning}, 4, 0},
        {"call failed", FSample.tS4, IDYES, {}, true, {warning}, 4, 1},
        {"answered 0", FSample.tS4, IDYES, 0, false, {}, 4, 0},
        {"deleted", FSample.tS4, IDYES, {}, false, {}, -1, 0},
    };
    QStringList handled;
    Application::Instance().SetOnException(
        [&](QObject*, std::exception& e) { handled << QString::fromUtf8(e.what()); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FRec.Answers.clear();
        FRec.Failing.clear();
        if (c.Answered) FRec.Answers["DEL_T#LOCATTYPE"] = *c.Answered;
        if (c.CallFails) FRec.Failing["DEL_T#LOCATTYPE"] = "нет связи";
        FBoxes.Clear();
        handled.clear();
        FBoxes.Answer(c.Answer);
        RunDictionary<TfLevel>([&](TfLevel& form) {
            Focus(form, c.Type);
            const int reads = ListReads();
            form.aObjectDelete->trigger();
            EXPECT_EQ(ListReads(), reads + (c.LevelAfter < 0 ? 1 : 0));
            EXPECT_EQ(Shown(form), c.LevelAfter < 0 ? 4 : 5);
            EXPECT_EQ(form.ospObjects->Locate("ID", c.Type), c.LevelAfter >= 0);
            EXPECT_EQ(FBoxes.Calls().front().OwnerAtCall, &form);
            if (c.Type == FSample.tObl) {
                EXPECT_EQ(FBoxes.Last().OwnerAtCall, &form);  // the refusal
            }
        });
        EXPECT_EQ(BoxLines(FBoxes),
                  QStringList{question.arg(c.Type == FSample.tObl ? "область" : "село")} + c.After);
        EXPECT_EQ(handled.size(), c.Handled);
        EXPECT_EQ(LevelOf(c.Type), c.LevelAfter);
    }
    EXPECT_EQ(FRec.CallsOf("DEL_T#LOCATTYPE").size(), 5u) << "not after a no";
}

// A pair the dictionary holds already is told while the dialog stays open; a new row at the
// bottom of a long list is scrolled into view whole.
TEST_F(LevelTest, AnExistingPairIsToldAndANewRowIsScrolledIntoView) {
    for (int level = 5; level <= 15; ++level) {
        FDb.AddType(level, FSample.aR);
        FDb.AddType(level, FSample.aG);
    }
    Later([&](QDialog& d) {
        d.findChild<QSpinBox*>("seLevel")->setValue(1);
        auto* combo = d.findChild<QComboBox*>("cbAbbrev");
        combo->setCurrentIndex(combo->findText(QStringLiteral("область")));
        QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(FBoxes.Count(), 1u);
        EXPECT_EQ(FBoxes.Last().Text, "Уровень 1 с АТЕ \"область\" уже есть.");
        combo->setCurrentIndex(combo->findText(QStringLiteral("село")));
        d.findChild<QSpinBox*>("seLevel")->setValue(15);
        QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    RunDictionary<TfLevel>([&](TfLevel& form) {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.cxView->setFocus();
        QTest::keyClick(form.cxView, Qt::Key_F7);
        const QRect row = form.cxView->visualRect(form.cxView->currentIndex());
        EXPECT_TRUE(form.cxView->viewport()->rect().contains(row))
            << row.top() << ".." << row.bottom() << " of " << form.cxView->viewport()->height();
        EXPECT_EQ(form.cxView->currentIndex().row(), Shown(form) - 1);
    });
    EXPECT_EQ(FBoxes.Count(), 1u);
}

// A refused save shows the server's text and keeps the dialog open with its values; here the
// user then cancels, and the list is left as it was.
TEST_F(LevelTest, FailedCallsOfTheDialogKeepItOpen) {
    FRec.Failing["INS_T#LOCATTYPE"] = QStringLiteral("уровень отклонён");
    FRec.Failing["UPD_T#LOCATTYPE"] = QStringLiteral("правка отклонена");
    DialogEnters(8, QStringLiteral("район"));
    DialogEnters(9, QStringLiteral("район"));
    RunDictionary<TfLevel>([&](TfLevel& form) {
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
    RunDictionary<TfLevel>([&](TfLevel& form) {
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
        RunDictionary<TfLevel>([&](TfLevel& form) {
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

// Without abbreviations OK warns and the dialog stays open; with one, the level is clamped
// to 1..15 and sent with the chosen abbreviation.
TEST_F(AddEditLevelTest, TheLevelIsClampedAndSentWithTheChosenAbbreviationOnly) {
    for (const bool withAbbrev : {false, true}) {
        const long long town = withAbbrev ? FDb.AddAbbrev("г.", "город") : 0;
        const TFormHolder<TfAddEditLevel> dialog(
            TComBaseForm::Create<TfAddEditLevel>(nullptr, Session(), Schema()));
        dialog->SetDialogMode(1);
        int high = 0, low = 0;
        FDriver.Then([&](QDialog& d) {
            auto* spin = d.findChild<QSpinBox*>("seLevel");
            spin->setValue(40);
            high = spin->value();
            spin->setValue(0);
            low = spin->value();
            d.findChild<QPushButton*>("btnOK")->click();
            EXPECT_EQ(d.isVisible(), !withAbbrev);
        });
        EXPECT_EQ(dialog->Execute(), withAbbrev);
        EXPECT_EQ(high, 15);
        EXPECT_EQ(low, 1);
        const auto inserts = FRec.CallsOf("INS_T#LOCATTYPE");
        if (!withAbbrev) {
            EXPECT_TRUE(inserts.empty());
            EXPECT_EQ(BoxLines(FBoxes), QStringList{BoxLine("Не введены обязательные поля!",
                                                            "Добавление", MB_ICONEXCLAMATION)});
            continue;
        }
        ASSERT_EQ(inserts.size(), 1u);
        EXPECT_EQ(inserts[0].Input("PLEVEL#").toInt(), 1);
        EXPECT_EQ(inserts[0].Input("PID_ABBREV").toLongLong(), town);
        EXPECT_GE(dialog->ID, 1);
    }
}

}  // namespace
