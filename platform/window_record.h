#pragma once
// Inside the window system (platform only): the records behind window handles. Invariants:
// a live window is in exactly one z-order list (its parent's children, or the top-level list),
// front first; every window in a list is live; `extra` has the class's cbWndExtra bytes.
#include "platform/window.h"

#include <string>
#include <vector>

struct ClassRecord {
    std::string name;
    std::string menuName;
    WNDCLASSA wc{};
};

struct WindowRecord {
    ClassRecord* cls = nullptr;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    RECT rect{};     // window rectangle in the parent's client coordinates (screen for top level)
    RECT restore{};  // rectangle to go back to from minimised or maximised
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;  // front first
    std::vector<BYTE> extra;
    HMENU menu = nullptr;
    UINT_PTR id = 0;
    bool minimized = false;
    bool maximized = false;
    bool needsPaint = false;
    bool needsErase = false;
    bool inPaint = false;
    // Client pixels (palette indices), top row first.
    std::vector<BYTE> surface;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
};

namespace platform::detail {

bool IsLive(HWND hwnd);
// Non-client widths of a window: left, top, right, bottom.
RECT Insets(HWND hwnd);
// The top-level windows, front first.
std::vector<HWND>& TopLevel();
// The screen position of a window's client origin.
POINT ClientOrigin(HWND hwnd);
// Children and top level, front first, that contain a screen point, deepest last.
HWND HitTest(POINT screen, bool* clientArea);
// Tells the backend that something on the screen changed.
void ScreenChanged();

} // namespace platform::detail
