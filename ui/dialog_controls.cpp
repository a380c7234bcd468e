#include "ui/dialog_controls.h"

#include "ui/bitmap.h"
#include "ui/font.h"

namespace {

DialogFont* g_font = nullptr;
std::int32_t g_fontUsers = 0;

} // namespace

DialogFont* AcquireDialogFont() {
    if (g_fontUsers == 0) g_font = new DialogFont(DialogControl::kFontName);
    ++g_fontUsers;
    return g_font;
}

void ReleaseDialogFont() {
    if (g_fontUsers <= 0) return;
    if (--g_fontUsers == 0) {
        delete g_font;
        g_font = nullptr;
    }
}

DialogFont* SharedDialogFont() { return g_font; }
std::int32_t DialogFontUseCount() { return g_fontUsers; }

// --- DialogControl ---

DialogControl::DialogControl(HWND window, const char* caption, const Point& captionPosition, const char* library)
    : Component("Unnamed Dialog Control"), art_(library ? library : ""), window_(window),
      caption_(caption ? caption : ""), captionPosition_(captionPosition) {
    AcquireDialogFont();
}

DialogControl::~DialogControl() { ReleaseDialogFont(); }

void DialogControl::Command(std::int16_t) {}

void DialogControl::Draw(Bitmap& view, std::uint32_t itemState) { DrawCaption(view, itemState); }

void DialogControl::DrawCaptionAt(Bitmap& view, const Point& offset, std::uint32_t itemState) {
    DialogFont* font = SharedDialogFont();
    if (!font) return;
    const Box text = font->GetTextRect(caption_.c_str());
    const std::int16_t height = font->GetHeight();
    int x = captionPosition_.x, y = captionPosition_.y;
    if (x == -1) x = (view.GetWidth() - text.width) / 2;
    if (y == -1) y = height / 2 + view.GetHeight() / 2;
    x += offset.x;
    y += offset.y;
    const Point pen(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    font->DrawText(view, pen, caption_.c_str(), (itemState & kItemDisabled) ? 1 : 3);
    if (itemState & kItemFocus) {
        const Box frame(static_cast<std::int16_t>(x - 2), static_cast<std::int16_t>(y - height - 2),
                        static_cast<std::int16_t>(text.width + 4), static_cast<std::int16_t>(text.height + 4));
        view.FrameRect(frame, 100, 100, 100);
    }
}

void DialogControl::DrawImage(Bitmap& view, const char* image, const char* section, const Point& at, int mode) {
    Bitmap* b = art_.GetBitmapByName(image, section);
    if (!b) return;
    view.DrawAll(at, *b, mode);
    art_.ReleaseBitmap(image, section);
}

Dim DialogControl::ImageSize(const char* image, const char* section) {
    const Bitmap* b = art_.ItemAt(art_.ImageIndexByNames(image, section));
    return b ? b->GetSize() : Dim();
}

// --- DialogButton ---

DialogButton::DialogButton(HWND window, const char* caption, const Point& captionPosition, const char* library,
                           std::int16_t style, BusMessage command)
    : DialogControl(window, caption, captionPosition, library), style_(style), command_(command) {}

void DialogButton::Command(std::int16_t notification) {
    if (notification == 0) Fire();
}

void DialogButton::Draw(Bitmap& view, std::uint32_t itemState) {
    switch (itemState & 0xF) {
    case kItemSelected: DrawDown(view, itemState); break;
    case kItemDisabled: DrawDisabled(view, itemState); break;
    default: DrawUp(view, itemState); break;
    }
    if (state_ != 0) DrawChecked(view, itemState);
}

void DialogButton::Fire() {
    if ((command_.Word() & 0x0FFFFFFFu) != 0) PostEvent(command_);
}

void DialogButton::SetState(std::int16_t state) {
    state_ = state;
    Invalidate();
}

void DialogButton::Invalidate() {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

namespace {

// Centred: (view - image) / 2 on each axis, rounding toward zero.
Point Centred(const Bitmap& view, const Dim& image) {
    return Point(static_cast<std::int16_t>((view.GetWidth() - image.width) / 2),
                 static_cast<std::int16_t>((view.GetHeight() - image.height) / 2));
}

} // namespace

void DialogButton::DrawUp(Bitmap& view, std::uint32_t itemState) {
    DrawImage(view, "Up", "Pushbutton", Centred(view, ImageSize("Up", "Pushbutton")), 1);
    DrawCaption(view, itemState);
}

void DialogButton::DrawDown(Bitmap& view, std::uint32_t itemState) {
    DrawImage(view, "Down", "Pushbutton", Centred(view, ImageSize("Down", "Pushbutton")), 1);
    DrawCaptionAt(view, Point(2, 2), itemState);
}

void DialogButton::DrawChecked(Bitmap& view, std::uint32_t itemState) { DrawCaption(view, itemState); }

void DialogButton::DrawDisabled(Bitmap& view, std::uint32_t itemState) {
    DrawImage(view, "Up", "Pushbutton", Centred(view, ImageSize("Up", "Pushbutton")), 2);
    DrawCaption(view, itemState);
}

void DialogButton::DrawBoxImage(Bitmap& view, const char* image, const char* section, int mode) {
    const Dim size = ImageSize(image, section);
    DrawImage(view, image, section, Point(0, static_cast<std::int16_t>(view.GetHeight() / 2 - size.height / 2)), mode);
}

void DialogButton::DrawCheckMark(Bitmap& view, const char* section) {
    // The mark sits where the "Down" picture would, whatever its own height.
    const Dim down = ImageSize("Down", section);
    DrawImage(view, "Check", section, Point(0, static_cast<std::int16_t>(view.GetHeight() / 2 - down.height / 2)), 1);
}

// --- DialogCheck ---

DialogCheck::DialogCheck(HWND window, const char* caption, const char* library, std::int16_t initialState)
    : DialogButton(window, caption, Point(18, -1), library, kPush, BusMessage(0)) {
    state_ = initialState;
}

void DialogCheck::Fire() {
    SetState(state_ == 0 ? 1 : 0);
    DialogButton::Fire();
    Invalidate();
}

void DialogCheck::DrawUp(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Up", "CheckBox", 1);
    DrawCaption(view, itemState);
}

void DialogCheck::DrawDown(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Down", "CheckBox", 1);
    DrawCaption(view, itemState);
}

void DialogCheck::DrawChecked(Bitmap& view, std::uint32_t) { DrawCheckMark(view, "CheckBox"); }

void DialogCheck::DrawDisabled(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Up", "CheckBox", 2);
    DrawCaption(view, itemState);
}

// --- DialogRadio ---

DialogRadio::DialogRadio(HWND window, const char* caption, const char* library)
    : DialogButton(window, caption, Point(16, -1), library, kPush, BusMessage(0)) {}

DialogRadio::~DialogRadio() {
    for (const Item<DialogRadio*>* i = group_.Head(); i; i = i->next)
        if (i->value && i->value != this)
            while (i->value->group_.Remove(this)) {}
}

void DialogRadio::Fire() {
    SetState(1);
    for (const Item<DialogRadio*>* i = group_.Head(); i; i = i->next)
        if (i->value != this && i->value) i->value->SetState(0);
    DialogButton::Fire();
}

void DialogRadio::DrawUp(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Up", "Radio", 1);
    DrawCaption(view, itemState);
}

void DialogRadio::DrawDown(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Down", "Radio", 1);
    DrawCaption(view, itemState);
}

void DialogRadio::DrawChecked(Bitmap& view, std::uint32_t) { DrawCheckMark(view, "Radio"); }

void DialogRadio::DrawDisabled(Bitmap& view, std::uint32_t itemState) {
    DrawBoxImage(view, "Up", "Radio", 2);
    DrawCaption(view, itemState);
}

std::int16_t DialogRadio::GetValue() const {
    std::int16_t index = 0;
    for (const Item<DialogRadio*>* i = group_.Head(); i; i = i->next, ++index)
        if (i->value && i->value->GetState() != 0) return index;
    return 0;
}

void DialogRadio::SetValue(std::int16_t value) {
    std::int16_t index = 0;
    for (const Item<DialogRadio*>* i = group_.Head(); i; i = i->next, ++index)
        if (i->value) i->value->SetState(index == value ? 1 : 0);
}
