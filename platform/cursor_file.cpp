#include "platform/cursor_file.h"

#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr int kMaxSide = 256;
// The steps of an animation may show frames more than once, within reason.
constexpr std::uint32_t kMaxSteps = 16 * kMaxCursorFrames;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
bool Tag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// One image of a cursor or icon resource: its bitmap header, colour table, colour rows and
// transparency mask, rows stored bottom up.
bool ReadImage(const std::uint8_t* p, std::size_t size, int hotX, int hotY, CursorFrame& frame) {
    if (size < 40) return false;
    const std::uint32_t header = U32(p);
    if (header < 40 || header > size) return false;
    const std::int32_t width = I32(p + 4), doubled = I32(p + 8);
    const std::uint16_t planes = U16(p + 12), bits = U16(p + 14);
    const std::uint32_t compression = U32(p + 16), used = U32(p + 32);
    // The stored height counts the colour rows and the mask rows.
    if (width < 1 || width > kMaxSide || doubled < 2 || doubled > 2 * kMaxSide || doubled % 2 != 0) return false;
    if (planes != 1 || compression != 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 32) return false;
    const int height = doubled / 2;
    if (hotX < 0 || hotX >= width || hotY < 0 || hotY >= height) return false;
    std::size_t colours = 0;
    if (bits <= 8) {
        colours = std::size_t{1} << bits;
        if (used != 0) {
            if (used > colours) return false;
            colours = used;
        }
    }
    std::size_t at = header;
    if (colours * 4 > size - at) return false;
    const std::uint8_t* table = p + at;
    at += colours * 4;
    const std::size_t colourStride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t rows = static_cast<std::size_t>(height);
    if (colourStride * rows > size - at) return false;
    const std::uint8_t* colourRows = p + at;
    at += colourStride * rows;
    if (maskStride * rows > size - at) return false;
    const std::uint8_t* maskRows = p + at;

    std::vector<std::uint32_t> argb(static_cast<std::size_t>(width) * rows);
    bool anyAlpha = false;
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = colourRows + (rows - 1 - y) * colourStride;
        const std::uint8_t* mask = maskRows + (rows - 1 - y) * maskStride;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            const bool clear = (mask[x / 8] >> (7 - x % 8)) & 1;
            std::uint32_t c;
            if (bits == 32) {
                const std::uint8_t* q = row + 4 * x;
                c = (static_cast<std::uint32_t>(q[3]) << 24) | (static_cast<std::uint32_t>(q[2]) << 16) |
                    (static_cast<std::uint32_t>(q[1]) << 8) | q[0];
                anyAlpha = anyAlpha || q[3] != 0;
            } else {
                std::size_t index;
                if (bits == 8) index = row[x];
                else if (bits == 4) index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                else index = (row[x / 8] >> (7 - x % 8)) & 1;
                // An index past a shortened colour table names no colour.
                if (index >= colours) return false;
                const std::uint8_t* e = table + 4 * index;
                c = clear ? 0 : 0xFF000000u | (static_cast<std::uint32_t>(e[2]) << 16) | (static_cast<std::uint32_t>(e[1]) << 8) | e[0];
            }
            argb[y * static_cast<std::size_t>(width) + x] = c;
        }
    }
    // A 32-bit image without alpha takes its transparency from the mask.
    if (bits == 32 && !anyAlpha)
        for (std::size_t y = 0; y < rows; ++y) {
            const std::uint8_t* mask = maskRows + (rows - 1 - y) * maskStride;
            for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                std::uint32_t& c = argb[y * static_cast<std::size_t>(width) + x];
                c = ((mask[x / 8] >> (7 - x % 8)) & 1) ? 0 : (c | 0xFF000000u);
            }
        }
    frame.width = width;
    frame.height = height;
    frame.hotX = hotX;
    frame.hotY = hotY;
    frame.argb = std::move(argb);
    return true;
}

// A cursor (or icon) resource file, as a .cur file or an animated cursor's frame: its first image.
bool ReadCursorResource(const std::uint8_t* p, std::size_t size, CursorFrame& frame) {
    if (size < 6 || U16(p) != 0) return false;
    const std::uint16_t type = U16(p + 2), count = U16(p + 4);
    if ((type != 1 && type != 2) || count < 1 || 16 * static_cast<std::size_t>(count) > size - 6) return false;
    const std::uint8_t* entry = p + 6;
    // Only a cursor carries a hot spot; an icon's is its corner.
    const int hotX = type == 2 ? U16(entry + 4) : 0;
    const int hotY = type == 2 ? U16(entry + 6) : 0;
    const std::uint32_t length = U32(entry + 8), offset = U32(entry + 12);
    if (offset > size || length > size - offset) return false;
    return ReadImage(p + offset, length, hotX, hotY, frame);
}

struct Chunk {
    const std::uint8_t* tag;
    const std::uint8_t* data;
    std::size_t size;
};

// The chunks one after another; false when one claims more bytes than there are.
bool Chunks(const std::uint8_t* p, std::size_t size, std::vector<Chunk>& out) {
    std::size_t at = 0;
    while (at < size) {
        if (size - at < 8) return false;
        const std::uint32_t n = U32(p + at + 4);
        if (n > size - at - 8) return false;
        out.push_back(Chunk{p + at, p + at + 8, n});
        at += 8 + static_cast<std::size_t>(n);
        // An odd chunk is followed by a pad byte, which the last chunk may leave out.
        if (n % 2 != 0 && at < size) ++at;
    }
    return true;
}

bool ReadAnimated(const std::uint8_t* p, std::size_t size, CursorImage& image) {
    std::vector<Chunk> chunks;
    if (!Chunks(p, size, chunks)) return false;
    const Chunk *header = nullptr, *rates = nullptr, *sequence = nullptr, *frames = nullptr;
    for (const Chunk& c : chunks) {
        const Chunk** slot = nullptr;
        if (Tag(c.tag, "anih")) slot = &header;
        else if (Tag(c.tag, "rate")) slot = &rates;
        else if (Tag(c.tag, "seq ")) slot = &sequence;
        else if (Tag(c.tag, "LIST") && c.size >= 4 && Tag(c.data, "fram")) slot = &frames;
        if (!slot) continue;  // names, authors and the like
        if (*slot) return false;  // which of two would count?
        *slot = &c;
    }
    if (!header || !frames || header->size < 36 || U32(header->data) != 36) return false;
    const std::uint8_t* h = header->data;
    const std::uint32_t frameCount = U32(h + 4), steps = U32(h + 8), displayRate = U32(h + 28), flags = U32(h + 32);
    // Frames kept as raw bitmaps instead of icons are not read.
    if ((flags & 1) == 0) return false;
    if (frameCount < 1 || frameCount > kMaxCursorFrames || steps < 1 || steps > kMaxSteps) return false;
    if (!sequence && steps != frameCount) return false;
    if ((flags & 2) != 0 && !sequence) return false;

    std::vector<Chunk> icons;
    if (!Chunks(frames->data + 4, frames->size - 4, icons) || icons.size() != frameCount) return false;
    for (const Chunk& icon : icons) {
        if (!Tag(icon.tag, "icon")) return false;
        CursorFrame frame;
        if (!ReadCursorResource(icon.data, icon.size, frame)) return false;
        image.frames.push_back(std::move(frame));
    }
    for (std::uint32_t k = 0; k < steps; ++k) {
        if (sequence) {
            if (sequence->size / 4 < steps) return false;
            const std::uint32_t shown = U32(sequence->data + 4 * k);
            if (shown >= frameCount) return false;
            image.sequence.push_back(shown);
        } else {
            image.sequence.push_back(k);
        }
        if (rates) {
            if (rates->size / 4 < steps) return false;
            image.rates.push_back(U32(rates->data + 4 * k));
        } else {
            image.rates.push_back(displayRate);
        }
    }
    return true;
}

} // namespace

bool ReadCursorFile(const std::uint8_t* data, std::size_t size, CursorImage& out) {
    out = CursorImage{};
    if (!data) return false;
    CursorImage image;
    if (size >= 12 && Tag(data, "RIFF") && Tag(data + 8, "ACON")) {
        const std::uint32_t n = U32(data + 4);
        if (n < 4 || n > size - 8 || !ReadAnimated(data + 12, n - 4, image)) return false;
    } else {
        CursorFrame frame;
        if (!ReadCursorResource(data, size, frame)) return false;
        image.frames.push_back(std::move(frame));
        image.sequence.push_back(0);
        image.rates.push_back(0);
    }
    out = std::move(image);
    return true;
}

} // namespace platform
