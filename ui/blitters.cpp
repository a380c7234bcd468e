#include "ui/blitters.h"

#include <cstring>

namespace blit {
namespace {

// Sixteen pixels at a time through the compiler's portable vector types; unaligned loads and
// stores go through memcpy, which compiles to single vector moves.
using Vec = std::uint8_t __attribute__((vector_size(16)));

inline Vec Load(const std::uint8_t* p) {
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store(std::uint8_t* p, Vec v) { std::memcpy(p, &v, sizeof v); }

inline std::uint16_t Word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

void Copy(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip) {
    if (width <= 0) return;
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        std::memcpy(d, s, w);
        d += w + dskip;
        s += w + sskip;
    }
}

// Thirty-two pixels a step: the key test and the merge run on whole vectors; the widest vector
// unit the processor has is chosen once at load time.
__attribute__((target_clones("avx2", "default")))
void KeyedCopy(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
               std::uint8_t key) {
    if (width <= 0) return;
    using Wide = std::uint8_t __attribute__((vector_size(32)));
    Wide keys;
    for (int i = 0; i < 32; ++i) keys[i] = key;
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (; x + 32 <= width; x += 32) {
            Wide sv, dv;
            std::memcpy(&sv, s + x, sizeof sv);
            std::memcpy(&dv, d + x, sizeof dv);
            const Wide keep = reinterpret_cast<Wide>(sv == keys);  // 0xFF where the source is the key
            const Wide out = (dv & keep) | (sv & ~keep);
            std::memcpy(d + x, &out, sizeof out);
        }
        for (; x + 16 <= width; x += 16) {
            Vec keys16;
            for (int i = 0; i < 16; ++i) keys16[i] = key;
            const Vec sv = Load(s + x);
            const Vec keep = reinterpret_cast<Vec>(sv == keys16);
            Store(d + x, (Load(d + x) & keep) | (sv & ~keep));
        }
        for (; x < width; ++x)
            if (s[x] != key) d[x] = s[x];
        d += width + dskip;
        s += width + sskip;
    }
}

void Shadowed(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
              const std::uint8_t* shadow) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t p = s[x];
            if (p == kTransparent) continue;
            d[x] = p == kShadowPixel ? shadow[d[x]] : p;
        }
        d += width + dskip;
        s += width + sskip;
    }
}

void ShadowHighlight(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
                     const std::uint8_t* shadow, const std::uint8_t* highlight) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t p = s[x];
            if (p == kTransparent) continue;
            if (p == kShadowPixel)
                d[x] = shadow[d[x]];
            else if (p == kHighlightPixel)
                d[x] = highlight[d[x]];
            else
                d[x] = p;
        }
        d += width + dskip;
        s += width + sskip;
    }
}

void Remapped(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
              const std::uint8_t* table) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            if (s[x] != kTransparent) d[x] = table[s[x]];
        d += width + dskip;
        s += width + sskip;
    }
}

void ShadowedRemapped(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
                      const std::uint8_t* shadow, const std::uint8_t* table) {
    if (width <= 0) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t p = s[x];
            if (p == kTransparent) continue;
            d[x] = p == kShadowPixel ? table[shadow[d[x]]] : table[p];
        }
        d += width + dskip;
        s += width + sskip;
    }
}

namespace {

// One visible piece of a run: literal bytes copied or remapped, shadow darkening, or nothing.
inline void PutRun(std::uint16_t run, std::uint8_t* d, const std::uint8_t* bytes, int count,
                   const std::uint8_t* shadow, const std::uint8_t* literals) {
    if (run & kLiteralRun) {
        if (literals)
            for (int i = 0; i < count; ++i) d[i] = literals[bytes[i]];
        else
            std::memcpy(d, bytes, static_cast<std::size_t>(count));
    } else if ((run & kShadowRun) && shadow) {
        for (int i = 0; i < count; ++i) d[i] = shadow[d[i]];
    }
}

void DrawCompressed(std::uint8_t* d, const std::uint8_t* data, int sx, int sy, int width, int height,
                    int dskip, const std::uint8_t* shadow, const std::uint8_t* literals) {
    if (width <= 0) return;
    const std::uint8_t* row = data;
    for (int i = 0; i < sy; ++i) row += Word(row) & kCountMask;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = row + 2;
        int running = 0;
        std::uint8_t* out = d;
        // Runs wholly or partly left of the source rectangle.
        while (running < sx) {
            const std::uint16_t run = Word(p);
            const int n = run & kCountMask;
            p += 2;
            running += n;
            if (running > sx) {
                const int tail = running - sx;
                const int v = tail < width ? tail : width;
                PutRun(run, out, p + (n - tail), v, shadow, literals);
                out += v;
            }
            if (run & kLiteralRun) p += n;
        }
        for (int produced = running - sx; produced < width;) {
            const std::uint16_t run = Word(p);
            const int n = run & kCountMask;
            p += 2;
            const int c = width - produced < n ? width - produced : n;
            PutRun(run, out, p, c, shadow, literals);
            if (run & kLiteralRun) p += n;
            out += c;
            produced += n;
        }
        d += width + dskip;
        row += Word(row) & kCountMask;
    }
}

} // namespace

void Compressed(std::uint8_t* d, const std::uint8_t* data, int sx, int sy, int width, int height, int dskip,
                const std::uint8_t* literals) {
    DrawCompressed(d, data, sx, sy, width, height, dskip, nullptr, literals);
}

void CompressedShadow(std::uint8_t* d, const std::uint8_t* data, int sx, int sy, int width, int height,
                      int dskip, const std::uint8_t* shadow, const std::uint8_t* literals) {
    DrawCompressed(d, data, sx, sy, width, height, dskip, shadow, literals);
}

void Fill(std::uint8_t* buffer, std::size_t count, std::uint8_t colour) {
    std::memset(buffer, colour, count);
}

bool CompressedOpaqueAt(const std::uint8_t* data, int x, int row) {
    if (x < 0 || row < 0) return false;
    const std::uint8_t* r = data;
    for (int i = 0; i < row; ++i) r += Word(r) & kCountMask;
    const std::uint8_t* p = r + 2;
    int running = 0;
    for (;;) {
        const std::uint16_t run = Word(p);
        const int n = run & kCountMask;
        p += 2;
        running += n;
        if (running > x) return (run & kLiteralRun) && p[n - (running - x)] < 255;
        if (run & kLiteralRun) p += n;
    }
}

bool ValidateCompressed(const std::uint8_t* data, std::size_t size, int width, int height) {
    if (width < 0 || height < 0) return false;
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        if (size - at < 2) return false;
        const std::size_t length = Word(data + at) & kCountMask;
        if (length < 2 || length > size - at) return false;
        std::size_t p = at + 2;
        const std::size_t end = at + length;
        int covered = 0;
        while (covered < width) {
            if (end - p < 2) return false;
            const std::uint16_t run = Word(data + p);
            const int n = run & kCountMask;
            p += 2;
            // A run of nothing would never move the walk on.
            if (n == 0) return false;
            if (run & kLiteralRun) {
                if (end - p < static_cast<std::size_t>(n)) return false;
                p += static_cast<std::size_t>(n);
            }
            covered += n;
        }
        if (covered != width || p != end) return false;
        at = end;
    }
    return at == size;
}

} // namespace blit
