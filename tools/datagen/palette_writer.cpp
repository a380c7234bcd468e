#include "tools/datagen/palette_writer.h"

#include "tools/datagen/byte_writer.h"

#include <cstdio>

namespace datagen {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> EncodePaletteFile(const PaletteData& palette) {
    ByteWriter w;
    const char signature[] = "Quorren Palette";
    w.Bytes(reinterpret_cast<const std::uint8_t*>(signature), 15);
    w.Bytes(palette.entries.data(), palette.entries.size());
    for (const auto& t : palette.tables) w.Bytes(t.data(), t.size());
    return std::move(w.Data());
}

std::vector<std::uint8_t> EncodeBmpPalette(const std::array<std::uint8_t, 1024>& entries) {
    ByteWriter w;
    const std::uint32_t pixelOffset = 14 + 40 + 1024;
    w.U8('B');
    w.U8('M');
    w.U32(pixelOffset + 4);  // file size: one padded row of one pixel
    w.U16(0);
    w.U16(0);
    w.U32(pixelOffset);
    w.U32(40);  // information header
    w.U32(1);   // width
    w.U32(1);   // height
    w.U16(1);   // planes
    w.U16(8);   // bits per pixel
    w.U32(0);   // no compression
    w.U32(4);   // image size
    w.U32(0);
    w.U32(0);
    w.U32(256);
    w.U32(0);
    w.Bytes(entries.data(), entries.size());
    w.U32(0);
    return std::move(w.Data());
}

bool WritePaletteFile(const std::string& path, const PaletteData& palette) {
    return WriteFile(path, EncodePaletteFile(palette));
}

} // namespace datagen
