#pragma once
// A battle map drawn in a text source and turned into a landscape file.
//
// Statements, in drawing order (later ground statements win over earlier ones on a hex):
//   map FILE "Name" COLUMNS ROWS        the landscape file, its name and size (first statement)
//   woods|rough|marsh|clear SHAPE        ground of the hexes (codes 1, 2, 3; clear is code 0)
//   town SHAPE                          buildings (code 17) on the hexes, ground unchanged
//   hill LEVEL [steep] SHAPE            the hexes stand at least LEVEL (1..5) above the low ground;
//                                       the ground falls one level a hex away from them (two when
//                                       steep)
//   road|railroad H H ...               a road (code 12) or railway (code 16) through the points
//   river H H ...                       a major river (code 4) through the points; its hexes lie at
//                                       the water level and carry no minor-river sides
//   ford H ...                          river hexes that can be waded (code 5); a river hex that
//                                       carries a road is a bridge and gets the same
//   stream|berm|wall left|right H H ... a line of hex sides (codes 6, 10, 11) along the path
//                                       through the points, on its left or right hand
// Levels in the landscape file: river and ford hexes lie at level 0, the water level; dry ground
// at level 1 and up. The low ground is level 1 and a hill of LEVEL stands at LEVEL + 1, up to the
// top level 5, which a hill of 5 shares with the ground just below it.
// SHAPE is one of: hexes H ... | disc H RADIUS | band WIDTH H H ... | rect H H (two corners).
// Hexes are written as column × 100 + row.
#include "tools/battlegen/hex_grid.h"
#include "tools/battlegen/source_text.h"
#include "tools/datagen/landscape_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace battlegen {

// Terrain codes of the landscape format that the sources draw.
namespace code {
inline constexpr std::uint16_t Clear = 0;
inline constexpr std::uint16_t Woods = 1;
inline constexpr std::uint16_t Rough = 2;
inline constexpr std::uint16_t Marsh = 3;
inline constexpr std::uint16_t River = 4;
inline constexpr std::uint16_t Ford = 5;
inline constexpr std::uint16_t Stream = 6;
inline constexpr std::uint16_t Berm = 10;
inline constexpr std::uint16_t Wall = 11;
inline constexpr std::uint16_t Road = 12;
inline constexpr std::uint16_t Railroad = 16;
inline constexpr std::uint16_t Building = 17;
} // namespace code

// The highest level the landscape draws.
inline constexpr int kTopLevel = 5;

// The region-number offset of every map made here: scenarios name hexes as hex number + offset.
inline constexpr std::uint16_t kRegionOffset = 1000;

class BattleMap {
public:
    std::string file;
    std::string name;
    int columns = 0;
    int rows = 0;

    bool Inside(Hex h) const { return h.column >= 0 && h.row >= 0 && h.column < columns && h.row < rows; }
    // The lowest hex of an odd column has only its upper half on the map.
    bool IsHalfHex(Hex h) const { return (h.column & 1) && h.row == rows - 1; }
    std::uint16_t Ground(Hex h) const { return cells_[Index(h)].ground; }
    int Elevation(Hex h) const { return cells_[Index(h)].elevation; }
    bool Has(Hex h, std::uint16_t feature) const;
    // The hex's codes as the centre point carries them: ground first, then its features.
    std::vector<std::uint16_t> CentreCodes(Hex h) const;

    // The landscape file's contents.
    datagen::LandscapeDraft Draft() const;

private:
    friend BattleMap ParseMap(const std::vector<SourceLine>& lines);
    struct Cell {
        std::uint16_t ground = code::Clear;
        std::vector<std::uint16_t> features;
        int elevation = 0;
        bool river = false;
        bool ford = false;
    };
    struct Edge {
        int hex;
        int side;
        std::uint16_t code;
    };
    std::size_t Index(Hex h) const { return static_cast<std::size_t>(h.row * columns + h.column); }
    std::vector<Cell> cells_;
    std::vector<Edge> edges_;
};

BattleMap ParseMap(const std::vector<SourceLine>& lines);
BattleMap ParseMapText(const std::string& text, const std::string& sourceName);

} // namespace battlegen
