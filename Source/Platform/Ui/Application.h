#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>

#include "Platform/Ui/WindowMessages.h"
#include "Platform/qxvglobal.h"

class QObject;

// The one application object of the process: the console's main window (as a
// widget and as a handle on the window-message bus), the active window, the
// title used as the caption of plain messages, and the last-resort exception
// handler that Qt slots route their failures to.
class QXV_PLATFORM_EXPORT Application {
public:
    using ExceptionHandler = std::function<void(QObject* sender, std::exception& error)>;

    static Application& Instance();

    QWidget* MainWindow() const { return FMainWindow.data(); }
    void SetMainWindow(QWidget* window) { FMainWindow = window; }
    // The handle the main window answers messages on; 0 when there is none.
    TWindowHandle MainWindowHandle() const { return FMainWindowHandle; }
    void SetMainWindowHandle(TWindowHandle handle) { FMainWindowHandle = handle; }

    // The top-level window that has the keyboard focus, or null.
    QWidget* ActiveWindow() const;

    // Defaults to the program's name, as the caption of plain messages did.
    QString Title() const;
    void SetTitle(const QString& title) { FTitle = title; }

    const ExceptionHandler& OnException() const { return FOnException; }
    void SetOnException(ExceptionHandler handler) { FOnException = std::move(handler); }

    // Calls OnException when set; otherwise shows the exception's text in an
    // error box captioned with the title.
    void HandleException(QObject* sender, std::exception& error);

    // Runs an action that must not let an exception escape (a slot, an event
    // handler) and hands any exception to HandleException.
    template <class F>
    void Protect(QObject* sender, F&& action) {
        try {
            action();
        } catch (std::exception& e) {
            HandleException(sender, e);
        } catch (...) {
            HandleUnknownException(sender);
        }
    }

    // A slot that runs a member of `object` under Protect, for connecting to a signal.
    template <class T>
    static auto Guarded(T* object, void (T::*member)()) {
        return [object, member] { Instance().Protect(object, [&] { (object->*member)(); }); };
    }

    // Forgets main window, handle, title and hook (tests start from scratch).
    void Reset();

private:
    Application();
    void HandleUnknownException(QObject* sender);

    QPointer<QWidget> FMainWindow;
    TWindowHandle FMainWindowHandle = 0;
    QString FTitle;
    ExceptionHandler FOnException;
};
