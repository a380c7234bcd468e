#pragma once
// Our own overview map art: the library "Overview Maps" with one section per scenario title,
// each holding "Scroll 1" and "Scroll 2", a flat map area inside a frame, with the corners
// cut away (colour 0, transparent) so that a click there misses the picture.
#include "tools/datagen/qif_writer.h"

#include <string>
#include <vector>

namespace datagen::overview {

inline constexpr int kWidth = 100;
inline constexpr int kHeight = 80;
inline constexpr int kCorner = 4;
inline constexpr std::uint8_t kFrame = 20;
inline constexpr std::uint8_t kMap1 = 40;
inline constexpr std::uint8_t kMap2 = 60;

// Writes OVERVIEW.QIF in directory; the index entries, empty when it could not be written.
std::vector<ArtIndexEntry> WriteOverviewMapArt(const std::string& directory, const std::vector<std::string>& sections);

} // namespace datagen::overview
