// The structure check behind MemPoolCheck: everything the invariants of the pool, page and
// handle files promise, verified page by page, with the accounting of the size held.
#include "memlib/pool.h"
#include "memlib/variable_page.h"

namespace brm {
namespace {

constexpr std::uint64_t kMaxPages = std::uint64_t{1} << 24;

bool handlePointsAt(MEMHANDLE handle, const std::uint8_t* data, int& locks) {
    if (!isSlot(handle)) return false;
    auto* slot = reinterpret_cast<HandleSlot*>(handle);
    locks = lockCountOf(slot);
    return slot->block == data;
}

bool checkVariablePage(std::uint8_t* page, int type, const PageDescriptor* d, std::uint32_t& code) {
    VarPage vp(page);
    const std::uint32_t s = vp.sentinel();
    std::uint32_t inUse = 0, freeBlocks = 0, locked = 0;
    bool previousUsed = true;
    code = MEM_BAD_BLOCK;
    std::uint32_t b = kVariableFirstBlock;
    while (b < s) {
        const std::uint16_t h = vp.header(b);
        const std::uint32_t size = VarPage::sizeOf(h);
        if (size < kMinBlock || size % 4 || b + size > s) return false;
        if (bool(h & 2) != previousUsed) return false;
        if (h & 1) {
            ++inUse;
            if (h & kHandleBit) {
                int locks = 0;
                if (!handlePointsAt(load<MEMHANDLE>(page + b + size - kHandleExtra), page + b + 2, locks)) return false;
                if (type == kMoveablePage && locks) ++locked;
            }
        } else {
            if (!previousUsed) return false; // two free blocks touch
            if (load<std::uint16_t>(page + b + size - 2) != size) return false;
            ++freeBlocks;
        }
        previousUsed = h & 1;
        b += size;
    }
    if (b != s || bool(vp.header(s) & 2) != previousUsed) return false;
    if (inUse != pageInUse(page)) return false;
    if (type == kMoveablePage && locked != (d->state & kStateLockedMask)) return false;
    std::uint32_t ring = 0;
    for (std::uint32_t e = vp.next(s); e != s && ring <= freeBlocks; e = vp.next(e)) ++ring;
    if (ring != freeBlocks) {
        code = MEM_BAD_FREE_BLOCK;
        return false;
    }
    return true;
}

bool checkFixedPage(Pool* pool, std::uint8_t* page, std::uint64_t committed, std::uint32_t& code) {
    const std::uint32_t bs = pool->fixedBlockSize;
    const std::uint32_t end = load<std::uint32_t>(page + 24);
    code = MEM_BAD_BLOCK;
    if (bs == 0 || end < kFixedFirstBlock || end > committed || (end - kFixedFirstBlock) % bs) return false;
    const std::uint32_t blocks = (end - kFixedFirstBlock) / bs;
    std::uint32_t freeBlocks = 0;
    for (std::uint32_t off = load<std::uint32_t>(page + 20); off != 0; off = load<std::uint32_t>(page + off) & 0xFFFF) {
        if (off < kFixedFirstBlock || off >= end || (off - kFixedFirstBlock) % bs || ++freeBlocks > blocks ||
            (load<std::uint32_t>(page + off) & 0xFFFF0000u) != kFreeLinkTag) {
            code = MEM_BAD_FREE_BLOCK;
            return false;
        }
    }
    return freeBlocks + pageInUse(page) == blocks;
}

bool checkLargePage(std::uint8_t* page, const PageDescriptor* d) {
    if (pageInUse(page) != 1 || (d->moveable != 0 && d->moveable != kMoveable)) return false;
    std::uint32_t locked = 0;
    if (MEMHANDLE owner = largeOwner(page)) {
        int locks = 0;
        if (!handlePointsAt(owner, page + kLargeData, locks)) return false;
        if (d->moveable == kMoveable && locks) locked = 1;
    }
    return locked == (d->state & kStateLockedMask);
}

std::uint64_t chainBytes(std::uint8_t* block, Region kind, bool& sound) {
    std::uint64_t total = 0;
    for (std::uint64_t n = 0; block; ++n) {
        Reservation r;
        if (n > kMaxPages || !reservationAt(block, r) || r.kind != kind) {
            sound = false;
            return total;
        }
        total += r.committed;
        block = load<std::uint8_t*>(block);
    }
    return total;
}

} // namespace

bool checkPoolStructure(Pool* pool, std::uint32_t& code) {
    code = MEM_BAD_BLOCK;
    std::uint64_t held = sysSize(pool);
    for (int type = 0; type < kPageLists; ++type) {
        PageDescriptor* head = pool->lists[type];
        if (!head) continue;
        if (type == kUnusedPage) return false;
        PageDescriptor* d = head;
        std::uint64_t n = 0;
        do {
            if (++n > kMaxPages || d->next->prev != d || d->prev->next != d) return false;
            PageRef ref;
            if (!d->page || !findPage(d->page, ref) || ref.page != d->page || ref.pool != pool ||
                pageDescriptor(ref.page) != d || ref.type != type)
                return false;
            held += ref.committed;
            bool sound;
            switch (type) {
            case kFixedPage: sound = checkFixedPage(pool, ref.page, ref.committed, code); break;
            case kLargePage: sound = checkLargePage(ref.page, d); break;
            default: sound = checkVariablePage(ref.page, type, d, code); break;
            }
            if (!sound) return false;
            code = MEM_BAD_BLOCK;
            d = d->next;
        } while (d != head);
    }
    bool sound = true;
    held += chainBytes(pool->descriptorBlocks, Region::DescriptorBlock, sound);
    held += chainBytes(pool->slotBlocks, Region::SlotBlock, sound);
    if (!sound || held != pool->sizeHeld) return false;
    std::uint64_t n = 0;
    for (HandleSlot* s = pool->freeSlots; s; s = static_cast<HandleSlot*>(s->block))
        if (++n > kMaxPages * 16 || !isSlot(s)) return false;
    return true;
}

} // namespace brm
