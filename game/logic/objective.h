#pragma once
// A battle objective: the regions to hold, their worth and who holds them.
//
// Invariant: hexes holds region numbers only (never the 0xFFFF that ends a builder's list).
#include "game/logic/core_types.h"

#include <cstdint>
#include <initializer_list>

struct Objective {
    std::int16_t points = 0;
    std::int32_t holder = -1;
    std::int32_t nameId = 0;
    List<short> hexes;

    Objective() = default;
    // The regions follow the three values and end at the first value above 65534.
    Objective(std::int16_t worth, std::int32_t heldBy, std::int32_t name, std::initializer_list<unsigned> regions)
        : points(worth), holder(heldBy), nameId(name) {
        for (unsigned r : regions) {
            if (r > 65534) break;
            hexes.AddTail(static_cast<short>(r));
        }
    }
};
