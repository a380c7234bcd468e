#pragma once
// The common paths of small blocks, inline: they carry most of the program's traffic. The layout
// and invariants are described in small_blocks.cpp.
#include "memory/pool_internal.h"

namespace bramble {

inline u32 SmallSlot(u32 cls) { return kGrain * (cls + 1); }

// A block from the list of its class; null when the list is empty.
inline u8* SmallTake(MemPoolHeader* pool, u32 size, u32 flags) {
    const u32 cls = size / kGrain;
    u8* b = pool->smallFree[cls];
    if (!b) return nullptr;
    pool->smallFree[cls] = LoadPtr(b);
    b[-1] = static_cast<u8>(cls);
    if (flags & MEM_ZEROINIT) std::memset(b, 0, SmallSlot(cls) - 1);
    return b;
}

inline void* SmallAlloc(MemPoolHeader* pool, u32 size, u32 flags) {
    if (u8* b = SmallTake(pool, size, flags)) return b;
    return SmallAllocSlow(pool, size, flags);
}

// 0 for a live block of the page, else the code to report.
inline u32 SmallCheck(PageHeader* page, u8* block) {
    const uptr offset = static_cast<uptr>(block - PageBase(page));
    if ((offset & (kGrain - 1)) || offset < page->dataOffset || block >= page->firstFree) return MEM_BAD_POINTER;
    if (!TestBit(PageBitmap(page), static_cast<u32>(offset >> 4))) return MEM_BAD_POINTER;
    const u8 cls = block[-1];
    if (cls & kSmallFree) return MEM_BAD_FREE_BLOCK;
    if (cls >= kSmallClasses || block + SmallSlot(cls) > page->firstFree) return MEM_BAD_BLOCK;
    return 0;
}

inline void SmallPushFree(MemPoolHeader* pool, u8* block) {
    const u8 cls = block[-1] & kSmallClassMask;
    block[-1] = static_cast<u8>(cls | kSmallFree);
    StorePtr(block, pool->smallFree[cls]);
    pool->smallFree[cls] = block;
}

inline void SmallFree(PageHeader* page, u8* block) { SmallPushFree(page->pool, block); }

inline u32 SmallUsable(const u8* block) { return SmallSlot(block[-1] & kSmallClassMask) - 1; }

} // namespace bramble
