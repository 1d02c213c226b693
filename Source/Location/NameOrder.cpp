#include "Location/NameOrder.h"

#include <QCollator>

#include <algorithm>
#include <vector>

namespace {

// One collator per thread: a level's order is also worked out on a loading thread.
const QCollator& Collator() {
    thread_local const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Russian, QLocale::Russia)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

}  // namespace

int NameOrder::Compare(const QString& a, const QString& b) { return Collator().compare(a, b); }

std::vector<int> NameOrder::SortedOrder(const std::vector<QString>& texts) {
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        keyed.emplace_back(Collator().sortKey(texts[i]), int(i));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    std::vector<int> order;
    order.reserve(keyed.size());
    for (const auto& k : keyed) order.push_back(k.second);
    return order;
}
