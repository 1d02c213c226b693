#pragma once

#include <QString>

#include <vector>

// The order in which places, types and kinds are listed: by the rules of the
// Russian alphabet for Cyrillic ("Ё" beside "Е", not after "Я") and of the
// usual collation for Latin, without regard to letter case.
namespace NameOrder {

// Negative, zero or positive as `a` comes before, with or after `b`.
int Compare(const QString& a, const QString& b);
inline bool Less(const QString& a, const QString& b) { return Compare(a, b) < 0; }

// The indexes of `texts` in their order, equal texts kept in theirs; each text's collation key
// is made once. Safe on any thread.
std::vector<int> SortedOrder(const std::vector<QString>& texts);

}  // namespace NameOrder
