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

// The sprite terrain features, in sections "Trees" (3), "Stones" (2), "Building" (40) and
// "Walls" (3): small solid pictures, hot spot at the bottom middle, picture p of a section in its
// colour + p (colour 0 transparent around nothing). Sizes shrink with the zoom level.
constexpr std::uint8_t kTree = 60;
constexpr std::uint8_t kStones = 70;
constexpr std::uint8_t kBuilding = 80;  // 80 + p for the 40 buildings reaches 119
constexpr std::uint8_t kWall = 140;
constexpr std::uint8_t kArrow = 210;    // + art direction - 1 (8 pictures)
constexpr std::uint8_t kDebris = 220;
constexpr std::uint8_t kBackground = 10;
// The size of a sprite feature picture at a zoom level.
int SpriteSize(int zoom);
std::vector<SectionSpec> SpriteSections(int zoom);

// The game landscape's libraries (the suffix of the zoom level follows the name).
inline const char* const kLandscapeBlocks = "Landscape Blocks";
inline const char* const kLandscapeOverlays = "Landscape Overlays";
inline const char* const kLandscapeBackground = "Landscape Background";
inline const char* const kBattleArrows = "Battle Arrows";
inline const char* const kMissileDebris = "Missile Debris";
// Battle arrows: section "Arrows" of eight pictures, one per art direction, each 16 x 8 (halved
// by zoom) in kArrow + direction - 1, hot spot at the middle of the bottom row.
LibrarySpec BattleArrowArt(int zoom);

// Writes the four libraries of every zoom level into the directory as GROUND<z>.QIF,
// TERRAIN<z>.QIF, GRID<z>.QIF and OUTLINE<z>.QIF and answers the art-index entries naming them.
std::vector<ArtIndexEntry> WriteTerrainArt(const std::string& directory, int groupSize = 4, int levels = 4);
// Writes the game landscape's art for every zoom level: "Landscape Blocks" (the ground art
// set), "Landscape Overlays" (the feature sections and the sprite sections), "Battle Arrows",
// "Missile Debris", and once "Landscape Background" (section "Blocks", picture "Block #1", a
// 16 x 16 square of kBackground). The grid and outline come from WriteTerrainArt.
std::vector<ArtIndexEntry> WriteGameLandscapeArt(const std::string& directory, int groupSize = 4, int levels = 4);

} // namespace terrain

} // namespace datagen
