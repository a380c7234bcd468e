#pragma once
// Hex directions on hex numbers alone (column * 100 + row), with no landscape. The column and
// row grid lies a quarter turn from the compass: grid code 1 (row - 1) is compass east, and the
// columns run toward the south. Odd columns lie half a row lower than even ones.
//
// A hex has six neighbours, in the compass directions 2, 3, 4, 6, 7 and 8; 1 and 5 never name a
// neighbour. No bounds are checked: a neighbour off the map is an ordinary hex number.
#include <cstdint>

// The compass direction in which `to` lies from `from`. Adjacency is not checked: the same hex
// gives 7 and a hex more than one column away gives 3.
int HexDirection(short from, short to);
// The neighbour of `hex` in a compass direction; a direction that names no neighbour (0, 1, 5 or
// anything above 8) gives `hex` itself.
short HexNeighbour(short hex, int direction);
// 1 when b is one of the six neighbours of a, else 0.
int HexesAdjacent(short a, short b);
