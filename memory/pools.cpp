// Pools: creation and destruction, the process's pool list, the settings of a pool, and the
// operations that act on a pool's pages as a whole (pre-allocation, shrinking, locking).
//
// Invariants: a pool is on the process's pool list from its creation to its destruction (or to
// its detaching, for a shared pool), and a live pool's header carries 0xBEAD; floor <= ceiling;
// the medium limit is a quarter of the page size; the page size leaves room for one fixed-size
// block; the fixed block size changes only while the pool has no fixed-size pages.
#include "memory/pool_internal.h"

#include <algorithm>

using namespace bramble;

namespace bramble {

// Pushes a pool on the process's pool list.
void PushPoolList(MemPoolHeader* pool) {
    LibraryLock lib;
    *NextPoolLink(pool) = Global().poolList;
    Global().poolList = pool;
}

void UnlinkPoolList(MemPoolHeader* pool) {
    LibraryLock lib;
    for (MemPoolHeader** link = &Global().poolList; *link;) {
        if (*link == pool) {
            *link = *NextPoolLink(pool);
            return;
        }
        // A link to something that is no longer a pool cannot be followed: the list ends there.
        if (!IsValidPool(*link)) {
            *link = nullptr;
            return;
        }
        link = NextPoolLink(*link);
    }
}

void FillHeader(MemPoolHeader* pool, u32 flags) {
    for (auto& ring : pool->rings) ring = nullptr;
    pool->fixedPage = nullptr;
    pool->freeDescriptors = nullptr;
    pool->keptNewest = nullptr;
    pool->keptCount = 0;
    pool->signature = kPoolSignature;
    pool->flags = static_cast<u16>(flags & ~MEM_POOL_SERIALIZE);
    pool->fixedBlockSize = 0;
    pool->fixedReciprocal = 0;
    pool->smallBlockLimit = kDefaultSmallLimit;
    pool->pageSize = kDefaultPageSize;
    pool->mediumLimit = kDefaultMediumLimit;
    pool->floor = kDefaultFloor;
    pool->ceiling = kNoCeiling;
    pool->lockDepth = 0;
    pool->lockOwner = 0;
    pool->callerLocks = 0;
    for (auto& bin : pool->mediumBins) bin = nullptr;
    for (auto& word : pool->mediumBinMap) word = 0;
    for (auto& quick : pool->mediumQuick) quick = nullptr;
    for (auto& count : pool->mediumQuickCount) count = 0;
}

} // namespace bramble

namespace {

// Destroys an ordinary pool; the caller holds the pool-list mutex.
void destroyPool(MemPoolHeader* pool) {
    LockPool(pool);
    UnlinkPoolList(pool);
    pool->signature = 0;
    SetUnitKind(reinterpret_cast<uptr>(pool), 0);
    RegistrySetFlags(reinterpret_cast<uptr>(pool), 0, kUnitPoolHeader);
    ReturnAllPages(pool);
    if (IsSerialized(pool)) {
        while (pool->lockDepth > 0 && HoldsPoolLock(pool)) UnlockPool(pool);
        DeleteCriticalSection(&pool->lock);
    }
    _bri_sysFree(pool);
}

MEMPOOL createPool(u32 flags, u16 blockSize, std::int32_t count) {
    PoolListLock list;
    if (!list) return nullptr;
    void* mem;
    while (!(mem = _bri_sysAlloc(kHeaderAllocation, 0))) {
        if (!Report(nullptr, MEM_OUT_OF_MEMORY)) return nullptr;
    }
    auto* pool = static_cast<MemPoolHeader*>(mem);
    FillHeader(pool, flags);
    pool->headerBytes = kHeaderAllocation;
    pool->bytesHeld = kHeaderAllocation;
    CutDescriptors(pool, reinterpret_cast<u8*>(pool) + sizeof(MemPoolHeader), reinterpret_cast<u8*>(pool) + kHeaderAllocation);
    if (flags & MEM_POOL_SERIALIZE) {
        InitializeCriticalSection(&pool->lock);
        pool->flags |= MEM_POOL_SERIALIZE;
    }
    RegistrySetFlags(reinterpret_cast<uptr>(pool), kUnitPoolHeader, 0, pool);
    SetUnitKind(reinterpret_cast<uptr>(pool), PoolHeaderKind(pool));
    {
        LibraryLock lib;
        pool->owner = &Global();
    }
    PushPoolList(pool);
    if (!MemPoolSetBlockSizeFS(pool, blockSize)) {
        destroyPool(pool);
        return nullptr;
    }
    if (count > 0) {
        const u64 bytes = std::min<u64>(static_cast<u64>(pool->fixedBlockSize) * static_cast<u64>(count), 0xFFFFFFFF);
        MemPoolPreAllocate(pool, static_cast<u32>(bytes), MEM_FS);
    }
    return pool;
}

bool checkPool(MemPoolHeader* pool) {
    if (IsValidPool(pool)) return true;
    Report(pool, MEM_BAD_MEM_POOL);
    return false;
}

} // namespace

MEMPOOL MemPoolInit(std::uint32_t flags) { return createPool(flags, 16, 0); }

MEMPOOL MemPoolInitFS(std::uint16_t blockSize, std::int32_t blockCount, std::uint32_t flags) {
    return createPool(flags, blockSize, blockCount);
}

int MemPoolFree(MEMPOOL pool) {
    PoolListLock list;
    if (!list) return 0;
    // The default pool lasts for the whole run: every operator new depends on it.
    if (!IsValidPool(pool) || pool == DefaultPoolIfMade()) {
        Report(pool, MEM_BAD_MEM_POOL);
        return 0;
    }
    if (IsShared(pool)) {
        DetachShared(pool);
    } else {
        destroyPool(pool);
    }
    return 1;
}

int MemPoolFreeAll(std::uint32_t destroy) {
    PoolListLock list;
    if (!list) return 0;
    if (!destroy) {
        LibraryLock lib;
        Global().poolList = nullptr;
        return 1;
    }
    MemPoolHeader** link = &Global().poolList;
    for (;;) {
        MemPoolHeader* pool;
        {
            LibraryLock lib;
            pool = *link;
            if (!pool) break;
            if (!IsValidPool(pool)) {
                *link = nullptr;
                break;
            }
            if (pool == DefaultPoolIfMade()) {
                link = NextPoolLink(pool);
                continue;
            }
        }
        if (IsShared(pool)) {
            DetachShared(pool);
        } else {
            destroyPool(pool);
        }
    }
    return 1;
}

std::uint32_t MemPoolSetPageSize(MEMPOOL pool, std::uint32_t bytes) {
    if (!checkPool(pool)) return 0;
    PoolLock lock(pool);
    if (!lock) return 0;
    u32 size;
    if (bytes == kDefaultPageSize) {
        size = kDefaultPageSize;
    } else if (bytes >= 0xFFFF) {
        size = 0xFFFF;
    } else if (bytes <= 0x1000) {
        size = 0x1000;
    } else {
        size = 0x2000;
        while (size < bytes) size <<= 1;
        if (size >= 0x10000) size = 0xFFFF;
    }
    if (size < static_cast<u32>(pool->fixedBlockSize) + kFixedPageOverhead) return 0;
    const u32 old = pool->pageSize;
    pool->pageSize = static_cast<u16>(size);
    pool->mediumLimit = static_cast<u16>(size / 4);
    return old;
}

int MemPoolSetBlockSizeFS(MEMPOOL pool, std::uint16_t size) {
    if (!checkPool(pool)) return 0;
    PoolLock lock(pool);
    if (!lock) return 0;
    const u32 rounded = (static_cast<u32>(size) + 3) & ~3u;
    if (rounded > 0xFFFF || rounded + kFixedPageOverhead > pool->pageSize) {
        Report(pool, MEM_BLOCK_TOO_BIG);
        return 0;
    }
    if (pool->rings[kFixedPage]) return 0;
    pool->fixedBlockSize = static_cast<u16>(rounded);
    pool->fixedReciprocal = rounded ? static_cast<u32>(0xFFFFFFFFu / rounded + 1) : 0;
    return 1;
}

int MemPoolSetSmallBlockLimit(MEMPOOL pool, std::uint16_t bytes) {
    if (!checkPool(pool)) return 0;
    PoolLock lock(pool);
    if (!lock) return 0;
    if (bytes > kMaxSmallLimit) {
        Report(pool, MEM_BLOCK_TOO_BIG);
        return 0;
    }
    pool->smallBlockLimit = bytes;
    return 1;
}

std::uint32_t MemPoolSetFloor(MEMPOOL pool, std::uint32_t bytes) {
    if (!checkPool(pool)) return 0xFFFFFFFF;
    PoolLock lock(pool);
    if (!lock || bytes > pool->ceiling) return 0xFFFFFFFF;
    const u32 old = pool->floor;
    pool->floor = bytes == 0xFFFFFFFF ? kNoCeiling : bytes;
    return old;
}

std::uint32_t MemPoolSetCeiling(MEMPOOL pool, std::uint32_t bytes) {
    if (!checkPool(pool)) return 0xFFFFFFFF;
    PoolLock lock(pool);
    if (!lock || bytes < pool->floor || bytes < pool->bytesHeld) return 0xFFFFFFFF;
    const u32 old = pool->ceiling;
    pool->ceiling = bytes == 0xFFFFFFFF ? kNoCeiling : bytes;
    return old;
}

std::uint32_t MemPoolPreAllocate(MEMPOOL pool, std::uint32_t bytes, std::uint16_t kind) {
    if (!checkPool(pool)) return 0xFFFFFFFF;
    u16 type;
    switch (kind) {
    case MEM_FS: type = kFixedPage; break;
    case MEM_MEDIUM_SECOND: type = kMediumPage2; break;
    case MEM_MEDIUM: type = kMediumPage; break;
    default: return 0xFFFFFFFF;
    }
    PoolLock lock(pool);
    if (!lock) return 0xFFFFFFFF;
    if (type == kFixedPage && pool->fixedBlockSize == 0) {
        Report(pool, MEM_ALLOC_ZERO);
        return 0xFFFFFFFF;
    }
    PageDescriptor* before = pool->rings[type];
    u64 added = 0;
    while (added < bytes) {
        PageFailure why;
        PageHeader* page = MakePage(pool, type, pool->pageSize, 0, &why);
        if (!page) break;
        added += page->bytes;
    }
    if (before && IsValidPool(pool)) SetCurrent(pool, type, before);
    return static_cast<u32>(std::min<u64>(added, 0xFFFFFFFE));
}

std::uint32_t MemPoolShrink(MEMPOOL pool) {
    if (!checkPool(pool)) return 0xFFFFFFFF;
    PoolLock lock(pool);
    if (!lock) return 0xFFFFFFFF;
    return static_cast<u32>(std::min<u64>(ShrinkPages(pool), 0xFFFFFFFE));
}

int MemPoolLock(MEMPOOL pool) {
    if (!checkPool(pool)) return 0;
    if (!LockPool(pool)) return 0;
    if (IsSerialized(pool)) __atomic_store_n(&pool->callerLocks, pool->callerLocks + 1, __ATOMIC_RELAXED);
    return 1;
}

int MemPoolUnlock(MEMPOOL pool) {
    if (!checkPool(pool)) return 0;
    if (!IsSerialized(pool)) return 1;
    if (!HoldsPoolLock(pool)) return 0;
    if (pool->callerLocks) __atomic_store_n(&pool->callerLocks, pool->callerLocks - 1, __ATOMIC_RELAXED);
    UnlockPool(pool);
    return 1;
}
