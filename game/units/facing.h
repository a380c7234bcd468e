#pragma once
// Facing arithmetic on the compass codes 1..8 (1 north, clockwise). A unit faces a vertex
// (2, 3, 4, 6, 7, 8) and turns one hex side at a time, skipping 1 and 5; a hex side (1, 2, 4, 5,
// 6, 8) turns skipping 3 and 7. Sense 1 is anticlockwise, 2 clockwise.
#include "game/logic/direction.h"

#include <cstdint>

namespace facing {

constexpr int Plain(int code, int steps) { return ((code - 1 + steps) % 8 + 8) % 8 + 1; }

// One step in a sense, stepping over the codes `skipA` and `skipB`.
constexpr int Step(int code, bool clockwise, int skipA, int skipB) {
    int next = Plain(code, clockwise ? 1 : -1);
    if (next == skipA || next == skipB) next = Plain(next, clockwise ? 1 : -1);
    return next;
}
constexpr int TurnFacing(int f, bool clockwise) { return Step(f, clockwise, 1, 5); }
constexpr int TurnSide(int d, bool clockwise) { return Step(d, clockwise, 3, 7); }
constexpr int Turned(int f, bool clockwise, int sides) {
    for (int i = 0; i < sides; ++i) f = TurnFacing(f, clockwise);
    return f;
}

// Steps from one code to another one way round, over the codes that skip; 99 when the target is
// never met (a code outside 1..8, or one of the skipped codes).
constexpr int CountSteps(int from, int to, bool clockwise, int skipA, int skipB) {
    int f = from;
    for (int n = 0; n <= 8; ++n) {
        if (f == to) return n;
        f = Step(f, clockwise, skipA, skipB);
    }
    return 99;
}

struct Turn {
    int sense = 1; // 1 anticlockwise, 2 clockwise
    int steps = 0;
};
// The shorter way round; a tie goes anticlockwise.
constexpr Turn ShorterTurn(int from, int to, int skipA = 1, int skipB = 5) {
    const int cw = CountSteps(from, to, true, skipA, skipB), acw = CountSteps(from, to, false, skipA, skipB);
    if (cw < acw) return Turn{2, cw};
    return Turn{1, acw >= 99 ? 0 : acw};
}

// The two front (rear) sides of a facing, first first; {0, 0} for a code that is no facing.
struct SidePair {
    int first = 0, second = 0;
};
constexpr SidePair FrontSides(int f) {
    switch (f) {
    case 2: return {1, 2};
    case 3: return {2, 4};
    case 4: return {4, 5};
    case 6: return {5, 6};
    case 7: return {6, 8};
    case 8: return {8, 1};
    default: return {0, 0};
    }
}
constexpr SidePair RearSides(int f) {
    switch (f) {
    case 2: return {5, 6};
    case 3: return {6, 8};
    case 4: return {8, 1};
    case 6: return {1, 2};
    case 7: return {2, 4};
    case 8: return {4, 5};
    default: return {0, 0};
    }
}

} // namespace facing
