#pragma once
// The millisecond clock. Every "now" of the program comes from here, so that tests control time.
//
// Two modes: the real clock (a monotonic count of milliseconds since the process started) and a
// virtual clock that moves only when told to: by a test (AdvanceClock), by GetMessage when it
// would otherwise sleep until the next timer, and by one idle step each time a removing
// PeekMessage finds nothing to do (a busy wait costs time). The program switches to the real
// clock at start-up; the virtual clock is the default, so every test starts at time 0.
#include "platform/wintypes.h"

// Milliseconds of the current clock; wraps at 2^32 like the system call it stands for.
DWORD GetTickCount();

namespace platform {

void UseRealClock();
// Switches to the virtual clock and sets it to the given time.
void UseVirtualClock(DWORD start = 0);
bool ClockIsVirtual();

// Virtual clock only (no effect on the real one): moves time forward by ms, or sets it.
void AdvanceClock(DWORD ms);
void SetClock(DWORD now);

// How far one idle PeekMessage moves the virtual clock (default 1 ms; 0 = never).
void SetIdleStep(DWORD ms);
DWORD IdleStep();

} // namespace platform
