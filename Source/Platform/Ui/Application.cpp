#include "Platform/Ui/Application.h"

#include <QApplication>
#include <QFileInfo>

#include <stdexcept>

#include "Platform/Ui/MessageBoxes.h"

Application& Application::Instance() {
    static Application app;
    return app;
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
