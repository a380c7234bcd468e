#include "ui/tile.h"

#include "ui/blitters.h"

#include <algorithm>

Tile::Tile(const Box& box, const char* name) : Display(Dim(), name, "Unnamed Tile") {
    position_ = box.Origin();
    size_ = Dim(std::max<int>(0, box.width), std::max<int>(0, box.height));
}

Tile::Tile(const Point& position, const Dim& size, const char* name) : Tile(Box(position, size), name) {}

Tile::~Tile() {
    Detach();
    ForgetPixels();
}

void Tile::Attach(Display* parent, const LayoutConstraints& constraints) {
    if (!parent || parent == parent_) return;
    if (parent_) Detach();
    parent_ = parent;
    parent->AddChild(this, constraints);
    Attached();
    // The layout sizes the new tile (and places its siblings again), so that an attached tile
    // always has its pixels.
    parent->GetLayout().Layout();
}

void Tile::Detach() {
    if (!parent_) return;
    Display* parent = parent_;
    // A captor at or below this tile leaves the tree and takes the capture with it.
    if (captor_) ClearCaptor();
    parent_ = nullptr;
    parent->RemoveChild(this);
    DisableAllMouseEvents();
    ForgetPixels();
}

void Tile::AimPixels(const Dim& requested) {
    Display* p = parent_;
    if (requested.width != 0 && requested.height != 0 && p && p->GetPixels()) {
        p->InvalidateRect(Box(position_, requested));
        const int rowLength = p->GetWidth() + p->GetRowPadding();
        const int w = std::min<int>(requested.width, p->GetWidth() - position_.x);
        const int h = std::min<int>(requested.height, p->GetHeight() - position_.y);
        if (w > 0 && h > 0 && position_.x >= 0 && position_.y >= 0) {
            const int row = BottomUp() ? p->GetHeight() - h - position_.y : position_.y;
            AdoptForeignPixels(p->GetPixels() + static_cast<std::ptrdiff_t>(row) * rowLength + position_.x, Dim(w, h),
                               static_cast<std::uint16_t>(rowLength - w));
            Display::Invalidate(Box(0, 0, w, h));
            RectChanged(Box(0, 0, w, h));
            return;
        }
    }
    ForgetPixels();
    size_ = Dim();
    padding_ = 0;
    dataSize_ = 0;
}

void Tile::Resize(const Dim& size) {
    Validate();
    AimPixels(size);
    GetLayout().SetSize(GetSize());
}

void Tile::MoveResize(const Box& box) {
    if (parent_) parent_->InvalidateRect(GetRect());
    int x = box.x, y = box.y, w = box.width, h = box.height;
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    position_ = Point(x, y);
    size_ = Dim(std::max(0, w), std::max(0, h));
    Resize(size_);
}

Box Tile::Fill(unsigned char colour) {
    if (!GetPixels() || GetWidth() <= 0 || GetHeight() <= 0) return Box();
    std::uint8_t* row = GetPixels();
    const int stride = Stride();
    for (int y = 0; y < GetHeight(); ++y, row += stride) blit::Fill(row, static_cast<std::size_t>(GetWidth()), colour);
    const Box all(0, 0, GetWidth(), GetHeight());
    if (parent_) RectChanged(all);
    InvalidateChildren(all);
    return all;
}

void Tile::InvalidateTree(const Box& box) {
    Display::Invalidate(box);
    RectChanged(box);
    InvalidateChildren(box);
}

void Tile::InvalidateRect(const Box& box) {
    Display::Invalidate(box);
    RectChanged(box);
}

void Tile::RectChanged(const Box& box) {
    if (parent_) parent_->RectChanged(box + position_);
}

void Tile::SetCaptor(Display* captor) {
    Display::SetCaptor(captor);
    if (parent_) parent_->SetCaptor(captor);
}

void Tile::ClearCaptor() {
    Display::ClearCaptor();
    if (parent_) parent_->ClearCaptor();
}

Point Tile::GetMousePosition() { return parent_ ? parent_->GetMousePosition() - position_ : Point(); }

void Tile::Show() {
    if (parent_) parent_->Show();
}

Menu* Tile::MakeMenu(const char* source) { return parent_ ? parent_->MakeMenu(source) : nullptr; }

Menu* Tile::GetContextMenu() { return GetMenu(); }

Display* Tile::GetRoot() { return parent_ ? parent_->GetRoot() : nullptr; }
