#include "landscape/landscape.h"

#include "core/events.h"
#include "landscape/landscape_tile.h"
#include "ui/bitmap_reference.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "LANDSCAP";

// The box that holds both.
Box Union(const Box& a, const Box& b) {
    const int left = std::min<int>(a.x, b.x), top = std::min<int>(a.y, b.y);
    const int right = std::max<int>(a.x + a.width, b.x + b.width);
    const int bottom = std::max<int>(a.y + a.height, b.y + b.height);
    return Box(left, top, right - left, bottom - top);
}

bool Overlap(const Box& a, const Box& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

} // namespace

const List<short>* RegionListOf(ContainerBase* payload) {
    if (const auto* list = PayloadValue<List<short>>(payload)) return list;
    if (auto* const* pointer = PayloadValue<List<short>*>(payload)) return *pointer;
    return nullptr;
}

Landscape::Landscape(const Dim& size, const char* name) : Landscape(size, name, "Unnamed Landscape") {}

Landscape::Landscape(const Dim& size, const char* name, const char* defaultName)
    : Component(name ? name : defaultName), cellSize(size) {}

Landscape::~Landscape() {
    // Tiles outlive nothing of ours: each forgets this landscape so its own end does not call back.
    for (Item<LandscapeTile*>* i = tiles.Head(); i; i = i->next) i->value->ForgetLandscape();
}

void Landscape::Connect() {
    RegisterHandler(BEGIN_LANDSCAPE, OnBeginLandscape);
    RegisterHandler(CREATE_REGION, OnCreateRegion);
    RegisterHandler(END_LANDSCAPE, OnEndLandscape);
    RegisterHandler(FIND_REGION, OnFindRegion);
    RegisterHandler(HIGHLIGHT_REGION, OnHighlight);
    RegisterHandler(DEHIGHLIGHT_REGION, OnDehighlight);
    RegisterHandler(HALF_HIGHLIGHT_REGION, OnHalfHighlight);
    RegisterHandler(HALF_DEHIGHLIGHT_REGION, OnHalfDehighlight);
    RegisterHandler(TOGGLE_REGION_HALF_HIGHLIGHT, OnToggleHalfHighlight);
    RegisterHandler(LANDTILE_CREATED, OnLandTileCreated);
    RegisterNamedHandler("Shadow Region", OnShadow);
    RegisterNamedHandler("Deshadow Region", OnDeshadow);
    RegisterNamedHandler("Toggle Shadow", OnToggleShadow);
    RegisterNamedHandler("Get Region Location", OnGetRegionLocation);
    RegisterNamedHandler("CloseGame", OnCloseGame);
}

void Landscape::AddDirty(const Box& box) {
    if (box.IsEmpty()) return;
    Box grown = box;
    bool merged = true;
    while (merged) {
        merged = false;
        for (Item<Box>* i = dirty.Head(); i; i = i->next) {
            if (Overlap(i->value, grown)) {
                grown = Union(grown, i->value);
                dirty.RemoveItem(i);
                merged = true;
                break;
            }
        }
    }
    dirty.AddTail(grown);
}

void Landscape::DrawAll() {
    for (Item<LandscapeTile*>* i = tiles.Head(); i; i = i->next) {
        LandscapeTile* tile = i->value;
        Bitmap* kept = tile->GetKeptBitmap();
        if (!kept) continue;
        DrawArea(*kept, tile->GetOrigin());
        tile->InvalidateLandscapeRect(Box(tile->GetOrigin(), kept->GetSize()));
    }
    dirty.Clear();
}

void Landscape::DrawDirty() {
    for (Item<LandscapeTile*>* i = tiles.Head(); i; i = i->next) {
        LandscapeTile* tile = i->value;
        Bitmap* kept = tile->GetKeptBitmap();
        if (!kept) continue;
        const Point origin = tile->GetOrigin();
        for (Item<Box>* d = dirty.Head(); d; d = d->next) {
            // A box reaching left of or above the view is drawn from the view's edge on; the
            // reference clips what lies past the other edges.
            Box work = d->value;
            if (work.x < origin.x) work.x = origin.x;
            if (work.y < origin.y) work.y = origin.y;
            const Box inTile = work - origin;
            if (inTile.x < kept->GetWidth() && inTile.y < kept->GetHeight() && inTile.width > 0 && inTile.height > 0) {
                BitmapReference area(*kept, inTile);
                if (area.GetWidth() > 0 && area.GetHeight() > 0) DrawArea(area, work.Origin());
            }
            tile->InvalidateLandscapeRect(d->value);
        }
    }
    dirty.Clear();
}

void Landscape::Update(const Box& box) {
    if (!box.IsEmpty()) AddDirty(box);
    DrawDirty();
}

void Landscape::Close() {
    dirty.Clear();
    for (Item<LandscapeTile*>* i = tiles.Head(); i; i = i->next) i->value->ForgetLandscape();
    tiles.Clear();
}

ContainerBase* Landscape::AddTile(LandscapeTile* tile) {
    if (!tile) return nullptr;
    if (!tiles.Contains(tile)) tiles.AddTail(tile);
    return new Container<Landscape*>(this);
}

void Landscape::RemoveTile(LandscapeTile* tile) { tiles.Remove(tile); }

void Landscape::RedrawTiles(List<Box> boxes) {
    for (Item<LandscapeTile*>* i = tiles.Head(); i; i = i->next) {
        i->value->InvalidateLandscapeRects(boxes);
        i->value->Redraw();
    }
}

// --- bus handlers ---

ContainerBase* Landscape::OnBeginLandscape(Component* c, BusMessage, ContainerBase* p) {
    Landscape* self;
    LandscapeDefinition* definition;
    if (!BusArgs(c, p, self, definition, kSource, __LINE__)) return nullptr;
    self->BeginLandscape(*definition);
    return nullptr;
}

ContainerBase* Landscape::OnCreateRegion(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<Landscape*>(c);
    if (!self) return nullptr;
    if (const auto* list = PayloadValue<List<LogicalRegion>>(p)) self->CreateBlocks(*list);
    else if (const auto* one = PayloadValue<LogicalRegion>(p)) self->CreateBlock(*one);
    return nullptr;
}

ContainerBase* Landscape::OnEndLandscape(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<Landscape*>(c)) self->EndLandscape();
    return nullptr;
}

ContainerBase* Landscape::OnFindRegion(Component* c, BusMessage, ContainerBase* p) {
    Landscape* self;
    Point* point;
    if (!BusArgs(c, p, self, point, kSource, __LINE__)) return nullptr;
    return new Container<short>(self->PointToRegion(*point));
}

namespace {

// HIGHLIGHT_REGION and DEHIGHLIGHT_REGION: a list of regions, or one region.
void HighlightFrom(Landscape* self, ContainerBase* p, std::uint16_t flag) {
    if (const List<short>* list = RegionListOf(p)) self->HighlightRegions(*list, flag);
    else if (const auto* one = PayloadValue<short>(p)) self->HighlightRegion(*one, flag);
    else if (const auto* two = PayloadValue<unsigned short>(p)) self->HighlightRegion(static_cast<short>(*two), flag);
}

} // namespace

ContainerBase* Landscape::OnHighlight(Component* c, BusMessage, ContainerBase* p) {
    if (auto* self = dynamic_cast<Landscape*>(c)) HighlightFrom(self, p, 1);
    return nullptr;
}

ContainerBase* Landscape::OnDehighlight(Component* c, BusMessage, ContainerBase* p) {
    if (auto* self = dynamic_cast<Landscape*>(c)) HighlightFrom(self, p, 0);
    return nullptr;
}

namespace {

// The entries whose payload names regions: the list, or the bad-data report and null.
Landscape* RegionListArgs(Component* c, ContainerBase* p, const List<short>*& list, int line) {
    auto* self = dynamic_cast<Landscape*>(c);
    list = RegionListOf(p);
    if (self && list) return self;
    Assert(0, kBadBusData, kSource, line);
    return nullptr;
}

} // namespace

ContainerBase* Landscape::OnHalfHighlight(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->HalfHighlightRegions(*list, 1);
    return nullptr;
}

ContainerBase* Landscape::OnHalfDehighlight(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->HalfHighlightRegions(*list, 0);
    return nullptr;
}

ContainerBase* Landscape::OnToggleHalfHighlight(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->ToggleHalfHighlightRegions(*list);
    return nullptr;
}

ContainerBase* Landscape::OnLandTileCreated(Component* c, BusMessage, ContainerBase* p) {
    Landscape* self;
    LandscapeTile** tile;
    if (!BusArgs(c, p, self, tile, kSource, __LINE__)) return nullptr;
    return self->AddTile(*tile);
}

ContainerBase* Landscape::OnShadow(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->ShadowRegions(*list, 1);
    return nullptr;
}

ContainerBase* Landscape::OnDeshadow(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->ShadowRegions(*list, 0);
    return nullptr;
}

ContainerBase* Landscape::OnToggleShadow(Component* c, BusMessage, ContainerBase* p) {
    const List<short>* list;
    if (Landscape* self = RegionListArgs(c, p, list, __LINE__)) self->ToggleShadowRegions(*list);
    return nullptr;
}

ContainerBase* Landscape::OnGetRegionLocation(Component* c, BusMessage, ContainerBase* p) {
    Landscape* self;
    short* region;
    if (!BusArgs(c, p, self, region, kSource, __LINE__)) return nullptr;
    return new Container<Point3D>(self->GetRegionLocation(*region));
}

ContainerBase* Landscape::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<Landscape*>(c)) self->Close();
    return nullptr;
}
