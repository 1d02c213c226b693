#include "Platform/Data/RowSet.h"

#include <algorithm>
#include <cstring>
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

void TRows::AddRow(const QVariant* cells, size_t width) {
    if (FFilled != 0) throw std::logic_error("a whole row added before the last one is full");
    if (FCount == 0 && FCells.empty()) FWidth = width;
    if (width != FWidth) throw std::invalid_argument("a row of another width than the set's");
    for (size_t c = 0; c < width; ++c) FCells.append(cells[c]);
    ++FCount;
}

void TRows::clear() {
    FCells.clear();
    FCount = 0;
    FFilled = 0;
}

void TRows::Reverse() {
    for (size_t low = 0, high = FCount; low + 1 < high; ++low, --high)
        std::swap_ranges(FCells.begin() + std::ptrdiff_t(low * FWidth),
                         FCells.begin() + std::ptrdiff_t((low + 1) * FWidth),
                         FCells.begin() + std::ptrdiff_t((high - 1) * FWidth));
}

QVariant TRepeatedText::Value(const char* utf8, size_t size) {
    if (FGivenUp) return QString::fromUtf8(utf8, qsizetype(size));
    if (FHeld && size == FBytes.size() && std::memcmp(utf8, FBytes.data(), size) == 0) {
        ++FRepeats;
        return FValue;
    }
    if (++FSeen == kTrialRows && FRepeats < kWorthwhile) {
        FGivenUp = true;
        FBytes = {};
        FValue = {};
        return QString::fromUtf8(utf8, qsizetype(size));
    }
    FBytes.assign(utf8, size);
    FValue = QString::fromUtf8(utf8, qsizetype(size));
    FHeld = true;
    return FValue;
}
