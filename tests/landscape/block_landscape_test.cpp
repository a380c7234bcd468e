// The landscape base and the block landscape: dirty rectangles, draw modes of the three display
// flags, layered items, the background and the region requests, on plain blocks without art.
#include "landscape/block_landscape.h"
#include "landscape/landscape_tile.h"
#include "tests/landscape/landscape_fixture.h"
#include "ui/bitmap_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using landtest::PixelAt;

std::vector<Box> Boxes(const List<Box>& list) {
    std::vector<Box> out;
    for (Item<Box>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}

// A block landscape of count blocks of 10 x 10 in one row, block i at (10 i, 0).
struct Row {
    explicit Row(int count, bool complete = true) : land(Dim(10, 10), Dim(10, 10)) {
        LandscapeDefinition d;
        d.size = Dim(count, 1);
        d.regionCount = static_cast<std::uint16_t>(count);
        land.BeginLandscape(d);
        for (int i = 0; i < count; ++i) {
            LogicalRegion r;
            r.number = static_cast<std::uint16_t>(i);
            r.point = Point3D(10 * i, 0, 0);
            land.CreateBlock(r);
        }
        if (complete) land.EndLandscape();
    }
    BlockLandscape land;
};

TEST(LandscapeDirty, MergesOverlapsAndKeepsTouchingBoxesApart) {
    struct Case {
        const char* name;
        std::vector<Box> added;
        std::vector<Box> expected;
    };
    const Case cases[] = {
        {"bridge joins two", {Box(0, 0, 10, 10), Box(20, 0, 10, 10), Box(5, 5, 20, 2)}, {Box(0, 0, 30, 10)}},
        {"shared edge keeps both", {Box(0, 0, 10, 10), Box(10, 0, 10, 10)}, {Box(0, 0, 10, 10), Box(10, 0, 10, 10)}},
        {"all-zero box ignored", {Box(0, 0, 0, 0), Box(1, 1, 2, 2)}, {Box(1, 1, 2, 2)}},
        {"growth reaches an earlier box",
         {Box(0, 0, 5, 5), Box(20, 20, 5, 5), Box(4, 4, 2, 2), Box(5, 5, 16, 16)},
         {Box(0, 0, 25, 25)}},
    };
    for (const Case& c : cases) {
        Row row(1);
        for (const Box& b : c.added) row.land.AddDirty(b);
        EXPECT_EQ(Boxes(row.land.GetDirty()), c.expected) << c.name;
    }
}

TEST(PhysicalBlockModes, FlagsChooseTheRemap) {
    struct Case {
        std::uint16_t highlight, half, shadow;
        std::uint32_t mode;
    };
    const Case cases[] = {{0, 0, 0, 1}, {1, 0, 0, 3}, {0, 0, 1, 4}, {0, 1, 0, 5}, {1, 1, 0, 6},
                          {1, 0, 1, 3}, {0, 1, 1, 4}, {1, 1, 1, 6}};
    for (const Case& c : cases) {
        PhysicalBlock b(Point3D(0, 0, 0), 0, Dim(10, 10));
        b.SetHighlight(c.highlight);
        b.SetHalfHighlight(c.half);
        b.SetShadow(c.shadow);
        EXPECT_EQ(b.GetDrawMode(), c.mode) << c.highlight << c.half << c.shadow;
    }
    PhysicalBlock b(Point3D(0, 0, 0), 0, Dim(10, 10));
    b.ToggleHighlight();
    EXPECT_EQ(b.GetDrawMode(), 3u);
    b.ToggleHighlight();
    EXPECT_EQ(b.GetDrawMode(), 1u);
}

TEST(PhysicalBlockItems, SetItemGrowsLayersAndDrawsOnlyWhatIsVisible) {
    Bitmap red(Dim(2, 2), Bitmap::Plain), blue(Dim(2, 2), Bitmap::Plain);
    red.Fill(30);
    blue.Fill(40);
    PhysicalBlock b(Point3D(5, 5, 0), 7, Dim(10, 10));
    b.SetItem(2, 3, &red, Point(1, 1));
    EXPECT_EQ(b.GetLayerCount(), 3);
    EXPECT_EQ(b.GetItemCount(0), 0);
    EXPECT_EQ(b.GetItemCount(2), 4);
    EXPECT_FALSE(b.HasBitmap(2, 0));
    EXPECT_TRUE(b.HasBitmap(2, 3));
    EXPECT_FALSE(b.HasBitmap(5, 0));
    EXPECT_EQ(b.IsVisible(2, 0), 0);
    // Visibility of an empty slot cannot be switched on.
    b.SetVisible(2, 1, 1);
    EXPECT_EQ(b.IsVisible(2, 1), 0);

    b.SetItem(0, 0, &blue, Point(1, 1));  // under the red one
    Bitmap target(Dim(20, 20), Bitmap::Plain);
    target.Fill(0);
    b.Draw(target, Point(0, 0));
    EXPECT_EQ(PixelAt(target, 6, 6), 30);  // layer 2 over layer 0
    b.SetVisible(2, 3, 0);
    b.Draw(target, Point(0, 0));
    EXPECT_EQ(PixelAt(target, 6, 6), 40);
    // The origin moves the drawing point.
    target.Fill(0);
    b.Draw(target, Point(3, 4));
    EXPECT_EQ(PixelAt(target, 3, 2), 40);
    EXPECT_EQ(b.GetCentre(), Point3D(10, 10, 0));
}

// Layers with nothing to draw are passed over without walking their items; every way an item's
// bitmap or visibility changes must keep what a layer draws, also past the layers so marked and
// in a copy of the block.
TEST(PhysicalBlockItems, EveryChangeOfAnItemKeepsWhatItsLayerDraws) {
    Bitmap red(Dim(2, 2), Bitmap::Plain), blue(Dim(2, 2), Bitmap::Plain);
    red.Fill(30);
    blue.Fill(40);
    struct Case {
        const char* name;
        std::int16_t layer;
        std::function<void(PhysicalBlock&, std::int16_t)> change;
        std::uint8_t drawn;  // at the red item's place; 0 for nothing
    };
    const Case cases[] = {
        {"set", 1, [](PhysicalBlock&, std::int16_t) {}, 30},
        {"hidden", 1, [](PhysicalBlock& b, std::int16_t l) { b.SetVisible(l, 2, 0); }, 0},
        {"hidden and shown", 1, [](PhysicalBlock& b, std::int16_t l) { b.SetVisible(l, 2, 0); b.SetVisible(l, 2, 1); }, 30},
        {"toggled", 1, [](PhysicalBlock& b, std::int16_t l) { b.ToggleVisible(l, 2); }, 0},
        {"toggled then shown", 1, [](PhysicalBlock& b, std::int16_t l) { b.ToggleVisible(l, 2); b.SetVisible(l, 2, 1); }, 30},
        {"hidden then toggled", 1, [](PhysicalBlock& b, std::int16_t l) { b.SetVisible(l, 2, 0); b.ToggleVisible(l, 2); }, 30},
        {"toggled twice", 1, [](PhysicalBlock& b, std::int16_t l) { b.ToggleVisible(l, 2); b.ToggleVisible(l, 2); }, 30},
        {"bitmap taken", 1, [](PhysicalBlock& b, std::int16_t l) { b.SetBitmap(l, 2, nullptr); }, 0},
        {"bitmap given back", 1, [&](PhysicalBlock& b, std::int16_t l) { b.SetBitmap(l, 2, nullptr); b.SetBitmap(l, 2, &red); }, 30},
        // Hiding an item without a bitmap changes nothing: given its bitmap back, it draws.
        {"bitmap taken, hidden, given back", 1, [&](PhysicalBlock& b, std::int16_t l) { b.SetBitmap(l, 2, nullptr); b.SetVisible(l, 2, 0); b.SetBitmap(l, 2, &red); }, 30},
        {"hidden then set again", 1, [&](PhysicalBlock& b, std::int16_t l) { b.SetVisible(l, 2, 0); b.SetItem(l, 2, &red, Point(0, 0)); }, 30},
        {"a second item hidden", 1, [&](PhysicalBlock& b, std::int16_t l) { b.SetItem(l, 0, &blue, Point(4, 4)); b.SetVisible(l, 0, 0); }, 30},
        {"the first of two hidden", 1, [&](PhysicalBlock& b, std::int16_t l) { b.SetItem(l, 0, &blue, Point(4, 4)); b.SetVisible(l, 2, 0); }, 0},
        {"a layer past thirty-two", 40, [](PhysicalBlock&, std::int16_t) {}, 30},
        {"a layer past thirty-two hidden", 40, [](PhysicalBlock& b, std::int16_t l) { b.SetVisible(l, 2, 0); }, 0},
        {"copied", 1, [](PhysicalBlock& b, std::int16_t) { b = PhysicalBlock(b); }, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhysicalBlock b(Point3D(0, 0, 0), 1, Dim(10, 10));
        b.SetItem(c.layer, 2, &red, Point(0, 0));
        c.change(b, c.layer);
        for (int whole = 0; whole < 2; ++whole) {
            Bitmap target(Dim(10, 10), Bitmap::Plain);
            target.Fill(0);
            if (whole) b.Draw(target, Point(0, 0));
            else b.DrawLayer(c.layer, target, Point(0, 0));
            EXPECT_EQ(PixelAt(target, 1, 1), c.drawn) << (whole ? "every layer" : "the one layer");
        }
    }
}

TEST(BlockLandscapeRequests, NothingChangesUntilTheMapIsCompleteOrAfterClose) {
    Row row(3, false);
    row.land.HighlightRegion(1, 1);
    EXPECT_EQ(row.land.IsHighlighted(1), 0);
    row.land.EndLandscape();
    row.land.HighlightRegion(1, 1);
    EXPECT_EQ(row.land.IsHighlighted(1), 1);
    row.land.Close();
    EXPECT_EQ(row.land.GetBlockCount(), 0);
    row.land.HighlightAll(1);
    EXPECT_EQ(row.land.IsHighlighted(1), 0);
}

TEST(BlockLandscapeRequests, FamiliesReachTheirBlocksAndNothingOutsideTheTable) {
    Row row(4);
    List<short> some;
    some << 0 << -1 << 2 << 99 << -7;
    row.land.HighlightRegions(some, 1);
    EXPECT_EQ(row.land.IsHighlighted(0), 1);
    EXPECT_EQ(row.land.IsHighlighted(1), 0);
    EXPECT_EQ(row.land.IsHighlighted(2), 1);

    row.land.ShadowRegions(some, 1);
    row.land.ToggleShadowRegions(some);
    EXPECT_EQ(row.land.IsShadowed(0), 0);

    row.land.HalfHighlightBox(Box(15, 0, 10, 5), 1);  // blocks 1 and 2
    EXPECT_EQ(row.land.IsHalfHighlighted(1), 1);
    EXPECT_EQ(row.land.IsHalfHighlighted(2), 1);
    EXPECT_EQ(row.land.IsHalfHighlighted(3), 0);
    EXPECT_EQ(row.land.GetDrawMode(2), 6u);

    row.land.ToggleHighlightPoint(Point(35, 5));
    EXPECT_EQ(row.land.IsHighlighted(3), 1);
    EXPECT_EQ(row.land.PointToRegion(Point(40, 5)), -1);
    EXPECT_EQ(row.land.PointToRegion(Point(39, 9)), 3);

    // The item family lists -1 as it is; it finds no block.
    Bitmap art(Dim(1, 1), Bitmap::Plain);
    row.land.GetBlock(0)->SetItem(1, 0, &art, Point());
    List<short> withHole;
    withHole << -1 << 0;
    row.land.SetItemVisible(withHole, 1, 0, 0);
    EXPECT_EQ(row.land.GetBlock(0)->IsVisible(1, 0), 0);
    row.land.ToggleItemVisible(1, 0);
    EXPECT_EQ(row.land.GetBlock(0)->IsVisible(1, 0), 1);
    EXPECT_EQ(row.land.GetRegionLocation(2), Point3D(25, 5, 0));
    EXPECT_EQ(row.land.GetBlockCopy(9), nullptr);
}

TEST(BlockLandscapeBackground, StaysFixedToLandscapeCoordinates) {
    struct Case {
        int originX;
        std::vector<int> markers;  // target columns that show the background's column 0
    };
    const Case cases[] = {{10, {120, 250}}, {-10, {10, 140, 270}}, {-130, {0, 130, 260}}, {0, {0, 130, 260}}};
    Bitmap background(Dim(130, 1), Bitmap::Plain);
    background.Fill(1);
    background.GetPixels()[0] = 5;
    for (const Case& c : cases) {
        Row row(0);
        row.land.SetBackground(&background);
        Bitmap target(Dim(300, 1), Bitmap::Plain);
        target.Fill(0);
        row.land.DrawArea(target, Point(c.originX, 0));
        std::vector<int> seen;
        for (int x = 0; x < 300; ++x)
            if (PixelAt(target, x, 0) == 5) seen.push_back(x);
        EXPECT_EQ(seen, c.markers) << c.originX;
        EXPECT_NE(PixelAt(target, 299, 0), 0) << "the background reaches the right edge";
    }
}

// The background repeated by copying the target's own rows must give exactly what drawing every
// copy of the picture gives: any origin (negative, past a period), targets narrower or shorter
// than one copy, references into a larger picture (also ones starting left of or above it, which
// keep the per-copy drawing), and pictures that may not be repeated by rows (hotspot, key).
TEST(BlockLandscapeBackground, RepeatedRowsMatchDrawingEveryCopy) {
    struct Case {
        const char* name;
        Dim picture;
        std::int32_t type;
        Point hotspot;
        Dim target;
        Box reference;  // an empty box: the target itself
        Point origin;
    };
    const Case cases[] = {
        {"view", Dim(16, 16), Bitmap::Plain, Point(), Dim(203, 77), Box(), Point(4, 8)},
        {"negative origin", Dim(16, 16), Bitmap::Plain, Point(), Dim(203, 77), Box(), Point(-37, -5)},
        {"origin past periods", Dim(13, 7), Bitmap::Plain, Point(), Dim(100, 50), Box(), Point(1000, 333)},
        {"narrower than a copy", Dim(40, 30), Bitmap::Plain, Point(), Dim(25, 90), Box(), Point(7, 3)},
        {"shorter than a copy", Dim(40, 30), Bitmap::Plain, Point(), Dim(150, 11), Box(), Point(-3, 29)},
        {"one pixel copies", Dim(1, 1), Bitmap::Plain, Point(), Dim(31, 9), Box(), Point(5, 5)},
        {"reference strip", Dim(16, 16), Bitmap::Plain, Point(), Dim(120, 60), Box(90, 0, 30, 60), Point(77, -9)},
        {"reference band", Dim(16, 16), Bitmap::Plain, Point(), Dim(120, 60), Box(0, 41, 120, 19), Point(-2, 41)},
        {"reference off the left", Dim(16, 16), Bitmap::Plain, Point(), Dim(120, 60), Box(-6, 10, 50, 20), Point(3, 3)},
        {"hotspot", Dim(16, 16), Bitmap::Plain, Point(3, 2), Dim(100, 40), Box(), Point(1, 1)},
        {"keyed", Dim(16, 16), Bitmap::Keyed, Point(), Dim(100, 40), Box(), Point(9, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap picture(c.picture, c.type);
        for (int y = 0; y < c.picture.height; ++y)
            for (int x = 0; x < c.picture.width; ++x)
                picture.GetPixels()[static_cast<std::size_t>(y) * picture.Stride() + x] =
                    static_cast<std::uint8_t>((x * 7 + y * 31) % 5 == 0 ? 0 : 1 + (x * 3 + y * 11) % 250);
        picture.SetHotspot(c.hotspot);
        Row row(0);
        row.land.SetBackground(&picture);
        auto draw = [&](bool everyCopy) {
            Bitmap target(c.target, Bitmap::Plain);
            target.Fill(253);
            std::unique_ptr<BitmapReference> reference;
            Bitmap* into = &target;
            if (c.reference.width > 0) {
                reference = std::make_unique<BitmapReference>(target, c.reference);
                into = reference.get();
            }
            if (everyCopy) {
                const int w = picture.GetWidth(), h = picture.GetHeight();
                const int x0 = c.origin.x >= 0 ? -(c.origin.x % w) : -((c.origin.x % w) + w);
                const int y0 = c.origin.y >= 0 ? -(c.origin.y % h) : -((c.origin.y % h) + h);
                for (int y = y0; y < into->GetHeight(); y += h)
                    for (int x = x0; x < into->GetWidth(); x += w) into->DrawAll(Point(x, y), picture, 1);
            } else {
                row.land.DrawArea(*into, c.origin);
            }
            std::vector<std::uint8_t> pixels;
            for (int y = 0; y < c.target.height; ++y)
                for (int x = 0; x < c.target.width; ++x) pixels.push_back(PixelAt(target, x, y));
            return pixels;
        };
        const auto expected = draw(true);
        ASSERT_NE(std::count(expected.begin(), expected.end(), 253), static_cast<std::ptrdiff_t>(expected.size()));
        EXPECT_EQ(draw(false), expected);
    }
}

TEST(BlockLandscapeTiles, DirtyBoxLeftOfTheViewIsDrawnFromItsEdgeAndInvalidatedUnclamped) {
    uitest::ResetPlatform();
    Row row(20);
    Bitmap art(Dim(10, 10), Bitmap::Plain);
    art.Fill(77);
    for (int i = 0; i < 20; ++i) row.land.GetBlock(i)->SetItem(0, 0, &art, Point());
    LandscapeTile tile(Dim(1, 1), Point(100, 0), Point(0, 0), Dim(100, 10));
    delete row.land.AddTile(&tile);
    tile.GetKeptBitmap()->Fill(0);
    row.land.AddDirty(Box(50, 0, 80, 10));
    row.land.Update(Box());  // the all-zero box adds nothing and draws what waits
    EXPECT_TRUE(row.land.GetDirty().IsEmpty());
    EXPECT_EQ(PixelAt(*tile.GetKeptBitmap(), 0, 5), 77);
    EXPECT_EQ(PixelAt(*tile.GetKeptBitmap(), 79, 5), 77);
    EXPECT_EQ(PixelAt(*tile.GetKeptBitmap(), 85, 5), 0);
    EXPECT_EQ(Boxes(tile.DirtyRects()), std::vector<Box>{Box(0, 0, 30, 10)});
    row.land.RemoveTile(&tile);
}

} // namespace
