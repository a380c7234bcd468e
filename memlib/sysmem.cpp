// Reservations and the granule registry.
// Invariants: every reservation starts on a 64 KB boundary and spans whole granules; its first
// granule's entry records its kind, committed size (4 KB pages) and reserved granules, every
// later granule's entry is a Continuation with its distance back to the first; a granule the
// library does not hold reads 0. Entries change only under the registry mutex and are read
// without it, so that checking an address costs two loads.
#include "memlib/sysmem.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <sys/mman.h>

namespace brm {
namespace {

constexpr int kAddressBits = 48;
constexpr int kLeafBits = 16; // one leaf covers 4 GB
constexpr std::size_t kTopEntries = std::size_t{1} << (kAddressBits - 16 - kLeafBits);
constexpr std::size_t kLeafEntries = std::size_t{1} << kLeafBits;

std::uint64_t* g_leaves[kTopEntries];
std::mutex g_registryMutex;
std::atomic<std::uint32_t> g_failures{0};

std::uint64_t loadEntry(std::uint64_t& e) { return std::atomic_ref<std::uint64_t>(e).load(std::memory_order_acquire); }
void storeEntry(std::uint64_t& e, std::uint64_t v) { std::atomic_ref<std::uint64_t>(e).store(v, std::memory_order_release); }

std::uint64_t* entryFor(std::uintptr_t address, bool create) {
    const std::uintptr_t granule = address >> 16;
    const std::size_t top = granule >> kLeafBits;
    if (top >= kTopEntries) return nullptr;
    std::uint64_t* leaf = std::atomic_ref<std::uint64_t*>(g_leaves[top]).load(std::memory_order_acquire);
    if (!leaf) {
        if (!create) return nullptr;
        void* m = mmap(nullptr, kLeafEntries * sizeof(std::uint64_t), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) return nullptr;
        leaf = static_cast<std::uint64_t*>(m);
        std::atomic_ref<std::uint64_t*>(g_leaves[top]).store(leaf, std::memory_order_release);
    }
    return &leaf[granule & (kLeafEntries - 1)];
}

constexpr std::uint64_t kWrittenBit = 0x80;
constexpr std::uint64_t kOpenBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kGranulesMask = 0x7FFFFFFF;

std::uint64_t encodeStart(Region kind, std::uint64_t committed, std::uint64_t reserved, bool written = false, bool open = false) {
    return static_cast<std::uint64_t>(kind) | (written ? kWrittenBit : 0) | ((committed / kSystemPage) << 8) |
           ((reserved / kGranule) << 32) | (open ? kOpenBit : 0);
}

std::uint64_t encodeContinuation(std::uint64_t distance) {
    return static_cast<std::uint64_t>(Region::Continuation) | (distance << 8);
}

bool decodeStart(std::uint64_t e, std::uint8_t* base, Reservation& out) {
    const auto kind = static_cast<Region>(e & 0x7F);
    if (kind == Region::None || kind == Region::Continuation) return false;
    out.base = base;
    out.kind = kind;
    out.committed = ((e >> 8) & 0xFFFFFF) * kSystemPage;
    out.reserved = ((e >> 32) & kGranulesMask) * kGranule;
    out.written = (e & kWrittenBit) != 0;
    out.open = (e & kOpenBit) != 0;
    return true;
}

// Called with the registry mutex held.
bool record(std::uint8_t* base, Region kind, std::uint64_t committed, std::uint64_t reserved) {
    const auto b = reinterpret_cast<std::uintptr_t>(base);
    for (std::uint64_t g = 0; g < reserved / kGranule; ++g)
        if (!entryFor(b + g * kGranule, true)) return false;
    for (std::uint64_t g = 1; g < reserved / kGranule; ++g)
        storeEntry(*entryFor(b + g * kGranule, false), encodeContinuation(g));
    storeEntry(*entryFor(b, false), encodeStart(kind, committed, reserved));
    return true;
}

void forget(const Reservation& r) {
    const auto b = reinterpret_cast<std::uintptr_t>(r.base);
    for (std::uint64_t g = 0; g < r.reserved / kGranule; ++g) storeEntry(*entryFor(b + g * kGranule, false), 0);
}

void setCommitted(const Reservation& r, std::uint64_t committed) {
    storeEntry(*entryFor(reinterpret_cast<std::uintptr_t>(r.base), false), encodeStart(r.kind, committed, r.reserved, r.written, r.open));
}

bool takeFailure() {
    std::uint32_t n = g_failures.load();
    while (n > 0)
        if (g_failures.compare_exchange_weak(n, n - 1)) return true;
    return false;
}

std::uint64_t limitedSize(std::uint64_t size, std::uint32_t flags) {
    if (flags & kSysLimit64K) size = std::min<std::uint64_t>(size, 65535);
    return roundUp(size, kSystemPage);
}

// The largest reservation the registry can describe; far beyond any 32-bit request.
constexpr std::uint64_t kMaxReservation = std::uint64_t{1} << 36;
// Reservations up to this size keep their pages accessible when their committed size shrinks.
constexpr std::uint64_t kKeepShrunkPages = 128 * 1024;

bool decommit(std::uint8_t* at, std::uint64_t length) {
    if (length == 0) return true;
    return mmap(at, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0) != MAP_FAILED;
}

} // namespace

namespace {

// A new reservation of `reserved` bytes (whole granules) with its first `rounded` bytes committed.
std::uint8_t* reserve(std::uint64_t rounded, std::uint64_t reserved, Region kind) {
    // Reserve one granule more than needed and trim both ends to land on a 64 KB boundary.
    void* m = mmap(nullptr, reserved + kGranule, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    auto* raw = static_cast<std::uint8_t*>(m);
    auto* base = reinterpret_cast<std::uint8_t*>(roundUp(reinterpret_cast<std::uintptr_t>(raw), kGranule));
    if (base > raw) munmap(raw, base - raw);
    const std::uint64_t tail = (raw + reserved + kGranule) - (base + reserved);
    if (tail) munmap(base + reserved, tail);
    if (mprotect(base, rounded, PROT_READ | PROT_WRITE) != 0) {
        munmap(base, reserved);
        return nullptr;
    }
    // Fresh anonymous memory is zero already, which is all that kSysZeroFill asks.
    std::lock_guard<std::mutex> g(g_registryMutex);
    if (!record(base, kind, rounded, reserved)) {
        munmap(base, reserved);
        return nullptr;
    }
    return base;
}

// What a large page reserves: room to double before it has to move.
std::uint64_t reservedFor(std::uint64_t rounded, std::uint32_t flags) {
    return roundUp((flags & kSysLargePage) ? 2 * rounded : rounded, kGranule);
}

// A kept reservation's record, written into its own first page after the page header's
// signature word (which stays 0).
constexpr std::size_t kKeptAt = 24;
struct Kept {
    std::uint8_t* newer;
    std::uint8_t* older;
    std::uint32_t granules;   // reserved 64 KB granules
    std::uint32_t accessible; // 4 KB pages readable and writable from the start
    std::uint32_t written;    // nonzero: pages past those may hold old contents too
    std::uint32_t counted;    // 4 KB pages counted in the cache's bytes
};

Kept keptAt(const std::uint8_t* base) {
    Kept k;
    std::memcpy(&k, base + kKeptAt, sizeof k);
    return k;
}
void setKept(std::uint8_t* base, const Kept& k) { std::memcpy(base + kKeptAt, &k, sizeof k); }

void unlinkKept(ReservationCache& cache, std::uint8_t* base) {
    const Kept k = keptAt(base);
    if (k.newer) {
        Kept n = keptAt(k.newer);
        n.older = k.older;
        setKept(k.newer, n);
    } else {
        cache.newest = k.older;
    }
    if (k.older) {
        Kept o = keptAt(k.older);
        o.newer = k.newer;
        setKept(k.older, o);
    } else {
        cache.oldest = k.newer;
    }
    --cache.count;
    cache.bytes -= std::uint64_t{k.counted} * kSystemPage;
}

void releaseKept(std::uint8_t* base, std::uint32_t granules) {
    const std::uint64_t reserved = std::uint64_t{granules} * kGranule;
    {
        std::lock_guard<std::mutex> g(g_registryMutex);
        forget(Reservation{base, Region::Cached, 0, reserved});
    }
    munmap(base, reserved);
}

} // namespace

std::uint8_t* sysAlloc(std::uint64_t size, std::uint32_t flags, Region kind) {
    const std::uint64_t rounded = limitedSize(size, flags);
    if (rounded == 0 || rounded > kMaxReservation || takeFailure()) return nullptr;
    return reserve(rounded, roundUp(rounded, kGranule), kind);
}

std::uint8_t* sysAllocReusing(ReservationCache& cache, std::uint64_t size, std::uint32_t flags, Region kind) {
    const std::uint64_t rounded = limitedSize(size, flags);
    if (rounded == 0 || rounded > kMaxReservation || takeFailure()) return nullptr;
    const std::uint64_t reserved = reservedFor(rounded, flags);
    const std::uint64_t needed = roundUp(rounded, kGranule) / kGranule;
    const std::uint64_t most = 2 * (reserved / kGranule);
    // The newest that fits best: it is the likeliest to be in the processor's caches still. One
    // of exactly the granules needed ends the search (making more of it accessible is cheap).
    std::uint8_t* best = nullptr;
    Kept bestKept{};
    for (std::uint8_t* b = cache.newest; b;) {
        const Kept k = keptAt(b);
        if (k.granules >= needed && k.granules <= most && (!best || k.granules < bestKept.granules)) {
            best = b;
            bestKept = k;
            if (k.granules == needed) break;
        }
        b = k.older;
    }
    if (!best) return reserve(rounded, reserved, kind);
    const std::uint64_t accessible = std::uint64_t{bestKept.accessible} * kSystemPage;
    const std::uint64_t whole = std::uint64_t{bestKept.granules} * kGranule;
    // A small reservation is opened whole the first time it must grow: each change of access
    // takes the process's address-space lock for writing, which threads that allocate at the
    // same time queue for. Its pages past the committed size cost nothing until written, and
    // once written they are cleared before a block grows over them, as for a shrunk block.
    const bool open = accessible >= whole || (accessible < rounded && whole <= kKeepShrunkPages);
    const std::uint64_t opening = open ? whole : rounded;
    if (accessible < rounded && mprotect(best + accessible, opening - accessible, PROT_READ | PROT_WRITE) != 0)
        return reserve(rounded, reserved, kind);
    unlinkKept(cache, best);
    if (flags & kSysZeroFill) std::memset(best, 0, rounded);
    // Pages beyond the committed size that stay accessible are the reservation's own; only the
    // committed size is recorded and reported.
    const bool written = bestKept.written != 0 || accessible > rounded;
    storeEntry(*entryFor(reinterpret_cast<std::uintptr_t>(best), false), encodeStart(kind, rounded, whole, written, open));
    return best;
}

bool sysFreeKeeping(ReservationCache& cache, void* base) {
    Reservation r;
    if (!reservationAt(base, r)) return false;
    if (r.committed > ReservationCache::kMaxBytes / 4) return sysFree(base);
    storeEntry(*entryFor(reinterpret_cast<std::uintptr_t>(r.base), false),
               encodeStart(Region::Cached, r.committed, r.reserved, r.written, r.open));
    while (cache.oldest && (cache.count == ReservationCache::kEntries || cache.bytes + r.committed > ReservationCache::kMaxBytes)) {
        std::uint8_t* oldest = cache.oldest;
        const std::uint32_t granules = keptAt(oldest).granules;
        unlinkKept(cache, oldest);
        releaseKept(oldest, granules);
    }
    setKept(r.base, Kept{nullptr, cache.newest, static_cast<std::uint32_t>(r.reserved / kGranule),
                         static_cast<std::uint32_t>((r.open ? r.reserved : r.committed) / kSystemPage), r.written ? 1u : 0u,
                         static_cast<std::uint32_t>(r.committed / kSystemPage)});
    if (cache.newest) {
        Kept n = keptAt(cache.newest);
        n.newer = r.base;
        setKept(cache.newest, n);
    } else {
        cache.oldest = r.base;
    }
    cache.newest = r.base;
    ++cache.count;
    cache.bytes += r.committed;
    return true;
}

std::uint64_t sysReleaseCache(ReservationCache& cache) {
    const std::uint64_t bytes = cache.bytes;
    while (std::uint8_t* b = cache.newest) {
        const std::uint32_t granules = keptAt(b).granules;
        unlinkKept(cache, b);
        releaseKept(b, granules);
    }
    return bytes;
}

bool sysFree(void* base) {
    Reservation r;
    {
        std::lock_guard<std::mutex> g(g_registryMutex);
        if (!reservationAt(base, r)) return false;
        forget(r);
    }
    return munmap(r.base, r.reserved) == 0;
}

std::uint64_t sysSize(const void* base) {
    Reservation r;
    return reservationAt(base, r) ? r.committed : 0;
}

bool sysResizeInPlace(void* base, std::uint64_t size, std::uint32_t flags) {
    std::lock_guard<std::mutex> g(g_registryMutex);
    Reservation r;
    if (!reservationAt(base, r)) return false;
    const std::uint64_t rounded = limitedSize(size, flags);
    if (rounded == 0) return false;
    if (rounded > r.committed) {
        if (rounded > r.reserved || takeFailure()) return false;
        if (!r.open && mprotect(r.base + r.committed, rounded - r.committed, PROT_READ | PROT_WRITE) != 0) return false;
        // A reservation taken from a pool's cache may hold written pages past its committed size;
        // everywhere else newly committed pages read zero, as callers expect.
        if (r.written) std::memset(r.base + r.committed, 0, rounded - r.committed);
    } else if (rounded < r.committed) {
        // A small reservation keeps the pages it no longer needs: a block that shrinks often
        // grows again soon, and taking the pages away and back costs two system calls and the
        // page faults. They are marked written, so they are cleared when committed again.
        if (r.reserved > kKeepShrunkPages) {
            if (!decommit(r.base + rounded, r.committed - rounded)) return false;
            r.open = false;
        } else {
            r.written = true;
        }
        const std::uint64_t kept = (flags & kSysLimit64K) ? std::min<std::uint64_t>(size, 65535) : size;
        if ((flags & kSysZeroFill) && kept < rounded) std::memset(r.base + kept, 0, rounded - kept);
    }
    setCommitted(r, rounded);
    return true;
}

std::uint8_t* sysResizeAnywhere(void* base, std::uint64_t size, std::uint32_t flags) {
    if (sysResizeInPlace(base, size, flags)) return static_cast<std::uint8_t*>(base);
    Reservation r;
    if (!reservationAt(base, r)) return nullptr;
    std::uint8_t* fresh = sysAlloc(size, flags & ~kSysZeroFill, r.kind);
    if (!fresh) return nullptr;
    // The new reservation is fresh memory, so its grown part is zero already.
    std::memcpy(fresh, r.base, std::min(r.committed, limitedSize(size, flags)));
    sysFree(r.base);
    return fresh;
}

std::uint8_t* sysResizeAnywhereReusing(ReservationCache& cache, void* base, std::uint64_t size, std::uint32_t flags) {
    if (sysResizeInPlace(base, size, flags)) return static_cast<std::uint8_t*>(base);
    Reservation r;
    if (!reservationAt(base, r)) return nullptr;
    std::uint8_t* fresh = sysAllocReusing(cache, size, flags & ~kSysZeroFill, r.kind);
    if (!fresh) return nullptr;
    const std::uint64_t rounded = limitedSize(size, flags);
    const std::uint64_t kept = std::min(r.committed, rounded);
    std::memcpy(fresh, r.base, kept);
    // A kept reservation is not fresh memory, whose grown part would read zero.
    if (rounded > kept) std::memset(fresh + kept, 0, rounded - kept);
    sysFreeKeeping(cache, r.base);
    return fresh;
}

bool reservationAt(const void* base, Reservation& out) {
    const auto b = reinterpret_cast<std::uintptr_t>(base);
    if (b & (kGranule - 1)) return false;
    std::uint64_t* e = entryFor(b, false);
    return e && decodeStart(loadEntry(*e), reinterpret_cast<std::uint8_t*>(b), out);
}

bool reservationHolding(const void* address, Reservation& out) {
    auto g = reinterpret_cast<std::uintptr_t>(granuleOf(address));
    std::uint64_t* e = entryFor(g, false);
    if (!e) return false;
    std::uint64_t v = loadEntry(*e);
    if ((v & 0xFF) == static_cast<std::uint64_t>(Region::Continuation)) {
        g -= (v >> 8) * kGranule;
        e = entryFor(g, false);
        if (!e) return false;
        v = loadEntry(*e);
    }
    if (!decodeStart(v, reinterpret_cast<std::uint8_t*>(g), out)) return false;
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    return a - g < out.reserved;
}

void injectFailures(std::uint32_t count) { g_failures.store(count); }

} // namespace brm
