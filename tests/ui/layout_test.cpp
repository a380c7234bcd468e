// The layout solver: constraints become fixed-point equations, ordered and evaluated at each
// parent size; cycles stay unevaluated; removing a child redirects the constraints on it.
#include "tests/ui/ui_fixture.h"
#include "ui/tile.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

class Surface : public Display {
public:
    explicit Surface(const Dim& size) : Display(size, "Surface") {}
    Point GetMousePosition() override { return Point(); }
    void Show() override {}
    Menu* MakeMenu(const char*) override { return nullptr; }
};

class Piece : public Tile {
public:
    explicit Piece(const Box& box) : Tile(box, "Piece") {}
    void Attached() override {}
};

std::int16_t Height13() { return 13; }

class Layout : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
    }
    void TearDown() override {
        TLayoutWindow::SetFontHeightSource(nullptr);
        WinAppTest::TearDown();
    }
};

TEST_F(Layout, AbsolutePixelsHoldAtEverySize) {
    Surface parent(Dim(200, 100));
    Piece child(Box(0, 0, 1, 1));
    child.Attach(&parent, LayoutConstraints::Pixels(Box(10, 20, 30, 40)));
    EXPECT_EQ(child.GetRect(), Box(10, 20, 30, 40));
    parent.Resize(Dim(300, 300));
    EXPECT_EQ(child.GetRect(), Box(10, 20, 30, 40));
    EXPECT_TRUE(parent.GetLayout().Check());
}

struct PercentCase {
    int parentWidth;
    int left;
    int expectedRight;  // inclusive
};

class Percent : public Layout, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(Percent, HalfTheParentsWidthKeepsTheIntegerPart) {
    const PercentCase& c = GetParam();
    Surface parent(Dim(c.parentWidth, 50));
    Piece child(Box(0, 0, 1, 1));
    LayoutConstraints lc = LayoutConstraints::Pixels(Box(c.left, 0, 0, 10));
    lc.width.Set(lmWidth, lmPercentOf, nullptr, lmWidth, 50);
    child.Attach(&parent, lc);
    EXPECT_EQ(child.GetX() + child.GetWidth() - 1, c.expectedRight);
}

INSTANTIATE_TEST_SUITE_P(Cases, Percent,
                         ::testing::Values(PercentCase{201, 0, 99}, PercentCase{201, 10, 109},
                                           PercentCase{100, 0, 49}));

TEST_F(Layout, ACentredChildWithAnAbsoluteWidthSubstitutesItsCycle) {
    Surface parent(Dim(100, 60));
    Piece child(Box(0, 0, 1, 1));
    LayoutConstraints lc = LayoutConstraints::Pixels(Box(0, 5, 20, 10));
    lc.x.Set(lmCenter, lmSameAs, nullptr, lmCenter);
    child.Attach(&parent, lc);
    // left = (2 x 49.5 - 20 + 1) / 2 = 40, right 59.
    EXPECT_EQ(child.GetRect(), Box(40, 5, 20, 10));
    parent.Resize(Dim(60, 60));
    EXPECT_EQ(child.GetRect(), Box(20, 5, 20, 10));
    EXPECT_TRUE(parent.GetLayout().Check());
}

TEST_F(Layout, LayoutUnitsAreEighthsOfTheFontHeight) {
    TLayoutWindow::SetFontHeightSource(&Height13);
    Surface parent(Dim(200, 200));
    Piece child(Box(0, 0, 1, 1));
    LayoutConstraints lc;
    lc.x.Absolute(lmLeft, 8, lmLayoutUnits);   // 13 pixels
    lc.y.Absolute(lmTop, 3, lmLayoutUnits);    // (39 + 4) / 8 = 5
    lc.width.Absolute(lmWidth, 16, lmLayoutUnits);
    lc.height.Absolute(lmHeight, 8, lmLayoutUnits);
    child.Attach(&parent, lc);
    EXPECT_EQ(child.GetRect(), Box(13, 5, 26, 13));
}

TEST_F(Layout, SiblingsRelateRightOfAndAbove) {
    Surface parent(Dim(200, 100));
    Piece a(Box(0, 0, 1, 1)), b(Box(0, 0, 1, 1));
    a.Attach(&parent, LayoutConstraints::Pixels(Box(0, 30, 50, 20)));  // right edge 49
    LayoutConstraints lc = LayoutConstraints::Pixels(Box(0, 0, 10, 10));
    lc.x.Set(lmLeft, lmRightOf, &a, lmRight, 0);
    lc.y.Set(lmBottom, lmAbove, &a, lmTop, 0);
    b.Attach(&parent, lc);
    EXPECT_EQ(b.GetX(), 50);
    // Its bottom is just above a's top (29), so with height 10 its top is 20.
    EXPECT_EQ(b.GetY(), 20);
    EXPECT_TRUE(parent.GetLayout().Check());
}

TEST_F(Layout, ACycleStaysUnevaluatedAndKeepsTheLastRectangles) {
    Surface parent(Dim(100, 100));
    Surface a(Dim(10, 10)), b(Dim(10, 10));
    a.SetPosition(Point(3, 4));
    b.SetPosition(Point(30, 40));
    LayoutConstraints la = LayoutConstraints::Pixels(Box(0, 0, 10, 10));
    LayoutConstraints lb = LayoutConstraints::Pixels(Box(0, 0, 10, 10));
    la.x.Set(lmLeft, lmSameAs, &b, lmLeft);
    lb.x.Set(lmLeft, lmSameAs, &a, lmLeft);
    parent.AddChild(&a, la);
    parent.AddChild(&b, lb);
    parent.GetLayout().Layout();
    // Both lefts, and the rights that follow from them, stay pending; the heights are planned.
    EXPECT_EQ(parent.GetLayout().PendingCount(), 4);
    EXPECT_EQ(parent.GetLayout().PlannedCount(), 2);
    EXPECT_EQ(a.GetPosition().x, 3);
    EXPECT_EQ(a.GetWidth(), 10);
    EXPECT_EQ(b.GetPosition().x, 30);
    EXPECT_EQ(b.GetWidth(), 10);
    EXPECT_TRUE(parent.GetLayout().Check());
    parent.RemoveChild(&a);
    parent.RemoveChild(&b);
}

TEST_F(Layout, RemovingAChildRedirectsWhatReferredToIt) {
    Surface parent(Dim(200, 100));
    Piece a(Box(0, 0, 1, 1)), b(Box(0, 0, 1, 1));
    LayoutConstraints la = LayoutConstraints::Pixels(Box(0, 0, 50, 20));
    la.x.Set(lmLeft, lmSameAs, nullptr, lmLeft, 0);  // a hangs on the parent's left
    a.Attach(&parent, la);
    LayoutConstraints lb = LayoutConstraints::Pixels(Box(0, 0, 10, 10));
    lb.x.Set(lmLeft, lmRightOf, &a, lmRight, 0);
    lb.width.Set(lmWidth, lmSameAs, &a, lmWidth);
    b.Attach(&parent, lb);
    EXPECT_EQ(b.GetRect(), Box(50, 0, 50, 10));
    a.Detach();
    LayoutConstraints now;
    ASSERT_TRUE(parent.GetChildConstraints(&b, now));
    // The position now refers to the parent with a's other edge; the width keeps its size.
    EXPECT_EQ(now.x.relWin, nullptr);
    EXPECT_EQ(now.x.otherEdge, lmLeft);
    EXPECT_EQ(now.width.relationship, lmAsIs);
    parent.GetLayout().Layout();
    EXPECT_EQ(b.GetRect(), Box(1, 0, 50, 10));
    EXPECT_EQ(parent.GetLayout().ChildCount(), 1);
    EXPECT_TRUE(parent.GetLayout().Check());
}

} // namespace
