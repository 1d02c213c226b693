#include "Host/ConsoleWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include "Host/PluginCatalog.h"

ConsoleWindow::ConsoleWindow(const QString& databaseName, QWidget* parent) : QMainWindow(parent) {
    setObjectName("ConsoleWindow");
    setWindowTitle(tr("Console"));
    FWorkspace = new QMdiArea(this);
    FWorkspace->setObjectName("Workspace");
    setCentralWidget(FWorkspace);
    FServicesMenu = menuBar()->addMenu(tr("&Services"));
    FServicesMenu->setObjectName("ServicesMenu");
    FillServicesMenu();
    statusBar()->showMessage(databaseName);
    resize(1024, 700);
}

void ConsoleWindow::FillServicesMenu() {
    const PluginCatalog catalog(QCoreApplication::applicationDirPath());
    const QStringList plugins = catalog.Plugins();
    for (const QString& path : plugins)
        FServicesMenu->addAction(QFileInfo(path).completeBaseName());
    if (plugins.isEmpty())
        FServicesMenu->addAction(tr("(no services found)"))->setEnabled(false);
}
