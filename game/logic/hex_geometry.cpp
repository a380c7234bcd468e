#include "game/logic/hex_geometry.h"
#include "game/logic/direction.h"

#include <cstdlib>

namespace hex {

namespace {

// Bearing by quadrant (rows) and class (columns) of the offset between two map points; the map
// points are not to scale, so the classes compare the offset with the true hex angles. Entries of
// −1 cannot occur.
constexpr int BearingTable[4][7] = {
    {-1, 6, 4, 5, 2, 3, 1},
    {0, 18, 20, 19, 22, 21, 23},
    {-1, -1, 8, 7, 10, 9, 11},
    {12, -1, 16, 17, 14, 15, 13},
};

constexpr short Arc2[] = {0, 1, 2, 3, 4};
constexpr short Arc3[] = {4, 5, 6, 7, 8};
constexpr short Arc4[] = {8, 9, 10, 11, 12};
constexpr short Arc6[] = {12, 13, 14, 15, 16};
constexpr short Arc7[] = {16, 17, 18, 19, 20};
constexpr short Arc8[] = {20, 21, 22, 23, 0};

} // namespace

unsigned short SideNeighbour(int column, int row, int d, int columns, int rows) {
    const int odd = column & 1;
    int c = column, r = row;
    switch (d) {
    case 0: break;
    case 1: r = row - 1; break;
    case 2: c = column + 1; r = row - 1 + odd; break;
    case 4: c = column + 1; r = row + odd; break;
    case 5: r = row + 1; break;
    case 6: c = column - 1; r = row + odd; break;
    case 8: c = column - 1; r = row - 1 + odd; break;
    default: return NoRegion;
    }
    if (c < 0 || r < 0 || c >= columns || r >= rows) return NoRegion;
    if (d != 0 && IsHalfHex(c, r, rows)) return NoRegion;
    return Number(c, r);
}

int Distance(unsigned short a, unsigned short b) {
    const MapPoint p = PointOf(a), q = PointOf(b);
    const int dx = std::abs(p.x - q.x), dy = std::abs(p.y - q.y);
    return dx < dy ? (dx + dy) / 4 : dx / 2;
}

int Bearing(unsigned short from, unsigned short to) {
    const MapPoint p = PointOf(from), q = PointOf(to);
    const int dx = q.x - p.x, dy = q.y - p.y;
    if (dx == 0 && dy == 0) return -1;
    int quadrant;
    if (dx > 0 && dy <= 0) quadrant = 0;
    else if (dx <= 0 && dy <= 0) quadrant = 1;
    else if (dx > 0) quadrant = 2;
    else quadrant = 3;
    const int ax = std::abs(dx), ay = std::abs(dy);
    int cls;
    if (dx == 0) cls = 0;
    else if (dy == 0) cls = 1;
    else if (ay == ax) cls = 2;
    else if (ay < ax) cls = 3;
    else if (ay == 3 * ax) cls = 4;
    else if (ay < 3 * ax) cls = 5;
    else cls = 6;
    return BearingTable[quadrant][cls];
}

int FacingForBearing(int bearing) {
    const int s = bearing < 0 ? 0 : bearing / 4;
    return Facings[static_cast<std::size_t>(s % 6)];
}

std::array<int, 2> FlankingSides(int facing) {
    switch (facing) {
    case 2: return {1, 2};
    case 3: return {2, 4};
    case 4: return {4, 5};
    case 6: return {5, 6};
    case 7: return {6, 8};
    case 8: return {8, 1};
    default: return {0, 0};
    }
}

std::span<const short> FrontArc(int facing) {
    switch (facing) {
    case 2: return Arc2;
    case 3: return Arc3;
    case 4: return Arc4;
    case 6: return Arc6;
    case 7: return Arc7;
    case 8: return Arc8;
    default: return {};
    }
}

} // namespace hex

DIRECTION RotateDirectionClockwise(DIRECTION direction, std::uint8_t steps) {
    if (steps == 0) return direction;
    if (direction < 1 || direction > 8) return NoDirection;
    return static_cast<DIRECTION>((direction - 1 + steps) % 8 + 1);
}

DIRECTION RotateDirectionAnticlockwise(DIRECTION direction, std::uint8_t steps) {
    if (steps == 0) return direction;
    if (direction < 1 || direction > 8) return NoDirection;
    return static_cast<DIRECTION>((direction - 1 + 8 - steps % 8) % 8 + 1);
}
