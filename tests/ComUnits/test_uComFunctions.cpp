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
    // Its text is one only a developer meets, for a program built wrong.
    EXPECT_THROW(list.Items(25), EAssertionFailed);
    EXPECT_THROW(list.Items(-1), EAssertionFailed);
}

}  // namespace
