#include "ui/slider.h"

#include "core/assertion.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
const char* const kImageNames[] = {"TrackMiddle", "TrackLeft", "TrackRight", "Thumb"};
}

Slider::Slider(std::int16_t range, std::int16_t value, const char* name)
    : ScrollControl(Dim(range, 0), name ? name : "Unnamed Slider"), art_("Slider") {
    art_.SelectSection("Horizontal");
    std::string missing;
    for (int k = 0; k < kImageCount; ++k) {
        images_[k] = art_.CurrentSection() >= 0 ? art_.GetBitmapInSection(kImageNames[k]) : nullptr;
        if (!images_[k]) missing += std::string(missing.empty() ? "" : ", ") + "\"" + kImageNames[k] + "\"";
    }
    track_ = Box(0, 0, GetWidth(), images_[kThumb] ? images_[kThumb]->GetHeight() : 0);
    RecomputeScales();
    view_ = Box(value, 0, 0, 0);
    // An initial value outside 0..range would put the thumb off its track.
    Update();
    if (!missing.empty()) {
        try {
            AssertFail("Missing slider art " + missing + " in section \"Horizontal\" of library \"Slider\"", "SLIDER",
                       __LINE__);
        } catch (...) {
            for (Bitmap* b : images_)
                if (b) b->Unlock();
            throw;
        }
    }
}

Slider::~Slider() {
    if (GetCaptor() == this) ReleaseMouse();
    for (Bitmap*& b : images_)
        if (b) {
            b->Unlock();
            b = nullptr;
        }
}

void Slider::RecomputeScales() {
    const int room = track_.width - Width(kThumb);
    scaleX_ = content_.width > 0 && room > 0 ? static_cast<float>(room) / static_cast<float>(content_.width) : 0.0f;
    scaleY_ = 0.0f;
}

void Slider::PlaceThumb() {
    thumb_ = Box(ValueToX(view_.x), track_.y, Width(kThumb), track_.height);
}

void Slider::RedrawNow() {
    Display* root = GetRoot();
    if (!root) return;
    root->Redraw();
    // The root's redraw empties the window's dirty list, so what it drew here would never reach
    // the screen: report the slider changed again and show it.
    RectChanged(Box(0, 0, GetWidth(), GetHeight()));
    Show();
}

std::int16_t Slider::ScrollTo(const Point& p) {
    InvalidateRect(thumb_);
    ScrollControl::ScrollTo(p);
    InvalidateRect(thumb_);
    RedrawNow();
    return 0;
}

std::int16_t Slider::ScrollBy(const Dim& d) {
    InvalidateRect(thumb_);
    ScrollControl::ScrollBy(d);
    InvalidateRect(thumb_);
    RedrawNow();
    return 0;
}

void Slider::SetViewSize(const Dim& d) {
    view_.width = d.width;
    Update();
}

void Slider::Resize(const Dim& size) {
    ScrollControl::Resize(size);
    track_.width = GetWidth();
    RecomputeScales();
    PlaceThumb();
}

void Slider::DrawClipped(const Point& at, int image, const Box& part, const Box& clip) {
    Bitmap* b = images_[image];
    if (!b || part.width <= 0 || part.height <= 0) return;
    const Box dest = clip & Box(at, part.Size());
    if (dest.width <= 0 || dest.height <= 0) return;
    const Point offset = dest.Origin() - at;
    Draw(dest.Origin(), *b, Box(part.Origin() + offset, dest.Size()), 1);
}

void Slider::Redraw() {
    std::vector<Box> dirty;
    for (Item<Box>* i = DirtyRects().Head(); i; i = i->next) dirty.push_back(i->value);
    const int left = Width(kTrackLeft), right = Width(kTrackRight), mid = Width(kTrackMiddle);
    const int fill = track_.width - left - right;
    auto whole = [this](int image) {
        return images_[image] ? Box(0, 0, images_[image]->GetWidth(), images_[image]->GetHeight()) : Box();
    };
    for (const Box& clip : dirty) {
        int x = 0;
        DrawClipped(Point(x, 0), kTrackLeft, whole(kTrackLeft), clip);
        x += left;
        if (mid > 0 && fill > 0) {
            for (int n = fill / mid; n > 0; --n, x += mid) DrawClipped(Point(x, 0), kTrackMiddle, whole(kTrackMiddle), clip);
            Box part = whole(kTrackMiddle);
            part.width = static_cast<std::int16_t>(fill % mid);
            DrawClipped(Point(x, 0), kTrackMiddle, part, clip);
            x += fill % mid;
        }
        DrawClipped(Point(x, 0), kTrackRight, whole(kTrackRight), clip);
        DrawClipped(thumb_.Origin(), kThumb, whole(kThumb), clip);
    }
    Display::Redraw();
}

void Slider::OnLButtonDown(const Point& p) {
    if (GetCaptor() != this) CaptureMouse();
    EnableMouseEvent(kMouseMove);
    EnableMouseEvent(kLeftUp);
    if (thumb_.Contains(p)) {
        dragging_ = 1;
        grab_ = p - thumb_.Origin();
        return;
    }
    // A press below the track (a tile taller than the thumb) does nothing.
    if (!track_.Contains(p)) return;
    step_ = Dim(p.x < thumb_.x ? -500 : 500, 0);
    ScrollBy(step_);
    Redraw();
    Show();
    lastPress_ = p;
}

void Slider::OnMouseMove(const Point& p) {
    if (!dragging_) return;
    const int value = view_.x;
    int step = XToValue(p.x - grab_.x) - value;
    if (value + step < 0) step = -value;
    if (value + step + view_.width > content_.width) step = content_.width - (value + view_.width);
    if (step == 0) return;
    ScrollBy(Dim(step, 0));
    Redraw();
    Show();
}

void Slider::OnLButtonUp(const Point&) {
    if (GetCaptor() == this) ReleaseMouse();
    DisableMouseEvent(kMouseMove);
    DisableMouseEvent(kLeftUp);
    dragging_ = 0;
}
