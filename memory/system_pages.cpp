// System blocks of ordinary pools: whole 64 KB units reserved, the requested size rounded up to
// 4 KB committed. The registry keeps each block's committed and reserved sizes.
#include "memory/pool_internal.h"
#include "platform/virtual_memory.h"

namespace bramble {
namespace {

u64 cappedCommit(u64 size, u32 flags) {
    if ((flags & kRequestCap) && size > 0xFFFF) size = 0xFFFF;
    u64 commit = RoundUp(size, kSystemPage);
    return commit ? commit : kSystemPage;
}

} // namespace

void* _bri_sysAlloc(u64 size, u32 flags) {
    const u64 commit = cappedCommit(size, flags);
    const u64 reserve = RoundUp(commit, kUnitBytes);
    void* base = platform::ReserveAddressSpace(reserve);
    if (!base) return nullptr;
    if (!platform::CommitMemory(base, commit) ||
        !RegistrySetSystemBlock(reinterpret_cast<uptr>(base), commit, reserve, 0)) {
        platform::ReleaseAddressSpace(base, reserve);
        return nullptr;
    }
    if (flags & kRequestLock) platform::LockMemory(base, commit);
    return base;
}

int _bri_sysFree(void* address) {
    UnitInfo info;
    const auto base = reinterpret_cast<uptr>(address);
    if ((base & ~kPageMask) != 0 || !RegistryLookup(base, &info) || !(info.flags & kUnitSystemBlock)) return 0;
    RegistryClear(base);
    // Releasing the reservation gives its committed pages back with it.
    return platform::ReleaseAddressSpace(address, info.reserved) ? 1 : 0;
}

u64 _bri_sysSize(void* address) {
    UnitInfo info;
    const auto base = reinterpret_cast<uptr>(address);
    if ((base & ~kPageMask) != 0 || !RegistryLookup(base, &info) || !(info.flags & kUnitSystemBlock)) return 0;
    return info.committed;
}

bool SysResizeInPlace(void* address, u64 size, u32 flags) {
    UnitInfo info;
    const auto base = reinterpret_cast<uptr>(address);
    if ((base & ~kPageMask) != 0 || !RegistryLookup(base, &info) || !(info.flags & kUnitSystemBlock)) return false;
    const u64 commit = cappedCommit(size, flags);
    auto* p = static_cast<u8*>(address);
    if (commit > info.committed) {
        // The block can only grow into the rest of its own reservation.
        if (commit > info.reserved) return false;
        if (!platform::CommitMemory(p + info.committed, commit - info.committed)) return false;
        // A block a pool kept for reuse may hold written pages past its committed size.
        if (flags & kRequestZero) std::memset(p + info.committed, 0, commit - info.committed);
        if (flags & kRequestLock) platform::LockMemory(p + info.committed, commit - info.committed);
    } else if (commit < info.committed) {
        platform::DecommitMemory(p + commit, info.committed - commit);
    }
    if ((flags & kRequestZero) && size < commit) std::memset(p + size, 0, commit - size);
    RegistrySetSystemBlock(base, commit, info.reserved, info.flags & ~kUnitSystemBlock);
    return true;
}

void* _bri_sysReAlloc(void* address, u64 size, u32 flags) {
    if (SysResizeInPlace(address, size, flags)) return address;
    const u64 old = _bri_sysSize(address);
    if (old == 0) return nullptr;
    void* fresh = _bri_sysAlloc(size, flags);
    if (!fresh) return nullptr;
    const u64 keep = old < size ? old : size;
    std::memcpy(fresh, address, keep);
    _bri_sysFree(address);
    return fresh;
}

} // namespace bramble
