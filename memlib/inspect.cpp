// Describing pools, iterating over them, walking their blocks, checking a pool or a pointer.
// A walk is a cursor in the caller's record; the library keeps nothing of it between calls, and
// checks whatever the record names against the pool before it reads through it.
#include "memlib/pool.h"
#include "memlib/variable_page.h"

#include <algorithm>
#include <initializer_list>

namespace brm {
namespace {

enum class Step { Next, Done, Damage };

std::uint32_t areaEnd(const std::uint8_t* page) { return load<std::uint32_t>(page + 24); }
std::uint32_t fixedHead(const std::uint8_t* page) { return load<std::uint32_t>(page + 20); }

// The lock count of a handle that a block names as its owner, or -1 when the handle does not
// point back at the block.
int ownerLockCount(MEMHANDLE handle, const std::uint8_t* data) {
    if (!isSlot(handle)) return -1;
    auto* slot = reinterpret_cast<HandleSlot*>(handle);
    return slot->block == data ? lockCountOf(slot) : -1;
}

Step stepVariable(std::uint8_t* page, std::uint64_t committed, int type, PoolWalkRecord* rec) {
    VarPage vp(page);
    const std::uint32_t s = vp.sentinel();
    std::uint32_t b;
    if (!rec->entry) {
        if (committed <= std::uint64_t{s} + 9 || s < kVariableFirstBlock) return Step::Damage;
        b = kVariableFirstBlock;
    } else {
        const auto cur = static_cast<std::uint64_t>(static_cast<std::uint8_t*>(rec->entry) - page) - 2;
        if (cur < kVariableFirstBlock || cur >= s) return Step::Damage;
        b = static_cast<std::uint32_t>(cur) + vp.size(static_cast<std::uint32_t>(cur));
        if (b < kVariableFirstBlock || b > s) return Step::Damage;
    }
    if (b == s) return Step::Done;
    const std::uint16_t h = vp.header(b);
    const std::uint32_t size = VarPage::sizeOf(h);
    if (size < kMinBlock || b + size > s) return Step::Damage;
    rec->entry = page + b + 2;
    rec->kind = type == kVariablePage ? MEM_KIND_FIXED_POSITION : MEM_KIND_MOVEABLE;
    rec->inUse = h & 1;
    rec->handle = nullptr;
    rec->lockCount = 0;
    if ((h & 1) && (h & kHandleBit)) {
        rec->size = size - kHandleOverhead;
        rec->handle = load<MEMHANDLE>(page + b + size - kHandleExtra);
        const int locks = ownerLockCount(rec->handle, page + b + 2);
        if (locks < 0) return Step::Damage;
        rec->lockCount = static_cast<std::uint32_t>(locks);
    } else {
        rec->size = size - 2;
    }
    return Step::Next;
}

Step stepFixed(Pool* pool, std::uint8_t* page, std::uint64_t committed, PoolWalkRecord* rec, bool freeListTest) {
    const std::uint32_t bs = pool->fixedBlockSize;
    const std::uint32_t end = areaEnd(page);
    if (bs == 0 || end < kFixedFirstBlock) return Step::Damage;
    std::uint32_t off;
    if (!rec->entry) {
        if (committed <= std::uint64_t{end} - 1) return Step::Damage;
        const std::uint32_t head = fixedHead(page);
        if (head && (head < kFixedFirstBlock || head + bs > end)) return Step::Damage;
        if (end == kFixedFirstBlock) return Step::Done;
        off = kFixedFirstBlock;
    } else {
        off = static_cast<std::uint32_t>(static_cast<std::uint8_t*>(rec->entry) - page) + bs;
        if (off == end) return Step::Done;
        if (off < kFixedFirstBlock || off > end || (off - kFixedFirstBlock) % bs) return Step::Damage;
    }
    rec->entry = page + off;
    rec->kind = MEM_KIND_FIXED_SIZE;
    rec->size = bs;
    rec->handle = nullptr;
    rec->lockCount = 0;
    if (freeListTest) {
        const int t = fixedFreeListTest(page, bs, off);
        if (t < 0) return Step::Damage;
        rec->inUse = t == 1 ? 0 : 1;
    }
    return Step::Next;
}

Step stepLarge(std::uint8_t* page, std::uint64_t committed, PoolWalkRecord* rec) {
    if (rec->entry) return Step::Done;
    std::uint8_t* data = page + kLargeData;
    rec->entry = data;
    rec->size = static_cast<std::uint32_t>(std::min<std::uint64_t>(committed - kLargeData, 0xFFFFFFFEu));
    rec->inUse = 1;
    rec->handle = largeOwner(page);
    rec->lockCount = 0;
    if (rec->handle) {
        const int locks = ownerLockCount(rec->handle, data);
        if (locks < 0) return Step::Damage;
        rec->lockCount = static_cast<std::uint32_t>(locks);
    }
    switch (pageDescriptor(page)->moveable) {
    case 0: rec->kind = MEM_KIND_FIXED_POSITION; break;
    case kMoveable: rec->kind = MEM_KIND_MOVEABLE; break;
    default: return Step::Damage;
    }
    return Step::Next;
}

// Whether a descriptor named by a walk record is one of this pool's, describing a live page.
bool descriptorOfPool(Pool* pool, const void* d, int type) {
    Reservation r;
    if (!reservationHolding(d, r)) return false;
    if (!(r.kind == Region::PoolHeader && r.base == reinterpret_cast<std::uint8_t*>(pool)) && r.kind != Region::DescriptorBlock)
        return false;
    const auto* desc = static_cast<const PageDescriptor*>(d);
    PageRef ref;
    return desc->page && findPage(desc->page, ref) && ref.page == desc->page && ref.pool == pool &&
           pageDescriptor(ref.page) == desc && ref.type == type;
}

// One step of a walk: 1 a block described, 0 the end, -2 damage (reported).
int walkStep(Pool* pool, PoolWalkRecord* rec, bool& freeListTest, bool switchTestOn) {
    if (!rec->entry) {
        rec->pool = pool;
        rec->pageList = -1;
        rec->descriptor = nullptr;
    }
    for (int guard = 0; guard < (1 << 20); ++guard) {
        if (!rec->descriptor) {
            do ++rec->pageList;
            while (rec->pageList < kPageLists && !pool->lists[rec->pageList]);
            if (rec->pageList >= kPageLists) {
                rec->entry = nullptr;
                rec->descriptor = nullptr;
                rec->pageList = -1;
                return 0;
            }
            rec->descriptor = pool->lists[rec->pageList];
            rec->entry = nullptr;
        }
        const int type = rec->pageList;
        if (type < 0 || type >= kPageLists || !descriptorOfPool(pool, rec->descriptor, type)) {
            report(pool, MEM_BAD_BLOCK);
            return -2;
        }
        auto* desc = static_cast<PageDescriptor*>(rec->descriptor);
        std::uint8_t* page = desc->page;
        const std::uint64_t committed = sysSize(page);
        Step step;
        switch (type) {
        case kFixedPage: step = stepFixed(pool, page, committed, rec, freeListTest); break;
        case kLargePage: step = stepLarge(page, committed, rec); break;
        case kVariablePage:
        case kMoveablePage: step = stepVariable(page, committed, type, rec); break;
        default: step = Step::Damage; break;
        }
        if (switchTestOn && type != kFixedPage) freeListTest = true;
        if (step == Step::Next) return 1;
        if (step == Step::Damage) {
            report(pool, MEM_BAD_BLOCK);
            return -2;
        }
        rec->entry = nullptr;
        rec->descriptor = desc->next == pool->lists[type] ? nullptr : desc->next;
    }
    report(pool, MEM_BAD_BLOCK);
    return -2;
}

bool variableFreeListSound(std::uint8_t* page) {
    VarPage vp(page);
    const std::uint32_t s = vp.sentinel();
    if ((vp.header(s) & ~2u) != 1) return false;
    const std::uint32_t bound = (s - kVariableFirstBlock) / kMinBlock + 2;
    const std::uint32_t rover = vp.rover();
    bool roverSeen = rover == s;
    std::uint32_t b = s;
    for (std::uint32_t n = 0;; ++n) {
        const std::uint32_t next = vp.next(b);
        if (n > bound || next < kVariableFirstBlock || next > s || (next - kVariableFirstBlock) % 4) return false;
        if (vp.prev(next) != b) return false;
        if (next == s) break;
        const std::uint16_t h = vp.header(next);
        if ((h & 1) || !(h & 2) || (h & kFreeSizeMask) == 0) return false;
        if (next == rover) roverSeen = true;
        b = next;
    }
    return roverSeen;
}

void fillInfo(Pool* pool, PoolInfoRecord* info) {
    info->pool = pool;
    std::uint32_t kinds = 0;
    if (pool->lists[kVariablePage]) kinds |= MEM_KIND_FIXED_POSITION;
    if (pool->lists[kMoveablePage]) kinds |= MEM_KIND_MOVEABLE;
    if (pool->lists[kFixedPage]) kinds |= MEM_KIND_FIXED_SIZE;
    if (PageDescriptor* head = pool->lists[kLargePage]) {
        PageDescriptor* d = head;
        do {
            kinds |= d->moveable == kMoveable ? MEM_KIND_MOVEABLE : MEM_KIND_FIXED_POSITION;
            d = d->next;
        } while (d != head && (kinds & (MEM_KIND_MOVEABLE | MEM_KIND_FIXED_POSITION)) !=
                                  (MEM_KIND_MOVEABLE | MEM_KIND_FIXED_POSITION));
    }
    info->kinds = kinds;
    info->fixedBlockSize = pool->fixedBlockSize;
    info->pageSize = pool->pageSize;
    info->floor = pool->floor;
    info->ceiling = pool->ceiling;
    info->flags = pool->flags;
    LibraryGuard g;
    info->handler = library().handler;
}

} // namespace
} // namespace brm

using namespace brm;

extern "C" {

BRM_API std::int32_t MemPoolInfo(MEMPOOL pool, void* block, PoolInfoRecord* info) {
    if (!info) return 0;
    if (block) {
        PageRef ref;
        if (!findPage(block, ref)) {
            report(nullptr, MEM_BAD_POINTER);
            return 0;
        }
        if (pool && ref.pool != pool) {
            report(pool, MEM_BAD_POINTER);
            return 0;
        }
        if (!pool) pool = ref.pool;
    } else if (!pool) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    PoolLock lock(pool);
    fillInfo(pool, info);
    return 1;
}

BRM_API std::int32_t MemPoolNext(PoolInfoRecord* info, std::uint32_t) {
    if (!info) return -1;
    if (info->pool && !validPool(info->pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return -1;
    }
    Pool* next;
    {
        LibraryGuard g;
        next = info->pool ? info->pool->next : library().pools;
    }
    if (!next) return 0;
    PoolLock lock(next);
    fillInfo(next, info);
    return 1;
}

BRM_API std::int32_t MemPoolFirst(PoolInfoRecord* info, std::uint32_t x) {
    if (!info) return -1;
    info->pool = nullptr;
    return MemPoolNext(info, x);
}

BRM_API std::int32_t MemPoolWalk(MEMPOOL pool, PoolWalkRecord* walk) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return -2;
    }
    if (!walk) return -2;
    PoolLock lock(pool);
    bool freeListTest = true;
    return walkStep(pool, walk, freeListTest, false);
}

BRM_API std::int32_t MemPoolCheck(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    PoolLock lock(pool);
    PoolWalkRecord rec{};
    // The free lists of fixed-size pages are tested by the walk only after a variable or large
    // page; all of them are tested below.
    bool freeListTest = false;
    int r;
    while ((r = walkStep(pool, &rec, freeListTest, true)) == 1) {}
    if (r < 0) return 0;
    for (int type : {kVariablePage, kFixedPage, kMoveablePage}) {
        PageDescriptor* head = pool->lists[type];
        if (!head) continue;
        PageDescriptor* d = head;
        do {
            const bool sound = type == kFixedPage ? fixedFreeListTest(d->page, pool->fixedBlockSize, 0) >= 0
                                                  : variableFreeListSound(d->page);
            if (!sound) {
                report(pool, MEM_BAD_FREE_BLOCK);
                return 0;
            }
            d = d->next;
        } while (d != head);
    }
    std::uint32_t code = 0;
    if (!checkPoolStructure(pool, code)) {
        report(pool, code);
        return 0;
    }
    return 1;
}

BRM_API std::int32_t MemCheckPtr(MEMPOOL pool, void* address) {
    PageRef ref;
    if (!findPage(address, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return 0;
    }
    if (pool && pool != ref.pool) return 0;
    PoolLock lock(ref.pool);
    const auto* p = static_cast<const std::uint8_t*>(address);
    const auto off = static_cast<std::uint64_t>(p - ref.page);
    switch (ref.type) {
    case kVariablePage:
    case kMoveablePage: {
        if (isUsedVariableBlock(ref.page, ref.committed, p)) return 1;
        const std::uint32_t s = load<std::uint16_t>(ref.page + 22);
        if (off >= kVariableFirstBlock + 2 && off <= s && s + 10 <= ref.committed) return -1;
        break;
    }
    case kFixedPage: {
        const int state = fixedBlockState(ref.page, ref.pool->fixedBlockSize, p);
        if (state != 0) return state;
        break;
    }
    case kLargePage:
        return 1;
    default:
        break;
    }
    report(ref.pool, MEM_BAD_POINTER);
    return 0;
}

} // extern "C"
