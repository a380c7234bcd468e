#pragma once
// HScrollBar and VScrollBar: scroll controls drawn from the image library "Scroll Bars" (section
// "Horizontal" or "Vertical"): an end button at each end, a track tiled from its two end pieces
// and "Slot" images, and a thumb tiled from its two ends and "Thumb mid" images. A press on an
// end steps by one unit, a press on the track beside the thumb pages by a view length, both
// repeating (after half a second, ten times a second) while the button is held; dragging the
// thumb follows the mouse. Every wanted change is sent as SCROLL_TO with a relative Dim; the bar
// itself moves only when its owner calls ScrollTo or ScrollBy, so the owner stays the one
// keeper of the scroll position.
//
// Both bars are one class, ScrollBar, that works along one axis; the two names fix the axis.
//
// Invariants: the ten images stay locked for the bar's life (absent ones are null and draw
// nothing; their absence is reported once at construction); the track length is never negative;
// the repeat timer runs exactly while autoRepeat is 1; a press in progress holds the mouse
// capture and hears moves and releases.
#include "ui/qif.h"
#include "ui/scroll_control.h"

#include <array>
#include <cstdint>

class ScrollBar : public ScrollControl {
public:
    enum Axis : int { kHorizontal = 0, kVertical = 1 };
    enum Image : int {
        kFirstEndUp,
        kFirstEndDown,
        kSecondEndUp,
        kSecondEndDown,
        kFirstTrack,
        kSlot,
        kSecondTrack,
        kFirstThumb,
        kThumbMid,
        kSecondThumb,
        kImageCount
    };

    ScrollBar(Axis axis, std::int16_t contentLength, std::int16_t scroll, std::int16_t viewLength, const char* name);
    ~ScrollBar() override;

    void PlaceThumb() override;
    std::int16_t ScrollTo(const Point& p) override;
    std::int16_t ScrollBy(const Dim& d) override;
    // The owner of the scrolled view answers SCROLL_TO; the bar only sends it.
    void RegisterScrollHandler() override {}
    void Resize(const Dim& size) override;
    void Redraw() override;
    void Attached() override { EnableMouseEvent(kLeftDown); }
    void OnLButtonDown(const Point& p) override;
    void OnMouseMove(const Point& p) override;
    void OnLButtonUp(const Point& p) override;

    // Each stores the value along the bar's axis and updates.
    void SetContentLength(std::int16_t length);
    void SetTrackLength(std::int16_t length);
    void SetViewLength(std::int16_t length);

    Axis GetAxis() const { return axis_; }
    bool IsRepeating() const { return autoRepeat_ != 0; }
    bool IsDragging() const { return dragging_ != 0; }
    // Which end images show now (down while pressed).
    bool FirstEndDown() const { return firstEnd_ == images_[kFirstEndDown] && firstEnd_; }
    bool SecondEndDown() const { return secondEnd_ == images_[kSecondEndDown] && secondEnd_; }

    static ContainerBase* RepeatEntry(Component* receiver, BusMessage event, ContainerBase* payload);
    void RepeatTick();

protected:
    int Along(const Point& p) const { return axis_ == kHorizontal ? p.x : p.y; }
    int Along(const Dim& d) const { return axis_ == kHorizontal ? d.width : d.height; }
    int Length(const Bitmap* b) const;
    int Thickness(const Bitmap* b) const;
    int TrackStart() const { return axis_ == kHorizontal ? track_.x : track_.y; }
    int TrackLength() const { return axis_ == kHorizontal ? track_.width : track_.height; }
    int ScrollPos() const { return axis_ == kHorizontal ? view_.x : view_.y; }
    int ViewLength() const { return axis_ == kHorizontal ? view_.width : view_.height; }
    int ContentLength() const { return axis_ == kHorizontal ? content_.width : content_.height; }
    float AxisScale() const { return axis_ == kHorizontal ? scaleX_ : scaleY_; }
    Dim AlongDim(int v) const { return axis_ == kHorizontal ? Dim(v, 0) : Dim(0, v); }
    bool OnTrack(const Point& p) const;
    bool OnThumb(const Point& p) const;
    // The step cut so that the scroll position stays within 0 .. content - view.
    int ClampStep(int step) const;
    void SendStep();
    // Ends a press: capture, move and release events and the repeat timer go; both ends up.
    void EndPress();
    void StopRepeat();
    void ComputeTrackLength();
    // Draws a piece whole or its first `length` units along the axis.
    void DrawPiece(int along, int across, Bitmap* image, int length = -1);

    Axis axis_;
    QIF<Bitmap> art_;
    std::array<Bitmap*, kImageCount> images_{};
    Bitmap* firstEnd_ = nullptr;
    Bitmap* secondEnd_ = nullptr;
    std::uint16_t autoRepeat_ = 0;
    std::int16_t countdown_ = 0;
    Dim step_;
    std::uint16_t dragging_ = 0;
    Point grab_;
    Point lastPoint_;
};

class HScrollBar : public ScrollBar {
public:
    HScrollBar(std::int16_t contentWidth, std::int16_t scrollX, std::int16_t viewWidth, const char* name = nullptr)
        : ScrollBar(kHorizontal, contentWidth, scrollX, viewWidth, name ? name : "Unnamed HScrollBar Tile") {}
};

class VScrollBar : public ScrollBar {
public:
    VScrollBar(std::int16_t contentHeight, std::int16_t scrollY, std::int16_t viewHeight, const char* name = nullptr)
        : ScrollBar(kVertical, contentHeight, scrollY, viewHeight, name ? name : "Unnamed VScrollBar Tile") {}
};
