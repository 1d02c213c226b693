#include "Platform/Ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "Platform/Ui/Application.h"
#include "support/MessageBoxRecorder.h"

namespace {

class MessageBoxesTest : public ::testing::Test {
protected:
    void SetUp() override { Application::Instance().Reset(); }
    void TearDown() override { Application::Instance().Reset(); }

    MessageBoxRecorder FBoxes;
};

TEST_F(MessageBoxesTest, RecorderKeepsAllFourValuesOfEveryCall) {
    QWidget owner;
    MessageBoxes::Show("Удалить объект \"Москва\"?", "Удаление", MB_YESNO | MB_ICONQUESTION,
                       &owner);
    MessageBoxes::Show("second", "", MB_ICONERROR);

    ASSERT_EQ(FBoxes.Count(), 2u);
    const auto& first = FBoxes.Calls()[0];
    EXPECT_EQ(first.Text, "Удалить объект \"Москва\"?");
    EXPECT_EQ(first.Caption, "Удаление");
    EXPECT_EQ(first.Flags, 0x24u);
    EXPECT_EQ(first.Owner, &owner);
    EXPECT_EQ(FBoxes.Last().Text, "second");
    EXPECT_EQ(FBoxes.Last().Owner, nullptr);
}

TEST_F(MessageBoxesTest, RecorderAnswersFromItsScriptThenWithTheFirstButton) {
    FBoxes.Answer(IDNO);
    FBoxes.Answer(IDCANCEL);
    EXPECT_EQ(MessageBoxes::Show("a", "c", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxes::Show("b", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxes::Show("c", "c", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxes::Show("d", "c", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxes::Show("e", "c", MB_RETRYCANCEL), IDRETRY);
}

TEST_F(MessageBoxesTest, RecordersNestAndRestoreWhatTheyReplaced) {
    {
        MessageBoxRecorder inner;
        MessageBoxes::Show("to inner", "", MB_OK);
        EXPECT_EQ(inner.Count(), 1u);
        EXPECT_EQ(&MessageBoxes::Current(), &inner);
    }
    EXPECT_EQ(&MessageBoxes::Current(), &FBoxes);
    MessageBoxes::Show("to outer", "", MB_OK);
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "to outer");
}

TEST_F(MessageBoxesTest, EachKindHasItsCaptionAndFlags) {
    struct {
        TMessageKind Kind;
        const char* Caption;
        unsigned Flags;
    } const cases[] = {
        {TMessageKind::Warning, "Подтверждение", 0x30},
        {TMessageKind::Error, "Ошибка", 0x42010},
        {TMessageKind::Information, "Извещение", 0x40},
        {TMessageKind::Notice, "Подтверждение", 0x42040},
    };
    for (const auto& c : cases) {
        MessageBoxes::ShowKind(c.Kind, "text", nullptr);
        EXPECT_EQ(FBoxes.Last().Caption, QString::fromUtf8(c.Caption)) << int(c.Kind);
        EXPECT_EQ(FBoxes.Last().Flags, c.Flags) << int(c.Kind);
    }
}

TEST_F(MessageBoxesTest, ACallerCaptionReplacesTheKindsButKeepsItsFlags) {
    MessageBoxes::ShowKind(TMessageKind::Error, "boom", nullptr, "Отчеты");
    EXPECT_EQ(FBoxes.Last().Caption, "Отчеты");
    EXPECT_EQ(FBoxes.Last().Flags, 0x42010u);

    FBoxes.Answer(IDNO);
    EXPECT_EQ(MessageBoxes::ShowKind(TMessageKind::Warning, "?", nullptr, "", MB_YESNO), IDNO);
    EXPECT_EQ(FBoxes.Last().Flags, unsigned(MB_ICONEXCLAMATION | MB_YESNO));
    // Only buttons may be added: an icon in extraButtons does not change the kind.
    MessageBoxes::ShowKind(TMessageKind::Information, "i", nullptr, "", MB_ICONERROR);
    EXPECT_EQ(FBoxes.Last().Flags, 0x40u);
}

TEST_F(MessageBoxesTest, OwnerIsTheVisibleFormElseTheActiveWindow) {
    QWidget active;
    active.setObjectName("active");
    active.show();
    active.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&active));
    ASSERT_EQ(QApplication::activeWindow(), &active);

    QWidget form;
    form.setObjectName("form");

    // Not shown yet: the active window owns the box.
    MessageBoxes::ShowKind(TMessageKind::Information, "hidden form", &form);
    EXPECT_EQ(FBoxes.Last().Owner, &active);

    form.show();
    MessageBoxes::ShowKind(TMessageKind::Information, "visible form", &form);
    EXPECT_EQ(FBoxes.Last().Owner, &form);

    form.hide();
    MessageBoxes::ShowKind(TMessageKind::Error, "hidden again", &form);
    EXPECT_EQ(FBoxes.Last().Owner, &active);

    MessageBoxes::ShowKind(TMessageKind::Warning, "no form", nullptr);
    EXPECT_EQ(FBoxes.Last().Owner, &active);
}

TEST_F(MessageBoxesTest, APlainMessageIsCaptionedWithTheApplicationTitle) {
    Application::Instance().SetTitle("Console");
    MessageBoxes::ShowMessage("Nothing to search for");
    EXPECT_EQ(FBoxes.Last().Text, "Nothing to search for");
    EXPECT_EQ(FBoxes.Last().Caption, "Console");
    EXPECT_EQ(FBoxes.Last().Flags, unsigned(MB_OK));
}

// The QMessageBox implementation, driven by a timer that answers the box as a user would.
class QtMessageBoxesTest : public ::testing::Test {
protected:
    struct TSeen {
        QString Title;
        QString Text;
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
        QList<QMessageBox::StandardButton> Buttons;
        QMessageBox::StandardButton Default = QMessageBox::NoButton;
        bool OnTop = false;
        Qt::WindowModality Modality = Qt::NonModal;
    };

    // Shows the box and presses `press` (NoButton: closes the window).
    int ShowAndPress(unsigned flags, QMessageBox::StandardButton press, TSeen& seen) {
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer.stop();
            seen.Title = box->windowTitle();
            seen.Text = box->text();
            seen.Icon = box->icon();
            for (QAbstractButton* b : box->buttons()) seen.Buttons << box->standardButton(b);
            if (box->defaultButton()) seen.Default = box->standardButton(box->defaultButton());
            seen.OnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            seen.Modality = box->windowModality();
            if (press == QMessageBox::NoButton)
                box->close();
            else
                box->button(press)->click();
        });
        timer.start();
        return TQtMessageBoxes().Show("line 1\r\nline 2", "caption", flags, nullptr);
    }
};

TEST_F(QtMessageBoxesTest, FlagsChooseIconButtonsAndStacking) {
    TSeen seen;
    EXPECT_EQ(ShowAndPress(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, QMessageBox::No, seen),
              IDNO);
    EXPECT_EQ(seen.Title, "caption");
    EXPECT_EQ(seen.Text, "line 1\nline 2");
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons.size(), 2);
    EXPECT_TRUE(seen.Buttons.contains(QMessageBox::Yes));
    EXPECT_TRUE(seen.Buttons.contains(QMessageBox::No));
    EXPECT_EQ(seen.Default, QMessageBox::No);
    EXPECT_FALSE(seen.OnTop);

    TSeen error;
    EXPECT_EQ(ShowAndPress(0x42010, QMessageBox::Ok, error), IDOK);
    EXPECT_EQ(error.Icon, QMessageBox::Critical);
    EXPECT_EQ(error.Buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    EXPECT_TRUE(error.OnTop);
    EXPECT_EQ(error.Modality, Qt::ApplicationModal);

    TSeen info;
    ShowAndPress(MB_ICONINFORMATION, QMessageBox::Ok, info);
    EXPECT_EQ(info.Icon, QMessageBox::Information);
    TSeen warning;
    ShowAndPress(MB_ICONEXCLAMATION, QMessageBox::Ok, warning);
    EXPECT_EQ(warning.Icon, QMessageBox::Warning);
}

TEST_F(QtMessageBoxesTest, ClosingTheWindowCountsAsCancelWhereThereIsOne) {
    TSeen seen;
    EXPECT_EQ(ShowAndPress(MB_OKCANCEL, QMessageBox::NoButton, seen), IDCANCEL);
    EXPECT_EQ(ShowAndPress(MB_OK, QMessageBox::NoButton, seen), IDOK);
}

}  // namespace
