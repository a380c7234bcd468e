#pragma once
// The program's start and end: one copy at a time (a named mutex), the out-of-memory handler
// with its 20000-byte reserve, the game application, the main window (700 by 500 at 50,50), the
// status bar with two panes of 150 and the game toolbar, the run, and the teardown in a fixed
// order: status bar, toolbar, main window, the mutex, then the application.
#include "memory/pool_api.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

namespace startup {

inline constexpr const char* kInstanceMutex = "Varnhold' Dudevi Mutex";
inline constexpr std::size_t kReserveSize = 20000;
inline constexpr const char* kOutOfMemoryText =
    "You have run out of memory.  Please close any\nopen applications and click on Retry or click\non Cancel to close "
    "Varnhold";
inline constexpr const char* kOutOfMemoryCaption = "The Varnhold";

// The name of the single-instance mutex; tests that run side by side give each process its own.
void SetInstanceMutexName(const char* name);
// Whether the out-of-memory reserve is held now.
bool HasMemoryReserve();

} // namespace startup

// 0 after a run, 1 when another copy runs already (nothing else is made then).
int WinMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int showCommand);

// The memory manager's error handler: out of memory gives back the reserve and asks Retry or
// Cancel; Retry makes a new reserve and retries, Cancel ends the program. Other errors get the
// memory manager's own answer.
std::uint32_t MemoryErrorHandler(MemErrorInfo* info);
