#include "core/dyn_array.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DynArrayTest, GrowsToTheNextMultipleOfTheStepAndKeepsValues) {
    DynArray<short> a(10);
    EXPECT_EQ(a.Capacity(), 0);
    a[0] = 5;
    EXPECT_EQ(a.Capacity(), 10);
    a[9] = 9;
    EXPECT_EQ(a.Capacity(), 10);
    a[10] = 10;
    EXPECT_EQ(a.Capacity(), 20);
    EXPECT_EQ(a[0], 5);
    EXPECT_EQ(a[9], 9);
    DynArray<short> b(10);
    b[25] = 1;
    EXPECT_EQ(b.Capacity(), 30);
    EXPECT_TRUE(a.Check());
    EXPECT_TRUE(b.Check());
}

TEST(DynArrayTest, CopiesDoNotShareSlots) {
    DynArray<std::string> a(4);
    a[2] = "two";
    DynArray<std::string> b(a);
    b[2] = "changed";
    EXPECT_EQ(a[2], "two");
    DynArray<std::string> c(1);
    c = a;
    c[2] += "!";
    EXPECT_EQ(a[2], "two");
    EXPECT_EQ(c.Capacity(), 4);
    EXPECT_EQ(c.Step(), 4);
}

TEST(DynArrayTest, NestedArraysGrowIndependently) {
    DynArray<DynArray<short>> grid(2);
    grid[3][7] = 1;
    EXPECT_EQ(grid.Capacity(), 4);
    EXPECT_EQ(grid[3].Capacity(), 10);
    EXPECT_EQ(grid[3][7], 1);
}

TEST(DynArrayTest, NegativeIndexIsReportedAndNeverWritesBeforeTheArray) {
    platform::ClearMessageBoxAnswers();
    platform::QueueMessageBoxAnswer(IDNO);
    DynArray<short> a(5);
    a[-3] = 4;
    EXPECT_EQ(a[0], 4);
}

} // namespace
