#include "ui/button.h"

Button::Button(const char* library, const char* section, BusMessage command, const char* statusText,
               const char* toolTip, const char* name, std::uint16_t toggle)
    : Tile(Box(), name ? name : "Unnamed button"), command_(command), art_(library), toolTip_(toolTip ? toolTip : ""),
      statusText_(statusText ? statusText : ""), section_(section ? section : ""), toggle_(toggle) {
    if (Bitmap* up = art_.GetBitmapByName("UpEnabled", section_.c_str())) {
        artSize_ = up->GetSize();
        art_.ReleaseBitmap("UpEnabled", section_.c_str());
    }
}

Button::~Button() {
    if (tracking_) ReleaseMouse();
}

void Button::OnCommand(BusMessage) {}

void Button::Fire() {
    Container<BusMessage> word(command_);
    PostNamed("Command", &word);
}

void Button::Attached() {
    EnableMouseEvent(kLeftUp);
    EnableMouseEvent(kLeftDown);
    EnableMouseEvent(kHover);
    EnableMouseEvent(kMouseEnter);
    EnableMouseEvent(kMouseLeave);
}

void Button::OnLButtonDown(const Point&) {
    if (!(state_ & kEnabled) || (!toggle_ && (state_ & kDown))) return;
    delete PostNamedEventAndWait("ToolTipKill");
    tracking_ = 1;
    CaptureMouse();
    EnableMouseEvent(kMouseMove);
    savedState_ = state_;
    state_ |= kDown;
    Redraw();
}

void Button::OnMouseMove(const Point& p) {
    if (!(state_ & kEnabled) || !tracking_ || (toggle_ && (savedState_ & kDown))) return;
    state_ = Inside(p) ? (state_ | kDown) : (state_ & ~kDown);
    Redraw();
}

void Button::OnLButtonUp(const Point& p) {
    bool inside = false;
    if ((state_ & kEnabled) && tracking_) {
        inside = Inside(p);
        if (!toggle_ || ((savedState_ & kDown) && inside)) state_ &= ~kDown;
    }
    if (tracking_) {
        ReleaseMouse();
        DisableMouseEvent(kMouseMove);
        tracking_ = 0;
    }
    if (inside) Fire();
    Redraw();
}

void Button::OnHover(const Point&) {
    if ((state_ & kDown) || tracking_) return;
    Container<short> on(1);
    PostNamed("ToolTipEnable", &on);
}

void Button::OnMouseEnter(const Point&) {
    Container<std::string> tip(toolTip_);
    PostNamed("ToolTipText", &tip);
}

void Button::OnMouseLeave(const Point&) {
    Container<short> off(0);
    PostNamed("ToolTipEnable", &off);
}

void Button::Redraw() {
    const bool enabled = state_ & kEnabled, down = state_ & kDown;
    const char* image = enabled ? (down ? "DownEnabled" : "UpEnabled") : (down ? "DownDisabled" : "UpDisabled");
    if (Bitmap* b = art_.GetBitmapByName(image, section_.c_str())) {
        DrawAll(Point(0, 0), *b, 1);
        art_.ReleaseBitmap(image, section_.c_str());
    }
    Show();
}
