#pragma once
// LandscapeTile: the scrolling view onto a landscape, as far as the landscape needs one: the kept
// bitmap (the bare landscape under the view, which the landscape draws into), the origin (the
// landscape pixel at the tile's top-left corner), the invalidation of landscape boxes, and the
// redraw that copies the dirty parts of the kept bitmap into the tile. The tile announces itself
// once with LANDTILE_CREATED and keeps the landscape that answers.
//
// Invariants: the kept bitmap, when there is one, has the tile's size; the landscape, when there
// is one, lists this tile among its tiles.
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

    void Attached() override {}
    void Connect() override;
    void RegisterMenuHandlers() override;
    void Redraw() override;

    // The zoom bits of the landscape this tile shows (0 full, 0x1 half, 0x2 quarter size); the
    // map tiles of each zoom level answer their own.
    virtual std::uint16_t GetLandscapeMode() const { return mode; }
    void SetLandscapeMode(std::uint16_t m) { mode = m; }

    Bitmap* GetKeptBitmap();
    Point GetOrigin() const { return origin; }
    void SetOrigin(const Point& p) { origin = p; }
    Landscape* GetLandscape() const { return landscape; }
    // Forgets the landscape (it is going away) without telling it.
    void ForgetLandscape() { landscape = nullptr; }

    // Boxes in landscape pixels, moved into the tile and added to its dirty rectangles.
    void InvalidateLandscapeRect(const Box& box);
    void InvalidateLandscapeRects(const List<Box>& boxes);

private:
    Bitmap* kept = nullptr;
    Dim cellSize;
    Point origin;
    Point pixelOffset;
    Landscape* landscape = nullptr;
    std::uint16_t needsLandscape = 1;
    std::uint16_t drawingSuspended = 0;
    std::uint16_t mode = 0;
};
