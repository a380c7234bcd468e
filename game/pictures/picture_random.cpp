#include "game/pictures/picture_random.h"

namespace {
std::uint32_t pictureSeed = 1;
}

int PictureRandom() {
    pictureSeed = pictureSeed * 214013u + 2531011u;
    return static_cast<int>((pictureSeed >> 16) & 0x7FFF);
}

void SeedPictureRandom(std::uint32_t seed) { pictureSeed = seed; }
