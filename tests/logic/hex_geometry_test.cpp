#include "game/logic/direction.h"
#include "game/logic/hex_geometry.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned short None = hex::NoRegion;

struct NeighbourCase {
    unsigned short region;
    int columns, rows;
    unsigned short expected[9]; // directions 0..8
};

TEST(HexGeometry, NeighboursOnEvenAndOddColumnsAndAtTheEdges) {
    const NeighbourCase cases[] = {
        // Even column inside the map.
        {202, 5, 5, {202, 201, 301, None, 302, 203, 102, None, 101}},
        // Odd column inside the map: it sits half a hex lower.
        {302, 5, 5, {302, 301, 402, None, 403, 303, 203, None, 202}},
        // Corner region 0 and the first odd column's top.
        {0, 5, 5, {0, None, None, None, 100, 1, None, None, None}},
        {100, 5, 5, {100, None, 200, None, 201, 101, 1, None, 0}},
        // Last column (even) and first column.
        {402, 5, 5, {402, 401, None, None, None, 403, 302, None, 301}},
        {2, 5, 5, {2, 1, 101, None, 102, 3, None, None, None}},
        // Last row: an even column's S, SE and SW lead nowhere; half hexes are no neighbours.
        {204, 5, 5, {204, 203, 303, None, None, None, None, None, 103}},
        {103, 5, 5, {103, 102, 203, None, 204, None, 4, None, 3}},
        // The half hex itself still looks out of the map.
        {104, 5, 5, {104, 103, 204, None, None, None, None, None, 4}},
        // 3 × 3: 102 is a half hex.
        {101, 3, 3, {101, 100, 201, None, 202, None, 2, None, 1}},
        {2, 3, 3, {2, 1, 101, None, None, None, None, None, None}},
        {102, 3, 3, {102, 101, 202, None, None, None, None, None, 2}},
    };
    for (const auto& c : cases)
        for (int d = 0; d <= 8; ++d)
            EXPECT_EQ(hex::SideNeighbour(hex::Column(c.region), hex::Row(c.region), d, c.columns, c.rows), c.expected[d])
                << "region " << c.region << " direction " << d;
}

TEST(HexGeometry, NeighbourLinksAreSymmetric) {
    // Across a side and back across the opposite side returns home, wherever the link exists.
    const int columns = 7, rows = 6;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) {
            if (hex::IsHalfHex(c, r, rows)) continue;
            for (int d : hex::Sides) {
                const auto n = hex::SideNeighbour(c, r, d, columns, rows);
                if (n == None) continue;
                EXPECT_EQ(hex::SideNeighbour(hex::Column(n), hex::Row(n), RotateDirectionClockwise(static_cast<DIRECTION>(d), 4), columns, rows),
                          hex::Number(c, r));
                EXPECT_EQ(hex::Distance(n, hex::Number(c, r)), 1);
            }
        }
}

TEST(HexGeometry, Distances) {
    struct Case {
        unsigned short a, b;
        int distance;
    } cases[] = {
        {0, 0, 0}, {0, 3, 3}, {0, 100, 1}, {0, 201, 2}, {0, 400, 4}, {100, 302, 3},
        {302, 100, 3}, {101, 1, 1}, {101, 2, 1}, {101, 202, 1}, {101, 203, 2}, {0, 1005, 10},
    };
    for (const auto& c : cases) EXPECT_EQ(hex::Distance(c.a, c.b), c.distance) << c.a << " to " << c.b;
}

TEST(HexGeometry, BearingsFromEvenAndOddColumns) {
    struct Case {
        unsigned short from, to;
        int bearing;
    } cases[] = {
        {101, 100, 0}, {100, 200, 4}, {0, 100, 8}, {0, 1, 12}, {1, 0, 0}, {100, 0, 20}, {0, 200, 6},
        {200, 0, 18}, {0, 101, 10}, {101, 0, 22}, {202, 201, 0}, {202, 301, 4}, {202, 302, 8},
        {202, 102, 16}, {202, 101, 20}, {302, 402, 4}, {302, 403, 8}, {302, 203, 16}, {302, 202, 20},
        {5, 5, -1}, {202, 400, 3}, {202, 3, 16}, {0, 300, 7},
    };
    for (const auto& c : cases) EXPECT_EQ(hex::Bearing(c.from, c.to), c.bearing) << c.from << " to " << c.to;
}

TEST(HexGeometry, FacingsAndFrontArcs) {
    const int facingOf[24] = {2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 6, 6, 6, 6, 7, 7, 7, 7, 8, 8, 8, 8};
    for (int b = 0; b < 24; ++b) EXPECT_EQ(hex::FacingForBearing(b), facingOf[b]) << b;
    EXPECT_EQ(hex::FacingForBearing(-1), 2);

    // Every bearing is in the arc of its own facing; bearings on a wedge's boundary are in two.
    for (int b = 0; b < 24; ++b) {
        int arcs = 0;
        for (int f : hex::Facings)
            for (short a : hex::FrontArc(f)) arcs += a == b;
        EXPECT_EQ(arcs, b % 4 == 0 ? 2 : 1) << b;
    }
    for (int f : {0, 1, 5}) EXPECT_TRUE(hex::FrontArc(f).empty()) << f;
}

TEST(HexGeometry, Rotation) {
    struct Case {
        int direction, steps, clockwise, anticlockwise;
    } cases[] = {
        {8, 1, 1, 7}, {1, 1, 2, 8}, {1, 2, 3, 7}, {3, 10, 5, 1}, {2, 10, 4, 8},
        {0, 1, 0, 0}, {9, 1, 0, 0}, {9, 0, 9, 9}, {5, 8, 5, 5}, {4, 255, 3, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RotateDirectionClockwise(static_cast<DIRECTION>(c.direction), static_cast<std::uint8_t>(c.steps)), c.clockwise)
            << c.direction << " by " << c.steps;
        EXPECT_EQ(RotateDirectionAnticlockwise(static_cast<DIRECTION>(c.direction), static_cast<std::uint8_t>(c.steps)),
                  c.anticlockwise)
            << c.direction << " by " << c.steps;
    }
}

} // namespace
