#include "landscape/game/overview_map.h"

#include "core/events.h"
#include "ui/bitmap.h"
#include "ui/layout.h"

namespace {

const char* ImageName(std::uint16_t choice) { return choice ? "Scroll 2" : "Scroll 1"; }

bool SameBox(const Box& a, const Box& b) { return a == b; }

} // namespace

OverviewMap::OverviewMap(const Dim& contentSize, const Box& viewBox, const char* section, const Point& topLeftMargin,
                         const Point& bottomRightMargin, std::uint16_t choice)
    : ScrollControl(contentSize, "Unnamed Overview Map"), pictureChoice(choice ? 1 : 0) {
    art = std::make_unique<QIF<Bitmap>>(kArtName);
    art->SelectSection(section ? section : "");
    TakePicture();
    Box track(0, 0, picture ? picture->GetWidth() : 0, picture ? picture->GetHeight() : 0);
    track.x = static_cast<std::int16_t>(track.x + topLeftMargin.x);
    track.y = static_cast<std::int16_t>(track.y + topLeftMargin.y);
    track.width = static_cast<std::int16_t>(track.width - topLeftMargin.x - bottomRightMargin.x);
    track.height = static_cast<std::int16_t>(track.height - topLeftMargin.y - bottomRightMargin.y);
    // A picture smaller than its margins has no map area rather than a negative one.
    if (track.width < 0) track.width = 0;
    if (track.height < 0) track.height = 0;
    SetTrackBox(track);
    view_ = viewBox;
    PlaceThumb();
    ClampThumb();
}

OverviewMap::~OverviewMap() {
    if (picture && art) art->UnlockBitmapInSection(ImageName(pictureChoice));
}

void OverviewMap::TakePicture() {
    picture = art->GetBitmapInSection(ImageName(pictureChoice));
    if (picture) picture->SetHotspot(Point(0, 0));
}

void OverviewMap::TogglePicture() {
    if (picture) art->UnlockBitmapInSection(ImageName(pictureChoice));
    pictureChoice = pictureChoice ? 0 : 1;
    TakePicture();
}

std::int16_t OverviewMap::ScrollTo(const Point& cell) {
    Invalidate(thumb_);
    ScrollControl::ScrollTo(cell);
    Invalidate(thumb_);
    return 0;
}

std::int16_t OverviewMap::ScrollBy(const Dim& delta) {
    Invalidate(thumb_);
    ScrollControl::ScrollBy(delta);
    Invalidate(thumb_);
    return 0;
}

void OverviewMap::SetViewSize(const Dim& size) {
    Invalidate(thumb_);
    view_.x = static_cast<std::int16_t>(view_.x + (view_.width - size.width) / 2);
    view_.y = static_cast<std::int16_t>(view_.y + (view_.height - size.height) / 2);
    view_.width = size.width;
    view_.height = size.height;
    ClampScroll();
    PlaceThumb();
    ClampThumb();
    Container<Point> origin(view_.Origin());
    delete Send(SCROLL_TO, &origin);
}

void OverviewMap::SendScrollTo() {
    Container<Point> cell(ScreenToVirtual(thumb_.Origin()));
    delete Send(SCROLL_TO, &cell);
}

void OverviewMap::OnLButtonDown(const Point& p) {
    if (!picture || !picture->IsOpaqueAt(p)) return;
    pressed = 1;
    CaptureMouse();
    EnableMouseEvent(kLeftUp);
    if (!track_.Contains(p)) {
        EnableMouseEvent(kMouseMove);
        frameDragging = 1;
        frameGrabPoint = p;
    } else if (thumb_.Contains(p)) {
        EnableMouseEvent(kMouseMove);
        thumbDragging = 1;
        thumbGrabOffset = Point(static_cast<std::int16_t>(p.x - thumb_.x), static_cast<std::int16_t>(p.y - thumb_.y));
    }
}

void OverviewMap::OnMouseMove(const Point& p) {
    if (frameDragging) {
        MoveBy(Point(static_cast<std::int16_t>(p.x - frameGrabPoint.x), static_cast<std::int16_t>(p.y - frameGrabPoint.y)));
        return;
    }
    if (!thumbDragging) return;
    const Box old = thumb_;
    thumb_.x = static_cast<std::int16_t>(p.x - thumbGrabOffset.x);
    thumb_.y = static_cast<std::int16_t>(p.y - thumbGrabOffset.y);
    ClampThumb();
    if (SameBox(old, thumb_)) return;
    thumbMoved = 1;
    Invalidate(old);
    Invalidate(thumb_);
    Redraw();
    Show();
}

void OverviewMap::OnLButtonUp(const Point& p) {
    // A release that no press on the picture began (the press fell on a transparent pixel)
    // holds no capture to give back and must not scroll.
    if (!pressed) return;
    pressed = 0;
    ReleaseMouse();
    DisableMouseEvent(kMouseMove);
    DisableMouseEvent(kLeftUp);
    if (frameDragging) {
        MoveBy(Point(static_cast<std::int16_t>(p.x - frameGrabPoint.x), static_cast<std::int16_t>(p.y - frameGrabPoint.y)));
        frameDragging = 0;
        return;
    }
    thumbDragging = 0;
    if (thumbMoved) {
        thumbMoved = 0;
        SendScrollTo();
        return;
    }
    if (!track_.Contains(p)) return;
    const Box old = thumb_;
    thumb_.x = static_cast<std::int16_t>(p.x - thumb_.width / 2);
    thumb_.y = static_cast<std::int16_t>(p.y - thumb_.height / 2);
    ClampThumb();
    if (SameBox(old, thumb_)) return;
    Invalidate(old);
    SendScrollTo();
}

void OverviewMap::MoveBy(const Point& d) {
    Display* parent = GetParent();
    if (!parent) return;
    const Point own = GetPosition();
    int x = own.x + d.x, y = own.y + d.y;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    const int width = GetWidth(), height = GetHeight();
    // Past the parent's far edge the overview stays flush with it.
    if (parent->GetWidth() - x - width < 0) x = parent->GetWidth() - width;
    if (parent->GetHeight() - y - height < 0) y = parent->GetHeight() - height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    parent->SetChildConstraints(this, LayoutConstraints::Pixels(Box(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                                                    static_cast<std::int16_t>(width), static_cast<std::int16_t>(height))));
    if (Display* root = GetRoot()) {
        root->Redraw();
        root->Show();
    }
}

void OverviewMap::Redraw() {
    Box thumb = thumb_;
    thumb = thumb & track_;
    if (picture) {
        List<Box> dirty = DirtyRects();
        for (Item<Box>* i = dirty.Head(); i; i = i->next) {
            const Box& b = i->value;
            if (b.width <= 0 || b.height <= 0) continue;
            Draw(b.Origin(), *picture, b, 1);
            const Box lit = b & thumb;
            if (lit.width > 0 && lit.height > 0) Draw(lit.Origin(), *picture, lit, 3);
        }
    }
    if (thumb.width > 0 && thumb.height > 0) FrameRect(thumb, 0, 0, 0);
    Display::Redraw();
}

void VhOverviewMap::FetchUnitBitmap() {
    Container<Dim> size(track_.Size());
    ContainerBase* reply = SendNamed("Get Unit Bitmap", &size);
    Bitmap** bitmap = PayloadValue<Bitmap*>(reply);
    unitBitmap = bitmap ? *bitmap : nullptr;
    delete reply;
}

void VhOverviewMap::UpdateUnits() {
    TogglePicture();
    FetchUnitBitmap();
}

void VhOverviewMap::Redraw() {
    if (!unitBitmap) FetchUnitBitmap();
    OverviewMap::Redraw();
    if (unitBitmap) Draw(track_.Origin(), *unitBitmap, Box(0, 0, unitBitmap->GetWidth(), unitBitmap->GetHeight()), 1);
}
