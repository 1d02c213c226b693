#include "Location/AddEditInfoType.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

namespace {

struct TFree {
    void operator()(TComBaseForm* form) const { TComBaseForm::Free(form); }
};

// The dialog as the information frame opens it: no owner, the frame's session and schema.
class AddEditInfoTypeTest : public ::testing::Test {
protected:
    AddEditInfoTypeTest()
        : FDialog(TComBaseForm::Create<TfAddEditInfoType>(nullptr, &FDb.Session(), FDb.Schema())) {}
    ~AddEditInfoTypeTest() override {
        FDialog.reset();
        DoneTranslation();
    }

    // The next run types `text` and presses OK.
    void TypeAndConfirm(const QString& text) {
        FDriver.Then([text](QDialog& dialog) {
            auto& form = static_cast<TfAddEditInfoType&>(dialog);
            form.edtInfo->setText(text);
            form.btnOK->click();
        });
    }

    TestDatabase FDb;
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    std::unique_ptr<TfAddEditInfoType, TFree> FDialog;
};

TEST_F(AddEditInfoTypeTest, RequiresAText) {
    FDialog->SetDialogMode(1);

    // Blanks only: warned with the dialog's caption, the dialog stays open.
    TypeAndConfirm(QStringLiteral("   \t "));
    EXPECT_FALSE(FDialog->Execute());
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "Не введены обязательные поля!");
    EXPECT_EQ(FBoxes.Last().Caption, "Добавление информации");
    EXPECT_EQ(FBoxes.Last().Flags & MbIconMask, MB_ICONEXCLAMATION);

    // Surrounding blanks are dropped from what the frame reads back.
    TypeAndConfirm(QStringLiteral("  +7 495 123-45-67  "));
    EXPECT_TRUE(FDialog->Execute());
    EXPECT_EQ(FDialog->Value(), "+7 495 123-45-67");
    EXPECT_EQ(FBoxes.Count(), 1u);
}

TEST_F(AddEditInfoTypeTest, EndsTrueOnlyOnOk) {
    FDialog->SetValue(QStringLiteral("text"));
    FDriver.Then(
        [](QDialog& dialog) { static_cast<TfAddEditInfoType&>(dialog).btnCancel->click(); });
    EXPECT_FALSE(FDialog->Execute());
    FDriver.ThenResult(mrNone);
    EXPECT_FALSE(FDialog->Execute());
    FDriver.Then([](QDialog& dialog) { static_cast<TfAddEditInfoType&>(dialog).aOK->trigger(); });
    EXPECT_TRUE(FDialog->Execute());
    EXPECT_EQ(FBoxes.Count(), 0u);
}

TEST_F(AddEditInfoTypeTest, CaptionsFollowModeAndKind) {
    EXPECT_EQ(FDialog->InfoKind(), -1);
    EXPECT_EQ(FDialog->lInfoName->text(), "Informatsija:");

    FDialog->SetInfoKind(0);
    EXPECT_EQ(FDialog->lInfoName->text(), "Informatsija:");
    EXPECT_EQ(FDialog->InfoKind(), 0);
    FDialog->SetInfoKind(6);
    EXPECT_EQ(FDialog->lInfoName->text(), "Мобильный телефон:");
    // A number that is no kind keeps the last label.
    FDialog->SetInfoKind(8);
    EXPECT_EQ(FDialog->lInfoName->text(), "Мобильный телефон:");
    EXPECT_EQ(FDialog->InfoKind(), 8);

    FDialog->SetDialogMode(2);
    EXPECT_EQ(FDialog->windowTitle(), "Редактирование информации");
    FDialog->SetDialogMode(3);
    EXPECT_EQ(FDialog->windowTitle(), "Редактирование информации");
    EXPECT_EQ(FDialog->DialogMode(), 3);
    FDialog->SetDialogMode(1);
    EXPECT_EQ(FDialog->windowTitle(), "Добавление информации");
}

TEST_F(AddEditInfoTypeTest, ActiveAndDescriptionRoundTrip) {
    // Nothing sets the box in add mode: a new item is active.
    EXPECT_TRUE(FDialog->Active());
    // Edit mode shows the item's state.
    FDialog->SetActive(false);
    EXPECT_FALSE(FDialog->cbxInfoActive->isChecked());

    const QString description = QStringLiteral("first line\n  second line  ");
    FDialog->SetDescription(description);
    FDialog->SetValue(QStringLiteral(" kept as given "));
    EXPECT_EQ(FDialog->edtInfo->text(), " kept as given ");
    EXPECT_EQ(FDialog->Description(), description);

    // What the user changes during the run is what comes back.
    FDriver.Then([](QDialog& dialog) {
        auto& form = static_cast<TfAddEditInfoType&>(dialog);
        form.cbxInfoActive->setChecked(true);
        form.meDescription->setPlainText(QStringLiteral("changed"));
        form.btnOK->click();
    });
    ASSERT_TRUE(FDialog->Execute());
    EXPECT_TRUE(FDialog->Active());
    EXPECT_EQ(FDialog->Description(), "changed");
    // Shown, the check box carries its translated caption.
    EXPECT_EQ(FDialog->cbxInfoActive->text(), "Информация активна");
}

}  // namespace
