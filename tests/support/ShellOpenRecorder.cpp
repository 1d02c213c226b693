#include "support/ShellOpenRecorder.h"

ShellOpenRecorder::ShellOpenRecorder(bool result)
    : FResult(result), FPrevious(ShellOpen::Install(this)) {}

ShellOpenRecorder::~ShellOpenRecorder() { ShellOpen::Install(FPrevious); }

bool ShellOpenRecorder::Open(const QString& target) {
    FTargets << target;
    return FResult;
}
