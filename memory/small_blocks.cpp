// Small blocks: carved in order from 64 KB pages and recycled through one free list per size
// class. A block of class c takes 16(c + 1) bytes, the first of which (just before the block's
// address) holds c, with bit 7 set while the block is free; it offers 16c + 15 usable bytes.
//
// Small pages keep no count of their blocks in use: they go back to the system only with their
// pool, so nothing asks, and the pool check counts the class bytes instead.
//
// Invariants of a small page: the carved part (from the first block to the next uncarved byte)
// is tiled by blocks exactly as their class bytes say, and the block-start bitmap has a bit at
// each of them and nowhere else. Every block whose class byte is marked free (and not cached by a
// thread, thread_cache.h) is on its class's free list exactly once, and the lists hold nothing
// else.
#include "memory/small_blocks.h"

namespace bramble {
namespace {

u8* carveFrom(PageHeader* page, u32 cls) {
    u8* b = page->firstFree;
    b[-1] = static_cast<u8>(cls);
    SetBit(PageBitmap(page), UnitIndex(page, b));
    page->firstFree += SmallSlot(cls);
    return b;
}

u8* carve(MemPoolHeader* pool, u32 cls, u32 flags) {
    const u32 slot = SmallSlot(cls);
    if (PageDescriptor* d = pool->rings[kSmallPage]) {
        auto* page = reinterpret_cast<PageHeader*>(d->page);
        const u64 room = static_cast<u64>(page->limit - (page->firstFree - 1));
        if (room >= slot) return carveFrom(page, cls);
        if (d->hint == 1 && room > 0) {
            // The tail of the page becomes one free block of the largest class it holds.
            if (room >= kGrain) {
                u8* rest = carveFrom(page, static_cast<u32>(room / kGrain - 1));
                SmallPushFree(pool, rest);
            }
            d->hint = 0;
        }
    }
    if (flags & kAllocNoNewPage) return nullptr;
    PageFailure why;
    PageHeader* page = MakePage(pool, kSmallPage, kSmallPageBytes, 0, &why);
    return page ? carveFrom(page, cls) : nullptr;
}

} // namespace

u8* SmallCarveNoPage(MemPoolHeader* pool, u32 size, u32 flags) {
    const u32 cls = size / kGrain;
    u8* b = carve(pool, cls, flags | kAllocNoNewPage);
    if (b && (flags & MEM_ZEROINIT)) std::memset(b, 0, SmallSlot(cls) - 1);
    return b;
}

void* SmallAllocSlow(MemPoolHeader* pool, u32 size, u32 flags) {
    const u32 cls = size / kGrain;
    u8* b = carve(pool, cls, flags);
    if (!b) return MediumAlloc(pool, size, flags & ~MEM_MOVEABLE);
    if (flags & MEM_ZEROINIT) std::memset(b, 0, SmallSlot(cls) - 1);
    return b;
}

} // namespace bramble
