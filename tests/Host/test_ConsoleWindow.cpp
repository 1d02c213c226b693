#include "Host/ConsoleWindow.h"
#include "Host/PluginCatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(PluginCatalogTest, TakesOnlyLibrariesExportingTheServiceList) {
    const PluginCatalog catalog(QXV_TEST_PLUGIN_DIR);
    const QStringList plugins = catalog.Plugins();
    ASSERT_EQ(plugins.size(), 1) << plugins.join(", ").toStdString();
    EXPECT_EQ(QFileInfo(plugins[0]).fileName(), "libqxvtest_plugin.so");
}

TEST(PluginCatalogTest, IgnoresFilesThatAreNotLibraries) {
    TempDir dir;
    QFile junk(dir.FilePath("libbroken.so"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an ELF file");
    junk.close();
    EXPECT_TRUE(PluginCatalog(dir.Path()).Plugins().isEmpty());
    EXPECT_TRUE(PluginCatalog(dir.FilePath("missing")).Plugins().isEmpty());
}

TEST(ConsoleWindowTest, HasAWorkspaceAndAServicesMenu) {
    ConsoleWindow window("sqlite:test", nullptr, "1");
    EXPECT_EQ(window.centralWidget(), window.Workspace());
    ASSERT_NE(window.ServicesMenu(), nullptr);
    EXPECT_FALSE(window.ServicesMenu()->actions().isEmpty());
}

}  // namespace
