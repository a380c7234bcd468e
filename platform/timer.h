#pragma once
// Periodic timers of the window system. A timer belongs to the thread that set it; when it is due
// and that thread's queue has nothing posted, peeking or getting a message yields one WM_TIMER
// (missed periods are not made up) and the next period starts from then.
#include "platform/wintypes.h"

using TIMERPROC = void (*)(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

// hwnd null: a new timer whose id is returned (the id argument is ignored); with a window, the
// timer (hwnd, id) is set or replaced and id is returned. A period of 0 counts as 1 ms.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
