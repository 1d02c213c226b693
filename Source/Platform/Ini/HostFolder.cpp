#include "Platform/Ini/HostFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

QString& FolderOverride() {
    static QString folder;
    return folder;
}

}  // namespace

QString HostExecutableFolder() {
    const QString& folder = FolderOverride();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void SetHostExecutableFolder(const QString& folder) { FolderOverride() = folder; }

QString HostLibraryFolder() {
    const QDir host(QCoreApplication::applicationDirPath());
    const QString installed = QDir::cleanPath(host.absoluteFilePath(QXV_LIBRARY_DIR_FROM_BIN));
    return QFileInfo(installed).isDir() ? installed : host.path();
}

QString HostSettingsFolder() {
    if (!FolderOverride().isEmpty()) return FolderOverride();
    const QString host = QCoreApplication::applicationDirPath();
    if (HostLibraryFolder() == host && QFileInfo(host).isWritable()) return host;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return config;
}

QString ModuleFileNameOf(const void* address) {
#if defined(Q_OS_WIN)
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module))
        return {};
    wchar_t path[MAX_PATH];
    const DWORD size = GetModuleFileNameW(module, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path, int(size))).fileName();
#else
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
#endif
}
