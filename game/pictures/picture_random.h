#pragma once
// The pictures' own random stream (rand()'s contract: 0..32767). Showing or hiding animation
// must never change a battle, so nothing here draws from the game's random source.
#include <cstdint>

int PictureRandom();
void SeedPictureRandom(std::uint32_t seed);
