#pragma once

#include <QString>

#include "Platform/HostProtocol.h"
#include "Platform/Ui/WindowMessages.h"

class TOraSession;

// One handshake with the console: a hidden message window that sends the request
// to the application's main window and takes the two answers the console sends
// back while that request is still in progress.
class TApplicationMessaging {
public:
    TApplicationMessaging();
    TApplicationMessaging(const TApplicationMessaging&) = delete;
    TApplicationMessaging& operator=(const TApplicationMessaging&) = delete;

    TWindowHandle Handle() const { return FWindow.Handle(); }
    // Sends the request; the result is the console's answer (-12345678 when it answered).
    long long Request();

private:
    long long OnMessage(unsigned msg, long long wparam, long long lparam);
    long long OnConsoleInfo(const TConsoleInfo* info);
    long long OnHostLink(const THostLink* link);

    TMessageWindow FWindow;
    bool FWaiting = false;
};

// The oldest console file version a service window accepts.
inline const QString RequiredConsoleVersion = QStringLiteral("4.0.1.0");

// Dot-separated numbers compared from the left, a missing part counting as 0
// (a part that is not a number counts as 0 too). Negative, zero or positive.
int CompareVersions(const QString& a, const QString& b);

// The console's answers, asked for once per process (again while it has not answered).
TConsoleInfo GetConsoleInfo();
struct THostLinkValues {
    QString SchemaName;
    TOraSession* Session = nullptr;
};
THostLinkValues GetHostLink();
bool HandshakeAnswered();
// Forgets the console's answers (tests, or a console that went away).
void ResetHandshake();

// Succeeds inside a standard console of a sufficient version, else throws
// EGeneralError with the reason.
void CheckConsole();
