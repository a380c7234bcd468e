#pragma once
// Hex arithmetic of the game's map: flat-topped hexes in columns, odd columns half a hex lower,
// numbered column × 100 + row. Sides are the direction codes 1 (N), 2 (NE), 4 (SE), 5 (S),
// 6 (SW), 8 (NW). Lines and distances go through cube coordinates.
#include <array>
#include <vector>

namespace battlegen {

struct Hex {
    int column = 0;
    int row = 0;
    int Number() const { return column * 100 + row; }
    static Hex FromNumber(int number) { return {number / 100, number % 100}; }
    bool operator==(const Hex&) const = default;
};

// The six sides in clockwise order from north.
inline constexpr std::array<int, 6> kSides = {1, 2, 4, 5, 6, 8};

// The side one step counter-clockwise / clockwise of a side; 0 for a code that is no side.
int SideCounterClockwise(int side);
int SideClockwise(int side);
int OppositeSide(int side);

// The hex across a side (it may lie off any map).
Hex Neighbour(Hex h, int side);
// The side of a through which b is reached; 0 when they are not neighbours.
int SideTowards(Hex a, Hex b);
int Distance(Hex a, Hex b);
// The hexes of the straight line from a to b, both ends included, each step to a neighbour.
std::vector<Hex> Line(Hex a, Hex b);
// Lines through every waypoint in turn, without repeating the joints.
std::vector<Hex> Polyline(const std::vector<Hex>& waypoints);

} // namespace battlegen
