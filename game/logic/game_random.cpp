#include "game/logic/game_random.h"

#include "platform/clock.h"

namespace {
// A linear congruential generator with the constants of the classic rand(): the high bits of a
// 32-bit state, 15 bits a draw.
std::uint32_t state = 1;
std::uint64_t draws = 0;
} // namespace

int GameRandom() {
    state = state * 214013u + 2531011u;
    ++draws;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void SeedGameRandom(std::uint32_t seed) { state = seed; }

void SeedGameRandomFromClock() { SeedGameRandom(GetTickCount()); }

std::uint64_t GameRandomDraws() { return draws; }
