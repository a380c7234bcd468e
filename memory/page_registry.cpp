// Registry of the 64 KB units this process's pools own, so that an address can be checked before
// anything at its masked page start is read: a foreign or stale pointer is reported, never
// followed. A two-level table indexed by unit number; leaves come straight from the system (the
// registry must not depend on the pools it describes) and are never given back.
//
// Invariants: an entry is non-zero exactly while its unit starts a live system block of an
// ordinary pool (flags, committed and reserved sizes) or lies in a shared mapping this process has
// mapped (flag kUnitShared, distance in units to the mapping's start). Only the holder of the
// block changes its entry; readers need no lock.
#include "memory/pool_internal.h"

#include <atomic>
#include <sys/mman.h>

namespace bramble {
namespace {

constexpr int kAddressBits = 47;
constexpr int kUnitBits = 16;
constexpr int kLeafBits = 16;
constexpr u64 kUnits = u64{1} << (kAddressBits - kUnitBits);
constexpr u64 kLeafEntries = u64{1} << kLeafBits;
constexpr u64 kTopEntries = kUnits >> kLeafBits;

// Entry: flags in bits 0-7, then two 28-bit fields (4 KB pages committed / distance to a shared
// mapping's start in units, and 64 KB units reserved).
constexpr int kFieldBits = 28;
constexpr u64 kFieldMask = (u64{1} << kFieldBits) - 1;

using Leaf = std::atomic<u64>;
std::atomic<Leaf*> g_top[kTopEntries];

Leaf* leafFor(u64 unit, bool make) {
    std::atomic<Leaf*>& slot = g_top[unit >> kLeafBits];
    Leaf* leaf = slot.load(std::memory_order_acquire);
    if (leaf || !make) return leaf;
    void* mem = mmap(nullptr, kLeafEntries * sizeof(Leaf), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mem == MAP_FAILED) return nullptr;
    auto* fresh = static_cast<Leaf*>(mem);
    Leaf* expected = nullptr;
    if (!slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) {
        munmap(mem, kLeafEntries * sizeof(Leaf));
        return expected;
    }
    return fresh;
}

Leaf* entryFor(uptr address, bool make) {
    const u64 unit = static_cast<u64>(address) >> kUnitBits;
    if (unit >= kUnits) return nullptr;
    Leaf* leaf = leafFor(unit, make);
    return leaf ? &leaf[unit & (kLeafEntries - 1)] : nullptr;
}

u64 pack(u8 flags, u64 a, u64 b) { return flags | ((a & kFieldMask) << 8) | ((b & kFieldMask) << (8 + kFieldBits)); }

} // namespace

bool RegistryLookup(uptr unit, UnitInfo* info) {
    Leaf* e = entryFor(unit, false);
    if (!e) return false;
    const u64 v = e->load(std::memory_order_acquire);
    if (v == 0) return false;
    const u8 flags = static_cast<u8>(v & 0xFF);
    const u64 a = (v >> 8) & kFieldMask;
    const u64 b = (v >> (8 + kFieldBits)) & kFieldMask;
    info->flags = flags;
    if (flags & kUnitShared) {
        info->committed = info->reserved = 0;
        info->sharedBase = (unit & kPageMask) - a * kUnitBytes;
    } else {
        info->committed = a * kSystemPage;
        info->reserved = b * kUnitBytes;
        info->sharedBase = 0;
    }
    return true;
}

bool RegistrySetSystemBlock(uptr base, u64 committed, u64 reserved, u8 flags) {
    Leaf* e = entryFor(base, true);
    if (!e) return false;
    e->store(pack(flags | kUnitSystemBlock, committed / kSystemPage, reserved / kUnitBytes), std::memory_order_release);
    return true;
}

void RegistrySetFlags(uptr base, u8 set, u8 clear) {
    Leaf* e = entryFor(base, false);
    if (!e) return;
    u64 v = e->load(std::memory_order_relaxed);
    while (v != 0 && !e->compare_exchange_weak(v, (v & ~u64{clear}) | set, std::memory_order_acq_rel)) {
    }
}

void RegistryClear(uptr base) {
    if (Leaf* e = entryFor(base, false)) e->store(0, std::memory_order_release);
}

bool RegistrySetShared(uptr base, u64 bytes, bool mapped) {
    const u64 units = bytes / kUnitBytes;
    for (u64 i = 0; i < units; ++i) {
        Leaf* e = entryFor(base + i * kUnitBytes, mapped);
        if (e) {
            e->store(mapped ? pack(kUnitShared, i, 0) : 0, std::memory_order_release);
        } else if (mapped) {
            RegistrySetShared(base, i * kUnitBytes, false);
            return false;
        }
    }
    return true;
}

} // namespace bramble
