// The C allocation family over the library's pools: blocks made on one thread are read, resized
// and freed on another, and a thread that ends hands its pool on instead of leaving it behind.
#include "bench/memlib/brm_malloc.h"
#include "memlib/brm22w32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

MEMPOOL poolOf(void* p) {
    PoolInfoRecord info{};
    return MemPoolInfo(nullptr, p, &info) ? info.pool : nullptr;
}

int poolCount() {
    PoolInfoRecord info{};
    int n = 0;
    for (std::int32_t r = MemPoolFirst(&info, 0); r == 1; r = MemPoolNext(&info, 0)) ++n;
    return n;
}

bool filledWith(const void* p, std::size_t n, unsigned char v) {
    const auto* c = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (c[i] != v) return false;
    return true;
}

// Sizes that reach each kind of block: small, medium, large.
const std::size_t kSizes[] = {24, 700, 3000, 20000, 300000};

TEST(BrmMalloc, BlocksOfOneThreadAreResizedAndFreedByAnother) {
    std::vector<void*> made;
    std::thread maker([&] {
        for (std::size_t i = 0; i < std::size(kSizes); ++i) {
            void* p = brm_malloc(kSizes[i]);
            ASSERT_NE(p, nullptr);
            std::memset(p, static_cast<int>(i + 1), kSizes[i]);
            made.push_back(p);
        }
    });
    maker.join();
    ASSERT_EQ(made.size(), std::size(kSizes));
    void* mine = brm_malloc(16);
    ASSERT_NE(mine, nullptr);
    EXPECT_NE(poolOf(made[0]), poolOf(mine)) << "each thread allocates from a pool of its own";
    std::thread other([&] {
        for (std::size_t i = 0; i < made.size(); ++i) {
            const std::size_t grown = kSizes[i] * 3;
            void* q = brm_realloc(made[i], grown);
            ASSERT_NE(q, nullptr) << kSizes[i];
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(q) % 16, 0u) << kSizes[i];
            EXPECT_TRUE(filledWith(q, kSizes[i], static_cast<unsigned char>(i + 1))) << kSizes[i];
            EXPECT_GE(brm_usable_size(q), grown) << kSizes[i];
            made[i] = q;
        }
    });
    other.join();
    for (void* p : made) {
        EXPECT_NE(poolOf(p), nullptr);
        brm_free(p);
    }
    brm_free(mine);
}

TEST(BrmMalloc, ThreadsStartedOneAfterAnotherShareOnePoolBetweenThem) {
    void* warm = brm_malloc(8); // the first thread's pool is made outside the count
    std::thread([] { brm_free(brm_malloc(8)); }).join();
    const int before = poolCount();
    std::set<MEMPOOL> used;
    std::vector<void*> kept;
    for (int t = 0; t < 8; ++t)
        std::thread([&] {
            void* p = brm_malloc(40);
            ASSERT_NE(p, nullptr);
            std::memset(p, 7, 40);
            used.insert(poolOf(p));
            kept.push_back(p); // a block outlives its thread: the pool must stay
        }).join();
    EXPECT_EQ(poolCount(), before);
    EXPECT_EQ(used.size(), 1u);
    for (void* p : kept) {
        EXPECT_TRUE(filledWith(p, 40, 7));
        brm_free(p);
    }
    brm_free(warm);
}

// Sizes on both sides of every size-class edge and of the classes' top, resized up and down
// through them one after another: the data and the alignment must survive every move.
TEST(BrmMalloc, ResizesAcrossTheSizeClassesKeepTheData) {
    const std::size_t steps[] = {1,   48,  64,  65,  80,  81,  96,  97,  200, 240, 241, 304,
                                 305, 432, 433, 496, 512, 513, 900, 4000, 511, 100, 64, 2,  70000, 300, 8};
    unsigned char* p = static_cast<unsigned char*>(brm_malloc(steps[0]));
    ASSERT_NE(p, nullptr);
    p[0] = 0;
    std::size_t have = steps[0];
    for (std::size_t i = 1; i < std::size(steps); ++i) {
        const std::size_t n = steps[i];
        for (std::size_t k = 0; k < have; ++k) p[k] = static_cast<unsigned char>(k * 7 + i);
        auto* q = static_cast<unsigned char*>(brm_realloc(p, n));
        ASSERT_NE(q, nullptr) << have << " -> " << n;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(q) % 16, 0u) << have << " -> " << n;
        EXPECT_GE(brm_usable_size(q), n) << have << " -> " << n;
        const std::size_t kept = have < n ? have : n;
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < kept; ++k) wrong += q[k] != static_cast<unsigned char>(k * 7 + i);
        EXPECT_EQ(wrong, 0u) << have << " -> " << n;
        p = q;
        have = n;
    }
    brm_free(p);
    // Zero-filled blocks of every class, taken after blocks of the same size were dirtied and freed.
    for (std::size_t n : {70u, 90u, 150u, 300u, 500u}) {
        void* dirty = brm_malloc(n);
        std::memset(dirty, 0xA5, n);
        brm_free(dirty);
        void* clean = brm_calloc(1, n);
        ASSERT_NE(clean, nullptr) << n;
        EXPECT_TRUE(filledWith(clean, n, 0)) << n;
        brm_free(clean);
    }
}

TEST(BrmMalloc, OnePoolForEveryThreadWhenAsked) {
    brm_one_pool(1);
    void* here = brm_malloc(100);
    void* there = nullptr;
    std::thread([&] { there = brm_malloc(100); }).join();
    brm_one_pool(0);
    ASSERT_NE(here, nullptr);
    ASSERT_NE(there, nullptr);
    EXPECT_EQ(poolOf(here), poolOf(there));
    brm_free(here);
    brm_free(there);
}

} // namespace
