#include "ComUnits/uResources.h"

#include <QHash>

namespace {
QHash<QString, QIcon>& Icons() {
    static QHash<QString, QIcon> icons;
    return icons;
}
}  // namespace

void RegisterIconResource(const QString& name, const QIcon& icon) {
    Icons().insert(name.toUpper(), icon);
}

QIcon IconResource(const QString& name) { return Icons().value(name.toUpper()); }

bool HasIconResource(const QString& name) { return Icons().contains(name.toUpper()); }
