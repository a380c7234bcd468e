#include "ui/scroll_bar.h"

#include "core/assertion.h"
#include "core/events.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* kSource = "SCROLCTL";

const char* const kHorizontalNames[ScrollBar::kImageCount] = {
    "Left end up", "Left end down", "Right end up", "Right end down", "Left track",
    "Slot",        "Right track",   "Left thumb",   "Thumb mid",      "Right thumb"};
const char* const kVerticalNames[ScrollBar::kImageCount] = {
    "Top end up", "Top end down", "Bottom end up", "Bottom end down", "Top track",
    "Slot",       "Bottom track", "Top thumb",     "Thumb mid",       "Bottom thumb"};

} // namespace

ScrollBar::ScrollBar(Axis axis, std::int16_t contentLength, std::int16_t scroll, std::int16_t viewLength,
                     const char* name)
    : ScrollControl(axis == kHorizontal ? Dim(contentLength, 0) : Dim(0, contentLength), name), axis_(axis),
      art_("Scroll Bars") {
    const char* section = axis == kHorizontal ? "Horizontal" : "Vertical";
    const char* const* names = axis == kHorizontal ? kHorizontalNames : kVerticalNames;
    art_.SelectSection(section);
    std::string missing;
    for (int k = 0; k < kImageCount; ++k) {
        images_[k] = art_.CurrentSection() >= 0 ? art_.GetBitmapInSection(names[k]) : nullptr;
        if (!images_[k]) missing += std::string(missing.empty() ? "" : ", ") + "\"" + names[k] + "\"";
    }
    firstEnd_ = images_[kFirstEndUp];
    secondEnd_ = images_[kSecondEndUp];

    const int across = (Thickness(images_[kSlot]) - Thickness(images_[kThumbMid])) / 2;
    const int thickness = Thickness(images_[kThumbMid]);
    if (axis == kHorizontal) track_ = Box(Length(firstEnd_), across, 0, thickness);
    else track_ = Box(across, Length(firstEnd_), thickness, 0);
    ComputeTrackLength();
    if (axis == kHorizontal) {
        view_.x = scroll;
        view_.width = viewLength;
    } else {
        view_.y = scroll;
        view_.height = viewLength;
    }
    PlaceThumb();

    if (!missing.empty()) {
        try {
            AssertFail("Missing scroll bar art " + missing + " in section \"" + section +
                           "\" of library \"Scroll Bars\"",
                       kSource, __LINE__);
        } catch (...) {
            for (Bitmap* b : images_)
                if (b) b->Unlock();
            throw;
        }
    }
}

ScrollBar::~ScrollBar() {
    StopRepeat();
    if (GetCaptor() == this) ReleaseMouse();
    for (Bitmap*& b : images_)
        if (b) {
            b->Unlock();
            b = nullptr;
        }
}

int ScrollBar::Length(const Bitmap* b) const {
    if (!b) return 0;
    return axis_ == kHorizontal ? b->GetWidth() : b->GetHeight();
}

int ScrollBar::Thickness(const Bitmap* b) const {
    if (!b) return 0;
    return axis_ == kHorizontal ? b->GetHeight() : b->GetWidth();
}

void ScrollBar::ComputeTrackLength() {
    // A bar not yet laid out has no room; its track is empty rather than negative.
    const int own = axis_ == kHorizontal ? GetWidth() : GetHeight();
    const int length = std::max(0, own - Length(firstEnd_) - Length(secondEnd_));
    if (axis_ == kHorizontal) track_.width = static_cast<std::int16_t>(length);
    else track_.height = static_cast<std::int16_t>(length);
    RecomputeScales();
}

void ScrollBar::Resize(const Dim& size) {
    ScrollControl::Resize(size);
    ComputeTrackLength();
    Update();
}

void ScrollBar::SetContentLength(std::int16_t length) {
    SetContentSize(AlongDim(length));
    Update();
}

void ScrollBar::SetTrackLength(std::int16_t length) {
    if (axis_ == kHorizontal) track_.width = std::max<std::int16_t>(0, length);
    else track_.height = std::max<std::int16_t>(0, length);
    RecomputeScales();
    Update();
}

void ScrollBar::SetViewLength(std::int16_t length) {
    if (axis_ == kHorizontal) view_.width = length;
    else view_.height = length;
    Update();
}

void ScrollBar::PlaceThumb() {
    const int start = Scale(ScrollPos(), AxisScale()) + TrackStart();
    const int length = Scale(ViewLength(), AxisScale());
    if (axis_ == kHorizontal) thumb_ = Box(start, track_.y, length, track_.height);
    else thumb_ = Box(track_.x, start, track_.width, length);
}

std::int16_t ScrollBar::ScrollTo(const Point& p) {
    ScrollControl::ScrollTo(p);
    Redraw();
    Show();
    return 0;
}

std::int16_t ScrollBar::ScrollBy(const Dim& d) {
    ScrollControl::ScrollBy(d);
    Redraw();
    Show();
    return 0;
}

void ScrollBar::DrawPiece(int along, int across, Bitmap* image, int length) {
    if (!image) return;
    const Point at = axis_ == kHorizontal ? Point(along, across) : Point(across, along);
    if (length < 0) {
        DrawAll(at, *image, 1);
        return;
    }
    if (length == 0) return;
    const Box part = axis_ == kHorizontal ? Box(0, 0, length, image->GetHeight()) : Box(0, 0, image->GetWidth(), length);
    Draw(at, *image, part, 1);
}

void ScrollBar::Redraw() {
    // Draw along the bar: end, track piece, whole slots, part of a slot, track piece, end.
    int along = 0;
    DrawPiece(along, 0, firstEnd_);
    along += Length(firstEnd_);
    DrawPiece(along, 0, images_[kFirstTrack]);
    along += Length(images_[kFirstTrack]);
    const int slot = Length(images_[kSlot]);
    const int fill = TrackLength() - Length(images_[kFirstTrack]) - Length(images_[kSecondTrack]);
    if (slot > 0 && fill > 0) {
        for (int n = fill / slot; n > 0; --n, along += slot) DrawPiece(along, 0, images_[kSlot]);
        DrawPiece(along, 0, images_[kSlot], fill % slot);
        along += fill % slot;
    }
    DrawPiece(along, 0, images_[kSecondTrack]);
    along += Length(images_[kSecondTrack]);
    DrawPiece(along, 0, secondEnd_);

    // The thumb, cut to the track.
    const Box thumb = track_ & thumb_;
    if (thumb.width > 0 && thumb.height > 0) {
        const bool horizontal = axis_ == kHorizontal;
        int at = horizontal ? thumb.x : thumb.y;
        const int across = horizontal ? thumb.y : thumb.x;
        const int thumbLength = horizontal ? thumb.width : thumb.height;
        DrawPiece(at, across, images_[kFirstThumb]);
        at += Length(images_[kFirstThumb]);
        const int mid = Length(images_[kThumbMid]);
        const int midFill = thumbLength - Length(images_[kFirstThumb]) - Length(images_[kSecondThumb]);
        if (mid > 0 && midFill > 0) {
            for (int n = midFill / mid; n > 0; --n, at += mid) DrawPiece(at, across, images_[kThumbMid]);
            DrawPiece(at, across, images_[kThumbMid], midFill % mid);
            at += midFill % mid;
        }
        DrawPiece(at, across, images_[kSecondThumb]);
    }
    Display::Redraw();
}

bool ScrollBar::OnTrack(const Point& p) const {
    const int a = Along(p);
    return a >= TrackStart() && a < TrackStart() + TrackLength();
}

bool ScrollBar::OnThumb(const Point& p) const {
    const int a = Along(p);
    const int start = axis_ == kHorizontal ? thumb_.x : thumb_.y;
    const int length = axis_ == kHorizontal ? thumb_.width : thumb_.height;
    return OnTrack(p) && a >= start && a < start + length;
}

int ScrollBar::ClampStep(int step) const {
    const int scroll = ScrollPos();
    const int last = ContentLength() - ViewLength();
    // Content that fits in the view has nowhere to scroll to.
    if (last <= 0) return 0;
    if (scroll + step > last) step = last - scroll;
    if (scroll + step < 0) step = -scroll;
    return step;
}

void ScrollBar::SendStep() {
    Container<Dim> payload(step_);
    delete Send(SCROLL_TO, &payload);
}

void ScrollBar::OnLButtonDown(const Point& p) {
    if (GetCaptor() != this) CaptureMouse();
    EnableMouseEvent(kMouseMove);
    EnableMouseEvent(kLeftUp);
    int step = 0;
    if (OnThumb(p)) {
        dragging_ = 1;
        grab_ = p - thumb_.Origin();
    } else {
        if (OnTrack(p)) {
            const int thumbStart = axis_ == kHorizontal ? thumb_.x : thumb_.y;
            if (Along(p) < thumbStart) step = std::max(-ScrollPos(), -ViewLength());
            else step = std::min(ContentLength() - (ScrollPos() + ViewLength()), ViewLength());
        } else if (Along(p) < TrackStart()) {
            firstEnd_ = images_[kFirstEndDown];
            if (ScrollPos() > 0) step = -1;
        } else {
            secondEnd_ = images_[kSecondEndDown];
            if (ScrollPos() + ViewLength() < ContentLength()) step = 1;
        }
        lastPoint_ = p;
        // Content that fits in the view leaves nothing to page or step through.
        step = ClampStep(step);
        step_ = AlongDim(step);
        if (step != 0) {
            SendStep();
            countdown_ = 5;
            if (!autoRepeat_) AddTimer(&ScrollBar::RepeatEntry, 10);
            autoRepeat_ = 1;
        }
    }
    Redraw();
    Show();
}

ContainerBase* ScrollBar::RepeatEntry(Component* receiver, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<ScrollBar*>(receiver)) self->RepeatTick();
    return nullptr;
}

void ScrollBar::RepeatTick() {
    if (countdown_ >= 1) {
        --countdown_;
        return;
    }
    // Paging has brought the thumb under the mouse: the press has done its work.
    if (OnThumb(lastPoint_)) {
        EndPress();
        return;
    }
    step_ = AlongDim(ClampStep(Along(step_)));
    if (Along(step_) != 0) SendStep();
}

void ScrollBar::StopRepeat() {
    if (!autoRepeat_) return;
    RemoveTimer(&ScrollBar::RepeatEntry);
    autoRepeat_ = 0;
}

void ScrollBar::EndPress() {
    if (GetCaptor() == this) ReleaseMouse();
    DisableMouseEvent(kMouseMove);
    DisableMouseEvent(kLeftUp);
    StopRepeat();
    // The release that would put the ends back up no longer reaches the bar.
    firstEnd_ = images_[kFirstEndUp];
    secondEnd_ = images_[kSecondEndUp];
    Redraw();
    Show();
}

void ScrollBar::OnMouseMove(const Point& p) {
    if (!dragging_) {
        if (OnTrack(p) != OnTrack(lastPoint_)) EndPress();
        else lastPoint_ = p;
        return;
    }
    const int wanted = Unscale(Along(p) - Along(grab_) - TrackStart(), AxisScale());
    step_ = AlongDim(ClampStep(wanted - ScrollPos()));
    if (Along(step_) != 0) SendStep();
}

void ScrollBar::OnLButtonUp(const Point&) {
    if (GetCaptor() == this) ReleaseMouse();
    DisableMouseEvent(kMouseMove);
    DisableMouseEvent(kLeftUp);
    StopRepeat();
    dragging_ = 0;
    step_ = Dim();
    firstEnd_ = images_[kFirstEndUp];
    secondEnd_ = images_[kSecondEndUp];
    Redraw();
    Show();
}
