// Moveable handles: slots that hold a block's current address, and the blocks that record their
// handle.
// Invariants: a slot in use points at a block in use whose recorded owner is that slot (bit 15
// of a variable block's header with the handle in its last bytes but two, or a large page's
// owner field); a free slot is on the pool's free-slot list; slots change only under the handle
// lock; a page descriptor's low 15 state bits count the moveable handles of the page whose lock
// count is not 0.
#include "memlib/pool.h"

#include <algorithm>
#include <optional>

namespace brm {
namespace {

struct HandleRef {
    HandleSlot* slot = nullptr;
    std::uint8_t* data = nullptr;
    PageRef page;
};

} // namespace

bool isSlot(const void* handle) {
    Reservation r;
    if (!reservationHolding(handle, r) || r.kind != Region::SlotBlock) return false;
    const auto off = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(handle) - r.base);
    return off >= kSlotGrid && off % kSlotGrid == 0 && off + kSlotGrid <= r.committed;
}

namespace {

// Under the handle lock.
bool examine(MEMHANDLE handle, HandleRef& out) {
    if (!isSlot(handle)) return false;
    auto* slot = reinterpret_cast<HandleSlot*>(handle);
    auto* data = static_cast<std::uint8_t*>(slot->block);
    PageRef ref;
    if (!data || !findPage(data, ref)) return false;
    switch (ref.type) {
    case kLargePage:
        if (data != ref.page + kLargeData || largeOwner(ref.page) != handle) return false;
        break;
    case kVariablePage:
    case kMoveablePage:
        if (!isUsedVariableBlock(ref.page, ref.committed, data) || !(load<std::uint16_t>(data - 2) & kHandleBit) ||
            ownerOf(ref, data) != handle)
            return false;
        break;
    default:
        return false;
    }
    out = {slot, data, ref};
    return true;
}

bool check(MEMHANDLE handle, HandleRef& out) {
    HandleGuard g;
    return examine(handle, out);
}

// Takes the handle's pool lock and examines the handle again under it, since another thread may
// have moved or freed it between the first look and the lock.
class LockedHandle {
public:
    explicit LockedHandle(MEMHANDLE handle) {
        HandleRef first;
        if (!check(handle, first)) return;
        lock_.emplace(first.page.pool);
        ok_ = check(handle, ref_);
        if (!ok_) lock_.reset();
    }
    bool ok() const { return ok_; }
    HandleRef& ref() { return ref_; }
    Pool* pool() const { return ref_.page.pool; }

private:
    std::optional<PoolLock> lock_;
    bool ok_ = false;
    HandleRef ref_;
};

bool isMoveableKind(const HandleRef& h) {
    return h.page.type == kMoveablePage || (h.page.type == kLargePage && pageDescriptor(h.page.page)->moveable == kMoveable);
}

std::uint32_t blockBytes(const HandleRef& h) {
    if (h.page.type == kLargePage) return static_cast<std::uint32_t>(std::min<std::uint64_t>(h.page.committed, 0xFFFFFFFFu));
    return load<std::uint16_t>(h.data - 2) & kInUseSizeMask;
}

std::uint64_t usableOf(const HandleRef& h) {
    if (h.page.type == kLargePage) return h.page.committed - kLargeData;
    return (load<std::uint16_t>(h.data - 2) & kInUseSizeMask) - kHandleOverhead;
}

void countLocked(std::uint8_t* page, int delta) {
    PageDescriptor* d = pageDescriptor(page);
    const int n = (d->state & kStateLockedMask) + delta;
    if (n < 0 || n > kStateLockedMask) return;
    d->state = static_cast<std::uint16_t>((d->state & kStateOnePiece) | n);
}

// Clears the record that a block belongs to a handle, before the block is freed.
void dropOwner(const PageRef& ref, std::uint8_t* data) {
    if (ref.type == kLargePage)
        setLargeOwner(ref.page, nullptr);
    else
        store(data - 2, static_cast<std::uint16_t>(load<std::uint16_t>(data - 2) & ~kHandleBit));
}

std::uint32_t addSlots(Pool* pool, std::uint64_t bytes) {
    auto pushRange = [pool](std::uint8_t* from, std::uint8_t* to) {
        std::uint32_t n = 0;
        HandleGuard g;
        for (std::uint8_t* p = from; p + kSlotGrid <= to; p += kSlotGrid, ++n) {
            auto* s = reinterpret_cast<HandleSlot*>(p);
            *s = HandleSlot{};
            s->block = pool->freeSlots;
            pool->freeSlots = s;
        }
        return n;
    };
    if (bytes == 0 && pool->slotBlocks) {
        std::uint8_t* newest = pool->slotBlocks;
        const std::uint64_t old = sysSize(newest);
        const std::uint64_t grown = std::min<std::uint64_t>(old + std::min<std::uint64_t>(old, 16384), 65535);
        if (old < 65536 && sysResizeInPlace(newest, grown, pool->flags | kSysLimit64K)) {
            const std::uint64_t now = sysSize(newest);
            pool->sizeHeld += static_cast<std::uint32_t>(now - old);
            return pushRange(newest + old, newest + now);
        }
    }
    const std::uint64_t wanted = std::max<std::uint64_t>(bytes, 4096);
    for (;;) {
        for (std::uint64_t size = wanted; size >= 2 * kSlotGrid; size /= 2) {
            std::uint8_t* block = sysAlloc(size, pool->flags | kSysLimit64K, Region::SlotBlock);
            if (!block) continue;
            store(block, pool->slotBlocks);
            pool->slotBlocks = block;
            const std::uint64_t committed = sysSize(block);
            pool->sizeHeld += static_cast<std::uint32_t>(committed);
            return pushRange(block + kSlotGrid, block + committed);
        }
        if (!report(pool, MEM_OUT_OF_MEMORY)) return 0;
    }
}

HandleSlot* takeSlot(Pool* pool) {
    while (!pool->freeSlots)
        if (addSlots(pool, 0) == 0 && !pool->freeSlots) return nullptr;
    HandleGuard g;
    HandleSlot* s = pool->freeSlots;
    pool->freeSlots = static_cast<HandleSlot*>(s->block);
    *s = HandleSlot{};
    return s;
}

void returnSlot(Pool* pool, HandleSlot* s) {
    HandleGuard g;
    *s = HandleSlot{};
    s->block = pool->freeSlots;
    pool->freeSlots = s;
}

// Moves a handle's block to a new block of the same size; kind as the flags say. The old block
// is taken from the slot again after the allocation, which may have compacted it elsewhere.
bool moveHandleBlock(Pool* pool, HandleRef& h, std::uint32_t flags) {
    const std::uint64_t request = blockBytes(h) - 2;
    std::uint8_t* fresh = allocHandleBlock(pool, flags, request);
    if (!fresh) return false;
    HandleRef now;
    if (!check(reinterpret_cast<MEMHANDLE>(h.slot), now)) return false; // cannot happen: the pool is ours
    std::memcpy(fresh, now.data, usableOf(now));
    recordOwner(fresh, reinterpret_cast<MEMHANDLE>(now.slot));
    {
        HandleGuard g;
        dropOwner(now.page, now.data);
        now.slot->block = fresh;
    }
    freeBlock(now.page, now.data);
    return check(reinterpret_cast<MEMHANDLE>(h.slot), h);
}

} // namespace

std::uint8_t* allocHandleBlock(Pool* pool, std::uint32_t flags, std::uint64_t request) {
    if (request <= pool->mediumLimit) return variableAlloc(pool, flags, blockSizeFor(request));
    return largeAlloc(pool, flags, request);
}

void recordOwner(std::uint8_t* data, MEMHANDLE handle) {
    std::uint8_t* page = granuleOf(data);
    if (pageType(page) == kLargePage) {
        setLargeOwner(page, handle);
        return;
    }
    const std::uint16_t h = load<std::uint16_t>(data - 2) | kHandleBit;
    store(data - 2, h);
    store(data - 2 + (h & kInUseSizeMask) - kHandleExtra, handle);
}

MEMHANDLE ownerOf(const PageRef& ref, const std::uint8_t* data) {
    if (ref.type == kLargePage) return largeOwner(ref.page);
    const std::uint16_t h = load<std::uint16_t>(data - 2);
    if (!(h & kHandleBit)) return nullptr;
    return load<MEMHANDLE>(data - 2 + (h & kInUseSizeMask) - kHandleExtra);
}

} // namespace brm

using namespace brm;

extern "C" {

BRM_API MEMHANDLE MemAlloc(MEMPOOL pool, std::uint32_t flags, std::uint32_t size) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return nullptr;
    }
    if (size == 0) {
        report(pool, MEM_ALLOC_ZERO);
        return nullptr;
    }
    PoolLock lock(pool);
    pool->compactionInstalled = 1;
    HandleSlot* slot = takeSlot(pool);
    if (!slot) return nullptr;
    std::uint8_t* data = allocHandleBlock(pool, flags, std::uint64_t{size} + kHandleExtra);
    if (!data) {
        returnSlot(pool, slot);
        return nullptr;
    }
    recordOwner(data, reinterpret_cast<MEMHANDLE>(slot));
    HandleGuard g;
    slot->block = data;
    lockCountOf(slot) = (flags & kMoveable) ? 0 : 1;
    return reinterpret_cast<MEMHANDLE>(slot);
}

BRM_API std::int32_t MemFree(MEMHANDLE handle) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return 0;
    }
    HandleRef& r = h.ref();
    // Whoever locked a moveable block holds its address; freeing it under them would leave that
    // address pointing into the pool's free space.
    if (isMoveableKind(r) && lockCountOf(r.slot) != 0) {
        report(h.pool(), MEM_LOCK_ERROR);
        return 0;
    }
    {
        HandleGuard g;
        dropOwner(r.page, r.data);
    }
    freeBlock(r.page, r.data);
    returnSlot(h.pool(), r.slot);
    return 1;
}

BRM_API std::uint32_t MemSize(MEMHANDLE handle) {
    HandleRef r;
    if (!check(handle, r)) {
        report(nullptr, MEM_BAD_HANDLE);
        return MEM_FAILED;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(usableOf(r), 0xFFFFFFFEu));
}

BRM_API MEMHANDLE MemHandle(void* block) {
    PageRef ref;
    if (!findPage(block, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return nullptr;
    }
    MEMHANDLE owner = nullptr;
    {
        HandleGuard g;
        const auto* data = static_cast<const std::uint8_t*>(block);
        if ((ref.type == kVariablePage || ref.type == kMoveablePage) && isUsedVariableBlock(ref.page, ref.committed, data))
            owner = ownerOf(ref, data);
        else if (ref.type == kLargePage && data == ref.page + kLargeData)
            owner = largeOwner(ref.page);
        HandleRef check;
        if (owner && !(examine(owner, check) && check.data == data)) owner = nullptr;
    }
    if (!owner) report(ref.pool, MEM_BAD_POINTER);
    return owner;
}

BRM_API void* MemLock(MEMHANDLE handle) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return nullptr;
    }
    HandleRef& r = h.ref();
    if (!isMoveableKind(r) || lockCountOf(r.slot) == 255) {
        report(h.pool(), MEM_LOCK_ERROR);
        return nullptr;
    }
    HandleGuard g;
    if (++lockCountOf(r.slot) == 1) countLocked(r.page.page, +1);
    return r.slot->block;
}

BRM_API std::uint16_t MemUnlock(MEMHANDLE handle) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return 0xFFFF;
    }
    HandleRef& r = h.ref();
    if (!isMoveableKind(r) || lockCountOf(r.slot) == 0) {
        report(h.pool(), MEM_LOCK_ERROR);
        return 0xFFFF;
    }
    HandleGuard g;
    if (--lockCountOf(r.slot) == 0) countLocked(r.page.page, -1);
    return lockCountOf(r.slot);
}

BRM_API std::uint16_t MemLockCount(MEMHANDLE handle) {
    HandleRef r;
    if (!check(handle, r)) {
        report(nullptr, MEM_BAD_HANDLE);
        return 0xFFFF;
    }
    return lockCountOf(r.slot);
}

BRM_API std::int32_t MemIsMoveable(MEMHANDLE handle) {
    HandleRef r;
    if (!check(handle, r)) {
        report(nullptr, MEM_BAD_HANDLE);
        return 0;
    }
    return isMoveableKind(r) ? 1 : 0;
}

BRM_API void* MemFix(MEMHANDLE handle) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return nullptr;
    }
    HandleRef& r = h.ref();
    Pool* pool = h.pool();
    if (isMoveableKind(r)) {
        if (lockCountOf(r.slot) != 0) {
            report(pool, MEM_LOCK_ERROR);
            return nullptr;
        }
        if (r.page.type == kMoveablePage) {
            if (!moveHandleBlock(pool, r, 0)) return nullptr;
        } else {
            pageDescriptor(r.page.page)->moveable = 0;
        }
    }
    HandleGuard g;
    if (lockCountOf(r.slot) == 255) {
        report(pool, MEM_LOCK_ERROR);
        return nullptr;
    }
    ++lockCountOf(r.slot);
    return r.slot->block;
}

BRM_API std::uint16_t MemUnfix(MEMHANDLE handle) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return 0xFFFF;
    }
    HandleRef& r = h.ref();
    Pool* pool = h.pool();
    if (isMoveableKind(r) || lockCountOf(r.slot) == 0) {
        report(pool, MEM_LOCK_ERROR);
        return 0xFFFF;
    }
    {
        HandleGuard g;
        --lockCountOf(r.slot);
    }
    if (lockCountOf(r.slot) != 0) return lockCountOf(r.slot);
    if (r.page.type == kLargePage) {
        pageDescriptor(r.page.page)->moveable = kMoveable;
        return 0;
    }
    if (!moveHandleBlock(pool, r, kMoveable)) {
        HandleGuard g;
        lockCountOf(r.slot) = 1;
        return 0xFFFF;
    }
    return 0;
}

BRM_API MEMHANDLE MemReAlloc(MEMHANDLE handle, std::uint32_t size, std::uint32_t flags) {
    LockedHandle h(handle);
    if (!h.ok()) {
        report(nullptr, MEM_BAD_HANDLE);
        return nullptr;
    }
    HandleRef& r = h.ref();
    Pool* pool = h.pool();
    if (size == 0) {
        report(pool, MEM_ALLOC_ZERO);
        return nullptr;
    }
    const std::uint64_t request = std::uint64_t{size} + kHandleExtra;
    const std::uint8_t locks = lockCountOf(r.slot);
    const bool mayMove = !(flags & kInPlaceOnly) && ((flags & kMoveable) || locks == 0);
    const bool moveable = isMoveableKind(r);
    const ResizeResult res = resizeBlock(pool, r.page, r.data, request, size, flags & ~kMoveable, mayMove);
    if (res.finished) {
        if (!res.block) return nullptr;
        HandleGuard g;
        if (r.page.type == kLargePage)
            r.slot->block = res.block;
        else
            recordOwner(res.block, handle);
        return handle;
    }
    if (!mayMove) {
        report(pool, MEM_RESIZE_FAILED);
        return nullptr;
    }
    std::uint8_t* fresh = allocHandleBlock(pool, (flags & kZeroFill) | (moveable ? kMoveable : 0), request);
    if (!fresh) return nullptr;
    HandleRef now;
    if (!check(handle, now)) return nullptr;
    std::memcpy(fresh, now.data, std::min<std::uint64_t>(res.copy, size));
    recordOwner(fresh, handle);
    PageRef freshPage;
    findPage(fresh, freshPage);
    if (locks != 0 && moveable) {
        // The lock moves with the block to its new page.
        countLocked(now.page.page, -1);
        HandleRef moved{now.slot, fresh, freshPage};
        if (isMoveableKind(moved)) countLocked(freshPage.page, +1);
    }
    {
        HandleGuard g;
        dropOwner(now.page, now.data);
        now.slot->block = fresh;
    }
    freeBlock(now.page, now.data);
    return handle;
}

BRM_API std::uint32_t MemPoolPreAllocateHandles(MEMPOOL pool, std::uint32_t count) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return 0;
    }
    PoolLock lock(pool);
    std::uint64_t bytes = std::uint64_t{count} * kSlotGrid + kSlotGrid;
    std::uint32_t made = 0;
    while (bytes > 0) {
        const std::uint64_t piece = std::min<std::uint64_t>(bytes, 65535);
        const std::uint32_t n = addSlots(pool, piece);
        if (n == 0) break;
        made += n;
        bytes -= piece;
    }
    return made;
}

} // extern "C"
