#pragma once
// Pure geometry of the battlefield's flat-topped hex map, free of any map's contents.
//
// Columns run west to east, rows north to south, odd columns sit half a hex lower. A region's
// number is column × 100 + row and its map point (2c, 4r + 2 × odd); directions are 1..8 = N, NE,
// E, SE, S, SW, W, NW, of which 3 and 7 point at vertices; bearings are 0..23 in 15-degree steps
// clockwise from north, −1 for no bearing. Nothing here looks at a map's size except
// SideNeighbour, which answers 0xFFFF for every place off the map and for every half hex.
#include <array>
#include <cstdint>
#include <span>

namespace hex {

constexpr unsigned short NoRegion = 0xFFFF;

// The six hex sides, clockwise from north, and the vertex facings a unit may take.
constexpr std::array<int, 6> Sides = {1, 2, 4, 5, 6, 8};
constexpr std::array<int, 6> Facings = {2, 3, 4, 6, 7, 8};

constexpr int Column(unsigned short number) { return number / 100; }
constexpr int Row(unsigned short number) { return number % 100; }
constexpr unsigned short Number(int column, int row) { return static_cast<unsigned short>(column * 100 + row); }

struct MapPoint {
    int x;
    int y;
};
// The point stored in a region record (without the grid's +2 offsets).
constexpr MapPoint PointOf(unsigned short number) {
    return {2 * Column(number), 4 * Row(number) + 2 * (Column(number) & 1)};
}

// True for the last row's regions of odd columns, which lie half outside the map.
constexpr bool IsHalfHex(int column, int row, int rows) { return (column & 1) && row == rows - 1; }

// The region across side (or direction) d of (column, row) on a map of the given size, or
// NoRegion when it lies off the map, is a half hex, or d is no hex side. Direction 0 gives the
// region itself.
unsigned short SideNeighbour(int column, int row, int d, int columns, int rows);

int Distance(unsigned short a, unsigned short b);
int Bearing(unsigned short from, unsigned short to);
// The vertex facing (2, 3, 4, 6, 7, 8) of the 60-degree wedge a bearing lies in; −1 counts as 0.
int FacingForBearing(int bearing);
// The two sides that flank a vertex facing: anticlockwise first, then clockwise.
std::array<int, 2> FlankingSides(int facing);
// Bearings of a facing's front arc, both boundaries included; empty for facings 0, 1 and 5.
std::span<const short> FrontArc(int facing);

} // namespace hex
