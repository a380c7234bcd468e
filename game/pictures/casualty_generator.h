#pragma once
// The casualty draws: a multiplicative generator seeded with the unit's hex, so that both
// pictures of a unit (and the pictures of every peer) choose the same figures.
#include <cmath>
#include <cstdint>

class CasualtyGenerator {
public:
    explicit CasualtyGenerator(std::int16_t hex) : state(static_cast<std::uint32_t>(static_cast<std::int32_t>(hex))) {}
    std::int32_t Draw(std::int32_t lo, std::int32_t hi) {
        state = static_cast<std::uint32_t>(state * 16807u) % 1195914823u;
        const long double x = static_cast<long double>(state) / 1195914823.0L * (hi - lo);
        return lo + static_cast<std::int32_t>(std::floor(2 * x) - std::floor(x));
    }

private:
    std::uint32_t state;
};

// The enemy-side preference row of a figure of a unit kind: by direction relative to the unit's
// front (0-8), lower is preferred, 9 never; null for a figure beyond its kind's table.
const std::int8_t* CombatPreference(std::uint32_t kind, std::uint16_t figure);
