#include "Location/AddEditInfoType.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

namespace {

// The dialog as the information frame opens it: no owner, the frame's session and schema.
class AddEditInfoTypeTest : public ::testing::Test {
protected:
    AddEditInfoTypeTest()
        : FDialog(TComBaseForm::Create<TfAddEditInfoType>(nullptr, &FDb.Session(), FDb.Schema())) {}
    ~AddEditInfoTypeTest() override {
        FDialog.reset();
        DoneTranslation();
    }

    TestDatabase FDb;
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    TFormHolder<TfAddEditInfoType> FDialog;
};

// The label names the kind (a number that is no kind keeps the last one); a description comes back with the line breaks it was given, and what the user changes
// during the run is what comes back.
TEST_F(AddEditInfoTypeTest, TheLabelFollowsTheKindAndTheDescriptionRoundTrips) {
    const std::pair<int, const char*> kinds[] = {
        {0, "Informatsija:"}, {6, "Мобильный телефон:"}, {8, "Мобильный телефон:"}};
    for (const auto& [kind, label] : kinds) {
        FDialog->SetInfoKind(kind);
        EXPECT_EQ(FDialog->lInfoName->text(), label);
        EXPECT_EQ(FDialog->InfoKind(), kind);
    }
    EXPECT_TRUE(FDialog->Active());  // nothing sets the box in add mode: a new item is active
    FDialog->SetActive(false);
    EXPECT_FALSE(FDialog->cbxInfoActive->isChecked());
    for (const char* text :
         {"first line\r\n  second line  ", "a\r\n\r\nb\r\n", "unix\nlines", "one line"}) {
        const QString description = QString::fromUtf8(text);
        FDialog->SetDescription(description);
        EXPECT_EQ(FDialog->Description(), description);
        EXPECT_EQ(FDialog->meDescription->blockCount(), description.count('\n') + 1);
    }
    FDialog->SetValue("text");
    FDriver.Then([](QDialog& dialog) {
        auto& form = static_cast<TfAddEditInfoType&>(dialog);
        form.cbxInfoActive->setChecked(true);
        form.meDescription->clear();
        QTest::keyClicks(form.meDescription, "changed");
        QTest::keyClick(form.meDescription, Qt::Key_Return);
        QTest::keyClicks(form.meDescription, "twice");
        form.btnOK->click();
    });
    ASSERT_TRUE(FDialog->Execute());
    EXPECT_TRUE(FDialog->Active());
    EXPECT_EQ(FDialog->Description(), "changed\r\ntwice");
}

// The text and the description hold at most what their columns do: a paste that
// would make them longer is refused whole, with a message, and so is typing past it.
TEST_F(AddEditInfoTypeTest, TextsStayWithinTheirColumns) {
    FDialog->SetDialogMode(1);
    const QString almost(250, QLatin1Char('x'));
    struct TEdit {
        const char* Name;
        QWidget* Widget;
        std::function<QString()> Read;  // as the frame reads it back
    };
    FDriver.Then([&](QDialog& dialog) {
        auto& form = static_cast<TfAddEditInfoType&>(dialog);
        dialog.show();
        const TEdit edits[] = {
            {"text", form.edtInfo, [&] { return form.edtInfo->text(); }},
            {"description", form.meDescription, [&] { return form.Description(); }},
        };
        form.edtInfo->setText(almost);
        form.SetDescription(almost);
        const struct {
            const char* Paste;
            bool Taken;
        } pastes[] = {{"0123456789", false}, {"abcd", true}, {"y", true}, {"z", false}};
        for (const TEdit& edit : edits) {
            QString expected = almost;
            for (const auto& paste : pastes) {
                SCOPED_TRACE(std::string(edit.Name) + " + " + paste.Paste);
                FBoxes.Clear();
                QGuiApplication::clipboard()->setText(QString::fromUtf8(paste.Paste));
                edit.Widget->setFocus();
                QTest::keyClick(edit.Widget, Qt::Key_End, Qt::ControlModifier);
                QTest::keySequence(edit.Widget, QKeySequence::Paste);
                QCoreApplication::processEvents();
                if (paste.Taken) expected += QString::fromUtf8(paste.Paste);
                EXPECT_EQ(edit.Read(), expected);
                ASSERT_EQ(FBoxes.Count(), paste.Taken ? 0u : 1u);
                if (!paste.Taken) {
                    EXPECT_EQ(FBoxes.Last().Text, "Текст не может быть длиннее 255 символов");
                    EXPECT_EQ(FBoxes.Last().Caption, "Добавление информации");
                }
            }
            // Full: a typed character is turned away as well.
            FBoxes.Clear();
            QTest::keyClick(edit.Widget, Qt::Key_A);
            QCoreApplication::processEvents();
            EXPECT_EQ(edit.Read().size(), 255);
            EXPECT_EQ(FBoxes.Count(), 1u);
        }
        // A line break of the description is stored as two characters.
        form.SetDescription(QString(254, QLatin1Char('x')));
        FBoxes.Clear();
        QTest::keyClick(form.meDescription, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.Description().size(), 254);
        EXPECT_EQ(FBoxes.Count(), 1u);
        form.btnCancel->click();
    });
    EXPECT_FALSE(FDialog->Execute());
}

}  // namespace
