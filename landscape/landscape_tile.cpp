#include "landscape/landscape_tile.h"

#include "core/assertion.h"
#include "core/events.h"
#include "landscape/landscape.h"
#include "ui/bitmap_reference.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kSource = "LANDTILE";

std::int16_t Div(int value, int by) { return static_cast<std::int16_t>(by == 0 ? 0 : value / by); }

// Moves a box of a bitmap's pixels to `to` inside the same bitmap; the boxes may overlap. Rows
// are taken in the order that reads each one before it is written over.
void MoveWithin(Bitmap& b, const Box& from, const Point& to) {
    const int stride = b.Stride(), height = b.GetHeight();
    auto row = [&](int y) { return b.GetPixels() + static_cast<std::ptrdiff_t>(Bitmap::BottomUp() ? height - 1 - y : y) * stride; };
    const std::size_t n = static_cast<std::size_t>(from.width);
    if (to.y > from.y)
        for (int i = from.height - 1; i >= 0; --i) std::memmove(row(to.y + i) + to.x, row(from.y + i) + from.x, n);
    else
        for (int i = 0; i < from.height; ++i) std::memmove(row(to.y + i) + to.x, row(from.y + i) + from.x, n);
}

} // namespace

LandscapeTile::LandscapeTile(const Dim& cells, const Point& originCells, const Point& offsetCells, const Dim& size,
                             const char* name)
    : Tile(Point(0, 0), size, name ? name : "Unnamed Landscape Tile"), cellSize(cells),
      origin(originCells.x * cells.width, originCells.y * cells.height),
      pixelOffset(offsetCells.x * cells.width, offsetCells.y * cells.height) {}

LandscapeTile::~LandscapeTile() {
    if (landscape) landscape->RemoveTile(this);
    delete kept;
    delete spare;
}

void LandscapeTile::Connect() { RegisterMenuHandlers(); }

void LandscapeTile::RegisterMenuHandlers() {
    Tile::RegisterMenuHandlers();
    RegisterHandler(INVALIDATE_VIEW, OnInvalidateView);
    RegisterHandler(SCROLL_TO, OnScrollTo);
    if (!needsLandscape) return;
    // The landscape of this tile's zoom level answers with itself; the others answer nothing.
    Container<LandscapeTile*> me(this);
    ContainerBase* answer = Send(LANDTILE_CREATED, &me);
    if (Landscape* const* taken = PayloadValue<Landscape*>(answer)) landscape = *taken;
    delete answer;
    needsLandscape = 0;
}

void LandscapeTile::EnableMouseEvents() {
    EnableMouseEvent(kLeftDown);
    EnableMouseEvent(kMouseMove);
}

Point LandscapeTile::CellToPixel(const Point& cell) const {
    return Point(cell.x * cellSize.width - pixelOffset.x, cell.y * cellSize.height - pixelOffset.y);
}

Point LandscapeTile::PixelToCell(const Point& pixel) const {
    return Point(Div(pixel.x + pixelOffset.x, cellSize.width), Div(pixel.y + pixelOffset.y, cellSize.height));
}

Dim LandscapeTile::CellDeltaToPixel(const Dim& delta) const {
    return Dim(delta.width * cellSize.width, delta.height * cellSize.height);
}

Dim LandscapeTile::PixelDeltaToCell(const Dim& delta) const {
    return Dim(Div(delta.width, cellSize.width), Div(delta.height, cellSize.height));
}

Bitmap* LandscapeTile::GetKeptBitmap() {
    if (!kept || kept->GetSize() != GetSize()) {
        delete kept;
        kept = new Bitmap(GetSize(), Bitmap::Plain);
    }
    return kept;
}

void LandscapeTile::RedrawKept() {
    delete kept;
    kept = new Bitmap(GetSize(), Bitmap::Plain);
    if (landscape && kept->GetWidth() > 0 && kept->GetHeight() > 0) landscape->DrawArea(*kept, origin);
}

void LandscapeTile::Resize(const Dim& size) {
    Tile::Resize(size);
    if (landscape) RedrawKept();
}

void LandscapeTile::OnMouseMove(const Point& p) {
    Container<Point> at(Point(origin.x + p.x, origin.y + p.y));
    Post(POINT_FLYBY, &at);
}

void LandscapeTile::OnLButtonDown(const Point& p) {
    Container<Point> at(Point(origin.x + p.x, origin.y + p.y));
    Post(POINT_SELECTED, &at);
}

std::int16_t LandscapeTile::ScrollTo(const Point& cell) {
    previousOrigin = origin;
    origin = CellToPixel(cell);
    if (origin != previousOrigin) {
        Scroll();
        Redraw();
    }
    return 0;
}

std::int16_t LandscapeTile::ScrollBy(const Dim& cells) {
    previousOrigin = origin;
    const Dim by = CellDeltaToPixel(cells);
    origin = Point(origin.x + by.width, origin.y + by.height);
    if (origin != previousOrigin) {
        Scroll();
        Redraw();
    }
    return 0;
}

void LandscapeTile::Scroll() {
    const int dx = origin.x - previousOrigin.x, dy = origin.y - previousOrigin.y;
    const int w = GetWidth(), h = GetHeight();
    if (std::abs(dx) >= w || std::abs(dy) >= h) {
        Bitmap* target = GetKeptBitmap();
        target->Fill(0);
        if (landscape && w > 0 && h > 0) landscape->DrawArea(*target, origin);
        Validate();
        Display::Invalidate(Box(0, 0, w, h));
        return;
    }
    ScrollPartly(dx, dy);
}

void LandscapeTile::ScrollPartly(int dx, int dy) {
    const int w = GetWidth(), h = GetHeight();
    const int ax = std::abs(dx), ay = std::abs(dy);

    // The second kept picture is kept from one scroll to the next: a view-sized picture made for
    // every step would cost more than the strips that are drawn.
    Bitmap* old = GetKeptBitmap();
    if (!spare || spare->GetSize() != GetSize()) {
        delete spare;
        spare = new Bitmap(GetSize(), Bitmap::Plain);
    }
    kept = spare;
    spare = old;

    Box dest(0, 0, w - ax, h - ay);
    Box source = dest;
    Box vertical(0, 0, ax, h);
    Point verticalAt = origin;
    Box horizontal(0, 0, w - ax, ay);
    Point horizontalAt = origin;

    if (origin.x > previousOrigin.x) {
        vertical.x += w - ax;
        verticalAt.x += w - ax;
        source.x += dx;
    } else {
        // The horizontal strip sits beside the vertical one, never over the corner it covers.
        horizontal.x += ax;
        horizontalAt.x += ax;
        dest.x += ax;
    }
    if (origin.y > previousOrigin.y) {
        horizontal.y += h - ay;
        horizontalAt.y += h - ay;
        source.y += dy;
    } else {
        dest.y += ay;
    }

    // The reused picture still holds an older view: the strips start empty, as a new one would.
    if (ax != 0) {
        BitmapReference strip(*kept, vertical);
        strip.Fill(0);
        if (landscape) landscape->DrawArea(strip, verticalAt);
    }
    if (ay != 0 && horizontal.width > 0) {
        BitmapReference strip(*kept, horizontal);
        strip.Fill(0);
        if (landscape) landscape->DrawArea(strip, horizontalAt);
    }
    kept->Draw(dest.Origin(), *old, source, 1);
    // What the tile shows, the landscape and whatever was drawn over it, moves within its own
    // pixels: a copy of the whole view made first would cost one more pass over every pixel.
    if (GetPixels()) {
        MoveWithin(*this, source, dest.Origin());
        MarkChanged(dest);
    }

    Display::Invalidate(horizontal);
    Display::Invalidate(vertical);
}

void LandscapeTile::Refresh() { Redraw(); }

void LandscapeTile::InvalidateLandscapeRect(const Box& box) { Display::Invalidate(box - origin); }

void LandscapeTile::InvalidateLandscapeRects(const List<Box>& boxes) {
    for (Item<Box>* i = boxes.Head(); i; i = i->next) InvalidateLandscapeRect(i->value);
}

void LandscapeTile::InvalidateAndRedraw(const Box& box) {
    InvalidateLandscapeRect(box);
    Redraw();
}

void LandscapeTile::InvalidateAndRedraw(const List<Box>& boxes) {
    InvalidateLandscapeRects(boxes);
    Redraw();
}

void LandscapeTile::SetDrawingEnabled(std::int16_t flag) {
    drawingSuspended = flag == 0 ? 1 : 0;
    if (flag) Redraw();
}

void LandscapeTile::Redraw() {
    if (drawingSuspended || !landscape) return;
    Bitmap* source = GetKeptBitmap();
    if (GetPixels()) {
        Box box;
        while (TakeDirtyRect(box)) Draw(box.Origin(), *source, box, 1);
    }
    Display::Redraw();
    Show();
}

ContainerBase* LandscapeTile::OnScrollTo(Component* c, BusMessage, ContainerBase* p) {
    if (auto* self = dynamic_cast<LandscapeTile*>(c)) {
        if (const Point* cell = PayloadValue<Point>(p)) {
            self->ScrollTo(*cell);
            return nullptr;
        }
        if (const Dim* cells = PayloadValue<Dim>(p)) {
            self->ScrollBy(*cells);
            return nullptr;
        }
    }
    AssertFail("Bad data passed in bus message -- SCROLL_TO", kSource, 479);
    return nullptr;
}

ContainerBase* LandscapeTile::OnInvalidateView(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<LandscapeTile*>(c);
    if (!self) return nullptr;
    if (const Box* box = PayloadValue<Box>(p)) self->InvalidateAndRedraw(*box);
    else if (const auto* boxes = PayloadValue<List<Box>>(p)) self->InvalidateAndRedraw(*boxes);
    else self->Redraw();
    return nullptr;
}
