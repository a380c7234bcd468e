#include "platform/dialog_paint.h"

#include "platform/window_record.h"

#include <algorithm>
#include <cstring>

namespace platform::detail {

namespace {
constexpr int kSystemHeight = 11;

RECT Clip(RECT r, int w, int h) {
    return RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, w), std::min<LONG>(r.bottom, h)};
}
} // namespace

int SystemTextWidth(std::string_view text, bool mnemonics) { return MeasureText(text, kSystemHeight, false, mnemonics).cx; }
int SystemLineHeight() { return MeasureText("", kSystemHeight, false).cy; }

Canvas::Canvas(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {
    pixels_ = WindowPixelsForWrite(hwnd, &width_, &height_);
    if (dc_) SetBkMode(dc_, TRANSPARENT);
}

Canvas::~Canvas() {
    if (dc_) ReleaseDC(hwnd_, dc_);
    ScreenChanged();
}

void Canvas::Fill(RECT r, BYTE colour) {
    if (!Ok()) return;
    r = Clip(r, width_, height_);
    for (int y = r.top; y < r.bottom; ++y) std::fill_n(pixels_ + static_cast<std::size_t>(y) * width_ + r.left, r.right - r.left, colour);
}

void Canvas::Frame(RECT r, BYTE colour) {
    Fill(RECT{r.left, r.top, r.right, r.top + 1}, colour);
    Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, colour);
    Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, colour);
    Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, colour);
}

void Canvas::Raised(RECT r, bool pressed) {
    if (pressed) {
        Frame(r, kInkBlack);
        Frame(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kInkGrey);
        return;
    }
    Fill(RECT{r.left, r.top, r.right, r.top + 1}, kInkWhite);
    Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, kInkWhite);
    Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, kInkBlack);
    Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, kInkBlack);
    Fill(RECT{r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, kInkGrey);
    Fill(RECT{r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, kInkGrey);
}

void Canvas::Sunken(RECT r) {
    Fill(RECT{r.left, r.top, r.right, r.top + 1}, kInkGrey);
    Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, kInkGrey);
    Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, kInkWhite);
    Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, kInkWhite);
    Fill(RECT{r.left + 1, r.top + 1, r.right - 1, r.top + 2}, kInkBlack);
    Fill(RECT{r.left + 1, r.top + 1, r.left + 2, r.bottom - 1}, kInkBlack);
    Fill(RECT{r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, kInkSilver);
    Fill(RECT{r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, kInkSilver);
}

void Canvas::CopyParent() {
    if (!Ok()) return;
    HWND parent = GetParent(hwnd_);
    if (!parent) {
        Fill(RECT{0, 0, width_, height_}, kInkSilver);
        return;
    }
    const WindowPixels p = GetWindowPixels(parent);
    const POINT mine = ClientOrigin(hwnd_), theirs = ClientOrigin(parent);
    const int dx = mine.x - theirs.x, dy = mine.y - theirs.y;
    for (int y = 0; y < height_; ++y) {
        BYTE* row = pixels_ + static_cast<std::size_t>(y) * width_;
        const int py = y + dy;
        for (int x = 0; x < width_; ++x) {
            const int px = x + dx;
            row[x] = (p.pixels && px >= 0 && py >= 0 && px < p.width && py < p.height) ? p.pixels[static_cast<std::size_t>(py) * p.width + px]
                                                                                     : kInkSilver;
        }
    }
}

void Canvas::CheckMark(int x, int y, BYTE colour) {
    // A tick two pixels thick: down to the right, then up to the right.
    static const int kTick[][2] = {{0, 2}, {1, 3}, {2, 4}, {3, 3}, {4, 2}, {5, 1}, {6, 0}};
    for (const auto& p : kTick)
        for (int t = 0; t < 3; ++t) Fill(RECT{x + p[0], y + p[1] + t, x + p[0] + 1, y + p[1] + t + 1}, colour);
}

void Canvas::RadioButton(int x, int y, bool checked, bool enabled) {
    // A 12-pixel ring: g grey, b black, w white, s silver, i inside.
    static const char* const kRing[12] = {"    gggg    ", "  ggbbbbgg  ", " gbbiiiiiisw", " gbiiiiiiisw",
                                          "gbiiiiiiiisw", "gbiiiiiiiisw", "gbiiiiiiiisw", "gbiiiiiiiisw",
                                          " gbiiiiiisw ", " gsiiiiiisw ", "  wwssssww  ", "    wwww    "};
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) {
            BYTE colour;
            switch (kRing[r][c]) {
            case 'g': colour = kInkGrey; break;
            case 'b': colour = kInkBlack; break;
            case 'w': colour = kInkWhite; break;
            case 's': colour = kInkSilver; break;
            case 'i': colour = enabled ? kInkWhite : kInkSilver; break;
            default: continue;
            }
            Fill(RECT{x + c, y + r, x + c + 1, y + r + 1}, colour);
        }
    if (checked) {
        const BYTE dot = enabled ? kInkBlack : kInkGrey;
        Fill(RECT{x + 4, y + 5, x + 8, y + 7}, dot);
        Fill(RECT{x + 5, y + 4, x + 7, y + 8}, dot);
    }
}

void Canvas::Arrow(RECT r, bool up, BYTE colour) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
        const int y = up ? cy - 2 + i : cy + 1 - i;
        Fill(RECT{cx - i, y, cx + i + 1, y + 1}, colour);
    }
}

void Canvas::Text(RECT r, std::string_view text, UINT format, BYTE colour) {
    if (!dc_ || text.empty()) return;
    SetTextColor(dc_, PALETTEINDEX(colour));
    DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &r, format);
}

} // namespace platform::detail
