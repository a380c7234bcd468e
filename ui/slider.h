#pragma once
// Slider: a horizontal track with a thumb whose position is an integer value in 0..range, drawn
// from the image library "Slider" (section "Horizontal": "TrackLeft", "TrackMiddle",
// "TrackRight", "Thumb"). It is a scroll control whose scroll position is the value: a press on
// the track steps by 500 units toward the press (clamped), dragging the thumb follows the mouse.
// It answers no SCROLL_TO; its owner reads GetValue.
//
// Invariants: the scale is (track width - thumb width) / range pixels per unit, never negative,
// and 0 for a range of 0 (converting pixels to units then gives 0); after any scroll the value
// lies in 0 .. range - view size. The four images stay locked for the slider's life.
#include "ui/qif.h"
#include "ui/scroll_control.h"

#include <array>
#include <cstdint>

class Slider : public ScrollControl {
public:
    Slider(std::int16_t range, std::int16_t value, const char* name = nullptr);
    ~Slider() override;

    std::int16_t GetValue() const { return view_.x; }
    std::int16_t GetRange() const { return content_.width; }
    bool IsDragging() const { return dragging_ != 0; }

    void PlaceThumb() override;
    std::int16_t ScrollTo(const Point& p) override;
    std::int16_t ScrollBy(const Dim& d) override;
    void SetViewSize(const Dim& d) override;
    void RegisterScrollHandler() override {}
    void Resize(const Dim& size) override;
    void Redraw() override;
    void Attached() override { EnableMouseEvent(kLeftDown); }
    void OnLButtonDown(const Point& p) override;
    void OnMouseMove(const Point& p) override;
    void OnLButtonUp(const Point& p) override;

    int ValueToX(int value) const { return Scale(value, scaleX_) + track_.x; }
    int XToValue(int x) const { return Unscale(x - track_.x, scaleX_); }

protected:
    void RecomputeScales() override;

private:
    enum Image : int { kTrackMiddle, kTrackLeft, kTrackRight, kThumb, kImageCount };
    int Width(int image) const { return images_[image] ? images_[image]->GetWidth() : 0; }
    // Draws the part of source rectangle `part` of the image placed at `at` that falls in clip.
    void DrawClipped(const Point& at, int image, const Box& part, const Box& clip);
    void RedrawNow();

    QIF<Bitmap> art_;
    std::array<Bitmap*, kImageCount> images_{};
    Dim step_;
    std::int16_t dragging_ = 0;
    Point grab_;
    Point lastPress_;
};
