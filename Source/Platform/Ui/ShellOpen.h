#pragma once

#include <QString>
#include <QUrl>

#include "Platform/qxvglobal.h"

// Opens a document, web address or mail address with the desktop's handler.
class QXV_PLATFORM_EXPORT IShellOpen {
public:
    virtual ~IShellOpen();
    virtual bool Open(const QString& target) = 0;
};

class QXV_PLATFORM_EXPORT ShellOpen {
public:
    static IShellOpen& Current();
    // Installs an implementation (not owned; null goes back to the desktop's)
    // and returns the one it replaces.
    static IShellOpen* Install(IShellOpen* shell);
    // False when the target is empty or nothing could open it.
    static bool Open(const QString& target);
};

class QXV_PLATFORM_EXPORT TDesktopShellOpen : public IShellOpen {
public:
    bool Open(const QString& target) override;

    // What the shell's "open" makes of a target: an address with a scheme as it
    // stands, an existing file or folder (relative to `workingDir`) as a file, a bare
    // mail address as mailto, a scheme-less web address ("www.example.org") as http;
    // invalid when empty.
    static QUrl UrlFor(const QString& target, const QString& workingDir);
};
