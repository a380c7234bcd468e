// Pools: creation, settings, pages and page descriptors.
// Invariants: every page of a pool is on exactly one of the five circular lists, the one of its
// type, through its own descriptor, and its header names the pool and that descriptor; a
// descriptor not in use is on the free descriptor list; the size held is the sum of the
// committed sizes of the header, the pages, the descriptor blocks and the handle-slot blocks,
// and never exceeds the ceiling through a new page.
#include "memlib/pool.h"

#include <algorithm>
#include <initializer_list>

namespace brm {
namespace {

void pushDescriptors(Pool* pool, std::uint8_t* from, std::uint8_t* to) {
    for (std::uint8_t* p = from; p + kDescriptorGrid <= to; p += kDescriptorGrid) {
        auto* d = reinterpret_cast<PageDescriptor*>(p);
        *d = PageDescriptor{};
        d->next = pool->freeDescriptors;
        pool->freeDescriptors = d;
    }
}

std::uint64_t grownSize(std::uint64_t old) { return std::min<std::uint64_t>(old + std::min<std::uint64_t>(old, 16384), 65535); }

// Grows an allocation in place by the library's step and returns the new room, if any.
bool growInPlace(Pool* pool, std::uint8_t* base, std::uint8_t*& from, std::uint8_t*& to) {
    const std::uint64_t old = sysSize(base);
    if (old == 0 || old >= 65536) return false;
    if (!sysResizeInPlace(base, grownSize(old), pool->flags | kSysLimit64K)) return false;
    const std::uint64_t now = sysSize(base);
    from = base + old;
    to = base + now;
    pool->sizeHeld += static_cast<std::uint32_t>(now - old);
    return true;
}

bool refillDescriptors(Pool* pool) {
    auto* header = reinterpret_cast<std::uint8_t*>(pool);
    if (!pool->headerRoomTaken) {
        pool->headerRoomTaken = 1;
        pushDescriptors(pool, header + roundUp(sizeof(Pool), kDescriptorGrid), header + kPoolHeaderBytes);
        return pool->freeDescriptors != nullptr;
    }
    std::uint8_t *from, *to;
    if (growInPlace(pool, header, from, to) ||
        (pool->descriptorBlocks && growInPlace(pool, pool->descriptorBlocks, from, to))) {
        pushDescriptors(pool, from, to);
        return pool->freeDescriptors != nullptr;
    }
    for (;;) {
        for (std::uint64_t size = 4096; size >= 8 + kDescriptorGrid; size /= 2) {
            std::uint8_t* block = sysAlloc(size, pool->flags | kSysLimit64K, Region::DescriptorBlock);
            if (!block) continue;
            store(block, pool->descriptorBlocks);
            pool->descriptorBlocks = block;
            const std::uint64_t committed = sysSize(block);
            pool->sizeHeld += static_cast<std::uint32_t>(committed);
            pushDescriptors(pool, block + 8, block + committed);
            return pool->freeDescriptors != nullptr;
        }
        if (!report(pool, MEM_OUT_OF_MEMORY)) return pool->freeDescriptors != nullptr;
    }
}

PageDescriptor* takeDescriptor(Pool* pool) {
    if (!pool->freeDescriptors && !refillDescriptors(pool)) return nullptr;
    PageDescriptor* d = pool->freeDescriptors;
    pool->freeDescriptors = d->next;
    *d = PageDescriptor{};
    return d;
}

void linkAsHead(Pool* pool, int type, PageDescriptor* d) {
    PageDescriptor*& head = pool->lists[type];
    if (!head) {
        d->next = d->prev = d;
    } else {
        d->prev = head;
        d->next = head->next;
        head->next->prev = d;
        head->next = d;
    }
    head = d;
}

void unlink(Pool* pool, int type, PageDescriptor* d) {
    PageDescriptor*& head = pool->lists[type];
    if (d->next == d) {
        head = nullptr;
    } else {
        if (head == d) head = d->next;
        d->prev->next = d->next;
        d->next->prev = d->prev;
    }
    d->page = nullptr;
    d->next = pool->freeDescriptors;
    pool->freeDescriptors = d;
}

std::uint16_t normalisedPageSize(std::uint32_t request) {
    if (request == 16384) return 16384;
    if (request >= 65535) return 65535;
    if (request <= 4096) return 4096;
    if (request <= 8192) return 8192;
    if (request <= 16384) return 16384;
    if (request <= 32768) return 32768;
    return 65535;
}

std::uint32_t settingValue(std::uint32_t bytes) { return bytes == 0xFFFFFFFFu ? MEM_NO_CEILING : bytes; }

void releaseChain(std::uint8_t* block) {
    while (block) {
        std::uint8_t* previous = load<std::uint8_t*>(block);
        sysFree(block);
        block = previous;
    }
}

} // namespace

bool validPool(const Pool* pool) {
    Reservation r;
    return pool && reservationAt(pool, r) && r.kind == Region::PoolHeader && pool->signature == kPoolSignature;
}

bool findPage(const void* address, PageRef& out) {
    Reservation r;
    std::uint8_t* page = granuleOf(address);
    if (!reservationAt(page, r) || r.kind != Region::Page) return false;
    const std::uint16_t sig = pageSignature(page);
    if ((sig & 0xFFF8) != kPageSignature) return false;
    out.page = page;
    out.committed = r.committed;
    out.type = sig & 7;
    out.pool = pagePool(page);
    return true;
}

std::uint8_t* newPage(Pool* pool, int type, std::uint64_t size, std::uint32_t allocFlags) {
    const std::uint64_t rounded = roundUp(size, kSystemPage);
    if (std::uint64_t{pool->sizeHeld} + rounded > pool->ceiling) {
        report(pool, MEM_EXCEEDED_CEILING);
        return nullptr;
    }
    PageDescriptor* d = takeDescriptor(pool);
    if (!d) return nullptr;
    linkAsHead(pool, type, d);
    const std::uint32_t sysFlags = type == kLargePage
                                       ? (largePageFlags(pool) | ((allocFlags & kZeroFill) ? kSysZeroFill : 0))
                                       : (pool->flags | kSysLimit64K);
    std::uint8_t* page = sysAllocReusing(pool->released, size, sysFlags, Region::Page);
    if (!page) {
        unlink(pool, type, d);
        return nullptr;
    }
    const std::uint64_t committed = sysSize(page);
    setPagePool(page, pool);
    setPageDescriptor(page, d);
    setPageInUse(page, 0);
    setPageSignature(page, static_cast<std::uint16_t>(kPageSignature | type));
    d->page = page;
    switch (type) {
    case kFixedPage:
        formatFixedPage(page, committed, pool->fixedBlockSize);
        d->hint = 1;
        break;
    case kLargePage:
        setLargeOwner(page, nullptr);
        setPageInUse(page, 1);
        d->moveable = static_cast<std::uint8_t>(allocFlags & kMoveable);
        d->hint = 0;
        break;
    default:
        d->hint = static_cast<std::uint16_t>(initVariablePage(page, size));
        break;
    }
    d->state = kStateOnePiece;
    pool->sizeHeld += static_cast<std::uint32_t>(committed);
    return page;
}

bool deletePage(std::uint8_t* page, bool honourFloor) {
    Pool* pool = pagePool(page);
    PageDescriptor* d = pageDescriptor(page);
    const std::uint64_t committed = sysSize(page);
    if (honourFloor && std::uint64_t{pool->sizeHeld} - committed < pool->floor) return false;
    unlink(pool, pageType(page), d);
    pool->sizeHeld -= static_cast<std::uint32_t>(committed);
    setPageSignature(page, 0);
    sysFreeKeeping(pool->released, page);
    return true;
}

std::uint32_t shrinkPool(Pool* pool) {
    const std::uint32_t before = pool->sizeHeld;
    bool stopped = false;
    for (int type : {kVariablePage, kFixedPage, kMoveablePage, kUnusedPage}) {
        int count = 0;
        if (PageDescriptor* head = pool->lists[type]) {
            PageDescriptor* d = head;
            do {
                ++count;
                d = d->next;
            } while (d != head);
        }
        PageDescriptor* d = pool->lists[type];
        for (int i = 0; i < count && d && !stopped; ++i) {
            PageDescriptor* next = d->next;
            if (pageInUse(d->page) == 0 && !deletePage(d->page, true)) stopped = true;
            d = pool->lists[type] ? next : nullptr;
        }
        if (stopped) break;
    }
    if (!stopped && pool->compactionInstalled) compactPool(pool, 65535);
    // What the pool kept for reuse goes back to the system too; it was never in the size held.
    sysReleaseCache(pool->released);
    return before > pool->sizeHeld ? before - pool->sizeHeld : 0;
}

void destroyPool(Pool* pool) {
    const bool serialised = pool->flags & POOL_SERIALIZED;
    if (serialised) pool->lock.enter();
    LibraryGuard g;
    for (Pool** p = &library().pools; *p; p = &(*p)->next)
        if (*p == pool) {
            *p = pool->next;
            break;
        }
    pool->signature = 0;
    for (PageDescriptor* head : pool->lists) {
        if (!head) continue;
        PageDescriptor* d = head;
        do {
            PageDescriptor* next = d->next;
            setPageSignature(d->page, 0);
            sysFree(d->page);
            d = next;
        } while (d != head);
    }
    sysReleaseCache(pool->released);
    releaseChain(pool->descriptorBlocks);
    releaseChain(pool->slotBlocks);
    if (serialised) {
        pool->lock.leave();
        pool->lock.destroy();
    }
    sysFree(pool);
}

} // namespace brm

using namespace brm;

extern "C" {

BRM_API MEMPOOL MemPoolInitFS(std::uint16_t blockSize, std::uint32_t blockCount, std::uint32_t flags) {
    std::uint8_t* header;
    while (!(header = sysAlloc(kPoolHeaderBytes, (flags & ~4u) | kSysLimit64K, Region::PoolHeader)))
        if (!report(nullptr, MEM_OUT_OF_MEMORY)) return nullptr;
    Pool* pool = reinterpret_cast<Pool*>(header);
    std::memset(static_cast<void*>(pool), 0, sizeof(Pool));
    pool->signature = kPoolSignature;
    pool->flags = static_cast<std::uint16_t>(flags & ~POOL_SERIALIZED);
    pool->pageSize = 16384;
    pool->mediumLimit = 4096;
    pool->sizeHeld = kPoolHeaderBytes;
    pool->ceiling = MEM_NO_CEILING;
    if (flags & POOL_SERIALIZED) {
        pool->lockDepth = 0;
        pool->lock.initialise();
        pool->flags = static_cast<std::uint16_t>(flags); // serialised only once the lock exists
    }
    {
        LibraryGuard g;
        pool->library = &library();
        pool->next = library().pools;
        library().pools = pool;
    }
    if (!MemPoolSetBlockSizeFS(pool, blockSize)) {
        destroyPool(pool);
        return nullptr;
    }
    if (blockCount)
        MemPoolPreAllocate(pool, static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                     std::uint64_t{blockCount} * blockSize, 0xFFFFFFFEu)),
                           PREALLOC_FIXED);
    return pool;
}

BRM_API MEMPOOL MemPoolInit(std::uint32_t flags) { return MemPoolInitFS(16, 0, flags); }

BRM_API std::int32_t MemPoolFree(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    destroyPool(pool);
    return 1;
}

BRM_API std::uint16_t MemPoolSetPageSize(MEMPOOL pool, std::uint32_t size) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    PoolLock lock(pool);
    const std::uint16_t wanted = normalisedPageSize(size);
    if (wanted < pool->fixedBlockSize + 28) return 0;
    const std::uint16_t previous = pool->pageSize;
    pool->pageSize = wanted;
    pool->mediumLimit = wanted / 4;
    return previous;
}

BRM_API std::int32_t MemPoolSetBlockSizeFS(MEMPOOL pool, std::uint32_t size) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    PoolLock lock(pool);
    std::uint32_t rounded = 0;
    if (size != 0) {
        rounded = (size + 3) & ~3u;
        if (rounded > 0xFFFF || rounded > std::uint32_t{pool->pageSize} - 28) {
            report(pool, MEM_BLOCK_TOO_BIG);
            return 0;
        }
    }
    if (pool->lists[kFixedPage]) return 0;
    pool->fixedBlockSize = rounded;
    return 1;
}

BRM_API std::uint32_t MemPoolSetFloor(MEMPOOL pool, std::uint32_t bytes) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    const std::uint32_t floor = settingValue(bytes);
    if (pool->ceiling < floor) return MEM_FAILED;
    const std::uint32_t previous = pool->floor;
    pool->floor = floor;
    return previous;
}

BRM_API std::uint32_t MemPoolSetCeiling(MEMPOOL pool, std::uint32_t bytes) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    const std::uint32_t ceiling = settingValue(bytes);
    if (ceiling < pool->floor || ceiling < pool->sizeHeld) return MEM_FAILED;
    const std::uint32_t previous = pool->ceiling;
    pool->ceiling = ceiling;
    return previous;
}

BRM_API std::uint32_t MemPoolPreAllocate(MEMPOOL pool, std::uint32_t bytes, std::uint32_t kind) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    int type;
    switch (kind) {
    case PREALLOC_FIXED:
        if (pool->fixedBlockSize == 0) {
            report(pool, MEM_ALLOC_ZERO);
            return MEM_FAILED;
        }
        type = kFixedPage;
        break;
    case PREALLOC_MOVEABLE: type = kMoveablePage; break;
    case PREALLOC_VARIABLE: type = kVariablePage; break;
    default: return MEM_FAILED;
    }
    std::uint64_t total = 0;
    while (total < bytes && newPage(pool, type, pool->pageSize, 0)) total += pool->pageSize;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFEu));
}

BRM_API std::uint32_t MemPoolShrink(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    return shrinkPool(pool);
}

BRM_API std::uint32_t MemPoolSize(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    return pool->sizeHeld;
}

BRM_API std::uint32_t MemPoolCount(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return MEM_FAILED;
    }
    PoolLock lock(pool);
    std::uint32_t count = 0;
    for (PageDescriptor* head : pool->lists) {
        if (!head) continue;
        PageDescriptor* d = head;
        do {
            count += pageInUse(d->page);
            d = d->next;
        } while (d != head);
    }
    return count;
}

BRM_API std::int32_t _bri_deletePage(void* page, std::int32_t honourFloor) {
    PageRef ref;
    if (!findPage(page, ref) || ref.page != page || ref.type > kLargePage) {
        report(nullptr, MEM_BAD_POINTER);
        return 0;
    }
    PoolLock lock(ref.pool);
    return deletePage(ref.page, honourFloor != 0) ? 1 : 0;
}

BRM_API std::int32_t MemRegisterTask(void) {
    LibraryGuard g;
    LibraryRecord& lib = library();
    if (lib.taskCount++ == 0 && lib.pools) ++lib.taskCount;
    return 1;
}

BRM_API std::int32_t MemUnregisterTask(void) {
    Pool* pools;
    {
        LibraryGuard g;
        LibraryRecord& lib = library();
        if (lib.taskCount > 0 && --lib.taskCount > 0) return 1;
        lib.taskCount = 0;
        pools = lib.pools;
        lib.pools = nullptr;
    }
    // Each pool's lock is taken before the library lock everywhere else, so the pools are
    // destroyed after the list has been taken out and the library lock left.
    while (pools) {
        Reservation r;
        Pool* pool = pools;
        if (validPool(pool)) {
            pools = pool->next;
            destroyPool(pool);
        } else if (reservationAt(pool, r)) {
            pools = pool->next; // readable but damaged: only dropped
        } else {
            pools = nullptr; // the rest of the chain cannot be read
        }
    }
    return 1;
}

BRM_API std::uint32_t MemVersion(void) { return 0x2202; }

BRM_API void* _bri_sysAlloc(std::uint32_t size, std::uint32_t flags) { return sysAlloc(size, flags, Region::Raw); }

BRM_API void _bri_failSystemMemory(std::uint32_t count) { injectFailures(count); }

BRM_API std::int32_t _bri_sysFree(void* address) {
    Reservation r;
    // Pools' own memory is released only by the pools; a caller may free what it asked for.
    if (!reservationAt(address, r) || r.kind != Region::Raw) return 0;
    return sysFree(address) ? 1 : 0;
}

BRM_API std::uint32_t _bri_sysSize(void* address) {
    // The committed bytes from the address's system page to the end of its region.
    Reservation r;
    if (!reservationHolding(address, r)) return 0;
    const std::uint64_t offset = (reinterpret_cast<std::uintptr_t>(address) & ~(kSystemPage - 1)) -
                                 reinterpret_cast<std::uintptr_t>(r.base);
    if (offset >= r.committed) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(r.committed - offset, 0xFFFFFFFFu));
}

} // extern "C"
