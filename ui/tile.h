#pragma once
// Tile: the base of every drawable element inside a window (buttons, scroll bars, text, map
// tiles). A tile owns no pixels: its pixel pointer aims into its parent's buffer at the tile's
// position, with the parent's row stride, so drawing into a tile draws into the window's back
// buffer. Every change is reported upward, moved by each position on the way, until it reaches
// the window's dirty list.
//
// Invariants: detached, a tile has no parent and no pixels; attached and sized, its pixels lie
// inside the parent's buffer (width <= parent width - x, height <= parent height - y) and its
// row padding is the parent's stride minus its width; the pixels are never freed by the tile.
#include "ui/display.h"

class Tile : public Display {
public:
    explicit Tile(const Box& box, const char* name = nullptr);
    Tile(const Point& position, const Dim& size, const char* name = nullptr);
    ~Tile() override;

    Box Fill(unsigned char colour) override;
    void Resize(const Dim& size) override;
    // Own dirty list, upward, and the children under the box.
    void InvalidateTree(const Box& box) override;
    // Own dirty list and upward only.
    void InvalidateRect(const Box& box) override;
    // Upward: the parent hears it moved by the tile's position (nothing while detached).
    void RectChanged(const Box& box) override;
    void SetCaptor(Display* captor) override;
    void ClearCaptor() override;
    Point GetMousePosition() override;
    void Show() override;
    Menu* MakeMenu(const char* source) override;
    Menu* GetContextMenu() override;
    Display* GetRoot() override;
    Display* GetParentDisplay() const override { return parent_; }
    void MoveResize(const Box& box) override;
    void Detach() override;
    // Called right after the tile joins a parent; buttons enable their mouse kinds here.
    virtual void Attached() = 0;

    // Joins the parent's children and layout, and the parent lays its children out.
    void Attach(Display* parent, const LayoutConstraints& constraints);
    std::int16_t GetX() const { return position_.x; }
    std::int16_t GetY() const { return position_.y; }
    Display* GetParent() const { return parent_; }

    // The names the framework's tiles use for the tree operations.
    void ReportChange(const Box& box) { RectChanged(box); }
    void InvalidateSelf(const Box& box) { InvalidateRect(box); }
    void Update() { Show(); }

private:
    void AimPixels(const Dim& requested);

    Display* parent_ = nullptr;
};
