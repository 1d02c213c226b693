#include "Platform/Ui/ShellOpen.h"

#include <gtest/gtest.h>

#include "support/ShellOpenRecorder.h"

namespace {

TEST(ShellOpenTest, TargetsReachTheInstalledOpenerInOrderWithItsAnswer) {
    ShellOpenRecorder shell;
    EXPECT_TRUE(ShellOpen::Open("mailto:info@example.org"));
    shell.SetResult(false);
    EXPECT_FALSE(ShellOpen::Open("http://www.example.org"));
    EXPECT_EQ(shell.Targets(), (QStringList{"mailto:info@example.org", "http://www.example.org"}));
}

TEST(ShellOpenTest, TheDesktopOpenerRefusesAnEmptyTarget) {
    EXPECT_FALSE(TDesktopShellOpen().Open(""));
    EXPECT_FALSE(TDesktopShellOpen().Open("   "));
}

}  // namespace
