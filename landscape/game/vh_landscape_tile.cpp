#include "landscape/game/vh_landscape_tile.h"

#include "core/events.h"
#include "core/message_registry.h"
#include "game/logic/combat_records.h"
#include "game/pictures/vh_sprite.h"
#include "landscape/game/overview_map.h"
#include "landscape/game/vh_physical_layer.h"
#include "landscape/iso_hex_landscape.h"
#include "landscape/landscape_sprite.h"
#include "ui/bitmap_reference.h"

#include <algorithm>
#include <string>

namespace {

const Dim kCellSizes[3] = {Dim(65, 32), Dim(33, 16), Dim(17, 8)};
const Point kPixelOffset(1, 6);
// Zoomed cell widths of a sprite cell and the factors of y and height.
const int kZoomedCellWidth[3] = {65, 33, 17};
const int kZoomDivisor[3] = {1, 2, 4};

int ZoomOf(std::uint16_t mode) { return (mode & 0x2) ? 2 : (mode & 0x1) ? 1 : 0; }

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

bool Empty(const Box& b) { return b.width <= 0 || b.height <= 0; }

int Sign(int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

const char* DirectionCursor(const Dim& d) {
    const int x = Sign(d.width), y = Sign(d.height);
    if (x == 0 && y < 0) return "N.ani";
    if (x > 0 && y < 0) return "NE.ani";
    if (x > 0 && y == 0) return "E.ani";
    if (x > 0 && y > 0) return "SE.ani";
    if (x == 0 && y > 0) return "S.ani";
    if (x < 0 && y > 0) return "SW.ani";
    if (x < 0 && y == 0) return "W.ani";
    return "NW.ani";
}

} // namespace

VhLandscapeTile::VhLandscapeTile(List<Sprite*>** table, const Dim& tableSize, const Dim& mapSize, std::uint16_t modeWord,
                                 const Point& originCells, std::uint16_t shown, const std::string& title)
    : LandscapeTile(kCellSizes[ZoomOf(modeWord)], originCells, kPixelOffset, Dim(0, 0), "Varnhold Landscape Tile"),
      spriteTable(table), spriteTableSize(tableSize) {
    contentSize = Dim(static_cast<std::int16_t>(static_cast<int>(mapSize.width * 2.0) + 2),
                      static_cast<std::int16_t>(static_cast<int>(mapSize.height * 1.5) + 12));
    viewSize = Dim(0, 0);
    overview = std::make_unique<VhOverviewMap>(contentSize, Box(originCells, viewSize), title.c_str(), Point(9, 7),
                                               Point(13, 11), static_cast<std::uint16_t>(modeWord & 0x4));
    const Bitmap* picture = overview->GetPicture();
    const std::int16_t w = picture ? picture->GetWidth() : 0, h = picture ? picture->GetHeight() : 0;
    overviewPlacement.x.Set(lmRight, lmSameAs, nullptr, lmRight, 0);
    overviewPlacement.y.Absolute(lmTop, 0);
    overviewPlacement.width.Absolute(lmWidth, w);
    overviewPlacement.height.Absolute(lmHeight, h);
    overviewShown = shown ? 1 : 0;
    SetLandscapeMode(static_cast<std::uint16_t>(modeWord & ~0x4));
}

VhLandscapeTile::~VhLandscapeTile() {
    if (timerRunning) RemoveTimer(OnEdgeTimer);
    timerRunning = 0;
    if (overview && overview->GetParentDisplay()) overview->Detach();
    if (overview && overview->GetBus()) overview->DetachFromBus();
    overview.reset();
}

int VhLandscapeTile::ZoomIndex() const { return ZoomOf(GetLandscapeMode()); }

void VhLandscapeTile::RegisterMenuHandlers() {
    LandscapeTile::RegisterMenuHandlers();
    if (GetBus() && overview && !overview->GetBus()) overview->AttachToBus(GetBus());
}

void VhLandscapeTile::EnableMouseEvents() {
    LandscapeTile::EnableMouseEvents();
    if (overviewShown && overview && !overview->GetParentDisplay()) overview->Attach(this, overviewPlacement);
}

void VhLandscapeTile::DetachFromBus() {
    if (overview && overview->GetBus()) overview->DetachFromBus();
    LandscapeTile::DetachFromBus();
}

void VhLandscapeTile::Resize(const Dim& size) {
    LandscapeTile::Resize(size);
    viewSize = PixelDeltaToCell(size);
    if (overview) overview->SetViewSize(viewSize);
}

void VhLandscapeTile::SetCellSize(const Dim& size) {
    LandscapeTile::SetCellSize(size);
    SetPixelOffset(Point(static_cast<std::int16_t>(kPixelOffset.x * size.width),
                         static_cast<std::int16_t>(kPixelOffset.y * size.height)));
    viewSize = PixelDeltaToCell(GetSize());
    if (overview) overview->SetViewSize(viewSize);
    MoveResize(GetRect());
}

void VhLandscapeTile::SetSpriteTable(List<Sprite*>** table, const Dim& size) {
    spriteTable = table;
    spriteTableSize = size;
}

// --- scrolling ---

std::int16_t VhLandscapeTile::ScrollTo(const Point& cell) {
    if (overview) overview->ScrollTo(cell);
    return LandscapeTile::ScrollTo(cell);
}

std::int16_t VhLandscapeTile::ScrollBy(const Dim& cells) {
    if (overview) overview->ScrollBy(cells);
    return LandscapeTile::ScrollBy(cells);
}

void VhLandscapeTile::Scroll() {
    LandscapeTile::Scroll();
    if (!overview || !overview->GetParentDisplay()) return;
    // The scroll copied the overview's old picture along with the map: both places are redrawn.
    const Box at = overview->GetRect();
    Display::Invalidate(at);
    const Point moved = GetOrigin() - GetPreviousOrigin();
    Display::Invalidate(Box(static_cast<std::int16_t>(at.x - moved.x), static_cast<std::int16_t>(at.y - moved.y),
                            at.width, at.height));
    overview->Invalidate(Box(0, 0, at.width, at.height));
}

Dim VhLandscapeTile::ClampStep(const Dim& step) const {
    const Point cur = GetOriginCell();
    Dim out = step;
    if (cur.x + out.width < 0 || cur.x + out.width + viewSize.width > contentSize.width) out.width = 0;
    if (cur.y + out.height < 0 || cur.y + out.height + viewSize.height > contentSize.height) out.height = 0;
    return out;
}

void VhLandscapeTile::ScrollByClamped(const Dim& delta) {
    const Dim d = ClampStep(delta);
    if (d.width != 0 || d.height != 0) ScrollBy(d);
}

void VhLandscapeTile::CenterOn(const Point& pixel) {
    const Point cell = PixelToCell(pixel);
    int c[2] = {cell.x - viewSize.width / 2, cell.y - viewSize.height / 2};
    const int view[2] = {viewSize.width, viewSize.height};
    const int content[2] = {contentSize.width, contentSize.height};
    for (int axis = 0; axis < 2; ++axis) {
        if (content[axis] < view[axis])
            c[axis] = -(view[axis] - content[axis]) / 2;
        else
            c[axis] = std::clamp(c[axis], 0, content[axis] - view[axis]);
    }
    ScrollTo(Point(static_cast<std::int16_t>(c[0]), static_cast<std::int16_t>(c[1])));
}

// --- the pointer ---

void VhLandscapeTile::SendCursor(const char* name) {
    Container<std::string> cursor(name);
    delete PostAndWait(BusMessage(RegisterMessage("ChangeCursor")), &cursor);
}

void VhLandscapeTile::OnMouseMove(const Point& p) {
    const Dim old = scrollDirection;
    Dim d(0, 0);
    const int w = GetWidth(), h = GetHeight();
    if (viewSize.width < contentSize.width) {
        if (p.x < kEdgeBand) d.width = -1;
        else if (p.x > w - kEdgeBand) d.width = 1;
    }
    if (viewSize.height < contentSize.height) {
        if (p.y < kEdgeBand) d.height = -2;
        else if (p.y > h - kEdgeBand) d.height = 2;
    }
    d = ClampStep(d);
    if (d.width != 0 || d.height != 0) {
        scrollDirection = d;
        if (!timerRunning || d != old) SendCursor(DirectionCursor(d));
        if (!timerRunning) {
            startDelay = p.y < kEdgeBand ? kTopDelay : 0;
            if (AddTimer(OnEdgeTimer, kEdgeRate)) timerRunning = 1;
        }
        return;
    }
    scrollDirection = d;
    if (timerRunning) SendCursor("ArrowCursor");
    PointInfo info(Point(static_cast<std::int16_t>(GetOrigin().x + p.x), static_cast<std::int16_t>(GetOrigin().y + p.y)),
                   GetLandscapeMode());
    Container<PointInfo> payload(info);
    PostNamed("VhPointFlyby", &payload);
}

void VhLandscapeTile::OnLButtonDown(const Point& p) {
    PointInfo info(Point(static_cast<std::int16_t>(GetOrigin().x + p.x), static_cast<std::int16_t>(GetOrigin().y + p.y)),
                   GetLandscapeMode());
    Container<PointInfo> payload(info);
    PostNamed("VhPointSelected", &payload);
}

void VhLandscapeTile::EdgeScrollStep(const Point& p) {
    const int w = GetWidth(), h = GetHeight();
    const bool outside = p.x < 0 || p.y < 0 || p.x >= w || p.y >= h;
    const bool inner = p.x >= kEdgeBand && p.x <= w - kEdgeBand && p.y >= kEdgeBand && p.y <= h - kEdgeBand;
    if (outside || inner) scrollDirection = Dim(0, 0);
    if (contentSize.width <= viewSize.width) scrollDirection.width = 0;
    if (contentSize.height <= viewSize.height) scrollDirection.height = 0;
    if (scrollDirection.width == 0 && scrollDirection.height == 0) {
        if (timerRunning) RemoveTimer(OnEdgeTimer);
        timerRunning = 0;
        SendCursor("ArrowCursor");
        return;
    }
    if (startDelay > 0) {
        --startDelay;
        return;
    }
    const Dim d = ClampStep(scrollDirection);
    if (d.width != 0 || d.height != 0) ScrollBy(d);
}

ContainerBase* VhLandscapeTile::OnEdgeTimer(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<VhLandscapeTile*>(c)) self->EdgeScrollStep(self->GetMousePosition());
    return nullptr;
}

// --- drawing ---

Box VhLandscapeTile::ZoomBox(const Box& b) const {
    switch (ZoomIndex()) {
    case 1:
        return Box(static_cast<std::int16_t>(b.x * 66 / 130), static_cast<std::int16_t>(b.y / 2),
                   static_cast<std::int16_t>(b.width * 66 / 130), static_cast<std::int16_t>(b.height / 2));
    case 2:
        return Box(static_cast<std::int16_t>(b.x * 34 / 130), static_cast<std::int16_t>(b.y / 4),
                   static_cast<std::int16_t>(b.width * 34 / 130), static_cast<std::int16_t>(b.height / 4));
    default: return b;
    }
}

void VhLandscapeTile::InvalidateAndRedraw(const Box& box) {
    InvalidateLandscapeRect(ZoomBox(box));
    Redraw();
}

void VhLandscapeTile::InvalidateAndRedraw(const List<Box>& boxes) {
    for (Item<Box>* i = boxes.Head(); i; i = i->next) InvalidateLandscapeRect(ZoomBox(i->value));
    Redraw();
}

void VhLandscapeTile::DrawCellSprites(const List<Sprite*>& cell, const Box& clip, int zoom) {
    // Most cells of a view hold no figure: the landscape's type is asked only where one is drawn.
    if (!cell.Head()) return;
    auto* land = dynamic_cast<IsometricHexLandscape*>(GetLandscape());
    const Point viewOrigin = GetOrigin();
    for (Item<Sprite*>* i = cell.Head(); i; i = i->next) {
        Sprite* s = i->value;
        if (!s || s->IsHidden()) continue;
        auto* figure = dynamic_cast<VhSprite*>(s);
        Box rect;
        if (figure) {
            rect = figure->GetBoundsAtZoom(static_cast<std::int16_t>(zoom));
        } else {
            // A landscape's own sprite belongs to the landscape of its zoom only.
            auto* ground = dynamic_cast<LandscapeSprite*>(s);
            if (ground && ground->GetZoom() != zoom) continue;
            rect = s->GetRect();
        }
        const Box c = clip & rect;
        if (Empty(c)) continue;
        BitmapReference target(*this, Box(static_cast<std::int16_t>(c.x - viewOrigin.x),
                                          static_cast<std::int16_t>(c.y - viewOrigin.y), c.width, c.height));
        if (figure)
            figure->DrawAtZoom(target, c.Origin(), static_cast<std::int16_t>(zoom));
        else
            s->Draw(target, c.Origin());
        // Higher ground in front of the figure's hex covers its feet.
        if (land) land->DrawBlocksInFront(target, static_cast<short>(s->GetObjectId()), c.Origin());
    }
}

void VhLandscapeTile::Redraw() {
    if (IsDrawingSuspended() || !GetLandscape()) return;
    Bitmap* source = GetKeptBitmap();
    const int zoom = ZoomIndex();
    const Point viewOrigin = GetOrigin();
    bool any = false;
    Box b;
    while (GetPixels() && TakeDirtyRect(b)) {
        any = true;
        Draw(b.Origin(), *source, b, 1);
        if (!spriteTable || spriteTableSize.width <= 0 || spriteTableSize.height <= 0) continue;
        // The box back in full-size landscape pixels picks the sprite cells it covers.
        Box full(static_cast<std::int16_t>(b.x + viewOrigin.x), static_cast<std::int16_t>(b.y + viewOrigin.y), b.width, b.height);
        int fx = full.x, fy = full.y, fw = full.width, fh = full.height;
        if (zoom == 1) fx = fx * 130 / 66, fw = fw * 130 / 66, fy *= 2, fh *= 2;
        if (zoom == 2) fx = fx * 130 / 34, fw = fw * 130 / 34, fy *= 4, fh *= 4;
        const int firstColumn = std::max(0, FloorDiv(fx, kSpriteCellWidth));
        const int firstRow = std::max(0, FloorDiv(fy, kSpriteCellHeight) + 1);
        const int lastColumn = std::min(spriteTableSize.width - 1, FloorDiv(fx + fw, kSpriteCellWidth));
        const int lastRow = std::min(spriteTableSize.height - 1, FloorDiv(fy + fh, kSpriteCellHeight) + 1);
        const Box dirty(full);
        for (int row = firstRow; row <= lastRow; ++row) {
            if (!spriteTable[row]) continue;
            for (int column = lastColumn; column >= firstColumn; --column) {
                const Box cellBox(static_cast<std::int16_t>(column * kZoomedCellWidth[zoom]),
                                  static_cast<std::int16_t>((row - 1) * kSpriteCellHeight / kZoomDivisor[zoom]),
                                  static_cast<std::int16_t>(kZoomedCellWidth[zoom]),
                                  static_cast<std::int16_t>(kSpriteCellHeight / kZoomDivisor[zoom]));
                const Box clip = dirty & cellBox;
                if (Empty(clip)) continue;
                DrawCellSprites(spriteTable[row][column], clip, zoom);
            }
        }
    }
    if (any) Display::Redraw();
    Show();
}

// --- the overview ---

void VhLandscapeTile::ShowOverviewMap() {
    if (overviewShown || !overview) return;
    overviewShown = 1;
    overview->Attach(this, overviewPlacement);
    Display::Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    Redraw();
    Show();
}

void VhLandscapeTile::HideOverviewMap() {
    if (!overviewShown || !overview) return;
    overviewShown = 0;
    overview->Detach();
    Display::Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    Redraw();
    Show();
}

void VhLandscapeTile::UpdateOverviewMap() {
    if (overview) overview->UpdateUnits();
}
