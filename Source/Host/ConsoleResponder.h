#pragma once

#include <QByteArray>
#include <QString>

#include "Platform/HostProtocol.h"
#include "Platform/Ui/WindowMessages.h"

class TOraSession;

// The console's side of the handshake: the console's main window on the message
// bus. Asked by a service window, it sends back its version record and then the
// schema and session, and answers that it did.
class ConsoleResponder {
public:
    // The console's own file version; a standard console.
    static QString ConsoleFileVersion();

    ConsoleResponder(QString schema, TOraSession* session);
    ~ConsoleResponder();
    ConsoleResponder(const ConsoleResponder&) = delete;
    ConsoleResponder& operator=(const ConsoleResponder&) = delete;

    TWindowHandle Handle() const { return FWindow.Handle(); }

    // What the console tells about itself (tests vary it).
    TConsoleInfo& Info() { return FInfo; }
    void SetSchema(const QString& schema) { FSchema = schema.toUtf8(); }
    void SetSession(TOraSession* session) { FSession = session; }
    int Requests() const { return FRequests; }

private:
    long long OnMessage(unsigned msg, long long wparam, long long lparam);

    TMessageWindow FWindow;
    TConsoleInfo FInfo;
    QByteArray FSchema;
    TOraSession* FSession;
    int FRequests = 0;
};
