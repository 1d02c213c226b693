#include "FormReposit/PelmBaseForm.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include "FormReposit/PelmBaseForm_Browse.h"
#include "FormReposit/PelmBaseForm_Dialog.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "support/FakeConnection.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"

namespace {

template <class T>
using TFormPtr = TFormHolder<T>;

// A dialog with one designed call query; records when InitForm and the button
// arrangement run and what the query looked like then.
class TTestDialog : public TfPelmBaseForm_Dialog {
public:
    TTestDialog(QWidget* owner, TOraSession* session, const QString& schema)
        : TfPelmBaseForm_Dialog(owner, session, schema) {
        oqDelete = new TOraQuery(this);
        oqDelete->setObjectName("oqDelete");
        oqDelete->SetSQLText("begin\n:RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATION(:PID);\nend;");
        oqDelete->MacroByName("shema").SetValue("ORX");
    }
    bool Execute() override {
        Prepared = true;
        return ShowModalOk();
    }

    TOraQuery* oqDelete;
    QStringList Trace;
    bool Prepared = false;

protected:
    void InitForm() override { Trace << "InitForm:" + oqDelete->MacroByName("shema").Value(); }
    void ArrangeButtons() override {
        TfPelmBaseForm_Dialog::ArrangeButtons();
        Trace << "ArrangeButtons";
    }
};

class PelmBaseFormTest : public ::testing::Test {
protected:
    PelmBaseFormTest() { Session.AdoptConnection(&Fake); }

    TFormPtr<TTestDialog> MakeDialog(const QString& schema = "qxvbase") {
        return TFormPtr<TTestDialog>(TComBaseForm::Create<TTestDialog>(nullptr, &Session, schema));
    }
    MessageBoxRecorder Boxes;
    FakeConnection Fake;
    TOraSession Session;
};

TEST_F(PelmBaseFormTest, CreationBindsSessionAndSchemaBeforeInitFormAndArrangesTheButtons) {
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->oqDelete->Session(), &Session);
    EXPECT_EQ(dialog->Trace, QStringList({"InitForm:qxvbase", "ArrangeButtons"}));
    EXPECT_EQ(dialog->QXVSourcesReference(), nullptr);  // the chain has its own description
    EXPECT_EQ(dialog->Phrases(), nullptr);
    EXPECT_EQ(Boxes.Count(), 0u);

    // An empty schema is reported; the dialog still opens with its designed names.
    auto empty = MakeDialog("");
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "uOraFunctions.fSetShema: \r\nSchema is not define");
    EXPECT_EQ(empty->oqDelete->Session(), &Session);
    EXPECT_EQ(empty->Trace.first(), "InitForm:ORX");
}

TEST_F(PelmBaseFormTest, ClosingDoesNotStopTheTranslationOnTheNextShow) {
    int passes = 0;
    TComBaseForm::SetTranslatePass(
        [&](TComBaseForm&, const QList<QObject*>&, unsigned) { ++passes; });
    auto dialog = MakeDialog();
    dialog->show();
    dialog->close();
    dialog->show();
    TComBaseForm::SetTranslatePass(nullptr);
    EXPECT_EQ(passes, 2);
}

TEST_F(PelmBaseFormTest, ResizingKeepsCancelAtTheRightEdgeAndOkBesideIt) {
    auto dialog = MakeDialog();
    EXPECT_TRUE(dialog->btnOK->isDefault());
    dialog->show();
    for (int width : {400, 640, 250}) {
        dialog->resize(width, 200);
        ASSERT_EQ(dialog->pButtons->width(), width);
        EXPECT_EQ(dialog->btnCancel->geometry(), QRect(width - 75 - 3, 5, 75, 25));
        EXPECT_EQ(dialog->btnOK->geometry(), QRect(width - 75 - 3 - 5 - 75, 5, 75, 25));
    }
}

// The Cancel button, and an OK a dialog refuses, are met by the place dialog's refusals
// (test_AddEditPlace).
TEST_F(PelmBaseFormTest, ExecuteIsTrueOnlyWhenTheDialogEndsWithOk) {
    auto dialog = MakeDialog();
    ModalDriver driver;
    driver.Then([](QDialog& d) { d.done(mrOk); });
    EXPECT_TRUE(dialog->Execute());
    EXPECT_TRUE(dialog->Prepared);

    driver.Then([](QDialog& d) { d.reject(); });  // Esc or the close button
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(driver.Runs().back().Result, mrCancel);
    for (int result : {mrNone, 6}) {
        driver.ThenResult(result);
        EXPECT_FALSE(dialog->Execute()) << result;
    }
}

TEST_F(PelmBaseFormTest, BrowseFormsCloseFromTheRightEdgeAndReturnTheModalResult) {
    TFormPtr<TfPelmBaseForm_Browse> browse(
        TComBaseForm::Create<TfPelmBaseForm_Browse>(nullptr, &Session, "qxvbase"));
    browse->show();
    browse->resize(500, 300);
    EXPECT_EQ(browse->btnClose->geometry(), QRect(500 - 75 - 3, 5, 75, 25));

    ModalDriver driver;
    driver.Then([](QDialog& d) { d.findChild<QPushButton*>("btnClose")->click(); });
    EXPECT_EQ(browse->Execute(), mrCancel);
    driver.ThenResult(mrOk);
    EXPECT_EQ(browse->Execute(), mrOk);
    driver.Then([](QDialog& d) { d.reject(); });
    EXPECT_EQ(browse->Execute(), mrCancel);
}

}  // namespace
