#pragma once
// A battlefield display on a private data directory: the terrain art of tools/datagen in an art
// index, a WinApp on the virtual clock whose palette tells every remap apart, and a small
// logical map handed to the landscapes over the bus as the logical layer hands it.
#include "core/events.h"
#include "game/logic/hex_geometry.h"
#include "landscape/landscape_tile.h"
#include "landscape/pointed_hex_landscape.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/terrain_art_writer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace landtest {

namespace terrain = datagen::terrain;

// What a zoom level is drawn at.
struct Zoom {
    int bits;
    Dim cell;
    Dim block;
    std::int16_t elevationStep;
};
inline const Zoom kZooms[3] = {
    {0, Dim(130, 64), Dim(130, 76), 12},
    {1, Dim(66, 32), Dim(66, 38), 6},
    {2, Dim(34, 16), Dim(34, 19), 3},
};

inline constexpr std::int16_t kGroupSizes[16] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};

// A logical map of columns x rows hexes, all at level 0 unless changed.
struct TestMap {
    int columns = 5;
    int rows = 4;
    std::map<int, std::int16_t> levels;                 // hex number -> level
    std::map<int, std::vector<std::uint16_t>> codes;    // hex number -> terrain codes
    std::map<int, std::vector<std::pair<int, int>>> sides;  // hex number -> (side, bit)
    std::int32_t style = 0;

    List<LogicalRegion> Regions() const {
        List<LogicalRegion> list;
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < rows; ++r) {
                LogicalRegion region;
                region.number = hex::Number(c, r);
                const hex::MapPoint p = hex::PointOf(region.number);
                const auto level = levels.find(region.number);
                region.point = Point3D(p.x, p.y, level == levels.end() ? 0 : level->second);
                if (auto it = codes.find(region.number); it != codes.end())
                    for (std::uint16_t code : it->second) region.AddFeature(code);
                if (auto it = sides.find(region.number); it != sides.end())
                    for (auto [side, bit] : it->second) region.SetSideFlag(side, bit, true);
                list.AddTail(region);
            }
        return list;
    }
    LandscapeDefinition Definition() const {
        LandscapeDefinition d;
        d.size = Dim(columns, rows);
        d.regionCount = static_cast<std::uint16_t>(columns * rows);
        d.secondHeaderValue = style;
        return d;
    }
};

// Stands for the logical layer: sends the map as it does.
class LogicStandIn : public Component {
public:
    LogicStandIn() : Component("Logic Stand-in") {}
    void SendMap(const TestMap& map) {
        Container<LandscapeDefinition> begin(map.Definition());
        delete Send(BEGIN_LANDSCAPE, &begin);
        Container<List<LogicalRegion>> all(map.Regions());
        delete Send(CREATE_REGION, &all);
        delete SendEvent(END_LANDSCAPE);
    }
};

inline std::uint8_t PixelAt(const Bitmap& b, int x, int y) {
    const int row = Bitmap::BottomUp() ? b.GetHeight() - 1 - y : y;
    return b.GetPixels()[static_cast<std::size_t>(row) * b.Stride() + x];
}

// The colour the test palette's remap of a draw mode gives an index (uitest::TableOf).
inline std::uint8_t Remapped(std::uint8_t colour, int mode) {
    static const int kTable[7] = {0, 0, 2, 3, 1, 4, 5};
    return mode <= 1 ? colour : uitest::TableOf(kTable[mode], colour);
}

class LandscapeTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        uitest::WinAppTest::SetUp();
        const auto entries = terrain::WriteTerrainArt(data.Data());
        ASSERT_FALSE(entries.empty());
        data.WriteIndex(entries);
        MakeApp();
        logic = std::make_unique<LogicStandIn>();
        logic->AttachToBus(app.get());
    }
    void TearDown() override {
        tile.reset();
        landscape.reset();
        logic.reset();
        uitest::WinAppTest::TearDown();
    }

    std::unique_ptr<PointedIsometricHexLandscape> MakeLandscape(const Zoom& z, std::uint16_t flipped = 0) {
        const std::string s = terrain::Suffix(z.bits);
        const std::string ground = terrain::kGround + s, features = terrain::kTerrain + s;
        const std::string grid = terrain::kGrid + s, outline = terrain::kOutline + s;
        auto l = std::make_unique<PointedIsometricHexLandscape>(
            z.block, z.cell, ground.c_str(), ground.c_str(), ground.c_str(), features.c_str(), "", grid.c_str(),
            outline.c_str(), 0, 16, kGroupSizes, static_cast<std::uint16_t>(z.bits | flipped));
        l->SetElevationStep(z.elevationStep);
        return l;
    }

    // A full-size landscape on the bus with the map sent, and a tile of size onto it.
    void Show(const TestMap& map, const Dim& tileSize = Dim(700, 300), std::uint16_t flipped = 0) {
        landscape = MakeLandscape(kZooms[0], flipped);
        landscape->AttachToBus(app.get());
        logic->SendMap(map);
        tile = std::make_unique<LandscapeTile>(Dim(1, 1), Point(0, 0), Point(0, 0), tileSize);
        tile->AttachToBus(app.get());
    }

    PhysicalBlock& BlockOf(int hexNumber) {
        PhysicalBlock* b = landscape->GetBlock(landscape->HexNumberToIndex(static_cast<short>(hexNumber)));
        EXPECT_NE(b, nullptr) << hexNumber;
        static PhysicalBlock none(Point3D(), 0, Dim());
        return b ? *b : none;
    }
    // The kept bitmap's pixel at a point given relative to a hex's block.
    std::uint8_t KeptPixel(int hexNumber, int dx, int dy) {
        const Point3D at = BlockOf(hexNumber).GetPosition();
        const Point o = tile->GetOrigin();
        return PixelAt(*tile->GetKeptBitmap(), at.x - o.x + dx, at.y - o.y + dy);
    }

    std::unique_ptr<LogicStandIn> logic;
    std::unique_ptr<PointedIsometricHexLandscape> landscape;
    std::unique_ptr<LandscapeTile> tile;
};

} // namespace landtest
