#include "ComUnits/uComFunctions.h"

#include <gtest/gtest.h>

#include "ComUnits/uAssert.h"

namespace {

TEST(AccessListTest, GrowingPastTenKeepsEveryEntryInOrder) {
    TAccessList list;
    std::vector<int> calls;
    for (int i = 0; i < 25; ++i) list.Add([&calls, i](bool) { calls.push_back(i); });
    EXPECT_EQ(list.Count(), 25);
    EXPECT_EQ(list.Capacity(), 30);
    for (int i = 0; i < list.Count(); ++i) list.Items(i)(true);
    std::vector<int> expected(25);
    for (int i = 0; i < 25; ++i) expected[i] = i;
    EXPECT_EQ(calls, expected);
}

TEST(AccessListTest, AnIndexOutsideTheEntriesIsAProgrammingError) {
    TAccessList list;
    list.Add([](bool) {});
    try {
        list.Items(1);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Text(), "uComFunctions;TAccessList.GetItems: Incorrect index: i = 1");
    }
    EXPECT_THROW(list.Items(-1), EAssertionFailed);
}

}  // namespace
