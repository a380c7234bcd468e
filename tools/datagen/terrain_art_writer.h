#pragma once
// Terrain and edge art of our own for the battlefield display: at each zoom level a ground art
// set (one section per elevation level, ordered in groups by slope mask, and the cliff
// sections), the terrain feature library (marsh, minor rivers, earthworks, scars, roads,
// railroads, bridges, road fixes) and the hex grid and outline overlays. Every picture is drawn
// in one flat colour so that a test can tell from a pixel what was drawn there.
#include "tools/datagen/qif_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

namespace terrain {

// Cell and block (art) sizes by zoom level 0 full, 1 half, 2 quarter size.
struct ZoomSizes {
    int cellWidth, cellHeight, blockWidth, blockHeight;
};
ZoomSizes SizesFor(int zoom);
// " (Half size)", " (Quarter size)" or "" for zoom levels 1, 2 and 0.
std::string Suffix(int zoom);

// Library names (the suffix of the zoom level follows).
inline const char* const kGround = "Ground";
inline const char* const kTerrain = "Terrain";
inline const char* const kGrid = "Hex Grid";
inline const char* const kOutline = "Hex Outline";

// Palette indices of the pictures. Ground picture p of level L is drawn in
// GroundColour(L, p / groupSize): the level's base plus the slope-mask group.
constexpr std::uint8_t GroundColour(int level, int group) {
    return static_cast<std::uint8_t>(40 + 20 * level + (group > 15 ? 15 : group));
}
constexpr std::uint8_t kMarsh = 200;
constexpr std::uint8_t kRiver = 150;
constexpr std::uint8_t kRiverEnd = 152;
constexpr std::uint8_t kBirm = 160;
constexpr std::uint8_t kDitch = 162;
constexpr std::uint8_t kScar = 170;
constexpr std::uint8_t kRoad = 180;
constexpr std::uint8_t kRailroad = 184;
constexpr std::uint8_t kBridge = 188;
constexpr std::uint8_t kRoadFix = 192;
constexpr std::uint8_t kSeCliff = 120;
constexpr std::uint8_t kSwCliff = 124;
constexpr std::uint8_t kGridLine = 230;
constexpr std::uint8_t kOutlineLine = 234;

// Whether (x, y) of a block-sized picture lies inside the pointed hex of the cell.
bool InsideHex(int x, int y, int cellWidth, int cellHeight);

// Where the feature pictures draw, relative to the block's top-left corner.
struct Area {
    int x, y, width, height;
};
Area MarshArea(int zoom);
Area RiverArea(int zoom);
Area EarthworkArea(int zoom);
Area ScarArea(int zoom);
Area RoadArea(int zoom);

// Sections "River" (level 0), "Level 1" ... of 16 groups of groupSize pictures (and two more,
// since pictures above level 0 start two further on), then the four cliff sections.
LibrarySpec GroundArt(int zoom, int groupSize, int levels);
LibrarySpec FeatureArt(int zoom);
// Sixteen pictures, one per slope mask: the hex's border in the given colour.
LibrarySpec OverlayArt(int zoom, std::uint8_t colour);

// Writes the four libraries of every zoom level into the directory as GROUND<z>.QIF,
// TERRAIN<z>.QIF, GRID<z>.QIF and OUTLINE<z>.QIF and answers the art-index entries naming them.
std::vector<ArtIndexEntry> WriteTerrainArt(const std::string& directory, int groupSize = 4, int levels = 4);

} // namespace terrain

} // namespace datagen
