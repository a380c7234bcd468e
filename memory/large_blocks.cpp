// Large blocks: one block per page, right after the page header. A large page counts one block
// in use for as long as it lives; it goes back to the system when its block is freed.
#include "memory/pool_internal.h"

namespace bramble {

void* LargeAlloc(MemPoolHeader* pool, u64 size, u32 flags) {
    const u32 request = (flags & MEM_ZEROINIT) ? kRequestZero : 0;
    for (;;) {
        PageFailure why;
        if (PageHeader* page = MakePage(pool, kLargePage, size + kPageHeaderBytes, request, &why)) {
            return PageBase(page) + kPageHeaderBytes;
        }
        if (why == PageFailure::Ceiling) return nullptr;
        const u64 released = ShrinkPages(pool);
        if (WouldPassCeiling(pool, RoundUp(size, kSystemPage))) return nullptr;
        if (released) continue;
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return nullptr;
    }
}

u32 LargeCheck(PageHeader* page, u8* block) {
    if (block != PageBase(page) + kPageHeaderBytes) return MEM_BAD_POINTER;
    if (page->blocksInUse != 1) return MEM_BAD_BLOCK;
    return 0;
}

void LargeFree(PageHeader* page) { ReleasePage(page->pool, page->descriptor, false); }

u8* LargeResize(PageHeader* page, u8* block, u32 size, u32 flags) {
    MemPoolHeader* pool = page->pool;
    PageDescriptor* d = page->descriptor;
    u8* base = PageBase(page);
    const u64 want = static_cast<u64>(size) + kPageHeaderBytes;
    const u64 old = page->bytes;
    const u32 request = pool->flags | ((flags & MEM_ZEROINIT) ? kRequestZero : 0);

    // Where it lies: committed pages are added to or taken from the end of the page. A size that
    // keeps the page's committed size leaves nothing to do unless the tail is to be cleared.
    if (RoundUp(want, IsShared(pool) ? kUnitBytes : kSystemPage) == old && !(flags & MEM_ZEROINIT)) return block;
    if (IsShared(pool)) {
        const u64 now = RoundUp(want, kUnitBytes);
        if (now <= old) {
            if (now < old) SharedRangeGive(pool, base + now, old - now);
            pool->bytesHeld -= old - now;
            page->bytes = now;
            page->limit = base + now;
            return block;
        }
        if (!WouldPassCeiling(pool, now - old) && SharedRangeTake(pool, now - old, base + old, request)) {
            pool->bytesHeld += now - old;
            page->bytes = now;
            page->limit = base + now;
            return block;
        }
    } else {
        const u64 rounded = RoundUp(want, kSystemPage);
        if ((rounded <= old || !WouldPassCeiling(pool, rounded - old)) && SysResizeInPlace(base, want, request)) {
            const u64 now = _bri_sysSize(base);
            pool->bytesHeld = pool->bytesHeld - old + now;
            page->bytes = now;
            page->limit = base + now;
            return block;
        }
    }
    if (flags & MEM_RESIZE_IN_PLACE) return nullptr;

    // Elsewhere: a new page takes the header and the contents, and the old one goes back.
    const u64 fresh = RoundUp(want, IsShared(pool) ? kUnitBytes : kSystemPage);
    u8* moved = nullptr;
    for (;;) {
        if (fresh > old && WouldPassCeiling(pool, fresh - old)) {
            Report(pool, MEM_EXCEEDED_CEILING);
            return nullptr;
        }
        moved = RequestPages(pool, want, request);
        if (moved) break;
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return nullptr;
    }
    const u64 now = IsShared(pool) ? fresh : _bri_sysSize(moved);
    std::memcpy(moved, base, old < now ? old : now);
    auto* h = reinterpret_cast<PageHeader*>(moved);
    h->bytes = now;
    h->limit = moved + now;
    d->page = moved;
    if (!IsShared(pool)) {
        RegistrySetFlags(reinterpret_cast<uptr>(moved), kUnitPage, 0, pool);
        SetUnitKind(reinterpret_cast<uptr>(moved), PageKind(pool, kLargePage));
        SetUnitKind(reinterpret_cast<uptr>(base), 0);
        RegistrySetFlags(reinterpret_cast<uptr>(base), 0, kUnitPage);
    }
    page->signature = 0;
    ReturnPages(pool, base, old);
    pool->bytesHeld = pool->bytesHeld - old + now;
    return moved + kPageHeaderBytes;
}

} // namespace bramble
