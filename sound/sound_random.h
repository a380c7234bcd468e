#pragma once
// The sound's own random numbers (rand()'s contract: 0..32767). Sound draws from a stream of its
// own so that what plays, and when the sound thread runs, never changes a battle.
#include <cstdint>

int SoundRand();
void SeedSoundRandom(std::uint32_t seed);
