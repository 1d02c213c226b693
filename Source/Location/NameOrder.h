#pragma once

#include <QList>
#include <QString>

class QTreeWidgetItem;

// The order in which places, types and kinds are listed: by the rules of the
// Russian alphabet for Cyrillic ("Ё" beside "Е", not after "Я") and of the
// usual collation for Latin, without regard to letter case.
namespace NameOrder {

// Negative, zero or positive as `a` comes before, with or after `b`.
int Compare(const QString& a, const QString& b);
inline bool Less(const QString& a, const QString& b) { return Compare(a, b) < 0; }

// Sorts rows by the text of their first column, keeping equal texts in their
// order; each text's collation key is made once.
void SortByText(QList<QTreeWidgetItem*>& items);

}  // namespace NameOrder
