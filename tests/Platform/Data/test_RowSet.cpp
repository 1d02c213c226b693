#include <gtest/gtest.h>

#include <functional>
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

// A column of few distinct texts shares one string per run of equal rows; a column of names
// that never repeat gives up comparing, and every value stays right either way.
TEST(RowSet, RepeatedTextSharesRunsAndStaysRightWhenItStopsComparing) {
    struct TCase {
        const char* Name;
        std::function<QByteArray(int)> Text;
        bool SharedAtTheEnd;
    };
    const TCase cases[] = {
        {"short names in runs", [](int i) { return QByteArray(i / 10 % 2 ? "г." : "с."); }, true},
        {"names in pairs", [](int i) { return "место " + QByteArray::number(i / 2); }, true},
        {"unique, then one repeated",
         [](int i) { return i < 40 ? "место " + QByteArray::number(i) : QByteArray("село"); },
         false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRepeatedText column;
        QVariant last, previous;
        for (int i = 0; i < 100; ++i) {
            const QByteArray bytes = c.Text(i);
            previous = last;
            last = column.Value(bytes.constData(), size_t(bytes.size()));
            ASSERT_EQ(last.toString(), QString::fromUtf8(bytes)) << "row " << i;
        }
        // Rows 98 and 99 hold the same text in every case.
        EXPECT_EQ(last.toString().constData() == previous.toString().constData(),
                  c.SharedAtTheEnd);
    }
}
