#pragma once
// IsometricHexLandscape: a block landscape built from the logical hex map. Each region becomes a
// block placed by the geometry of the derived landscape and carries its terrain art: marsh, minor
// rivers and their ends, earthworks, and a hidden battle scar. Every region request takes the
// game's hex numbers and turns them into block indices first.
//
// With option 0x2 the terrain features that stand up (trees, stones, buildings, walls) are
// sprites made from the sprite art of the three zoom levels, and sparse mode hides most of the
// trees. The landscape owns every sprite of its sprites list: terrain sprites, sprites handed
// over by pictures, and the dead figures that stay on the field until "RemoveDeadSprites".
//
// Block layers: 0 cliffs, 1 ground, 2 features (1 marsh, 2-7 minor rivers by corner, 8-13 and
// 14-19 river ends, 20-24 roads and road fixes, 30 the battle scar), 3 earthworks (1-6), 4
// overlays (0 hex grid, 1 hex outline).
//
// Invariants: the block table holds W x H entries (W, H the display's columns and rows); the
// slot of column 0 in an odd display row is always empty; terrain art is locked only while it
// is drawn; deadSprites and sparseSprites hold only sprites of the sprites list, each once.
#include "landscape/block_landscape.h"
#include "landscape/physical/sprite.h"
#include "ui/qif.h"

#include <cstdint>
#include <memory>
#include <string>

class IsometricHexLandscape : public BlockLandscape {
public:
    // Option bits: the zoom bits 0x1 (half size) and 0x2 (quarter size), and 0x4 flipped.
    static constexpr std::uint16_t kFlipped = 0x4;

    IsometricHexLandscape(const Dim& blockSize, const Dim& cellSize, const char* terrainArtName,
                          const char* spriteArtName, std::uint16_t options, const char* name = nullptr);
    ~IsometricHexLandscape() override;

    void Connect() override;
    void Close() override;
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

    // The sprites on the landscape. AddSprite announces the sprite with SPRITE_CREATED; a dead
    // sprite waits for "RemoveDeadSprites" to hide it. DestroySprite sends "SpriteDestroyed" and
    // deletes the sprite; one the landscape does not own is left alone.
    virtual void AddDeadSprite(Sprite* s);
    virtual void AddSprite(Sprite* s);
    virtual void DestroySprite(Sprite* s);
    // Hide or show the sparse sprites and ask the views to redraw where they stand.
    virtual void SparseOn();
    virtual void SparseOff();
    void RemoveDeadSprites();
    void SetSparse(std::uint16_t value);

    const List<Sprite*>& Sprites() const { return sprites; }
    const List<Sprite*>& DeadSprites() const { return deadSprites; }
    const List<Sprite*>& SparseSprites() const { return sparseSprites; }
    bool IsSparse() const { return sparse != 0; }
    QIF<Bitmap>* SpriteArt(int zoom) const { return zoom >= 0 && zoom < 3 ? spriteArt[zoom].get() : nullptr; }
    // The zoom level (0, 1, 2) of the option word.
    int ZoomLevel() const { return (options & 0x2) ? 2 : (options & 0x1) ? 1 : 0; }

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

    // Deletes every sprite, after telling the bus each goes.
    void DeleteSprites();
    // The box a sprite covers, where the views draw it.
    Box SpriteBox(const Sprite& s) const { return s.GetRect(); }
    void PostInvalidate(const List<Box>& boxes);

    std::unique_ptr<QIF<Bitmap>> spriteArt[3];
    QIF<Bitmap> terrainArt;
    std::string spriteArtName;
    List<Sprite*> sprites;
    List<Sprite*> deadSprites;
    List<Sprite*> sparseSprites;
    std::uint16_t sparse = 0;
    std::int16_t elevationStep = 0;
    std::uint16_t options = 0;
    std::uint32_t style = 0;

private:
    void AddRiverAndEarthworkArt(PhysicalBlock& block, const LogicalRegion& region);
    void AddTerrainSprites(const PhysicalBlock& block, const LogicalRegion& region);
    // A terrain sprite at an offset (in full-size pixels of the 130 x 64 cell) from the hex's
    // point; null when the sprite art lacks the section.
    Sprite* MakeTerrainSprite(const PhysicalBlock& block, const char* section, int picture, int dx, int dy);
    int SectionSize(const char* section) const;
    static ContainerBase* OnAddSpriteToLandscape(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnRemoveDeadSprites(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnToggleSparse(Component* c, BusMessage e, ContainerBase* p);

    std::uint32_t artSeed = 1;
    std::vector<std::string> reported;
};
