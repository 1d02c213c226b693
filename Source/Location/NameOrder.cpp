#include "Location/NameOrder.h"

#include <QCollator>
#include <QTreeWidgetItem>

#include <algorithm>
#include <vector>

namespace {

const QCollator& Collator() {
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Russian, QLocale::Russia)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

}  // namespace

int NameOrder::Compare(const QString& a, const QString& b) { return Collator().compare(a, b); }

void NameOrder::SortByText(QList<QTreeWidgetItem*>& items) {
    std::vector<std::pair<QCollatorSortKey, QTreeWidgetItem*>> keyed;
    keyed.reserve(items.size());
    for (QTreeWidgetItem* item : items) keyed.emplace_back(Collator().sortKey(item->text(0)), item);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    for (qsizetype i = 0; i < items.size(); ++i) items[i] = keyed[size_t(i)].second;
}
