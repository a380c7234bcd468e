#pragma once
// Address space and committed memory, as the memory manager asks for them. Reservations start on
// a 64 KB boundary so that a block's page is found by masking its address; commit and decommit
// work on whole 4 KB pages inside a reservation. Freshly committed memory reads as zeros.
#include <cstddef>

namespace platform {

constexpr std::size_t kAllocationGranularity = 0x10000;
constexpr std::size_t kSystemPageSize = 0x1000;

// Reserves `bytes` (rounded up to 64 KB) of address space without access; null on failure.
void* ReserveAddressSpace(std::size_t bytes);
// Makes whole pages of a reservation readable and writable.
bool CommitMemory(void* at, std::size_t bytes);
// Drops the contents of whole pages and takes their access away; the range stays reserved.
bool DecommitMemory(void* at, std::size_t bytes);
// Gives a whole reservation back, with whatever is committed in it (a single 64 KB unit may keep
// its address space, emptied, for a later reservation).
bool ReleaseAddressSpace(void* base, std::size_t bytes);
// Keeps committed pages in physical memory (best effort: the system may refuse).
bool LockMemory(void* at, std::size_t bytes);

// Tests: the next `count` reservations or commits fail as a system out of memory would.
void FailNextMemoryRequests(int count);
int PendingMemoryRequestFailures();

} // namespace platform
