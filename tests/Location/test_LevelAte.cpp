#include "Location/LevelAte.h"

#include <gtest/gtest.h>

namespace {

TEST(LevelAteListTest, KeepsOneEntryPerLevelAndAnswersWhetherItAllowsAnAbbreviation) {
    TLevelAteList list;
    list.AddAbbrev(2, 10);
    list.AddAbbrev(1, 5);
    list.AddAbbrev(2, 11);
    list.AddAbbrev(2, 10);
    EXPECT_EQ(list.Count(), 2);
    ASSERT_NE(list.FindLevel(2), nullptr);
    EXPECT_EQ(list.FindLevel(2)->Abbrevs, (QList<int>{10, 11}));
    EXPECT_EQ(&list.AddLevel(1), list.FindLevel(1));
    EXPECT_TRUE(list.LevelHasAbbrev(2, 11));
    EXPECT_FALSE(list.LevelHasAbbrev(2, 5));
    EXPECT_FALSE(list.LevelHasAbbrev(3, 10));  // absent level
    EXPECT_EQ(list.FindLevel(3), nullptr);
}

}  // namespace
