// Compaction of moveable pages: sliding unlocked handle blocks down over free space inside a
// page, and evacuating a page's unlocked blocks into the free space of other moveable pages.
// Invariants: a block moves only when it belongs to a handle whose slot points at it and whose
// lock count is 0, and only under the handle lock; the slot is pointed at the block's new place
// before the lock is left; the page keeps the variable-page invariants after every step.
#include "memlib/pool.h"
#include "memlib/variable_page.h"

namespace brm {
namespace {

constexpr std::uint32_t kEmptied = 0x10000;
constexpr std::uint32_t kEvacuationFlags = kMoveable | kNoNewPage | kNoLargeBlock | kCompactionTried;

HandleSlot* slotOf(const VarPage& vp, std::uint32_t b) {
    const std::uint16_t h = vp.header(b);
    if (!(h & 1) || !(h & kHandleBit)) return nullptr;
    auto handle = load<MEMHANDLE>(vp.page() + b + (h & kInUseSizeMask) - kHandleExtra);
    if (!isSlot(handle)) return nullptr;
    auto* slot = reinterpret_cast<HandleSlot*>(handle);
    return slot->block == vp.page() + b + 2 ? slot : nullptr;
}

// The block's handle when the block may be moved now.
HandleSlot* unlockedSlot(const VarPage& vp, std::uint32_t b) {
    HandleSlot* s = slotOf(vp, b);
    return s && lockCountOf(s) == 0 ? s : nullptr;
}

bool onlyFreeBlock(const VarPage& vp, std::uint32_t b) { return vp.next(b) == vp.prev(b); }

std::uint16_t settleOnLargest(VarPage& vp, PageDescriptor* desc) {
    const std::uint32_t s = vp.sentinel();
    std::uint32_t best = 0, bestSize = 0;
    std::uint32_t steps = 65536 / kMinBlock + 2;
    for (std::uint32_t b = vp.next(s); b != s && --steps; b = vp.next(b))
        if (vp.size(b) > bestSize) {
            best = b;
            bestSize = vp.size(b);
        }
    vp.setRover(best ? best : s);
    desc->state |= kStateOnePiece;
    return static_cast<std::uint16_t>(bestSize);
}

// Slides the unlocked run that starts at q down over the free block f before it. Returns the
// free block formed after the run, or 0 with `stop` at the block where the run ended.
std::uint32_t slide(VarPage& vp, std::uint32_t f, std::uint32_t q, std::uint32_t& stop) {
    const std::uint32_t s = vp.sentinel();
    std::uint32_t r = q;
    while (r != s && vp.used(r) && unlockedSlot(vp, r)) r += vp.size(r);
    if (r == s || vp.used(r)) {
        stop = r;
        return 0;
    }
    const std::uint32_t e = r;
    const std::uint32_t total = vp.size(f) + vp.size(e);
    const std::uint32_t run = e - q;
    vp.unlink(f);
    vp.unlink(e);
    std::memmove(vp.page() + f, vp.page() + q, run);
    vp.setHeader(f, vp.header(f) | 2);
    for (std::uint32_t m = f; m < f + run; m += vp.size(m)) {
        auto handle = load<MEMHANDLE>(vp.page() + m + vp.size(m) - kHandleExtra);
        reinterpret_cast<HandleSlot*>(handle)->block = vp.page() + m + 2;
    }
    const std::uint32_t nb = f + run;
    vp.makeFree(nb, total);
    vp.linkAfterSentinel(nb);
    return nb;
}

// Empties what it can of a moveable page into other moveable pages; the page's own hint is 0,
// so it never receives its own blocks.
std::uint32_t evacuate(Pool* pool, std::uint8_t* page, std::uint32_t need) {
    VarPage vp(page);
    PageDescriptor* desc = pageDescriptor(page);
    const std::uint32_t s = vp.sentinel();
    std::uint32_t runStart = 0, runSize = 0, firstRun = 0;
    bool runLinked = false, unlockedBehindRun = false;
    std::uint32_t failedSize = 0xFFFFFFFF;

    // Turns the open run into one free block; true when it meets the need.
    auto closeRun = [&](std::uint32_t staying) {
        vp.makeFree(runStart, runSize);
        if (!runLinked) vp.linkAfterSentinel(runStart);
        vp.setHeader(staying, vp.header(staying) & ~2u);
        if (!firstRun) firstRun = runStart;
        if (runSize >= need) {
            vp.setRover(runStart);
            if (!onlyFreeBlock(vp, runStart)) desc->state &= ~kStateOnePiece;
            return true;
        }
        runStart = runSize = 0;
        return false;
    };

    for (std::uint32_t b = kVariableFirstBlock; b != s;) {
        const std::uint32_t size = vp.size(b);
        if (!vp.used(b)) {
            if (!runStart) {
                runStart = b;
                runSize = size;
                runLinked = true;
            } else {
                vp.unlink(b);
                vp.setHeader(b, 0);
                runSize += size;
            }
            b += size;
            continue;
        }
        HandleSlot* slot = runSize < need || !runStart ? unlockedSlot(vp, b) : nullptr;
        if (slot && size < failedSize) {
            if (std::uint8_t* copy = variableAlloc(pool, kEvacuationFlags, size)) {
                std::memcpy(copy, page + b + 2, size - kHandleOverhead);
                recordOwner(copy, reinterpret_cast<MEMHANDLE>(slot));
                slot->block = copy;
                vp.setHeader(b, 0);
                if (!runStart) {
                    runStart = b;
                    runSize = 0;
                    runLinked = false;
                }
                runSize += size;
                setPageInUse(page, pageInUse(page) - 1);
                if (pageInUse(page) == 0 && need == 65535 && deletePage(page, true)) return kEmptied;
                b += size;
                continue;
            }
            failedSize = size;
        }
        if (runStart && closeRun(b)) return runSize;
        if (firstRun && unlockedSlot(vp, b)) unlockedBehindRun = true;
        b += size;
    }
    if (runStart && closeRun(s)) return runSize;
    if (unlockedBehindRun && firstRun && !onlyFreeBlock(vp, firstRun)) return compactPage(page, need, firstRun);
    return settleOnLargest(vp, desc);
}

} // namespace

std::uint16_t compactPage(std::uint8_t* page, std::uint32_t need, std::uint32_t start) {
    HandleGuard g;
    VarPage vp(page);
    PageDescriptor* desc = pageDescriptor(page);
    const std::uint32_t s = vp.sentinel();
    std::uint32_t b = start;
    while (b != s) {
        if (vp.used(b)) {
            b += vp.size(b);
            continue;
        }
        if (onlyFreeBlock(vp, b)) break;
        const std::uint32_t q = b + vp.size(b);
        if (q != s && unlockedSlot(vp, q)) {
            std::uint32_t stop = 0;
            if (const std::uint32_t nb = slide(vp, b, q, stop)) {
                if (vp.size(nb) >= need) {
                    vp.setRover(nb);
                    if (onlyFreeBlock(vp, nb)) desc->state |= kStateOnePiece;
                    return static_cast<std::uint16_t>(vp.size(nb));
                }
                b = nb;
            } else {
                b = stop;
            }
            continue;
        }
        b = q;
    }
    return settleOnLargest(vp, desc);
}

std::uint16_t compactPool(Pool* pool, std::uint32_t need) {
    PageDescriptor* head = pool->lists[kMoveablePage];
    if (!head) return 0;
    HandleGuard g;
    auto locked = [](const PageDescriptor* d) { return d->state & kStateLockedMask; };
    PageDescriptor* candidate = head;
    PageDescriptor* d = head;
    do {
        if (!(d->state & kStateOnePiece)) d->hint = compactPage(d->page, need, kVariableFirstBlock);
        if (d != candidate &&
            (locked(d) < locked(candidate) || (locked(d) == locked(candidate) && d->hint > candidate->hint)))
            candidate = d;
        if (d->hint >= need) {
            candidate = d;
            break;
        }
        d = d->next;
    } while (d != head);

    while (candidate->hint < need && candidate->next != candidate) {
        candidate->hint = 0;
        pool->lists[kMoveablePage] = candidate->next;
        const std::uint32_t result = evacuate(pool, candidate->page, need);
        if (result == kEmptied) {
            candidate = pool->lists[kMoveablePage];
            if (!candidate) return 0;
            continue;
        }
        candidate->hint = static_cast<std::uint16_t>(result);
        break;
    }
    pool->lists[kMoveablePage] = candidate;
    return candidate->hint;
}

} // namespace brm
