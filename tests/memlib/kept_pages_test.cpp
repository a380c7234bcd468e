// Reservations a pool keeps after giving pages up: reused for its next pages, bounded, given
// back to the system by shrink and by freeing the pool, invisible in sizes and error reports; and
// large blocks that grow where they lie.
#include "tests/memlib/library.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <vector>

namespace memlib_test {
namespace {

using KeptPagesTest = MemlibTest;

void* pageOf(const void* p) { return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{0xFFFF}); }

// True while the process has the address mapped at all.
bool mapped(void* page) {
    unsigned char v = 0;
    return mincore(page, 4096, &v) == 0 || errno != ENOMEM;
}

TEST_F(KeptPagesTest, ALargeBlockThatComesAndGoesReusesItsReservation) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* a = m.MemAllocPtr(pool, 6000, 0);
    void* page = pageOf(a);
    m.MemFreePtr(a);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u) << "kept memory is not held by the pool";
    EXPECT_TRUE(mapped(page));
    void* b = m.MemAllocPtr(pool, 7000, 0);
    EXPECT_EQ(pageOf(b), page);
    EXPECT_EQ(m.MemSizePtr(b), 8192u - 28);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 8192u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemFreePtr(b);
    m.MemPoolFree(pool);
    EXPECT_FALSE(mapped(page)) << "freeing the pool gives kept reservations back";
    EXPECT_TRUE(errors().empty());
}

TEST_F(KeptPagesTest, ShrinkGivesKeptReservationsBack) {
    MEMPOOL pool = m.MemPoolInit(0);
    std::vector<void*> pages;
    std::vector<void*> blocks;
    for (int i = 0; i < 5; ++i) blocks.push_back(m.MemAllocPtr(pool, 20000, 0));
    for (void* b : blocks) {
        pages.push_back(pageOf(b));
        m.MemFreePtr(b);
    }
    for (void* p : pages) EXPECT_TRUE(mapped(p));
    // Nothing the pool holds went away: the result counts the size held only.
    EXPECT_EQ(m.MemPoolShrink(pool), 0u);
    for (void* p : pages) EXPECT_FALSE(mapped(p));
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemPoolFree(pool);
}

TEST_F(KeptPagesTest, TheKeptSetIsBounded) {
    MEMPOOL pool = m.MemPoolInit(0);
    std::vector<void*> blocks;
    for (int i = 0; i < 1200; ++i) blocks.push_back(m.MemAllocPtr(pool, 5000, 0));
    std::vector<void*> pages;
    for (void* b : blocks) pages.push_back(pageOf(b));
    for (void* b : blocks) m.MemFreePtr(b);
    int stillMapped = 0;
    for (void* p : pages) stillMapped += mapped(p) ? 1 : 0;
    EXPECT_GT(stillMapped, 0);
    EXPECT_LE(stillMapped, 1024);
    // The newest are the ones kept.
    EXPECT_TRUE(mapped(pages.back()));
    EXPECT_FALSE(mapped(pages.front()));
    m.MemPoolFree(pool);
}

TEST_F(KeptPagesTest, AKeptPageIsNoLongerABlock) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* large = m.MemAllocPtr(pool, 9000, 0);
    void* medium = m.MemAllocPtr(pool, 100, 0);
    m.MemFreePtr(large);
    m.MemFreePtr(medium); // its page falls empty and is kept
    clearErrors();
    EXPECT_EQ(m.MemCheckPtr(nullptr, large), 0);
    EXPECT_EQ(m.MemCheckPtr(nullptr, medium), 0);
    EXPECT_EQ(m.MemSizePtr(large), MEM_FAILED);
    EXPECT_EQ(m.MemFreePtr(medium), 0);
    EXPECT_EQ(m.MemReAllocPtr(large, 20000, 0), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_POINTER,
                                                   MEM_BAD_POINTER, MEM_BAD_POINTER}));
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemPoolFree(pool);
}

TEST_F(KeptPagesTest, ReusedPagesAreClearedWhenZeroFillIsAsked) {
    MEMPOOL pool = m.MemPoolInit(0);
    auto* dirty = static_cast<unsigned char*>(m.MemAllocPtr(pool, 30000, 0));
    std::memset(dirty, 0xAB, 30000);
    m.MemFreePtr(dirty);
    auto* clean = static_cast<unsigned char*>(m.MemAllocPtr(pool, 20000, ALLOC_ZERO_FILL));
    ASSERT_EQ(pageOf(clean), pageOf(dirty));
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(clean[i], 0) << i;
    // Growing in place over the pages that the earlier block wrote clears them too.
    auto* grown = static_cast<unsigned char*>(m.MemReAllocPtr(clean, 40000, ALLOC_ZERO_FILL | RESIZE_IN_PLACE_ONLY));
    ASSERT_EQ(grown, clean);
    for (std::uint32_t i = 0; i < m.MemSizePtr(grown); ++i) ASSERT_EQ(grown[i], 0) << i;
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemPoolFree(pool);
}

TEST_F(KeptPagesTest, LargeBlocksGrowInPlaceAndKeepTheirContents) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 100000, 0);
    fill(p, 100000, 5);
    // Twice the size fits the block's reservation.
    void* q = m.MemReAllocPtr(p, 200000, RESIZE_IN_PLACE_ONLY);
    ASSERT_EQ(q, p);
    EXPECT_TRUE(holds(q, 100000, 5));
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 200704u);
    // Growing on by steps moves it now and then, never losing what it holds.
    void* r = q;
    for (std::uint32_t size = 250000; size <= 2000000; size += 250000) {
        r = m.MemReAllocPtr(r, size, 0);
        ASSERT_NE(r, nullptr) << size;
        ASSERT_TRUE(holds(r, 100000, 5)) << size;
    }
    EXPECT_EQ(m.MemPoolCount(pool), 1u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemFreePtr(r);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
    m.MemPoolFree(pool);
}

TEST_F(KeptPagesTest, PagesALargeBlockShrankFromReadZeroWhenItGrowsOverThemAgain) {
    for (std::uint32_t flags : {0u, std::uint32_t{ALLOC_ZERO_FILL}}) {
        SCOPED_TRACE(flags);
        MEMPOOL pool = m.MemPoolInit(0);
        auto* p = static_cast<unsigned char*>(m.MemAllocPtr(pool, 20000, 0));
        std::memset(p, 0xAB, 20000);
        ASSERT_EQ(m.MemReAllocPtr(p, 6000, RESIZE_IN_PLACE_ONLY), p);
        const std::uint32_t small = m.MemSizePtr(p);
        EXPECT_LT(small, 20000u);
        EXPECT_EQ(m.MemPoolSize(pool), 4096u + small + 28);
        ASSERT_EQ(m.MemReAllocPtr(p, 20000, flags | RESIZE_IN_PLACE_ONLY), p);
        EXPECT_EQ(m.MemPoolSize(pool), 4096u + m.MemSizePtr(p) + 28);
        for (std::uint32_t i = small; i < m.MemSizePtr(p); ++i) ASSERT_EQ(p[i], 0) << i;
        for (std::uint32_t i = 0; i < 6000; ++i) ASSERT_EQ(p[i], 0xAB) << i;
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
        m.MemPoolFree(pool);
    }
    EXPECT_TRUE(errors().empty());
}

// A kept reservation taken for a larger block than it held before, then kept again and taken for
// a smaller one: what the larger block wrote past the smaller one's size must not show through
// when the smaller one grows over it.
TEST_F(KeptPagesTest, AReservationReusedAtSeveralSizesReadsZeroWhereABlockGrows) {
    for (std::uint32_t flags : {0u, std::uint32_t{ALLOC_ZERO_FILL}}) {
        SCOPED_TRACE(flags);
        MEMPOOL pool = m.MemPoolInit(0);
        void* first = m.MemAllocPtr(pool, 6000, 0);
        m.MemFreePtr(first);
        auto* wide = static_cast<unsigned char*>(m.MemAllocPtr(pool, 40000, 0));
        ASSERT_EQ(pageOf(wide), pageOf(first));
        std::memset(wide, 0xCD, m.MemSizePtr(wide));
        m.MemFreePtr(wide);
        auto* p = static_cast<unsigned char*>(m.MemAllocPtr(pool, 10000, 0));
        ASSERT_EQ(pageOf(p), pageOf(first));
        const std::uint32_t small = m.MemSizePtr(p);
        EXPECT_EQ(m.MemPoolSize(pool), 4096u + small + 28);
        ASSERT_EQ(m.MemReAllocPtr(p, 60000, flags | RESIZE_IN_PLACE_ONLY), p);
        EXPECT_EQ(m.MemPoolSize(pool), 4096u + m.MemSizePtr(p) + 28);
        std::uint32_t dirty = 0;
        for (std::uint32_t i = small; i < m.MemSizePtr(p); ++i) dirty += p[i] != 0;
        EXPECT_EQ(dirty, 0u);
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
        m.MemFreePtr(p);
        m.MemPoolFree(pool);
        EXPECT_FALSE(mapped(pageOf(first)));
    }
    EXPECT_TRUE(errors().empty());
}

} // namespace
} // namespace memlib_test
