#pragma once
// Named mutexes shared by every process of the user: recursive for the thread that holds one,
// and left to the next waiter when the process holding it ends.
#include <cstdint>

namespace platform {

struct NamedMutex;

// Creates the mutex of that name, or opens it when it exists (`existed` says which). Null when
// the system cannot provide it.
NamedMutex* CreateNamedMutex(const char* name, bool* existed);
// Opens the mutex of that name; null when there is none.
NamedMutex* OpenNamedMutex(const char* name);
// Waits without time limit; false when the wait fails.
bool WaitNamedMutex(NamedMutex* mutex);
// False when the calling thread does not hold it.
bool ReleaseNamedMutex(NamedMutex* mutex);
// How many times the calling thread holds the mutex through this handle (0 when it does not).
int NamedMutexHoldCount(NamedMutex* mutex);
// Closes this process's handle; the name goes when the last holder closes.
void CloseNamedMutex(NamedMutex* mutex);

} // namespace platform
