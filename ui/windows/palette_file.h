#pragma once
// Reading the palette file. Two forms: the signature form ("Quorren Palette", 1024 bytes of
// entries, five stored remap tables; 2319 bytes) and a Windows BMP whose colour table starts at
// byte 54. Every read is checked: a file too short for the form it announces is refused whole.
#include <array>
#include <cstdint>
#include <string>

struct PaletteFileData {
    std::array<std::uint8_t, 1024> entries{};             // blue, green, red, reserved
    std::array<std::array<std::uint8_t, 256>, 5> tables{};  // remap tables 1..5
    bool hasTables = false;                                // only the signature form stores them
};

enum class PaletteFileResult { Ok, Missing, Damaged };

constexpr int kPaletteSize = 256;
constexpr std::size_t kPaletteFileSize = 15 + 1024 + 5 * 256;

PaletteFileResult ReadPaletteFile(const std::string& path, PaletteFileData& out);
bool WritePaletteFile(const std::string& path, const PaletteFileData& data);
