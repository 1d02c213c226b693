#include "Platform/Data/RowSet.h"

#include <algorithm>
#include <stdexcept>

const QVariant& TRowView::at(size_t column) const {
    if (column >= FWidth) throw std::out_of_range("row has no such column");
    return FCells[column];
}

TRows::TRows(std::initializer_list<std::initializer_list<QVariant>> rows) {
    for (const auto& row : rows) push_back(row);
}

TRowView TRows::at(size_t row) const {
    if (row >= FCount) throw std::out_of_range("row set has no such row");
    return (*this)[row];
}

void TRows::SetWidth(size_t width) {
    if (!FCells.empty()) throw std::logic_error("the width of a filled row set is fixed");
    FWidth = width;
}

void TRows::Append(QVariant cell) {
    FCells.push_back(std::move(cell));
    if (FWidth > 0 && FCells.size() % FWidth == 0) ++FCount;
}

void TRows::AddRow(const QVariant* cells, size_t width) {
    if (FCount == 0 && FCells.empty()) FWidth = width;
    if (width != FWidth) throw std::invalid_argument("a row of another width than the set's");
    FCells.insert(FCells.end(), cells, cells + width);
    ++FCount;
}

void TRows::clear() {
    FCells.clear();
    FCount = 0;
}

void TRows::Reverse() {
    for (size_t low = 0, high = FCount; low + 1 < high; ++low, --high)
        std::swap_ranges(FCells.begin() + std::ptrdiff_t(low * FWidth),
                         FCells.begin() + std::ptrdiff_t((low + 1) * FWidth),
                         FCells.begin() + std::ptrdiff_t((high - 1) * FWidth));
}
