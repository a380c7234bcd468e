#pragma once
// ScrollControl: a tile that maps a large content area (the virtual size) onto a small track on
// the screen. It keeps the view (the scroll position and the view size, in content units), the
// track and the thumb (in the control's own pixels) and the two scales between them
// (track length / content length per axis). SCROLL_TO moves it: a Point payload scrolls to
// the point, a Dim payload scrolls by it.
//
// Invariants: the scales are recomputed whenever the content size or the track changes; an axis
// whose content length is 0 has scale 0, and converting to content units along such an axis
// gives 0 (never a division by zero). After Update the scroll position lies in
// 0 .. content - view, or is the negative centring position when the content is smaller than the
// view; the thumb lies inside the track, or is centred on it when it is longer than the track.
#include "ui/tile.h"

#include <cstdint>

class ScrollControl : public Tile {
public:
    explicit ScrollControl(const Dim& contentSize, const char* name = nullptr);

    // 1 when the scroll position had to change.
    virtual std::int16_t ClampScroll();
    virtual std::int16_t ClampThumb();
    virtual void PlaceThumb();
    // ClampScroll, PlaceThumb, ClampThumb.
    virtual void Update();
    virtual std::int16_t ScrollTo(const Point& p);
    virtual std::int16_t ScrollBy(const Dim& d);
    virtual void SetViewSize(const Dim& d);
    // The SCROLL_TO handler.
    virtual void RegisterScrollHandler();
    void RegisterMenuHandlers() override { RegisterScrollHandler(); }
    void Connect() override { RegisterMenuHandlers(); }

    void OnMouseMove(const Point&) override {}
    void OnLButtonDown(const Point&) override {}
    void OnLButtonUp(const Point&) override {}
    void Attached() override {}

    void SetContentSize(const Dim& d);
    void SetTrackSize(const Dim& d);
    void SetTrackBox(const Box& b);
    Dim GetContentSize() const { return content_; }
    Box GetTrackBox() const { return track_; }
    Box GetViewBox() const { return view_; }
    Box GetThumbBox() const { return thumb_; }
    Point GetScrollPosition() const { return view_.Origin(); }
    float GetScaleX() const { return scaleX_; }
    float GetScaleY() const { return scaleY_; }

    // Conversions between content units and the control's pixels, truncated toward zero.
    Point VirtualToScreen(const Point& p) const;
    Point ScreenToVirtual(const Point& p) const;
    Dim VirtualToScreen(const Dim& d) const;
    Dim ScreenToVirtual(const Dim& d) const;
    Box VirtualToScreen(const Box& b) const;
    Box ScreenToVirtual(const Box& b) const;

protected:
    virtual void RecomputeScales();
    // value / scale truncated, 0 for a scale of 0.
    static int Unscale(int value, float scale);
    static int Scale(int value, float scale) { return static_cast<int>(static_cast<float>(value) * scale); }

    float scaleX_ = 0.0f;
    float scaleY_ = 0.0f;
    Dim content_;
    Box view_;
    Box track_;
    Box thumb_;
};
