#pragma once
// The common paths of fixed-size blocks, inline: containers take and give back their items one
// at a time. The layout and invariants are described in fixed_blocks.cpp.
#include "memory/pool_internal.h"

namespace bramble {

inline u32 FixedIndex(const MemPoolHeader* pool, u32 relative) {
    return static_cast<u32>((static_cast<u64>(relative) * pool->fixedReciprocal) >> 32);
}

inline u8* FixedTake(PageHeader* page) {
    u8* b = page->firstFree;
    const u16 next = Load16(b);
    page->firstFree = next ? PageBase(page) + next : nullptr;
    const auto relative = static_cast<u32>(b - PageBase(page) - page->dataOffset);
    SetBit(PageBitmap(page), FixedIndex(page->pool, relative));
    ++page->blocksInUse;
    return b;
}

inline void* FixedAlloc(MemPoolHeader* pool) {
    if (PageDescriptor* d = pool->rings[kFixedPage]) {
        auto* page = reinterpret_cast<PageHeader*>(d->page);
        if (page->firstFree) return FixedTake(page);
    }
    return FixedAllocSlow(pool);
}

// 0 for a live block of the page, else the code to report.
inline u32 FixedCheck(PageHeader* page, u8* block) {
    const uptr offset = static_cast<uptr>(block - PageBase(page));
    if (offset < page->dataOffset || block >= page->limit) return MEM_BAD_POINTER;
    const MemPoolHeader* pool = page->pool;
    const auto relative = static_cast<u32>(offset - page->dataOffset);
    const u32 index = FixedIndex(pool, relative);
    if (index * pool->fixedBlockSize != relative) return MEM_BAD_POINTER;
    if (!TestBit(PageBitmap(page), index)) return MEM_BAD_FREE_BLOCK;
    return 0;
}

inline void FixedFree(PageHeader* page, u8* block) {
    const auto relative = static_cast<u32>(block - PageBase(page) - page->dataOffset);
    ClearBit(PageBitmap(page), FixedIndex(page->pool, relative));
    u8* head = page->firstFree;
    Store16(block, head ? static_cast<u16>(head - PageBase(page)) : 0);
    page->firstFree = block;
    // A page with free blocks already has hint 1; only a full page needs telling.
    if (!head) page->descriptor->hint = 1;
    if (--page->blocksInUse == 0) ReleasePage(page->pool, page->descriptor, true);
}

} // namespace bramble
