#pragma once
// System memory for the library: reservations that start on 64 KB boundaries, committed from
// their start, and a registry of every 64 KB granule the library holds, so that an address can be
// told to be the library's before anything at it is read.
#include <cstdint>

namespace brm {

constexpr std::uintptr_t kGranule = 0x10000;
constexpr std::uint64_t kSystemPage = 4096;

constexpr std::uint32_t kSysZeroFill = 0x0100;
constexpr std::uint32_t kSysLimit64K = 0x1000;
constexpr std::uint32_t kSysLargePage = 0x2000;

// What a reservation holds; recorded when it is made.
enum class Region : std::uint8_t {
    None = 0,
    Continuation,     // a later granule of a reservation longer than 64 KB
    Raw,              // made through the exported _bri_sysAlloc
    PoolHeader,
    Page,
    SlotBlock,
    DescriptorBlock,
    Cached,           // released by its pool and kept for the pool's next page
};

struct Reservation {
    std::uint8_t* base = nullptr;
    Region kind = Region::None;
    std::uint64_t committed = 0;
    std::uint64_t reserved = 0;
    // Pages past the committed size may hold what an earlier user of the reservation wrote.
    bool written = false;
    // Every page of the reservation is readable and writable, past the committed size too.
    bool open = false;
};

constexpr std::uint64_t roundUp(std::uint64_t v, std::uint64_t to) { return (v + to - 1) / to * to; }

inline std::uint8_t* granuleOf(const void* address) {
    return reinterpret_cast<std::uint8_t*>(reinterpret_cast<std::uintptr_t>(address) & ~(kGranule - 1));
}

// Null on failure (including an injected one). The size is first limited to 65535 with
// kSysLimit64K, then rounded up to 4096; the reservation is that rounded up to 64 KB.
std::uint8_t* sysAlloc(std::uint64_t size, std::uint32_t flags, Region kind);
// Releases a whole reservation that starts at base.
bool sysFree(void* base);
// Committed size of the reservation that starts at base, 0 when base starts none.
std::uint64_t sysSize(const void* base);
bool sysResizeInPlace(void* base, std::uint64_t size, std::uint32_t flags);
// In place when it can, else a new reservation with a copy; null on failure (old one intact).
std::uint8_t* sysResizeAnywhere(void* base, std::uint64_t size, std::uint32_t flags);

// The reservation that starts exactly at base.
bool reservationAt(const void* base, Reservation& out);
// The reservation whose span holds the address.
bool reservationHolding(const void* address, Reservation& out);

// Reservations a pool has released, kept for its next pages so that a page that falls empty, or a
// large block that comes and goes, costs no system call. Its owner serialises every use (the
// pool's lock, or the single thread of an unserialised pool). Bounded by entries and by bytes;
// the oldest goes back to the system first. The memory of a kept reservation stays committed,
// and its own first bytes (past the cleared page signature) link it into the list.
struct ReservationCache {
    static constexpr std::uint32_t kEntries = 1024;
    static constexpr std::uint64_t kMaxBytes = 16u << 20;
    std::uint8_t* newest;
    std::uint8_t* oldest;
    std::uint32_t count;
    std::uint64_t bytes; // committed bytes of all entries when they were kept
};

// sysAlloc that takes a kept reservation of the cache when one fits. A large page (kSysLargePage)
// reserves twice its size, so that it can grow in place.
std::uint8_t* sysAllocReusing(ReservationCache& cache, std::uint64_t size, std::uint32_t flags, Region kind);
// Keeps the reservation in the cache (returning the oldest when the cache is past its bound).
bool sysFreeKeeping(ReservationCache& cache, void* base);
// sysResizeAnywhere through the cache.
std::uint8_t* sysResizeAnywhereReusing(ReservationCache& cache, void* base, std::uint64_t size, std::uint32_t flags);
// Gives every kept reservation back to the system; the bytes they held.
std::uint64_t sysReleaseCache(ReservationCache& cache);

// Makes the next `count` requests for memory fail.
void injectFailures(std::uint32_t count);

} // namespace brm
