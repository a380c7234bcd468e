#pragma once
// VhLandscapeTile: the game's map view at one zoom level. Over the landscape it draws the units'
// sprites cell by cell from the game layer's grid (65 x 160 full-size pixels a cell), scrolls by
// itself while the pointer rests in a 35-pixel band at an edge of a map larger than the view
// (with a direction cursor), centres on points, carries the overview map in its top-right
// corner, and reports moves and clicks as "VhPointFlyby" / "VhPointSelected" with its zoom.
//
// Cells: full 65 x 32, half 33 x 16, quarter 17 x 8 pixels; pixel = cell * cell size - (1, 6)
// cells. The content is (2 * columns + 2, 1.5 * rows + 12) cells for a map of columns x rows.
//
// Invariants: the mode word never holds bit 0x4 (the reversed view is the layer's, not the
// tile's); the edge-scroll timer is registered exactly while timerRunning is 1; the sprite table
// is the layer's and never freed here.
#include "core/list.h"
#include "landscape/landscape_tile.h"
#include "ui/layout.h"

#include <cstdint>
#include <memory>
#include <string>

class Sprite;
class VhOverviewMap;

class VhLandscapeTile : public LandscapeTile {
public:
    static constexpr int kEdgeBand = 35;
    static constexpr int kEdgeRate = 10;
    static constexpr int kTopDelay = 10;
    static constexpr int kSpriteCellWidth = 65;
    static constexpr int kSpriteCellHeight = 160;

    // table: per row an array of tableSize.width lists (the layer's; may be null); mapSize in
    // hexes (columns, rows); mode: zoom bits (0x1 half, 0x2 quarter) and, in bit 0x4, the
    // overview picture's choice; title: the scenario's title, the overview's art section.
    VhLandscapeTile(List<Sprite*>** table, const Dim& tableSize, const Dim& mapSize, std::uint16_t mode,
                    const Point& originCells, std::uint16_t overviewShown, const std::string& title);
    ~VhLandscapeTile() override;

    void Resize(const Dim& size) override;
    void OnMouseMove(const Point& p) override;
    void OnLButtonDown(const Point& p) override;
    void RegisterMenuHandlers() override;
    void Redraw() override;
    void EnableMouseEvents() override;
    void Scroll() override;
    void InvalidateAndRedraw(const Box& box) override;
    void InvalidateAndRedraw(const List<Box>& boxes) override;
    std::int16_t ScrollTo(const Point& cell) override;
    std::int16_t ScrollBy(const Dim& cells) override;
    void DetachFromBus() override;
    // A zoom change: the new cell size and pixel offset, the view size and the overview told.
    void SetCellSize(const Dim& size) override;

    // ScrollBy with each axis that would leave the content set to 0.
    void ScrollByClamped(const Dim& delta);
    // Centres the view on a point in the tile's (zoomed) landscape pixels, kept on the map; a
    // map smaller than the view is centred in it.
    void CenterOn(const Point& pixel);
    void SetSpriteTable(List<Sprite*>** table, const Dim& size);
    void ShowOverviewMap();
    void HideOverviewMap();
    bool IsOverviewMapShown() const { return overviewShown != 0; }
    // Asks the overview to take the units' marks again.
    void UpdateOverviewMap();
    void RefreshOverviewMap() { UpdateOverviewMap(); }

    // A full-size landscape box scaled to this tile's zoom (x and width by 66/130 or 34/130, y
    // and height halved or quartered, truncated).
    Box ZoomBox(const Box& fullSize) const;
    Dim GetContentSize() const { return contentSize; }
    Dim GetViewSize() const { return viewSize; }
    Dim GetScrollDirection() const { return scrollDirection; }
    std::uint16_t StartDelay() const { return startDelay; }
    bool EdgeTimerRunning() const { return timerRunning != 0; }
    VhOverviewMap* GetOverviewMap() const { return overview.get(); }
    // One step of the edge-scroll timer, with the pointer at p (tile pixels).
    void EdgeScrollStep(const Point& p);

private:
    static ContainerBase* OnEdgeTimer(Component* c, BusMessage e, ContainerBase* p);
    // The step per axis set to 0 where it would take the view off the content.
    Dim ClampStep(const Dim& step) const;
    void SendCursor(const char* name);
    void DrawCellSprites(const List<Sprite*>& cell, const Box& clip, int zoom);
    int ZoomIndex() const;

    std::uint16_t overviewShown = 0;
    LayoutConstraints overviewPlacement;
    std::unique_ptr<VhOverviewMap> overview;
    Dim contentSize;
    Dim viewSize;
    std::uint16_t timerRunning = 0;
    Dim scrollDirection;
    std::uint16_t startDelay = 0;
    List<Sprite*>** spriteTable = nullptr;
    Dim spriteTableSize;
};
