#pragma once
// Writes and reads variant files: one record naming a scenario file to load in place of the
// plain scenario of a scenario index, with the title the variant list shows. Little-endian,
// field by field: i32 scenario index, u16 name length and name, u32 details number, u16 title
// length and title; the game reads only the first record of a file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datagen {

struct VariantDraft {
    std::int32_t scenarioIndex = 0;
    std::string scenarioFile;
    // Non-zero enables the variant list's Details button.
    std::uint32_t detailsNumber = 1;
    std::string title;
};

std::vector<std::uint8_t> WriteVariant(const VariantDraft& draft);
bool WriteVariantFile(const std::string& path, const VariantDraft& draft);

// The first record of the bytes; none when they end before it does or a text is longer than the
// 255 bytes the game's buffers hold.
std::optional<VariantDraft> ReadVariant(const std::vector<std::uint8_t>& bytes);

} // namespace datagen
