#include "Host/ConsoleWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "Host/ConsoleLanguage.h"
#include "Host/PluginCatalog.h"
#include "Platform/HostProtocol.h"
#include "Platform/Ini/HostFolder.h"

// What a service window calls while it goes away: its subwindow goes with it.
class ConsoleWindow::HostObject : public IHostObject {
public:
    explicit HostObject(QWidget* window) : FWindow(window) {}
    int ServiceClosed(int, const QString&, int) override {
        if (FWindow) FWindow->deleteLater();
        return 0;
    }

private:
    QPointer<QWidget> FWindow;  // the subwindow, which may be on its way out
};

ConsoleWindow::ConsoleWindow(const QString& databaseName, TOraSession* session, QString accessMode,
                             QWidget* parent, const QString& pluginFolder)
    : QMainWindow(parent), FSession(session), FAccessMode(std::move(accessMode)) {
    setObjectName("ConsoleWindow");
    setWindowTitle(ConsoleLanguage::Text(QStringLiteral("Console")));
    FWorkspace = new QMdiArea(this);
    FWorkspace->setObjectName("Workspace");
    setCentralWidget(FWorkspace);
    FServicesMenu = menuBar()->addMenu(ConsoleLanguage::Text(QStringLiteral("&Services")));
    FServicesMenu->setObjectName("ServicesMenu");
    FillServicesMenu(pluginFolder.isEmpty() ? HostLibraryFolder() : pluginFolder);
    statusBar()->showMessage(databaseName);
    resize(1024, 700);
}

ConsoleWindow::~ConsoleWindow() {
    // Service windows go first, while the host objects they tell are still alive.
    for (QMdiSubWindow* window : FWorkspace->subWindowList()) {
        if (QWidget* form = window->widget()) form->close();
        delete window;
    }
}

void ConsoleWindow::FillServicesMenu(const QString& pluginFolder) {
    for (const QString& path : PluginCatalog(pluginFolder).Plugins()) {
        auto plugin = std::make_unique<ServicePlugin>(path);
        if (!plugin->Ok()) continue;
        for (const ServicePlugin::TService& service : plugin->Services()) {
            QAction* action = FServicesMenu->addAction(
                service.Icon, ConsoleLanguage::ServiceText(service.Caption));
            const QString hint = ConsoleLanguage::ServiceText(service.Hint);
            action->setToolTip(hint);
            action->setStatusTip(hint);
            action->setData(service.Identifier);
            const ServicePlugin* owner = plugin.get();
            const QString identifier = service.Identifier;
            connect(action, &QAction::triggered, this,
                    [this, owner, identifier] { OpenService(*owner, identifier); });
        }
        FPlugins.push_back(std::move(plugin));
    }
    FServicesMenu->menuAction()->setEnabled(!FServicesMenu->actions().isEmpty());
    if (FServicesMenu->actions().isEmpty())
        FServicesMenu->addAction(ConsoleLanguage::Text(QStringLiteral("(no services found)")))
            ->setEnabled(false);
}

QMdiSubWindow* ConsoleWindow::OpenServiceById(const QString& identifier) {
    for (const auto& plugin : FPlugins)
        for (const ServicePlugin::TService& service : plugin->Services())
            if (service.Identifier.compare(identifier, Qt::CaseInsensitive) == 0)
                return OpenService(*plugin, service.Identifier);
    return nullptr;
}

QMdiSubWindow* ConsoleWindow::OpenService(const ServicePlugin& plugin, const QString& identifier) {
    if (FBeforeOpen && !FBeforeOpen()) return nullptr;
    auto* window = new QMdiSubWindow;
    window->setAttribute(Qt::WA_DeleteOnClose, false);  // the service window decides
    auto host = std::make_unique<HostObject>(window);
    const QString access = FAccessSource ? FAccessSource() : FAccessMode;
    QWidget* form = plugin.OpenService(identifier, access, host.get());
    if (!form) {
        delete window;
        return nullptr;
    }
    FHostObjects.push_back(std::move(host));
    window->setWidget(form);
    // The service names itself in the base language; the console shows it in the user's.
    window->setWindowTitle(ConsoleLanguage::ServiceText(form->windowTitle()));
    window->setWindowIcon(form->windowIcon());
    FWorkspace->addSubWindow(window);
    window->resize(form->size().expandedTo(QSize(640, 480)));
    window->show();
    return window;
}

QStringList ConsoleWindow::OpenWindows() const {
    QStringList lines{QStringLiteral("%1 \"%2\" %3")
                          .arg(objectName(), windowTitle(), statusBar()->currentMessage())};
    for (QMdiSubWindow* window : FWorkspace->subWindowList()) {
        const QWidget* form = window->widget();
        if (!form) continue;
        QString line = QStringLiteral("%1 \"%2\"").arg(form->objectName(), window->windowTitle());
        for (QTreeWidget* tree : form->findChildren<QTreeWidget*>()) {
            int items = 0;
            for (QTreeWidgetItemIterator it(tree); *it; ++it) ++items;
            line += QStringLiteral(" %1=%2").arg(tree->objectName()).arg(items);
        }
        lines << line;
    }
    return lines;
}
