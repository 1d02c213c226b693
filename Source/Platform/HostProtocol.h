#pragma once

#include <QString>

class TOraSession;

// What the console and its service plug-ins exchange. Both sides are built against
// these declarations, so the records are plain C++ rather than byte layouts.

namespace HostMessage {
// Plug-in -> console main window: "tell me about yourself". wparam: the plug-in's
// window handle; lparam: 2024. The console answers HandshakeAnswered.
constexpr unsigned Request = 2024;
// Console -> plug-in window: wparam the console's main window handle, lparam a TConsoleInfo*.
constexpr unsigned ConsoleInfo = 2025;
// Console -> plug-in window: wparam the console's main window handle, lparam a THostLink*.
constexpr unsigned HostLink = 2026;

constexpr long long Answered = -12345678;
constexpr long long Refused = 12345678;
constexpr long long NotExpected = -1;
}  // namespace HostMessage

// The console's version information: six texts; the third is the file version,
// the fifth the product version.
struct TFileVerInfo {
    QString Fields[6];
    const QString& FileVersion() const { return Fields[2]; }
    const QString& ProductVersion() const { return Fields[4]; }
};

struct TConsoleInfo {
    bool StandardConsole = false;
    QString RequiredVersion;  // filled in by the plug-in
    bool VersionAccepted = false;
    TFileVerInfo FileVerInfo;
};

struct THostLink {
    const char* SchemaName = nullptr;  // zero-terminated UTF-8, owned by the console
    TOraSession* Session = nullptr;    // the console's session, never freed by a plug-in
};

// The object a console hands to InitServiceForm; a service window calls it once
// while it is destroyed. Results: 0 fine, 1 load error, 3 not found.
class IHostObject {
public:
    virtual ~IHostObject() = default;
    virtual int ServiceClosed(int reserved, const QString& serviceName, int reason) = 0;
};
