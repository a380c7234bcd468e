// Moveable handles: locking, fixing, resizing, compaction, and handles that are not handles.
#include "tests/memlib/library.h"

#include <cstdlib>
#include <map>
#include <random>
#include <sys/mman.h>

namespace memlib_test {
namespace {

using HandleTest = MemlibTest;

std::uintptr_t pageOf(const void* p) { return reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{0xFFFF}; }

int listOf(MEMPOOL pool, const void* block) {
    PoolWalkRecord w{};
    while (api().MemPoolWalk(pool, &w) == 1)
        if (w.entry == block) return w.pageList;
    return -1;
}

TEST_F(HandleTest, FixedHandleCannotBeLocked) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, 0, 10);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(m.MemLockCount(h), 1);
    EXPECT_EQ(m.MemIsMoveable(h), 0);
    EXPECT_EQ(listOf(pool, *h), 0);
    EXPECT_EQ(m.MemSize(h), 12u);
    EXPECT_EQ(m.MemHandle(*h), h);
    EXPECT_EQ(m.MemLock(h), nullptr);
    EXPECT_EQ(m.MemUnlock(h), 0xFFFF);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_LOCK_ERROR, MEM_LOCK_ERROR}));
    EXPECT_EQ(errors()[0].pool, pool);
    EXPECT_EQ(m.MemFree(h), 1); // fixed handles are freed as they are
}

TEST_F(HandleTest, AllocationFailures) {
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_EQ(m.MemAlloc(pool, ALLOC_MOVEABLE, 0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    MEMHANDLE first = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    m.MemPoolSetCeiling(pool, m.MemPoolSize(pool));
    clearErrors();
    EXPECT_EQ(m.MemAlloc(pool, ALLOC_MOVEABLE, 20000), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING});
    // The slot taken for it went back: the next handle gets it.
    m.MemPoolSetCeiling(pool, 0xFFFFFFFF);
    MEMHANDLE next = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    EXPECT_EQ(reinterpret_cast<char*>(first) - reinterpret_cast<char*>(next), 16);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    int local = 0;
    clearErrors();
    EXPECT_EQ(m.MemHandle(&local), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER});
}

TEST_F(HandleTest, FixCountsUpTo255) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, 0, 10);
    void* at = *h;
    for (int i = 2; i <= 255; ++i) ASSERT_EQ(m.MemFix(h), at) << i;
    EXPECT_EQ(m.MemFix(h), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_LOCK_ERROR});
    EXPECT_EQ(m.MemLockCount(h), 255);
}

TEST_F(HandleTest, UnfixThatCannotMoveKeepsTheBlockFixed) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, 0, 100);
    fill(*h, 100, 6);
    m.MemPoolSetCeiling(pool, m.MemPoolSize(pool)); // no room for a moveable page
    EXPECT_EQ(m.MemUnfix(h), 0xFFFF);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING});
    EXPECT_EQ(m.MemLockCount(h), 1);
    EXPECT_EQ(m.MemIsMoveable(h), 0);
    EXPECT_TRUE(holds(*h, 100, 6));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, MoveableHandleLocksAndUnlocks) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    EXPECT_EQ(m.MemLockCount(h), 0);
    EXPECT_EQ(m.MemIsMoveable(h), 1);
    EXPECT_EQ(m.MemSize(h), 12u); // 10 bytes and the handle's record take a 24-byte block
    EXPECT_EQ(m.MemLock(h), *h);
    EXPECT_EQ(m.MemLockCount(h), 1);
    EXPECT_EQ(m.MemUnlock(h), 0);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(m.MemUnlock(h), 0xFFFF);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_LOCK_ERROR});
    clearErrors();
    for (int i = 1; i <= 255; ++i) ASSERT_EQ(m.MemLock(h), *h) << i;
    EXPECT_EQ(m.MemLock(h), nullptr);
    EXPECT_EQ(m.MemLockCount(h), 255);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_LOCK_ERROR});
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    for (int i = 254; i >= 0; --i) ASSERT_EQ(m.MemUnlock(h), i);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, FixMovesToAFixedPageAndUnfixMovesBack) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 300);
    fill(*h, 300, 5);
    void* before = *h;
    EXPECT_EQ(listOf(pool, before), 2);
    void* fixed = m.MemFix(h);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed, *h);
    EXPECT_NE(fixed, before);
    EXPECT_EQ(listOf(pool, fixed), 0);
    EXPECT_EQ(m.MemLockCount(h), 1);
    EXPECT_EQ(m.MemIsMoveable(h), 0);
    EXPECT_TRUE(holds(*h, 300, 5));
    EXPECT_EQ(m.MemSize(h), 300u); // 300 bytes and the handle's record take a 312-byte block
    // A fixed block counts further fixes in place.
    EXPECT_EQ(m.MemFix(h), fixed);
    EXPECT_EQ(m.MemUnfix(h), 1);
    EXPECT_EQ(*h, fixed);
    EXPECT_EQ(m.MemUnfix(h), 0);
    EXPECT_EQ(listOf(pool, *h), 2);
    EXPECT_EQ(m.MemIsMoveable(h), 1);
    EXPECT_TRUE(holds(*h, 300, 5));
    EXPECT_EQ(m.MemHandle(*h), h);
    EXPECT_TRUE(errors().empty());
    // Misuse.
    EXPECT_EQ(m.MemUnfix(h), 0xFFFF); // a moveable block is not fixed
    m.MemLock(h);
    EXPECT_EQ(m.MemFix(h), nullptr); // a locked one cannot be fixed
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_LOCK_ERROR, MEM_LOCK_ERROR}));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, LargeHandles) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 10000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(listOf(pool, *h), 3);
    EXPECT_EQ(m.MemSize(h), 12288u - 28);
    EXPECT_EQ(m.MemIsMoveable(h), 1);
    EXPECT_EQ(m.MemHandle(*h), h);
    fill(*h, 10000, 8);
    PoolWalkRecord w{};
    ASSERT_EQ(m.MemPoolWalk(pool, &w), 1);
    EXPECT_EQ(w.kind, MEM_KIND_MOVEABLE);
    EXPECT_EQ(w.handle, h);
    EXPECT_EQ(m.MemLock(h), *h);
    EXPECT_EQ(m.MemUnlock(h), 0);
    void* at = *h;
    EXPECT_EQ(m.MemFix(h), at); // marked fixed where it is
    EXPECT_EQ(m.MemIsMoveable(h), 0);
    EXPECT_EQ(m.MemLock(h), nullptr);
    EXPECT_EQ(m.MemUnfix(h), 0);
    EXPECT_EQ(m.MemIsMoveable(h), 1);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_LOCK_ERROR});
    // A large handle shrinks onto a variable page and grows back to a page of its own.
    ASSERT_EQ(m.MemReAlloc(h, 1000, 0), h);
    EXPECT_EQ(listOf(pool, *h), 2);
    EXPECT_TRUE(holds(*h, 1000, 8));
    ASSERT_EQ(m.MemReAlloc(h, 50000, 0), h);
    EXPECT_EQ(listOf(pool, *h), 3);
    EXPECT_EQ(m.MemIsMoveable(h), 1);
    EXPECT_TRUE(holds(*h, 1000, 8));
    // Fixed large handle from the start.
    MEMHANDLE f = m.MemAlloc(pool, 0, 20000);
    EXPECT_EQ(m.MemIsMoveable(f), 0);
    EXPECT_EQ(m.MemLockCount(f), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_EQ(m.MemFree(f), 1);
    EXPECT_EQ(m.MemFree(h), 1);
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
}

TEST_F(HandleTest, HandleSlotsComeInBlocks) {
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_EQ(m.MemPoolPreAllocateHandles(pool, 0), 255u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 4096u);
    EXPECT_EQ(m.MemPoolPreAllocateHandles(pool, 1000), 1023u); // 16016 bytes, committed 16384
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 4096u + 16384u);
    // Handles use the slots made; no further slot memory is needed for 1278 handles.
    std::vector<MEMHANDLE> hs;
    for (int i = 0; i < 1278; ++i) hs.push_back(m.MemAlloc(pool, ALLOC_MOVEABLE, 4));
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    const std::uint32_t pages = (m.MemPoolSize(pool) - 4096 - 4096 - 16384) / 16384;
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 4096u + 16384u + pages * 16384u);
    // One more grows the newest slot block in place.
    hs.push_back(m.MemAlloc(pool, ALLOC_MOVEABLE, 4));
    EXPECT_GT(m.MemPoolSize(pool), 4096u + 4096u + 16384u + pages * 16384u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    for (MEMHANDLE h : hs) EXPECT_EQ(m.MemFree(h), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, HandleOfABlock) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* plain = m.MemAllocPtr(pool, 100, 0);
    EXPECT_EQ(m.MemHandle(plain), nullptr);
    void* fixedSize = m.MemAllocPtr(pool, 8, 0);
    EXPECT_EQ(m.MemHandle(fixedSize), nullptr);
    void* large = m.MemAllocPtr(pool, 8000, 0);
    EXPECT_EQ(m.MemHandle(large), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_POINTER}));
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 100);
    EXPECT_EQ(m.MemHandle(*h), h);
}

TEST_F(HandleTest, ResizeMovesOnlyWithPermission) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    MEMHANDLE a = m.MemAlloc(pool, ALLOC_MOVEABLE, 100);
    MEMHANDLE b = m.MemAlloc(pool, ALLOC_MOVEABLE, 100); // right after a
    fill(*a, 100, 1);
    fill(*b, 100, 2);
    // Growing in place into the free space after b.
    void* at = *b;
    ASSERT_EQ(m.MemReAlloc(b, 400, RESIZE_IN_PLACE_ONLY), b);
    EXPECT_EQ(*b, at);
    EXPECT_EQ(m.MemSize(b), 400u);
    EXPECT_EQ(m.MemHandle(*b), b);
    // a cannot grow in place; locked, it may move only when the caller allows it.
    m.MemLock(a);
    void* pinned = *a;
    EXPECT_EQ(m.MemReAlloc(a, 300, 0), nullptr);
    EXPECT_EQ(m.MemReAlloc(a, 300, RESIZE_IN_PLACE_ONLY), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_RESIZE_FAILED, MEM_RESIZE_FAILED}));
    EXPECT_EQ(*a, pinned);
    EXPECT_TRUE(holds(*a, 100, 1));
    ASSERT_EQ(m.MemReAlloc(a, 300, ALLOC_MOVEABLE), a);
    EXPECT_NE(*a, pinned);
    EXPECT_TRUE(holds(*a, 100, 1));
    EXPECT_EQ(m.MemLockCount(a), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1); // the page's count of locked handles followed the block
    EXPECT_EQ(m.MemUnlock(a), 0);
    // Unlocked, it moves freely.
    ASSERT_EQ(m.MemReAlloc(a, 3000, 0), a);
    EXPECT_TRUE(holds(*a, 100, 1));
    EXPECT_TRUE(holds(*b, 100, 2));
    clearErrors();
    EXPECT_EQ(m.MemReAlloc(a, 0, 0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    EXPECT_TRUE(holds(*a, 100, 1));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

// Fills one moveable page with handles of 200 bytes and returns them in address order.
std::vector<MEMHANDLE> fillOnePage(const Api& m, MEMPOOL pool) {
    std::vector<MEMHANDLE> hs;
    std::uintptr_t page = 0;
    for (;;) {
        MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 200);
        if (page && pageOf(*h) != page) {
            m.MemFree(h);
            return hs;
        }
        page = pageOf(*h);
        fill(*h, 200, static_cast<std::uint32_t>(hs.size()));
        hs.push_back(h);
    }
}

TEST_F(HandleTest, CompactionSlidesUnlockedBlocksAndLeavesLockedOnes) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    std::vector<MEMHANDLE> hs = fillOnePage(m, pool);
    ASSERT_EQ(hs.size(), 77u); // 16348 / 212
    const std::uint32_t held = m.MemPoolSize(pool);
    void* locked1 = m.MemLock(hs[10]);
    void* locked2 = m.MemLock(hs[70]);
    std::map<MEMHANDLE, std::uint32_t> alive;
    for (std::size_t i = 0; i < hs.size(); ++i) {
        if (i % 2 == 1 && i != 10 && i != 70)
            m.MemFree(hs[i]);
        else
            alive[hs[i]] = static_cast<std::uint32_t>(i);
    }
    std::map<MEMHANDLE, void*> before;
    for (auto& [h, i] : alive) before[h] = *h;
    // No free piece holds 3000 bytes, but the page does once its blocks close up.
    MEMHANDLE big = m.MemAlloc(pool, ALLOC_MOVEABLE, 3000);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(m.MemPoolSize(pool), held); // no new page
    EXPECT_EQ(pageOf(*big), pageOf(locked1));
    EXPECT_EQ(*hs[10], locked1);
    EXPECT_EQ(*hs[70], locked2);
    int moved = 0;
    for (auto& [h, i] : alive) {
        EXPECT_TRUE(holds(*h, 200, i)) << i;
        EXPECT_EQ(m.MemHandle(*h), h);
        if (*h != before[h]) ++moved;
    }
    EXPECT_GT(moved, 0);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(HandleTest, ResizeCopiesFromWhereCompactionLeftTheBlock) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    std::vector<MEMHANDLE> hs = fillOnePage(m, pool);
    for (std::size_t i = 1; i < hs.size(); i += 2) m.MemFree(hs[i]);
    const std::uint32_t held = m.MemPoolSize(pool);
    MEMHANDLE h = hs[2]; // among the first blocks that closing up moves
    void* before = *h;
    // It cannot grow where it is; the room for its new block is made by closing up the page,
    // which moves the block itself before it is copied.
    ASSERT_EQ(m.MemReAlloc(h, 3000, 0), h);
    EXPECT_EQ(m.MemPoolSize(pool), held);
    EXPECT_NE(*h, before);
    EXPECT_TRUE(holds(*h, 200, 2));
    for (std::size_t i = 0; i < hs.size(); i += 2) EXPECT_TRUE(holds(*hs[i], 200, static_cast<std::uint32_t>(i))) << i;
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, ShrinkEvacuatesAMoveablePage) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    std::vector<MEMHANDLE> first = fillOnePage(m, pool);
    std::vector<MEMHANDLE> second;
    for (int i = 0; i < 40; ++i) {
        second.push_back(m.MemAlloc(pool, ALLOC_MOVEABLE, 200));
        fill(*second.back(), 200, 1000 + i);
    }
    ASSERT_NE(pageOf(*second[0]), pageOf(*first[0]));
    std::vector<std::pair<MEMHANDLE, std::uint32_t>> alive;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (i % 4 == 0)
            alive.push_back({first[i], static_cast<std::uint32_t>(i)});
        else
            m.MemFree(first[i]);
    }
    const std::uint32_t held = m.MemPoolSize(pool);
    EXPECT_EQ(m.MemPoolShrink(pool), 16384u);
    EXPECT_EQ(m.MemPoolSize(pool), held - 16384);
    for (auto& [h, i] : alive) {
        EXPECT_TRUE(holds(*h, 200, i));
        EXPECT_EQ(pageOf(*h), pageOf(*second[0]));
    }
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(holds(*second[i], 200, 1000 + i));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(HandleTest, LockedHandleIsNotFreed) {
    MEMPOOL pool = m.MemPoolInit(POOL_SERIALIZED);
    for (std::uint32_t size : {100u, 9000u}) {
        MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, size);
        fill(*h, size, size);
        void* locked = m.MemLock(h);
        clearErrors();
        EXPECT_EQ(m.MemFree(h), 0);
        EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_LOCK_ERROR});
        EXPECT_EQ(errors()[0].pool, pool);
        EXPECT_EQ(*h, locked);
        EXPECT_TRUE(holds(locked, size, size));
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
        EXPECT_EQ(m.MemUnlock(h), 0);
        EXPECT_EQ(m.MemFree(h), 1);
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
    }
}

TEST_F(HandleTest, EveryHandleCallRefusesWhatIsNotAHandle) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMHANDLE live = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    fill(*live, 10, 1);
    MEMHANDLE freed = m.MemAlloc(pool, ALLOC_MOVEABLE, 10);
    m.MemFree(freed);
    void* block = m.MemAllocPtr(pool, 100, 0);
    void* stack[4] = {};
    void* heap = std::calloc(4, sizeof(void*));
    void* unmapped = mmap(nullptr, 0x10000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const MEMHANDLE bad[] = {nullptr,
                             freed,
                             reinterpret_cast<MEMHANDLE>(reinterpret_cast<char*>(live) + 4),
                             static_cast<MEMHANDLE>(block),
                             static_cast<MEMHANDLE>(*live),
                             reinterpret_cast<MEMHANDLE>(stack),
                             static_cast<MEMHANDLE>(heap),
                             static_cast<MEMHANDLE>(unmapped),
                             reinterpret_cast<MEMHANDLE>(pool)};
    struct Call {
        const char* name;
        std::function<bool(MEMHANDLE)> failed;
    } calls[] = {
        {"MemFree", [&](MEMHANDLE h) { return m.MemFree(h) == 0; }},
        {"MemReAlloc", [&](MEMHANDLE h) { return m.MemReAlloc(h, 20, 0) == nullptr; }},
        {"MemSize", [&](MEMHANDLE h) { return m.MemSize(h) == MEM_FAILED; }},
        {"MemLock", [&](MEMHANDLE h) { return m.MemLock(h) == nullptr; }},
        {"MemUnlock", [&](MEMHANDLE h) { return m.MemUnlock(h) == 0xFFFF; }},
        {"MemLockCount", [&](MEMHANDLE h) { return m.MemLockCount(h) == 0xFFFF; }},
        {"MemFix", [&](MEMHANDLE h) { return m.MemFix(h) == nullptr; }},
        {"MemUnfix", [&](MEMHANDLE h) { return m.MemUnfix(h) == 0xFFFF; }},
        {"MemIsMoveable", [&](MEMHANDLE h) { return m.MemIsMoveable(h) == 0; }},
    };
    for (const auto& c : calls)
        for (MEMHANDLE h : bad) {
            clearErrors();
            EXPECT_TRUE(c.failed(h)) << c.name << " " << h;
            EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_HANDLE}) << c.name << " " << h;
        }
    EXPECT_TRUE(holds(*live, 10, 1));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_EQ(m.MemPoolCount(pool), 2u);
    std::free(heap);
    munmap(unmapped, 0x10000);
}

TEST_F(HandleTest, RandomMixesKeepHandlesAndLocksSound) {
    for (std::uint32_t flags : {0u, POOL_SERIALIZED}) {
        MEMPOOL pool = m.MemPoolInitFS(16, 0, flags);
        std::mt19937 rng(99 + flags);
        struct Live {
            std::uint32_t size, seed;
            void* lockedAt; // while locked or fixed, the block may not move
        };
        std::map<MEMHANDLE, Live> live;
        auto pick = [&]() {
            auto it = live.begin();
            std::advance(it, rng() % live.size());
            return it;
        };
        auto size = [&]() -> std::uint32_t { return rng() % 12 == 0 ? 1 + rng() % 12000 : 1 + rng() % 700; };
        for (std::uint32_t step = 0; step < 10000; ++step) {
            const unsigned op = rng() % 12;
            if (live.empty() || op < 4) {
                const std::uint32_t n = size();
                const bool moveable = rng() % 4 != 0;
                MEMHANDLE h = m.MemAlloc(pool, moveable ? ALLOC_MOVEABLE : 0, n);
                ASSERT_NE(h, nullptr);
                fill(*h, n, step);
                live[h] = {n, step, moveable ? nullptr : *h};
                continue;
            }
            auto it = pick();
            MEMHANDLE h = it->first;
            Live& l = it->second;
            ASSERT_TRUE(holds(*h, l.size, l.seed)) << step;
            if (l.lockedAt) {
                ASSERT_EQ(*h, l.lockedAt) << "a pinned block moved at step " << step;
            }
            switch (op) {
            case 4:
            case 5:
                if (m.MemIsMoveable(h)) {
                    while (m.MemLockCount(h) > 0) m.MemUnlock(h);
                }
                ASSERT_EQ(m.MemFree(h), 1);
                live.erase(it);
                break;
            case 6:
                if (m.MemIsMoveable(h) && m.MemLockCount(h) < 3) l.lockedAt = m.MemLock(h);
                break;
            case 7:
                if (m.MemIsMoveable(h) && m.MemLockCount(h) > 0 && m.MemUnlock(h) == 0) l.lockedAt = nullptr;
                break;
            case 8:
                if (m.MemLockCount(h) == 0) l.lockedAt = m.MemFix(h);
                break;
            case 9:
                if (!m.MemIsMoveable(h) && m.MemLockCount(h) == 1 && m.MemUnfix(h) == 0) l.lockedAt = nullptr;
                break;
            default: {
                const std::uint32_t n = size();
                clearErrors();
                if (m.MemReAlloc(h, n, 0) == h) {
                    if (l.lockedAt) {
                        ASSERT_EQ(*h, l.lockedAt) << step;
                    }
                    ASSERT_TRUE(holds(*h, std::min(n, l.size), l.seed)) << step;
                    fill(*h, n, step);
                    l = {n, step, l.lockedAt ? *h : nullptr};
                } else {
                    // A pinned block that cannot grow where it is stays untouched.
                    ASSERT_EQ(codes(), std::vector<std::uint32_t>{MEM_RESIZE_FAILED});
                    ASSERT_TRUE(holds(*h, l.size, l.seed));
                }
            }
            }
            if (step % 500 == 0) {
                ASSERT_EQ(m.MemPoolCheck(pool), 1) << step;
                ASSERT_EQ(m.MemPoolCount(pool), live.size());
            }
        }
        ASSERT_EQ(m.MemPoolCheck(pool), 1);
        m.MemPoolShrink(pool);
        ASSERT_EQ(m.MemPoolCheck(pool), 1);
        for (auto& [h, l] : live) ASSERT_TRUE(holds(*h, l.size, l.seed));
    }
}

} // namespace
} // namespace memlib_test
