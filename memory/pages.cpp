// Pages and their descriptors. Each page type has a circular doubly linked ring of descriptors
// whose current member is kept in the pool header; unused descriptors form a singly linked list.
//
// Invariants: every descriptor on the ring of type t is marked made with type t and names a page
// whose header has signature 0xCAD0 + t and names the pool and the descriptor back; an ordinary
// pool's pages are registered as pages of that pool; unused descriptors are marked type 5; the
// bytes held are the header's allocation, the descriptor blocks and the pages' committed sizes.
#include "memory/pool_internal.h"
#include "platform/virtual_memory.h"

namespace bramble {
namespace {

constexpr u32 kDescriptorBlockHead = 32;  // link to the next block, the block's size, padding
constexpr u64 kMinDescriptorBlock = kDescriptorBlockHead + sizeof(PageDescriptor);

u64 blockBytes(u8* block) {
    u64 v;
    std::memcpy(&v, block + 8, sizeof v);
    return v;
}
void setBlockBytes(u8* block, u64 v) { std::memcpy(block + 8, &v, sizeof v); }

u64 committedOf(MemPoolHeader* pool, u8* mem, u64 request) {
    if (IsShared(pool)) return RoundUp(request, kUnitBytes);
    return _bri_sysSize(mem);
}

// Grows an ordinary pool's system block in place by up to 16 KB, never past 65535 bytes, and
// cuts the new room into descriptors. `bytes` is the part already cut.
bool growInPlace(MemPoolHeader* pool, u8* block, u64* bytes) {
    if (IsShared(pool) || *bytes >= kMaxHeaderAllocation) return false;
    u64 want = *bytes + kHeaderGrowth;
    if (want > kMaxHeaderAllocation) want = kMaxHeaderAllocation;
    if (!SysResizeInPlace(block, want, 0)) return false;
    const u64 now = _bri_sysSize(block);
    if (now <= *bytes) return false;
    CutDescriptors(pool, block + *bytes, block + now);
    pool->bytesHeld += now - *bytes;
    *bytes = now;
    return true;
}

bool growDescriptors(MemPoolHeader* pool) {
    u64 headerBytes = pool->headerBytes;
    if (growInPlace(pool, reinterpret_cast<u8*>(pool), &headerBytes)) {
        pool->headerBytes = static_cast<u32>(headerBytes);
        return true;
    }
    if (u8* newest = pool->descriptorBlocks) {
        u64 bytes = blockBytes(newest);
        if (growInPlace(pool, newest, &bytes)) {
            setBlockBytes(newest, bytes);
            return true;
        }
    }
    u64 size = kHeaderAllocation;
    for (;;) {
        if (u8* block = RequestPages(pool, size, 0)) {
            const u64 bytes = committedOf(pool, block, size);
            StorePtr(block, pool->descriptorBlocks);
            setBlockBytes(block, bytes);
            pool->descriptorBlocks = block;
            CutDescriptors(pool, block + kDescriptorBlockHead, block + bytes);
            pool->bytesHeld += bytes;
            return true;
        }
        if (size / 2 >= kMinDescriptorBlock) {
            size /= 2;
            continue;
        }
        if (!Report(pool, MEM_OUT_OF_MEMORY) || !IsValidPool(pool)) return false;
        if (pool->freeDescriptors) return true;  // the handler made room meanwhile
        size = kHeaderAllocation;
    }
}

void layoutSmallPage(PageHeader* h) {
    const u64 bitmap = h->bytes / (8 * kGrain);
    std::memset(PageBitmap(h), 0, bitmap);
    h->dataOffset = static_cast<u16>(RoundUp(kPageHeaderBytes + bitmap + 1, kGrain));
    h->firstFree = PageBase(h) + h->dataOffset;
    h->limit = PageBase(h) + h->bytes;
    h->descriptor->hint = 1;
}

} // namespace

void CutDescriptors(MemPoolHeader* pool, u8* from, u8* to) {
    auto start = RoundUp(reinterpret_cast<uptr>(from), sizeof(PageDescriptor));
    for (uptr p = start; p + sizeof(PageDescriptor) <= reinterpret_cast<uptr>(to); p += sizeof(PageDescriptor)) {
        GiveDescriptor(pool, reinterpret_cast<PageDescriptor*>(p));
    }
}

void GiveDescriptor(MemPoolHeader* pool, PageDescriptor* d) {
    d->hint = 0;
    d->flags = static_cast<u16>(kUnusedDescriptor << 12);
    d->minSplit = 0;
    d->page = nullptr;
    d->prev = nullptr;
    d->next = pool->freeDescriptors;
    pool->freeDescriptors = d;
}

PageDescriptor* TakeDescriptor(MemPoolHeader* pool) {
    if (!pool->freeDescriptors && !growDescriptors(pool)) return nullptr;
    PageDescriptor* d = pool->freeDescriptors;
    if (!d) return nullptr;
    pool->freeDescriptors = d->next;
    d->next = d->prev = nullptr;
    return d;
}

namespace {

constexpr u32 kKeptBlocks = 16;
constexpr u64 kKeptBytesEach = 1u << 20;

u8* keptNext(const u8* block) { return LoadPtr(block); }

// The kept block best fitted to a request: the same committed size, else the smallest larger
// one, else a smaller one that its reservation lets grow. Null when none fits. A larger block is
// recorded with the committed size asked for; the pages past it stay readable and writable, as
// the block's own, until it goes back to the system.
u8* takeKept(MemPoolHeader* pool, u64 size, u32 flags) {
    u64 want = size;
    if ((flags & kRequestCap) && want > 0xFFFF) want = 0xFFFF;
    want = RoundUp(want ? want : 1, kSystemPage);
    u8* best = nullptr;
    u8* bestBefore = nullptr;
    UnitInfo bestInfo{};
    auto better = [&](const UnitInfo& info) {
        if (!best) return true;
        const bool fits = info.committed >= want, bestFits = bestInfo.committed >= want;
        if (fits != bestFits) return fits;
        return fits ? info.committed < bestInfo.committed : info.committed > bestInfo.committed;
    };
    u8* before = nullptr;
    for (u8* b = pool->keptNewest; b; before = b, b = keptNext(b)) {
        UnitInfo info;
        if (!RegistryLookup(reinterpret_cast<uptr>(b), &info) || info.reserved < want) continue;
        if (better(info)) {
            best = b;
            bestBefore = before;
            bestInfo = info;
            if (info.committed == want) break;
        }
    }
    if (!best) return nullptr;
    if (bestInfo.committed < want) {
        if (!SysResizeInPlace(best, size, flags & ~kRequestZero)) return nullptr;
    } else if (bestInfo.committed > want) {
        RegistrySetSystemBlock(reinterpret_cast<uptr>(best), want, bestInfo.reserved,
                               static_cast<u8>(bestInfo.flags & ~kUnitSystemBlock));
    }
    u8* next = keptNext(best);
    if (bestBefore) StorePtr(bestBefore, next);
    else pool->keptNewest = next;
    --pool->keptCount;
    // Fresh memory would be zero; a kept block is not.
    if (flags & kRequestZero) std::memset(best, 0, want);
    return best;
}

} // namespace

u8* RequestPages(MemPoolHeader* pool, u64 size, u32 requestFlags) {
    requestFlags |= pool->flags;
    if (IsShared(pool)) {
        if ((requestFlags & kRequestCap) && size > 0xFFFF) size = 0xFFFF;
        return SharedRangeTake(pool, RoundUp(size, kUnitBytes), nullptr, requestFlags);
    }
    // While failures of the system are being staged, every request goes to the system.
    if (!(requestFlags & kRequestLock) && pool->keptNewest && platform::PendingMemoryRequestFailures() == 0)
        if (u8* kept = takeKept(pool, size, requestFlags)) return kept;
    return static_cast<u8*>(_bri_sysAlloc(size, requestFlags));
}

void ReturnPages(MemPoolHeader* pool, u8* address, u64 bytes) {
    if (IsShared(pool)) {
        SharedRangeGive(pool, address, bytes);
        return;
    }
    if (bytes > kKeptBytesEach || (pool->flags & kRequestLock)) {
        _bri_sysFree(address);
        return;
    }
    if (pool->keptCount == kKeptBlocks) {
        // The oldest goes back to the system.
        u8* before = nullptr;
        u8* last = pool->keptNewest;
        while (keptNext(last)) {
            before = last;
            last = keptNext(last);
        }
        if (before) StorePtr(before, static_cast<u8*>(nullptr));
        else pool->keptNewest = nullptr;
        _bri_sysFree(last);
        --pool->keptCount;
    }
    StorePtr(address, pool->keptNewest);
    pool->keptNewest = address;
    ++pool->keptCount;
}

void ReleaseKeptPages(MemPoolHeader* pool) {
    if (IsShared(pool)) return;
    while (u8* b = pool->keptNewest) {
        pool->keptNewest = keptNext(b);
        _bri_sysFree(b);
    }
    pool->keptCount = 0;
}

bool WouldPassCeiling(const MemPoolHeader* pool, u64 bytes) {
    return pool->ceiling != kNoCeiling && pool->bytesHeld + bytes > pool->ceiling;
}

PageHeader* MakePage(MemPoolHeader* pool, u16 type, u64 size, u32 requestFlags, PageFailure* why) {
    u64 request = size;
    if (type != kLargePage) {
        if (request > 0xFFFF) request = 0xFFFF;
        requestFlags |= kRequestCap;
    }
    const u64 rounded = RoundUp(request, IsShared(pool) ? kUnitBytes : kSystemPage);
    if (WouldPassCeiling(pool, rounded)) {
        Report(pool, MEM_EXCEEDED_CEILING);
        *why = PageFailure::Ceiling;
        return nullptr;
    }
    PageDescriptor* d = TakeDescriptor(pool);
    if (!d) {
        *why = PageFailure::System;
        return nullptr;
    }
    u8* mem = RequestPages(pool, request, requestFlags);
    if (!mem) {
        GiveDescriptor(pool, d);
        *why = PageFailure::System;
        return nullptr;
    }

    PageDescriptor*& ring = pool->rings[type];
    if (!ring) {
        d->next = d->prev = d;
    } else {
        d->prev = ring;
        d->next = ring->next;
        ring->next->prev = d;
        ring->next = d;
    }

    auto* h = reinterpret_cast<PageHeader*>(mem);
    h->pool = pool;
    h->descriptor = d;
    h->bytes = committedOf(pool, mem, request);
    h->blocksInUse = 0;
    h->signature = static_cast<u16>(kPageSignature + type);
    h->dataOffset = kPageHeaderBytes;
    h->firstFree = nullptr;
    h->limit = mem + h->bytes;
    d->page = mem;
    SetCurrent(pool, type, d);
    d->hint = 0;
    switch (type) {
    case kMediumPage:
    case kMediumPage2: LayoutMediumPage(pool, h, type); break;
    case kFixedPage: LayoutFixedPage(pool, h); break;
    case kSmallPage: layoutSmallPage(h); break;
    case kLargePage: h->blocksInUse = 1; break;
    default: break;
    }
    d->flags = static_cast<u16>(kDescriptorMade | (type << 12));
    pool->bytesHeld += h->bytes;
    if (!IsShared(pool)) {
        RegistrySetFlags(reinterpret_cast<uptr>(mem), kUnitPage, 0, pool);
        SetUnitKind(reinterpret_cast<uptr>(mem), PageKind(pool, type));
    }
    *why = PageFailure::None;
    return h;
}

bool ReleasePage(MemPoolHeader* pool, PageDescriptor* d, bool floorTest) {
    auto* h = reinterpret_cast<PageHeader*>(d->page);
    const u64 bytes = h->bytes;
    if (floorTest && pool->bytesHeld < static_cast<u64>(pool->floor) + bytes) return false;
    const u16 type = DescriptorType(d);
    if (type == kMediumPage) ForgetMediumPage(pool, h);
    if (d->next == d) {
        SetCurrent(pool, type, nullptr);
    } else {
        d->prev->next = d->next;
        d->next->prev = d->prev;
        if (pool->rings[type] == d) SetCurrent(pool, type, d->next);
    }
    if (!IsShared(pool)) {
        SetUnitKind(reinterpret_cast<uptr>(h), 0);
        RegistrySetFlags(reinterpret_cast<uptr>(h), 0, kUnitPage);
    }
    h->signature = 0;
    u8* mem = d->page;
    GiveDescriptor(pool, d);
    pool->bytesHeld -= bytes;
    ReturnPages(pool, mem, bytes);
    return true;
}

u64 ShrinkPages(MemPoolHeader* pool) {
    const u64 before = pool->bytesHeld;
    for (u16 type : {kMediumPage, kFixedPage, kMediumPage2}) {
        PageDescriptor* d = pool->rings[type];
        if (!d) continue;
        u32 count = 0;
        PageDescriptor* p = d;
        do {
            ++count;
            p = p->next;
        } while (p != d);
        for (u32 i = 0; i < count; ++i) {
            PageDescriptor* next = d->next;
            if (reinterpret_cast<PageHeader*>(d->page)->blocksInUse == 0 && !ReleasePage(pool, d, true)) {
                ReleaseKeptPages(pool);
                return before - pool->bytesHeld;
            }
            d = next;
        }
    }
    // What the pool kept for reuse goes back too; it was never in the bytes held.
    ReleaseKeptPages(pool);
    return before - pool->bytesHeld;
}

void ReturnAllPages(MemPoolHeader* pool) {
    for (int type = 0; type < kPageTypes; ++type) {
        PageDescriptor* first = pool->rings[type];
        if (!first) continue;
        PageDescriptor* d = first;
        do {
            PageDescriptor* next = d->next;
            auto* h = reinterpret_cast<PageHeader*>(d->page);
            const u64 bytes = h->bytes;
            if (!IsShared(pool)) {
                SetUnitKind(reinterpret_cast<uptr>(h), 0);
                RegistrySetFlags(reinterpret_cast<uptr>(h), 0, kUnitPage);
            }
            h->signature = 0;
            ReturnPages(pool, d->page, bytes);
            d = next;
        } while (d != first);
        SetCurrent(pool, static_cast<u16>(type), nullptr);
    }
    ReleaseKeptPages(pool);
    if (!IsShared(pool)) {
        for (u8* block = pool->descriptorBlocks; block;) {
            u8* next = LoadPtr(block);
            _bri_sysFree(block);
            block = next;
        }
        pool->descriptorBlocks = nullptr;
    }
}

PageHeader* FindSharedPage(uptr base, MemPoolHeader* owner) {
    if (base == reinterpret_cast<uptr>(owner)) return nullptr;  // the pool header, not a page
    // Any unit of a shared mapping is readable, so the "header" may be a block's contents: it must
    // carry a signature, name this mapping's pool, and name a descriptor inside the mapping that
    // names the page back.
    auto* h = reinterpret_cast<PageHeader*>(base);
    const u16 sig = h->signature;
    if ((sig & kPageSignatureMask) != kPageSignature || (sig & 7) > kSmallPage) return nullptr;
    MemPoolHeader* pool = h->pool;
    if (pool != owner || !IsValidPool(pool)) return nullptr;
    const auto d = reinterpret_cast<uptr>(h->descriptor);
    const auto start = reinterpret_cast<uptr>(owner);
    if (d < start || d + sizeof(PageDescriptor) > start + pool->mappingSize) return nullptr;
    if (h->descriptor->page != reinterpret_cast<u8*>(base)) return nullptr;
    return h;
}

} // namespace bramble
