#include "game/logic/vh_logical_landscape.h"
#include "tools/battlegen/map_source.h"
#include "tools/datagen/landscape_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using battlegen::BattleMap;
using battlegen::Hex;

// Draws a map and reads its landscape file back through the game's own reader.
class DrawnMap : public ::testing::Test {
protected:
    void Draw(const std::string& statements) {
        map = battlegen::ParseMapText("map TEST.MAP \"Test\" 12 10\n" + statements, "test.txt");
        const auto bytes = datagen::WriteLandscape(map.Draft());
        ASSERT_EQ(landscape.LoadFromBytes(bytes), 1) << landscape.GetLoadError();
    }
    bool Edge(int hex, int side, int code) {
        return landscape.HasEdgeType(static_cast<std::uint16_t>(hex), side, static_cast<std::uint16_t>(code));
    }
    bool Feature(int hex, int code) { return landscape.RegionHasFeature(static_cast<std::uint16_t>(hex), static_cast<std::uint16_t>(code)); }

    BattleMap map;
    VhLogicalLandscape landscape;
};

TEST_F(DrawnMap, GroundIsClearUnlessDrawnAndLaterGroundWins) {
    Draw("woods disc 505 1\nmarsh hexes 505\n");
    EXPECT_TRUE(Feature(101, 0));
    EXPECT_TRUE(Feature(504, 1));
    EXPECT_TRUE(Feature(505, 3));
    EXPECT_FALSE(Feature(505, 1));
    EXPECT_FALSE(Feature(507, 1));
    EXPECT_EQ(landscape.GetFirstMapHeaderValue(), battlegen::kRegionOffset);
}

// The river's own ground is the obstacle: a minor-river side along it would be drawn as a
// second, narrower stream beside the open water.
TEST_F(DrawnMap, ARiverMeetsDryLandAndTheNextRiverHexWithoutAMinorRiverSide) {
    Draw("river 0003 1103\n");
    EXPECT_TRUE(Feature(403, 4));
    EXPECT_EQ(map.Elevation({4, 3}), 0);
    EXPECT_GT(map.Elevation({4, 2}), 0); // the dry hex to the north
    for (int c = 0; c < 12; ++c)
        for (int r = 0; r < 10; ++r)
            for (int side : battlegen::kSides) EXPECT_FALSE(Edge(c * 100 + r, side, 6)) << c * 100 + r << " side " << side;
}

TEST_F(DrawnMap, FordsAndBridgesHaveNoBanks) {
    Draw("river 0003 1103\nford 0503\nroad 0800 0809\n");
    EXPECT_TRUE(Feature(503, 5));
    EXPECT_FALSE(Feature(503, 4));
    for (int side : battlegen::kSides) EXPECT_FALSE(Edge(503, side, 6)) << side;
    // The road makes a bridge where it crosses.
    const Hex crossing{8, map.Ground({8, 3}) == battlegen::code::Ford ? 3 : 4};
    EXPECT_TRUE(Feature(crossing.Number(), 5));
    EXPECT_TRUE(Feature(crossing.Number(), 12));
}

TEST_F(DrawnMap, AStreamRunsAlongTheHandItWasDrawnOn) {
    // Drawn southward, the left hand is the east.
    Draw("stream left 0301 0306\n");
    for (int hex = 302; hex <= 305; ++hex) {
        SCOPED_TRACE(hex);
        EXPECT_TRUE(Edge(hex, 4, 6));
        EXPECT_TRUE(Edge(hex, 2, 6));
        EXPECT_FALSE(Edge(hex, 6, 6));
        EXPECT_FALSE(Edge(hex, 8, 6));
        EXPECT_FALSE(Edge(hex, 5, 6));
    }
}

// The landscape draws a stream from hex corner to hex corner: a line of sides with a gap in it
// shows as pieces. Each side is counted once; an open corner is one where no other side of the
// line goes on, so an unbroken line has two, its ends.
TEST_F(DrawnMap, AStreamIsOneUnbrokenLineWhicheverWayItTurns) {
    // Straight, bending either way, zigzagging, and turning sharply away from the hand.
    const char* const statements[] = {"stream left 0302 0307",       "stream right 0302 0307",
                                      "stream right 0302 0305 0705", "stream left 0307 0304 0802",
                                      "stream right 0307 0304 0802", "stream left 0202 0504 0907", "stream right 0202 0504 0907",
                                      "stream right 0902 0505 0908"};
    for (const std::string statement : statements) {
        SCOPED_TRACE(statement);
        Draw(statement + "\n");
        auto river = [&](Hex h, int side) { return map.Inside(h) && Edge(h.Number(), side, 6); };
        int sides = 0, open = 0;
        for (int c = 0; c < map.columns; ++c)
            for (int r = 0; r < map.rows; ++r)
                for (int side : battlegen::kSides) {
                    const Hex here{c, r}, across = battlegen::Neighbour(here, side);
                    if (!river(here, side) || (map.Inside(across) && across.Number() < here.Number())) continue;
                    ++sides;
                    const int back = battlegen::OppositeSide(side);
                    const bool cw = !river(here, battlegen::SideClockwise(side)) && !river(across, battlegen::SideCounterClockwise(back));
                    const bool ccw = !river(here, battlegen::SideCounterClockwise(side)) && !river(across, battlegen::SideClockwise(back));
                    open += cw + ccw;
                }
        EXPECT_GE(sides, 4);
        EXPECT_EQ(open, 2);
    }
}

TEST_F(DrawnMap, BermsAndWallsAreTheirOwnEdges) {
    Draw("berm right 0301 0306\nwall left 0801 0806\n");
    EXPECT_TRUE(Edge(303, 8, 10));
    EXPECT_FALSE(Edge(303, 4, 10));
    EXPECT_TRUE(Edge(803, 4, 11));
}

TEST_F(DrawnMap, HillsFallAwayOneLevelAHexOrTwoWhenSteep) {
    // The low ground is level 1, so every hill stands one level above what it was drawn.
    Draw("hill 3 disc 0505 0\nhill 4 steep hexes 1005\n");
    EXPECT_EQ(map.Elevation({5, 5}), 4);
    EXPECT_EQ(map.Elevation({5, 6}), 3);
    EXPECT_EQ(map.Elevation({5, 7}), 2);
    EXPECT_EQ(map.Elevation({5, 8}), 1);
    EXPECT_EQ(map.Elevation({10, 5}), 5);
    EXPECT_EQ(map.Elevation({10, 6}), 3);
    EXPECT_EQ(map.Elevation({10, 7}), 1);
    EXPECT_EQ(map.Elevation({0, 0}), 1);
    EXPECT_EQ(landscape.GetRegion(505)->Elevation(), 4);
}

// Level 0 is water to the landscape: only river and ford hexes may lie there, whatever the hills.
TEST_F(DrawnMap, OnlyWaterLiesAtLevelZero) {
    struct Case {
        const char* hills;
        int low, hillTop;
    };
    const Case cases[] = {
        {"", 1, 1},
        {"hill 2 disc 0505 1\n", 1, 3},
        // The top level has no room above it: a peak there shares it with the ground below.
        {"hill 5 steep hexes 0505\n", 1, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hills);
        Draw(std::string(c.hills) + "river 0003 1103\nford 0503\nroad 0800 0809\n");
        EXPECT_EQ(map.Elevation({0, 9}), c.low);
        EXPECT_EQ(map.Elevation({5, 5}), c.hillTop);
        if (c.hillTop == 5) {
            EXPECT_EQ(map.Elevation({5, 6}), 4);
        }
        for (int col = 0; col < map.columns; ++col)
            for (int row = 0; row < map.rows; ++row) {
                const Hex h{col, row};
                const auto ground = map.Ground(h);
                const bool water = ground == battlegen::code::River || ground == battlegen::code::Ford;
                EXPECT_EQ(landscape.GetRegion(static_cast<std::uint16_t>(h.Number()))->Elevation() == 0, water) << h.Number();
            }
    }
    // The road's bridge is on the water; the road on either side of it is on dry ground.
    EXPECT_EQ(map.Elevation({8, 0}), 1);
    EXPECT_EQ(map.Elevation({8, 9}), 1);
}

TEST_F(DrawnMap, TownsAndRailwaysAreFeaturesBesideTheGround) {
    Draw("woods hexes 0404\ntown hexes 0404\nrailroad 0001 1101\n");
    EXPECT_TRUE(Feature(404, 1));
    EXPECT_TRUE(Feature(404, 17));
    EXPECT_TRUE(Feature(501, 16));
}

struct BadMap {
    const char* text;
    const char* message;
};
const BadMap BadMaps[] = {
    {"map A.MAP \"A\" 5 5\nwoods hexes 0905\n", "test.txt:2: hex 0905 lies off the map"},
    {"map A.MAP \"A\" 5 5\nforest hexes 0101\n", "test.txt:2: unknown map statement \"forest\""},
    {"map A.MAP \"A\" 5 5\nford 0202\n", "test.txt:2: ford 202 is not on a river"},
    {"woods hexes 0101\n", "a map source begins with its map statement"},
    {"map A.MAP \"A\" 5 5\nwoods circle 0101 2\n", "test.txt:2: expected a shape: hexes, disc, band or rect"},
    {"map A.MAP \"A\" 5 5\nstream up 0101 0103\n", "test.txt:2: expected left or right"},
    {"map A.MAP \"A\" 5 5\nroad 0101\n", "test.txt:2: needs at least 2 hexes"},
    {"map A.MAP \"A\" 0 5\n", "test.txt:1: \"0\" lies outside 1..99"},
    {"map A.MAP \"A 5 5\n", "test.txt:1: a text lacks its closing quote"},
    {"map A.MAP \"A\" 5 5\nhill 6 hexes 0202\n", "test.txt:2: \"6\" lies outside 1..5"},
    // A stream or berm is drawn in the hex beside it: off the map, or in the bottom row's half
    // hexes, nothing would show it.
    {"map A.MAP \"A\" 5 5\nstream right 0001 0004\n", "test.txt:2: stream from 1 to 2 runs along the map's edge, where it cannot be drawn"},
    {"map A.MAP \"A\" 12 10\nstream left 0302 0305 0705\n", "test.txt:2: stream turns back toward its left hand at 305"},
    {"map A.MAP \"A\" 12 10\nstream left 0902 0505 0908\n", "test.txt:2: stream turns back toward its left hand at 505"},
    {"map A.MAP \"A\" 5 5\nberm right 0204 0303\n", "test.txt:2: berm from 204 to 303 runs along the map's edge, where it cannot be drawn"},
};

TEST(MapSource, RefusesFaultsWithTheLineTheyAreOn) {
    for (const auto& bad : BadMaps) {
        SCOPED_TRACE(bad.text);
        try {
            battlegen::ParseMapText(bad.text, "test.txt");
            ADD_FAILURE() << "accepted";
        } catch (const battlegen::SourceError& e) {
            EXPECT_EQ(std::string(e.what()), bad.message);
        }
    }
}

} // namespace
