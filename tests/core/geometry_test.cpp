#include "core/assertion.h"
#include "core/geometry.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

namespace {

TEST(BoxTest, ContainsCoversTheOriginButNotTheFarEdges) {
    Box b(10, 10, 5, 5);
    struct Case {
        Point p;
        bool inside;
    } cases[] = {{{14, 14}, true}, {{10, 10}, true}, {{15, 10}, false}, {{10, 15}, false}, {{9, 12}, false}};
    for (const auto& c : cases) EXPECT_EQ(b.Contains(c.p), c.inside) << c.p.x << "," << c.p.y;
    EXPECT_FALSE(Box().Contains(Point(0, 0)));
    EXPECT_TRUE(b.Contains(Box(11, 11, 4, 4)));
    EXPECT_FALSE(b.Contains(Box(11, 11, 5, 4)));
}

TEST(BoxTest, ClipTable) {
    const Box window(0, 0, 20, 20);
    struct Case {
        Box in;
        bool touches;
        Box out;
    } cases[] = {
        {{20, 0, 5, 5}, true, {20, 0, 0, 5}},     // shares the right edge
        {{21, 0, 5, 5}, false, {0, 0, 0, 0}},     // apart
        {{-5, -5, 10, 10}, true, {0, 0, 5, 5}},   // over the top-left corner
        {{5, 5, 5, 5}, true, {5, 5, 5, 5}},       // inside
        {{-10, 5, 50, 2}, true, {0, 5, 20, 2}},   // across
        {{0, -10, 5, 9}, false, {0, 0, 0, 0}},    // above, not touching
    };
    for (const auto& c : cases) {
        Box b = c.in;
        EXPECT_EQ(window.Clip(b), c.touches);
        EXPECT_EQ(b, c.out) << c.in.x << "," << c.in.y;
        EXPECT_EQ(window & c.in, c.out);
    }
}

TEST(BoxTest, ClipLineTable) {
    const Box window(0, 0, 20, 20);
    struct Case {
        Point a, b;
        bool visible;
        Point ca, cb;
    } cases[] = {
        {{-5, 5}, {25, 5}, true, {0, 5}, {20, 5}},
        {{5, -5}, {5, 25}, true, {5, 0}, {5, 20}},
        {{2, 2}, {8, 9}, true, {2, 2}, {8, 9}},
        {{-5, -5}, {-1, 30}, false, {-5, -5}, {-1, 30}},
        {{-10, 0}, {10, 20}, true, {0, 10}, {10, 20}},
        {{25, 25}, {30, 40}, false, {25, 25}, {30, 40}},
    };
    for (const auto& c : cases) {
        Point a = c.a, b = c.b;
        bool verdict = window.ClipLine(a, b);
        EXPECT_EQ(verdict, c.visible);
        if (c.visible) {
            EXPECT_EQ(a, c.ca);
            EXPECT_EQ(b, c.cb);
        }
        EXPECT_EQ(window.ClipLineTest(c.a, c.b), c.visible);
    }
}

TEST(BoxTest, OverlapIgnoresSharedEdges) {
    Box b(0, 0, 10, 10);
    EXPECT_FALSE(b.Overlaps(Point(10, 0), Dim(5, 5)));
    EXPECT_TRUE(b.Overlaps(Point(9, 9), Dim(5, 5)));
    EXPECT_FALSE(b.Overlaps(Box(0, 10, 10, 10)));
}

TEST(BoxTest, UnionDoesNotTreatTheEmptyBoxSpecially) {
    EXPECT_EQ(Box(0, 0, 0, 0) | Box(5, 5, 2, 2), Box(0, 0, 7, 7));
    EXPECT_EQ(Box(-3, 4, 2, 2) | Box(5, 0, 1, 1), Box(-3, 0, 9, 6));
}

TEST(BoxTest, ShrinkingFlipsPastTheOriginAndReportsAZeroSide) {
    Box b(10, 10, 5, 5);
    b -= Dim(8, 1);
    EXPECT_EQ(b, Box(7, 10, 3, 4));

    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Box z(10, 10, 5, 5);
    z -= Dim(5, 1);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Failure in UTILS at line 817.");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Invalid Box Dimensions  Abort?");
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(Box(0, 0, 5, 5) - Dim(0, 5), Assertion);
}

TEST(BoxTest, ConstructorsAndCorners) {
    EXPECT_EQ(Box(Point(1, 2), Point(4, 8)), Box(1, 2, 3, 6));
    EXPECT_EQ(Box(Point(1, 2), Dim(3, 4)).BottomRight(), Point(4, 6));
    RECT r{-1, 2, 9, 12};
    EXPECT_EQ(Box(r), Box(-1, 2, 10, 10));
    RECT back = Box(r).ToRECT();
    EXPECT_TRUE(RectsEqual(back, r));
    EXPECT_TRUE(RectsEqual(OffsetRect(r, POINT{1, 2}), RECT{-2, 0, 8, 10}));
    EXPECT_EQ(Dim(RECT{0, 0, 7, 3}), Dim(7, 3));
    EXPECT_EQ(Dim(4, 5).ToBox(), Box(0, 0, 4, 5));
}

TEST(PointTest, ArithmeticWrapsAtSixteenBits) {
    EXPECT_EQ(Point(32767, 0) + Point(1, 0), Point(-32768, 0));
    EXPECT_EQ(-Point(3, -4), Point(-3, 4));
    EXPECT_EQ(Point(7, -7) / 2, Point(3, -3));
    EXPECT_EQ(Point(POINT{0x12345, -1}), Point(0x2345, -1));
    EXPECT_EQ(Point3D(Point(1, 2)), Point3D(1, 2, 0));
    EXPECT_EQ(Point3D(0, 0, 0).Distance(Point3D(3, 4, 12)), 13);
    EXPECT_EQ(Point3D::Distance(Point3D(0, 0, 0), Point3D(1, 1, 0)), 1);
    Point4 p(Point3D(1, 2, 3), 2000000000);
    EXPECT_EQ((p + Point4(1, 1, 1, 2000000000)).fourth, static_cast<std::int32_t>(4000000000u));
    EXPECT_EQ((p * 2).z, 6);
    EXPECT_TRUE(Point4().IsZero());
}

TEST(PointTest, ZeroDivisorIsRefusedAndLeavesTheValue) {
    platform::QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(Point(4, 6) / 0, Point(4, 6));
    platform::QueueMessageBoxAnswer(IDNO);
    Dim d(8, 8);
    d /= 0;
    EXPECT_EQ(d, Dim(8, 8));
}

} // namespace
