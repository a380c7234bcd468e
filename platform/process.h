#pragma once
// Process and thread queries: ids, and what the address space of a process holds.
#include "platform/wintypes.h"
#include <cstddef>
#include <cstdint>

// Ids are unique across the system while the thread or process lives.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

namespace platform {

// True when the address lies in a mapping of this process that may be executed.
bool IsExecutableAddress(const void* address);

// Lowest address at or above `from` (a multiple of 64 KB) where `bytes` of address space are
// free in process `pid` and the range ends at or below `limit`: stored in `found`, 0 when there
// is none. False when the process cannot be inspected.
bool FindFreeAddressRange(DWORD pid, std::uintptr_t from, std::size_t bytes, std::uintptr_t limit,
                          std::uintptr_t* found);

} // namespace platform
