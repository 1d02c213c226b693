#pragma once

#include <QMainWindow>

class QMdiArea;
class QMenu;

// The host console: a workspace for service windows and a menu listing the services.
class ConsoleWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ConsoleWindow(const QString& databaseName, QWidget* parent = nullptr);

    QMdiArea* Workspace() const { return FWorkspace; }
    QMenu* ServicesMenu() const { return FServicesMenu; }

private:
    void FillServicesMenu();

    QMdiArea* FWorkspace = nullptr;
    QMenu* FServicesMenu = nullptr;
};
