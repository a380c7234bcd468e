// The scrolling landscape tile: what a scroll redraws (only the uncovered strips, or everything
// on a jump of a tile or more), that the picture after any scroll equals the view drawn afresh,
// SCROLL_TO in cells, suspended drawing, and clicks and moves turned into landscape points.
#include "tests/landscape/view_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace landtest;

// A map larger than the tile in both directions, with some relief so that strips differ.
TestMap BigMap() {
    TestMap map;
    map.columns = 12;
    map.rows = 9;
    map.levels = {{203, 1}, {305, 2}, {406, 1}, {507, 3}, {702, 1}, {808, 2}, {1004, 1}};
    map.codes = {{304, {3}}, {605, {3}}};
    return map;
}

constexpr Dim kTile(200, 120);
const Point kStart(300, 150);

class TileScroll : public ViewTest {};

TEST_F(TileScroll, EveryScrollShowsWhatAFreshDrawShowsAndDrawsOnlyTheUncoveredStrips) {
    struct Case {
        int dx, dy;
        // The areas the landscape is asked for: the vertical strip, then the horizontal one.
        std::vector<RecordingLandscape::Area> drawn;
    };
    const int W = kTile.width, H = kTile.height;
    const Case cases[] = {
        {10, 0, {{Dim(10, H), Point(kStart.x + 10 + W - 10, kStart.y)}}},
        {-10, 0, {{Dim(10, H), Point(kStart.x - 10, kStart.y)}}},
        {0, 7, {{Dim(W, 7), Point(kStart.x, kStart.y + 7 + H - 7)}}},
        {0, -7, {{Dim(W, 7), Point(kStart.x, kStart.y - 7)}}},
        // Down-right: the vertical strip at the right, the horizontal one at the bottom beside it.
        {13, 9, {{Dim(13, H), Point(kStart.x + 13 + W - 13, kStart.y + 9)}, {Dim(W - 13, 9), Point(kStart.x + 13, kStart.y + 9 + H - 9)}}},
        // Up-left: the vertical strip at the left, the horizontal one at the top starting at ax.
        {-13, -9, {{Dim(13, H), Point(kStart.x - 13, kStart.y - 9)}, {Dim(W - 13, 9), Point(kStart.x - 13 + 13, kStart.y - 9)}}},
        {-5, 11, {{Dim(5, H), Point(kStart.x - 5, kStart.y + 11)}, {Dim(W - 5, 11), Point(kStart.x, kStart.y + 11 + H - 11)}}},
        // One column short of the tile's width still keeps one column of pixels.
        {W - 1, 0, {{Dim(W - 1, H), Point(kStart.x + W - 1 + 1, kStart.y)}}},
        // A jump of the tile's width or height or more redraws the whole view.
        {W, 0, {{kTile, Point(kStart.x + W, kStart.y)}}},
        {0, -H, {{kTile, Point(kStart.x, kStart.y - H)}}},
        {-3 * W, 2 * H, {{kTile, Point(kStart.x - 3 * W, kStart.y + 2 * H)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll by " << c.dx << ", " << c.dy);
        RecordingLandscape& l = ShowRecording(BigMap());
        LandscapeTile& t = PlaceTile(kTile, kStart);
        ASSERT_EQ(t.GetLandscape(), &l);
        ASSERT_EQ(PixelsOf(t), FreshView(l));
        l.drawn.clear();

        t.ScrollBy(Dim(c.dx, c.dy));
        EXPECT_EQ(t.GetOrigin(), Point(kStart.x + c.dx, kStart.y + c.dy));
        EXPECT_EQ(l.drawn, c.drawn);
        l.drawn.clear();
        const auto fresh = FreshView(l);
        EXPECT_EQ(PixelsOf(t), fresh);
        EXPECT_EQ(PixelsOf(*t.GetKeptBitmap()), fresh);
        EXPECT_TRUE(t.DirtyRects().IsEmpty());
        tile.reset();
    }
}

TEST_F(TileScroll, WhatIsDrawnOverTheLandscapeTravelsWithAPartialScroll) {
    RecordingLandscape& l = ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    // Something of the view's own, drawn over the landscape in the tile only.
    Bitmap mark(Dim(4, 4), Bitmap::Plain);
    mark.Fill(251);
    t.DrawAll(Point(50, 40), mark, 1);
    t.ScrollBy(Dim(-6, 3));
    EXPECT_EQ(PixelAt(t, 56, 37), 251);
    EXPECT_EQ(PixelAt(t, 59, 40), 251);
    // The kept copy stays bare: the mark is not part of the landscape.
    EXPECT_EQ(PixelsOf(*t.GetKeptBitmap()), FreshView(l));
}

// The tile's own picture moves within its pixels; every direction overlaps source and target
// rows differently, so every pixel still in view must show what it showed before the step.
TEST_F(TileScroll, EveryPixelStillInViewKeepsWhatTheTileShowedInEachDirection) {
    const Dim steps[] = {Dim(1, 0), Dim(-1, 0), Dim(0, 1), Dim(0, -1), Dim(7, 5), Dim(-7, -5), Dim(9, -4), Dim(-9, 4),
                         Dim(kTile.width - 1, kTile.height - 1)};
    auto pattern = [](int x, int y) { return static_cast<std::uint8_t>(1 + (x * 7 + y * 13) % 249); };
    for (const Dim& step : steps) {
        SCOPED_TRACE(testing::Message() << "scroll by " << step.width << ", " << step.height);
        RecordingLandscape& l = ShowRecording(BigMap());
        LandscapeTile& t = PlaceTile(kTile, kStart);
        Bitmap picture(kTile, Bitmap::Plain);
        for (int y = 0; y < kTile.height; ++y)
            for (int x = 0; x < kTile.width; ++x) {
                const int row = Bitmap::BottomUp() ? kTile.height - 1 - y : y;
                picture.GetPixels()[static_cast<std::size_t>(row) * picture.Stride() + x] = pattern(x, y);
            }
        t.DrawAll(Point(0, 0), picture, 1);
        t.ScrollBy(step);
        const auto fresh = FreshView(l);
        int moved = 0, wrong = 0;
        for (int y = 0; y < kTile.height; ++y)
            for (int x = 0; x < kTile.width; ++x) {
                const int fx = x + step.width, fy = y + step.height;
                const bool kept = fx >= 0 && fy >= 0 && fx < kTile.width && fy < kTile.height;
                const std::uint8_t want = kept ? pattern(fx, fy) : fresh[static_cast<std::size_t>(y) * kTile.width + x];
                moved += kept ? 1 : 0;
                if (PixelAt(t, x, y) != want) ++wrong;
            }
        EXPECT_GT(moved, 0);
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(t.DirtyRects().IsEmpty());
        tile.reset();
    }
}

TEST_F(TileScroll, ScrollToTakesCellsAndANoMoveDrawsNothing) {
    RecordingLandscape& l = ShowRecording(BigMap());
    tile = std::make_unique<LandscapeTile>(Dim(130, 64), Point(0, 0), Point(0, 0), kTile);
    tile->AttachToBus(app.get());
    tile->Attach(window.get(), LayoutConstraints::Pixels(Box(Point(0, 0), kTile)));
    tile->Redraw();
    Container<Point> cell(Point(2, 3));
    delete recorder.Send(SCROLL_TO, &cell);
    EXPECT_EQ(tile->GetOrigin(), Point(260, 192));
    EXPECT_EQ(tile->GetOriginCell(), Point(2, 3));
    EXPECT_EQ(PixelsOf(*tile), FreshView(l));

    Container<Dim> by(Dim(-1, 1));
    delete recorder.Send(SCROLL_TO, &by);
    EXPECT_EQ(tile->GetOrigin(), Point(130, 256));
    EXPECT_EQ(PixelsOf(*tile), FreshView(l));

    delete recorder.Send(SCROLL_TO, &cell);
    l.drawn.clear();
    delete recorder.Send(SCROLL_TO, &cell);
    EXPECT_TRUE(l.drawn.empty());  // the origin is where the request puts it
}

TEST_F(TileScroll, APixelOffsetShiftsTheCellGrid) {
    LandscapeTile t(Dim(130, 64), Point(1, 1), Point(1, 2), kTile);
    EXPECT_EQ(t.GetOrigin(), Point(130, 64));
    EXPECT_EQ(t.CellToPixel(Point(2, 3)), Point(260 - 130, 192 - 128));
    EXPECT_EQ(t.PixelToCell(Point(130, 64)), Point(2, 3));
    EXPECT_EQ(t.CellDeltaToPixel(Dim(-2, 1)), Dim(-260, 64));
    EXPECT_EQ(t.PixelDeltaToCell(Dim(-270, 70)), Dim(-2, 1));
}

TEST_F(TileScroll, ABadScrollRequestIsReportedAndMovesNothing) {
    ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(3);
    EXPECT_EQ(recorder.Send(SCROLL_TO, &wrong), nullptr);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message -- SCROLL_TO"), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("LANDTILE"), std::string::npos);
    EXPECT_EQ(t.GetOrigin(), kStart);
}

TEST_F(TileScroll, WhileDrawingIsSuspendedInvalidationsWaitForTheNextRedraw) {
    RecordingLandscape& l = ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    t.SetDrawingEnabled(0);
    // The landscape changes under the view: a region is highlighted and redrawn into the copy.
    l.HighlightRegion(305, 1);
    Container<List<Box>> none{List<Box>()};
    delete recorder.Send(INVALIDATE_VIEW, &none);
    EXPECT_NE(PixelsOf(t), FreshView(l));
    EXPECT_FALSE(t.DirtyRects().IsEmpty());
    t.SetDrawingEnabled(1);
    EXPECT_EQ(PixelsOf(*t.GetKeptBitmap()), FreshView(l));
    EXPECT_EQ(PixelsOf(t), FreshView(l));
}

TEST_F(TileScroll, AHighlightedRaisedHexIsRedrawnWithItsCliffs) {
    RecordingLandscape& l = ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    for (short hex : {305, 507, 406}) {
        SCOPED_TRACE(hex);
        l.HighlightRegion(hex, 1);
        t.Redraw();
        EXPECT_EQ(PixelsOf(t), FreshView(l));
        l.HighlightRegion(hex, 0);
        t.Redraw();
        EXPECT_EQ(PixelsOf(t), FreshView(l));
    }
}

TEST_F(TileScroll, InvalidateViewWithABoxRedrawsThatBoxFromTheKeptCopy) {
    ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    Bitmap* kept = t.GetKeptBitmap();
    Bitmap patch(Dim(5, 5), Bitmap::Plain);
    patch.Fill(252);
    kept->DrawAll(Point(20, 30), patch, 1);
    Container<Box> where(Box(kStart.x + 20, kStart.y + 30, 5, 5));
    delete recorder.Send(INVALIDATE_VIEW, &where);
    EXPECT_EQ(PixelAt(t, 22, 32), 252);
    EXPECT_NE(PixelAt(t, 26, 32), 252);
}

class TilePoints : public ViewTest {};

TEST_F(TilePoints, ClicksAndMovesBecomeLandscapePointsThatFindTheirHex) {
    TestMap map = BigMap();
    ShowRecording(map);
    LandscapeTile& t = PlaceTile(kTile, kStart);
    for (const Point p : {Point(10, 10), Point(150, 90), Point(199, 119)}) {
        recorder.selected.clear();
        recorder.flyby.clear();
        window->DispatchMouseEvent(Display::kLeftDown, p);
        window->DispatchMouseEvent(Display::kMouseMove, p);
        Drain();
        const Point at(kStart.x + p.x, kStart.y + p.y);
        ASSERT_EQ(recorder.selected, std::vector<Point>{at});
        ASSERT_EQ(recorder.flyby, std::vector<Point>{at});
        // The point lies on the block of the hex the landscape answers for it.
        const short hex = landscape->PointToRegion(at);
        ASSERT_GE(hex, 0);
        EXPECT_TRUE(BlockOf(hex).ContainsPoint(at)) << hex;
    }
    // After a scroll the same tile point names another landscape point.
    t.ScrollBy(Dim(30, -20));
    recorder.selected.clear();
    window->DispatchMouseEvent(Display::kLeftDown, Point(10, 10));
    Drain();
    EXPECT_EQ(recorder.selected, std::vector<Point>{Point(kStart.x + 40, kStart.y - 10)});
}

TEST_F(TilePoints, AResizedTileKeepsAFreshCopyOfItsNewSize) {
    RecordingLandscape& l = ShowRecording(BigMap());
    LandscapeTile& t = PlaceTile(kTile, kStart);
    t.MoveResize(Box(0, 0, 150, 100));
    t.Redraw();
    EXPECT_EQ(t.GetKeptBitmap()->GetSize(), Dim(150, 100));
    EXPECT_EQ(PixelsOf(t), FreshView(l));
}

} // namespace
