#include "landscape/landscape_tile.h"

#include "core/events.h"
#include "landscape/landscape.h"

LandscapeTile::LandscapeTile(const Dim& cells, const Point& originCells, const Point& offsetCells, const Dim& size,
                             const char* name)
    : Tile(Point(0, 0), size, name ? name : "Unnamed Landscape Tile"), cellSize(cells),
      origin(originCells.x * cells.width, originCells.y * cells.height),
      pixelOffset(offsetCells.x * cells.width, offsetCells.y * cells.height) {}

LandscapeTile::~LandscapeTile() {
    if (landscape) landscape->RemoveTile(this);
    delete kept;
}

void LandscapeTile::Connect() { RegisterMenuHandlers(); }

void LandscapeTile::RegisterMenuHandlers() {
    Tile::RegisterMenuHandlers();
    if (!needsLandscape) return;
    // The landscape of this tile's zoom level answers with itself; the others answer nothing.
    Container<LandscapeTile*> me(this);
    ContainerBase* answer = Send(LANDTILE_CREATED, &me);
    if (Landscape* const* taken = PayloadValue<Landscape*>(answer)) landscape = *taken;
    delete answer;
    needsLandscape = 0;
}

Bitmap* LandscapeTile::GetKeptBitmap() {
    if (!kept || kept->GetSize() != GetSize()) {
        delete kept;
        kept = new Bitmap(GetSize(), Bitmap::Plain);
    }
    return kept;
}

void LandscapeTile::InvalidateLandscapeRect(const Box& box) { Display::Invalidate(box - origin); }

void LandscapeTile::InvalidateLandscapeRects(const List<Box>& boxes) {
    for (Item<Box>* i = boxes.Head(); i; i = i->next) InvalidateLandscapeRect(i->value);
}

void LandscapeTile::Redraw() {
    if (drawingSuspended || !landscape) return;
    Bitmap* source = GetKeptBitmap();
    for (Item<Box>* i = DirtyRects().Head(); i; i = i->next) Draw(i->value.Origin(), *source, i->value, 1);
    Display::Redraw();
    Show();
}
