// The registry's table and its writers; the invariants are stated in page_registry.h. Leaves come
// straight from the system (the registry must not depend on the pools it describes) and are
// never given back.
#include "memory/page_registry.h"

#include "memory/pool_internal.h"

#include <sys/mman.h>

namespace bramble {

std::atomic<RegistryEntry*> g_registryTop[kRegistryTopEntries];
UnitKindTable g_unitKinds{nullptr, 0};

namespace {

constexpr int kFieldBits = 28;
constexpr u64 kFieldMask = (u64{1} << kFieldBits) - 1;

RegistryEntry* entryFor(uptr address, bool make) {
    if (RegistryEntry* e = RegistryFind(address)) return e;
    const u64 unit = static_cast<u64>(address) >> kRegistryUnitBits;
    if (!make || unit >= kRegistryUnits) return nullptr;
    std::atomic<RegistryEntry*>& slot = g_registryTop[unit >> kRegistryLeafBits];
    const std::size_t bytes = kRegistryLeafEntries * sizeof(RegistryEntry);
    void* mem = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mem == MAP_FAILED) return nullptr;
    auto* fresh = static_cast<RegistryEntry*>(mem);
    RegistryEntry* expected = nullptr;
    if (!slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) {
        munmap(mem, bytes);
        fresh = expected;
    }
    return &fresh[unit & (kRegistryLeafEntries - 1)];
}

u64 pack(u8 flags, u64 a, u64 b) { return flags | ((a & kFieldMask) << 8) | ((b & kFieldMask) << (8 + kFieldBits)); }

} // namespace

// The kind table is 2 GB of address space of which only the pages that hold a set byte are ever
// backed; reading the rest costs nothing. Without it the inline paths simply never decide.
void SetUnitKind(uptr base, u8 kind) {
    const u64 unit = static_cast<u64>(base) >> kRegistryUnitBits;
    if (unit >= kRegistryUnits) return;
    if (__atomic_load_n(&g_unitKinds.units, __ATOMIC_ACQUIRE) == 0) {
        if (kind == 0) return;
        static std::atomic<u8*> made{nullptr};
        u8* table = made.load(std::memory_order_acquire);
        if (!table) {
            void* mem = mmap(nullptr, kRegistryUnits, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            if (mem == MAP_FAILED) return;
            u8* expected = nullptr;
            if (made.compare_exchange_strong(expected, static_cast<u8*>(mem), std::memory_order_acq_rel)) {
                table = static_cast<u8*>(mem);
            } else {
                munmap(mem, kRegistryUnits);
                table = expected;
            }
        }
        __atomic_store_n(&g_unitKinds.table, table, __ATOMIC_RELAXED);
        __atomic_store_n(&g_unitKinds.units, kRegistryUnits, __ATOMIC_RELEASE);
    }
    __atomic_store_n(__atomic_load_n(&g_unitKinds.table, __ATOMIC_RELAXED) + unit, kind, __ATOMIC_RELEASE);
}

bool RegistryLookup(uptr unit, UnitInfo* info) {
    RegistryEntry* e = RegistryFind(unit);
    if (!e) return false;
    const u64 v = e->info.load(std::memory_order_acquire);
    if (v == 0) return false;
    const auto flags = static_cast<u8>(v & 0xFF);
    const u64 a = (v >> 8) & kFieldMask;
    const u64 b = (v >> (8 + kFieldBits)) & kFieldMask;
    info->flags = flags;
    info->owner = e->owner.load(std::memory_order_relaxed);
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
    RegistryEntry* e = entryFor(base, true);
    if (!e) return false;
    e->info.store(pack(flags | kUnitSystemBlock, committed / kSystemPage, reserved / kUnitBytes),
                  std::memory_order_release);
    return true;
}

void RegistrySetFlags(uptr base, u8 set, u8 clear, MemPoolHeader* owner) {
    RegistryEntry* e = entryFor(base, false);
    if (!e) return;
    if (owner) e->owner.store(owner, std::memory_order_relaxed);
    u64 v = e->info.load(std::memory_order_relaxed);
    while (v != 0 && !e->info.compare_exchange_weak(v, (v & ~u64{clear}) | set, std::memory_order_acq_rel)) {
    }
}

void RegistryClear(uptr base) {
    SetUnitKind(base, 0);
    if (RegistryEntry* e = entryFor(base, false)) {
        e->info.store(0, std::memory_order_release);
        e->owner.store(nullptr, std::memory_order_relaxed);
    }
}

bool RegistrySetShared(uptr base, u64 bytes, bool mapped) {
    const u64 units = bytes / kUnitBytes;
    auto* pool = reinterpret_cast<MemPoolHeader*>(base);
    for (u64 i = 0; i < units; ++i) {
        RegistryEntry* e = entryFor(base + i * kUnitBytes, mapped);
        if (e) {
            e->owner.store(mapped ? pool : nullptr, std::memory_order_relaxed);
            e->info.store(mapped ? pack(kUnitShared, i, 0) : 0, std::memory_order_release);
        } else if (mapped) {
            RegistrySetShared(base, i * kUnitBytes, false);
            return false;
        }
    }
    return true;
}

} // namespace bramble
