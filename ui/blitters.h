#pragma once
// The inner loops of all drawing. Each blitter walks `height` rows forwards in memory from the
// first touched pixel and adds the skips after every row; clipping, orientation and the choice of
// blitter are settled once per call by the caller, so nothing here checks bounds.
// Compressed pictures must have passed ValidateCompressed before any of these sees them.
#include <cstddef>
#include <cstdint>

namespace blit {

// Run-word kinds of compressed rows; the blitters look only at these two bits.
constexpr std::uint16_t kLiteralRun = 0x2000;
constexpr std::uint16_t kShadowRun = 0x4000;
constexpr std::uint16_t kCountMask = 0x0FFF;

// Fixed pixel values of the shadowed source types.
constexpr std::uint8_t kTransparent = 0;
constexpr std::uint8_t kShadowPixel = 255;
constexpr std::uint8_t kHighlightPixel = 252;

void Copy(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip);
void KeyedCopy(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
               std::uint8_t key);
void Shadowed(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
              const std::uint8_t* shadow);
void ShadowHighlight(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
                     const std::uint8_t* shadow, const std::uint8_t* highlight);
void Remapped(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
              const std::uint8_t* table);
void ShadowedRemapped(std::uint8_t* d, const std::uint8_t* s, int width, int height, int dskip, int sskip,
                      const std::uint8_t* shadow, const std::uint8_t* table);

// Compressed rows: `data` is the picture's first stored row, (sx, sy) the source corner in stored
// row order. `literals` remaps literal pixels (null copies them). The plain form treats shadow
// runs as skips; the shadow form darkens the destination under them.
void Compressed(std::uint8_t* d, const std::uint8_t* data, int sx, int sy, int width, int height, int dskip,
                const std::uint8_t* literals);
void CompressedShadow(std::uint8_t* d, const std::uint8_t* data, int sx, int sy, int width, int height,
                      int dskip, const std::uint8_t* shadow, const std::uint8_t* literals);

// Every byte of the buffer becomes the colour.
void Fill(std::uint8_t* buffer, std::size_t count, std::uint8_t colour);

// Hit test of a compressed picture at stored row `row`, column x: only a literal pixel below 255
// counts as drawn.
bool CompressedOpaqueAt(const std::uint8_t* data, int x, int row);

// Checks that `size` bytes hold exactly `height` rows whose runs cover `width` pixels each and
// whose literal bytes lie inside their row. Nothing else may walk compressed data from a file.
bool ValidateCompressed(const std::uint8_t* data, std::size_t size, int width, int height);

} // namespace blit
