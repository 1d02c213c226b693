#include "Platform/Ui/ShellOpen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(ShellOpenTest, TheDesktopOpenerRefusesABlankTarget) {
    EXPECT_FALSE(TDesktopShellOpen().Open(""));
    EXPECT_FALSE(TDesktopShellOpen().Open("   "));
}

// As the shell does: a web address without a scheme goes to the browser, not to a
// file of that name; only what exists on disk opens as a file.
TEST(ShellOpenTest, TargetsBecomeTheAddressTheShellWouldOpen) {
    TempDir dir;
    QFile file(QDir(dir.Path()).filePath("notes.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString notes = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString();
    const struct {
        const char* Target;
        QString Url;
    } cases[] = {
        {"www.example.org", "http://www.example.org"},
        {" www.example.org/a?b=1 ", "http://www.example.org/a?b=1"},
        {"example.org", "http://example.org"},
        {"https://www.example.org", "https://www.example.org"},
        {"ftp://files.example.org/x", "ftp://files.example.org/x"},
        {"mailto:info@example.org", "mailto:info@example.org"},
        {"info@example.org", "mailto:info@example.org"},
        {"notes.txt", notes},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDesktopShellOpen::UrlFor(c.Target, dir.Path()).toString(), c.Url) << c.Target;
}

}  // namespace
