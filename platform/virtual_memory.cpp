#include "platform/virtual_memory.h"

#include <atomic>
#include <cstdint>
#include <sys/mman.h>

namespace platform {
namespace {

std::atomic<int> g_failures{0};

// Consumes one scripted failure, if any is pending.
bool scriptedFailure() {
    int n = g_failures.load(std::memory_order_relaxed);
    while (n > 0) {
        if (g_failures.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) return true;
    }
    return false;
}

constexpr int kReserveFlags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;

std::size_t roundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) & ~(unit - 1); }

// Reservations of a single 64 KB unit, the most common kind (every page up to 64 KB), are carved
// from larger aligned reservations, and a released one keeps its address space, emptied, for the
// next: the system is asked for address space rarely, and never to trim an unaligned mapping.
constexpr std::size_t kUnitsPerReservation = 64;
constexpr std::size_t kMostSpareUnits = 1024;  // released units beyond this are unmapped

struct SpareUnits {
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    std::size_t count = 0;
    void* units[kMostSpareUnits] = {};
};
constinit SpareUnits g_spare;

class SpareLock {
public:
    SpareLock() {
        while (g_spare.busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~SpareLock() { g_spare.busy.clear(std::memory_order_release); }
    SpareLock(const SpareLock&) = delete;
    SpareLock& operator=(const SpareLock&) = delete;
};

// Reserves `size` bytes (a multiple of 64 KB) starting on a 64 KB boundary; null on failure.
void* reserveAligned(std::size_t size) {
    // The system often places mappings next to earlier ones, which are whole 64 KB units, so a
    // plain request is usually aligned already; otherwise over-reserve and trim both ends.
    void* p = mmap(nullptr, size, PROT_NONE, kReserveFlags, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    auto addr = reinterpret_cast<std::uintptr_t>(p);
    if ((addr & (kAllocationGranularity - 1)) == 0) return p;
    munmap(p, size);

    const std::size_t wide = size + kAllocationGranularity;
    p = mmap(nullptr, wide, PROT_NONE, kReserveFlags, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    addr = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = roundUp(addr, kAllocationGranularity);
    if (aligned > addr) munmap(p, aligned - addr);
    const std::uintptr_t end = aligned + size;
    const std::uintptr_t wideEnd = addr + wide;
    if (wideEnd > end) munmap(reinterpret_cast<void*>(end), wideEnd - end);
    return reinterpret_cast<void*>(aligned);
}

void* takeSpareUnit() {
    {
        SpareLock lock;
        if (g_spare.count > 0) return g_spare.units[--g_spare.count];
    }
    auto* block = static_cast<unsigned char*>(reserveAligned(kUnitsPerReservation * kAllocationGranularity));
    if (!block) return reserveAligned(kAllocationGranularity);
    SpareLock lock;
    std::size_t i = 1;
    for (; i < kUnitsPerReservation && g_spare.count < kMostSpareUnits; ++i) {
        g_spare.units[g_spare.count++] = block + i * kAllocationGranularity;
    }
    if (i < kUnitsPerReservation) {
        munmap(block + i * kAllocationGranularity, (kUnitsPerReservation - i) * kAllocationGranularity);
    }
    return block;
}

} // namespace

void* ReserveAddressSpace(std::size_t bytes) {
    if (bytes == 0 || bytes > (std::size_t{1} << 46)) return nullptr;
    if (scriptedFailure()) return nullptr;
    const std::size_t size = roundUp(bytes, kAllocationGranularity);
    if (size == kAllocationGranularity) return takeSpareUnit();
    return reserveAligned(size);
}

bool CommitMemory(void* at, std::size_t bytes) {
    if (bytes == 0) return true;
    if (scriptedFailure()) return false;
    return mprotect(at, roundUp(bytes, kSystemPageSize), PROT_READ | PROT_WRITE) == 0;
}

bool DecommitMemory(void* at, std::size_t bytes) {
    if (bytes == 0) return true;
    // Mapping fresh inaccessible pages over the range drops the old contents in one call; the
    // next commit then reads zeros, as with a fresh reservation.
    void* p = mmap(at, roundUp(bytes, kSystemPageSize), PROT_NONE, kReserveFlags | MAP_FIXED, -1, 0);
    return p == at;
}

bool ReleaseAddressSpace(void* base, std::size_t bytes) {
    const std::size_t size = roundUp(bytes, kAllocationGranularity);
    if (size == kAllocationGranularity) {
        SpareLock lock;
        if (g_spare.count < kMostSpareUnits) {
            // Emptied as by a decommit: the memory goes back now, the address space stays ours.
            if (mmap(base, size, PROT_NONE, kReserveFlags | MAP_FIXED, -1, 0) != base) return false;
            g_spare.units[g_spare.count++] = base;
            return true;
        }
    }
    return munmap(base, size) == 0;
}

bool LockMemory(void* at, std::size_t bytes) { return mlock(at, bytes) == 0; }

void FailNextMemoryRequests(int count) { g_failures.store(count < 0 ? 0 : count); }

int PendingMemoryRequestFailures() { return g_failures.load(); }

} // namespace platform
