#include "landscape/iso_hex_landscape.h"

#include "landscape/landscape_tile.h"
#include "platform/msgbox.h"

#include <algorithm>

namespace {

// Side flag bits of a region (LogicalRegion::TestSideFlag).
constexpr int kRiverBit = 1;
constexpr int kEarthworkBit = 3;

// The six logical sides clockwise from north.
constexpr int kSides[6] = {1, 2, 4, 5, 6, 8};

int OppositeSide(int side) {
    switch (side) {
    case 1: return 5;
    case 5: return 1;
    case 2: return 6;
    case 6: return 2;
    case 4: return 8;
    case 8: return 4;
    default: return side;
    }
}

} // namespace

IsometricHexLandscape::IsometricHexLandscape(const Dim& block, const Dim& cell, const char* terrainArtName,
                                             const char* spriteArt, std::uint16_t opts, const char* name)
    : IsometricHexLandscape(block, cell, terrainArtName, spriteArt, opts, name, "Unnamed Isometric Hex Landscape") {}

IsometricHexLandscape::IsometricHexLandscape(const Dim& block, const Dim& cell, const char* terrainArtName,
                                             const char* spriteArt, std::uint16_t opts, const char* name,
                                             const char* defaultName)
    : BlockLandscape(block, cell, name, defaultName), terrainArt(terrainArtName),
      spriteArtName(spriteArt ? spriteArt : ""), options(opts) {}

IsometricHexLandscape::~IsometricHexLandscape() = default;

int IsometricHexLandscape::ArtRandom() {
    artSeed = artSeed * 1103515245u + 12345u;
    return static_cast<int>((artSeed >> 16) & 0x7FFF);
}

void IsometricHexLandscape::BeginLandscape(const LandscapeDefinition& definition) {
    BlockLandscape::BeginLandscape(definition);
    // The display shows the logical map turned a quarter turn: as many columns as it has rows.
    std::swap(mapSize.width, mapSize.height);
    style = static_cast<std::uint32_t>(definition.secondHeaderValue);
    // The table is as long as the geometry can index, whatever count the definition claims.
    const int w = std::max<int>(0, mapSize.width), h = std::max<int>(0, mapSize.height);
    blocks.assign(static_cast<std::size_t>(std::min(w * h, 0x7FFF)), nullptr);
}

void IsometricHexLandscape::EndLandscape() {
    BuildEdgeArt();
    complete = 1;
}

ContainerBase* IsometricHexLandscape::AddTile(LandscapeTile* tile) {
    if (!tile || tile->GetLandscapeMode() != GetZoomBits()) return nullptr;
    return Landscape::AddTile(tile);
}

std::int16_t IsometricHexLandscape::GetZ(short number) {
    const PhysicalBlock* b = GetBlock(HexNumberToIndex(number));
    if (!b) return 0;
    if (b->GetZ() == 0 && b->GetTag() == 12) return 1;
    return b->GetZ();
}

void IsometricHexLandscape::ReportMissingArt(const QIF<Bitmap>& library, const char* section) {
    const std::string key = library.GetName() + "/" + section;
    if (std::find(reported.begin(), reported.end(), key) != reported.end()) return;
    reported.push_back(key);
    const std::string text = "The art library \"" + library.GetName() + "\" has no section \"" + section + "\".";
    MessageBox(nullptr, text.c_str(), "Missing art", MB_OK | MB_ICONSTOP);
}

Bitmap* IsometricHexLandscape::Picture(QIF<Bitmap>& library, std::int16_t section, int picture) {
    if (picture < 0 || picture >= library.ImageCount(section) || !library.IsValidSection(section)) return nullptr;
    const auto frame = static_cast<std::int16_t>(picture);
    // Only the pointer is kept; the block locks the picture each time it draws it.
    Bitmap* b = library.GetBitmap(frame, section);
    library.UnlockBitmap(frame, section);
    return b;
}

Bitmap* IsometricHexLandscape::Picture(QIF<Bitmap>& library, const char* section, int picture) {
    const std::int16_t k = library.SectionIndex(section);
    if (k < 0) {
        ReportMissingArt(library, section);
        return nullptr;
    }
    return Picture(library, k, picture);
}

void IsometricHexLandscape::CreateBlock(const LogicalRegion& region) {
    const short index = HexNumberToIndex(static_cast<short>(region.number));
    const int w = mapSize.width;
    // A hex off the display map has no place; column 0 of an odd row lies left of the map.
    if (index < 0 || w <= 0 || index >= GetBlockCount()) return;
    if (index % w == 0 && (index / w) % 2 == 1) return;
    auto* block = new PhysicalBlock(HexToScreen(region.point), region.number, blockSize);
    StoreBlock(index, block);

    const int codes = std::min<int>(region.terrainCount, LogicalRegion::TerrainSlots);
    for (int k = 0; k < codes; ++k) {
        const std::uint16_t code = region.terrain[k];
        if (code == 12 || code == 13 || code == 16) {
            block->SetTag(code);
        } else if (code == 3) {
            const int count = terrainArt.ImageCount(terrainArt.SectionIndex("Marsh"));
            const int pick = count > 0 ? ArtRandom() % count : 0;
            block->SetItem(2, 1, Picture(terrainArt, "Marsh", pick), Point());
        }
    }

    AddRiverAndEarthworkArt(*block, region);

    // The battle scar waits hidden; the game shows it where fighting has been.
    if (block->GetZ() == 0) {
        block->SetItem(2, 30, nullptr, Point());
    } else {
        const int count = terrainArt.ImageCount(terrainArt.SectionIndex("Scars"));
        block->SetItem(2, 30, Picture(terrainArt, "Scars", count > 0 ? ArtRandom() % count : 0), Point());
        block->SetVisible(2, 30, 0);
    }
}

void IsometricHexLandscape::AddRiverAndEarthworkArt(PhysicalBlock& block, const LogicalRegion& region) {
    bool river[6], earthwork[6];
    for (int s = 0; s < 6; ++s) {
        const int side = IsFlipped() ? OppositeSide(kSides[s]) : kSides[s];
        river[s] = region.TestSideFlag(side, kRiverBit);
        earthwork[s] = region.TestSideFlag(side, kEarthworkBit);
    }
    // The minor-river art of style 3 is empty.
    const bool riverArt = style != 3;
    for (int k = 0; k < 6; ++k) {
        // Corner k lies between sides k+4 and k+5 (mod 6): (SW, NW), (NW, N), (N, NE) ...
        const int first = (k + 4) % 6, second = (k + 5) % 6;
        const int before = (k + 3) % 6, after = k % 6;
        if (river[first] && river[second]) {
            const int pick = 3 * k + ArtRandom() % 3;
            block.SetItem(2, static_cast<std::int16_t>(2 + k), riverArt ? Picture(terrainArt, "Minor Rivers", pick) : nullptr,
                          Point());
            if (river[before])
                block.SetItem(2, static_cast<std::int16_t>(8 + k),
                              riverArt ? Picture(terrainArt, "Minor River Ends", (2 * k + 11) % 12) : nullptr, Point());
            if (river[after])
                block.SetItem(2, static_cast<std::int16_t>(14 + k),
                              riverArt ? Picture(terrainArt, "Minor River Ends", (2 * k + 2) % 12) : nullptr, Point());
        }
        if (earthwork[first] && earthwork[second])
            block.SetItem(3, static_cast<std::int16_t>(k + 1), Picture(terrainArt, k < 3 ? "Birm" : "Ditch", k), Point());
    }
}
