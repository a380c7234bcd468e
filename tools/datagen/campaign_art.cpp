#include "tools/datagen/campaign_art.h"

#include <cstring>
#include <string>

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

} // namespace

std::uint8_t CampaignArtColour(const char* section, const char* image) {
    if (std::strcmp(section, "Canvas") == 0) return 150;
    const int base = std::strcmp(section, "Dialog") == 0 ? 160 : std::strcmp(section, "Victory") == 0 ? 170 : 180;
    if (std::strcmp(image, "Side 0") == 0) return static_cast<std::uint8_t>(base + 1);
    if (std::strcmp(image, "Side 1") == 0) return static_cast<std::uint8_t>(base + 2);
    return static_cast<std::uint8_t>(base);
}

LibrarySpec CampaignGameLibrary() {
    LibrarySpec lib;
    lib.title = "Campaign Game";
    SectionSpec map;
    map.name = "Dialog";
    map.images.push_back(Solid("Background", 16, 16, CampaignArtColour("Dialog", "Background")));
    lib.sections.push_back(std::move(map));
    for (const char* name : {"Victory", "Defeat"}) {
        SectionSpec s;
        s.name = name;
        s.images.push_back(Solid("Background", 16, 16, CampaignArtColour(name, "Background")));
        for (const char* side : {"Side 0", "Side 1"})
            s.images.push_back(Solid(side, kCampaignPictureWidth, kCampaignPictureHeight, CampaignArtColour(name, side)));
        lib.sections.push_back(std::move(s));
    }
    SectionSpec canvas;
    canvas.name = "Canvas";
    canvas.images.push_back(Solid("Canvas", kCampaignCanvasWidth, kCampaignCanvasHeight, CampaignArtColour("Canvas", "Canvas")));
    lib.sections.push_back(std::move(canvas));
    return lib;
}

void AddUnitOverviewBackground(LibrarySpec& lib) {
    SectionSpec s;
    s.name = "Unit Overview";
    s.images.push_back(Solid("Background", 16, 16, kUnitOverviewColour));
    lib.sections.push_back(std::move(s));
}

} // namespace datagen
