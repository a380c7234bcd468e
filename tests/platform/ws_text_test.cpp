// System-font text through the typeface: extents, pixels written into a window, a missing font
// file, word wrapping, and window captions on the composed screen.
#include "platform/clock.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/window_record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

class SystemText : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::UseVirtualClock(0);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlainProc;
        wc.lpszClassName = "TextTestWindow";
        RegisterClassA(&wc);
    }
    void TearDown() override {
        platform::SetFontDirectory("");
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    static HWND Window(DWORD style, const char* title, int w, int h) {
        return CreateWindowExA(0, "TextTestWindow", title, style | WS_VISIBLE, 10, 10, w, h, nullptr, nullptr, nullptr, nullptr);
    }
    // Pixels of a client box holding `index`, and holding neither `index` nor `other`.
    static void Count(HWND w, RECT box, BYTE index, BYTE other, int* exact, int* between) {
        const platform::WindowPixels p = platform::GetWindowPixels(w);
        *exact = *between = 0;
        for (int y = box.top; y < box.bottom && y < p.height; ++y)
            for (int x = box.left; x < box.right && x < p.width; ++x) {
                const BYTE v = p.pixels[static_cast<std::size_t>(y) * p.width + x];
                *exact += v == index ? 1 : 0;
                *between += (v != index && v != other) ? 1 : 0;
            }
    }
};

TEST_F(SystemText, TheTypefaceIsFoundAndExtentsGrowWithTheText) {
    EXPECT_EQ(platform::FontError(), "");
    const SIZE shortText = platform::MeasureText("Load", 11, false);
    const SIZE longText = platform::MeasureText("Load Game", 11, false);
    EXPECT_GT(shortText.cx, 10);
    EXPECT_GT(longText.cx, shortText.cx + platform::MeasureText(" Game", 11, false).cx / 2);
    EXPECT_GE(shortText.cy, 11);
    EXPECT_EQ(platform::MeasureText("", 11, false).cx, 0);
    EXPECT_EQ(platform::MeasureText("", 11, false).cy, shortText.cy);  // one line, whatever the text
    EXPECT_GT(platform::MeasureText("Load", 11, true).cx, shortText.cx);
    EXPECT_GT(platform::MeasureText("Load", 22, false).cx, shortText.cx);
    // A mnemonic's '&' takes no room; "&&" is one '&'.
    EXPECT_EQ(platform::MeasureText("&Load", 11, false, true).cx, shortText.cx);
    EXPECT_EQ(platform::MeasureText("a&&b", 11, false, true).cx, platform::MeasureText("a&b", 11, false).cx);

    // A context measures with the font selected into it.
    HWND w = Window(WS_POPUP, "", 100, 40);
    HDC dc = GetDC(w);
    SIZE system{}, big{};
    GetTextExtentPoint32A(dc, "Varnhold", 8, &system);
    HFONT font = CreateFontA(-MulDiv(16, 96, 72), 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    const HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, "Varnhold", 8, &big);
    EXPECT_GT(big.cx, system.cx);
    EXPECT_GT(big.cy, system.cy);
    EXPECT_EQ(SelectObject(dc, old), font);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 13);  // the system font keeps the dialog units' cell
    EXPECT_EQ(tm.tmAveCharWidth, 7);
    ReleaseDC(w, dc);
    DeleteObject(font);
}

TEST_F(SystemText, TextOutWritesInkAndSoftEdgesOnlyWhereTheTextStands) {
    HWND w = Window(WS_POPUP, "", 200, 40);
    HDC dc = GetDC(w);
    RECT all{0, 0, 200, 40};
    SetBkColor(dc, PALETTEINDEX(255));
    SetTextColor(dc, PALETTEINDEX(0));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, "", 0, nullptr);  // a white window
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 5, 5, "Varnhold", 8));
    SIZE extent{};
    GetTextExtentPoint32A(dc, "Varnhold", 8, &extent);
    ReleaseDC(w, dc);
    int ink = 0, soft = 0;
    Count(w, RECT{5, 5, 5 + extent.cx, 5 + extent.cy}, 0, 255, &ink, &soft);
    EXPECT_GT(ink, 30);   // the letters
    EXPECT_GT(soft, 0);   // blended edges, through the palette
    Count(w, RECT{5 + extent.cx + 1, 0, 200, 40}, 0, 255, &ink, &soft);
    EXPECT_EQ(ink + soft, 0);
    Count(w, RECT{0, 5 + extent.cy + 1, 200, 40}, 0, 255, &ink, &soft);
    EXPECT_EQ(ink + soft, 0);
    // And it reaches the screen.
    POINT o{5, 5};
    ClientToScreen(w, &o);
    bool dark = false;
    for (int y = 0; y < extent.cy && !dark; ++y)
        for (int x = 0; x < extent.cx && !dark; ++x) dark = platform::ScreenPixel(o.x + x, o.y + y) == RGB(0, 0, 0);
    EXPECT_TRUE(dark);
}

TEST_F(SystemText, ClippingAndWrappingKeepTextInsideItsRectangle) {
    HWND w = Window(WS_POPUP, "", 200, 80);
    HDC dc = GetDC(w);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, PALETTEINDEX(0));
    RECT clip{0, 0, 30, 20};
    ExtTextOutA(dc, 0, 0, ETO_CLIPPED, &clip, "Clipped at thirty", 17, nullptr);
    int ink = 0, soft = 0;
    Count(w, RECT{30, 0, 200, 80}, 0, 0, &ink, &soft);  // the window starts as index 0 everywhere
    EXPECT_EQ(soft, 0);

    const int line = platform::MeasureText("", 11, false).cy;
    RECT one{0, 0, 500, 0};
    EXPECT_EQ(DrawTextA(dc, "Two words", -1, &one, DT_CALCRECT | DT_WORDBREAK), line);
    RECT narrow{0, 0, platform::MeasureText("Two", 11, false).cx + 2, 0};
    EXPECT_EQ(DrawTextA(dc, "Two words", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 2 * line);
    RECT lines{0, 0, 500, 0};
    EXPECT_EQ(DrawTextA(dc, "a\nb\nc", -1, &lines, DT_CALCRECT), 3 * line);
    ReleaseDC(w, dc);
}

TEST_F(SystemText, AMissingFontFileIsReportedAndNothingBreaks) {
    platform::SetFontDirectory("/nonexistent/fonts");
    EXPECT_NE(platform::FontError().find("/nonexistent/fonts/DejaVuSans.ttf"), std::string::npos);
    EXPECT_GT(platform::MeasureText("abc", 11, false).cx, 0);
    HWND w = Window(WS_POPUP, "", 100, 30);
    HDC dc = GetDC(w);
    EXPECT_TRUE(TextOutA(dc, 0, 0, "abc", 3));
    ReleaseDC(w, dc);
    platform::SetFontDirectory("");
    EXPECT_EQ(platform::FontError(), "");
}

TEST_F(SystemText, CaptionsShowTheirTitleOnTheScreen) {
    struct Case {
        const char* title;
        bool active;
        bool text;
    } cases[] = {{"Load Game", true, true}, {"Load Game", false, true}, {"", true, false}};
    for (const Case& c : cases) {
        HWND w = Window(WS_POPUP | WS_CAPTION, c.title, 200, 60);
        HWND other = Window(WS_POPUP, "", 20, 20);
        SetActiveWindow(c.active ? w : other);
        RECT r;
        GetWindowRect(w, &r);
        const platform::ScreenImage img = platform::ComposeScreen(RECT{r.left, r.top + 1, r.right, r.top + 1 + platform::kCaptionHeight});
        const std::uint32_t bar = c.active ? 0x000080 : 0x808080;
        int barPixels = 0, textPixels = 0;
        for (std::uint32_t p : img.pixels) {
            barPixels += p == bar ? 1 : 0;
            textPixels += (p != bar && p != 0xC0C0C0) ? 1 : 0;
        }
        EXPECT_GT(barPixels, 100) << c.title << " " << c.active;
        EXPECT_EQ(textPixels > 20, c.text) << c.title << " " << c.active;
        DestroyWindow(other);
        DestroyWindow(w);
    }
}

} // namespace
