#pragma once
// VhLandscape: the game's drawn landscape, one per zoom level and map orientation, with the
// game's art sets. Beyond the engine it marks the hex a unit is about to move to (the hex's
// outline), draws battle arrows as sprites, keeps the battle-scarred hexes, saves and restores its
// arrows and loose sprites with the game, hands itself to the map tiles of its zoom when a view
// changes, and answers the hex questions of the unit pictures.
//
// Saved part, inside the saved-game file (little-endian): the header's u32 at byte 0 holds the
// offset T of a table of two u32 block offsets (the landscape with the flip bit clear, then the
// one with it set); right after the table the scar list (u16 count, u16 hexes). A landscape's
// block: u16 arrow count, per arrow i16 first hex, i16 second hex, u32 direction; u16 sprite
// count, per sprite its art names and record (LandscapeSprite). Only full-size landscapes save.
//
// Invariants: the arrows list holds no two equal arrows (same two hexes), and each arrow's sprite
// is one of the landscape's sprites; the arrow art exists exactly on full-size landscapes.
#include "game/logic/combat_records.h"
#include "landscape/landscape_sprite.h"
#include "landscape/pointed_hex_landscape.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VhLandscape : public PointedIsometricHexLandscape {
public:
    // An arrow shown, with the sprite that draws it.
    struct Arrow {
        BattleArrowStruct arrow;
        Sprite* sprite = nullptr;
    };

    VhLandscape(const Dim& artCell, const Dim& hexCell, const char* blockArt, const char* overlayArt,
                const char* secondOverlayArt, const char* gridArtName, const char* outlineArtName, std::uint16_t options,
                const char* name = nullptr);
    ~VhLandscape() override;

    // The landscape of the zoom the option bits ask for (0x2 quarter, else 0x1 half, else full),
    // keeping the flip bit.
    static VhLandscape* CreateLandscape(std::uint16_t options);

    void Connect() override;
    void Close() override;

    bool IsFullSize() const { return options == 0 || options == kFlipped; }
    // Shows an arrow unless an equal one is shown; removes the first equal one.
    void AddBattleArrow(const BattleArrowStruct& arrow);
    void RemoveBattleArrow(const BattleArrowStruct& arrow);
    void RemoveAllBattleArrows();
    void ShowHexToMoveTo(short hex, std::int16_t on);

    // Hex functions of the pictures; directions are display directions, turned half a turn on a
    // flipped landscape. HexNeighbour answers -1 off the map.
    short HexNeighbour(short hex, int direction) const;
    int HexDirection(short from, short to) const;
    // A random walk from the hex toward the map's edge, roads and railroads preferred; the list
    // starts with the hex and ends on the last hex before the edge.
    List<short> HexPath(short start, int direction);
    // The hexes a scar path crosses: none are kept.
    List<short> GetScarPath(short hex) const;

    // The saved part; false when the file cannot be used or the part is damaged (then nothing of
    // it is taken).
    bool SaveGame(const std::string& fileName);
    bool LoadGame(const std::string& fileName);

    const List<short>& ScarHexes() const { return scars; }
    const std::vector<Arrow>& Arrows() const { return arrows; }
    QIF<Bitmap>* ArrowArt(int zoom) const { return zoom >= 0 && zoom < 3 ? arrowArt[zoom].get() : nullptr; }
    // The cell size a map tile of this zoom scrolls by.
    Dim TileCellSize() const;

private:
    static ContainerBase* OnChangeViewport(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnShowHexToMoveTo(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnHideHexToMoveTo(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnAddBattleScars(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnAddBattleArrow(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnRemoveBattleArrow(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnRemoveAllBattleArrows(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnReturnFromMissileFire(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnSaveGame(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnLoadGame(Component* c, BusMessage e, ContainerBase* p);
    void TakeArrowSprite(Sprite* sprite);

    std::unique_ptr<QIF<Bitmap>> arrowArt[3];
    std::unique_ptr<QIF<Bitmap>> debrisArt[3];
    QIF<Bitmap> backgroundArt;
    std::vector<Arrow> arrows;
    List<short> scars;
};
