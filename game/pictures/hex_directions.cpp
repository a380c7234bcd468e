#include "game/pictures/hex_directions.h"

#include "game/logic/direction.h"

namespace {

short Column(short hex) { return static_cast<short>(hex / 100); }
short Row(short hex) { return static_cast<short>(hex % 100); }
bool EvenColumn(short hex) { return Column(hex) % 2 == 0; }

// Offsets to add to a hex number, by grid code (index 0 unused); {even column, odd column}.
// Grid codes 3 and 7 point at vertices and have no neighbour.
constexpr short kGridOffsets[9][2] = {
    {0, 0}, {-1, -1}, {99, 100}, {0, 0}, {100, 101}, {1, 1}, {-100, -99}, {0, 0}, {-101, -100},
};
constexpr bool kGridHasNeighbour[9] = {false, true, true, false, true, true, true, false, true};

}  // namespace

int HexDirection(short from, short to) {
    const short dc = static_cast<short>(Column(to) - Column(from));
    const short dr = static_cast<short>(Row(to) - Row(from));
    const bool even = EvenColumn(from);
    int grid = 1;
    if (dc == -1) {
        grid = (even ? dr == -1 : dr == 0) ? 8 : 6;
    } else if (dc == 0) {
        grid = dr == -1 ? 1 : 5;
    } else if (dc == 1) {
        grid = (even ? dr == -1 : dr == 0) ? 2 : 4;
    }
    return RotateDirectionClockwise(static_cast<DIRECTION>(grid), 2);
}

short HexNeighbour(short hex, int direction) {
    if (direction < 1 || direction > 8) return hex;
    const int grid = RotateDirectionAnticlockwise(static_cast<DIRECTION>(direction), 2);
    if (!kGridHasNeighbour[grid]) return hex;
    return static_cast<short>(hex + kGridOffsets[grid][EvenColumn(hex) ? 0 : 1]);
}

int HexesAdjacent(short a, short b) {
    static constexpr int kDirections[] = {2, 3, 4, 6, 7, 8};
    for (int d : kDirections) {
        if (HexNeighbour(a, d) == b) return 1;
    }
    return 0;
}
