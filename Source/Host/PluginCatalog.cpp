#include "Host/PluginCatalog.h"

#include <QDir>
#include <QLibrary>

PluginCatalog::PluginCatalog(QString folder) : FFolder(std::move(folder)) {}

QStringList PluginCatalog::Plugins() const {
    QStringList found;
    const QDir dir(FFolder);
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString path = dir.filePath(name);
        if (!QLibrary::isLibrary(path)) continue;
        QLibrary lib(path);
        if (lib.load() && lib.resolve("GetServiceList")) found << path;
        // Plug-ins stay loaded: unloading a Qt-using library while the process runs is unsafe.
    }
    return found;
}
