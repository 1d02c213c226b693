// The plug-in as the console sees it: loaded by file name, reached only through its exports.
#include <QAction>
#include <QFileInfo>
#include <QLibrary>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "Host/ConsoleResponder.h"
#include "Host/ConsoleWindow.h"
#include "Host/ServicePlugin.h"
#include "Location/ServiceTable.h"
#include "Platform/HostProtocol.h"
#include "Platform/Ui/Application.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestDatabase.h"

namespace {

const char* const ServiceId = "16D1583A-13B8-4D80-BEE1-C05B83C44F41";

// An export of the plug-in, loaded by file name on the first call.
template <class F>
F Resolve(const char* name) {
    static QLibrary library(QXV_PLUGIN_FILE);
    auto f = reinterpret_cast<F>(library.resolve(name));
    if (!f) throw std::runtime_error(library.errorString().toStdString());
    return f;
}

using GetServiceAttributeFn = void (*)(TServiceAttribute*, const char*);
using GetAccessListFn = const TServiceAccessItem* (*)(const char*);
using InitServiceFormFn = QWidget* (*)(const char*, const char*, IHostObject*);

class RecordingHost : public IHostObject {
public:
    int ServiceClosed(int reserved, const QString& serviceName, int reason) override {
        Calls << QStringLiteral("%1,%2,%3").arg(reserved).arg(serviceName).arg(reason);
        return Answer;
    }
    QStringList Calls;
    int Answer = 0;
};

class ExportsTest : public ::testing::Test {
protected:
    // The plug-in keeps the console's answers (session and schema) for the life of the
    // process, so every test of a run shares one database and one console.
    static void SetUpTestSuite() {
        Db = new TestDatabase;
        Db->AddSample();
    }
    static void TearDownTestSuite() {
        delete Db;
        Db = nullptr;
    }
    static TestDatabase* Db;

    MessageBoxRecorder FBoxes;
};
TestDatabase* ExportsTest::Db = nullptr;

TEST_F(ExportsTest, AnUnknownServiceIsReportedAndStillDescribedByRowZero) {
    TServiceAttribute a{};
    Resolve<GetServiceAttributeFn>("GetServiceAttribute")(&a, "nope");
    ASSERT_EQ(FBoxes.Count(), 1u);
    EXPECT_EQ(FBoxes.Last().Text, "сервис \"nope\" не найден");
    EXPECT_EQ(FBoxes.Last().Caption, "");
    EXPECT_EQ(FBoxes.Last().Flags, 0x10u);
    EXPECT_STREQ(a.Caption, "Местоположение");
    ASSERT_NE(a.Icon, nullptr);

    EXPECT_EQ(Resolve<GetAccessListFn>("GetAccessList")("nope"), nullptr);
    EXPECT_EQ(Resolve<InitServiceFormFn>("InitServiceForm")("nope", "1", nullptr), nullptr);
    EXPECT_EQ(FBoxes.Count(), 3u);
}

TEST_F(ExportsTest, TheServiceWindowComesFromTheConsoleAndTellsItsHostWhenItGoes) {
    auto init = Resolve<InitServiceFormFn>("InitServiceForm");

    // No console answers: construction fails and says so.
    Application::Instance().SetMainWindowHandle(0);
    EXPECT_EQ(init(ServiceId, "1111111111111", nullptr), nullptr);
    ASSERT_EQ(FBoxes.Count(), 1u);
    // What failed and what to do, then the cause for support.
    EXPECT_TRUE(FBoxes.Last().Text.startsWith("Окно справочника местоположений не открылось."))
        << FBoxes.Last().Text.toStdString();
    EXPECT_TRUE(FBoxes.Last().Text.contains("\n\nTMainBaseForm.CheckConsole: "));
    EXPECT_EQ(FBoxes.Last().Caption, "Местоположение");
    EXPECT_EQ(FBoxes.Last().Flags, 0x10u);

    ConsoleResponder console("QXVBASE", &Db->Session());

    // An access string that does not fit the twelve rights stops construction.
    EXPECT_EQ(init(ServiceId, "1", nullptr), nullptr);
    EXPECT_EQ(FBoxes.Count(), 2u);

    RecordingHost host;
    host.Answer = 3;  // the host cannot find the service it is told of: the user hears it
    QWidget* form = init(QByteArray(ServiceId).toLower().constData(), "1101111111111", &host);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "Местоположение");
    form->show();
    auto* add = form->findChild<QAction*>("aObjectAdd");
    auto* edit = form->findChild<QAction*>("aObjectEdit");
    ASSERT_TRUE(add && edit);
    EXPECT_FALSE(add->isEnabled());  // the second right (add) is denied
    EXPECT_EQ(console.Requests(), 1);

    form->close();  // frees itself and tells the host
    QTRY_COMPARE_WITH_TIMEOUT(host.Calls.size(), 1, 2000);
    EXPECT_EQ(host.Calls.front(), QString("0,%1,1").arg(ServiceId));
    EXPECT_EQ(FBoxes.Last().Caption, "TMainBaseForm.Destroy");
    EXPECT_EQ(FBoxes.Last().Text, "Не найдено\r\nСервис \"Местоположение\"");
}

TEST_F(ExportsTest, TheConsoleListsTheServiceAndOpensItInItsWorkspace) {
    const ServicePlugin plugin(QXV_PLUGIN_FILE);
    ASSERT_TRUE(plugin.Ok()) << plugin.ErrorText().toStdString();
    const auto services = plugin.Services();
    ASSERT_EQ(services.size(), 1);
    EXPECT_EQ(plugin.Rights(services[0].Identifier).size(), 12);

    ConsoleResponder console("QXVBASE", &Db->Session());
    ConsoleWindow window("sqlite:test", &Db->Session(), "1111111111111", nullptr,
                         QFileInfo(QXV_PLUGIN_FILE).absolutePath());
    QAction* entry = nullptr;
    for (QAction* action : window.ServicesMenu()->actions())
        if (action->text() == "Местоположение") entry = action;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->toolTip(), "Местоположение");
    EXPECT_FALSE(entry->icon().isNull());

    entry->trigger();
    ASSERT_EQ(window.Workspace()->subWindowList().size(), 1);
    QMdiSubWindow* sub = window.Workspace()->subWindowList().front();
    EXPECT_EQ(sub->windowTitle(), "Местоположение");
    ASSERT_NE(sub->widget(), nullptr);
    EXPECT_NE(sub->widget()->findChild<QObject*>("tvObjects"), nullptr);
    EXPECT_EQ(FBoxes.Count(), 0u);
}

}  // namespace
