#include "Host/ConsoleLanguage.h"
#include "Host/ConsoleWindow.h"
#include "Host/PluginCatalog.h"
#include "Host/SchemaCheck.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Platform/Data/DbBackend.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/MessageBoxRecorder.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace {

// The catalogue takes only libraries that export the service list: not a library without it,
// not a file that is no library, nothing from a folder that is not there.
TEST(PluginCatalogTest, TakesOnlyLibrariesExportingTheServiceList) {
    const QStringList plugins = PluginCatalog(QXV_TEST_PLUGIN_DIR).Plugins();
    ASSERT_EQ(plugins.size(), 1) << plugins.join(", ").toStdString();
    EXPECT_EQ(QFileInfo(plugins[0]).fileName(), "libqxvtest_plugin.so");
    TempDir dir;
    QFile junk(dir.FilePath("libbroken.so"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an ELF file");
    junk.close();
    EXPECT_TRUE(PluginCatalog(dir.Path()).Plugins().isEmpty());
    EXPECT_TRUE(PluginCatalog(dir.FilePath("missing")).Plugins().isEmpty());
}

TEST(ConsoleWindowTest, OpensAServiceByItsIdentifierAfterTheCheck) {
    // The location service, beside the test programs as beside the console.
    ConsoleWindow window("sqlite:test", nullptr, "1");
    int checks = 0;
    window.SetBeforeOpen([&] {
        ++checks;
        return false;
    });
    EXPECT_EQ(window.OpenServiceById("NO-SUCH-SERVICE"), nullptr);
    EXPECT_EQ(checks, 0);
    // Found in any case of letters; the check refuses, so nothing opens.
    EXPECT_EQ(window.OpenServiceById("16d1583a-13b8-4d80-bee1-c05b83c44f41"), nullptr);
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(window.Workspace()->subWindowList().isEmpty());
}

// A database without the directory: one question names what is missing and the
// command that creates it; yes creates it, and then nothing is asked any more.
TEST(SchemaCheckTest, AsksOnceAndCreatesTheDirectoryOnYes) {
    RegisterSqliteServer();
    TempDir dir;
    const QString dsn = "sqlite:" + dir.FilePath("empty.db");
    const std::unique_ptr<IDbConnection> db = OpenConnection(dsn);
    MessageBoxRecorder boxes;
    const struct {
        int Answer;
        bool Found;
        size_t Boxes;
    } steps[] = {{IDNO, false, 1}, {IDYES, true, 1}, {IDNO, true, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Answer);
        boxes.Clear();
        boxes.Answer(step.Answer);
        EXPECT_EQ(EnsureDirectorySchema(*db, "QXVBASE", dsn), step.Found);
        ASSERT_EQ(boxes.Count(), step.Boxes);
        if (step.Boxes == 0) continue;
        const QString text = boxes.Last().Text;
        EXPECT_TRUE(text.contains("QXVERPLOCAT.GET_T#LOCATION,")) << text.toStdString();
        EXPECT_TRUE(text.contains("QXVERPINFORM.GET_T#INFORMATION")) << text.toStdString();
        EXPECT_TRUE(text.contains("qxvdb init --db " + dsn + " --schema QXVBASE"))
            << text.toStdString();
        EXPECT_EQ(boxes.Last().Flags & MbButtonsMask, MB_YESNO);
    }
    EXPECT_TRUE(MissingDirectoryRoutines(*db, "QXVBASE").isEmpty());
    EXPECT_EQ(MissingDirectoryRoutines(*db, "OTHER").size(), 7);
}

// Each user reads the console, the service's caption and Qt's own texts in their language.
TEST(ConsoleLanguageTest, EachUserReadsTheConsoleAndQtInTheirLanguage) {
    const struct {
        int Language;
        const char *Title, *Services, *Service, *Yes, *LookIn;
    } users[] = {{25, "Консоль", "&Сервисы", "Местоположение", "&Да", "Перейти к:"},
                 {9, "Console", "&Services", "Location", "&Yes", "Look in:"}};
    for (const auto& user : users) {
        SCOPED_TRACE(user.Language);
        TestDatabase db;
        if (user.Language != 25) db.SetUserLanguage(user.Language);
        const std::unique_ptr<QTranslator> qt(ConsoleLanguage::Install(db.Schema(), &db.Session()));
        ConsoleWindow window("sqlite:test", &db.Session(), "1");
        EXPECT_EQ(window.windowTitle(), user.Title);
        EXPECT_EQ(window.ServicesMenu()->title(), user.Services);
        EXPECT_EQ(window.ServicesMenu()->actions().value(0)->text(), user.Service);
        QMessageBox box(QMessageBox::Question, window.windowTitle(), user.Services,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), user.Yes);
        Snapshot(window, user.Language == 25 ? "console-russian" : "console-english");
        Snapshot(box,
                 user.Language == 25 ? "console-russian-qt-buttons" : "console-english-qt-buttons");
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        EXPECT_EQ(files.findChild<QLabel*>("lookInLabel")->text(), user.LookIn);
        DoneTranslation();
    }
}

}  // namespace
