#pragma once
// Mouse and keyboard input turned into window messages: the one road by which both the SDL
// backend's events and a test's script reach the windows. Points are in screen coordinates.
#include "platform/window.h"

using SHORT = std::int16_t;

// Virtual keys.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F1 = 0x70;

// Mouse-message key flags.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;

// High bit set while the key is down. GetKeyState answers as of the key messages read so far: a
// key whose press or release still waits in the queue counts as it was before that message, so a
// letter read after a quick Shift release still sees the Shift it was typed with.
// GetAsyncKeyState answers as of the input taken in.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);

namespace platform {

enum class MouseButton { Left, Right };

// Posts the messages the window system makes for the event: WM_SETCURSOR (sent), then the
// client message (WM_MOUSEMOVE ...) to the capture window or the window under the point, or
// the non-client one; a button press activates the window first. Two left presses within the
// double-click time on one spot of a CS_DBLCLKS window give WM_LBUTTONDBLCLK.
void InjectMouseMove(int x, int y);
void InjectMouseButton(MouseButton button, bool down, int x, int y);
// WM_KEYDOWN / WM_KEYUP (WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is down) to the focus window, or
// the active one.
void InjectKey(int virtualKey, bool down);
// Forgets every held key and button (tests).
void ResetInput();

constexpr DWORD kDoubleClickTime = 500;

} // namespace platform
