#pragma once
// Registry of the 64 KB units this process's pools own, so that an address can be checked before
// anything at its masked page start is read: a foreign or stale pointer is reported, never
// followed. A two-level table indexed by unit number; the readers below are inline because every
// free and every pool operation asks.
//
// Invariants: an entry is non-zero exactly while its unit starts a live system block of an
// ordinary pool (flags, committed and reserved sizes; the owning pool for a page or a pool
// header) or lies in a shared mapping this process has mapped (flag kUnitShared, the distance in
// units to the mapping's start, and the pool at that start as owner). Only the holder of a block
// changes its entry: the owner is written before the flags that make it visible.
//
// Beside it, a flat table of one kind byte per unit lets the inline paths recognise the header or
// a page of an ordinary pool with a single load. A unit's kind is not 0 exactly while the unit is
// such a header or page (set after the header is written, cleared before the unit goes back);
// every other unit, a shared pool's included, reads 0 and is left to the full registry.
#include <atomic>
#include <cstdint>

struct MemPoolHeader;

namespace bramble {

enum UnitFlags : std::uint8_t {
    kUnitSystemBlock = 1,  // start of a system block of an ordinary pool
    kUnitPage = 2,         // ... which is a page
    kUnitPoolHeader = 4,   // ... which is a pool header
    kUnitShared = 8,       // a unit of a shared mapping mapped in this process
};

struct RegistryEntry {
    std::atomic<std::uint64_t> info;  // flags in bits 0-7, then two 28-bit fields
    std::atomic<MemPoolHeader*> owner;
};

constexpr int kRegistryAddressBits = 47;
constexpr int kRegistryUnitBits = 16;
constexpr int kRegistryLeafBits = 16;
constexpr std::uint64_t kRegistryUnits = std::uint64_t{1} << (kRegistryAddressBits - kRegistryUnitBits);
constexpr std::uint64_t kRegistryLeafEntries = std::uint64_t{1} << kRegistryLeafBits;
constexpr std::uint64_t kRegistryTopEntries = kRegistryUnits >> kRegistryLeafBits;

extern std::atomic<RegistryEntry*> g_registryTop[kRegistryTopEntries];

inline RegistryEntry* RegistryFind(std::uintptr_t address) {
    const std::uint64_t unit = static_cast<std::uint64_t>(address) >> kRegistryUnitBits;
    if (unit >= kRegistryUnits) return nullptr;
    RegistryEntry* leaf = g_registryTop[unit >> kRegistryLeafBits].load(std::memory_order_acquire);
    return leaf ? &leaf[unit & (kRegistryLeafEntries - 1)] : nullptr;
}

enum UnitKind : std::uint8_t {
    kKindSerialised = 0x08,  // the unit's pool takes its lock for every operation
    kKindPoolHeader = 0x10,  // the header of an ordinary pool
    kKindPage = 0x20,        // a page of an ordinary pool; the low three bits are its type
};

// The table covers the units of the address space below 2^47; `units` stays 0 (and every unit
// reads as kind 0) until the first unit is set, or for good when the table cannot be mapped.
struct UnitKindTable {
    std::uint8_t* table;
    std::uint64_t units;
};
extern UnitKindTable g_unitKinds;

inline std::uint8_t UnitKindOf(std::uintptr_t address) {
    const std::uint64_t unit = static_cast<std::uint64_t>(address) >> kRegistryUnitBits;
    const std::uint64_t units = __atomic_load_n(&g_unitKinds.units, __ATOMIC_ACQUIRE);
    if (unit >= units) return 0;
    return __atomic_load_n(__atomic_load_n(&g_unitKinds.table, __ATOMIC_RELAXED) + unit, __ATOMIC_RELAXED);
}
void SetUnitKind(std::uintptr_t base, std::uint8_t kind);

struct UnitInfo {
    std::uint8_t flags;
    std::uint64_t committed;   // system block: committed bytes
    std::uint64_t reserved;    // system block: reserved bytes
    std::uintptr_t sharedBase; // shared unit: start of its mapping
    MemPoolHeader* owner;
};
bool RegistryLookup(std::uintptr_t unit, UnitInfo* info);
bool RegistrySetSystemBlock(std::uintptr_t base, std::uint64_t committed, std::uint64_t reserved, std::uint8_t flags);
// Sets and clears flags of a system block; `owner` (when not null) is recorded first.
void RegistrySetFlags(std::uintptr_t base, std::uint8_t set, std::uint8_t clear, MemPoolHeader* owner = nullptr);
void RegistryClear(std::uintptr_t base);
bool RegistrySetShared(std::uintptr_t base, std::uint64_t bytes, bool mapped);

} // namespace bramble
