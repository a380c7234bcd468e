// The pool model: a new pool's settings, the setters' rounding and refusals, bad handles.
#include "memory_test_support.h"

#include <cstdlib>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;

TEST_F(PoolTest, NewPoolStartsWithTheDocumentedSettings) {
    const MemPoolHeader* h = memtest::header(pool);
    EXPECT_EQ(h->signature, 0xBEAD);
    EXPECT_EQ(h->fixedBlockSize, 16);
    EXPECT_EQ(h->smallBlockLimit, 256);
    EXPECT_EQ(h->pageSize, 16384);
    EXPECT_EQ(h->mediumLimit, 4096);
    EXPECT_EQ(h->floor, 0x40000u);
    EXPECT_EQ(h->ceiling, 0xFFFFFFFEu);
    EXPECT_EQ(h->bytesHeld, 4096u);
    for (auto* ring : h->rings) EXPECT_EQ(ring, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pool) & 0xFFFF, 0u) << "a pool header starts a system block";
}

TEST_F(PoolTest, PageSizeIsRoundedAndSetsTheMediumLimit) {
    struct Case {
        std::uint32_t request;
        std::uint32_t pageSize;
    } cases[] = {
        {16384, 16384}, {10000, 16384}, {20000, 32768}, {3000, 4096}, {4096, 4096}, {4097, 8192},
        {8192, 8192},   {0, 4096},      {40000, 65535}, {65535, 65535}, {70000, 65535}, {0xFFFFFFFF, 65535},
    };
    std::uint32_t previous = 16384;
    for (const auto& c : cases) {
        EXPECT_EQ(MemPoolSetPageSize(pool, c.request), previous) << c.request;
        EXPECT_EQ(memtest::header(pool)->pageSize, c.pageSize) << c.request;
        EXPECT_EQ(memtest::header(pool)->mediumLimit, c.pageSize / 4) << c.request;
        previous = c.pageSize;
    }
    EXPECT_EQ(memtest::header(pool)->mediumLimit, 16383);
}

TEST_F(PoolTest, PageSizeTooSmallForTheFixedBlockIsRefused) {
    ASSERT_EQ(MemPoolSetBlockSizeFS(pool, 8000), 1);
    EXPECT_EQ(MemPoolSetPageSize(pool, 4096), 0u);
    EXPECT_EQ(memtest::header(pool)->pageSize, 16384);
    EXPECT_EQ(MemPoolSetPageSize(pool, 8192), 16384u);
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, FixedBlockSizeIsRoundedToFourAndRefusedWhenTooBig) {
    struct Case {
        std::uint16_t request;
        int result;
        std::uint16_t stored;
        bool reported;
    } cases[] = {
        {10, 1, 12, false}, {12, 1, 12, false}, {1, 1, 4, false}, {0, 1, 0, false},
        {16384 - 64, 1, 16384 - 64, false}, {16384 - 63, 0, 16384 - 64, true}, {65535, 0, 16384 - 64, true},
    };
    for (const auto& c : cases) {
        ErrorRecorder::clear();
        EXPECT_EQ(MemPoolSetBlockSizeFS(pool, c.request), c.result) << c.request;
        EXPECT_EQ(memtest::header(pool)->fixedBlockSize, c.stored) << c.request;
        if (c.reported) {
            EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG}) << c.request;
        } else {
            EXPECT_TRUE(ErrorRecorder::codes().empty()) << c.request;
        }
    }
}

TEST_F(PoolTest, FixedBlockSizeStaysOnceThePoolHasFixedPages) {
    void* b = MemAllocFS(pool);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(MemPoolSetBlockSizeFS(pool, 32), 0);
    EXPECT_EQ(memtest::header(pool)->fixedBlockSize, 16);
    EXPECT_EQ(MemFreeFS(b), 1);
}

TEST_F(PoolTest, SmallBlockLimitAcceptsUpToAThousand) {
    EXPECT_EQ(MemPoolSetSmallBlockLimit(pool, 1000), 1);
    EXPECT_EQ(memtest::header(pool)->smallBlockLimit, 1000);
    EXPECT_EQ(MemPoolSetSmallBlockLimit(pool, 1001), 0);
    EXPECT_EQ(memtest::header(pool)->smallBlockLimit, 1000);
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG});
}

TEST_F(PoolTest, FloorAndCeilingRefuseToCross) {
    EXPECT_EQ(MemPoolSetCeiling(pool, 0x100000), 0xFFFFFFFEu);
    EXPECT_EQ(MemPoolSetFloor(pool, 0x100001), 0xFFFFFFFFu) << "floor above the ceiling";
    EXPECT_EQ(memtest::header(pool)->floor, 0x40000u);
    EXPECT_EQ(MemPoolSetFloor(pool, 0x80000), 0x40000u);
    EXPECT_EQ(MemPoolSetCeiling(pool, 0x7FFFF), 0xFFFFFFFFu) << "ceiling below the floor";
    EXPECT_EQ(MemPoolSetFloor(pool, 0), 0x80000u);
    EXPECT_EQ(MemPoolSetCeiling(pool, 4095), 0xFFFFFFFFu) << "ceiling below the bytes held";
    EXPECT_EQ(memtest::header(pool)->ceiling, 0x100000u);
    EXPECT_EQ(MemPoolSetCeiling(pool, 0xFFFFFFFF), 0x100000u);
    EXPECT_EQ(memtest::header(pool)->ceiling, 0xFFFFFFFEu) << "all ones is kept as no ceiling";
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, FixedSizePoolPreAllocatesItsBlocks) {
    MEMPOOL fs = MemPoolInitFS(24, 10, 0);
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(memtest::header(fs)->fixedBlockSize, 24);
    EXPECT_EQ(memtest::header(fs)->bytesHeld, 4096u + 16384u);
    std::vector<void*> items;
    for (int i = 0; i < 10; ++i) items.push_back(MemAllocFS(fs));
    EXPECT_EQ(memtest::header(fs)->bytesHeld, 4096u + 16384u) << "the reserve served all ten";
    for (std::size_t i = 1; i < items.size(); ++i) {
        EXPECT_EQ(memtest::pageOf(items[i]), memtest::pageOf(items[0]));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(items[i]) % 8, 0u) << "24-byte blocks suit 8-aligned items";
    }
    void* ordinary = MemAllocPtr(fs, 24, 0);
    EXPECT_NE(memtest::pageOf(ordinary), memtest::pageOf(items[0])) << "pointer blocks never use fixed pages";
    MemFreePtr(ordinary);
    for (void* p : items) EXPECT_EQ(MemFreeFS(p), 1);
    EXPECT_EQ(memtest::checkPool(fs), "");
    EXPECT_EQ(MemPoolFree(fs), 1);
}

TEST_F(PoolTest, NegativeOrHugeCountsDoNotRunAway) {
    MEMPOOL none = MemPoolInitFS(16, -5, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(memtest::header(none)->bytesHeld, 4096u);
    EXPECT_EQ(MemPoolFree(none), 1);
    EXPECT_EQ(MemPoolInitFS(65535, 1, 0), nullptr) << "a block size the page cannot hold";
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG});
}

// A handle that is no live pool is reported (code 10) and answered with each operation's failure
// value, whatever the handle points at.
TEST_F(PoolTest, BadPoolHandlesAreReportedNeverFollowed) {
    MEMPOOL gone = MemPoolInit(0);
    ASSERT_EQ(MemPoolFree(gone), 1);
    void* heap = std::malloc(8192);
    std::memset(heap, 0xAD, 8192);
    int local = 0;
    MEMPOOL handles[] = {nullptr, gone, static_cast<MEMPOOL>(heap), reinterpret_cast<MEMPOOL>(&local),
                         reinterpret_cast<MEMPOOL>(std::uintptr_t{0x7000000000}),
                         reinterpret_cast<MEMPOOL>(reinterpret_cast<char*>(pool) + 16)};
    for (MEMPOOL h : handles) {
        ErrorRecorder::clear();
        EXPECT_EQ(MemAllocPtr(h, 10, 0), nullptr);
        EXPECT_EQ(MemAllocFS(h), nullptr);
        EXPECT_EQ(MemPoolSetPageSize(h, 8192), 0u);
        EXPECT_EQ(MemPoolSetBlockSizeFS(h, 8), 0);
        EXPECT_EQ(MemPoolSetSmallBlockLimit(h, 8), 0);
        EXPECT_EQ(MemPoolSetFloor(h, 0), 0xFFFFFFFFu);
        EXPECT_EQ(MemPoolSetCeiling(h, 0), 0xFFFFFFFFu);
        EXPECT_EQ(MemPoolPreAllocate(h, 100, MEM_MEDIUM), 0xFFFFFFFFu);
        EXPECT_EQ(MemPoolShrink(h), 0xFFFFFFFFu);
        EXPECT_EQ(MemPoolLock(h), 0);
        EXPECT_EQ(MemPoolUnlock(h), 0);
        EXPECT_EQ(MemPoolFree(h), 0);
        const auto reports = ErrorRecorder::reports();
        ASSERT_EQ(reports.size(), 12u) << h;
        for (const auto& r : reports) {
            EXPECT_EQ(r.code, MEM_BAD_MEM_POOL);
            EXPECT_EQ(r.pool, h);
        }
    }
    std::free(heap);
}

TEST_F(PoolTest, PoolWhoseSignatureIsGoneIsRefused) {
    memtest::header(pool)->signature = 0;
    EXPECT_EQ(MemPoolFree(pool), 0);
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BAD_MEM_POOL});
    memtest::header(pool)->signature = 0xBEAD;
}

TEST_F(PoolTest, DefaultPoolCannotBeDestroyed) {
    MEMPOOL d = MemDefaultPool();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(MemPoolFree(d), 0);
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BAD_MEM_POOL});
    void* p = MemMalloc(40);
    EXPECT_NE(p, nullptr);
    MemFree(p);
}

TEST_F(PoolTest, FreeAllDestroysEveryPoolButTheDefaultOne) {
    MEMPOOL a = MemPoolInit(0);
    MEMPOOL b = MemPoolInitFS(40, 10, MEM_POOL_SERIALIZE);
    ASSERT_TRUE(a && b);
    ASSERT_NE(MemAllocPtr(a, 5000, 0), nullptr);
    EXPECT_EQ(MemPoolFreeAll(1), 1);
    pool = nullptr;  // the fixture's pool went too
    EXPECT_EQ(MemPoolFree(a), 0);
    EXPECT_EQ(MemPoolFree(b), 0);
    void* p = MemMalloc(100);
    EXPECT_NE(p, nullptr) << "the default pool survives";
    MemFree(p);
}

TEST_F(PoolTest, ForgettingTheListLeavesThePoolsAlive) {
    MEMPOOL a = MemPoolInit(0);
    EXPECT_EQ(MemPoolFreeAll(0), 1);
    void* p = MemAllocPtr(a, 100, 0);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(MemFreePtr(p), 1);
    EXPECT_EQ(MemPoolFree(a), 1);
}

TEST_F(PoolTest, LockAndUnlockPairUp) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    EXPECT_EQ(MemPoolUnlock(s), 0) << "not held";
    EXPECT_EQ(MemPoolLock(s), 1);
    EXPECT_EQ(MemPoolLock(s), 1);
    EXPECT_EQ(memtest::header(s)->lockDepth, 2u);
    EXPECT_EQ(MemPoolUnlock(s), 1);
    EXPECT_EQ(MemPoolUnlock(s), 1);
    EXPECT_EQ(MemPoolUnlock(s), 0);
    EXPECT_EQ(MemPoolLock(pool), 1) << "an unserialised pool has nothing to lock";
    EXPECT_EQ(MemPoolUnlock(pool), 1);
    EXPECT_EQ(MemPoolFree(s), 1);
}

} // namespace
