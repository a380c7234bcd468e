#include "landscape/block_landscape.h"

#include "ui/bitmap_reference.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

BlockLandscape::BlockLandscape(const Dim& block, const Dim& cell, const char* name)
    : BlockLandscape(block, cell, name, "Unnamed BlockLandscape") {}

BlockLandscape::BlockLandscape(const Dim& block, const Dim& cell, const char* name, const char* defaultName)
    : Landscape(cell, name, defaultName), blockSize(block) {}

BlockLandscape::~BlockLandscape() { DeleteBlocks(); }

void BlockLandscape::DeleteBlocks() {
    for (PhysicalBlock*& b : blocks) {
        delete b;
        b = nullptr;
    }
    blocks.clear();
}

PhysicalBlock* BlockLandscape::GetBlock(int index) const {
    return index >= 0 && index < static_cast<int>(blocks.size()) ? blocks[static_cast<std::size_t>(index)] : nullptr;
}

bool BlockLandscape::StoreBlock(int index, PhysicalBlock* block) {
    if (index < 0 || index >= static_cast<int>(blocks.size())) return false;
    delete blocks[static_cast<std::size_t>(index)];
    blocks[static_cast<std::size_t>(index)] = block;
    return true;
}

void BlockLandscape::BeginLandscape(const LandscapeDefinition& definition) {
    DeleteBlocks();
    complete = 0;
    mapSize = definition.size;
    // Block indices are 16-bit: a larger count is cut to what they can reach.
    blocks.assign(std::min<std::size_t>(definition.regionCount, 0x7FFF), nullptr);
}

void BlockLandscape::CreateBlock(const LogicalRegion& region) {
    auto* block = new PhysicalBlock(region.point, region.number, blockSize);
    if (!StoreBlock(region.number, block)) delete block;
}

void BlockLandscape::CreateBlocks(const List<LogicalRegion>& regions) {
    for (Item<LogicalRegion>* i = regions.Head(); i; i = i->next) CreateBlock(i->value);
}

void BlockLandscape::EndLandscape() { complete = 1; }

void BlockLandscape::Close() {
    DeleteBlocks();
    complete = 0;
    Landscape::Close();
}

Point3D BlockLandscape::GetRegionLocation(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetCentre() : Point3D();
}

short BlockLandscape::PointToRegion(const Point& p) {
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i] && blocks[i]->ContainsPoint(p)) return static_cast<short>(i);
    return -1;
}

// --- the region families ---

void BlockLandscape::ForRegions(const List<short>& regions, const BlockAction& action) {
    if (!complete) return;
    for (Item<short>* i = regions.Head(); i; i = i->next) {
        if (i->value == -1) continue;
        const short index = RegionIndex(i->value);
        if (PhysicalBlock* b = GetBlock(index)) {
            action(index, *b);
            AddDirty(b->GetDrawnBox());
        }
    }
    DrawDirty();
}

void BlockLandscape::ForBox(const Box& box, const BlockAction& action) {
    if (!complete) return;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i] || !blocks[i]->Overlaps(box)) continue;
        action(static_cast<short>(i), *blocks[i]);
        AddDirty(blocks[i]->GetDrawnBox());
    }
    DrawDirty();
}

void BlockLandscape::ForPoint(const Point& p, const BlockAction& action) {
    if (!complete) return;
    const short index = RegionIndex(PointToRegion(p));
    if (PhysicalBlock* b = GetBlock(index)) {
        action(index, *b);
        Update(b->GetDrawnBox());
    }
}

void BlockLandscape::ForRegion(short region, const BlockAction& action) {
    if (!complete) return;
    const short index = RegionIndex(region);
    if (PhysicalBlock* b = GetBlock(index)) {
        action(index, *b);
        Update(b->GetDrawnBox());
    }
}

void BlockLandscape::ForAll(const BlockAction& action) {
    if (!complete) return;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i]) action(static_cast<short>(i), *blocks[i]);
    DrawAll();
}

#define VH_BLOCK_ACTION(call) [=, this](short index, PhysicalBlock&) { call; }

void BlockLandscape::HighlightRegions(const List<short>& r, std::uint16_t f) { ForRegions(r, VH_BLOCK_ACTION(SetBlockHighlight(index, f))); }
void BlockLandscape::HighlightBox(const Box& b, std::uint16_t f) { ForBox(b, VH_BLOCK_ACTION(SetBlockHighlight(index, f))); }
void BlockLandscape::HighlightPoint(const Point& p, std::uint16_t f) { ForPoint(p, VH_BLOCK_ACTION(SetBlockHighlight(index, f))); }
void BlockLandscape::HighlightRegion(short r, std::uint16_t f) { ForRegion(r, VH_BLOCK_ACTION(SetBlockHighlight(index, f))); }
void BlockLandscape::HighlightAll(std::uint16_t f) { ForAll(VH_BLOCK_ACTION(SetBlockHighlight(index, f))); }
void BlockLandscape::ToggleHighlightRegions(const List<short>& r) { ForRegions(r, VH_BLOCK_ACTION(ToggleBlockHighlight(index))); }
void BlockLandscape::ToggleHighlightBox(const Box& b) { ForBox(b, VH_BLOCK_ACTION(ToggleBlockHighlight(index))); }
void BlockLandscape::ToggleHighlightPoint(const Point& p) { ForPoint(p, VH_BLOCK_ACTION(ToggleBlockHighlight(index))); }
void BlockLandscape::ToggleHighlightRegion(short r) { ForRegion(r, VH_BLOCK_ACTION(ToggleBlockHighlight(index))); }
void BlockLandscape::ToggleHighlightAll() { ForAll(VH_BLOCK_ACTION(ToggleBlockHighlight(index))); }
void BlockLandscape::HalfHighlightRegions(const List<short>& r, std::uint16_t f) { ForRegions(r, VH_BLOCK_ACTION(SetBlockHalfHighlight(index, f))); }
void BlockLandscape::HalfHighlightBox(const Box& b, std::uint16_t f) { ForBox(b, VH_BLOCK_ACTION(SetBlockHalfHighlight(index, f))); }
void BlockLandscape::HalfHighlightPoint(const Point& p, std::uint16_t f) { ForPoint(p, VH_BLOCK_ACTION(SetBlockHalfHighlight(index, f))); }
void BlockLandscape::HalfHighlightRegion(short r, std::uint16_t f) { ForRegion(r, VH_BLOCK_ACTION(SetBlockHalfHighlight(index, f))); }
void BlockLandscape::HalfHighlightAll(std::uint16_t f) { ForAll(VH_BLOCK_ACTION(SetBlockHalfHighlight(index, f))); }
void BlockLandscape::ToggleHalfHighlightRegions(const List<short>& r) { ForRegions(r, VH_BLOCK_ACTION(ToggleBlockHalfHighlight(index))); }
void BlockLandscape::ToggleHalfHighlightBox(const Box& b) { ForBox(b, VH_BLOCK_ACTION(ToggleBlockHalfHighlight(index))); }
void BlockLandscape::ToggleHalfHighlightPoint(const Point& p) { ForPoint(p, VH_BLOCK_ACTION(ToggleBlockHalfHighlight(index))); }
void BlockLandscape::ToggleHalfHighlightRegion(short r) { ForRegion(r, VH_BLOCK_ACTION(ToggleBlockHalfHighlight(index))); }
void BlockLandscape::ToggleHalfHighlightAll() { ForAll(VH_BLOCK_ACTION(ToggleBlockHalfHighlight(index))); }
void BlockLandscape::ShadowRegions(const List<short>& r, std::uint16_t f) { ForRegions(r, VH_BLOCK_ACTION(SetBlockShadow(index, f))); }
void BlockLandscape::ToggleShadowRegions(const List<short>& r) { ForRegions(r, VH_BLOCK_ACTION(ToggleBlockShadow(index))); }

#undef VH_BLOCK_ACTION

// The visibility family lists every entry as it is: a -1 finds no block like any other region
// outside the table.
void BlockLandscape::SetItemVisible(const List<short>& regions, std::int16_t layer, std::int16_t item, std::int16_t flag) {
    if (!complete) return;
    for (Item<short>* i = regions.Head(); i; i = i->next) {
        if (PhysicalBlock* b = GetBlock(RegionIndex(i->value))) {
            b->SetVisible(layer, item, flag);
            AddDirty(b->GetDrawnBox());
        }
    }
    DrawDirty();
}

void BlockLandscape::ToggleItemVisible(const List<short>& regions, std::int16_t layer, std::int16_t item) {
    if (!complete) return;
    for (Item<short>* i = regions.Head(); i; i = i->next) {
        if (PhysicalBlock* b = GetBlock(RegionIndex(i->value))) {
            b->ToggleVisible(layer, item);
            AddDirty(b->GetDrawnBox());
        }
    }
    DrawDirty();
}

void BlockLandscape::SetItemVisible(const Box& box, std::int16_t layer, std::int16_t item, std::int16_t flag) {
    ForBox(box, [=](short, PhysicalBlock& b) { b.SetVisible(layer, item, flag); });
}
void BlockLandscape::SetItemVisible(const Point& p, std::int16_t layer, std::int16_t item, std::int16_t flag) {
    ForPoint(p, [=](short, PhysicalBlock& b) { b.SetVisible(layer, item, flag); });
}
void BlockLandscape::SetItemVisible(short region, std::int16_t layer, std::int16_t item, std::int16_t flag) {
    ForRegion(region, [=](short, PhysicalBlock& b) { b.SetVisible(layer, item, flag); });
}
void BlockLandscape::SetItemVisible(std::int16_t layer, std::int16_t item, std::int16_t flag) {
    ForAll([=](short, PhysicalBlock& b) { b.SetVisible(layer, item, flag); });
}
void BlockLandscape::ToggleItemVisible(const Box& box, std::int16_t layer, std::int16_t item) {
    ForBox(box, [=](short, PhysicalBlock& b) { b.ToggleVisible(layer, item); });
}
void BlockLandscape::ToggleItemVisible(const Point& p, std::int16_t layer, std::int16_t item) {
    ForPoint(p, [=](short, PhysicalBlock& b) { b.ToggleVisible(layer, item); });
}
void BlockLandscape::ToggleItemVisible(short region, std::int16_t layer, std::int16_t item) {
    ForRegion(region, [=](short, PhysicalBlock& b) { b.ToggleVisible(layer, item); });
}
void BlockLandscape::ToggleItemVisible(std::int16_t layer, std::int16_t item) {
    ForAll([=](short, PhysicalBlock& b) { b.ToggleVisible(layer, item); });
}

// --- per block ---

void BlockLandscape::SetBlockHighlight(short index, std::uint16_t flag) {
    if (PhysicalBlock* b = GetBlock(index)) b->SetHighlight(flag);
}
void BlockLandscape::SetBlockHalfHighlight(short index, std::uint16_t flag) {
    if (PhysicalBlock* b = GetBlock(index)) b->SetHalfHighlight(flag);
}
void BlockLandscape::ToggleBlockHighlight(short index) {
    if (PhysicalBlock* b = GetBlock(index)) b->ToggleHighlight();
}
void BlockLandscape::ToggleBlockHalfHighlight(short index) {
    if (PhysicalBlock* b = GetBlock(index)) b->ToggleHalfHighlight();
}
void BlockLandscape::SetBlockShadow(short index, std::uint16_t flag) {
    if (PhysicalBlock* b = GetBlock(index)) b->SetShadow(flag);
}
void BlockLandscape::ToggleBlockShadow(short index) {
    if (PhysicalBlock* b = GetBlock(index)) b->ToggleShadow();
}

std::unique_ptr<PhysicalBlock> BlockLandscape::GetBlockCopy(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? std::make_unique<PhysicalBlock>(*b) : nullptr;
}

std::int16_t BlockLandscape::GetZ(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetZ() : 0;
}

std::uint32_t BlockLandscape::GetDrawMode(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetDrawMode() : 1;
}

std::uint16_t BlockLandscape::IsHighlighted(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetHighlight() : 0;
}

std::uint16_t BlockLandscape::IsHalfHighlighted(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetHalfHighlight() : 0;
}

std::uint16_t BlockLandscape::IsShadowed(short region) {
    const PhysicalBlock* b = GetBlock(RegionIndex(region));
    return b ? b->GetShadow() : 0;
}

// --- drawing ---

void BlockLandscape::DrawArea(Bitmap& target, const Point& origin) {
    DrawBackground(target, origin);
    const Box area(origin, target.GetSize());
    for (PhysicalBlock* b : blocks)
        if (b && b->Overlaps(area)) b->Draw(target, origin);
}

namespace {

// Where the first copy of a background of length `size` starts for a view starting at `value`,
// so that the background stays fixed to landscape coordinates.
int FirstTileStart(int value, int size) {
    if (value >= 0) return -(value % size);
    return -((value % size) + size);
}

// Whether the background's copies may be repeated by copying rows of the target itself: an opaque
// plain picture without hotspot gives every pixel of the target a fixed place in the pattern, and
// a plain bitmap, or a reference into one that starts inside it, does nothing beyond its pixels
// when drawn into.
bool RepeatsByRows(const Bitmap& target, const Bitmap& background) {
    if (!target.GetPixels() || background.GetType() != Bitmap::Plain || background.GetHotspot() != Point()) return false;
    if (typeid(target) == typeid(Bitmap)) return true;
    const auto* reference = dynamic_cast<const BitmapReference*>(&target);
    return reference && typeid(target) == typeid(BitmapReference) && reference->GetOffset() == Point();
}

std::uint8_t* RowOf(Bitmap& target, int y) {
    const int row = Bitmap::BottomUp() ? target.GetHeight() - 1 - y : y;
    return target.GetPixels() + static_cast<std::ptrdiff_t>(row) * target.Stride();
}

} // namespace

void BlockLandscape::DrawBackground(Bitmap& target, const Point& origin) {
    if (!background) return;
    const int w = background->GetWidth(), h = background->GetHeight();
    if (w < 1 || h < 1 || !background->Lock()) return;
    const int x0 = FirstTileStart(origin.x, w), y0 = FirstTileStart(origin.y, h);
    const int width = target.GetWidth(), height = target.GetHeight();
    if (!RepeatsByRows(target, *background)) {
        for (int y = y0; y < height; y += h)
            for (int x = x0; x < width; x += w) target.DrawAll(Point(x, y), *background, 1);
        background->Unlock();
        return;
    }
    // A small picture repeated over a whole view would take thousands of tiny copies. The copies
    // are drawn only until they cover one whole period each way; the rest of every row repeats
    // its own start, and every later row repeats the row one period above it.
    int xEnd = x0, yEnd = y0;
    while (xEnd < std::min(width, w)) xEnd += w;
    while (yEnd < std::min(height, h)) yEnd += h;
    for (int y = y0; y < yEnd; y += h)
        for (int x = x0; x < xEnd; x += w) target.DrawAll(Point(x, y), *background, 1);
    const int filledWidth = std::min(width, xEnd), filledHeight = std::min(height, yEnd);
    for (int y = 0; y < filledHeight; ++y) {
        std::uint8_t* row = RowOf(target, y);
        // Any whole number of periods back holds the same pixels; the copy never overlaps itself.
        for (int filled = filledWidth; filled < width;) {
            const int period = filled / w * w;
            const int n = std::min(period, width - filled);
            std::memcpy(row + filled, row + filled - period, static_cast<std::size_t>(n));
            filled += n;
        }
    }
    for (int y = filledHeight; y < height; ++y)
        std::memcpy(RowOf(target, y), RowOf(target, y - h), static_cast<std::size_t>(width));
    background->Unlock();
}
