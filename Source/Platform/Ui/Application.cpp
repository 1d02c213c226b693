#include "Platform/Ui/Application.h"

#include <QApplication>
#include <QFileInfo>
#include <QThread>

#include <stdexcept>

#include "Platform/Data/DbBackend.h"
#include "Platform/Ui/MessageBoxes.h"

Application& Application::Instance() {
    static Application app;
    return app;
}

// A call that waits for another program's lock shows the busy cursor while it waits.
Application::Application() {
    SetLockWaitObserver([](bool waiting) {
        const auto* gui = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!gui || QThread::currentThread() != gui->thread()) return;
        if (waiting)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

QWidget* Application::ActiveWindow() const { return QApplication::activeWindow(); }

QString Application::Title() const {
    if (!FTitle.isEmpty()) return FTitle;
    const QString name = QCoreApplication::applicationName();
    if (!name.isEmpty()) return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void Application::HandleException(QObject* sender, std::exception& error) {
    if (FOnException) {
        FOnException(sender, error);
        return;
    }
    MessageBoxes::Show(QString::fromUtf8(error.what()), Title(), MB_OK | MB_ICONERROR, nullptr);
}

void Application::HandleUnknownException(QObject* sender) {
    std::runtime_error error("Unknown exception");
    HandleException(sender, error);
}

void Application::Reset() {
    FMainWindow = nullptr;
    FMainWindowHandle = 0;
    FTitle.clear();
    FOnException = nullptr;
}
