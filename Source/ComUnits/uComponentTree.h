#pragma once

#include <QList>

class QObject;

// The component model of the forms on top of the QObject tree.
//
// A form owns every component created inside it, however deeply nested in panels,
// but not the inner components of a frame or window it holds: those belong to the
// frame. Helper objects (watchers) are never components.

// Marks an object whose inner components belong to it rather than to its form.
void MarkComponentOwner(QObject* object);
bool IsComponentOwner(const QObject* object);

// Marks an object that must not be seen as a component.
void MarkHiddenObject(QObject* object);

// The components owned by root, in creation order within each parent, depth first.
QList<QObject*> OwnedComponents(const QObject* root);

// The integer "Tag" every component carries (0 when never set).
int TagOf(const QObject* object);
void SetTag(QObject* object, int tag);
