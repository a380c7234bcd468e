// The display tree: mouse dispatch with capture and hover, merged dirty rectangles, drawing that
// reports up and down, context menus and the menu events; tiles aimed into their parent's pixels.
#include "core/events.h"
#include "core/message_registry.h"
#include "tests/ui/ui_fixture.h"
#include "ui/tile.h"
#include "ui/windows/windows_menu.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

struct Event {
    const Display* who;
    int kind;
    Point p;
    bool operator==(const Event&) const = default;
};
std::vector<Event> g_events;

// A root display that records its own mouse handlers.
class Root : public Display {
public:
    explicit Root(const Dim& size) : Display(size, "Root") {}
    Point GetMousePosition() override { return mouse; }
    void Show() override { ++shows; }
    Menu* MakeMenu(const char*) override { return nullptr; }
    void OnMouseMove(const Point& p) override { g_events.push_back({this, 0, p}); }
    void OnLButtonDown(const Point& p) override { g_events.push_back({this, 1, p}); }
    void OnHover(const Point& p) override { g_events.push_back({this, 4, p}); }
    void OnMouseEnter(const Point& p) override { g_events.push_back({this, 5, p}); }
    void OnMouseLeave(const Point& p) override { g_events.push_back({this, 6, p}); }
    Point mouse;
    int shows = 0;
};

class Pane : public Tile {
public:
    Pane(const Box& box, bool handles) : Tile(box, "Pane"), handles_(handles) {}
    void Attached() override {
        if (!handles_) return;
        for (int k = 0; k < kMouseKinds; ++k) EnableMouseEvent(k);
    }
    void OnMouseMove(const Point& p) override { g_events.push_back({this, 0, p}); }
    void OnLButtonDown(const Point& p) override { g_events.push_back({this, 1, p}); }
    void OnLButtonUp(const Point& p) override { g_events.push_back({this, 2, p}); }
    void OnHover(const Point& p) override { g_events.push_back({this, 4, p}); }
    void OnMouseEnter(const Point& p) override { g_events.push_back({this, 5, p}); }
    void OnMouseLeave(const Point& p) override { g_events.push_back({this, 6, p}); }

private:
    bool handles_;
};

class DisplayTree : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
        g_events.clear();
    }
    static void Place(Tile& t, Display& parent) { t.Attach(&parent, LayoutConstraints::Pixels(t.GetRect())); }
};

TEST_F(DisplayTree, TheFirstChildHoldingThePointClaimsItAndTheParentGetsWhatItLeaves) {
    Root root(Dim(100, 100));
    root.EnableMouseEvent(Display::kLeftDown);
    Pane quiet(Box(10, 10, 40, 40), false), busy(Box(20, 20, 40, 40), true);
    Place(quiet, root);  // attached first: it claims the overlap
    Place(busy, root);
    EXPECT_EQ(root.DispatchMouseEvent(Display::kLeftDown, Point(25, 25)), 1);
    // The quiet child claimed the point without handling it: the parent's own handler ran.
    EXPECT_EQ(g_events, (std::vector<Event>{{&root, 1, Point(25, 25)}}));
    g_events.clear();
    EXPECT_EQ(root.DispatchMouseEvent(Display::kLeftDown, Point(55, 55)), 1);
    EXPECT_EQ(g_events, (std::vector<Event>{{&busy, 1, Point(35, 35)}}));
    g_events.clear();
    // A kind nobody handles answers 0.
    EXPECT_EQ(root.DispatchMouseEvent(Display::kLeftUp, Point(5, 5)), 0);
    EXPECT_TRUE(g_events.empty());
}

TEST_F(DisplayTree, TheCaptorGetsEverythingInItsOwnCoordinates) {
    Root root(Dim(100, 100));
    Pane outer(Box(10, 10, 80, 80), false), inner(Box(5, 5, 20, 20), true);
    Place(outer, root);
    Place(inner, outer);
    inner.CaptureMouse();
    EXPECT_EQ(root.GetCaptor(), &inner);
    EXPECT_EQ(outer.GetCaptor(), &inner);
    root.DispatchMouseEvent(Display::kLeftDown, Point(90, 2));
    // Moved through every display between: 90 - 10 - 5, 2 - 10 - 5.
    EXPECT_EQ(g_events, (std::vector<Event>{{&inner, 1, Point(75, -13)}}));
    inner.ReleaseMouse();
    EXPECT_EQ(root.GetCaptor(), nullptr);
    // Capturing twice and releasing without capture are reported.
    inner.CaptureMouse();
    platform::QueueMessageBoxAnswer(IDNO);
    outer.CaptureMouse();
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Mouse has already been captured  Abort?");
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(root.ReleaseMouse(), Assertion);
    inner.ReleaseMouse();
    // A captor that is destroyed takes the capture with it.
    {
        Pane gone(Box(0, 0, 5, 5), true);
        Place(gone, root);
        gone.CaptureMouse();
    }
    EXPECT_EQ(root.GetCaptor(), nullptr);
}

TEST_F(DisplayTree, HoverEnterAndLeaveFollowTheMouseOnTheHoverTimer) {
    Root root(Dim(100, 100));
    Pane a(Box(0, 0, 50, 100), true), b(Box(50, 0, 50, 100), true);
    Place(a, root);
    Place(b, root);
    // The display under the mouse is told on entering and leaving, before its own handler.
    root.DispatchMouseEvent(Display::kMouseMove, Point(10, 10));
    root.DispatchMouseEvent(Display::kMouseMove, Point(60, 10));
    EXPECT_EQ(g_events, (std::vector<Event>{{&a, 5, Point(10, 10)},
                                            {&a, 0, Point(10, 10)},
                                            {&a, 6, Point(10, 10)},
                                            {&b, 5, Point(10, 10)},
                                            {&b, 0, Point(10, 10)}}));
    g_events.clear();
    // Two ticks of the half-second hover timer (the default delay) give one hover.
    app->AddTimer(Callback(app.get(), &Application::HoverTimer), 2, 1);
    MSG m;
    while (GetTickCount() < 1600) {
        ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
        DispatchMessage(&m);
    }
    EXPECT_EQ(g_events, (std::vector<Event>{{&b, 4, Point(10, 10)}}));
    // A move over the root itself (no child there) reports the root, whose flag is clear.
    Root bare(Dim(10, 10));
    bare.DispatchMouseEvent(Display::kMouseMove, Point(1, 1));
    EXPECT_EQ(app->GetMouseTile(), &bare);
}

TEST_F(DisplayTree, DirtyRectanglesMergeInOnePass) {
    Root root(Dim(40, 30));
    root.Invalidate(Box(0, 0, 10, 10));
    root.Invalidate(Box(10, 0, 10, 10));  // shares an edge: stays apart
    ASSERT_EQ(root.DirtyRects().Count(), 2);
    root.Invalidate(Box(5, 5, 10, 10));
    ASSERT_EQ(root.DirtyRects().Count(), 1);
    EXPECT_EQ(root.DirtyRects().Head()->value, Box(0, 0, 20, 15));
    root.Validate();
    // A then C; the new box overlaps C only, but C's union reaches A: A stays beside it.
    root.Invalidate(Box(0, 0, 5, 5));    // A
    root.Invalidate(Box(10, 10, 5, 5));  // C
    root.Invalidate(Box(12, 12, 5, 5));
    ASSERT_EQ(root.DirtyRects().Count(), 2);
    EXPECT_EQ(root.DirtyRects().Head()->value, Box(0, 0, 5, 5));
    EXPECT_EQ(root.DirtyRects().Tail()->value, Box(10, 10, 7, 7));
    // Clipped to the display; empty and outside boxes are dropped.
    root.Validate();
    root.Invalidate(Box(30, 20, 50, 50));
    root.Invalidate(Box(0, 0, 0, 5));
    root.Invalidate(Box(100, 100, 5, 5));
    ASSERT_EQ(root.DirtyRects().Count(), 1);
    EXPECT_EQ(root.DirtyRects().Head()->value, Box(30, 20, 10, 10));
    EXPECT_TRUE(root.Check());
}

TEST_F(DisplayTree, DrawingReachesTheRootMovedAndInvalidatesTheChildrenUnderIt) {
    Root root(Dim(60, 60));
    Pane mid(Box(10, 10, 40, 40), false), leaf(Box(5, 5, 10, 10), false);
    Place(mid, root);
    Place(leaf, mid);
    root.Validate();
    mid.Validate();
    leaf.Validate();
    // A change in the grandchild reaches the root moved by both positions.
    EXPECT_EQ(leaf.Fill(7), Box(0, 0, 10, 10));
    ASSERT_EQ(root.DirtyRects().Count(), 1);
    EXPECT_EQ(root.DirtyRects().Head()->value, Box(15, 15, 10, 10));
    root.Validate();
    // Drawing into the root marks the children it covers, in their coordinates.
    Bitmap art(Dim(20, 20), Bitmap::Plain);
    art.Fill(9);
    root.DrawAll(Point(12, 12), art, 1);
    ASSERT_EQ(mid.DirtyRects().Count(), 1);
    EXPECT_EQ(mid.DirtyRects().Head()->value, Box(2, 2, 20, 20));
    ASSERT_EQ(leaf.DirtyRects().Count(), 1);
    EXPECT_EQ(leaf.DirtyRects().Head()->value, Box(0, 0, 10, 10));
    // The leaf's pixels are the root's: the root's drawing shows through them.
    EXPECT_EQ(leaf.GetPixels()[0], 9);
}

TEST_F(DisplayTree, TilesAreClippedToTheParentAndAimedForEitherRowOrder) {
    for (int orientation : {-1, 1}) {
        platform::SetRecommendedOrientation(orientation);
        Bitmap::ResetOrientation();
        Root root(Dim(50, 40));
        root.Fill(0);
        Pane t(Box(40, 35, 20, 20), false);  // reaches past the right and bottom edges
        Place(t, root);
        EXPECT_EQ(t.GetSize(), Dim(10, 5));
        EXPECT_EQ(t.Stride(), root.Stride());
        t.Fill(77);
        // The tile's top-left is the root's (40, 35), whatever the row order.
        const int row = orientation > 0 ? 40 - 1 - 35 : 35;
        EXPECT_EQ(root.GetPixels()[row * root.Stride() + 40], 77);
        EXPECT_EQ(root.GetPixels()[row * root.Stride() + 39], 0);
        // A tile at y 0 of a bottom-up parent aims at the row height - tile height.
        Pane top(Box(0, 0, 4, 4), false);
        Place(top, root);
        const std::ptrdiff_t offset = top.GetPixels() - root.GetPixels();
        EXPECT_EQ(offset, orientation > 0 ? (40 - 4) * root.Stride() : 0);
        // Negative placement moves to 0 and shrinks by the overhang.
        t.MoveResize(Box(-5, -2, 15, 12));
        EXPECT_EQ(t.GetRect(), Box(0, 0, 10, 10));
        // Width 0, or no parent pixels: no pixels, and Fill draws nothing.
        t.MoveResize(Box(3, 3, 0, 10));
        EXPECT_EQ(t.GetPixels(), nullptr);
        EXPECT_EQ(t.Fill(5), Box());
    }
}

TEST_F(DisplayTree, ADetachedTileReportsNothingAndHasNoRoot) {
    Root root(Dim(30, 30));
    Pane t(Box(0, 0, 10, 10), true);
    EXPECT_EQ(t.GetRoot(), nullptr);
    t.RectChanged(Box(0, 0, 5, 5));
    Place(t, root);
    EXPECT_EQ(t.GetRoot(), &root);
    EXPECT_TRUE(t.MouseEventEnabled(Display::kLeftDown));
    root.Validate();
    t.Detach();
    EXPECT_EQ(t.GetParent(), nullptr);
    EXPECT_EQ(t.GetPixels(), nullptr);
    EXPECT_FALSE(t.MouseEventEnabled(Display::kLeftDown));
    EXPECT_EQ(root.Children().Count(), 0);
    t.RectChanged(Box(0, 0, 5, 5));
    EXPECT_EQ(root.DirtyRects().Count(), 0);
}

TEST_F(DisplayTree, ContextMenusAndMenuEventsFindTheirDisplays) {
    platform::RegisterMenuResource("Context", R"(POPUP "&Unit"
BEGIN
  MENUITEM "&View Details...", 225
  MENUITEM "Missile &Firing\tCtrl+M", 219
END
MENUITEM "&Plain", 401
)");
    Root root(Dim(60, 60));
    Pane withMenu(Box(0, 0, 30, 30), false), without(Box(30, 0, 30, 30), false);
    Place(withMenu, root);
    Place(without, root);
    withMenu.SetMenu(new WindowsMenu("Context", 0));
    // A tile's context menu is its own menu.
    EXPECT_EQ(root.FindContextMenuDisplay(Point(5, 5)), &withMenu);
    EXPECT_EQ(root.FindContextMenuDisplay(Point(40, 5)), &root);
    EXPECT_EQ(root.GetContextMenu(), nullptr);
    // A root's context menu is the submenu of its first item, when that is a popup.
    root.SetMenu(new WindowsMenu("Context", 0));
    ASSERT_NE(root.GetContextMenu(), nullptr);
    EXPECT_EQ(root.GetContextMenu()->ItemCount(), 2);
    // The menu events drive the display's menu by the low 28 bits of the payload.
    root.AttachToBus(app.get());
    root.RegisterMenuHandlers();
    Container<BusMessage> item(BusMessage::FromWord(0x20000000u | 219));
    delete root.Send(DISABLE_MENU_ITEM, &item);
    EXPECT_TRUE(root.GetMenu()->IsDisabled(static_cast<std::uint16_t>(219)));
    delete root.Send(ENABLE_MENU_ITEM, &item);
    EXPECT_TRUE(root.GetMenu()->IsEnabled(static_cast<std::uint16_t>(219)));
    delete root.Send(CHECK_MENU_ITEM, &item);
    EXPECT_TRUE(root.GetMenu()->IsChecked(static_cast<std::uint16_t>(219)));
    delete root.Send(UNCHECK_MENU_ITEM, &item);
    EXPECT_TRUE(root.GetMenu()->IsUnchecked(static_cast<std::uint16_t>(219)));
    // A payload of another kind is reported and changes nothing.
    Container<double> wrong(1.0);
    platform::QueueMessageBoxAnswer(IDNO);
    delete root.Send(DISABLE_MENU_ITEM, &wrong);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_TRUE(root.GetMenu()->IsEnabled(static_cast<std::uint16_t>(219)));
}

} // namespace
