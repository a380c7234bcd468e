#include "ui/windows/windows_toolbar.h"

#include "core/assertion.h"
#include "ui/button.h"
#include "ui/windows/win_app.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT kSaveBits = 0x0800;  // CS_SAVEBITS
// The system's cursor height and border sizes.
constexpr int kCursorHeight = 32;
constexpr int kBorder = 1;
constexpr const char* kOutOfResources = "Out of resources. Please close some applications and try again.";

// What the popup shows, in a buffer of 40 bytes as the tips have always had.
char g_shownText[40] = {};
// The tip font, shared by every popup alive.
HFONT g_tipFont = nullptr;
int g_tipFontUsers = 0;

bool IsDescendant(HWND ancestor, HWND w) {
    for (HWND p = w ? GetParent(w) : nullptr; p; p = GetParent(p))
        if (p == ancestor) return true;
    return false;
}

// The shown text's extent in the tip font.
SIZE TipExtent(HWND hwnd) {
    RECT r{0, 0, 0, 0};
    HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, g_tipFont);
    DrawTextA(dc, g_shownText, -1, &r, DT_CALCRECT | DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void PaintTip(HWND hwnd) {
    if (!g_tipFont) return;
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, g_tipFont);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, PALETTEINDEX(NearestPaletteIndex(RGB(250, 250, 100), 0)));
    SetTextColor(dc, PALETTEINDEX(NearestPaletteIndex(RGB(0, 0, 0), 0)));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, g_shownText, static_cast<UINT>(std::strlen(g_shownText)), nullptr);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
}

} // namespace

WindowsToolbar::WindowsToolbar(const char* artLibrary, HWND parent, const char* name)
    : Window(Point(), Dim(), nullptr, name ? name : "Unnamed Toolbar"), Toolbar(this),
      WindowsWindow(Point(), Dim(), nullptr, nullptr, nullptr, name ? name : "Unnamed Toolbar"), art_(artLibrary) {
    if (Bitmap* mirror = art_.GetBitmapInSection("Mirror #1")) {
        height_ = mirror->GetHeight();
        art_.UnlockBitmapInSection("Mirror #1");
    }
    CreateWindowExA(0, "GenericWindow", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kWindowId)), InstanceHandle,
                    static_cast<void*>(static_cast<WindowsWindow*>(this)));
    if (!RegisterTipClass()) AssertFail(kOutOfResources, "WINTBAR", __LINE__);
}

WindowsToolbar::~WindowsToolbar() {
    DestroyTip();
    if (tipShown_ && GetCaptor() == this) ReleaseMouse();
    // The buttons are tiles of this window: they go while the window still stands.
    for (Button* b : buttons_) delete b;
    buttons_.clear();
    const HWND own = handle_;
    UnbindHandle();
    if (own && IsWindow(own)) DestroyWindow(own);
    handle_ = nullptr;
}

bool WindowsToolbar::RegisterTipClass() {
    WNDCLASSA wc;
    if (GetClassInfoA(InstanceHandle, "ToolTipWin", &wc)) return true;
    WindowsWindow::RegisterWindowClass();
    if (!GetClassInfoA(InstanceHandle, "GenericWindow", &wc)) return false;
    wc.lpfnWndProc = &WindowsToolbar::TipWindowProc;
    wc.lpszClassName = "ToolTipWin";
    wc.hbrBackground = nullptr;  // the popup paints all of itself
    wc.style = kSaveBits;
    wc.cbWndExtra = 0;
    return RegisterClassA(&wc) != 0;
}

std::string WindowsToolbar::ShownTipText() { return g_shownText; }

LRESULT WindowsToolbar::TipWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (g_tipFontUsers++ == 0)
            g_tipFont = CreateFontA(-MulDiv(8, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
        return 0;
    case WM_DESTROY:
        if (g_tipFontUsers > 0 && --g_tipFontUsers == 0) {
            DeleteObject(g_tipFont);
            g_tipFont = nullptr;
            g_shownText[0] = 0;
        }
        return 0;
    case WM_SETTEXT: {
        // A longer tip is cut rather than written past the buffer.
        const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        const std::size_t n = std::min(std::strlen(text), kMaxTipLength);
        g_shownText[0] = ' ';
        std::memcpy(g_shownText + 1, text, n);
        g_shownText[n + 1] = ' ';
        g_shownText[n + 2] = 0;
        DefWindowProcA(hwnd, message, wParam, lParam);
        const SIZE extent = g_tipFont ? TipExtent(hwnd) : SIZE{0, 0};
        SetWindowPos(hwnd, nullptr, 0, 0, extent.cx + 2 * kBorder, extent.cy + 2 * kBorder,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwnd, SW_SHOWNA);
        PaintTip(hwnd);
        return TRUE;
    }
    case WM_ERASEBKGND: PaintTip(hwnd); return 1;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void WindowsToolbar::Connect() {
    Toolbar::RegisterNamedHandler("System Key Pressed", &WindowsToolbar::OnKill);
    Toolbar::RegisterNamedHandler("ToolTipKill", &WindowsToolbar::OnKill);
    Toolbar::Connect();
}

ContainerBase* WindowsToolbar::OnKill(Component* receiver, BusMessage, ContainerBase*) {
    WindowsToolbar* self;
    if (!BusReceiver(receiver, self, "WINTBAR", __LINE__)) return nullptr;
    self->KillToolTips();
    return nullptr;
}

void WindowsToolbar::DestroyTip() {
    if (tipWindow_) {
        if (IsWindow(tipWindow_)) DestroyWindow(tipWindow_);
        tipWindow_ = nullptr;
    }
    tipWindowNeeded_ = 1;
}

bool WindowsToolbar::FocusIsOurs() const {
    const HWND focus = GetFocus();
    return focus && (focus == MainWindowHandle || IsDescendant(MainWindowHandle, focus));
}

std::int16_t WindowsToolbar::SetToolTipText(const std::string& text) {
    tipText_ = text;
    if (tipShown_) EnableToolTip(1);
    return 0;
}

std::int16_t WindowsToolbar::EnableToolTip(std::int16_t on) {
    if (tipsKilled_) return 0;
    if (on) {
        // The first rest switches the tips on; a rest while they are on shows the popup.
        if (!tipShown_) {
            if (!FocusIsOurs()) return 0;
            tipShown_ = 1;
            tipWindowNeeded_ = 1;
            if (!GetCaptor()) Display::CaptureMouse();
            EnableMouseEvent(kMouseMove);
        }
        if (tipWindowNeeded_) {
            POINT pt;
            GetCursorPos(&pt);
            const int h = kCursorHeight / 2 + 2;
            tipWindow_ = CreateWindowExA(0, "ToolTipWin", "Tip", WS_POPUP | WS_BORDER, pt.x - h / 4, pt.y + h, 0, 0,
                                         handle_, nullptr, InstanceHandle, nullptr);
            // Without the class no tip can show; the toolbar goes on without.
            if (!tipWindow_) return 0;
            tipWindowNeeded_ = 0;
        }
        SetWindowTextA(tipWindow_, tipText_.c_str());
    } else if (tipShown_) {
        DestroyTip();
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(handle_, &pt);
        RECT client;
        GetClientRect(handle_, &client);
        const bool inside = pt.x >= 0 && pt.y >= 0 && pt.x < client.right && pt.y < client.bottom;
        if (!inside) {
            if (GetCaptor() == this) ReleaseMouse();
            tipShown_ = 0;
            DisableMouseEvent(kMouseMove);
        }
    }
    return 0;
}

void WindowsToolbar::KillToolTips() {
    if (!tipShown_ || tipsKilled_) return;
    if (GetCaptor() == this) ReleaseMouse();
    tipShown_ = 0;
    tipsKilled_ = 1;
    DestroyTip();
}

void WindowsToolbar::TrackMouse(const Point& p) {
    const Box box(0, 0, Bitmap::GetWidth(), Bitmap::GetHeight());
    if (!box.Contains(p))
        EnableToolTip(0);
    else if (!(p == last_))
        tipsKilled_ = 0;
    last_ = p;
}

void WindowsToolbar::DrawBackground() {
    Bitmap* a = art_.GetBitmapInSection("Mirror #1");
    Bitmap* b = art_.GetBitmapInSection("Mirror #2");
    const int step = a ? a->GetWidth() : 0;
    // Art of no width would never cover the strip.
    if (step > 0)
        for (int x = 0; x < Bitmap::GetWidth(); x += step) {
            Bitmap* image = x % 2 == 0 ? b : a;
            if (image) DrawAll(Point(x, 0), *image, 1);
        }
    if (a) art_.UnlockBitmapInSection("Mirror #1");
    if (b) art_.UnlockBitmapInSection("Mirror #2");
}

LRESULT WindowsToolbar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        if (IsIconic(handle_)) return 1;
        DrawBackground();
        for (Button* b : buttons_) b->Redraw();
        Update();
        return 1;
    }
    return WindowsWindow::WindowProc(message, wParam, lParam);
}
