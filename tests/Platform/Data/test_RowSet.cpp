#include <gtest/gtest.h>

#include <stdexcept>

#include "Platform/Data/RowSet.h"

namespace {
// The set's rows as one list per row, for comparing whole sets.
std::vector<std::vector<int>> Contents(const TRows& rows) {
    std::vector<std::vector<int>> out;
    for (TRowView row : rows) {
        std::vector<int> cells;
        for (const QVariant& cell : row) cells.push_back(cell.toInt());
        out.push_back(cells);
    }
    return out;
}
}  // namespace

TEST(RowSet, CellsAppendedOneByOneMakeRowsOfTheSetWidth) {
    TRows rows;
    rows.SetWidth(3);
    for (int cell = 0; cell < 7; ++cell) rows.Append(cell);
    // The seventh cell starts a row that is not complete yet.
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(Contents(rows), (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5}}));
    EXPECT_THROW(rows.SetWidth(2), std::logic_error);
    rows.clear();
    EXPECT_TRUE(rows.empty());
}

TEST(RowSet, ReverseKeepsEveryRowWholeForAnyCount) {
    for (int count = 0; count <= 5; ++count) {
        TRows rows;
        std::vector<std::vector<int>> expected;
        for (int row = 0; row < count; ++row) {
            rows.push_back({row, row * 10});
            expected.insert(expected.begin(), {row, row * 10});
        }
        rows.Reverse();
        EXPECT_EQ(Contents(rows), expected) << count << " rows";
    }
}

TEST(RowSet, RowsOfAnotherWidthAndPositionsPastTheEndAreRefused) {
    TRows rows{{1, "a"}, {2, "b"}};
    EXPECT_THROW(rows.push_back({3}), std::invalid_argument);
    EXPECT_THROW(rows.push_back({3, "c", 0}), std::invalid_argument);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at(1).at(1).toString(), "b");
    EXPECT_THROW(rows.at(2), std::out_of_range);
    EXPECT_THROW(rows.at(0).at(2), std::out_of_range);
}
