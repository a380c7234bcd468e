// A click on the map names the hex the player sees under the pointer: a hex is lit, the map tile
// draws it, and a click at the middle of the lit pixels (found in the drawn picture, not worked
// out from the geometry under test) must select that hex, at every zoom, with the view
// scrolled, on hills and among trees.
#include "landscape/game/vh_landscape_tile.h"
#include "landscape/landscape_sprite.h"
#include "tests/game_display/game_display_fixture.h"
#include "tests/ui/control_fixture.h"

#include <string>
#include <vector>

namespace {

using namespace gdtest;

class MapClickTest : public GameDisplayTest {
protected:
    void SetUp() override {
        GameDisplayTest::SetUp();
        window = std::make_unique<uitest::PlainWindow>(Point(0, 0), Dim(kWidth, kHeight));
        window->AttachToBus(app.get());
        ASSERT_EQ(window->Create(Dim(kWidth, kHeight), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
        Drain();
    }
    void TearDown() override {
        if (tile) {
            if (tile->GetBus()) tile->DetachFromBus();
            tile.reset();
        }
        window.reset();
        GameDisplayTest::TearDown();
    }
    VhLandscapeTile& PlaceTile(VhPhysicalLayer& layer, std::uint16_t mode, const Point& originCells) {
        if (tile) {
            tile->DetachFromBus();
            tile.reset();
        }
        tile = std::make_unique<VhLandscapeTile>(layer.CellTable(), layer.GridSize(), layer.MapSize(), mode, originCells,
                                                 0, kBattleTitle);
        tile->AttachToBus(&layer);
        tile->Attach(window.get(), LayoutConstraints::Pixels(Box(0, 0, kWidth, kHeight)));
        tile->Redraw();
        Drain();
        return *tile;
    }
    // The ground as the tile keeps it, pixel by pixel.
    std::vector<std::uint8_t> Kept() const {
        const Bitmap& b = *tile->GetKeptBitmap();
        std::vector<std::uint8_t> out;
        for (int y = 0; y < b.GetHeight(); ++y)
            for (int x = 0; x < b.GetWidth(); ++x) out.push_back(landtest::PixelAt(b, x, y));
        return out;
    }
    void Highlight(short hex, bool on) {
        Container<short> which(hex);
        Send(on ? HIGHLIGHT_REGION : DEHIGHLIGHT_REGION, &which);
    }
    // Lights the hex, finds the tile pixels that changed, and answers their middle (the mean of
    // the lit pixels, moved to the lit pixel nearest to it). False when nothing was lit.
    bool LitMiddle(short hex, Point& middle) {
        const std::vector<std::uint8_t> before = Kept();
        Highlight(hex, true);
        const std::vector<std::uint8_t> after = Kept();
        Highlight(hex, false);
        const int w = tile->GetKeptBitmap()->GetWidth();
        long sx = 0, sy = 0, n = 0;
        std::vector<Point> lit;
        for (std::size_t k = 0; k < after.size() && k < before.size(); ++k)
            if (after[k] != before[k]) {
                const Point p(static_cast<std::int16_t>(k % w), static_cast<std::int16_t>(k / w));
                lit.push_back(p);
                sx += p.x;
                sy += p.y;
                ++n;
            }
        if (n == 0) return false;
        const Point mean(static_cast<std::int16_t>(sx / n), static_cast<std::int16_t>(sy / n));
        long best = -1;
        for (const Point& p : lit) {
            const long d = static_cast<long>(p.x - mean.x) * (p.x - mean.x) + static_cast<long>(p.y - mean.y) * (p.y - mean.y);
            if (best < 0 || d < best) {
                best = d;
                middle = p;
            }
        }
        return true;
    }
    // The hex a click at a tile pixel selects ("REGION_SELECTED n"), or what was heard instead.
    std::string Click(const Point& at) {
        recorder.Take();
        tile->OnLButtonDown(at);
        Drain();
        for (const std::string& h : recorder.Take())
            if (h.rfind("REGION_SELECTED", 0) == 0) return h;
        return "nothing";
    }

    static constexpr int kWidth = 640, kHeight = 400;
    std::unique_ptr<uitest::PlainWindow> window;
    std::unique_ptr<VhLandscapeTile> tile;
};

// A map of 9 x 8 hexes; on hills the levels rise and fall across rows and columns, in woods
// trees stand in some hexes.
landtest::TestMap Ground(bool hills, bool woods) {
    landtest::TestMap map;
    map.columns = 9;
    map.rows = 8;
    for (int c = 0; c < map.columns; ++c)
        for (int r = 0; r < map.rows; ++r) {
            const int number = hex::Number(c, r);
            const int level = (c * 3 + r * 5) % 4;
            if (hills && level) map.levels[number] = static_cast<std::int16_t>(level);
            if (woods && (c + 2 * r) % 5 == 0) map.codes[number] = {1};
        }
    return map;
}

class MapClickGround : public MapClickTest, public ::testing::WithParamInterface<std::pair<bool, bool>> {};

TEST_P(MapClickGround, AClickInTheMiddleOfALitHexSelectsThatHexAtEveryZoomAndScroll) {
    const landtest::TestMap map = Ground(GetParam().first, GetParam().second);
    VhPhysicalLayer& layer = MakeLayer(0, map);
    const struct {
        std::uint16_t mode;
        Point originCells;
    } views[] = {{0, Point(0, 0)}, {0, Point(2, 3)}, {1, Point(0, 0)}, {1, Point(1, 2)}, {2, Point(0, 0)}};
    for (const auto& v : views) {
        PlaceTile(layer, v.mode, v.originCells);
        int checked = 0;
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r) {
                const auto hex = static_cast<short>(hex::Number(c, r));
                Point middle;
                if (!LitMiddle(hex, middle)) continue;  // off the view, or a half hex at the map's edge
                // A hex cut by the view's edge has its middle elsewhere; whole hexes only.
                if (middle.x < 20 || middle.y < 20 || middle.x > kWidth - 20 || middle.y > kHeight - 20) continue;
                ++checked;
                EXPECT_EQ(Click(middle), "REGION_SELECTED " + std::to_string(hex))
                    << "zoom mode " << v.mode << ", origin cells " << v.originCells.x << "," << v.originCells.y
                    << ", tile pixel " << middle.x << "," << middle.y;
            }
        EXPECT_GT(checked, 8) << "zoom mode " << v.mode;
    }
}

// The trees of the quarter-size map are filed with every other sprite of the layer; at full size
// the same pixel numbers are another part of the map, where no tree is drawn.
TEST_F(MapClickTest, ATreeOfAnotherZoomDoesNotTakeTheClick) {
    VhPhysicalLayer& layer = MakeLayer(0, Ground(false, true));
    VhLandscapeTile& t = PlaceTile(layer, 0, Point(0, 0));
    VhLandscape* full = layer.GetGameLandscape(0);
    ASSERT_NE(full, nullptr);
    Point at;
    short treeHex = -1, groundHex = -1;
    for (int row = 0; row < layer.GridSize().height && treeHex < 0; ++row)
        for (int column = 0; column < layer.GridSize().width && treeHex < 0; ++column)
            for (Item<Sprite*>* i = layer.Cell(column, row)->Head(); i && treeHex < 0; i = i->next) {
                const auto* tree = dynamic_cast<const LandscapeSprite*>(i->value);
                if (!tree || tree->GetZoom() != 2) continue;
                const Box r = tree->GetRect();
                for (int y = r.y; y < r.y + r.height && treeHex < 0; ++y)
                    for (int x = r.x; x < r.x + r.width && treeHex < 0; ++x) {
                        const Point p(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
                        const Point shown = p - t.GetOrigin();
                        if (shown.x < 0 || shown.y < 0 || shown.x >= kWidth || shown.y >= kHeight) continue;
                        const short ground = full->PointToRegion(p);
                        if (!tree->HitTest(p) || ground < 0 || ground == static_cast<short>(tree->GetObjectId())) continue;
                        at = shown;
                        treeHex = static_cast<short>(tree->GetObjectId());
                        groundHex = ground;
                    }
            }
    ASSERT_GE(treeHex, 0) << "no quarter-size tree over another hex of the full-size map";
    EXPECT_EQ(Click(at), "REGION_SELECTED " + std::to_string(groundHex)) << "the tree stands in " << treeHex;
}

// The point a unit's figures are placed about lies on its hex's face as the ground is drawn, at
// every zoom, on a gentle hill too (a steep one in front may hide it); from the block's corner
// they would stand over the hex behind.
TEST_F(MapClickTest, TheFiguresPointOfAHexIsOnThatHex) {
    landtest::TestMap map = Ground(false, false);
    for (int c = 3; c < 6; ++c)
        for (int r = 0; r < map.rows; ++r) map.levels[hex::Number(c, r)] = static_cast<std::int16_t>(1 + r % 2);
    VhPhysicalLayer& layer = MakeLayer(0, map);
    for (std::int16_t zoom = 0; zoom < 3; ++zoom)
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r) {
                const auto hex = static_cast<short>(hex::Number(c, r));
                if (!layer.GetGameLandscape(zoom)->HasBlock(hex)) continue;
                const Point3D at = layer.GetLandscape(zoom)->HexOrigin(hex);
                EXPECT_EQ(layer.GetGameLandscape(zoom)->PointToRegion(Point(at.x, at.y)), hex)
                    << "zoom " << zoom << ", point " << at.x << "," << at.y;
            }
}

INSTANTIATE_TEST_SUITE_P(Ground, MapClickGround,
                         ::testing::Values(std::make_pair(false, false), std::make_pair(true, false),
                                           std::make_pair(false, true), std::make_pair(true, true)),
                         [](const ::testing::TestParamInfo<std::pair<bool, bool>>& p) {
                             return std::string(p.param.first ? "Hills" : "Level") +
                                    (p.param.second ? "Woods" : "Open");
                         });

} // namespace
