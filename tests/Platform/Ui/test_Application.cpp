#include "Platform/Ui/Application.h"

#include <QCoreApplication>
#include <QObject>
#include <QWidget>

#include <stdexcept>

#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

namespace {

class TLoadError : public std::runtime_error {
public:
    TLoadError(const char* text, int code) : std::runtime_error(text), Code(code) {}
    int Code;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { App().Reset(); }
    void TearDown() override { App().Reset(); }
    static Application& App() { return Application::Instance(); }

    MessageBoxRecorder FBoxes;
};

TEST_F(ApplicationTest, WithoutAHookTheTextIsShownInAnErrorBoxUnderTheTitle) {
    const QString name = QCoreApplication::applicationName();
    EXPECT_EQ(App().Title(), name);  // until set
    App().SetTitle("Консоль");
    std::runtime_error error("TBaseForm.GetShema: схема не задана");
    App().HandleException(nullptr, error);
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "TBaseForm.GetShema: схема не задана");
    EXPECT_EQ(FBoxes.Last().Caption, "Консоль");
    EXPECT_EQ(FBoxes.Last().Flags, unsigned(MB_ICONERROR | MB_OK));
    App().Reset();
    EXPECT_EQ(App().Title(), name);
}

TEST_F(ApplicationTest, ProtectRoutesEveryEscapingExceptionAndNothingElse) {
    QObject sender;
    int handled = 0;
    QString lastText;
    int code = 0;
    App().SetOnException([&](QObject* s, std::exception& e) {
        EXPECT_EQ(s, &sender);
        ++handled;
        lastText = QString::fromUtf8(e.what());
        if (auto* load = dynamic_cast<TLoadError*>(&e)) code = load->Code;  // the exception itself
    });

    bool ran = false;
    App().Protect(&sender, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(handled, 0);

    App().Protect(&sender, [] { throw TLoadError("bad file", 1); });
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastText, "bad file");
    EXPECT_EQ(code, 1);

    App().Protect(&sender, [] { throw 42; });
    EXPECT_EQ(handled, 2);
    EXPECT_FALSE(lastText.isEmpty());
    EXPECT_EQ(FBoxes.Count(), 0u) << "with a hook set nothing is shown";
}

TEST_F(ApplicationTest, MainWindowIsForgottenWhenDestroyedOrReset) {
    {
        QWidget main;
        App().SetMainWindow(&main);
        App().SetMainWindowHandle(0x10004);
        EXPECT_EQ(App().MainWindow(), &main);
    }
    EXPECT_EQ(App().MainWindow(), nullptr);
    EXPECT_EQ(App().MainWindowHandle(), 0x10004);
    App().SetOnException([](QObject*, std::exception&) {});
    App().Reset();
    EXPECT_EQ(App().MainWindowHandle(), 0);
    EXPECT_FALSE(App().OnException());
}

}  // namespace
