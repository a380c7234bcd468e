#include "landscape/physical_block.h"

#include <algorithm>

PhysicalBlock::PhysicalBlock(const Point3D& p, std::uint16_t r, const Dim& s) : position(p), size(s), region(r) {}

PhysicalBlock::~PhysicalBlock() = default;

bool PhysicalBlock::ContainsPoint(const Point& p) const {
    return position.x <= p.x && p.x < position.x + size.width && position.y <= p.y && p.y < position.y + size.height;
}

bool PhysicalBlock::Overlaps(const Box& box) const {
    return position.x < box.x + box.width && box.x < position.x + size.width && position.y < box.y + box.height &&
           box.y < position.y + size.height;
}

void PhysicalBlock::SetHighlight(std::uint16_t flag) {
    highlight = flag;
    ComputeDrawMode();
}

void PhysicalBlock::SetHalfHighlight(std::uint16_t flag) {
    halfHighlight = flag;
    ComputeDrawMode();
}

void PhysicalBlock::SetShadow(std::uint16_t flag) {
    shadow = flag;
    ComputeDrawMode();
}

void PhysicalBlock::ToggleHighlight() { SetHighlight(highlight ? 0 : 1); }
void PhysicalBlock::ToggleHalfHighlight() { SetHalfHighlight(halfHighlight ? 0 : 1); }
void PhysicalBlock::ToggleShadow() { SetShadow(shadow ? 0 : 1); }

void PhysicalBlock::ComputeDrawMode() {
    // A highlight shows through the fog of war; the fog hides a half highlight.
    if (highlight && halfHighlight) drawMode = 6;
    else if (highlight) drawMode = 3;
    else if (shadow) drawMode = 4;
    else if (halfHighlight) drawMode = 5;
    else drawMode = 1;
}

Point3D PhysicalBlock::GetCentre() const {
    return Point3D(position.x + size.width / 2, position.y + size.height / 2, position.z);
}

Box PhysicalBlock::GetBox() const { return Box(position.x, position.y, size.width, size.height); }

Box PhysicalBlock::GetDrawnBox() const {
    int left = position.x, top = position.y, right = position.x + size.width, bottom = position.y + size.height;
    for (const auto& layer : layers)
        for (const Slot& slot : layer) {
            if (!slot.bitmap || !slot.visible) continue;
            const Point hot = slot.bitmap->GetHotspot();
            const int x = position.x + slot.offset.x - hot.x, y = position.y + slot.offset.y - hot.y;
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x + slot.bitmap->GetWidth());
            bottom = std::max(bottom, y + slot.bitmap->GetHeight());
        }
    return Box(left, top, right - left, bottom - top);
}

const PhysicalBlock::Slot* PhysicalBlock::Find(std::int16_t layer, std::int16_t item) const {
    if (layer < 0 || item < 0 || layer >= static_cast<int>(layers.size())) return nullptr;
    const auto& l = layers[static_cast<std::size_t>(layer)];
    return item < static_cast<int>(l.size()) ? &l[static_cast<std::size_t>(item)] : nullptr;
}

PhysicalBlock::Slot* PhysicalBlock::Find(std::int16_t layer, std::int16_t item) {
    return const_cast<Slot*>(static_cast<const PhysicalBlock*>(this)->Find(layer, item));
}

std::int16_t PhysicalBlock::GetItemCount(std::int16_t layer) const {
    if (layer < 0 || layer >= static_cast<int>(layers.size())) return 0;
    return static_cast<std::int16_t>(layers[static_cast<std::size_t>(layer)].size());
}

void PhysicalBlock::SetItem(std::int16_t layer, std::int16_t item, Bitmap* bitmap, const Point& offset) {
    if (layer < 0 || item < 0) return;
    if (layer >= static_cast<int>(layers.size())) layers.resize(static_cast<std::size_t>(layer) + 1);
    auto& l = layers[static_cast<std::size_t>(layer)];
    if (item >= static_cast<int>(l.size())) l.resize(static_cast<std::size_t>(item) + 1);
    Slot& s = l[static_cast<std::size_t>(item)];
    s.bitmap = bitmap;
    s.offset = offset;
    s.visible = 1;
    NoteLayer(layer);
}

void PhysicalBlock::SetBitmap(std::int16_t layer, std::int16_t item, Bitmap* bitmap) {
    if (Slot* s = Find(layer, item)) {
        s->bitmap = bitmap;
        NoteLayer(layer);
    }
}

Bitmap* PhysicalBlock::GetBitmap(std::int16_t layer, std::int16_t item) const {
    const Slot* s = Find(layer, item);
    return s ? s->bitmap : nullptr;
}

bool PhysicalBlock::HasBitmap(std::int16_t layer, std::int16_t item) const { return GetBitmap(layer, item) != nullptr; }

void PhysicalBlock::SetVisible(std::int16_t layer, std::int16_t item, std::int16_t flag) {
    Slot* s = Find(layer, item);
    if (s && s->bitmap) s->visible = flag ? 1 : 0;
    NoteLayer(layer);
}

void PhysicalBlock::ToggleVisible(std::int16_t layer, std::int16_t item) {
    Slot* s = Find(layer, item);
    if (s && s->bitmap) s->visible = s->visible ? 0 : 1;
    NoteLayer(layer);
}

std::int16_t PhysicalBlock::IsVisible(std::int16_t layer, std::int16_t item) const {
    const Slot* s = Find(layer, item);
    return s && s->bitmap ? s->visible : 0;
}

void PhysicalBlock::SetOffset(std::int16_t layer, std::int16_t item, const Point& offset) {
    if (Slot* s = Find(layer, item)) s->offset = offset;
}

void PhysicalBlock::MoveOffset(std::int16_t layer, std::int16_t item, const Point& by) {
    if (Slot* s = Find(layer, item)) s->offset = Point(s->offset.x + by.x, s->offset.y + by.y);
}

Point PhysicalBlock::GetOffset(std::int16_t layer, std::int16_t item) const {
    const Slot* s = Find(layer, item);
    return s ? s->offset : Point();
}

void PhysicalBlock::NoteLayer(std::int16_t layer) {
    if (layer < 0 || layer >= 32 || layer >= static_cast<int>(layers.size())) return;
    const auto& l = layers[static_cast<std::size_t>(layer)];
    const bool draws = std::any_of(l.begin(), l.end(), [](const Slot& s) { return s.bitmap && s.visible; });
    const std::uint32_t bit = 1u << layer;
    drawnLayers = draws ? drawnLayers | bit : drawnLayers & ~bit;
}

void PhysicalBlock::DrawSlot(const Slot& slot, Bitmap& target, const Point& at) const {
    if (!slot.bitmap || !slot.visible) return;
    // Library art may have been discarded since it was filed here: lock reads it back, and a
    // picture whose data cannot be read is left out rather than drawn from nothing.
    if (!slot.bitmap->Lock()) return;
    target.DrawAll(Point(at.x + slot.offset.x, at.y + slot.offset.y), *slot.bitmap, static_cast<int>(drawMode));
    slot.bitmap->Unlock();
}

void PhysicalBlock::Draw(Bitmap& target, const Point& origin) const {
    const Point at(position.x - origin.x, position.y - origin.y);
    for (std::size_t n = 0; n < layers.size(); ++n)
        if (n >= 32 || (drawnLayers >> n & 1u))
            for (const Slot& slot : layers[n]) DrawSlot(slot, target, at);
}

void PhysicalBlock::DrawLayer(std::int16_t layer, Bitmap& target, const Point& origin) const {
    if (layer < 0 || layer >= static_cast<int>(layers.size())) return;
    if (layer < 32 && !(drawnLayers >> layer & 1u)) return;
    const Point at(position.x - origin.x, position.y - origin.y);
    for (const Slot& slot : layers[static_cast<std::size_t>(layer)]) DrawSlot(slot, target, at);
}
