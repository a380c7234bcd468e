#include "ui/spinner.h"

#include "core/assertion.h"

#include <algorithm>
#include <memory>
#include <string>

namespace {

const char* const kImageNames[] = {"Top end up", "Top end down", "Bottom end up", "Bottom end down"};

std::unique_ptr<TextFace>& Face() {
    static std::unique_ptr<TextFace> face;
    return face;
}

} // namespace

TextFace* Spinner::SharedFace() {
    if (!Face()) Face() = MakeTextFace("MS Sans Serif 2");
    return Face().get();
}

void Spinner::ReleaseSharedFace() { Face().reset(); }

Spinner::Spinner(std::int16_t minimum, std::int16_t maximum, std::int16_t value, std::int16_t step)
    : Tile(Box(), "Unnamed Spinner"), art_("Spinner"), minimum_(minimum), maximum_(maximum), value_(value),
      step_(step) {
    art_.SelectSection("Vertical");
    std::string missing;
    for (int k = 0; k < kImageCount; ++k) {
        images_[k] = art_.CurrentSection() >= 0 ? art_.GetBitmapInSection(kImageNames[k]) : nullptr;
        if (!images_[k]) missing += std::string(missing.empty() ? "" : ", ") + "\"" + kImageNames[k] + "\"";
        // Fetched for their sizes and drawing; each draw locks again, so this lock is let go.
        if (images_[k]) art_.UnlockBitmapInSection(kImageNames[k]);
    }
    top_ = images_[kTopUp];
    bottom_ = images_[kBottomUp];
    Resize(GetSize());
    if (!missing.empty())
        AssertFail("Missing spinner art " + missing + " in section \"Vertical\" of library \"Spinner\"", "SPINNER",
                   __LINE__);
}

Spinner::~Spinner() {
    if (timerRunning_) RemoveTimer(&Spinner::RepeatEntry);
    if (GetCaptor() == this) ReleaseMouse();
}

Dim Spinner::GetArrowSize() const { return images_[kTopUp] ? images_[kTopUp]->GetSize() : Dim(); }

void Spinner::Resize(const Dim& size) {
    if (GetParent()) Tile::Resize(size);
    const Dim a = GetArrowSize();
    topArrow_ = Box(GetWidth() - a.width - 1, 1, a.width, a.height);
    bottomArrow_ = Box(topArrow_.x, topArrow_.y + topArrow_.height + 1, a.width, a.height);
}

void Spinner::Attached() {
    if (enabled_) {
        EnableMouseEvent(kLeftDown);
        EnableMouseEvent(kLeftDoubleClick);
    }
}

void Spinner::Enable(std::int16_t on) {
    const std::int16_t wanted = on ? 1 : 0;
    if (wanted == enabled_) return;
    enabled_ = wanted;
    if (enabled_) {
        EnableMouseEvent(kLeftDown);
        EnableMouseEvent(kLeftDoubleClick);
    } else {
        DisableMouseEvent(kLeftDown);
        DisableMouseEvent(kLeftDoubleClick);
    }
}

void Spinner::SetValue(std::int16_t v) {
    value_ = v;
    RedrawEverything();
}

void Spinner::RedrawEverything() {
    InvalidateRect(Box(0, 0, GetWidth(), GetHeight()));
    if (Display* root = GetRoot()) root->Redraw();
    Redraw();
    Show();
}

void Spinner::Increment() {
    value_ = static_cast<std::int16_t>(std::min<int>(maximum_, value_ + step_));
    delete SendNamedEvent("SPINNER_INCREMENT");
    RedrawEverything();
}

void Spinner::Decrement() {
    value_ = static_cast<std::int16_t>(std::max<int>(minimum_, value_ - step_));
    delete SendNamedEvent("SPINNER_DECREMENT");
    RedrawEverything();
}

void Spinner::Redraw() {
    if (GetPixels() && GetWidth() > 0 && GetHeight() > 0) {
        FrameRect(Box(0, 0, GetWidth(), GetHeight()), 0, 0, 0);
        if (TextFace* face = SharedFace()) {
            const std::string text = std::to_string(value_);
            const Dim size = face->TextSize(text);
            face->DrawText(*this, Point(topArrow_.x / 2 - size.width / 2, GetHeight() / 2 + size.height / 2), text, 3);
        }
        const char* topName = top_ == images_[kTopDown] ? kImageNames[kTopDown] : kImageNames[kTopUp];
        const char* bottomName = bottom_ == images_[kBottomDown] ? kImageNames[kBottomDown] : kImageNames[kBottomUp];
        if (Bitmap* b = art_.GetBitmapInSection(topName)) {
            DrawAll(topArrow_.Origin(), *b, 1);
            art_.UnlockBitmapInSection(topName);
        }
        if (Bitmap* b = art_.GetBitmapInSection(bottomName)) {
            DrawAll(bottomArrow_.Origin(), *b, 1);
            art_.UnlockBitmapInSection(bottomName);
        }
    }
    Display::Redraw();
}

void Spinner::Step(Arrow arrow) {
    if (arrow == kTop) Increment();
    else Decrement();
}

void Spinner::OnLButtonDown(const Point& p) {
    if (topArrow_.Contains(p)) {
        top_ = images_[kTopDown];
        held_ = kTop;
    } else if (bottomArrow_.Contains(p)) {
        bottom_ = images_[kBottomDown];
        held_ = kBottom;
    } else {
        return;
    }
    Step(static_cast<Arrow>(held_));
    if (GetCaptor() != this) CaptureMouse();
    EnableMouseEvent(kLeftUp);
    countdown_ = 5;
    if (!timerRunning_) AddTimer(&Spinner::RepeatEntry, 20);
    timerRunning_ = 1;
}

ContainerBase* Spinner::RepeatEntry(Component* receiver, BusMessage, ContainerBase*) {
    if (auto* self = dynamic_cast<Spinner*>(receiver)) self->RepeatTick();
    return nullptr;
}

void Spinner::RepeatTick() {
    if (countdown_ >= 1) {
        --countdown_;
        return;
    }
    const Point p = GetMousePosition();
    const bool top = held_ == kTop;
    const Box& arrow = top ? topArrow_ : bottomArrow_;
    Bitmap*& shown = top ? top_ : bottom_;
    Bitmap* down = images_[top ? kTopDown : kBottomDown];
    if (arrow.Contains(p)) {
        shown = down;
        Step(static_cast<Arrow>(held_));
    } else if (shown == down) {
        shown = images_[top ? kTopUp : kBottomUp];
        RedrawEverything();
    }
}

void Spinner::OnLButtonUp(const Point&) {
    if (timerRunning_) RemoveTimer(&Spinner::RepeatEntry);
    timerRunning_ = 0;
    if (GetCaptor() == this) ReleaseMouse();
    DisableMouseEvent(kLeftUp);
    top_ = images_[kTopUp];
    bottom_ = images_[kBottomUp];
    Redraw();
    Show();
}
