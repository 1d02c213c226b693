#pragma once

#include <QString>
#include <QStringList>

// Finds the service plug-ins in a folder: shared libraries exporting GetServiceList.
class PluginCatalog {
public:
    explicit PluginCatalog(QString folder);

    // Full paths of the plug-ins found, in file-name order.
    QStringList Plugins() const;

private:
    QString FFolder;
};
