#include "ComUnits/uApplicationMessaging.h"

#include <QLocale>

#include <gtest/gtest.h>

#include "ComUnits/uAssert.h"
#include "Host/ConsoleResponder.h"
#include "Platform/Ui/Application.h"

namespace {

// A session object is only carried through, never used: any distinct address will do.
TOraSession* const SomeSession = reinterpret_cast<TOraSession*>(0x1000);

class HandshakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHandshake();
        QLocale::setDefault(QLocale(QLocale::English));
    }
    void TearDown() override {
        ResetHandshake();
        QLocale::setDefault(QLocale::c());
    }
    void SetConsoleVersion(const QString& version) {
        FConsole.Info().FileVerInfo.Fields[2] = version;
        FConsole.Info().FileVerInfo.Fields[4] = "9.9";
    }
    QString CheckConsoleText() {
        try {
            CheckConsole();
        } catch (const EGeneralError& e) {
            return e.Text();
        }
        return {};
    }

    ConsoleResponder FConsole{"qxvbase", SomeSession};
};

TEST_F(HandshakeTest, TheNestedExchangeDeliversSchemaAndSession) {
    const THostLinkValues link = GetHostLink();
    EXPECT_TRUE(HandshakeAnswered());
    EXPECT_EQ(link.SchemaName, "qxvbase");
    EXPECT_EQ(link.Session, SomeSession);
    EXPECT_EQ(GetConsoleInfo().RequiredVersion, "4.0.1.0");
    EXPECT_NO_THROW(CheckConsole());
    EXPECT_EQ(FConsole.Requests(), 1);  // one handshake serves every later window

    ResetHandshake();
    FConsole.SetSchema("");
    EXPECT_EQ(GetHostLink().SchemaName, "");
    EXPECT_FALSE(HandshakeAnswered());
}

TEST_F(HandshakeTest, VersionsAreComparedNumberByNumber) {
    for (const char* accepted : {"4.0.1.0", "4.0.10.0", "10.0.0.0", "4.0.1"}) {
        ResetHandshake();
        SetConsoleVersion(accepted);
        EXPECT_EQ(CheckConsoleText(), "") << accepted;
    }
    EXPECT_LT(CompareVersions("garbage", "4.0.1.0"), 0);
    for (const char* refused : {"4.0.0.9", "3.9.9.9"}) {
        ResetHandshake();
        SetConsoleVersion(refused);
        EXPECT_EQ(CheckConsoleText(),
                  QString("TMainBaseForm.CheckConsole: Консоль: Проверка версии\r\n"
                          "Версия файла: \"%1\";Версия продукта: \"9.9\";\r\n"
                          "Для данного сервиса предусмотрено использование консоли с версией "
                          "файла не менее \"4.0.1.0\"\r\n")
                      .arg(refused));
    }
}

TEST_F(HandshakeTest, ANonStandardConsoleIsRefusedInTheUsersLanguage) {
    FConsole.Info().StandardConsole = false;
    EXPECT_EQ(CheckConsoleText(),
              "TMainBaseForm.CheckConsole: Check console version\r\n\"TMainBaseForm\" - is started "
              "only from a standard console with the file version of not less than 4.0.1.0!");
    EXPECT_FALSE(GetConsoleInfo().StandardConsole);

    QLocale::setDefault(QLocale(QLocale::Russian));
    EXPECT_EQ(CheckConsoleText(),
              "TMainBaseForm.CheckConsole: Проверка версии консоли\r\n\"TMainBaseForm\" - "
              "запускается только из стандартной консоли с версией файла не менее 4.0.1.0 !!!!");
}

TEST_F(HandshakeTest, NoConsoleMeansNoAnswerAndTheNextCallAsksAgain) {
    Application::Instance().SetMainWindowHandle(0);
    EXPECT_FALSE(CheckConsoleText().isEmpty());
    EXPECT_FALSE(HandshakeAnswered());
    EXPECT_EQ(GetHostLink().Session, nullptr);

    Application::Instance().SetMainWindowHandle(FConsole.Handle());
    EXPECT_EQ(GetHostLink().Session, SomeSession);
    EXPECT_EQ(FConsole.Requests(), 1);
}

TEST_F(HandshakeTest, AnswersOutsideARequestOrFromAStrangerAreIgnored) {
    TApplicationMessaging messaging;
    TConsoleInfo info;
    info.StandardConsole = true;
    auto& bus = WindowMessages::Instance();
    // Not waiting: the console's answer is not expected and changes nothing.
    EXPECT_EQ(bus.SendMessage(messaging.Handle(), HostMessage::ConsoleInfo, FConsole.Handle(),
                              WindowMessages::PointerParam(&info)),
              HostMessage::NotExpected);
    EXPECT_FALSE(GetConsoleInfo().FileVerInfo.FileVersion().isEmpty());  // the real answer
    // Another window than the console's main window is ignored altogether.
    EXPECT_EQ(bus.SendMessage(messaging.Handle(), HostMessage::ConsoleInfo, 424242,
                              WindowMessages::PointerParam(&info)),
              0);
    // A request from the main window itself sends nothing.
    Application::Instance().SetMainWindowHandle(messaging.Handle());
    EXPECT_EQ(messaging.Request(), HostMessage::NotExpected);
    EXPECT_EQ(FConsole.Requests(), 1);
    Application::Instance().SetMainWindowHandle(FConsole.Handle());
}

}  // namespace
