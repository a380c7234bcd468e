#pragma once
// The game's one random source. Every draw of the rules and the referee comes from here, so that
// a battle replays exactly from its seed; pictures and sound keep streams of their own.
//
// The contract is the C library's rand(): each draw is 0..32767, and the same seed gives the
// same sequence on every machine (the generator is ours, not the host's).
#include <cstdint>
#include <initializer_list>

inline constexpr int GameRandomMax = 32767;

// The next draw, 0..GameRandomMax.
int GameRandom();
void SeedGameRandom(std::uint32_t seed);
// Seeds from the platform clock: "now" as the game sees it, so tests decide it.
void SeedGameRandomFromClock();
// How many draws were made since the program started; tests use it to see that nothing drew.
std::uint64_t GameRandomDraws();
// Tests: the next draws come from this list, in order, before the generator takes over again
// (the generator's state does not move while scripted draws are served).
void ScriptGameRandom(std::initializer_list<int> values);
void ClearGameRandomScript();
// Scripted draws not yet taken.
int ScriptedDrawsLeft();
