// The pointer and fixed-size families, large blocks, and the resize that the handle family
// shares.
// Invariants: a large page holds one block at offset 28, counted as one block in use, whose
// usable size is the page's committed size less 28; a pointer handed to a free, resize or size
// call is examined only after its 64 KB granule is found to start one of the library's pages,
// and is acted on only when it is a block in use of a family the call may change.
#include "memlib/pool.h"

#include <algorithm>

namespace brm {
namespace {

ResizeResult finished(std::uint8_t* block) { return {true, block, 0}; }
ResizeResult moveNeeded(std::uint64_t copy) { return {false, nullptr, copy}; }

// The kinds of block a pointer-family call accepts.
enum class Use { Size, Change };

// True when the address is a block in use that the call may act on.
bool acceptable(const PageRef& ref, const void* p, Use use) {
    switch (ref.type) {
    case kFixedPage:
        return fixedBlockState(ref.page, ref.pool->fixedBlockSize, p) == 1;
    case kVariablePage:
    case kMoveablePage:
        if (!isUsedVariableBlock(ref.page, ref.committed, p)) return false;
        // A handle's block changes only through its handle, or the handle would dangle.
        return use == Use::Size || !(load<std::uint16_t>(static_cast<const std::uint8_t*>(p) - 2) & kHandleBit);
    case kLargePage:
        return p == ref.page + kLargeData && (use == Use::Size || largeOwner(ref.page) == nullptr);
    default:
        return false;
    }
}

ResizeResult resizeLarge(Pool* pool, const PageRef& ref, std::uint64_t request, bool mayMove) {
    const std::uint64_t usable = ref.committed - kLargeData;
    if (mayMove && request <= pool->mediumLimit) return moveNeeded(std::min(request, usable));
    const std::uint64_t wanted = request + kLargeData;
    // The ceiling holds for a growing large block as for a new page, and keeps the size held
    // within its 32 bits.
    if (std::uint64_t{pool->sizeHeld} - ref.committed + roundUp(wanted, kSystemPage) > pool->ceiling) {
        report(pool, MEM_EXCEEDED_CEILING);
        return mayMove ? finished(nullptr) : moveNeeded(std::min(request, usable));
    }
    const std::uint32_t sysFlags = largePageFlags(pool);
    std::uint8_t* page = ref.page;
    if (!mayMove) {
        if (!sysResizeInPlace(page, wanted, sysFlags)) return moveNeeded(std::min(request, usable));
    } else {
        std::uint8_t* moved;
        while (!(moved = sysResizeAnywhereReusing(pool->released, page, wanted, sysFlags)))
            if (!report(pool, MEM_OUT_OF_MEMORY)) return finished(nullptr);
        if (moved != page) pageDescriptor(moved)->page = moved;
        page = moved;
    }
    pool->sizeHeld = static_cast<std::uint32_t>(std::uint64_t{pool->sizeHeld} - ref.committed + sysSize(page));
    return finished(page + kLargeData);
}

} // namespace

std::uint8_t* largeAlloc(Pool* pool, std::uint32_t flags, std::uint64_t size) {
    for (;;) {
        if (std::uint8_t* page = newPage(pool, kLargePage, size + kLargeData, flags)) return page + kLargeData;
        const std::uint32_t released = shrinkPool(pool);
        if (std::uint64_t{pool->sizeHeld} + roundUp(size + kLargeData, kSystemPage) > pool->ceiling) return nullptr;
        if (released) continue;
        if (!report(pool, MEM_OUT_OF_MEMORY)) return nullptr;
    }
}

void freeBlock(const PageRef& ref, std::uint8_t* data) {
    switch (ref.type) {
    case kFixedPage: fixedFree(ref.page, data); break;
    case kVariablePage:
    case kMoveablePage: variableFree(ref.page, data); break;
    case kLargePage: deletePage(ref.page, false); break;
    default: break;
    }
}

ResizeResult resizeBlock(Pool* pool, const PageRef& ref, std::uint8_t* data, std::uint64_t request,
                         std::uint64_t dataSize, std::uint32_t flags, bool mayMove) {
    if (dataSize == 0) {
        report(pool, MEM_ALLOC_ZERO);
        return mayMove ? finished(nullptr) : moveNeeded(0);
    }
    switch (ref.type) {
    case kVariablePage:
    case kMoveablePage: {
        const std::uint16_t h = load<std::uint16_t>(data - 2);
        const std::uint32_t overhead = (h & kHandleBit) ? kHandleOverhead : 2;
        const std::uint64_t usable = (h & kInUseSizeMask) - overhead;
        if (usable < request && request > pool->mediumLimit) return moveNeeded(usable);
        if (!variableResizeInPlace(ref.page, data, blockSizeFor(request))) return moveNeeded(usable);
        if (flags & kZeroFill) {
            const std::uint64_t now = (load<std::uint16_t>(data - 2) & kInUseSizeMask) - overhead;
            if (now > usable)
                std::memset(data + usable, 0, now - usable);
            else if (now > dataSize)
                std::memset(data + dataSize, 0, now - dataSize);
        }
        return finished(data);
    }
    case kFixedPage:
        if (request <= pool->fixedBlockSize) return finished(data);
        return moveNeeded(pool->fixedBlockSize);
    case kLargePage:
        return resizeLarge(pool, ref, request, mayMove);
    default:
        return mayMove ? finished(nullptr) : moveNeeded(0);
    }
}

} // namespace brm

using namespace brm;

extern "C" {

BRM_API void* MemAllocPtr(MEMPOOL pool, std::uint32_t size, std::uint32_t flags) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return nullptr;
    }
    PoolLock lock(pool);
    flags &= ~kMoveable;
    if (size == 0) {
        report(pool, MEM_ALLOC_ZERO);
        return nullptr;
    }
    if (size <= pool->fixedBlockSize) {
        std::uint8_t* block = fixedAlloc(pool);
        if (block && (flags & kZeroFill)) std::memset(block, 0, pool->fixedBlockSize);
        return block;
    }
    if (size <= pool->mediumLimit) return variableAlloc(pool, flags, blockSizeFor(size));
    return largeAlloc(pool, flags, size);
}

BRM_API std::int32_t MemFreePtr(void* block) {
    PageRef ref;
    if (!findPage(block, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return 0;
    }
    PoolLock lock(ref.pool);
    if (!acceptable(ref, block, Use::Change)) {
        report(ref.pool, MEM_BAD_POINTER);
        return 0;
    }
    freeBlock(ref, static_cast<std::uint8_t*>(block));
    return 1;
}

BRM_API std::uint32_t MemSizePtr(void* block) {
    PageRef ref;
    if (!findPage(block, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return MEM_FAILED;
    }
    PoolLock lock(ref.pool);
    if (ref.type > kLargePage) return MEM_FAILED;
    if (!acceptable(ref, block, Use::Size)) {
        report(ref.pool, MEM_BAD_POINTER);
        return MEM_FAILED;
    }
    const auto* data = static_cast<const std::uint8_t*>(block);
    switch (ref.type) {
    case kFixedPage: return ref.pool->fixedBlockSize;
    case kLargePage: return static_cast<std::uint32_t>(std::min<std::uint64_t>(ref.committed - kLargeData, 0xFFFFFFFEu));
    default: {
        const std::uint16_t h = load<std::uint16_t>(data - 2);
        return (h & kInUseSizeMask) - ((h & kHandleBit) ? kHandleOverhead : 2);
    }
    }
}

BRM_API void* MemReAllocPtr(void* block, std::uint32_t size, std::uint32_t flags) {
    PageRef ref;
    if (!findPage(block, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return nullptr;
    }
    Pool* pool = ref.pool;
    ResizeResult r;
    {
        PoolLock lock(pool);
        if (!acceptable(ref, block, Use::Change)) {
            report(pool, MEM_BAD_POINTER);
            return nullptr;
        }
        r = resizeBlock(pool, ref, static_cast<std::uint8_t*>(block), size, size, flags & ~kMoveable,
                        !(flags & kInPlaceOnly));
    }
    if (r.finished) return r.block;
    if (flags & kInPlaceOnly) {
        if (size != 0) report(pool, MEM_RESIZE_FAILED);
        return nullptr;
    }
    void* fresh = MemAllocPtr(pool, size, flags);
    if (!fresh) return nullptr;
    std::memcpy(fresh, block, std::min<std::uint64_t>(r.copy, size));
    MemFreePtr(block);
    return fresh;
}

BRM_API void* MemAllocFS(MEMPOOL pool) {
    if (!validPool(pool)) {
        report(nullptr, MEM_BAD_MEM_POOL);
        return nullptr;
    }
    PoolLock lock(pool);
    return fixedAlloc(pool);
}

BRM_API std::int32_t MemFreeFS(void* block) {
    PageRef ref;
    if (!findPage(block, ref)) {
        report(nullptr, MEM_BAD_POINTER);
        return 0;
    }
    if (ref.type != kFixedPage) {
        report(ref.pool, MEM_BAD_POINTER);
        return 0;
    }
    PoolLock lock(ref.pool);
    if (!acceptable(ref, block, Use::Change)) {
        report(ref.pool, MEM_BAD_POINTER);
        return 0;
    }
    fixedFree(ref.page, static_cast<std::uint8_t*>(block));
    return 1;
}

} // extern "C"
