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

// The recorder's own defaults and nesting are the recorder's: a fault there fails the tests
// that lean on it rather than letting them pass.
TEST_F(MessageBoxesTest, ABoxReachesTheInstalledServiceWithItsTextsFlagsAndOwner) {
    QWidget owner;
    FBoxes.Answer(IDNO);
    EXPECT_EQ(MessageBoxes::Show("Удалить?", "Удаление", MB_YESNO | MB_ICONQUESTION, &owner), IDNO);
    const auto& first = FBoxes.Calls()[0];
    EXPECT_EQ(first.Text, "Удалить?");
    EXPECT_EQ(first.Caption, "Удаление");
    EXPECT_EQ(first.Flags, 0x24u);
    EXPECT_EQ(first.Owner, &owner);
}

TEST_F(MessageBoxesTest, ACallerMayNameTheCaptionAndAddButtonsOnly) {
    MessageBoxes::ShowKind(TMessageKind::Error, "boom", nullptr, "Отчеты");
    EXPECT_EQ(FBoxes.Last().Caption, "Отчеты");
    EXPECT_EQ(FBoxes.Last().Flags, 0x42010u);
    MessageBoxes::ShowKind(TMessageKind::Warning, "?", nullptr, "", MB_YESNO);
    EXPECT_EQ(FBoxes.Last().Flags, unsigned(MB_ICONEXCLAMATION | MB_YESNO));
    MessageBoxes::ShowKind(TMessageKind::Information, "i", nullptr, "", MB_ICONERROR);
    EXPECT_EQ(FBoxes.Last().Flags, 0x40u);

    Application::Instance().SetTitle("Console");
    MessageBoxes::ShowMessage("Nothing to search for");
    EXPECT_EQ(FBoxes.Last().Caption, "Console");
    EXPECT_EQ(FBoxes.Last().Flags, unsigned(MB_OK));
}

TEST_F(MessageBoxesTest, OwnerIsTheVisibleFormElseTheActiveWindow) {
    QWidget active;
    active.setObjectName("active");
    active.show();
    active.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&active));
    QWidget form;
    // Not shown yet, shown, hidden again: only a visible form owns the box.
    for (bool shown : {false, true, false}) {
        form.setVisible(shown);
        MessageBoxes::ShowKind(TMessageKind::Information, "text", &form);
        EXPECT_EQ(FBoxes.Last().Owner, shown ? &form : &active);
    }
    MessageBoxes::ShowKind(TMessageKind::Warning, "no form", nullptr);
    EXPECT_EQ(FBoxes.Last().Owner, &active);
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
    EXPECT_TRUE(seen.Buttons.contains(QMessageBox::Yes) && seen.Buttons.contains(QMessageBox::No));
    EXPECT_EQ(seen.Default, QMessageBox::No);
    EXPECT_FALSE(seen.OnTop);

    TSeen error;
    EXPECT_EQ(ShowAndPress(0x42010, QMessageBox::Ok, error), IDOK);
    EXPECT_EQ(error.Icon, QMessageBox::Critical);
    EXPECT_EQ(error.Buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    EXPECT_TRUE(error.OnTop);
    EXPECT_EQ(error.Modality, Qt::ApplicationModal);

    for (const auto& [flag, icon] : {std::pair(MB_ICONINFORMATION, QMessageBox::Information),
                                     std::pair(MB_ICONEXCLAMATION, QMessageBox::Warning)}) {
        TSeen seen;
        ShowAndPress(flag, QMessageBox::Ok, seen);
        EXPECT_EQ(seen.Icon, icon);
    }
}

TEST_F(QtMessageBoxesTest, ClosingTheWindowCountsAsCancelWhereThereIsOne) {
    TSeen seen;
    EXPECT_EQ(ShowAndPress(MB_OKCANCEL, QMessageBox::NoButton, seen), IDCANCEL);
    EXPECT_EQ(ShowAndPress(MB_OK, QMessageBox::NoButton, seen), IDOK);
}

}  // namespace
