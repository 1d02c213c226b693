#include "Platform/Ui/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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
    const QUrl url = UrlFor(target, QDir::currentPath());
    return url.isValid() && QDesktopServices::openUrl(url);
}

QUrl TDesktopShellOpen::UrlFor(const QString& target, const QString& workingDir) {
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty()) return QUrl();
    const QFileInfo file(QDir(workingDir), trimmed);
    if (file.exists()) return QUrl::fromLocalFile(file.absoluteFilePath());
    static const QRegularExpression mailAddress(QStringLiteral("^[^@/:\\s]+@[^@/:\\s]+$"));
    if (mailAddress.match(trimmed).hasMatch()) return QUrl(QStringLiteral("mailto:") + trimmed);
    // Without AssumeLocalFile a host name ("www.example.org", "example.org/a") becomes
    // http and a path that names no file stays a file.
    return QUrl::fromUserInput(trimmed, workingDir);
}
