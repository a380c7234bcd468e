// Pools that several threads reach: serialised pools and the default pool.
#include "memory_test_support.h"

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
