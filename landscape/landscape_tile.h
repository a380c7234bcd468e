#pragma once
// LandscapeTile: the scrolling view onto a landscape, a tile showing a window-sized part of a much
// larger map. It keeps a private off-screen copy of the bare landscape under the view (the kept
// bitmap), which the landscape draws into. Scrolling by less than the tile's size shifts what is
// already drawn and asks the landscape only for the strips that scrolling uncovers; a larger jump
// redraws the whole view. Mouse moves and clicks become landscape points on the bus
// (POINT_FLYBY, POINT_SELECTED). The tile announces itself once with LANDTILE_CREATED and keeps
// the landscape that answers.
//
// Positions: the origin is the landscape pixel at the tile's top-left corner. Scroll requests
// come in cells: pixel = cell * cell size - pixel offset, per axis.
//
// Invariants: the kept bitmap, when there is one, has the tile's size; the landscape, when there
// is one, lists this tile among its tiles; while drawing is suspended Redraw changes nothing and
// the dirty rectangles wait.
#include "core/container.h"
#include "core/geometry.h"
#include "core/list.h"
#include "ui/tile.h"

#include <cstdint>

class Landscape;

class LandscapeTile : public Tile {
public:
    // Origin and pixel offset are given in cells of cellSize.
    LandscapeTile(const Dim& cellSize, const Point& originCells, const Point& offsetCells, const Dim& size,
                  const char* name = nullptr);
    ~LandscapeTile() override;

    void Attached() override { EnableMouseEvents(); }
    void Connect() override;
    void Resize(const Dim& size) override;
    void OnMouseMove(const Point& p) override;
    void OnLButtonDown(const Point& p) override;
    void RegisterMenuHandlers() override;
    void Redraw() override;
    virtual void EnableMouseEvents();
    // Brings the kept bitmap and the tile up to the origin after it moved from the previous one.
    virtual void Scroll();
    virtual void Refresh();
    virtual void InvalidateAndRedraw(const Box& box);
    virtual void InvalidateAndRedraw(const List<Box>& boxes);
    // Neither clamps: keeping the view on the map is the map tile's affair. Both answer 0.
    virtual std::int16_t ScrollTo(const Point& cell);
    virtual std::int16_t ScrollBy(const Dim& cells);

    // The zoom bits of the landscape this tile shows (0 full, 0x1 half, 0x2 quarter size); the
    // map tiles of each zoom level answer their own.
    virtual std::uint16_t GetLandscapeMode() const { return mode; }
    void SetLandscapeMode(std::uint16_t m) { mode = m; }

    Point CellToPixel(const Point& cell) const;
    Point PixelToCell(const Point& pixel) const;
    Dim CellDeltaToPixel(const Dim& delta) const;
    Dim PixelDeltaToCell(const Dim& delta) const;

    Bitmap* GetKeptBitmap();
    Point GetOrigin() const { return origin; }
    Point GetOriginCell() const { return PixelToCell(origin); }
    Point GetPreviousOrigin() const { return previousOrigin; }
    void SetOrigin(const Point& p) { origin = p; }
    Dim GetCellSize() const { return cellSize; }
    virtual void SetCellSize(const Dim& size) { cellSize = size; }
    void SetPixelOffset(const Point& offset) { pixelOffset = offset; }
    Point GetPixelOffset() const { return pixelOffset; }
    Landscape* GetLandscape() const { return landscape; }
    // A landscape that takes the tile outside the announcement (a view changing its zoom).
    void SetLandscape(Landscape* l) { landscape = l; }
    // Forgets the landscape (it is going away or lets the tile go) without telling it.
    void ForgetLandscape() { landscape = nullptr; }
    void SetDrawingEnabled(std::int16_t flag);
    bool IsDrawingSuspended() const { return drawingSuspended != 0; }

    // Boxes in landscape pixels, moved into the tile and added to its dirty rectangles.
    void InvalidateLandscapeRect(const Box& box);
    void InvalidateLandscapeRects(const List<Box>& boxes);

private:
    static ContainerBase* OnScrollTo(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnInvalidateView(Component* c, BusMessage e, ContainerBase* p);
    // A fresh kept bitmap of the tile's size with the view at the origin drawn into it.
    void RedrawKept();
    void ScrollPartly(int dx, int dy);

    Bitmap* kept = nullptr;
    // Reused by partial scrolls: the previous kept picture.
    Bitmap* spare = nullptr;
    Dim cellSize;
    Point origin;
    Point previousOrigin;
    Landscape* landscape = nullptr;
    Point pixelOffset;
    std::uint16_t needsLandscape = 1;
    std::uint16_t drawingSuspended = 0;
    std::uint16_t mode = 0;
};

template <>
struct TypeNameTraits<LandscapeTile*> {
    static std::string Name() { return "LandscapeTile *"; }
};
