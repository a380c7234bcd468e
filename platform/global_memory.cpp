#include "platform/global_memory.h"

#include <atomic>
#include <new>
#include <vector>

namespace {

struct GlobalBlock {
    std::vector<BYTE> bytes;
    int locks = 0;
};

std::atomic<bool> failing{false};

GlobalBlock* blockOf(HGLOBAL h) { return static_cast<GlobalBlock*>(h); }

} // namespace

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
    if (failing) return nullptr;
    auto* b = new (std::nothrow) GlobalBlock;
    if (!b) return nullptr;
    b->bytes.assign(bytes, 0);
    return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT) {
    if (!block || failing) return nullptr;
    // New bytes are zero whatever the flags: nothing here relies on their being garbage.
    blockOf(block)->bytes.resize(bytes, 0);
    return block;
}

void* GlobalLock(HGLOBAL block) {
    if (!block) return nullptr;
    auto* b = blockOf(block);
    ++b->locks;
    return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL block) {
    if (!block) return FALSE;
    auto* b = blockOf(block);
    if (b->locks > 0) --b->locks;
    return b->locks > 0 ? TRUE : FALSE;
}

std::size_t GlobalSize(HGLOBAL block) { return block ? blockOf(block)->bytes.size() : 0; }

HGLOBAL GlobalFree(HGLOBAL block) {
    delete blockOf(block);
    return nullptr;
}

namespace platform {
void SetGlobalAllocFailure(bool fail) { failing = fail; }
} // namespace platform
