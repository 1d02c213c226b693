#include "Platform/Ui/WindowMessages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {
// Handles start well away from small numbers so that a count or an identifier
// passed by mistake does not name a window.
constexpr TWindowHandle FirstHandle = 0x10000;
constexpr TWindowHandle HandleStep = 4;
}  // namespace

WindowMessages::WindowMessages() : FNextHandle(FirstHandle) {
    if (QCoreApplication* app = QCoreApplication::instance(); app && app->thread() != thread())
        moveToThread(app->thread());
}

WindowMessages& WindowMessages::Instance() {
    static WindowMessages* bus = new WindowMessages;  // lives as long as the process
    return *bus;
}

bool WindowMessages::OnOwnThread(const char* what) const {
    if (QThread::currentThread() == thread()) return true;
    qWarning("WindowMessages::%s: refused, called from a thread other than the bus's", what);
    return false;
}

TWindowHandle WindowMessages::Register(Handler handler) {
    if (!handler || !OnOwnThread("Register")) return 0;
    const TWindowHandle handle = FNextHandle;
    FNextHandle += HandleStep;
    FWindows.emplace(handle, std::make_shared<const Handler>(std::move(handler)));
    return handle;
}

void WindowMessages::Unregister(TWindowHandle handle) {
    if (OnOwnThread("Unregister")) FWindows.erase(handle);
}

bool WindowMessages::IsWindow(TWindowHandle handle) const {
    return OnOwnThread("IsWindow") && FWindows.count(handle) != 0;
}

long long WindowMessages::SendMessage(TWindowHandle handle, unsigned msg, long long wparam,
                                      long long lparam) {
    if (!OnOwnThread("SendMessage")) return 0;
    const auto it = FWindows.find(handle);
    if (it == FWindows.end()) return 0;
    const std::shared_ptr<const Handler> handler = it->second;
    return (*handler)(msg, wparam, lparam);
}

bool WindowMessages::PostMessage(TWindowHandle handle, unsigned msg, long long wparam,
                                 long long lparam) {
    if (!OnOwnThread("PostMessage") || FWindows.count(handle) == 0) return false;
    // Queued calls on one receiver run in the order they were queued.
    QMetaObject::invokeMethod(
        this, [this, handle, msg, wparam, lparam] { Deliver(handle, msg, wparam, lparam); },
        Qt::QueuedConnection);
    return true;
}

void WindowMessages::Deliver(TWindowHandle handle, unsigned msg, long long wparam,
                             long long lparam) {
    const auto it = FWindows.find(handle);
    if (it == FWindows.end()) return;
    const std::shared_ptr<const Handler> handler = it->second;
    (*handler)(msg, wparam, lparam);
}

TMessageWindow::TMessageWindow(WindowMessages::Handler handler)
    : FHandle(WindowMessages::Instance().Register(std::move(handler))) {}

TMessageWindow::~TMessageWindow() {
    if (FHandle != 0) WindowMessages::Instance().Unregister(FHandle);
}
