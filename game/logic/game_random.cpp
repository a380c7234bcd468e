#include "game/logic/game_random.h"

#include "platform/clock.h"

#include <deque>

namespace {
// A linear congruential generator with the constants of the classic rand(): the high bits of a
// 32-bit state, 15 bits a draw.
std::uint32_t state = 1;
std::uint64_t draws = 0;
std::deque<int> script;
} // namespace

int GameRandom() {
    if (!script.empty()) {
        const int v = script.front();
        script.pop_front();
        ++draws;
        return v;
    }
    state = state * 214013u + 2531011u;
    ++draws;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void SeedGameRandom(std::uint32_t seed) { state = seed; }

void SeedGameRandomFromClock() { SeedGameRandom(GetTickCount()); }

std::uint64_t GameRandomDraws() { return draws; }

void ScriptGameRandom(std::initializer_list<int> values) { script.assign(values.begin(), values.end()); }
void ClearGameRandomScript() { script.clear(); }
int ScriptedDrawsLeft() { return static_cast<int>(script.size()); }
