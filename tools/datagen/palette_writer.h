#pragma once
// Palette files: the signature form with stored remap tables, and the Windows BMP form whose
// colour table the game reads when the signature is absent.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct PaletteData {
    std::array<std::uint8_t, 1024> entries{};                  // blue, green, red, reserved
    std::array<std::array<std::uint8_t, 256>, 5> tables{};     // remap tables 1..5
};

std::vector<std::uint8_t> EncodePaletteFile(const PaletteData& palette);
// A BMP of one 8-bit pixel whose colour table holds the entries.
std::vector<std::uint8_t> EncodeBmpPalette(const std::array<std::uint8_t, 1024>& entries);
bool WritePaletteFile(const std::string& path, const PaletteData& palette);

} // namespace datagen
