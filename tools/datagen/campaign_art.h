#pragma once
// Art of our own for the campaign screens and the unit overview. "Campaign Game": section
// "Dialog" with the map's "Background"; sections "Victory" and "Defeat", each a "Background"
// followed by the picture of side 0 and of side 1; section "Canvas" with the text's backing.
// Every picture is a solid block of its own colour (CampaignArtColour), so tests can tell which
// one was drawn.
#include "tools/datagen/qif_writer.h"

#include <cstdint>

namespace datagen {

constexpr int kCampaignPictureWidth = 40;
constexpr int kCampaignPictureHeight = 30;
constexpr int kCampaignCanvasWidth = 60;
constexpr int kCampaignCanvasHeight = 12;

LibrarySpec CampaignGameLibrary();
// The colour of a picture: section "Dialog", "Victory", "Defeat" or "Canvas"; image
// "Background", "Side 0", "Side 1" or "Canvas".
std::uint8_t CampaignArtColour(const char* section, const char* image);
// Adds the unit overview's section "Unit Overview" (a 16 x 16 "Background") to a library
// (the "Dialog Bitmaps" one).
void AddUnitOverviewBackground(LibrarySpec& lib);
constexpr std::uint8_t kUnitOverviewColour = 141;

} // namespace datagen
