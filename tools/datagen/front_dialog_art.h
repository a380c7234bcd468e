#pragma once
// Art of our own for the front-end dialogs: "Dialog Bitmaps" (the backgrounds "Intro", "Start
// Game", "Scenario Map" and "Custom Scenario"), "Company Logos" (the splash's two logos), the
// big push buttons added to "DialogButtons", and "Overview Maps" (a "Half size" picture per
// battle title). Every picture is drawn here by code, in colours tests can tell apart.
#include "tools/datagen/qif_writer.h"

#include <array>
#include <cstdint>
#include <string>

namespace datagen {

// The battles' hot spots on the painted theatre map (x, y, width, height in client pixels), by
// scenario index; the map paints each as a field of its own colour with a light border.
struct HotSpot {
    int x, y, width, height;
};
const std::array<HotSpot, 10>& ScenarioMapHotSpots();
// The colour of the inside of battle i's spot, and of the map's land around the spots.
std::uint8_t HotSpotColour(int index);
constexpr std::uint8_t kMapLand = 30;

// Size of the theatre map (the "Scenario" dialog's client area at 1.75 x 1.625 pixels a unit).
constexpr int kScenarioMapWidth = 460;
constexpr int kScenarioMapHeight = 481;

// The front end's sections of "Dialog Bitmaps" ("Start Game", "Custom Scenario", "Scenario
// Map"), added to the library the in-game dialogs share (DialogBitmapsLibrary).
void AddFrontDialogBackgrounds(LibrarySpec& library);
// The plain colour of a background section's picture (all but "Scenario Map" are plain).
std::uint8_t BackgroundColour(const std::string& section);

// Sections "Tolvane" and "Varnhold Works", image "Logo" each: a 40 x 20 picture whose pixel
// (x, y) is base + (x + y) % 8, base 150 for the publisher and 170 for the developer.
LibrarySpec CompanyLogosLibrary();
constexpr int kLogoWidth = 40;
constexpr int kLogoHeight = 20;
std::uint8_t LogoPixel(bool developer, int x, int y);

// "DialogButtons" with the sections "Big Pushbutton" ("Up", "Down") and "Big Stone Pushbutton"
// ("Up", "Down", "Disabled") added: solid pictures of kBigButtonWidth x kBigButtonHeight.
LibrarySpec FrontDialogButtonsLibrary();
constexpr int kBigButtonWidth = 150;
constexpr int kBigButtonHeight = 24;
std::uint8_t BigButtonColour(const std::string& section, const std::string& image);

// A section per title (as the string table names the battles), image "Half size" of
// kOverviewWidth x kOverviewHeight in the colour OverviewColour(i) for the battle listed i-th.
LibrarySpec OverviewMapsLibrary(const std::array<std::string, 10>& titles);
constexpr int kOverviewWidth = 80;
constexpr int kOverviewHeight = 60;
std::uint8_t OverviewColour(int index);

} // namespace datagen
