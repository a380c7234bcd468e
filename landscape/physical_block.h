#pragma once
// PhysicalBlock: one region of a block landscape, a rectangle in landscape pixels that carries
// layers of bitmaps (ground, terrain features, edge art, overlays), each item with a visibility
// flag and an offset from the block's drawing point, and three display flags (highlight, half
// highlight, shadow) that choose the palette remap every bitmap of the block is drawn through.
//
// Invariants: the draw mode always follows the three flags (both highlights 6, else highlight 3,
// else shadow 4, else half highlight 5, else 1); an item without a bitmap is never visible; the
// bitmaps belong to their art libraries and are locked only while they are drawn.
#include "core/geometry.h"
#include "ui/bitmap.h"

#include <cstdint>
#include <vector>

class PhysicalBlock {
public:
    PhysicalBlock(const Point3D& position, std::uint16_t region, const Dim& size);
    PhysicalBlock(const PhysicalBlock&) = default;
    PhysicalBlock& operator=(const PhysicalBlock&) = default;
    virtual ~PhysicalBlock();

    virtual bool ContainsPoint(const Point& p) const;
    virtual bool Overlaps(const Box& box) const;
    virtual void SetHighlight(std::uint16_t flag);
    virtual void SetHalfHighlight(std::uint16_t flag);
    virtual void SetShadow(std::uint16_t flag);
    virtual void ToggleHighlight();
    virtual void ToggleHalfHighlight();
    virtual void ToggleShadow();
    virtual Point3D GetCentre() const;
    virtual Box GetBox() const;
    // The box every visible item reaches, with the block's own box: what changes on screen when
    // the block's look changes (cliff art reaches below a raised block's box).
    Box GetDrawnBox() const;

    // Grows the layers and the layer's items as needed (new slots empty and hidden), then
    // stores the bitmap and offset and makes the item visible. Negative numbers change nothing.
    void SetItem(std::int16_t layer, std::int16_t item, Bitmap* bitmap, const Point& offset);
    void SetBitmap(std::int16_t layer, std::int16_t item, Bitmap* bitmap);
    Bitmap* GetBitmap(std::int16_t layer, std::int16_t item) const;
    bool HasBitmap(std::int16_t layer, std::int16_t item) const;
    void SetVisible(std::int16_t layer, std::int16_t item, std::int16_t flag);
    void ToggleVisible(std::int16_t layer, std::int16_t item);
    std::int16_t IsVisible(std::int16_t layer, std::int16_t item) const;
    void SetOffset(std::int16_t layer, std::int16_t item, const Point& offset);
    void MoveOffset(std::int16_t layer, std::int16_t item, const Point& by);
    Point GetOffset(std::int16_t layer, std::int16_t item) const;

    // Every layer from 0 up (items from 0 up), then one layer alone; origin is the landscape
    // pixel at the target's top-left corner.
    void Draw(Bitmap& target, const Point& origin) const;
    void DrawLayer(std::int16_t layer, Bitmap& target, const Point& origin) const;

    std::int16_t GetLayerCount() const { return static_cast<std::int16_t>(layers.size()); }
    std::int16_t GetItemCount(std::int16_t layer) const;

    Point3D GetPosition() const { return position; }
    void SetPosition(const Point3D& p) { position = p; }
    std::int16_t GetZ() const { return position.z; }
    Dim GetSize() const { return size; }
    std::uint16_t GetRegion() const { return region; }
    std::uint32_t GetTag() const { return tag; }
    void SetTag(std::uint32_t t) { tag = t; }
    std::uint32_t GetDrawMode() const { return drawMode; }
    std::uint16_t GetHighlight() const { return highlight; }
    std::uint16_t GetHalfHighlight() const { return halfHighlight; }
    std::uint16_t GetShadow() const { return shadow; }

private:
    struct Slot {
        Bitmap* bitmap = nullptr;
        std::int16_t visible = 0;
        Point offset;
    };
    const Slot* Find(std::int16_t layer, std::int16_t item) const;
    Slot* Find(std::int16_t layer, std::int16_t item);
    void DrawSlot(const Slot& slot, Bitmap& target, const Point& at) const;
    // Sets or clears the layer's bit in drawnLayers after one of its items changed.
    void NoteLayer(std::int16_t layer);
    void ComputeDrawMode();

    Point3D position;
    Dim size;
    std::uint32_t tag = 0xFFFFFFFFu;
    std::uint16_t region = 0xFFFF;
    std::vector<std::vector<Slot>> layers;
    // Bit n: layer n holds an item that draws (a bitmap, visible). A view draws every layer of
    // every block in it, and most layers of most blocks draw nothing; layers past the mask's
    // width are always walked.
    std::uint32_t drawnLayers = 0;
    std::uint16_t highlight = 0;
    std::uint16_t halfHighlight = 0;
    std::uint16_t shadow = 0;
    std::uint32_t drawMode = 1;
};
