#pragma once
// Compass directions of the hex map, shared by the battlefield, the units and the display.
// 0 is no direction; 1..8 run clockwise from north. Hex sides are 1, 2, 4, 5, 6 and 8; 3 and 7
// point at the east and west vertices. 32 bits in memory, 16 bits in a stream.
#include <cstdint>

class SuperString;

enum DIRECTION : std::int32_t {
    NoDirection = 0,
    North = 1,
    NorthEast = 2,
    East = 3,
    SouthEast = 4,
    South = 5,
    SouthWest = 6,
    West = 7,
    NorthWest = 8,
};

// Rotation in 45-degree steps. No steps leave any value as it is; otherwise a value outside 1..8
// becomes no direction.
DIRECTION RotateDirectionClockwise(DIRECTION direction, std::uint8_t steps);
DIRECTION RotateDirectionAnticlockwise(DIRECTION direction, std::uint8_t steps);

// Stream form: the low 16 bits, read back sign-extended into the 32-bit value. The payload type
// is registered as "DIRECTION" (game/logic/logical_command.h).
void WriteDirection(SuperString& s, DIRECTION direction);
void ReadDirection(SuperString& s, DIRECTION& direction);
