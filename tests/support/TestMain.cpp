#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "Platform/Ini/HostFolder.h"

namespace {

// Settings files go to a folder of the test program's own, emptied before each test,
// so every test starts as a first run and nothing is written beside the binaries.
class TFreshSettings : public ::testing::EmptyTestEventListener {
public:
    explicit TFreshSettings(QString folder) : FFolder(std::move(folder)) {}
    void OnTestStart(const ::testing::TestInfo&) override {
        QDir dir(FFolder);
        for (const QString& name : dir.entryList(QDir::Files)) dir.remove(name);
        SetHostExecutableFolder(FFolder);
    }

private:
    QString FFolder;
};

}  // namespace

// Every test program gets a QApplication: widgets, images and the event loop need one.
// Tests never need a display; test discovery runs the program without CTest's environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QDir::temp().filePath("qxv-test-runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir settings;
    SetHostExecutableFolder(settings.path());
    ::testing::UnitTest::GetInstance()->listeners().Append(new TFreshSettings(settings.path()));
    return RUN_ALL_TESTS();
}
