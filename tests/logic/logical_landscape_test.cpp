#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "landscape_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using testing_units::LoadDraft;
using testing_units::Regions;

// A 6 × 5 map: a road and woods at 101 with a hedge on its south-east side, a hedge and a road
// code at 302's north midpoint, a stream given twice at 302's south midpoint, and a half hex
// (104) whose own north midpoint carries a hedge.
datagen::LandscapeDraft FixtureDraft() {
    datagen::LandscapeDraft d(6, 5);
    d.firstHeaderValue = 1000;
    d.secondHeaderValue = -2;
    d.AddTerrain(101, 1);
    d.AddTerrain(101, 12);
    d.AddEdge(101, 4, 6);
    d.AddEdge(302, 1, 12);
    d.AddEdge(302, 1, 6);
    d.AddEdge(302, 5, 10);
    d.AddEdge(302, 5, 15);
    d.AddEdge(402, 2, 12);
    d.AddEdge(203, 6, 11);
    d.AddEdge(203, 2, 14);
    d.AddTerrain(104, 2);
    d.AddEdge(104, 1, 6);
    d.SetElevation(101, 3);
    d.SetElevation(0, 9);
    return d;
}

class LandscapeTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDraft(map, FixtureDraft()); }
    VhLogicalLandscape map;
};

TEST(LandscapeBeforeLoading, AnswersWithoutAMap) {
    VhLogicalLandscape map;
    EXPECT_EQ(map.GetName(), "Varnhold Logical Landscape");
    EXPECT_EQ(map.GetFirstMapHeaderValue(), 1000);
    EXPECT_EQ(map.GetSecondMapHeaderValue(), 0);
    EXPECT_EQ(map.GetRegionCount(), 0);
    EXPECT_EQ(map.GetRegion(0), nullptr);
    EXPECT_EQ(map.GetNeighbour(0, 4), 0xFFFF);
    List<short> out;
    map.FindRegionsWithinRange(out, 0, 3, nullptr, 0);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(LandscapeTest, RegionsAreBuiltFromTheFile) {
    EXPECT_EQ(map.GetRegionCount(), 30);
    EXPECT_EQ(map.GetSize(), Point(6, 5));
    EXPECT_EQ(map.GetFirstMapHeaderValue(), 1000);
    EXPECT_EQ(map.GetSecondMapHeaderValue(), -2);
    for (int i = 0; i < map.GetRegionCount(); ++i) {
        const LogicalRegion* r = map.GetRegionByIndex(i);
        ASSERT_NE(r, nullptr);
        const int c = i % 6, row = i / 6;
        EXPECT_EQ(r->number, c * 100 + row);
        EXPECT_EQ(map.GetRegion(r->number), r);
        EXPECT_EQ(r->point.x, 2 * c);
        EXPECT_EQ(r->point.y, 4 * row + 2 * (c & 1));
        EXPECT_EQ(r->neighbourCount, 10);
        for (int d = 0; d <= 8; ++d) EXPECT_EQ(r->neighbours[d], hex::SideNeighbour(c, row, d, 6, 5));
        EXPECT_EQ(r->neighbours[9], 0xFFFF);
        EXPECT_EQ(map.GetLockOwner(r->number), 0xFFFF);
        EXPECT_EQ(map.GetViewerCount(r->number), hex::IsHalfHex(c, row, 5) ? 0xFFFF : 0);
    }
    EXPECT_EQ(map.GetRegion(101)->point.z, 3);
    EXPECT_EQ(map.GetRegion(0)->point.z, 9);
    const LogicalRegion* woods = map.GetRegion(101);
    EXPECT_EQ(woods->terrainCount, 2);
    EXPECT_EQ(woods->terrain[0], 1);
    EXPECT_EQ(woods->terrain[1], 12);
    EXPECT_EQ(woods->terrain[2], 0xFFFF);
    EXPECT_TRUE(map.RegionHasFeature(101, 12));
    EXPECT_FALSE(map.RegionHasFeature(100, 12));
    EXPECT_FALSE(map.RegionHasFeature(9999, 12));
}

TEST_F(LandscapeTest, EdgeCodesOnSideMidpoints) {
    struct Case {
        std::uint16_t region;
        int side;
        std::uint16_t code;
        bool expected;
    } cases[] = {
        // A hedge on 101's south-east side is also on 202's north-west side.
        {101, 4, 6, true}, {202, 8, 6, true}, {101, 5, 6, false},
        // Road and hedge at one midpoint: only the hedge's type; a road code alone sets nothing.
        {302, 1, 6, true}, {301, 5, 6, true}, {402, 2, 6, false}, {402, 2, 12, false},
        // A stream given as 10 and 15 sets bit 3 once; both codes answer through code 10.
        {302, 5, 10, true}, {303, 1, 10, true}, {302, 5, 15, false},
        // Wall and the edge type 0 code.
        {203, 6, 11, true}, {103, 2, 11, true}, {203, 2, 14, true}, {302, 6, 14, true},
        // Codes 8 and 9 have no edge type; vertex directions and bad sides are never edges.
        {203, 6, 8, false}, {203, 6, 9, false}, {203, 3, 11, false}, {203, 0, 11, false}, {203, 9, 11, false},
        // The half hex takes no side flags, but its neighbour above shares the midpoint.
        {104, 1, 6, false}, {103, 5, 6, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(map.HasEdgeType(c.region, c.side, c.code), c.expected)
            << c.region << " side " << c.side << " code " << c.code;
    EXPECT_EQ(map.GetRegion(302)->sideFlags & (0x1Fu << 15), 1u << (15 + 3));
    EXPECT_EQ(map.GetRegion(104)->sideFlags, 0u);
    EXPECT_TRUE(map.RegionHasFeature(104, 2));

    EXPECT_TRUE(map.HasEdgeBetween(101, 202, 6));
    EXPECT_TRUE(map.HasEdgeBetween(202, 101, 6));
    EXPECT_FALSE(map.HasEdgeBetween(101, 102, 6));
    EXPECT_FALSE(map.HasEdgeBetween(101, 303, 6));
}

TEST_F(LandscapeTest, DamagedFileLeavesTheLoadedMap) {
    auto bytes = datagen::WriteLandscape(FixtureDraft());
    bytes.resize(bytes.size() - 3);
    EXPECT_EQ(map.LoadFromBytes(bytes), 0);
    EXPECT_FALSE(map.GetLoadError().empty());
    EXPECT_EQ(map.GetRegionCount(), 30);
    EXPECT_TRUE(map.HasEdgeType(101, 4, 6));
    EXPECT_EQ(map.Load("/nonexistent/dir/map.map"), 0);
    EXPECT_EQ(map.GetRegionCount(), 30);
}

TEST(LandscapeLoading, FromAFileOnDiskAndAgain) {
    const std::string path = testing::TempDir() + "logical_landscape_test.map";
    datagen::LandscapeDraft small(3, 3);
    small.firstHeaderValue = 2000;
    ASSERT_TRUE(datagen::WriteLandscapeFile(path, small));
    VhLogicalLandscape map;
    ASSERT_EQ(map.Load(path), 1);
    EXPECT_EQ(map.GetRegionCount(), 9);
    EXPECT_EQ(map.GetFirstMapHeaderValue(), 2000);
    // A second load replaces the first map.
    ASSERT_TRUE(datagen::WriteLandscapeFile(path, FixtureDraft()));
    ASSERT_EQ(map.Load(path), 1);
    EXPECT_EQ(map.GetRegionCount(), 30);
    std::remove(path.c_str());
}

TEST_F(LandscapeTest, NumberingAndPoints) {
    for (int i = 0; i < map.GetRegionCount(); ++i) {
        const std::uint16_t n = map.IndexToNumber(i);
        EXPECT_EQ(map.NumberToIndex(n), i);
        const Point p = map.RegionToPoint(n);
        EXPECT_EQ(p.x, map.GetRegion(n)->point.x + 2);
        EXPECT_EQ(p.y, map.GetRegion(n)->point.y + 2);
        EXPECT_EQ(map.PointToRegion(p), n);
    }
    EXPECT_EQ(map.NumberToIndex(600), -1);
    EXPECT_EQ(map.NumberToIndex(5), -1);
    EXPECT_EQ(map.NumberToIndex(0xFFFF), -1);
}

TEST(LandscapeGeometry, ValidAndEdgeRegionsOnAThreeByThreeMap) {
    VhLogicalLandscape map;
    LoadDraft(map, datagen::LandscapeDraft(3, 3));
    for (std::uint16_t n : {0, 1, 2, 100, 101, 200, 201, 202}) EXPECT_TRUE(map.IsValidRegion(n)) << n;
    for (std::uint16_t n : {102, 3, 300, 0xFFFF}) EXPECT_FALSE(map.IsValidRegion(n)) << n;
    EXPECT_EQ(map.GetNeighbour(101, 5), 0xFFFF);
    EXPECT_EQ(map.GetNeighbour(2, 4), 0xFFFF);
    EXPECT_EQ(map.GetNeighbour(102, 1), 101);
    EXPECT_EQ(map.GetNeighbourRegion(102, 1), map.GetRegion(101));
    EXPECT_EQ(map.GetNeighbourRegion(101, 5), nullptr);
    EXPECT_TRUE(map.IsEdgeRegion(0));
    EXPECT_TRUE(map.IsEdgeRegion(101));
}

TEST_F(LandscapeTest, MapEdges) {
    struct Case {
        int edge;
        std::vector<int> regions;
    } cases[] = {
        // Every column's top region, column 0 included.
        {1, {0, 100, 200, 300, 400, 500}},
        // The last column is odd: its half hex is no place to stand.
        {3, {500, 501, 502, 503}},
        {5, {4, 103, 204, 303, 404, 503}},
        {7, {0, 1, 2, 3, 4}},
        {2, {}},
        {0, {}},
    };
    for (const auto& c : cases) {
        List<short> out;
        out.AddTail(77);
        map.GetMapEdgeRegions(c.edge, out);
        EXPECT_EQ(Regions(out), c.regions) << c.edge;
        for (int n : c.regions) EXPECT_TRUE(map.IsValidRegion(static_cast<std::uint16_t>(n))) << n;
    }
    EXPECT_FALSE(map.IsEdgeRegion(202));
    EXPECT_TRUE(map.IsEdgeRegion(103));
}

TEST_F(LandscapeTest, DirectionsFacingsAndFrontArcs) {
    EXPECT_EQ(map.DirectionToRegion(202, 201), North);
    EXPECT_EQ(map.DirectionToRegion(202, 301), NorthEast);
    EXPECT_EQ(map.DirectionToRegion(202, 302), SouthEast);
    EXPECT_EQ(map.DirectionToRegion(202, 203), South);
    EXPECT_EQ(map.DirectionToRegion(202, 102), SouthWest);
    EXPECT_EQ(map.DirectionToRegion(202, 101), NorthWest);
    EXPECT_EQ(map.DirectionToRegion(202, 204), NoDirection);
    EXPECT_EQ(map.DirectionToRegion(202, 202), NoDirection);

    EXPECT_EQ(map.FacingTowards(202, 202), NorthEast);
    EXPECT_EQ(map.FacingTowards(202, 201), NorthEast);
    EXPECT_EQ(map.FacingTowards(202, 302), SouthEast);
    EXPECT_EQ(map.FacingTowards(202, 402), East);
    for (int f = 0; f <= 8; ++f) EXPECT_FALSE(map.IsInFrontArc(202, 202, f)) << f;
    for (std::uint16_t to = 0; to < 600; to += 101) {
        EXPECT_FALSE(map.IsInFrontArc(202, to, 1));
        EXPECT_FALSE(map.IsInFrontArc(202, to, 5));
    }
    EXPECT_TRUE(map.IsInFrontArc(202, 201, 2));
    EXPECT_TRUE(map.IsInFrontArc(202, 201, 8));
    EXPECT_FALSE(map.IsInFrontArc(202, 201, 3));
    EXPECT_TRUE(map.IsInFrontArc(202, 402, 3));
}

TEST_F(LandscapeTest, HexLinesAreUnbrokenAndShortest) {
    {
        List<short> line = map.GetHexLine(0, 3);
        EXPECT_EQ(Regions(line), (std::vector<int>{0, 1, 2, 3}));
        List<short> self = map.GetHexLine(202, 202);
        EXPECT_EQ(Regions(self), (std::vector<int>{202}));
    }
    // Between any two places of the map, the line runs through neighbours, one hex per step.
    for (int a = 0; a < map.GetRegionCount(); ++a)
        for (int b = 0; b < map.GetRegionCount(); ++b) {
            const std::uint16_t from = map.IndexToNumber(a), to = map.IndexToNumber(b);
            if (!map.IsValidRegion(from) || !map.IsValidRegion(to)) continue;
            List<short> line = map.GetHexLine(from, to);
            const auto v = Regions(line);
            ASSERT_FALSE(v.empty());
            EXPECT_EQ(v.front(), from);
            EXPECT_EQ(v.back(), to) << from << " to " << to;
            EXPECT_EQ(static_cast<int>(v.size()), map.RegionDistance(from, to) + 1) << from << " to " << to;
            for (std::size_t i = 1; i < v.size(); ++i)
                EXPECT_NE(map.DirectionToRegion(static_cast<std::uint16_t>(v[i - 1]), static_cast<std::uint16_t>(v[i])),
                          NoDirection);
        }
}

TEST(LandscapeGeometry, HexLineStopsAtTheMapEdge) {
    // On a one-row map every odd column is a half hex: a line from 0 to 200 has no way through.
    VhLogicalLandscape map;
    LoadDraft(map, datagen::LandscapeDraft(3, 1));
    List<short> line = map.GetHexLine(0, 200);
    const auto v = Regions(line);
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front(), 0);
    EXPECT_NE(v.back(), 200);
}

TEST_F(LandscapeTest, SurroundedOrNearRoad) {
    datagen::LandscapeDraft d(6, 5);
    for (int side : {1, 2, 4, 5, 6, 8}) d.AddEdge(202, side, 6);
    for (int side : {1, 2, 4, 5, 6, 8}) d.AddEdge(403, side, 10);
    d.AddTerrain(0, 12);
    d.AddTerrain(404, 4);
    VhLogicalLandscape m;
    LoadDraft(m, d);
    EXPECT_TRUE(m.IsSurroundedByEdge(202, 6));
    EXPECT_FALSE(m.IsSurroundedByEdge(202, 10));
    EXPECT_TRUE(m.IsEnclosedOrNearRoad(202));
    EXPECT_TRUE(m.IsEnclosedOrNearRoad(403));
    // Region 0 is a region like any other: a road there counts for its neighbours.
    EXPECT_TRUE(m.IsEnclosedOrNearRoad(1));
    EXPECT_TRUE(m.IsEnclosedOrNearRoad(100));
    EXPECT_TRUE(m.IsEnclosedOrNearRoad(503));
    EXPECT_FALSE(m.IsEnclosedOrNearRoad(0));
    EXPECT_FALSE(m.IsEnclosedOrNearRoad(302));
}

} // namespace
