#pragma once
// Spinner: a number field with an up and a down arrow at its right, drawn from the image library
// "Spinner" (section "Vertical": "Top end up", "Top end down", "Bottom end up",
// "Bottom end down"). Pressing an arrow steps the value toward the maximum or the minimum and
// sends "SPINNER_INCREMENT" or "SPINNER_DECREMENT" (also at a limit, where the value stays);
// holding it repeats at 20 steps a second after a delay of five ticks, and pauses while the
// pointer is off the held arrow. SetValue stores what it is given without clamping.
//
// All spinners draw their value with one shared face of the dialog font "MS Sans Serif 2", made
// on first use.
//
// Invariants: the repeat timer runs exactly while timerRunning is 1, and a running timer means
// the spinner holds the mouse capture; the arrow rectangles follow the tile's width.
#include "ui/qif.h"
#include "ui/text_face.h"
#include "ui/tile.h"

#include <cstdint>

class Spinner : public Tile {
public:
    enum Arrow : std::int16_t { kTop = 0, kBottom = 1 };

    Spinner(std::int16_t minimum, std::int16_t maximum, std::int16_t value, std::int16_t step);
    ~Spinner() override;

    void Resize(const Dim& size) override;
    void Redraw() override;
    void Attached() override;
    void OnLButtonDown(const Point& p) override;
    void OnLButtonDblClk(const Point& p) override { OnLButtonDown(p); }
    void OnLButtonUp(const Point& p) override;

    virtual void Increment();
    virtual void Decrement();
    virtual void Enable(std::int16_t on);

    std::int16_t GetValue() const { return value_; }
    std::int16_t GetMinimum() const { return minimum_; }
    std::int16_t GetMaximum() const { return maximum_; }
    std::int16_t GetStep() const { return step_; }
    Dim GetArrowSize() const;
    void SetMinimum(std::int16_t v) { minimum_ = v; }
    void SetMaximum(std::int16_t v) { maximum_ = v; }
    void SetStep(std::int16_t v) { step_ = v; }
    void SetValue(std::int16_t v);

    Box GetTopArrow() const { return topArrow_; }
    Box GetBottomArrow() const { return bottomArrow_; }
    bool IsRepeating() const { return timerRunning_ != 0; }
    bool TopShowsDown() const { return top_ && top_ == images_[kTopDown]; }
    bool BottomShowsDown() const { return bottom_ && bottom_ == images_[kBottomDown]; }

    static ContainerBase* RepeatEntry(Component* receiver, BusMessage event, ContainerBase* payload);
    void RepeatTick();
    // The shared face, made on first use; null while no font factory is installed.
    static TextFace* SharedFace();
    // Lets the shared face go (the application's end; tests that change the factory).
    static void ReleaseSharedFace();

private:
    enum Image : int { kTopUp, kTopDown, kBottomUp, kBottomDown, kImageCount };
    void RedrawEverything();
    void Step(Arrow arrow);

    QIF<Bitmap> art_;
    Bitmap* images_[kImageCount] = {};
    Bitmap* top_ = nullptr;
    Bitmap* bottom_ = nullptr;
    std::int16_t held_ = kTop;
    Box topArrow_;
    Box bottomArrow_;
    std::int16_t enabled_ = 1;
    std::int16_t minimum_ = 0;
    std::int16_t maximum_ = 0;
    std::int16_t value_ = 0;
    std::int16_t step_ = 0;
    std::int16_t timerRunning_ = 0;
    std::int16_t countdown_ = 0;
};
