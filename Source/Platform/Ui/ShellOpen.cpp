#include "Platform/Ui/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace {
IShellOpen* InstalledShell = nullptr;
}

IShellOpen::~IShellOpen() = default;

IShellOpen& ShellOpen::Current() {
    static TDesktopShellOpen desktop;
    return InstalledShell ? *InstalledShell : desktop;
}

IShellOpen* ShellOpen::Install(IShellOpen* shell) {
    IShellOpen* previous = InstalledShell;
    InstalledShell = shell;
    return previous;
}

bool ShellOpen::Open(const QString& target) { return Current().Open(target); }

bool TDesktopShellOpen::Open(const QString& target) {
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty()) return false;
    // "www.example.org", "mailto:a@b", "https://…" and local paths all arrive here.
    const QUrl url = QUrl::fromUserInput(trimmed, QDir::currentPath(), QUrl::AssumeLocalFile);
    return url.isValid() && QDesktopServices::openUrl(url);
}
