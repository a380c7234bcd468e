#pragma once
// IsometricHexLandscape: a block landscape built from the logical hex map. Each region becomes a
// block placed by the geometry of the derived landscape and carries its terrain art: marsh, minor
// rivers and their ends, earthworks, and a hidden battle scar. Every region request takes the
// game's hex numbers and turns them into block indices first.
//
// The terrain features that are sprites (trees, stones, buildings, walls, option 0x2) and the
// sparse mode that hides them belong with the sprites of the physical layer and are not made
// here.
//
// Block layers: 0 cliffs, 1 ground, 2 features (1 marsh, 2-7 minor rivers by corner, 8-13 and
// 14-19 river ends, 20-24 roads and road fixes, 30 the battle scar), 3 earthworks (1-6), 4
// overlays (0 hex grid, 1 hex outline).
//
// Invariants: the block table holds W x H entries (W, H the display's columns and rows); the
// slot of column 0 in an odd display row is always empty; terrain art is locked only while it
// is drawn.
#include "landscape/block_landscape.h"
#include "ui/qif.h"

#include <cstdint>
#include <string>

class IsometricHexLandscape : public BlockLandscape {
public:
    // Option bits: the zoom bits 0x1 (half size) and 0x2 (quarter size), and 0x4 flipped.
    static constexpr std::uint16_t kFlipped = 0x4;

    IsometricHexLandscape(const Dim& blockSize, const Dim& cellSize, const char* terrainArtName,
                          const char* spriteArtName, std::uint16_t options, const char* name = nullptr);
    ~IsometricHexLandscape() override;

    void BeginLandscape(const LandscapeDefinition& definition) override;
    void CreateBlock(const LogicalRegion& region) override;
    void EndLandscape() override;
    // Takes a tile only when it shows this landscape's zoom level.
    ContainerBase* AddTile(LandscapeTile* tile) override;

    // The geometry: block index and hex number, screen position of a region's map point, the
    // art that depends on neighbours, and whether a hex has a block.
    virtual short IndexToHexNumber(short index) const = 0;
    virtual short HexNumberToIndex(short number) const = 0;
    virtual Point3D HexToScreen(const Point3D& mapPoint) const = 0;
    virtual void BuildEdgeArt() = 0;
    virtual bool HasBlock(short number) const = 0;
    virtual void DrawBlocksInFront(Bitmap& target, short number, const Point& origin) = 0;

    // A road block at level 0 is a bridge: things on it stand one level up.
    std::int16_t GetZ(short number) override;

    void SetElevationStep(std::int16_t step) { elevationStep = step; }
    std::int16_t GetElevationStep() const { return elevationStep; }
    std::uint16_t GetOptions() const { return options; }
    std::uint16_t GetZoomBits() const { return static_cast<std::uint16_t>(options & ~kFlipped); }
    bool IsFlipped() const { return (options & kFlipped) != 0; }
    std::uint32_t GetStyle() const { return style; }
    const std::string& GetSpriteArtName() const { return spriteArtName; }
    QIF<Bitmap>& GetTerrainArt() { return terrainArt; }

    // The stream the art choices draw from (0..32767, rand()'s contract). The picture of a hex
    // is the display's own affair: it never draws from the game's random source, so showing a
    // map cannot change a battle.
    int ArtRandom();
    void SeedArtRandom(std::uint32_t seed) { artSeed = seed; }

protected:
    IsometricHexLandscape(const Dim& blockSize, const Dim& cellSize, const char* terrainArtName,
                          const char* spriteArtName, std::uint16_t options, const char* name,
                          const char* defaultName);
    short RegionIndex(short region) const override { return HexNumberToIndex(region); }
    // Picture `picture` of a section of a library, or null when the library has no such
    // picture (a missing section is reported once per landscape).
    Bitmap* Picture(QIF<Bitmap>& library, const char* section, int picture);
    Bitmap* Picture(QIF<Bitmap>& library, std::int16_t section, int picture);
    void ReportMissingArt(const QIF<Bitmap>& library, const char* section);

    QIF<Bitmap> terrainArt;
    std::string spriteArtName;
    std::int16_t elevationStep = 0;
    std::uint16_t options = 0;
    std::uint32_t style = 0;

private:
    void AddRiverAndEarthworkArt(PhysicalBlock& block, const LogicalRegion& region);

    std::uint32_t artSeed = 1;
    std::vector<std::string> reported;
};
