// The pool check: walks a pool's rings, pages, blocks and lists and verifies the invariants
// stated at the top of each block file, and that the bytes held add up.
#include "memory/fixed_blocks.h"
#include "memory/pool_internal.h"
#include "memory/small_blocks.h"

#include <cstdarg>
#include <cstdio>

using namespace bramble;

namespace bramble {
bool IsRangeRecord(const PageDescriptor* d);
}

namespace {

constexpr u64 kMaxSteps = u64{1} << 24;  // a list longer than this has a cycle

class Checker {
public:
    Checker(MemPoolHeader* pool, char* why, std::size_t whyBytes) : pool_(pool), why_(why), whyBytes_(whyBytes) {}

    bool run() {
        held_ = IsShared(pool_) ? kSharedHeaderAllocation : pool_->headerBytes;
        const u8 kind = UnitKindOf(reinterpret_cast<uptr>(pool_));
        if (kindsKept() && kind != (IsShared(pool_) ? 0 : PoolHeaderKind(pool_))) {
            return fail("pool header has unit kind %02x", kind);
        }
        if (!checkUnusedDescriptors()) return false;
        if (!checkDescriptorBlocks()) return false;
        for (u16 type = 0; type < kPageTypes; ++type) {
            if (!checkRing(type)) return false;
        }
        PageDescriptor* fixedCurrent = pool_->rings[kFixedPage];
        if (pool_->fixedPage != (fixedCurrent ? reinterpret_cast<PageHeader*>(fixedCurrent->page) : nullptr)) {
            return fail("current fixed-size page %p is not the ring's", pool_->fixedPage);
        }
        if (!checkSmallLists()) return false;
        if (!checkMediumLists()) return false;
        if (IsShared(pool_) && !checkFreeRanges()) return false;
        if (held_ != pool_->bytesHeld) {
            return fail("bytes held %llu, pages and header add up to %llu",
                        static_cast<unsigned long long>(pool_->bytesHeld), static_cast<unsigned long long>(held_));
        }
        return true;
    }

private:
    bool fail(const char* format, ...) {
        if (why_ && whyBytes_) {
            va_list args;
            va_start(args, format);
            std::vsnprintf(why_, whyBytes_, format, args);
            va_end(args);
        }
        return false;
    }

    bool checkUnusedDescriptors() {
        u64 steps = 0;
        for (PageDescriptor* d = pool_->freeDescriptors; d; d = d->next) {
            if (++steps > kMaxSteps) return fail("unused descriptor list has a cycle");
            if (DescriptorType(d) != kUnusedDescriptor) return fail("unused descriptor of type %u", DescriptorType(d));
        }
        return true;
    }

    bool checkDescriptorBlocks() {
        u64 steps = 0;
        for (u8* block = pool_->descriptorBlocks; block; block = LoadPtr(block)) {
            if (++steps > kMaxSteps) return fail("descriptor block list has a cycle");
            u64 bytes;
            std::memcpy(&bytes, block + 8, sizeof bytes);
            held_ += bytes;
        }
        return true;
    }

    bool checkRing(u16 type) {
        PageDescriptor* first = pool_->rings[type];
        if (!first) return true;
        PageDescriptor* d = first;
        u64 steps = 0;
        do {
            if (++steps > kMaxSteps) return fail("ring %u has no end", type);
            if (d->next->prev != d || d->prev->next != d) return fail("ring %u links do not match", type);
            if (DescriptorType(d) != type || !(d->flags & kDescriptorMade)) {
                return fail("descriptor on ring %u has flags %04x", type, d->flags);
            }
            auto* page = reinterpret_cast<PageHeader*>(d->page);
            if ((reinterpret_cast<uptr>(page) & ~kPageMask) != 0) return fail("page %p not on a 64 KB boundary", page);
            if (!IsShared(pool_)) {
                UnitInfo info;
                if (!RegistryLookup(reinterpret_cast<uptr>(page), &info) || !(info.flags & kUnitPage)) {
                    return fail("page %p is not registered", page);
                }
                if (kindsKept() && UnitKindOf(reinterpret_cast<uptr>(page)) != PageKind(pool_, type)) {
                    return fail("page %p has unit kind %02x", page, UnitKindOf(reinterpret_cast<uptr>(page)));
                }
            }
            if (page->signature != kPageSignature + type) return fail("page %p has signature %04x", page, page->signature);
            if (page->pool != pool_ || page->descriptor != d) return fail("page %p names another pool or descriptor", page);
            held_ += page->bytes;
            bool ok = true;
            switch (type) {
            case kMediumPage:
            case kMediumPage2: ok = checkMediumPage(page); break;
            case kFixedPage: ok = checkFixedPage(page); break;
            case kLargePage: ok = checkLargePage(page); break;
            case kSmallPage: ok = checkSmallPage(page); break;
            default: break;
            }
            if (!ok) return false;
            d = d->next;
        } while (d != first);
        return true;
    }

    // Without the table of unit kinds (it could not be mapped) every unit reads as kind 0.
    static bool kindsKept() { return __atomic_load_n(&g_unitKinds.units, __ATOMIC_ACQUIRE) != 0; }

    // Bits of the block-start bitmap: set exactly at `starts`, checked unit by unit.
    bool bitAt(PageHeader* page, const u8* p) { return TestBit(PageBitmap(page), UnitIndex(page, p)); }

    bool checkSmallPage(PageHeader* page) {
        u8* b = PageBase(page) + page->dataOffset;
        while (b < page->firstFree) {
            if (!bitAt(page, b)) return fail("small block %p has no start bit", b);
            const u8 cls = b[-1] & kSmallClassMask;
            if (cls >= kSmallClasses) return fail("small block %p has class %u", b, cls);
            const u32 slot = kGrain * (cls + 1);
            for (u32 off = kGrain; off < slot; off += kGrain) {
                if (bitAt(page, b + off)) return fail("start bit inside small block %p", b);
            }
            // A block in a thread's cache is marked free and cached: in use as far as the pool's
            // lists go.
            const u8 marks = b[-1] & (kSmallFree | kSmallCached);
            if (marks == kSmallCached) return fail("small block %p is cached but not free", b);
            if (marks == kSmallFree) ++smallFreeInPages_[cls];
            b += slot;
        }
        if (b != page->firstFree) return fail("small page %p: blocks overrun the carved part", page);
        if (page->firstFree - 1 > page->limit) return fail("small page %p carved past its end", page);
        for (u8* p = page->firstFree; p < page->limit; p += kGrain) {
            if (bitAt(page, p)) return fail("start bit beyond the carved part of %p", page);
        }
        return true;
    }

    static u16 mediumHeader(const u8* b) { return Load16(b - 2); }

    bool checkMediumPage(PageHeader* page) {
        u8* anchor = page->limit;
        u8* b = PageBase(page) + page->dataOffset;
        bool prevFree = false, prevKept = false;
        u32 inUse = 0, freeBlocks = 0, largest = 0;
        while (b < anchor) {
            const u16 h = mediumHeader(b);
            const u32 size = h & kMediumSizeMask;
            if (!bitAt(page, b)) return fail("medium block %p has no start bit", b);
            if (size < kMinMediumBlock) return fail("medium block %p has size %u", b, size);
            for (u32 off = kGrain; off < size && b + off < anchor; off += kGrain) {
                if (bitAt(page, b + off)) return fail("start bit inside medium block %p", b);
            }
            if (static_cast<bool>(h & kMediumPrevInUse) == prevFree) return fail("medium block %p: wrong previous-in-use bit", b);
            if (static_cast<bool>(h & kMediumPrevKept) != prevKept) return fail("medium block %p: wrong previous-kept bit", b);
            prevKept = false;
            if (h & kMediumKept) {
                if (!(h & kMediumInUse)) return fail("kept medium block %p is not marked in use", b);
                if (PageTypeOf(page) != kMediumPage || size > kMediumExactLimit) return fail("medium block %p cannot be kept", b);
                if (Load16(b + size - 4) != size) return fail("kept medium block %p: trailing size differs", b);
                ++keptInPages_[MediumClass(size)];
                prevFree = false;
                prevKept = true;
            } else if (h & kMediumInUse) {
                ++inUse;
                prevFree = false;
            } else {
                if (prevFree) return fail("two free medium blocks meet at %p", b);
                if (Load16(b + size - 4) != size) return fail("free medium block %p: trailing size differs", b);
                ++freeBlocks;
                if (size > largest) largest = size;
                prevFree = true;
            }
            b += size;
        }
        if (b != anchor) return fail("medium page %p: blocks overrun the sentinel", page);
        const u16 sh = mediumHeader(anchor);
        if ((sh & kMediumSizeMask) != 0 || !(sh & kMediumInUse) || static_cast<bool>(sh & kMediumPrevInUse) == prevFree ||
            static_cast<bool>(sh & kMediumPrevKept) != prevKept) {
            return fail("medium page %p: sentinel header %04x", page, sh);
        }
        if (PageTypeOf(page) == kMediumPage) binnedFree_ += freeBlocks;
        if (page->descriptor->hint < largest) return fail("medium page %p: hint %u below free block %u", page, page->descriptor->hint, largest);
        if (inUse != page->blocksInUse) return fail("medium page %p counts %u blocks, has %u", page, page->blocksInUse, inUse);
        return true;
    }

    bool checkFixedPage(PageHeader* page) {
        const u32 size = pool_->fixedBlockSize;
        u8* first = PageBase(page) + page->dataOffset;
        const u64 end = page->dataOffset + static_cast<u64>(page->fixed.blockBytes);
        if (size == 0 || page->fixed.blockBytes == 0 || page->fixed.blockBytes % size != 0 || end > page->bytes ||
            page->bytes - end >= size) {
            return fail("fixed page %p: layout", page);
        }
        const u32 count = FixedBlockCount(page, size);
        const u64* bitmap = FixedBitmap(page);
        const u32 words = (count + 63) / 64;
        if (reinterpret_cast<const u8*>(bitmap + words) > first) return fail("fixed page %p: bitmap runs into the blocks", page);
        const u64* cursor = FixedCursor(page);
        if (page->fixed.cursorWord % sizeof(u64) != 0) return fail("fixed page %p: cursor word at %u", page, page->fixed.cursorWord);
        if (page->fixed.reciprocal != pool_->fixedReciprocal) return fail("fixed page %p: reciprocal %08x", page, page->fixed.reciprocal);
        if (cursor < bitmap || cursor >= bitmap + words) return fail("fixed page %p: cursor %p off the bitmap", page, cursor);
        if (FixedCursorBlock(page) != first + static_cast<u64>(cursor - bitmap) * 64 * size) {
            return fail("fixed page %p: cursor block %p does not match its word", page, FixedCursorBlock(page));
        }
        u32 used = 0;
        for (u32 i = 0; i < words; ++i) {
            u64 bits = bitmap[i];
            if (i == words - 1 && count % 64) {
                const u64 beyond = ~u64{0} << (count % 64);
                if ((bits & beyond) != beyond) return fail("fixed page %p: a bit past the last block is clear", page);
                bits &= ~beyond;
            }
            if (bitmap + i < cursor && bitmap[i] != ~u64{0}) return fail("fixed page %p: free block below the cursor", page);
            used += static_cast<u32>(__builtin_popcountll(bits));
        }
        if (used != page->blocksInUse) return fail("fixed page %p counts %u blocks, has %u", page, page->blocksInUse, used);
        return true;
    }

    bool checkLargePage(PageHeader* page) {
        if (page->blocksInUse != 1) return fail("large page %p counts %u blocks", page, page->blocksInUse);
        if (page->bytes <= kPageHeaderBytes || page->limit != PageBase(page) + page->bytes) return fail("large page %p: size", page);
        return true;
    }

    bool checkSmallLists() {
        for (u32 cls = 0; cls < kSmallClasses; ++cls) {
            u64 listed = 0;
            for (u8* b = pool_->smallFree[cls]; b; b = LoadPtr(b)) {
                if (++listed > smallFreeInPages_[cls]) return fail("class %u list is longer than its free blocks", cls);
                PageHeader* page;
                if (!FindPage(b, &page) || page->pool != pool_ || PageTypeOf(page) != kSmallPage) {
                    return fail("class %u list holds %p, outside the pool's small pages", cls, b);
                }
                if (b[-1] != (cls | kSmallFree) || !bitAt(page, b)) return fail("class %u list holds %p of class byte %02x", cls, b, b[-1]);
            }
            if (listed != smallFreeInPages_[cls]) {
                return fail("class %u: %llu free blocks, %llu listed", cls,
                            static_cast<unsigned long long>(smallFreeInPages_[cls]), static_cast<unsigned long long>(listed));
            }
        }
        return true;
    }

    bool checkMediumLists() {
        u64 listed = 0;
        for (u32 c = 0; c < kMediumClasses; ++c) {
            const bool marked = (pool_->mediumBinMap[c / 64] >> (c % 64)) & 1;
            if (marked != (pool_->mediumBins[c] != nullptr)) return fail("medium class %u is marked %d", c, marked);
            u8* prev = nullptr;
            for (u8* b = pool_->mediumBins[c]; b; prev = b, b = LoadPtr(b)) {
                if (++listed > binnedFree_) return fail("medium lists are longer than the free blocks");
                PageHeader* page;
                if (!FindPage(b, &page) || page->pool != pool_ || PageTypeOf(page) != kMediumPage) {
                    return fail("medium class %u holds %p, outside the pool's medium pages", c, b);
                }
                if (b < PageBase(page) + page->dataOffset || b >= page->limit || !bitAt(page, b) ||
                    (mediumHeader(b) & kMediumInUse)) {
                    return fail("medium class %u holds %p, no free block", c, b);
                }
                if (MediumClass(mediumHeader(b) & kMediumSizeMask) != c) return fail("medium block %p is on class %u", b, c);
                if (LoadPtr(b + 8) != prev) return fail("medium class %u: links differ at %p", c, b);
            }
        }
        for (u32 c = kMediumClasses; c < kMediumBinWords * 64; ++c) {
            if ((pool_->mediumBinMap[c / 64] >> (c % 64)) & 1) return fail("medium class %u past the last is marked", c);
        }
        if (listed != binnedFree_) {
            return fail("%llu free medium blocks, %llu listed", static_cast<unsigned long long>(binnedFree_),
                        static_cast<unsigned long long>(listed));
        }
        for (u32 c = 0; c < kMediumExactClasses; ++c) {
            u32 count = 0;
            for (u8* b = pool_->mediumQuick[c]; b; b = LoadPtr(b)) {
                if (++count > kMediumQuickDepth || count > keptInPages_[c]) return fail("quick list %u is too long", c);
                PageHeader* page;
                if (!FindPage(b, &page) || page->pool != pool_ || PageTypeOf(page) != kMediumPage) {
                    return fail("quick list %u holds %p, outside the pool's medium pages", c, b);
                }
                const u16 h = mediumHeader(b);
                if (b < PageBase(page) + page->dataOffset || b >= page->limit || !bitAt(page, b) || !(h & kMediumKept) ||
                    MediumClass(h & kMediumSizeMask) != c) {
                    return fail("quick list %u holds %p, no kept block of its size", c, b);
                }
            }
            if (count != keptInPages_[c] || count != pool_->mediumQuickCount[c]) {
                return fail("quick list %u: %u listed, %u counted, %llu kept", c, count, pool_->mediumQuickCount[c],
                            static_cast<unsigned long long>(keptInPages_[c]));
            }
        }
        return true;
    }

    bool checkFreeRanges() {
        PageDescriptor* sentinel = pool_->freeRanges;
        if (!sentinel || sentinel->hint != 0 || sentinel->page != reinterpret_cast<u8*>(~uptr{0})) return fail("free-range sentinel");
        u8* base = reinterpret_cast<u8*>(pool_);
        u64 steps = 0;
        for (PageDescriptor* r = sentinel->next; r != sentinel; r = r->next) {
            if (++steps > kMaxSteps) return fail("free-range ring has no end");
            if (!IsRangeRecord(r) || r->next->prev != r) return fail("free-range ring links");
            const u8* end = r->page + static_cast<u64>(r->hint) * kUnitBytes;
            if (r->hint == 0 || r->page < base + kSharedHeaderAllocation || end > base + pool_->committed) {
                return fail("free range %p outside the committed part", r->page);
            }
            for (PageDescriptor* o = r->next; o != sentinel; o = o->next) {
                const u8* oend = o->page + static_cast<u64>(o->hint) * kUnitBytes;
                if (o->page < end && r->page < oend) return fail("free ranges %p and %p overlap", r->page, o->page);
                if (o->page == end || oend == r->page) return fail("free ranges %p and %p meet unmerged", r->page, o->page);
            }
        }
        return true;
    }

    MemPoolHeader* pool_;
    char* why_;
    std::size_t whyBytes_;
    u64 held_ = 0;
    u64 smallFreeInPages_[kSmallClasses] = {};
    u64 binnedFree_ = 0;
    u64 keptInPages_[kMediumExactClasses] = {};
};

} // namespace

int MemPoolCheck(MEMPOOL pool, char* why, std::size_t whyBytes) {
    if (why && whyBytes) why[0] = 0;
    if (!IsValidPool(pool)) {
        if (why && whyBytes) std::snprintf(why, whyBytes, "not a live pool");
        return 0;
    }
    PoolLock lock(pool);
    if (!lock) {
        if (why && whyBytes) std::snprintf(why, whyBytes, "the pool's lock cannot be had");
        return 0;
    }
    return Checker(pool, why, whyBytes).run() ? 1 : 0;
}
