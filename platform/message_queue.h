#pragma once
// The window-message queue: one queue of MSG records per thread, with post, peek (removing or
// not), get, translate and dispatch. Window procedures are not here: the window system installs
// one dispatcher that DispatchMessage hands every window's message to. Timer messages come from
// platform/timer.h and are made by the queue when a timer is due and nothing was posted.
#include "platform/process.h"
#include "platform/wintypes.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// Message numbers.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// System commands (wParam of WM_SYSCOMMAND; the low four bits are the system's own).
constexpr WPARAM SC_CLOSE = 0xF060;

// PeekMessage flags.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Posting: hwnd null posts to the calling thread's queue, a window's messages go to the queue
// of the thread that owns the window. FALSE when the target thread is unknown.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Asks the calling thread's loop to end: WM_QUIT comes once every posted message has been taken.
void PostQuitMessage(int exitCode);

// Takes (PM_REMOVE) or looks at (PM_NOREMOVE) the first message for hwnd (null: any) whose
// number lies in [first, last] (both 0: any). Posted messages come first, then the input the
// backend has waiting (turned into posted messages), then WM_QUIT, then WM_PAINT for a window
// that waits for it (on the user-interface thread), then a due timer. TRUE when a message was
// found. A WM_PAINT taken is not made again until the window is invalidated again, so that a
// loop that takes messages without dispatching them never spins on one.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT removeFlags);
// Waits for a message as PeekMessage would take it; 0 for WM_QUIT, -1 when hwnd is not a
// window (nothing would ever come), else 1. Before it waits, the screen is brought up to date.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last);
// Keyboard translation is the window system's; here it only says whether it would apply.
BOOL TranslateMessage(const MSG* msg);
// WM_TIMER with a timer procedure calls the procedure; every other message goes to the installed
// window dispatcher (0 when there is none).
LRESULT DispatchMessage(const MSG* msg);

// A message number unique to the name for the rest of the run (0xC000 upward; names compare
// without regard to case).
UINT RegisterWindowMessage(const char* name);

namespace platform {

// The window system's entry for DispatchMessage.
using WindowDispatcher = LRESULT (*)(const MSG& msg);
void SetWindowDispatcher(WindowDispatcher dispatcher);

// Which thread owns a window; by default every window belongs to the user-interface thread.
using WindowThreadResolver = DWORD (*)(HWND hwnd);
void SetWindowThreadResolver(WindowThreadResolver resolver);

// What the queue asks of the window system and the backend when nothing is posted; each may be
// null. pollInput turns waiting input into posted messages and answers whether the input source
// must be polled again while the thread waits (a live display); nextPaint names a window that
// waits for WM_PAINT (limited to `filter` and its children when not null), or null, and with
// `take` counts it as handed out; idle runs
// before the thread waits (it presents the screen); isWindow tells a live window handle.
struct PumpSources {
    bool (*pollInput)() = nullptr;
    HWND (*nextPaint)(HWND filter, bool take) = nullptr;
    void (*idle)() = nullptr;
    bool (*isWindow)(HWND hwnd) = nullptr;
};
void SetPumpSources(const PumpSources& sources);

// The sockets' readiness check (platform/socket.h), run by any thread's pump whenever it finds
// nothing posted: it posts the notifications that are due and answers whether any socket is
// watched, so that a waiting thread looks again every few milliseconds.
using SocketPoller = bool (*)();
void SetSocketPoller(SocketPoller poller);

// The user-interface thread: the thread that first used the queue unless set.
void SetUiThread(DWORD threadId);
DWORD UiThread();

// Tests: empties every queue, forgets every timer and pending quit.
void ResetMessageQueues();
// Posted messages waiting in the calling thread's queue.
unsigned PendingMessageCount();
// The earliest key message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP) of the key
// `virtualKey` waiting in the calling thread's queue; false when none waits. Nothing is taken.
bool EarliestKeyMessage(WPARAM virtualKey, MSG* out);

} // namespace platform
