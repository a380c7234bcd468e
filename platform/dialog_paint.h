#pragma once
// Inside the dialog manager (platform only): how the standard controls look. Each control
// paints all of its client pixels in the system's colours (the static entries every system
// palette holds), and a control that shows its parent through itself (check boxes, radio
// buttons, group boxes, statics) first copies the parent's pixels beneath it. Painting marks
// the screen changed.
#include "platform/text.h"
#include "platform/window.h"

#include <string_view>

namespace platform::detail {

constexpr BYTE kInkBlack = 0;
constexpr BYTE kInkNavy = 4;       // the selection
constexpr BYTE kInkSilver = 7;     // faces of buttons and bars
constexpr BYTE kInkGrey = 248;     // shadows and disabled text
constexpr BYTE kInkWhite = 255;

class Canvas {
public:
    explicit Canvas(HWND hwnd);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ok() const { return pixels_ != nullptr && width_ > 0 && height_ > 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Fill(RECT r, BYTE colour);
    void Frame(RECT r, BYTE colour);
    // Light top-left and dark bottom-right (raised), or the other way (sunken), two pixels wide.
    void Raised(RECT r, bool pressed);
    void Sunken(RECT r);
    // The parent's client pixels under this window.
    void CopyParent();
    void CheckMark(int x, int y, BYTE colour);
    void RadioButton(int x, int y, bool checked, bool enabled);
    void Arrow(RECT r, bool up, BYTE colour);
    // DrawTextA with the system font, transparent, in one colour.
    void Text(RECT r, std::string_view text, UINT format, BYTE colour);

private:
    HWND hwnd_;
    HDC dc_;
    BYTE* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Registers the standard control classes ("Button", "Static", "Edit", ...) when they are not.
void EnsureControlClasses();

// Width of a text in the system font ('&' counted as mnemonics when asked).
int SystemTextWidth(std::string_view text, bool mnemonics = false);
int SystemLineHeight();

} // namespace platform::detail
