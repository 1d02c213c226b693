#include "Platform/Ui/ModalRunner.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "support/ModalDriver.h"

namespace {

// A small dialog as forms build them: a field, OK, and a count of show events.
class TNameDialog : public QDialog {
public:
    explicit TNameDialog(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName("fName");
        setWindowTitle("Name");
        auto* layout = new QVBoxLayout(this);
        Edit = new QLineEdit(this);
        Edit->setObjectName("edtName");
        Ok = new QPushButton("OK", this);
        Ok->setObjectName("btnOK");
        layout->addWidget(Edit);
        layout->addWidget(Ok);
        connect(Ok, &QPushButton::clicked, this, [this] {
            if (!Edit->text().trimmed().isEmpty()) accept();  // an empty name keeps the dialog open
        });
    }

    QLineEdit* Edit;
    QPushButton* Ok;
    int Shows = 0;

protected:
    void showEvent(QShowEvent* e) override {
        ++Shows;
        QDialog::showEvent(e);
    }
};

TEST(ModalDriverTest, ADialogLeftOpenGivesTheDefaultOrTheScriptedResult) {
    ModalDriver driver(/*defaultResult=*/2);
    TNameDialog dlg;
    // OK with an empty name keeps the dialog open.
    driver.Then([](QDialog& d) { static_cast<TNameDialog&>(d).Ok->click(); });
    driver.ThenResult(1);
    driver.ThenResult(5, [](QDialog& d) { d.accept(); });  // forced wins over the dialog's own

    EXPECT_EQ(ModalRunner::RunModal(dlg), 2);
    EXPECT_EQ(ModalRunner::RunModal(dlg), 1);
    EXPECT_EQ(ModalRunner::RunModal(dlg), 5);
    // No steps left: nothing is done and the default comes back.
    EXPECT_EQ(ModalRunner::RunModal(dlg), 2);
    ASSERT_EQ(driver.Runs().size(), 4u);
    EXPECT_EQ(driver.Runs()[0].ObjectName, "fName");
    EXPECT_EQ(driver.Runs()[0].Result, 2);
}

TEST(ModalDriverTest, ADialogOpenedFromADialogTakesTheNextStep) {
    ModalDriver driver;
    TNameDialog outer;
    outer.setObjectName("fOuter");
    int innerResult = -1;
    bool shown = false;
    driver.Then([&](QDialog& d) {
        TNameDialog inner(&d);
        inner.setObjectName("fInner");
        innerResult = ModalRunner::RunModal(inner);
        d.done(innerResult + 10);
    });
    driver.Then([&](QDialog& d) {
        shown = d.isVisible() && d.parentWidget()->isVisible();
        d.done(3);
    });

    EXPECT_EQ(ModalRunner::RunModal(outer), 13);
    EXPECT_EQ(innerResult, 3);
    EXPECT_TRUE(shown) << "a dialog is shown while its step runs";
    EXPECT_FALSE(outer.isVisible());
    EXPECT_EQ(outer.Shows, 1);
    ASSERT_EQ(driver.Runs().size(), 2u);
    EXPECT_EQ(driver.Runs()[0].ObjectName, "fInner");
    EXPECT_EQ(driver.Runs()[0].Depth, 1);
}

TEST(ExecModalRunnerTest, RunsTheDialogsOwnEventLoop) {
    TNameDialog dlg;
    QTimer::singleShot(0, &dlg, [&dlg] {
        dlg.Edit->setText("Kazan");
        dlg.done(9);
    });
    EXPECT_EQ(TExecModalRunner().RunModal(dlg), 9);
    EXPECT_EQ(dlg.Edit->text(), "Kazan");
}

}  // namespace
