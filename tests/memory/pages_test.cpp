// Pages: when they are made and given back (floor, shrink, large pages), pre-allocation, the
// ceiling, the descriptor supply, and addresses that are not in any page of ours.
#include "memory_test_support.h"

#include <cstdlib>
#include <sys/mman.h>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;
using Codes = std::vector<std::uint32_t>;

std::uint64_t held(MEMPOOL pool) { return memtest::header(pool)->bytesHeld; }

// An emptied medium page goes back only while the pool holds at least floor + one page.
TEST_F(PoolTest, EmptiedMediumPageIsKeptBelowTheFloor) {
    struct Case {
        std::uint32_t floor;
        bool released;
    } cases[] = {{0, true}, {4096, true}, {4097, false}, {0x40000, false}};
    for (const auto& c : cases) {
        MEMPOOL p = MemPoolInit(0);
        MemPoolSetFloor(p, c.floor);
        void* b = MemAllocPtr(p, 1000, 0);
        EXPECT_EQ(held(p), 4096u + 16384u);
        EXPECT_EQ(MemFreePtr(b), 1);
        EXPECT_EQ(held(p), c.released ? 4096u : 4096u + 16384u) << c.floor;
        EXPECT_EQ(memtest::header(p)->rings[bramble::kMediumPage] == nullptr, c.released) << c.floor;
        EXPECT_EQ(memtest::checkPool(p), "");
        MemPoolFree(p);
    }
}

TEST_F(PoolTest, EmptiedFixedSizePageFollowsTheFloorToo) {
    MemPoolSetFloor(pool, 0);
    void* b = MemAllocFS(pool);
    EXPECT_EQ(held(pool), 4096u + 16384u);
    EXPECT_EQ(MemFreeFS(b), 1);
    EXPECT_EQ(held(pool), 4096u);
}

TEST_F(PoolTest, LargePagesGoBackWhateverTheFloor) {
    void* b = MemAllocPtr(pool, 300000, 0);
    EXPECT_EQ(held(pool), 4096u + 303104u);
    EXPECT_EQ(MemFreePtr(b), 1);
    EXPECT_EQ(held(pool), 4096u);
}

TEST_F(PoolTest, SmallPagesStayUntilThePoolGoes) {
    MemPoolSetFloor(pool, 0);
    void* b = MemAllocPtr(pool, 10, 0);
    EXPECT_EQ(MemFreePtr(b), 1);
    EXPECT_EQ(MemPoolShrink(pool), 0u);
    EXPECT_EQ(held(pool), 4096u + 65536u);
}

TEST_F(PoolTest, ShrinkReturnsEmptyPagesDownToTheFloor) {
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) blocks.push_back(MemAllocPtr(pool, 4096, 0));  // 3 per page
    void* keep = MemAllocPtr(pool, 10, 0);
    for (void* b : blocks) MemFreePtr(b);
    const auto before = held(pool);
    EXPECT_EQ(before, 4096u + 3 * 16384u + 65536u) << "all kept: the pool is under the default floor";
    MemPoolSetFloor(pool, 4096 + 65536 + 16384);
    EXPECT_EQ(MemPoolShrink(pool), 2 * 16384u) << "the floor keeps the last page";
    EXPECT_EQ(held(pool), before - 2 * 16384);
    MemPoolSetFloor(pool, 0);
    EXPECT_EQ(MemPoolShrink(pool), 16384u);
    EXPECT_EQ(MemPoolShrink(pool), 0u);
    MemFreePtr(keep);
}

TEST_F(PoolTest, PreAllocationAddsPagesAndKeepsTheCurrentOne) {
    void* first = MemAllocPtr(pool, 1000, 0);
    bramble::PageDescriptor* current = memtest::header(pool)->rings[bramble::kMediumPage];
    EXPECT_EQ(MemPoolPreAllocate(pool, 40000, MEM_MEDIUM), 3 * 16384u);
    EXPECT_EQ(memtest::header(pool)->rings[bramble::kMediumPage], current);
    EXPECT_EQ(MemPoolPreAllocate(pool, 1, MEM_MEDIUM_SECOND), 16384u);
    EXPECT_EQ(MemPoolPreAllocate(pool, 16385, MEM_FS), 2 * 16384u);
    EXPECT_EQ(held(pool), 4096u + 7 * 16384u);
    EXPECT_EQ(MemPoolPreAllocate(pool, 100, 3), 0xFFFFFFFFu) << "no such kind";
    EXPECT_EQ(MemPoolPreAllocate(pool, 0, MEM_MEDIUM), 0u);
    ASSERT_EQ(MemPoolSetBlockSizeFS(pool, 0), 0) << "fixed pages exist";
    MEMPOOL none = MemPoolInitFS(0, 0, 0);
    EXPECT_EQ(MemPoolPreAllocate(none, 100, MEM_FS), 0xFFFFFFFFu);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_ALLOC_ZERO});
    MemPoolFree(none);
    MemFreePtr(first);
}

TEST_F(PoolTest, CeilingStopsNewPages) {
    MemPoolSetFloor(pool, 0);
    ASSERT_NE(MemPoolSetCeiling(pool, 4096 + 16384 + 65536), 0xFFFFFFFFu);
    std::vector<void*> medium;
    for (int i = 0; i < 4; ++i) medium.push_back(MemAllocPtr(pool, 4000, 0));  // fills one page
    void* s = MemAllocPtr(pool, 100, 0);
    ASSERT_NE(s, nullptr);
    for (void* m : medium) ASSERT_NE(m, nullptr);
    EXPECT_EQ(MemAllocPtr(pool, 10000, 0), nullptr) << "a large page";
    EXPECT_EQ(MemAllocPtr(pool, 4000, 0), nullptr) << "a second medium page (and no large one either)";
    EXPECT_EQ(MemAllocFS(pool), nullptr);
    const Codes codes = ErrorRecorder::codes();
    ASSERT_FALSE(codes.empty());
    for (auto code : codes) EXPECT_EQ(code, MEM_EXCEEDED_CEILING);
    EXPECT_EQ(held(pool), 4096u + 16384u + 65536u);
    for (void* m : medium) MemFreePtr(m);
    MemFreePtr(s);
}

TEST_F(PoolTest, ManyPagesGrowTheDescriptorSupply) {
    std::vector<void*> blocks;
    for (int i = 0; i < 600; ++i) {
        void* b = MemAllocPtr(pool, 5000, 0);
        ASSERT_NE(b, nullptr) << i;
        blocks.push_back(b);
    }
    EXPECT_GT(memtest::header(pool)->headerBytes, 4096u) << "the header's block grew in place";
    EXPECT_EQ(memtest::checkPool(pool), "");
    for (void* b : blocks) ASSERT_EQ(MemFreePtr(b), 1);
    EXPECT_EQ(held(pool), memtest::header(pool)->headerBytes + 0u);
    std::vector<void*> more;
    for (int i = 0; i < 5000; ++i) more.push_back(MemAllocPtr(pool, 5000, 0));
    EXPECT_NE(memtest::header(pool)->descriptorBlocks, nullptr) << "then came descriptor blocks";
    EXPECT_EQ(memtest::checkPool(pool), "");
    for (void* b : more) ASSERT_EQ(MemFreePtr(b), 1);
}

// Addresses that no pool gave: reported as bad pointers, nothing read behind them.
TEST_F(PoolTest, ForeignAddressesAreReportedAsBadPointers) {
    void* heap = std::malloc(100);
    int local = 0;
    static int global = 0;
    // Address space that faults on any access: nothing may be read behind these addresses.
    void* unmapped = mmap(nullptr, 0x20000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(unmapped, MAP_FAILED);
    void* block = MemAllocPtr(pool, 20000, 0);
    void* addresses[] = {heap, &local, &global, unmapped, static_cast<char*>(unmapped) + 0x10010,
                         reinterpret_cast<void*>(std::uintptr_t{0x10}), reinterpret_cast<void*>(~std::uintptr_t{0xF}),
                         pool, static_cast<char*>(block) + 0x10000};
    for (void* a : addresses) {
        ErrorRecorder::clear();
        EXPECT_EQ(MemFreePtr(a), 0) << a;
        EXPECT_EQ(MemSizePtr(a), 0xFFFFFFFFu) << a;
        EXPECT_EQ(MemReAllocPtr(a, 10, 0), nullptr) << a;
        EXPECT_EQ(MemFreeFS(a), 0) << a;
        const auto reports = ErrorRecorder::reports();
        ASSERT_EQ(reports.size(), 4u) << a;
        for (const auto& r : reports) {
            EXPECT_EQ(r.code, MEM_BAD_POINTER) << a;
            EXPECT_EQ(r.pool, nullptr) << a;
        }
    }
    std::free(heap);
    munmap(unmapped, 0x20000);
    MemFreePtr(block);
}

} // namespace
