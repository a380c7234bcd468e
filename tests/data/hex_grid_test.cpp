#include "tools/battlegen/hex_grid.h"

#include <gtest/gtest.h>

namespace {

using battlegen::Hex;

TEST(HexGrid, EveryNeighbourIsOneStepAwayAndLeadsBack) {
    for (int c = 1; c < 7; ++c)
        for (int r = 1; r < 7; ++r)
            for (int side : battlegen::kSides) {
                const Hex h{c, r};
                const Hex n = battlegen::Neighbour(h, side);
                EXPECT_EQ(battlegen::Distance(h, n), 1) << h.Number() << " side " << side;
                EXPECT_EQ(battlegen::SideTowards(h, n), side);
                EXPECT_EQ(battlegen::SideTowards(n, h), battlegen::OppositeSide(side));
            }
}

TEST(HexGrid, OddColumnsStandHalfAHexLower) {
    // The north-east neighbour of an even column is a row up; of an odd column, the same row.
    EXPECT_EQ(battlegen::Neighbour({2, 5}, 2).Number(), 304);
    EXPECT_EQ(battlegen::Neighbour({3, 5}, 2).Number(), 405);
    EXPECT_EQ(battlegen::Neighbour({3, 5}, 6).Number(), 206);
    EXPECT_EQ(battlegen::Neighbour({2, 5}, 8).Number(), 104);
}

struct LineCase {
    int from, to, distance;
};
const LineCase Lines[] = {{101, 101, 0}, {101, 108, 7}, {101, 901, 8}, {205, 1210, 10}, {1302, 309, 12}, {1500, 1512, 12}};

TEST(HexGrid, LinesStepFromNeighbourToNeighbour) {
    for (const auto& c : Lines) {
        SCOPED_TRACE(c.from);
        const auto line = battlegen::Line(Hex::FromNumber(c.from), Hex::FromNumber(c.to));
        ASSERT_EQ(static_cast<int>(line.size()), c.distance + 1);
        EXPECT_EQ(line.front().Number(), c.from);
        EXPECT_EQ(line.back().Number(), c.to);
        for (std::size_t i = 1; i < line.size(); ++i) EXPECT_NE(battlegen::SideTowards(line[i - 1], line[i]), 0);
    }
}

TEST(HexGrid, APolylineKeepsEachJointOnce) {
    const auto path = battlegen::Polyline({{1, 1}, {1, 4}, {4, 4}});
    for (std::size_t i = 1; i < path.size(); ++i) EXPECT_NE(battlegen::SideTowards(path[i - 1], path[i]), 0);
    EXPECT_EQ(path.front().Number(), 101);
    EXPECT_EQ(path.back().Number(), 404);
}

TEST(HexGrid, SidesTurnInCompassOrder) {
    EXPECT_EQ(battlegen::SideClockwise(1), 2);
    EXPECT_EQ(battlegen::SideClockwise(2), 4);
    EXPECT_EQ(battlegen::SideClockwise(8), 1);
    EXPECT_EQ(battlegen::SideCounterClockwise(1), 8);
    EXPECT_EQ(battlegen::SideCounterClockwise(4), 2);
    EXPECT_EQ(battlegen::SideClockwise(3), 0);
    EXPECT_EQ(battlegen::OppositeSide(2), 6);
}

} // namespace
