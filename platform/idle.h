#pragma once
// What an idle message loop needs beyond PeekMessage: waiting for the next message instead of
// polling, and knowing whether a window still waits to be painted.
#include "platform/wintypes.h"

// Waits until something may be taken: a message posted to the calling thread, a quit, a window
// waiting for WM_PAINT or a due timer; a live input source (a display, a script, watched sockets)
// is looked at again every few milliseconds meanwhile. On the user-interface thread the screen is
// brought up to date before it waits. Without a live input source it returns at once too (nothing
// but a timer could end the wait, and a headless loop may be counting idle turns to give up).
// On the virtual clock it returns at once (the clock moves
// only when a test or GetMessage moves it), so that a loop polling with PeekMessage behaves as
// before. The loops that poll with PeekMessage call it when they find nothing to do, so that an
// idle program sleeps instead of spinning.
BOOL WaitMessage();

namespace platform {
// Whether a visible window waits for WM_PAINT.
bool WindowWaitingForPaint();
} // namespace platform
