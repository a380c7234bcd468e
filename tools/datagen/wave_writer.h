#pragma once
// Wave files as the game reads them: 16-byte PCM format block at byte 20, a padding chunk, and
// the "data" chunk's header at byte 186 so that the samples start at byte 194. A plain RIFF wave
// (samples right after a 44-byte header) serves the CD tracks, which are read chunk by chunk.
#include <cstdint>
#include <vector>

namespace datagen {

struct WaveFormat {
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSecond = 11025;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t BlockAlign() const { return static_cast<std::uint16_t>(channels * bitsPerSample / 8); }
};

// Sample data in the format's own bytes (8-bit unsigned, 16-bit signed little-endian).
std::vector<std::uint8_t> GameWave(const WaveFormat& format, const std::vector<std::uint8_t>& samples);
std::vector<std::uint8_t> PlainWave(const WaveFormat& format, const std::vector<std::uint8_t>& samples);

// 16-bit samples (interleaved when stereo) as sample bytes.
std::vector<std::uint8_t> Pcm16(const std::vector<std::int16_t>& samples);

} // namespace datagen
