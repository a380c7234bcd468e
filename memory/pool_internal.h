#pragma once
// The memory manager's own view of pools and pages. Nothing here is ever written to a file: the
// layouts hold this machine's addresses and are private to the library.
//
// Pool header: the handle of a pool is the address of its header, which sits at the start of the
// pool's first system block (4 KB, or the first 64 KB of a shared mapping).
// Page: a system block starting on a 64 KB boundary whose first 48 bytes are a PageHeader; the
// page of any block is found by clearing the low 16 bits of the block's address.
// Every block handed out by MemAllocPtr starts on a 16-byte boundary (the alignment operator new
// promises on this machine); fixed-size blocks are packed at their block size from a 16-byte
// boundary, so a block of sizeof(T) bytes is aligned for T.
#include "memory/page_registry.h"
#include "memory/pool_api.h"
#include "platform/critical_section.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace platform {
struct NamedMutex;
struct SharedMapping;
} // namespace platform

namespace bramble {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using uptr = std::uintptr_t;

constexpr u16 kPoolSignature = 0xBEAD;
constexpr u16 kPageSignature = 0xCAD0;
constexpr u16 kPageSignatureMask = 0xFFF8;
constexpr uptr kUnitBytes = 0x10000;  // the allocation granularity; pages start on it
constexpr uptr kPageMask = ~(kUnitBytes - 1);
constexpr u64 kSystemPage = 0x1000;

constexpr u32 kHeaderAllocation = 0x1000;
constexpr u32 kSharedHeaderAllocation = 0x10000;
constexpr u32 kMaxHeaderAllocation = 0xFFFF;
constexpr u32 kHeaderGrowth = 0x4000;
constexpr u32 kMinSharedMapping = 0x40000;

constexpr u32 kPageHeaderBytes = 48;
constexpr u32 kGrain = 16;  // block alignment and size unit of small and medium blocks
constexpr u32 kMaxSmallLimit = 1000;
constexpr u32 kSmallClasses = kMaxSmallLimit / kGrain + 1;
constexpr u32 kSmallPageBytes = 0x10000;
constexpr u32 kMinMediumBlock = 32;  // header, two free-list links and the trailing size
// Size classes of free medium blocks (medium_blocks.cpp).
constexpr u32 kMediumExactLimit = 1024;
constexpr u32 kMediumExactClasses = kMediumExactLimit / kGrain - kMinMediumBlock / kGrain + 1;
constexpr u32 kMediumClasses = kMediumExactClasses + 6 * 8;  // eight per power of two to 64 KB
constexpr u32 kMediumBinWords = (kMediumClasses + 63) / 64;
constexpr u32 kMediumQuickDepth = 6;  // freed blocks kept whole per exact size
constexpr u32 kFixedPageOverhead = 64;  // page header and the in-use bitmap of a one-block page

constexpr u16 kDefaultSmallLimit = 256;
constexpr u16 kDefaultPageSize = 16384;
constexpr u16 kDefaultMediumLimit = 4096;
constexpr u32 kDefaultFloor = 0x40000;
constexpr u32 kNoCeiling = 0xFFFFFFFE;

enum PageType : u16 {
    kMediumPage = 0,
    kFixedPage = 1,
    kMediumPage2 = 2,
    kLargePage = 3,
    kSmallPage = 4,
    kUnusedDescriptor = 5,
};
constexpr int kPageTypes = 5;

// Flags of requests for system memory; the pool's own flags are or-ed in.
constexpr u32 kRequestLock = 0x0004;
constexpr u32 kRequestZero = 0x0100;
constexpr u32 kRequestCap = 0x1000;
constexpr u32 kRequestSharedLargeSize = 0x2000;

// Internal allocation switches.
constexpr u32 kAllocLowEnd = 0x0004;  // a medium block cut from the low end of its free block
constexpr u32 kAllocNoNewPage = 0x0010;
constexpr u32 kAllocNoLarge = 0x0020;
constexpr u32 kAllocMinSplit = 0x4000;

// Medium block header bits (a u16 just before the block; the size is a multiple of 16).
constexpr u16 kMediumInUse = 0x0001;
constexpr u16 kMediumPrevInUse = 0x0002;
constexpr u16 kMediumKept = 0x0004;      // freed, but kept whole on its size's quick list
constexpr u16 kMediumPrevKept = 0x0008;  // the previous block is kept (and repeats its size)
constexpr u16 kMediumSizeMask = 0xFFF0;

// Small block class byte: bit 7 marks a free block, bit 6 (with bit 7) one kept in a thread's
// cache (thread_cache.h).
constexpr u8 kSmallFree = 0x80;
constexpr u8 kSmallCached = 0x40;
constexpr u8 kSmallClassMask = 0x3F;
static_assert(kSmallClasses <= kSmallClassMask + 1);

struct PageDescriptor {
    u16 hint;
    u16 flags;     // bits 12-14 page type (5 unused), bit 15 page made
    u32 minSplit;  // medium: the smallest remainder worth a block of its own
    u8* page;
    PageDescriptor* next;
    PageDescriptor* prev;
};
static_assert(sizeof(PageDescriptor) == 32);
constexpr u16 kDescriptorMade = 0x8000;

inline u16 DescriptorType(const PageDescriptor* d) { return (d->flags >> 12) & 7; }

// The in-use count is a full word: a count of 16 bits, stepped at every allocation and free,
// makes a slower round trip through memory on this machine's processors.
struct PageHeader {
    MemPoolHeader* pool;
    PageDescriptor* descriptor;
    u64 bytes;         // the page's committed size
    u32 blocksInUse;
    u16 signature;     // kPageSignature + type
    u16 dataOffset;    // where the first block starts
    u8* firstFree;     // small: next uncarved byte; fixed: the cursor's block; medium, large: 0
    union {
        u8* limit;     // small: page end; medium: sentinel; large: page end
        struct {
            u16 cursorWord;   // offset in the page of the cursor word
            u16 blockBytes;   // bytes from the first block to the end of the last
            u32 reciprocal;   // the pool's, here where a free finds it next to the rest
        } fixed;
    };
};
static_assert(sizeof(PageHeader) == kPageHeaderBytes);

inline PageHeader* PageOf(const void* block) {
    return reinterpret_cast<PageHeader*>(reinterpret_cast<uptr>(block) & kPageMask);
}
inline u8* PageBase(PageHeader* h) { return reinterpret_cast<u8*>(h); }
inline u16 PageTypeOf(const PageHeader* h) { return h->signature & 7; }

// Block-start bitmap of small and medium pages: one bit per 16-byte unit of the page, just
// after the page header. Fixed-size pages keep one in-use bit per block there instead.
inline u8* PageBitmap(PageHeader* h) { return PageBase(h) + kPageHeaderBytes; }
inline bool TestBit(const u8* map, u32 i) { return (map[i >> 3] >> (i & 7)) & 1; }
inline void SetBit(u8* map, u32 i) { map[i >> 3] |= static_cast<u8>(1u << (i & 7)); }
inline void ClearBit(u8* map, u32 i) { map[i >> 3] &= static_cast<u8>(~(1u << (i & 7))); }
inline u32 UnitIndex(PageHeader* h, const u8* p) { return static_cast<u32>((p - PageBase(h)) >> 4); }

inline u16 Load16(const u8* p) {
    u16 v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store16(u8* p, u16 v) { std::memcpy(p, &v, 2); }
inline u8* LoadPtr(const u8* p) {
    u8* v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void StorePtr(u8* p, u8* v) { std::memcpy(p, &v, sizeof v); }

inline u64 RoundUp(u64 n, u64 unit) { return (n + unit - 1) & ~(unit - 1); }

} // namespace bramble

struct MemPoolHeader {
    bramble::PageDescriptor* rings[bramble::kPageTypes];  // current descriptor of each type's ring
    bramble::PageDescriptor* freeDescriptors;
    bramble::PageHeader* fixedPage;  // the page of the fixed-size ring's current descriptor, or null
    std::uint16_t signature;
    std::uint16_t flags;
    std::uint16_t fixedBlockSize;
    std::uint16_t smallBlockLimit;
    std::uint32_t fixedReciprocal;  // 2^32 / fixed block size, rounded up: block index by multiply
    std::uint16_t pageSize;
    std::uint16_t mediumLimit;
    std::uint32_t floor;
    std::uint64_t bytesHeld;
    std::uint32_t ceiling;
    std::uint32_t lockDepth;
    MemPoolHeader* nextPool;
    void* owner;              // ordinary: the global record; shared: the address of the mapping
    std::uint64_t mappingSize;
    char mutexName[12];
    std::uint64_t committed;        // shared: bytes of the mapping committed so far
    bramble::PageDescriptor* freeRanges;
    std::uint64_t lockOwner;        // who holds the pool's lock
    std::uint32_t headerBytes;      // bytes of the header's own system block cut so far
    std::uint32_t keptCount;        // ordinary: system blocks kept for reuse (below)
    CRITICAL_SECTION lock;
    std::uint8_t* smallFree[bramble::kSmallClasses];
    std::uint8_t* descriptorBlocks;
    std::uint8_t* mediumBins[bramble::kMediumClasses];  // free medium blocks by size class
    std::uint64_t mediumBinMap[bramble::kMediumBinWords];  // the classes whose list is not empty
    std::uint8_t* mediumQuick[bramble::kMediumExactClasses];  // freed blocks kept whole, by exact size
    std::uint8_t mediumQuickCount[bramble::kMediumExactClasses];
    // Ordinary pools: system blocks of pages the pool gave up, newest first, linked through their
    // first bytes and still committed, so that a page that falls empty and is wanted again soon
    // costs no system call. Not counted in the bytes held.
    std::uint8_t* keptNewest;
    // Holds of the pool's lock taken through MemPoolLock; read without the lock by the threads'
    // caches, which must then wait for the lock like every other call.
    std::uint32_t callerLocks;
};

namespace bramble {

// The library's per-process record: the handler, the pool list and the error re-entry table.
struct ReentryEntry {
    u32 threadId;
    std::int32_t depth;
};
constexpr u32 kReentrySlots = 25;
struct GlobalRecord {
    MemErrorHandler handler;
    MemPoolHeader* poolList;
    ReentryEntry reentry[kReentrySlots];
    u32 reentryCount;
};
GlobalRecord& Global();

inline bool IsShared(const MemPoolHeader* p) { return p->flags & MEM_POOL_SHARED; }

// 32-bit compares of 16-bit fields: a compare with a 16-bit constant decodes slowly on this
// machine's processors, and these tests sit on every call.
inline bool HasSignature(const PageHeader* page, u32 signature) {
    u32 word;  // the signature and the data offset after it
    std::memcpy(&word, &page->signature, sizeof word);
    return (word << 16) == (signature << 16);
}
inline bool HasSignature(const MemPoolHeader* pool) {
    u32 word;  // the signature and the flags after it
    std::memcpy(&word, &pool->signature, sizeof word);
    return (word << 16) == (static_cast<u32>(kPoolSignature) << 16);
}

// A handle is a live pool when the registry knows its unit as a pool header (or as the start of
// a shared mapping) and the header carries the signature; nothing is read before the first test.
inline bool IsValidPool(const MemPoolHeader* pool) {
    const auto a = reinterpret_cast<uptr>(pool);
    if ((a & ~kPageMask) != 0) return false;
    // An ordinary pool's header is known by the kind of its unit; the registry decides the rest.
    if (UnitKindOf(a) & kKindPoolHeader) return HasSignature(pool);
    RegistryEntry* e = RegistryFind(a);
    if (!e) return false;
    const auto flags = static_cast<u8>(e->info.load(std::memory_order_acquire));
    // An ordinary pool's header unit is always its own: only a shared unit needs its owner read.
    if (!(flags & kUnitPoolHeader) && (!(flags & kUnitShared) || e->owner.load(std::memory_order_relaxed) != pool)) {
        return false;
    }
    return pool->signature == kPoolSignature;
}
inline bool IsSerialized(const MemPoolHeader* p) { return p->flags & MEM_POOL_SERIALIZE; }

// The kind bytes of an ordinary pool's header and pages (page_registry.h).
inline u8 PoolHeaderKind(const MemPoolHeader* pool) {
    return static_cast<u8>(kKindPoolHeader | (IsSerialized(pool) ? kKindSerialised : 0));
}
inline u8 PageKind(const MemPoolHeader* pool, u16 type) {
    return static_cast<u8>(kKindPage | type | (IsSerialized(pool) ? kKindSerialised : 0));
}

// --- system blocks (system_pages.cpp) ---
void* _bri_sysAlloc(u64 size, u32 flags);
int _bri_sysFree(void* address);
u64 _bri_sysSize(void* address);
void* _bri_sysReAlloc(void* address, u64 size, u32 flags);
bool SysResizeInPlace(void* address, u64 size, u32 flags);

// --- the default pool (entry_points.cpp) ---
extern std::atomic<MemPoolHeader*> g_defaultPool;
extern MemSettings g_settings;
MemPoolHeader* MakeDefaultPool();  // null when it cannot be made
inline MemPoolHeader* DefaultPoolIfMade() { return g_defaultPool.load(std::memory_order_acquire); }
inline MemPoolHeader* DefaultPool() {
    MemPoolHeader* pool = DefaultPoolIfMade();
    return pool ? pool : MakeDefaultPool();
}
// Settings bit 3 asks every block of malloc, realloc and operator new to be zero-filled.
inline u32 DefaultZeroFill() { return (g_settings.defaultPoolFlags & 0x0008) ? MEM_ZEROINIT : 0; }

// --- pool validity and locks (locks.cpp) ---
bool LockPool(MemPoolHeader* pool);
bool HoldsPoolLock(const MemPoolHeader* pool);
void UnlockPool(MemPoolHeader* pool);
void EnterLibrary();
void LeaveLibrary();
bool TakePoolListMutex();
void ReleasePoolListMutex();
platform::NamedMutex* MoveMutex();

// The lock of an ordinary serialised pool, inline for the common paths: the same steps as
// LockPool and UnlockPool take for such a pool.
inline void LockOrdinaryPool(MemPoolHeader* pool) {
    EnterCriticalSection(&pool->lock);
    if (pool->lockDepth++ == 0) pool->lockOwner = pool->lock.owner;
}
inline void UnlockOrdinaryPool(MemPoolHeader* pool) {
    if (--pool->lockDepth == 0) pool->lockOwner = 0;
    LeaveCriticalSection(&pool->lock);
}

class PoolLock {
public:
    PoolLock() = default;
    explicit PoolLock(MemPoolHeader* pool) { acquire(pool); }
    ~PoolLock() {
        if (locked_ && IsValidPool(pool_)) UnlockPool(pool_);
    }
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;
    // Unserialised pools take no lock; a serialised one may fail to be locked.
    bool acquire(MemPoolHeader* pool) {
        pool_ = pool;
        if (!IsSerialized(pool)) return ok_ = true;
        return ok_ = locked_ = LockPool(pool);
    }
    explicit operator bool() const { return ok_; }

private:
    MemPoolHeader* pool_ = nullptr;
    bool ok_ = false;
    bool locked_ = false;
};

class LibraryLock {
public:
    LibraryLock() { EnterLibrary(); }
    ~LibraryLock() { LeaveLibrary(); }
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
};

class PoolListLock {
public:
    PoolListLock() : held_(TakePoolListMutex()) {}
    ~PoolListLock() {
        if (held_) ReleasePoolListMutex();
    }
    PoolListLock(const PoolListLock&) = delete;
    PoolListLock& operator=(const PoolListLock&) = delete;
    explicit operator bool() const { return held_; }

private:
    bool held_;
};

// --- pages and descriptors (pages.cpp) ---
// Makes `d` (or nothing) the current descriptor of a ring; the fixed-size ring's current page is
// kept in the pool header as well, where the inline allocation finds it.
inline void SetCurrent(MemPoolHeader* pool, u16 type, PageDescriptor* d) {
    pool->rings[type] = d;
    if (type == kFixedPage) pool->fixedPage = d ? reinterpret_cast<PageHeader*>(d->page) : nullptr;
}
enum class PageFailure { None, Ceiling, System };
bool WouldPassCeiling(const MemPoolHeader* pool, u64 bytes);
PageHeader* MakePage(MemPoolHeader* pool, u16 type, u64 size, u32 requestFlags, PageFailure* why);
bool ReleasePage(MemPoolHeader* pool, PageDescriptor* d, bool floorTest);
u64 ShrinkPages(MemPoolHeader* pool);
PageDescriptor* TakeDescriptor(MemPoolHeader* pool);
void GiveDescriptor(MemPoolHeader* pool, PageDescriptor* d);
void CutDescriptors(MemPoolHeader* pool, u8* from, u8* to);
u8* RequestPages(MemPoolHeader* pool, u64 size, u32 requestFlags);
void ReturnPages(MemPoolHeader* pool, u8* address, u64 bytes);
// Gives the system blocks an ordinary pool kept for reuse back to the system.
void ReleaseKeptPages(MemPoolHeader* pool);
u64 PagesCommitted(MemPoolHeader* pool, u64 size);  // the committed size a request of `size` gets
void ReturnAllPages(MemPoolHeader* pool);

PageHeader* FindSharedPage(uptr base, MemPoolHeader* owner);

// The page of a block address; null when the address is not inside a page of ours.
inline PageHeader* PageOfBlock(const void* block) {
    const uptr base = reinterpret_cast<uptr>(block) & kPageMask;
    RegistryEntry* e = RegistryFind(base);
    if (!e) return nullptr;
    const auto flags = static_cast<u8>(e->info.load(std::memory_order_acquire));
    MemPoolHeader* owner = e->owner.load(std::memory_order_relaxed);
    if (flags & kUnitPage) {
        // A registered page of an ordinary pool: its header is ours unless something wrote over it.
        auto* h = reinterpret_cast<PageHeader*>(base);
        if (static_cast<u16>(h->signature - kPageSignature) > kSmallPage || h->pool != owner) return nullptr;
        return h;
    }
    return (flags & kUnitShared) ? FindSharedPage(base, owner) : nullptr;
}

inline bool FindPage(const void* block, PageHeader** page) {
    PageHeader* h = PageOfBlock(block);
    if (h) *page = h;
    return h != nullptr;
}

// --- blocks (small_blocks.cpp, medium_blocks.cpp, fixed_blocks.cpp, large_blocks.cpp) ---
// Validation results: 0 when the block is live, else the error code to report.
// Small and fixed-size blocks: the common paths are inline (small_blocks.h, fixed_blocks.h).
void* SmallAllocSlow(MemPoolHeader* pool, u32 size, u32 flags);
u8* SmallCarveNoPage(MemPoolHeader* pool, u32 size, u32 flags);  // null when a new page is needed

// The size class of a free medium block of `size` bytes: one per 16 bytes up to the exact limit,
// then eight per power of two.
inline u32 MediumClass(u32 size) {
    if (size <= kMediumExactLimit) return size / kGrain - kMinMediumBlock / kGrain;
    const u32 log = 31 - static_cast<u32>(__builtin_clz(size));
    const u32 sub = (size >> (log - 3)) & 7;
    return kMediumExactClasses + (log - 10) * 8 + sub;
}
void LayoutMediumPage(MemPoolHeader* pool, PageHeader* page, u16 type);
void ForgetMediumPage(MemPoolHeader* pool, PageHeader* page);  // an empty page about to go
void* MediumAlloc(MemPoolHeader* pool, u32 size, u32 flags);
u32 MediumCheck(PageHeader* page, u8* block);
u32 MediumFree(PageHeader* page, u8* block);  // 0 or code 11 when a neighbour is damaged
u32 MediumUsable(u8* block);
bool MediumResize(PageHeader* page, u8* block, u32 size, u32 flags, u32* keep);

void LayoutFixedPage(MemPoolHeader* pool, PageHeader* page);
void* FixedAllocSlow(MemPoolHeader* pool);

void* LargeAlloc(MemPoolHeader* pool, u64 size, u32 flags);
u32 LargeCheck(PageHeader* page, u8* block);
void LargeFree(PageHeader* page);
// Resizes a large block where it lies or by moving its page; null when that cannot be done.
u8* LargeResize(PageHeader* page, u8* block, u32 size, u32 flags);

void* AllocBlock(MemPoolHeader* pool, u32 size, u32 flags);
void* AllocBlockNoPage(MemPoolHeader* pool, u32 size, u32 flags);
u32 CheckBlock(PageHeader* page, u8* block);
u32 FreeBlock(PageHeader* page, u8* block);
u32 UsableSize(PageHeader* page, u8* block);

// --- shared pools (shared_pools.cpp) ---
u8* SharedRangeTake(MemPoolHeader* pool, u64 bytes, u8* wanted, u32 requestFlags);
void SharedRangeGive(MemPoolHeader* pool, u8* address, u64 bytes);
platform::NamedMutex* SharedPoolMutex(const MemPoolHeader* pool);
MemPoolHeader** NextPoolLink(MemPoolHeader* pool);
void DetachShared(MemPoolHeader* pool);

// --- error reporting (errors.cpp) ---
u32 Report(MemPoolHeader* pool, u32 code);  // MemSignalError

} // namespace bramble
