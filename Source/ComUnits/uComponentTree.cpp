#include "ComUnits/uComponentTree.h"

#include <QObject>
#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* OwnerProperty = "qxvComponentOwner";
constexpr const char* HiddenProperty = "qxvHidden";
constexpr const char* TagProperty = "Tag";

bool IsWindowWidget(const QObject* object) {
    return object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow();
}

void CollectOwned(const QObject* parent, QList<QObject*>& out) {
    for (QObject* child : parent->children()) {
        if (child->property(HiddenProperty).toBool()) continue;
        out << child;
        if (!IsComponentOwner(child) && !IsWindowWidget(child)) CollectOwned(child, out);
    }
}

}  // namespace

void MarkComponentOwner(QObject* object) { object->setProperty(OwnerProperty, true); }

bool IsComponentOwner(const QObject* object) { return object->property(OwnerProperty).toBool(); }

void MarkHiddenObject(QObject* object) { object->setProperty(HiddenProperty, true); }

QList<QObject*> OwnedComponents(const QObject* root) {
    QList<QObject*> out;
    if (root) CollectOwned(root, out);
    return out;
}

int TagOf(const QObject* object) { return object ? object->property(TagProperty).toInt() : 0; }

void SetTag(QObject* object, int tag) { object->setProperty(TagProperty, tag); }
