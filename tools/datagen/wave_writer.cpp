#include "tools/datagen/wave_writer.h"

#include "tools/datagen/byte_writer.h"

namespace datagen {
namespace {

constexpr std::uint32_t kDataHeader = 186;

void Tag(ByteWriter& w, const char* tag) {
    for (int i = 0; i < 4; ++i) w.U8(static_cast<std::uint8_t>(tag[i]));
}

void FormatChunk(ByteWriter& w, const WaveFormat& f) {
    Tag(w, "fmt ");
    w.U32(16);
    w.U16(1);
    w.U16(f.channels);
    w.U32(f.samplesPerSecond);
    w.U32(f.samplesPerSecond * f.BlockAlign());
    w.U16(f.BlockAlign());
    w.U16(f.bitsPerSample);
}

} // namespace

std::vector<std::uint8_t> GameWave(const WaveFormat& format, const std::vector<std::uint8_t>& samples) {
    ByteWriter w;
    Tag(w, "RIFF");
    w.U32(static_cast<std::uint32_t>(kDataHeader + 8 + samples.size() - 8));
    Tag(w, "WAVE");
    FormatChunk(w, format);
    // A padding chunk fills the room up to the data chunk's fixed place.
    Tag(w, "JUNK");
    const std::uint32_t pad = kDataHeader - static_cast<std::uint32_t>(w.Size()) - 4;
    w.U32(pad);
    for (std::uint32_t i = 0; i < pad; ++i) w.U8(0);
    Tag(w, "data");
    w.U32(static_cast<std::uint32_t>(samples.size()));
    w.Bytes(samples);
    return w.Data();
}

std::vector<std::uint8_t> PlainWave(const WaveFormat& format, const std::vector<std::uint8_t>& samples) {
    ByteWriter w;
    Tag(w, "RIFF");
    w.U32(static_cast<std::uint32_t>(36 + samples.size() + (samples.size() & 1)));
    Tag(w, "WAVE");
    FormatChunk(w, format);
    Tag(w, "data");
    w.U32(static_cast<std::uint32_t>(samples.size()));
    w.Bytes(samples);
    if (samples.size() & 1) w.U8(0);
    return w.Data();
}

std::vector<std::uint8_t> Pcm16(const std::vector<std::int16_t>& samples) {
    ByteWriter w;
    for (std::int16_t s : samples) w.I16(s);
    return w.Data();
}

} // namespace datagen
