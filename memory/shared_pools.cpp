// Shared pools: pools in a named mapping that every process maps at the same address, so that the
// pool's own pointers hold everywhere. Each process keeps a record per shared pool it has mapped
// (mapping and mutex handles, its pool-list link); pages are whole 64 KB ranges of the mapping,
// taken first from a ring of free ranges, then from the committed end.
//
// Invariants: the free-range ring is circular through a sentinel (count 0, address all ones);
// its ranges lie between the header's allocation and the committed end, do not overlap, and
// none ends where another starts.
#include "memory/pool_internal.h"
#include "platform/named_mutex.h"
#include "platform/process.h"
#include "platform/shared_memory.h"
#include "platform/virtual_memory.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace bramble;

namespace bramble {
void PushPoolList(MemPoolHeader* pool);
void UnlinkPoolList(MemPoolHeader* pool);
void FillHeader(MemPoolHeader* pool, u32 flags);
} // namespace bramble

namespace {

constexpr u16 kRangeRecord = 7;  // descriptor type of a free-range record
constexpr uptr kRangeStart = 0x100000000000;  // where shared mappings are placed
constexpr uptr kRangeEnd = 0x700000000000;

struct SharedRecord {
    MemPoolHeader* pool;
    MemPoolHeader* nextPool;
    platform::SharedMapping* mapping;
    platform::NamedMutex* mutex;
    char* name;
    SharedRecord* next;
    SharedRecord* prev;
};

// Records are made with the C library: they must not come from a pool.
SharedRecord* g_records = nullptr;

SharedRecord* findRecord(const MemPoolHeader* pool) {
    LibraryLock lib;
    if (SharedRecord* r = g_records) {
        do {
            if (r->pool == pool) return r;
            r = r->next;
        } while (r != g_records);
    }
    return nullptr;
}

SharedRecord* findRecordByName(const char* name) {
    LibraryLock lib;
    if (SharedRecord* r = g_records) {
        do {
            if (std::strcmp(r->name, name) == 0) return r;
            r = r->next;
        } while (r != g_records);
    }
    return nullptr;
}

SharedRecord* addRecord(MemPoolHeader* pool, platform::SharedMapping* mapping, platform::NamedMutex* mutex,
                        const char* name) {
    auto* r = static_cast<SharedRecord*>(std::malloc(sizeof(SharedRecord)));
    const std::size_t len = std::strlen(name) + 1;
    char* copy = static_cast<char*>(std::malloc(len));
    if (!r || !copy) {
        std::free(r);
        std::free(copy);
        return nullptr;
    }
    std::memcpy(copy, name, len);
    *r = {pool, nullptr, mapping, mutex, copy, nullptr, nullptr};
    LibraryLock lib;
    if (!g_records) {
        r->next = r->prev = r;
        g_records = r;
    } else {
        r->next = g_records;
        r->prev = g_records->prev;
        g_records->prev->next = r;
        g_records->prev = r;
    }
    return r;
}

void removeRecord(SharedRecord* r) {
    {
        LibraryLock lib;
        if (r->next == r) {
            g_records = nullptr;
        } else {
            r->prev->next = r->next;
            r->next->prev = r->prev;
            if (g_records == r) g_records = r->next;
        }
    }
    std::free(r->name);
    std::free(r);
}

// The generator of the pool-mutex names and base addresses is the library's own, so that the
// program's rand() sequence is never disturbed.
struct Random {
    u32 seed;
    u32 next() {
        seed = seed * 214013u + 2531011u;
        return (seed >> 16) & 0x7FFF;
    }
};

uptr findBaseAddress(uptr wanted, u32 processCount, const std::uint32_t* processIds, u64 bytes) {
    uptr candidate;
    if (wanted) {
        candidate = wanted & kPageMask;
    } else {
        Random rnd{GetCurrentThreadId() ^ static_cast<u32>(std::time(nullptr))};
        u64 r = 0;
        for (int i = 0; i < 4; ++i) r = (r << 15) | rnd.next();
        const uptr half = (kRangeEnd - kRangeStart) / 2;
        candidate = (kRangeStart + half + static_cast<uptr>(r % half)) & kPageMask;
    }
    bool wrapped = false;
    const DWORD self = GetCurrentProcessId();
    for (;;) {
        // Each process names the next place from the candidate on where the mapping fits; the
        // highest of them is the next candidate, until all agree.
        uptr best = candidate;
        bool agreed = true;
        for (u32 i = 0; i <= processCount; ++i) {
            const DWORD pid = i == 0 ? self : processIds[i - 1];
            uptr found = 0;
            if (!platform::FindFreeAddressRange(pid, candidate, bytes, kRangeEnd, &found)) return 0;
            if (found != candidate) {
                agreed = false;
                if (found == 0) {
                    best = 0;
                    break;
                }
                if (found > best) best = found;
            }
        }
        if (agreed) return candidate;
        if (best == 0) {
            if (wrapped) return 0;
            wrapped = true;
            candidate = kRangeStart;
            continue;
        }
        candidate = best;
    }
}

platform::NamedMutex* makePoolMutex(MemPoolHeader* pool) {
    Random rnd{GetCurrentThreadId() ^ static_cast<u32>(reinterpret_cast<uptr>(pool) >> 16)};
    for (int attempt = 0; attempt < 64; ++attempt) {
        const u32 n = static_cast<u32>(rnd.next()) * static_cast<u32>(rnd.next());
        std::snprintf(pool->mutexName, sizeof pool->mutexName, "BRI%lX", static_cast<unsigned long>(n));
        bool existed = false;
        platform::NamedMutex* m = platform::CreateNamedMutex(pool->mutexName, &existed);
        if (!m) return nullptr;
        // A name another pool already uses would make the two pools share one lock.
        if (!existed) return m;
        platform::CloseNamedMutex(m);
    }
    return nullptr;
}

MemPoolHeader* createShared(uptr wanted, u32 processCount, const std::uint32_t* processIds, const char* name,
                            u64 bytes, u32 flags) {
    bytes = RoundUp(bytes < kMinSharedMapping ? kMinSharedMapping : bytes, kUnitBytes);
    platform::SharedMapping* mapping = platform::CreateSharedMapping(name, bytes);
    if (!mapping) return nullptr;
    u8* view = nullptr;
    for (int attempt = 0; attempt < 8 && !view; ++attempt) {
        const uptr base = findBaseAddress(wanted, processCount, processIds, bytes);
        if (!base) break;
        view = static_cast<u8*>(platform::MapSharedView(mapping, reinterpret_cast<void*>(base), bytes));
    }
    if (!view) {
        platform::CloseSharedMapping(mapping);
        return nullptr;
    }
    if (flags & kRequestLock) platform::LockMemory(view, kSharedHeaderAllocation);

    auto* pool = reinterpret_cast<MemPoolHeader*>(view);
    FillHeader(pool, flags | MEM_POOL_SHARED);
    pool->flags |= MEM_POOL_SHARED | MEM_POOL_SERIALIZE;
    pool->owner = view;
    pool->mappingSize = bytes;
    pool->committed = kSharedHeaderAllocation;
    pool->headerBytes = kSharedHeaderAllocation;
    pool->bytesHeld = kSharedHeaderAllocation;
    CutDescriptors(pool, view + sizeof(MemPoolHeader), view + kSharedHeaderAllocation);
    PageDescriptor* sentinel = TakeDescriptor(pool);
    sentinel->flags = static_cast<u16>(kRangeRecord << 12);
    sentinel->hint = 0;
    sentinel->page = reinterpret_cast<u8*>(~uptr{0});
    sentinel->next = sentinel->prev = sentinel;
    pool->freeRanges = sentinel;

    platform::NamedMutex* mutex = makePoolMutex(pool);
    SharedRecord* record = mutex ? addRecord(pool, mapping, mutex, name) : nullptr;
    if (!record || !RegistrySetShared(reinterpret_cast<uptr>(view), bytes, true)) {
        if (record) removeRecord(record);
        platform::CloseNamedMutex(mutex);
        platform::UnmapSharedView(view, bytes);
        platform::CloseSharedMapping(mapping);
        return nullptr;
    }
    PushPoolList(pool);
    MemPoolSetBlockSizeFS(pool, 16);
    return pool;
}

MemPoolHeader* attachShared(const char* name) {
    if (SharedRecord* r = findRecordByName(name)) return r->pool;
    platform::SharedMapping* mapping = platform::OpenSharedMapping(name);
    if (!mapping) return nullptr;
    // The header says where every process maps the pool and how large it is.
    uptr base = 0;
    u64 bytes = 0;
    char mutexName[sizeof(MemPoolHeader::mutexName)] = {};
    if (auto* peek = static_cast<MemPoolHeader*>(platform::MapSharedView(mapping, nullptr, kSharedHeaderAllocation))) {
        if (peek->signature == kPoolSignature && (peek->flags & MEM_POOL_SHARED)) {
            base = reinterpret_cast<uptr>(peek->owner);
            bytes = peek->mappingSize;
            std::memcpy(mutexName, peek->mutexName, sizeof mutexName);
            mutexName[sizeof mutexName - 1] = 0;
        }
        platform::UnmapSharedView(peek, kSharedHeaderAllocation);
    }
    if (!base || (base & ~kPageMask) || bytes > platform::SharedMappingSize(mapping)) {
        platform::CloseSharedMapping(mapping);
        return nullptr;
    }
    if (SharedRecord* r = findRecord(reinterpret_cast<MemPoolHeader*>(base))) {
        platform::CloseSharedMapping(mapping);
        return r->pool;
    }
    void* view = platform::MapSharedView(mapping, reinterpret_cast<void*>(base), bytes);
    if (!view) {
        platform::CloseSharedMapping(mapping);
        return nullptr;
    }
    auto* pool = static_cast<MemPoolHeader*>(view);
    platform::NamedMutex* mutex = platform::OpenNamedMutex(mutexName);
    SharedRecord* record = mutex ? addRecord(pool, mapping, mutex, name) : nullptr;
    if (!record || !RegistrySetShared(base, bytes, true)) {
        if (record) removeRecord(record);
        platform::CloseNamedMutex(mutex);
        platform::UnmapSharedView(view, bytes);
        platform::CloseSharedMapping(mapping);
        return nullptr;
    }
    PushPoolList(pool);
    return pool;
}

u8* rangeEnd(const PageDescriptor* r) { return r->page + static_cast<u64>(r->hint) * kUnitBytes; }

void unlinkRange(MemPoolHeader* pool, PageDescriptor* r) {
    r->prev->next = r->next;
    r->next->prev = r->prev;
    GiveDescriptor(pool, r);
}

} // namespace

namespace bramble {

u8* SharedRangeTake(MemPoolHeader* pool, u64 bytes, u8* wanted, u32 requestFlags) {
    const u64 units = bytes / kUnitBytes;
    PageDescriptor* sentinel = pool->freeRanges;
    for (PageDescriptor* r = sentinel->next; r != sentinel; r = r->next) {
        if (r->hint < units || (wanted && r->page != wanted)) continue;
        u8* at = r->page;
        if (r->hint == units) {
            unlinkRange(pool, r);
        } else {
            r->page += bytes;
            r->hint = static_cast<u16>(r->hint - units);
        }
        if (requestFlags & kRequestZero) std::memset(at, 0, bytes);
        return at;
    }
    u8* end = reinterpret_cast<u8*>(pool) + pool->committed;
    if (wanted && wanted != end) return nullptr;
    if (pool->mappingSize - pool->committed < bytes) return nullptr;
    pool->committed += bytes;
    if (requestFlags & kRequestLock) platform::LockMemory(end, bytes);
    return end;
}

void SharedRangeGive(MemPoolHeader* pool, u8* address, u64 bytes) {
    const u64 units = bytes / kUnitBytes;
    PageDescriptor* sentinel = pool->freeRanges;
    PageDescriptor* before = nullptr;  // the range that ends where this one starts
    PageDescriptor* after = nullptr;   // the range that starts where this one ends
    for (PageDescriptor* r = sentinel->next; r != sentinel; r = r->next) {
        if (rangeEnd(r) == address) before = r;
        if (r->page == address + bytes) after = r;
    }
    if (before) {
        before->hint = static_cast<u16>(before->hint + units);
        if (after) {
            before->hint = static_cast<u16>(before->hint + after->hint);
            unlinkRange(pool, after);
        }
        return;
    }
    if (after) {
        after->page = address;
        after->hint = static_cast<u16>(after->hint + units);
        return;
    }
    PageDescriptor* r = TakeDescriptor(pool);
    if (!r) {
        Report(pool, MEM_OUT_OF_MEMORY);
        return;
    }
    r->flags = static_cast<u16>(kRangeRecord << 12);
    r->hint = static_cast<u16>(units);
    r->page = address;
    r->next = sentinel->next;
    r->prev = sentinel;
    sentinel->next->prev = r;
    sentinel->next = r;
}

platform::NamedMutex* SharedPoolMutex(const MemPoolHeader* pool) {
    SharedRecord* r = findRecord(pool);
    return r ? r->mutex : nullptr;
}

MemPoolHeader** NextPoolLink(MemPoolHeader* pool) {
    if (!IsShared(pool)) return &pool->nextPool;
    if (SharedRecord* r = findRecord(pool)) return &r->nextPool;
    static MemPoolHeader* none = nullptr;
    none = nullptr;
    return &none;
}

void DetachShared(MemPoolHeader* pool) {
    SharedRecord* r = findRecord(pool);
    if (!r) return;
    LockPool(pool);
    UnlinkPoolList(pool);
    const u64 bytes = pool->mappingSize;
    platform::NamedMutex* mutex = r->mutex;
    platform::SharedMapping* mapping = r->mapping;
    // Every hold of this thread goes, so that the other processes find the lock as free as its
    // depth says.
    while (HoldsPoolLock(pool)) UnlockPool(pool);
    platform::CloseNamedMutex(mutex);
    removeRecord(r);
    RegistrySetShared(reinterpret_cast<uptr>(pool), bytes, false);
    platform::UnmapSharedView(pool, bytes);
    platform::CloseSharedMapping(mapping);
}

bool IsRangeRecord(const PageDescriptor* d) { return DescriptorType(d) == kRangeRecord; }

} // namespace bramble

MEMPOOL MemPoolInitSharedAt(void* baseAddress, std::uint32_t processCount, const std::uint32_t* processIds,
                            void* securityAttributes, const char* name, std::uint32_t mappingSize,
                            std::uint32_t flags) {
    (void)securityAttributes;  // the mapping is the user's own (mode 0600)
    if (!name || !*name || (processCount && !processIds)) return nullptr;
    PoolListLock list;
    if (!list) return nullptr;
    for (;;) {
        if (MemPoolHeader* pool = attachShared(name)) return pool;
        if (MemPoolHeader* pool = createShared(reinterpret_cast<uptr>(baseAddress), processCount, processIds, name,
                                               mappingSize, flags)) {
            return pool;
        }
        if (!Report(nullptr, MEM_OUT_OF_MEMORY)) return nullptr;
    }
}

MEMPOOL MemPoolInitShared(const char* name, std::uint32_t mappingSize, std::uint32_t flags) {
    return MemPoolInitSharedAt(nullptr, 0, nullptr, nullptr, name, mappingSize, flags);
}

MEMPOOL MemPoolAttachShared(MEMPOOL pool, const char* name) {
    if (pool && findRecord(pool)) return pool;
    if (!name || !*name) return nullptr;
    PoolListLock list;
    if (!list) return nullptr;
    return attachShared(name);
}
