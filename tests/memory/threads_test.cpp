// Pools that several threads reach: serialised pools and the default pool.
#include "memory_test_support.h"

#include "memory/thread_cache.h"

#include <chrono>
#include <random>
#include <thread>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;

// Each thread allocates, stamps, checks and frees blocks of every kind in one pool.
void churn(MEMPOOL pool, unsigned seed, std::atomic<int>* failures) {
    std::mt19937 rng(seed);
    std::vector<std::pair<unsigned char*, unsigned char>> mine;
    for (int i = 0; i < 4000; ++i) {
        if (mine.size() < 64 && (mine.empty() || rng() % 2)) {
            static const std::uint32_t sizes[] = {1, 24, 100, 256, 300, 2000, 4096, 9000, 70000};
            const std::uint32_t size = sizes[rng() % 9];
            auto* p = static_cast<unsigned char*>(pool ? MemAllocPtr(pool, size, 0) : MemMalloc(size));
            if (!p) {
                ++*failures;
                continue;
            }
            const auto tag = static_cast<unsigned char>(rng());
            p[0] = tag;
            p[size - 1] = tag;
            mine.emplace_back(p, tag);
        } else {
            const std::size_t k = rng() % mine.size();
            auto [p, tag] = mine[k];
            if (p[0] != tag) ++*failures;
            if (rng() % 4 == 0) {
                p = static_cast<unsigned char*>(pool ? MemReAllocPtr(p, 5000, 0) : MemRealloc(p, 5000));
                if (!p || p[0] != tag) ++*failures;
            }
            if (pool) {
                if (MemFreePtr(p) != 1) ++*failures;
            } else {
                MemFree(p);
            }
            mine[k] = mine.back();
            mine.pop_back();
        }
    }
    for (auto& [p, tag] : mine) MemFreePtr(p);
}

TEST_F(PoolTest, SerialisedPoolTakesThreadsOneAtATime) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back(churn, s, t + 1, &failures);
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_EQ(memtest::header(s)->lockDepth, 0u);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, DefaultPoolIsSafeFromManyThreads) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back(churn, nullptr, t + 10, &failures);
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
}

// A single thread leaves a serialised pool's lock alone; blocks it took that way are the pool's
// as any others once more threads come.
TEST_F(PoolTest, SerialisedPoolStaysSoundWhenMoreThreadsCome) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    std::vector<void*> early;
    for (int i = 0; i < 300; ++i) early.push_back(MemAllocPtr(s, static_cast<std::uint32_t>(i * 13 % 3000 + 1), 0));
    for (std::size_t i = 0; i < early.size(); i += 3) EXPECT_EQ(MemFreePtr(early[i]), 1);
    EXPECT_EQ(memtest::checkPool(s), "");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 3; ++t) threads.emplace_back(churn, s, t + 20, &failures);
    EXPECT_FALSE(platform::OnlyThread());
    for (std::size_t i = 1; i < early.size(); ++i) {
        if (i % 3 != 0 && MemFreePtr(early[i]) != 1) ++failures;
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_EQ(memtest::header(s)->lockDepth, 0u);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, LockedPoolHoldsOtherThreadsBack) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    ASSERT_EQ(MemPoolLock(s), 1);
    std::atomic<bool> done{false};
    std::thread other([&] {
        void* p = MemAllocPtr(s, 64, 0);
        MemFreePtr(p);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done.load()) << "the other thread got in while the pool was locked";
    EXPECT_EQ(MemPoolUnlock(s), 1);
    other.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, OnlyTheHolderCanUnlock) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    ASSERT_EQ(MemPoolLock(s), 1);
    int fromOther = -1;
    std::thread([&] { fromOther = MemPoolUnlock(s); }).join();
    EXPECT_EQ(fromOther, 0);
    EXPECT_EQ(MemPoolUnlock(s), 1);
    EXPECT_EQ(MemPoolFree(s), 1);
}

// With more than one thread, each thread keeps small and medium blocks of the default pool that
// it freed. A block in a cache is still a freed block to every call, from any thread; a block
// taken back from the cache is an ordinary block again; the pool check holds throughout.
TEST_F(PoolTest, ThreadCacheReportsBlocksFreedTwice) {
    // Sizes of classes the error recorder's own lists never take.
    for (const std::uint32_t size : {200u, 500u, 1000u}) {
        SCOPED_TRACE(size);
        std::vector<std::uint32_t> codes;
        std::vector<std::uint32_t> fromOther;
        std::string checkInside;
        void* again[2] = {};
        int reusedFreed = 0;
        std::thread([&] {
            EXPECT_FALSE(platform::OnlyThread());
            MemFree(MemMalloc(size));  // the cache is armed now
            void* p = MemMalloc(size);
            ASSERT_NE(p, nullptr);
            MemFree(p);
            ErrorRecorder::clear();
            EXPECT_EQ(MemFreePtr(p), 0);
            EXPECT_EQ(MemSizePtr(p), 0xFFFFFFFFu);
            EXPECT_EQ(MemReAllocPtr(p, 20, 0), nullptr);
            codes = ErrorRecorder::codes();
            ErrorRecorder::clear();
            std::thread([&] { EXPECT_EQ(MemFreePtr(p), 0); }).join();
            fromOther = ErrorRecorder::codes();
            checkInside = memtest::checkPool(MemDefaultPool());
            again[0] = MemMalloc(size);
            again[1] = MemMalloc(size);
            ErrorRecorder::clear();
            reusedFreed = MemFreePtr(again[0]) + MemFreePtr(again[1]);
            EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{}) << "a block taken back from the cache";
        }).join();
        EXPECT_EQ(codes, (std::vector<std::uint32_t>{MEM_BAD_FREE_BLOCK, MEM_BAD_FREE_BLOCK, MEM_BAD_FREE_BLOCK}));
        EXPECT_EQ(fromOther, std::vector<std::uint32_t>{MEM_BAD_FREE_BLOCK});
        EXPECT_EQ(checkInside, "");
        EXPECT_NE(again[0], again[1]) << "a block freed twice was handed out twice";
        EXPECT_EQ(reusedFreed, 2);
        EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
    }
}

// A medium block goes into a cache on its own parts alone; a damaged neighbour is found when
// the block goes back to the pool (at the latest when the thread ends), reported, and the block
// left in use rather than merged into the damage.
TEST_F(PoolTest, ThreadCacheReportsADamagedNeighbourWhenItGivesBack) {
    unsigned char* p = nullptr;
    unsigned char* next = nullptr;
    std::uint16_t saved = 0;
    std::thread([&] {
        MemFree(MemMalloc(600));  // the cache is armed now
        p = static_cast<unsigned char*>(MemMalloc(600));
        ASSERT_EQ(memtest::pageType(p), bramble::kMediumPage);
        // Whatever follows the block (another block or the page's end) says the block is free.
        next = p + (bramble::Load16(p - 2) & bramble::kMediumSizeMask);
        MemFree(p);
        ErrorRecorder::clear();
        saved = bramble::Load16(next - 2);
        bramble::Store16(next - 2, static_cast<std::uint16_t>(saved & ~bramble::kMediumPrevInUse));
    }).join();
    ASSERT_NE(next, nullptr);
    bramble::Store16(next - 2, saved);
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{MEM_BAD_BLOCK});
    ErrorRecorder::clear();
    EXPECT_EQ(MemFreePtr(p), 1) << "the block was not left in use";
    EXPECT_EQ(ErrorRecorder::codes(), std::vector<std::uint32_t>{});
    EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
}

// A thread's cache is bounded by class, and everything in it goes back to the pool's lists when
// the thread ends.
TEST_F(PoolTest, ThreadCacheIsBoundedAndGivenBackAtThreadExit) {
    using bramble::kSmallCached;
    using bramble::kSmallFree;
    struct Case {
        std::uint32_t size;
        int blocks;
    };
    for (const Case c : {Case{8, 500}, Case{100, 300}, Case{250, 200}}) {
        SCOPED_TRACE(c.size);
        const std::uint32_t cls = c.size / bramble::kGrain;
        std::vector<unsigned char*> blocks;
        blocks.reserve(static_cast<std::size_t>(c.blocks));  // no buffer of the thread's own is freed
        unsigned cachedAtEnd = 0;
        unsigned counted = 0;
        std::string checkInside;
        std::thread([&] {
            for (int i = 0; i < c.blocks; ++i) blocks.push_back(static_cast<unsigned char*>(MemMalloc(c.size)));
            for (unsigned char* b : blocks) MemFree(b);
            for (unsigned char* b : blocks) cachedAtEnd += (b[-1] & (kSmallFree | kSmallCached)) == (kSmallFree | kSmallCached);
            counted = bramble::t_threadCache.counts[cls];
            checkInside = memtest::checkPool(MemDefaultPool());
        }).join();
        EXPECT_EQ(checkInside, "");
        EXPECT_GT(cachedAtEnd, 0u) << "the thread kept none of its blocks";
        EXPECT_LE(cachedAtEnd, bramble::CacheDepth(cls));
        EXPECT_EQ(counted, cachedAtEnd);
        for (unsigned char* b : blocks) {
            EXPECT_EQ(b[-1], cls | kSmallFree) << "a block of an ended thread is not back on the pool's list";
        }
        EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
    }
}

TEST_F(PoolTest, ThreadCacheKeepsAFewMediumBlocksOfEachSize) {
    std::vector<unsigned char*> blocks;
    blocks.reserve(40);
    unsigned cachedAtEnd = 0;
    std::string checkInside;
    std::thread([&] {
        for (int i = 0; i < 40; ++i) blocks.push_back(static_cast<unsigned char*>(MemMalloc(700)));
        for (unsigned char* b : blocks) MemFree(b);
        for (unsigned char* b : blocks) cachedAtEnd += bramble::MediumCached(b);
        checkInside = memtest::checkPool(MemDefaultPool());
    }).join();
    EXPECT_EQ(checkInside, "");
    EXPECT_GT(cachedAtEnd, 0u) << "the thread kept none of its blocks";
    EXPECT_LE(cachedAtEnd, bramble::kMediumCacheDepth);
    for (unsigned char* b : blocks) EXPECT_FALSE(bramble::MediumCached(b)) << "a block of an ended thread is still cached";
    EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
}

// A thread whose cache holds blocks still waits while another thread has the default pool locked.
TEST_F(PoolTest, LockedDefaultPoolHoldsBackThreadsWithCachedBlocks) {
    std::atomic<int> step{0};
    std::atomic<bool> done{false};
    std::thread other([&] {
        for (const std::uint32_t size : {64u, 500u}) {
            MemFree(MemMalloc(size));
            MemFree(MemMalloc(size));  // the cache holds a block of this size now
        }
        step = 1;
        while (step.load() != 2) std::this_thread::yield();
        void* p = MemMalloc(64);
        void* q = MemMalloc(500);
        MemFree(p);
        MemFree(q);
        done = true;
    });
    while (step.load() != 1) std::this_thread::yield();
    ASSERT_EQ(MemPoolLock(MemDefaultPool()), 1);
    step = 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done.load()) << "the other thread got in while the pool was locked";
    EXPECT_EQ(MemPoolUnlock(MemDefaultPool()), 1);
    other.join();
    EXPECT_TRUE(done.load());
}

// Only the default pool's blocks are cached: a pool of one's own may be freed at any time.
TEST_F(PoolTest, ThreadCacheKeepsNoBlockOfOtherPools) {
    MEMPOOL s = MemPoolInit(MEM_POOL_SERIALIZE);
    std::vector<unsigned char*> blocks;
    std::thread([&] {
        MemFree(MemMalloc(24));  // arms the cache
        for (int i = 0; i < 20; ++i) blocks.push_back(static_cast<unsigned char*>(MemAllocPtr(s, 24, 0)));
        for (unsigned char* b : blocks) EXPECT_EQ(MemFreePtr(b), 1);
        for (unsigned char* b : blocks) EXPECT_EQ(b[-1], 1 | bramble::kSmallFree);
    }).join();
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_EQ(MemPoolFree(s), 1);
}

#ifdef VH_POOL_ROUTING
TEST_F(PoolTest, OperatorNewFromThreadsGoesThroughTheDefaultPool) {
    std::atomic<int> outside{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                auto* s = new std::string(static_cast<std::size_t>(i % 500), 'x');
                bramble::PageHeader* page;
                if (!bramble::FindPage(s, &page) || page->pool != MemDefaultPool()) ++outside;
                delete s;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(outside.load(), 0);
    EXPECT_EQ(memtest::checkPool(MemDefaultPool()), "");
}
#endif

} // namespace
