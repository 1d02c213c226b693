#pragma once

#include <QStringList>

#include "Platform/Ui/ShellOpen.h"

// Installed for its lifetime in place of the desktop: keeps every target and
// answers with a fixed result.
class ShellOpenRecorder : public IShellOpen {
public:
    explicit ShellOpenRecorder(bool result = true);
    ~ShellOpenRecorder() override;
    ShellOpenRecorder(const ShellOpenRecorder&) = delete;
    ShellOpenRecorder& operator=(const ShellOpenRecorder&) = delete;

    bool Open(const QString& target) override;

    const QStringList& Targets() const { return FTargets; }

private:
    QStringList FTargets;
    bool FResult;
    IShellOpen* FPrevious;
};
