#pragma once

#include <QString>

// A place as the tree, the address line and the search paths show it: short name, separator,
// name; the name alone without a short name. A short name that ends in its own full stop
// ("обл.") takes the separator without one, so no caption reads "обл.. Северная".
inline QString PlaceCaption(const QString& shortName, const QString& separator,
                            const QString& name) {
    if (shortName.isEmpty()) return name;
    const bool ownStop = shortName.endsWith(u'.') && separator.startsWith(u'.');
    return shortName + (ownStop ? separator.mid(1) : separator) + name;
}
