#include "Host/ConsoleResponder.h"

#include "Platform/Ui/Application.h"

QString ConsoleResponder::ConsoleFileVersion() { return QStringLiteral("4.1.0.0"); }

ConsoleResponder::ConsoleResponder(QString schema, TOraSession* session)
    : FWindow([this](unsigned msg, long long w, long long l) { return OnMessage(msg, w, l); }),
      FSchema(schema.toUtf8()),
      FSession(session) {
    FInfo.StandardConsole = true;
    FInfo.FileVerInfo.Fields[2] = ConsoleFileVersion();
    FInfo.FileVerInfo.Fields[4] = ConsoleFileVersion();
    Application::Instance().SetMainWindowHandle(FWindow.Handle());
}

ConsoleResponder::~ConsoleResponder() {
    if (Application::Instance().MainWindowHandle() == FWindow.Handle())
        Application::Instance().SetMainWindowHandle(0);
}

long long ConsoleResponder::OnMessage(unsigned msg, long long wparam, long long) {
    if (msg != HostMessage::Request) return 0;
    ++FRequests;
    auto& bus = WindowMessages::Instance();
    const TWindowHandle service = wparam;
    bus.SendMessage(service, HostMessage::ConsoleInfo, Handle(),
                    WindowMessages::PointerParam(&FInfo));
    THostLink link;
    link.SchemaName = FSchema.isEmpty() ? nullptr : FSchema.constData();
    link.Session = FSession;
    const long long linked = bus.SendMessage(service, HostMessage::HostLink, Handle(),
                                             WindowMessages::PointerParam(&link));
    return linked == HostMessage::Answered ? HostMessage::Answered : HostMessage::Refused;
}
