#include "tools/battlegen/hex_grid.h"

#include <cmath>
#include <cstdlib>

namespace battlegen {

namespace {

struct Cube {
    double x, y, z;
};

Cube ToCube(Hex h) {
    const int x = h.column;
    const int z = h.row - (h.column - (h.column & 1)) / 2;
    return {static_cast<double>(x), static_cast<double>(-x - z), static_cast<double>(z)};
}

Hex FromCube(int x, int z) {
    return {x, z + (x - (x & 1)) / 2};
}

Hex RoundCube(Cube c) {
    double rx = std::round(c.x), ry = std::round(c.y), rz = std::round(c.z);
    const double dx = std::fabs(rx - c.x), dy = std::fabs(ry - c.y), dz = std::fabs(rz - c.z);
    if (dx > dy && dx > dz)
        rx = -ry - rz;
    else if (dy <= dz)
        rz = -rx - ry;
    return FromCube(static_cast<int>(rx), static_cast<int>(rz));
}

int IndexOf(int side) {
    for (int i = 0; i < 6; ++i)
        if (kSides[static_cast<std::size_t>(i)] == side) return i;
    return -1;
}

} // namespace

int SideCounterClockwise(int side) {
    const int i = IndexOf(side);
    return i < 0 ? 0 : kSides[static_cast<std::size_t>((i + 5) % 6)];
}

int SideClockwise(int side) {
    const int i = IndexOf(side);
    return i < 0 ? 0 : kSides[static_cast<std::size_t>((i + 1) % 6)];
}

int OppositeSide(int side) {
    const int i = IndexOf(side);
    return i < 0 ? 0 : kSides[static_cast<std::size_t>((i + 3) % 6)];
}

Hex Neighbour(Hex h, int side) {
    const int odd = h.column & 1;
    switch (side) {
    case 1: return {h.column, h.row - 1};
    case 2: return {h.column + 1, h.row - 1 + odd};
    case 4: return {h.column + 1, h.row + odd};
    case 5: return {h.column, h.row + 1};
    case 6: return {h.column - 1, h.row + odd};
    case 8: return {h.column - 1, h.row - 1 + odd};
    default: return h;
    }
}

int SideTowards(Hex a, Hex b) {
    for (int side : kSides)
        if (Neighbour(a, side) == b) return side;
    return 0;
}

int Distance(Hex a, Hex b) {
    const Cube ca = ToCube(a), cb = ToCube(b);
    return static_cast<int>((std::fabs(ca.x - cb.x) + std::fabs(ca.y - cb.y) + std::fabs(ca.z - cb.z)) / 2);
}

std::vector<Hex> Line(Hex a, Hex b) {
    const int n = Distance(a, b);
    std::vector<Hex> out;
    const Cube ca = ToCube(a), cb = ToCube(b);
    // A small nudge keeps points that fall exactly between two hexes on one side of the line.
    const Cube nudge{1e-6, 2e-6, -3e-6};
    for (int i = 0; i <= n; ++i) {
        const double t = n == 0 ? 0.0 : static_cast<double>(i) / n;
        out.push_back(RoundCube({ca.x + (cb.x - ca.x) * t + nudge.x, ca.y + (cb.y - ca.y) * t + nudge.y,
                                 ca.z + (cb.z - ca.z) * t + nudge.z}));
    }
    return out;
}

std::vector<Hex> Polyline(const std::vector<Hex>& waypoints) {
    std::vector<Hex> out;
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        if (i == 0) {
            out.push_back(waypoints[0]);
            continue;
        }
        const auto leg = Line(waypoints[i - 1], waypoints[i]);
        out.insert(out.end(), leg.begin() + 1, leg.end());
    }
    return out;
}

} // namespace battlegen
