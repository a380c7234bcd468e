#include "tools/datagen/overview_art_writer.h"

namespace datagen::overview {

namespace {

ImageSpec Scroll(const std::string& name, std::uint8_t map) {
    ImageSpec s;
    s.name = name;
    s.width = kWidth;
    s.height = kHeight;
    s.type = 2;  // colour 0 is transparent
    s.pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, kFrame);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool cornerX = x < kCorner || x >= kWidth - kCorner;
            const bool cornerY = y < kCorner || y >= kHeight - kCorner;
            std::uint8_t& p = s.pixels[static_cast<std::size_t>(y) * kWidth + x];
            if (cornerX && cornerY) p = 0;
            else if (x >= 9 && x < kWidth - 13 && y >= 7 && y < kHeight - 11) p = map;
        }
    return s;
}

} // namespace

std::vector<ArtIndexEntry> WriteOverviewMapArt(const std::string& directory, const std::vector<std::string>& sections) {
    LibrarySpec library;
    library.title = "Overview Maps";
    for (const std::string& name : sections) library.sections.push_back(SectionSpec{name, {Scroll("Scroll 1", kMap1), Scroll("Scroll 2", kMap2)}});
    if (!WriteLibrary(directory + "/OVERVIEW.QIF", library)) return {};
    return {{"OVERVIEW.QIF", library.title}};
}

} // namespace datagen::overview
