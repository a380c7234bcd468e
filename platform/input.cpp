#include "platform/input.h"

#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/mdi.h"
#include "platform/menu_record.h"
#include "platform/message_queue.h"
#include "platform/window_record.h"

#include <cstdlib>

namespace {

struct InputState {
    bool keys[256] = {};
    HWND lastClickWindow = nullptr;
    DWORD lastClickTime = 0;
    POINT lastClickPoint{-100, -100};
    bool haveClick = false;
};

// Key message flags: the key was down before this message; this message releases it.
constexpr LPARAM kPreviousDown = LPARAM{1} << 30;
constexpr LPARAM kReleased = LPARAM{1} << 31;

InputState& I() {
    static InputState s;
    return s;
}

WPARAM KeyFlags() {
    const InputState& s = I();
    WPARAM f = 0;
    if (s.keys[VK_LBUTTON]) f |= MK_LBUTTON;
    if (s.keys[VK_RBUTTON]) f |= MK_RBUTTON;
    if (s.keys[VK_SHIFT]) f |= MK_SHIFT;
    if (s.keys[VK_CONTROL]) f |= MK_CONTROL;
    return f;
}

LPARAM Pack(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// The window that gets a mouse event at a screen point, and whether it is in the client area.
HWND Target(POINT p, bool* client) {
    if (HWND c = GetCapture()) {
        *client = true;
        return c;
    }
    return platform::detail::HitTest(p, client);
}

void Deliver(UINT clientMessage, UINT ncMessage, POINT p, bool setCursor) {
    bool client = false;
    const HWND w = Target(p, &client);
    if (!w) return;
    if (setCursor && !GetCapture())
        SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(client ? HTCLIENT : HTCAPTION, static_cast<WORD>(clientMessage)));
    if (!IsWindow(w)) return;
    if (client) {
        POINT c = p;
        ScreenToClient(w, &c);
        PostMessage(w, clientMessage, KeyFlags(), Pack(c.x, c.y));
    } else if (ncMessage) {
        PostMessage(w, ncMessage, HTCAPTION, Pack(p.x, p.y));
    }
}

void ActivateFor(POINT p) {
    bool client = false;
    HWND w = Target(p, &client);
    if (!w) return;
    // Every window from the one clicked up to its top-level window hears of the click.
    LRESULT reply = 0;
    for (HWND a = w; a && IsWindow(a); a = a->parent) reply = SendMessageA(a, WM_MOUSEACTIVATE, 0, 0);
    HWND top = w;
    while (top && top->parent) top = top->parent;
    if (reply == MA_NOACTIVATE) return;
    // A window a modal dialog has disabled stays where it is: raised, it would hide the dialog.
    if (top && IsWindow(top) && IsWindowEnabled(top)) SetActiveWindow(top);
}

} // namespace

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= 256) return 0;
    // Input is taken in ahead of the messages it makes (a whole typed word may arrive at once): a
    // key with a message still waiting was, for the message being read now, as that message says
    // it was before.
    MSG waiting;
    if (platform::EarliestKeyMessage(static_cast<WPARAM>(virtualKey), &waiting))
        return (waiting.lParam & kPreviousDown) ? static_cast<SHORT>(0x8000) : 0;
    return GetAsyncKeyState(virtualKey);
}

SHORT GetAsyncKeyState(int virtualKey) {
    return virtualKey >= 0 && virtualKey < 256 && I().keys[virtualKey] ? static_cast<SHORT>(0x8000) : 0;
}

namespace platform {

void InjectMouseMove(int x, int y) {
    SetCursorPos(x, y);
    if (detail::MenuMouse(WM_MOUSEMOVE, POINT{x, y})) return;
    Deliver(WM_MOUSEMOVE, WM_NCMOUSEMOVE, POINT{x, y}, true);
}

void InjectMouseButton(MouseButton button, bool down, int x, int y) {
    InputState& s = I();
    SetCursorPos(x, y);
    const POINT p{x, y};
    const bool left = button == MouseButton::Left;
    s.keys[left ? VK_LBUTTON : VK_RBUTTON] = down;
    // An open menu, or a press on a menu bar, takes the button before any window.
    if (detail::MenuMouse(down ? (left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN) : (left ? WM_LBUTTONUP : WM_RBUTTONUP), p)) return;
    if (!down) {
        Deliver(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, p, false);
        return;
    }
    ActivateFor(p);
    UINT message = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    if (left) {
        bool client = false;
        const HWND w = Target(p, &client);
        const DWORD now = GetTickCount();
        const bool dbl = s.haveClick && w == s.lastClickWindow && now - s.lastClickTime <= kDoubleClickTime &&
                         std::abs(x - s.lastClickPoint.x) <= 2 && std::abs(y - s.lastClickPoint.y) <= 2 && w &&
                         (w->cls->wc.style & CS_DBLCLKS);
        if (dbl) {
            message = WM_LBUTTONDBLCLK;
            s.haveClick = false;
        } else {
            s.haveClick = true;
            s.lastClickWindow = w;
            s.lastClickTime = now;
            s.lastClickPoint = p;
        }
    }
    Deliver(message, left ? WM_NCLBUTTONDOWN : 0, p, true);
}

void InjectKey(int virtualKey, bool down) {
    InputState& s = I();
    if (virtualKey < 0 || virtualKey > 255) return;
    const bool alt = s.keys[VK_MENU] || (virtualKey == VK_MENU && down);
    const bool wasDown = s.keys[virtualKey];
    s.keys[virtualKey] = down;
    if (detail::MenuKey(virtualKey, down)) return;
    HWND w = GetFocus();
    if (!w) w = GetActiveWindow();
    if (!w) return;
    const bool sys = alt && !s.keys[VK_CONTROL];
    const UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM flags = 1;  // one repeat
    if (alt) flags |= 1 << 29;
    if (wasDown) flags |= kPreviousDown;
    if (!down) flags |= kReleased;
    PostMessage(w, message, static_cast<WPARAM>(virtualKey), flags);
}

void ResetInput() { I() = InputState{}; }

} // namespace platform
