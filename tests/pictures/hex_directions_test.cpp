#include "game/pictures/hex_directions.h"

#include <gtest/gtest.h>

namespace {

struct NeighbourCase {
    short hex;
    int direction;
    short expected;
};

TEST(HexDirections, NeighboursFollowTheColumnParity) {
    const NeighbourCase cases[] = {
        {1005, 3, 1004}, {1005, 7, 1006},  // row - 1 and row + 1 in any column
        {1005, 4, 1104}, {1005, 6, 1105}, {1005, 8, 905}, {1005, 2, 904},    // column 10, even
        {1105, 4, 1205}, {1105, 6, 1206}, {1105, 8, 1006}, {1105, 2, 1005},  // column 11, odd
        {1105, 3, 1104}, {1105, 7, 1106},
    };
    for (const auto& c : cases) EXPECT_EQ(HexNeighbour(c.hex, c.direction), c.expected) << c.hex << " toward " << c.direction;
}

TEST(HexDirections, DirectionsThatNameNoNeighbourLeaveTheHex) {
    for (int d : {0, 1, 5, 9, -1, 100}) EXPECT_EQ(HexNeighbour(1005, d), 1005) << d;
}

TEST(HexDirections, TheDirectionToEachNeighbourIsTheOneThatReachedIt) {
    for (short hex : {1005, 1105, 506, 2050, 1201}) {
        for (int d : {2, 3, 4, 6, 7, 8}) {
            const short n = HexNeighbour(hex, d);
            EXPECT_EQ(HexDirection(hex, n), d) << hex << " toward " << d;
            EXPECT_EQ(HexesAdjacent(hex, n), 1);
            EXPECT_EQ(HexesAdjacent(n, hex), 1) << "adjacency is symmetric";
        }
    }
}

TEST(HexDirections, HexesThatAreNotNeighbours) {
    EXPECT_EQ(HexDirection(1005, 1005), 7);
    EXPECT_EQ(HexDirection(1005, 1305), 3);
    EXPECT_EQ(HexesAdjacent(1005, 1005), 0);
    EXPECT_EQ(HexesAdjacent(1005, 1007), 0);
    EXPECT_EQ(HexesAdjacent(1005, 1205), 0);
    // Two rows apart in the next column is not a neighbour although the column differs by one.
    EXPECT_EQ(HexesAdjacent(1005, 1107), 0);
}

} // namespace
