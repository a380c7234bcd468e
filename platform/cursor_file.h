#pragma once
// The program's cursor files: an animated cursor (a RIFF "ACON" file, .ani) of icon-format
// frames, or a single cursor (.cur). Every size and count is checked against the bytes present
// before anything is made from it, so a damaged file is refused whole and never read past.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct CursorFrame {
    int width = 0, height = 0;  // 1 to 256 each
    int hotX = 0, hotY = 0;
    std::vector<std::uint32_t> argb;  // straight alpha, top row first, width * height
};

struct CursorImage {
    std::vector<CursorFrame> frames;
    // The frames shown in turn (indexes into frames) and each one's time in 1/60 s.
    std::vector<std::uint32_t> sequence;
    std::vector<std::uint32_t> rates;
};

// The largest cursor a file may hold: frames of 256 x 256 at most, and so many frames.
constexpr std::size_t kMaxCursorFrames = 256;

// False (and out empty) for bytes that are neither a whole animated cursor nor a whole cursor.
bool ReadCursorFile(const std::uint8_t* data, std::size_t size, CursorImage& out);

} // namespace platform
