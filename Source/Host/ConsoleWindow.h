#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

#include "Host/ServicePlugin.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class TOraSession;

// The host console: a workspace for service windows and a menu listing the services
// of the plug-ins found beside the console.
class ConsoleWindow : public QMainWindow {
    Q_OBJECT
public:
    // `session` may be null (no database): services then cannot be opened.
    ConsoleWindow(const QString& databaseName, TOraSession* session, QString accessMode,
                  QWidget* parent = nullptr, const QString& pluginFolder = QString());
    ~ConsoleWindow() override;

    QMdiArea* Workspace() const { return FWorkspace; }
    QMenu* ServicesMenu() const { return FServicesMenu; }
    const std::vector<std::unique_ptr<ServicePlugin>>& Plugins() const { return FPlugins; }

    // Opens a service in the workspace; the subwindow, or null when the service refused.
    QMdiSubWindow* OpenService(const ServicePlugin& plugin, const QString& identifier);
    // The same for whichever plug-in offers the service; null when none does.
    QMdiSubWindow* OpenServiceById(const QString& identifier);
    // Asked before any service opens (the database may lack what services need);
    // false keeps the service closed.
    void SetBeforeOpen(std::function<bool()> check) { FBeforeOpen = std::move(check); }
    // One line per window: the console, then each service window with its object name,
    // its title and the items of its trees.
    QStringList OpenWindows() const;

private:
    class HostObject;
    void FillServicesMenu(const QString& pluginFolder);

    QMdiArea* FWorkspace = nullptr;
    QMenu* FServicesMenu = nullptr;
    TOraSession* FSession;
    QString FAccessMode;
    std::vector<std::unique_ptr<ServicePlugin>> FPlugins;
    std::vector<std::unique_ptr<HostObject>> FHostObjects;
    std::function<bool()> FBeforeOpen;
};
