// The pointed hex geometry: hex numbers and block indices, screen placement at each zoom level,
// neighbours, turning, and the hex under a point inside, between and outside the blocks.
#include "tests/landscape/landscape_fixture.h"

#include <gtest/gtest.h>

namespace {

using landtest::kZooms;
using landtest::LandscapeTest;
using landtest::TestMap;

// A landscape whose table is laid out for a logical map, without art or a bus.
std::unique_ptr<PointedIsometricHexLandscape> Bare(int columns, int rows, std::uint16_t options = 0,
                                                   const landtest::Zoom& z = kZooms[0]) {
    auto l = std::make_unique<PointedIsometricHexLandscape>(z.block, z.cell, "", "", "", "", "", "", "", 0, 16,
                                                            landtest::kGroupSizes, options);
    l->SetElevationStep(z.elevationStep);
    LandscapeDefinition d;
    d.size = Dim(columns, rows);
    d.regionCount = static_cast<std::uint16_t>(columns * rows);
    l->BeginLandscape(d);
    return l;
}

TEST(PointedHexNumbers, IndicesAndHexNumbersConvertBothWays) {
    auto l = Bare(6, 10);  // 10 display columns, 6 display rows
    EXPECT_EQ(l->HexNumberToIndex(305), 34);
    EXPECT_EQ(l->IndexToHexNumber(34), 305);
    struct Case {
        short number;
        short index;
    };
    const Case cases[] = {{0, 9}, {9, 0}, {509, 50}, {500, 59}, {10, -1}, {600, -1}, {-1, -1}, {-305, -1}, {99, -1}};
    for (const Case& c : cases) EXPECT_EQ(l->HexNumberToIndex(c.number), c.index) << c.number;
}

TEST(PointedHexNumbers, FlippedRoundTripForEveryHexWithABlock) {
    for (std::uint16_t options : {std::uint16_t{0}, IsometricHexLandscape::kFlipped}) {
        auto l = Bare(5, 4, options);  // an odd number of display rows
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 4; ++r) {
                if (hex::IsHalfHex(c, r, 4)) continue;
                const short n = static_cast<short>(hex::Number(c, r));
                const short i = l->HexNumberToIndex(n);
                ASSERT_GE(i, 0) << n;
                EXPECT_FALSE(i % 4 == 0 && (i / 4) % 2 == 1) << "a hex in the empty slot: " << n;
                EXPECT_EQ(l->IndexToHexNumber(i), n) << options;
            }
    }
}

TEST(PointedHexPlacement, StepsAndPositionsAtEachZoom) {
    struct Case {
        int zoom;
        std::int16_t columnStep, rowStep;
        Point hex0, hex101, raised102;  // 102 at level 2
    };
    const Case cases[] = {
        {0, 65, 24, Point(390, 0), Point(195, 48), Point(65 * 3 - 65 * 2 + 65 * 0, 48 - 24)},
        {1, 33, 12, Point(198, 0), Point(99, 24), Point(33, 24 - 12)},
        {2, 17, 6, Point(102, 0), Point(51, 12), Point(17, 12 - 6)},
    };
    for (const Case& c : cases) {
        auto l = Bare(5, 4, static_cast<std::uint16_t>(c.zoom), kZooms[c.zoom]);
        EXPECT_EQ(l->ColumnStep(), c.columnStep);
        EXPECT_EQ(l->RowStep(), c.rowStep);
        auto screen = [&](int number, std::int16_t z) {
            const hex::MapPoint p = hex::PointOf(static_cast<unsigned short>(number));
            const Point3D s = l->HexToScreen(Point3D(p.x, p.y, z));
            EXPECT_EQ(s.z, z);
            return Point(s.x, s.y);
        };
        EXPECT_EQ(screen(0, 0), c.hex0) << c.zoom;
        EXPECT_EQ(screen(101, 0), c.hex101) << c.zoom;
        EXPECT_EQ(screen(102, 2), c.raised102) << c.zoom;
    }
}

TEST(PointedHexNeighbours, TableOfDirectionsAndMapEdges) {
    auto l = Bare(5, 4);  // W 4, H 5; index r * 4 + c
    using L = PointedIsometricHexLandscape;
    struct Case {
        short index;
        int direction;
        short expected;
    };
    const Case cases[] = {
        {9, L::NE, 6},  {9, L::E, 10},  {9, L::SE, 14}, {9, L::SW, 13}, {9, L::W, 8},  {9, L::NW, 5},
        {6, L::NE, 2},  {6, L::SE, 10}, {6, L::SW, 9},  {6, L::NW, 1},  {6, L::W, 5},  {6, L::E, 7},
        {5, L::W, -1},  {5, L::NW, 0},
        {3, L::E, -1},  {3, L::NE, -1}, {3, L::SE, -1}, {0, L::NW, -1}, {0, L::SW, -1}, {0, L::W, -1},
        {19, L::SE, -1}, {19, L::SW, -1}, {7, L::E, -1}, {7, L::NE, 3}, {7, L::SE, 11},
        {6, 1, 6},      {6, 5, 6},      {6, 0, 6},
    };
    for (const Case& c : cases) EXPECT_EQ(l->Neighbour(c.index, c.direction), c.expected) << c.index << "/" << c.direction;
}

TEST(PointedHexNeighbours, TurningAmongTheSixDirections) {
    EXPECT_EQ(RotatePointedClockwise(8, 1), 2);
    EXPECT_EQ(RotatePointedClockwise(4, 2), 7);
    EXPECT_EQ(RotatePointedAnticlockwise(2, 1), 8);
    EXPECT_EQ(RotatePointedAnticlockwise(3, 8), 8);
    EXPECT_EQ(RotatePointedClockwise(5, 3), 5);
    EXPECT_EQ(RotatePointedClockwise(6, 0), 6);
    EXPECT_EQ(RotatePointedAnticlockwise(1, 2), 1);
}

class PointToHexTest : public LandscapeTest {};

TEST_F(PointToHexTest, PointsAndHexesRoundTripAtEachZoom) {
    TestMap map;
    for (std::uint16_t flipped : {std::uint16_t{0}, IsometricHexLandscape::kFlipped}) {
        for (const landtest::Zoom& z : kZooms) {
            landscape = MakeLandscape(z, flipped);
            landscape->AttachToBus(app.get());
            logic->SendMap(map);
            for (int c = 0; c < map.columns; ++c)
                for (int r = 0; r < map.rows; ++r) {
                    const short n = static_cast<short>(hex::Number(c, r));
                    if (!landscape->HasBlock(n)) {
                        EXPECT_TRUE(hex::IsHalfHex(c, r, map.rows)) << n;
                        continue;
                    }
                    const Point3D centre = landscape->GetRegionLocation(n);
                    EXPECT_EQ(landscape->PointToRegion(Point(centre.x, centre.y)), n) << z.bits;
                    // The lowest left pixel of the hex's face; below it the next row's hex is drawn.
                    const Box box = BlockOf(n).GetBox();
                    EXPECT_EQ(landscape->PointToRegion(Point(box.x + 1, box.y + z.cell.height * 3 / 4 - 1)), n) << z.bits;
                }
            landscape.reset();
        }
    }
}

TEST_F(PointToHexTest, BordersBetweenAndOutsideTheMap) {
    TestMap map;
    Show(map);
    struct Case {
        Point p;
        short expected;
    };
    // Full size: row r's blocks start at y 48 r; even rows at x 130 c, odd rows at 130 c - 65.
    const Case cases[] = {
        {Point(129, 10), 3},     // last pixel of hex 3 (display row 0, column 0)
        {Point(130, 10), 2},     // first pixel of its east neighbour
        {Point(100, 50), 3},     // rows overlap: above its lower side the upper hex is drawn
        {Point(100, 70), 102},   // below it the lower row's hex covers the upper one's bank
        {Point(100, 76), 102},   // below the upper block: the hex of display row 1
        {Point(10, 86), 3},      // left of an odd row, between blocks: the nearest centre
        {Point(-1, 10), -1},     // west of the map
        {Point(520, 10), -1},    // east of the map
        {Point(10, -1), -1},     // north of the map
        {Point(10, 4 * 48 + 76), -1},  // south of the map
        {Point(-30000, -30000), -1},
    };
    for (const Case& c : cases) EXPECT_EQ(landscape->PointToRegion(c.p), c.expected) << c.p.x << "," << c.p.y;

    Container<Point> where(Point(130, 10));
    ContainerBase* answer = logic->Send(FIND_REGION, &where);
    ASSERT_NE(PayloadValue<short>(answer), nullptr);
    EXPECT_EQ(*PayloadValue<short>(answer), 2);
    delete answer;
}

} // namespace

namespace {

class MapEdgeTest : public LandscapeTest {};

TEST_F(MapEdgeTest, HexBordersAndMapEdgesAtEachZoom) {
    TestMap map;  // display W 4, H 5
    for (const landtest::Zoom& z : kZooms) {
        landscape = MakeLandscape(z);
        landscape->AttachToBus(app.get());
        logic->SendMap(map);
        const int cs = landscape->ColumnStep(), rs = landscape->RowStep();
        const int south = 2 * rs * 4 + z.block.height;
        struct Case {
            Point p;
            short expected;
        };
        const Case cases[] = {
            {Point(2 * cs - 1, 2), 3},           // last pixel of display row 0, column 0
            {Point(2 * cs, 2), 2},               // first of its east neighbour
            {Point(8 * cs - 1, 2), 0},           // the north-east corner hex
            {Point(8 * cs, 2), -1},              // east of the map
            {Point(-1, 2), -1},                  // west of the map
            {Point(2, -1), -1},                  // north of the map
            {Point(2, south - 1), 403},          // the south-west hex's last row
            {Point(2, south), -1},               // south of the map
        };
        for (const Case& c : cases)
            EXPECT_EQ(landscape->PointToRegion(c.p), c.expected) << "zoom " << z.bits << " at " << c.p.x << "," << c.p.y;
        landscape.reset();
    }
}

} // namespace
