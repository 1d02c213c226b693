#include "ComUnits/uComFunctions.h"

#include <gtest/gtest.h>

#include "ComUnits/uAssert.h"

namespace {

TEST(AccessListTest, GrowingPastTenKeepsEveryEntryInOrderAndRefusesOtherIndexes) {
    TAccessList list;
    std::vector<int> calls;
    for (int i = 0; i < 25; ++i) list.Add([&calls, i](bool) { calls.push_back(i); });
    for (int i = 0; i < list.Count(); ++i) list.Items(i)(true);
    ASSERT_EQ(calls.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(calls[i], i);
    try {
        list.Items(25);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Text(), "uComFunctions;TAccessList.GetItems: Incorrect index: i = 25");
    }
    EXPECT_THROW(list.Items(-1), EAssertionFailed);
}

}  // namespace
