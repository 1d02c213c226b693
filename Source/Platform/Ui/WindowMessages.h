#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <unordered_map>

#include "Platform/qxvglobal.h"

// An opaque, non-zero number that names a window on the message bus. Handles are
// never reused within a process, so a stale handle simply names no window.
using TWindowHandle = qint64;

// The process-wide, synchronous window-message bus shared by the console and its
// plug-ins. A window is a handle plus a handler; SendMessage calls the handler on
// the calling thread and returns its result, so a handler may itself send to
// other windows (or back to the sender) while the outer send is still running:
// the host handshake is such a nested exchange. PostMessage queues the message
// and the Qt event loop delivers it later, in posting order.
//
// The bus belongs to the application's main thread. A send or post from any
// other thread is refused: it returns 0 / false, delivers nothing and warns.
class QXV_PLATFORM_EXPORT WindowMessages : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<long long(unsigned msg, long long wparam, long long lparam)>;

    static WindowMessages& Instance();

    // Registers a window and gives its new handle; an empty handler gives 0.
    TWindowHandle Register(Handler handler);
    // Forgets a window; later sends to it return 0 and queued posts are dropped.
    void Unregister(TWindowHandle handle);
    bool IsWindow(TWindowHandle handle) const;

    // The handler's result, or 0 for a handle that names no window (or a call
    // from a foreign thread).
    long long SendMessage(TWindowHandle handle, unsigned msg, long long wparam, long long lparam);
    // False when the handle names no window now or the call comes from a foreign
    // thread. A window destroyed before delivery never sees the message.
    bool PostMessage(TWindowHandle handle, unsigned msg, long long wparam, long long lparam);

    // Pointers travel in wparam/lparam as integers.
    template <class T>
    static long long PointerParam(T* p) {
        return static_cast<long long>(reinterpret_cast<quintptr>(p));
    }
    template <class T>
    static T* ParamPointer(long long value) {
        return reinterpret_cast<T*>(static_cast<quintptr>(value));
    }

private:
    WindowMessages();
    bool OnOwnThread(const char* what) const;
    void Deliver(TWindowHandle handle, unsigned msg, long long wparam, long long lparam);

    // shared_ptr: a handler stays alive while it runs even if its window is
    // unregistered from inside it.
    std::unordered_map<TWindowHandle, std::shared_ptr<const Handler>> FWindows;
    TWindowHandle FNextHandle;
};

// A window that exists only to receive messages: it takes a handle on the bus
// when constructed and gives it back when destroyed.
class QXV_PLATFORM_EXPORT TMessageWindow {
public:
    explicit TMessageWindow(WindowMessages::Handler handler);
    ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    TWindowHandle Handle() const { return FHandle; }

private:
    TWindowHandle FHandle;
};
