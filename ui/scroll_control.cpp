#include "ui/scroll_control.h"

#include "core/assertion.h"
#include "core/events.h"

namespace {

ContainerBase* ScrollToEntry(Component* receiver, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<ScrollControl*>(receiver);
    if (self) {
        // The operations answer 0: nothing goes back to the sender.
        if (const Point* p = PayloadValue<Point>(payload)) {
            self->ScrollTo(*p);
            return nullptr;
        }
        if (const Dim* d = PayloadValue<Dim>(payload)) {
            self->ScrollBy(*d);
            return nullptr;
        }
    }
    AssertFail("Bad data passed in bus message -- SCROLL_TO", "SCROLCTL", __LINE__);
    return nullptr;
}

// One axis of ClampScroll / ClampThumb: start and length of the inner range, length of the outer.
std::int16_t ClampAxis(std::int16_t& start, int length, int outerStart, int outerLength) {
    if (outerLength < length) {
        const int centred = outerStart + (outerLength - length) / 2;
        start = static_cast<std::int16_t>(centred);
        return 1;
    }
    if (start < outerStart) {
        start = static_cast<std::int16_t>(outerStart);
        return 1;
    }
    if (start + length > outerStart + outerLength) {
        start = static_cast<std::int16_t>(outerStart + outerLength - length);
        return 1;
    }
    return 0;
}

} // namespace

ScrollControl::ScrollControl(const Dim& contentSize, const char* name)
    : Tile(Box(), name ? name : "Unnamed ScrollControl Tile"), content_(contentSize) {
    RecomputeScales();
}

void ScrollControl::RegisterScrollHandler() { RegisterHandler(SCROLL_TO, &ScrollToEntry); }

void ScrollControl::RecomputeScales() {
    scaleX_ = content_.width != 0 ? static_cast<float>(track_.width) / static_cast<float>(content_.width) : 0.0f;
    scaleY_ = content_.height != 0 ? static_cast<float>(track_.height) / static_cast<float>(content_.height) : 0.0f;
}

int ScrollControl::Unscale(int value, float scale) {
    return scale == 0.0f ? 0 : static_cast<int>(static_cast<float>(value) / scale);
}

void ScrollControl::SetContentSize(const Dim& d) {
    content_ = d;
    RecomputeScales();
}

void ScrollControl::SetTrackSize(const Dim& d) {
    track_.width = d.width;
    track_.height = d.height;
    RecomputeScales();
}

void ScrollControl::SetTrackBox(const Box& b) {
    track_ = b;
    RecomputeScales();
}

Point ScrollControl::VirtualToScreen(const Point& p) const {
    return Point(Scale(p.x, scaleX_) + track_.x, Scale(p.y, scaleY_) + track_.y);
}
Point ScrollControl::ScreenToVirtual(const Point& p) const {
    return Point(Unscale(p.x - track_.x, scaleX_), Unscale(p.y - track_.y, scaleY_));
}
Dim ScrollControl::VirtualToScreen(const Dim& d) const { return Dim(Scale(d.width, scaleX_), Scale(d.height, scaleY_)); }
Dim ScrollControl::ScreenToVirtual(const Dim& d) const {
    return Dim(Unscale(d.width, scaleX_), Unscale(d.height, scaleY_));
}
Box ScrollControl::VirtualToScreen(const Box& b) const {
    return Box(VirtualToScreen(b.Origin()), VirtualToScreen(b.Size()));
}
Box ScrollControl::ScreenToVirtual(const Box& b) const {
    return Box(ScreenToVirtual(b.Origin()), ScreenToVirtual(b.Size()));
}

std::int16_t ScrollControl::ClampScroll() {
    const std::int16_t x = ClampAxis(view_.x, view_.width, 0, content_.width);
    const std::int16_t y = ClampAxis(view_.y, view_.height, 0, content_.height);
    return (x || y) ? 1 : 0;
}

std::int16_t ScrollControl::ClampThumb() {
    const std::int16_t x = ClampAxis(thumb_.x, thumb_.width, track_.x, track_.width);
    const std::int16_t y = ClampAxis(thumb_.y, thumb_.height, track_.y, track_.height);
    return (x || y) ? 1 : 0;
}

void ScrollControl::PlaceThumb() { thumb_ = VirtualToScreen(view_); }

void ScrollControl::Update() {
    ClampScroll();
    PlaceThumb();
    ClampThumb();
}

std::int16_t ScrollControl::ScrollTo(const Point& p) {
    view_.x = p.x;
    view_.y = p.y;
    Update();
    return 0;
}

std::int16_t ScrollControl::ScrollBy(const Dim& d) {
    view_.x = static_cast<std::int16_t>(view_.x + d.width);
    view_.y = static_cast<std::int16_t>(view_.y + d.height);
    Update();
    return 0;
}

void ScrollControl::SetViewSize(const Dim& d) {
    view_.width = d.width;
    view_.height = d.height;
    Update();
}
