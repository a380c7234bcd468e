#include "tools/datagen/front_dialog_art.h"

#include "tools/datagen/dialog_art_writer.h"

namespace datagen {

namespace {

ImageSpec Solid(const std::string& name, int w, int h, std::uint8_t colour) {
    ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.type = 1;
    s.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    return s;
}

ImageSpec ScenarioMap() {
    ImageSpec map = Solid("Background", kScenarioMapWidth, kScenarioMapHeight, kMapLand);
    // A river winding down the map, then the battles' fields over it.
    for (int y = 0; y < 200; ++y)
        for (int dx = 0; dx < 4; ++dx) {
            const int x = 20 + (y * 2) % 420 + dx;
            map.pixels[static_cast<std::size_t>(y) * kScenarioMapWidth + x] = 40;
        }
    const auto& spots = ScenarioMapHotSpots();
    for (int i = 0; i < 10; ++i) {
        const HotSpot& s = spots[static_cast<std::size_t>(i)];
        for (int y = s.y; y < s.y + s.height; ++y)
            for (int x = s.x; x < s.x + s.width; ++x) {
                const bool edge = x == s.x || y == s.y || x == s.x + s.width - 1 || y == s.y + s.height - 1;
                map.pixels[static_cast<std::size_t>(y) * kScenarioMapWidth + x] = edge ? 45 : HotSpotColour(i);
            }
    }
    return map;
}

} // namespace

const std::array<HotSpot, 10>& ScenarioMapHotSpots() {
    static const std::array<HotSpot, 10> spots = {{{114, 47, 18, 127}, {43, 47, 25, 120}, {190, 50, 74, 123},
                                                   {330, 50, 38, 115}, {303, 47, 21, 130}, {405, 47, 21, 129},
                                                   {276, 41, 21, 138}, {378, 38, 23, 144}, {83, 47, 23, 125},
                                                   {140, 61, 39, 114}}};
    return spots;
}

std::uint8_t HotSpotColour(int index) { return static_cast<std::uint8_t>(110 + index); }

std::uint8_t BackgroundColour(const std::string& section) {
    if (section == "Intro") return InGameBackgroundColour("Intro");
    if (section == "Start Game") return 22;
    if (section == "Custom Scenario") return 24;
    return kMapLand;
}

void AddFrontDialogBackgrounds(LibrarySpec& lib) {
    for (const char* section : {"Start Game", "Custom Scenario"})
        lib.sections.push_back({section, {Solid("Background", 16, 16, BackgroundColour(section))}});
    lib.sections.push_back({"Scenario Map", {ScenarioMap()}});
}

std::uint8_t LogoPixel(bool developer, int x, int y) {
    return static_cast<std::uint8_t>((developer ? 170 : 150) + (x + y) % 8);
}

LibrarySpec CompanyLogosLibrary() {
    LibrarySpec lib;
    lib.title = "Company Logos";
    for (bool developer : {false, true}) {
        ImageSpec logo = Solid("Logo", kLogoWidth, kLogoHeight, 0);
        for (int y = 0; y < kLogoHeight; ++y)
            for (int x = 0; x < kLogoWidth; ++x)
                logo.pixels[static_cast<std::size_t>(y) * kLogoWidth + x] = LogoPixel(developer, x, y);
        lib.sections.push_back({developer ? "Varnhold Works" : "Tolvane", {logo}});
    }
    return lib;
}

std::uint8_t BigButtonColour(const std::string& section, const std::string& image) {
    const int base = section == "Big Pushbutton" ? 90 : 95;
    const int offset = image == "Up" ? 0 : image == "Down" ? 1 : 2;
    return static_cast<std::uint8_t>(base + offset);
}

LibrarySpec FrontDialogButtonsLibrary() {
    LibrarySpec lib = DialogButtonsLibrary();
    SectionSpec big{"Big Pushbutton", {}};
    for (const char* image : {"Up", "Down"})
        big.images.push_back(Solid(image, kBigButtonWidth, kBigButtonHeight, BigButtonColour(big.name, image)));
    SectionSpec stone{"Big Stone Pushbutton", {}};
    for (const char* image : {"Up", "Down", "Disabled"})
        stone.images.push_back(Solid(image, kBigButtonWidth, kBigButtonHeight, BigButtonColour(stone.name, image)));
    lib.sections.push_back(std::move(big));
    lib.sections.push_back(std::move(stone));
    return lib;
}

std::uint8_t OverviewColour(int index) { return static_cast<std::uint8_t>(130 + index); }

LibrarySpec OverviewMapsLibrary(const std::array<std::string, 10>& titles) {
    LibrarySpec lib;
    lib.title = "Overview Maps";
    for (int i = 0; i < 10; ++i)
        lib.sections.push_back(
            {titles[static_cast<std::size_t>(i)], {Solid("Half size", kOverviewWidth, kOverviewHeight, OverviewColour(i))}});
    return lib;
}

} // namespace datagen
