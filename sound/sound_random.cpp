#include "sound/sound_random.h"

#include <atomic>

namespace {
std::atomic<std::uint32_t> state{1};
}

int SoundRand() {
    std::uint32_t old = state.load();
    std::uint32_t next;
    do {
        next = old * 1103515245u + 12345u;
    } while (!state.compare_exchange_weak(old, next));
    return static_cast<int>((next >> 16) & 0x7FFF);
}

void SeedSoundRandom(std::uint32_t seed) { state.store(seed); }
