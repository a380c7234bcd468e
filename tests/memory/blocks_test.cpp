// Every block kind: which kind a request becomes, its usable size, and allocation, free and
// resizing (in place and by moving).
#include "memory_test_support.h"

#include <cstring>
#include <random>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;
using memtest::pageType;

using Codes = std::vector<std::uint32_t>;

void fill(void* p, std::size_t n, unsigned char seed) {
    auto* b = static_cast<unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(seed + i * 7);
}

bool holds(const void* p, std::size_t n, unsigned char seed) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) {
        if (b[i] != static_cast<unsigned char>(seed + i * 7)) return false;
    }
    return true;
}

TEST_F(PoolTest, RequestSizeChoosesTheBlockKindAndItsUsableSize) {
    struct Case {
        std::uint32_t request;
        unsigned type;
        std::uint32_t usable;
    } cases[] = {
        {0, bramble::kSmallPage, 15},     {1, bramble::kSmallPage, 15},     {10, bramble::kSmallPage, 15},
        {15, bramble::kSmallPage, 15},    {16, bramble::kSmallPage, 31},    {100, bramble::kSmallPage, 111},
        {256, bramble::kSmallPage, 271},  {257, bramble::kMediumPage, 270}, {1000, bramble::kMediumPage, 1006},
        {4096, bramble::kMediumPage, 4110}, {4097, bramble::kLargePage, 8192 - 48},
        {100000, bramble::kLargePage, 102400 - 48},
    };
    for (const auto& c : cases) {
        void* p = MemAllocPtr(pool, c.request, 0);
        ASSERT_NE(p, nullptr) << c.request;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << c.request;
        EXPECT_EQ(pageType(p), c.type) << c.request;
        EXPECT_EQ(MemSizePtr(p), c.usable) << c.request;
        std::memset(p, 0x5A, MemSizePtr(p));
        if (c.type == bramble::kLargePage) {
            EXPECT_EQ(memtest::pageOf(p)->bytes, c.usable + 48) << c.request;
        }
        EXPECT_EQ(MemFreePtr(p), 1) << c.request;
    }
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, ZeroByteRequestsGetDistinctBlocks) {
    void* a = MemAllocPtr(pool, 0, 0);
    void* b = MemAllocPtr(pool, 0, 0);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    MemFreePtr(a);
    MemFreePtr(b);
}

TEST_F(PoolTest, ZeroFillClearsARecycledBlock) {
    for (std::uint32_t size : {40u, 600u, 5000u}) {
        void* p = MemAllocPtr(pool, size, 0);
        std::memset(p, 0xEE, MemSizePtr(p));
        MemFreePtr(p);
        auto* q = static_cast<unsigned char*>(MemAllocPtr(pool, size, MEM_ZEROINIT));
        ASSERT_NE(q, nullptr);
        for (std::uint32_t i = 0; i < MemSizePtr(q); ++i) ASSERT_EQ(q[i], 0) << size << " at " << i;
        MemFreePtr(q);
    }
}

TEST_F(PoolTest, FreedSmallBlockIsTheNextOfItsClass) {
    void* a = MemAllocPtr(pool, 40, 0);
    void* b = MemAllocPtr(pool, 40, 0);
    MemFreePtr(a);
    EXPECT_EQ(MemAllocPtr(pool, 33, 0), a) << "same class";
    EXPECT_NE(MemAllocPtr(pool, 20, 0), a);
    MemFreePtr(b);
    MemFreePtr(a);
}

// A small page's leftover room becomes one free block of the largest class it holds when the
// next request does not fit; a single byte is too little for any block.
TEST_F(PoolTest, SmallPageTailBecomesAFreeBlockOfTheLargestClassThatFits) {
    struct Case {
        std::uint32_t fillSize;  // fills the first page with blocks of this size
        std::uint32_t nextSize;  // then asks for one that no longer fits
    } cases[] = {{0, 0}, {256, 256}, {100, 256}};
    for (const auto& c : cases) {
        MEMPOOL p = MemPoolInit(0);
        std::vector<void*> blocks;
        void* first = MemAllocPtr(p, c.fillSize, 0);
        blocks.push_back(first);
        bramble::PageHeader* page = memtest::pageOf(first);
        const std::uint32_t slot = (c.fillSize / 16 + 1) * 16;
        while (static_cast<std::uint64_t>(page->limit - (page->firstFree - 1)) >= slot) {
            blocks.push_back(MemAllocPtr(p, c.fillSize, 0));
        }
        const auto room = static_cast<std::uint32_t>(page->limit - (page->firstFree - 1));
        unsigned char* tail = page->firstFree;
        void* next = MemAllocPtr(p, c.nextSize, 0);
        EXPECT_NE(memtest::pageOf(next), page) << c.fillSize;
        blocks.push_back(next);
        if (room >= 16) {
            const std::uint32_t cls = room / 16 - 1;
            void* rest = MemAllocPtr(p, cls * 16, 0);
            EXPECT_EQ(rest, tail) << c.fillSize << ": the tail of the first page serves its class";
            EXPECT_EQ(MemSizePtr(rest), cls * 16 + 15);
            blocks.push_back(rest);
        } else {
            EXPECT_EQ(room, 1u);
        }
        EXPECT_EQ(memtest::checkPool(p), "") << c.fillSize;
        for (void* b : blocks) EXPECT_EQ(MemFreePtr(b), 1);
        EXPECT_EQ(memtest::checkPool(p), "");
        MemPoolFree(p);
    }
}

TEST_F(PoolTest, AdjacentFreedMediumBlocksMergeAndServeTheirSum) {
    void* a = MemAllocPtr(pool, 1000, 0);
    void* b = MemAllocPtr(pool, 1000, 0);
    void* c = MemAllocPtr(pool, 1000, 0);
    ASSERT_EQ(memtest::pageOf(a), memtest::pageOf(c));
    // Blocks are cut from the high end of the free block, so each lies just below the last.
    EXPECT_EQ(static_cast<char*>(a) - static_cast<char*>(b), 1008);
    MemFreePtr(a);
    MemFreePtr(b);
    EXPECT_EQ(memtest::checkPool(pool), "");
    void* both = MemAllocPtr(pool, 2 * 1008 - 2, 0);
    EXPECT_EQ(both, b) << "the merged block";
    MemFreePtr(both);
    MemFreePtr(c);
}

TEST_F(PoolTest, AdjacentFreedMediumBlocksMergeWhicheverGoesFirst) {
    void* a = MemAllocPtr(pool, 1000, 0);
    void* b = MemAllocPtr(pool, 1000, 0);  // just below a
    void* c = MemAllocPtr(pool, 1000, 0);  // just below b
    MemFreePtr(b);
    MemFreePtr(a);
    EXPECT_EQ(memtest::checkPool(pool), "");
    void* both = MemAllocPtr(pool, 2 * 1008 - 2, 0);
    EXPECT_EQ(both, b) << "the merged block";
    MemFreePtr(both);
    MemFreePtr(c);
}

TEST_F(PoolTest, FreedMediumBlockBetweenBlocksInUseServesTheNextRequestOfItsSize) {
    void* a = MemAllocPtr(pool, 600, 0);
    void* b = MemAllocPtr(pool, 600, 0);
    void* c = MemAllocPtr(pool, 600, 0);
    ASSERT_EQ(MemFreePtr(b), 1);
    EXPECT_EQ(memtest::checkPool(pool), "");
    EXPECT_EQ(MemFreePtr(b), 0) << "freed twice";
    EXPECT_EQ(MemSizePtr(b), 0xFFFFFFFFu);
    EXPECT_EQ(ErrorRecorder::codes(), (Codes{MEM_BAD_FREE_BLOCK, MEM_BAD_FREE_BLOCK}));
    EXPECT_EQ(MemAllocPtr(pool, 600, 0), b) << "the same block, handed back whole";
    EXPECT_EQ(MemSizePtr(b), 606u);
    EXPECT_EQ(memtest::checkPool(pool), "");
    for (void* p : {a, b, c}) EXPECT_EQ(MemFreePtr(p), 1);
}

TEST_F(PoolTest, EmptiedMediumPageGoesWhateverWasFreedBetween) {
    MemPoolSetFloor(pool, 0);
    std::vector<void*> blocks;
    for (int i = 0; i < 6; ++i) blocks.push_back(MemAllocPtr(pool, 500, 0));
    const auto held = memtest::header(pool)->bytesHeld;
    EXPECT_EQ(held, 4096u + 16384u);
    // Every other block first, with neighbours in use on both sides, then the rest.
    for (std::size_t i = 1; i < blocks.size(); i += 2) EXPECT_EQ(MemFreePtr(blocks[i]), 1);
    EXPECT_EQ(memtest::checkPool(pool), "");
    for (std::size_t i = 0; i < blocks.size(); i += 2) EXPECT_EQ(MemFreePtr(blocks[i]), 1);
    EXPECT_EQ(memtest::header(pool)->bytesHeld, 4096u) << "the emptied page went back";
    EXPECT_EQ(memtest::header(pool)->rings[bramble::kMediumPage], nullptr);
}

TEST_F(PoolTest, LowEndCutLeavesTheRestAboveTheBlock) {
    void* a = MemAllocPtr(pool, 1000, 0x0004);
    void* b = MemAllocPtr(pool, 1000, 0x0004);
    EXPECT_EQ(static_cast<char*>(b) - static_cast<char*>(a), 1008) << "each block just above the last";
    fill(a, 1000, 4);
    EXPECT_EQ(MemReAllocPtr(b, 3000, 0), b) << "the free rest above b lets it grow in place";
    EXPECT_TRUE(holds(a, 1000, 4));
    EXPECT_EQ(memtest::checkPool(pool), "");
    MemFreePtr(a);
    MemFreePtr(b);
}

TEST_F(PoolTest, MediumBlockGrowsInPlaceIntoAFreeFollower) {
    void* a = MemAllocPtr(pool, 1000, 0);
    void* b = MemAllocPtr(pool, 1000, 0);  // just below a
    fill(b, 1000, 3);
    MemFreePtr(a);
    void* grown = MemReAllocPtr(b, 1900, 0);
    EXPECT_EQ(grown, b);
    EXPECT_GE(MemSizePtr(grown), 1900u);
    EXPECT_TRUE(holds(grown, 1000, 3));
    EXPECT_EQ(memtest::checkPool(pool), "");
    MemFreePtr(grown);
}

TEST_F(PoolTest, MediumBlockShrinksInPlaceAndGivesTheTailBack) {
    void* a = MemAllocPtr(pool, 3000, 0);
    fill(a, 3000, 9);
    void* small = MemReAllocPtr(a, 1000, 0);
    EXPECT_EQ(small, a);
    EXPECT_EQ(MemSizePtr(small), 1006u);
    EXPECT_TRUE(holds(small, 1000, 9));
    void* b = MemAllocPtr(pool, 1900, 0);
    EXPECT_GT(b, a) << "the freed tail serves the next request";
    EXPECT_EQ(memtest::checkPool(pool), "");
    MemFreePtr(b);
    MemFreePtr(small);
}

TEST_F(PoolTest, BlocksThatCannotGrowWhereTheyLieMoveWithTheirContents) {
    struct Case {
        std::uint32_t from, to, kept;
    } cases[] = {
        {9, 40, 15},         // small to another class keeps all the old usable bytes
        {200, 2000, 200},    // small to medium
        {1000, 3000, 1006},  // medium with a used follower
        {3000, 100, 100},    // medium down to a small size is cut where it lies
        {2000, 50000, 2000}, // medium to large
        {50000, 1000, 1000}, // large down to a medium block
    };
    for (const auto& c : cases) {
        void* p = MemAllocPtr(pool, c.from, 0);
        void* guard = MemAllocPtr(pool, c.from, 0);  // keeps a medium block's follower in use
        fill(p, MemSizePtr(p), 5);
        void* q = MemReAllocPtr(p, c.to, 0);
        ASSERT_NE(q, nullptr) << c.from << "->" << c.to;
        EXPECT_GE(MemSizePtr(q), c.to);
        EXPECT_TRUE(holds(q, c.kept, 5)) << c.from << "->" << c.to;
        EXPECT_EQ(memtest::checkPool(pool), "") << c.from << "->" << c.to;
        MemFreePtr(q);
        MemFreePtr(guard);
    }
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, SmallBlockResizesInPlaceWithinItsClass) {
    void* p = MemAllocPtr(pool, 9, 0);
    fill(p, 9, 1);
    EXPECT_EQ(MemReAllocPtr(p, 11, 0), p);
    EXPECT_EQ(MemReAllocPtr(p, 15, 0), p);
    EXPECT_EQ(MemReAllocPtr(p, 3, 0), p);
    EXPECT_TRUE(holds(p, 3, 1));
    void* moved = MemReAllocPtr(p, 16, 0);
    EXPECT_NE(moved, p);
    EXPECT_TRUE(holds(moved, 3, 1));
    MemFreePtr(moved);
}

TEST_F(PoolTest, NeverMoveResizesWhatFitsAndRefusesTheRest) {
    void* s = MemAllocPtr(pool, 20, 0);  // 31 usable
    void* m = MemAllocPtr(pool, 1000, 0);
    void* follower = MemAllocPtr(pool, 1000, 0);
    (void)follower;
    void* l = MemAllocPtr(pool, 20000, 0);
    EXPECT_EQ(MemReAllocPtr(s, 31, MEM_RESIZE_IN_PLACE), s);
    EXPECT_EQ(MemReAllocPtr(s, 4, MEM_RESIZE_IN_PLACE), s) << "smaller stays put";
    EXPECT_EQ(MemReAllocPtr(s, 32, MEM_RESIZE_IN_PLACE), nullptr);
    EXPECT_EQ(MemReAllocPtr(follower, 1500, MEM_RESIZE_IN_PLACE), nullptr) << "m is in the way above";
    EXPECT_EQ(MemReAllocPtr(l, 100, MEM_RESIZE_IN_PLACE), l) << "a large block shrinks where it lies";
    EXPECT_EQ(ErrorRecorder::codes(), (Codes{MEM_RESIZE_FAILED, MEM_RESIZE_FAILED}));
    EXPECT_EQ(MemSizePtr(s), 31u);
    for (void* p : {s, m, follower, l}) EXPECT_EQ(MemFreePtr(p), 1);
}

TEST_F(PoolTest, ResizeToZeroIsReportedAndKeepsTheBlock) {
    void* p = MemAllocPtr(pool, 100, 0);
    EXPECT_EQ(MemReAllocPtr(p, 0, 0), nullptr);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_ALLOC_ZERO});
    EXPECT_EQ(MemSizePtr(p), 111u);
    EXPECT_EQ(MemFreePtr(p), 1);
}

TEST_F(PoolTest, LargeBlockGrowsWithinItsReservationThenMoves) {
    auto* p = static_cast<unsigned char*>(MemAllocPtr(pool, 5000, 0));
    fill(p, 5000, 2);
    const auto held = memtest::header(pool)->bytesHeld;
    auto* q = static_cast<unsigned char*>(MemReAllocPtr(p, 40000, 0));
    EXPECT_EQ(q, p) << "the 64 KB reservation has room";
    EXPECT_EQ(memtest::header(pool)->bytesHeld, held - 8192 + 40960);
    auto* r = static_cast<unsigned char*>(MemReAllocPtr(q, 200000, 0));
    EXPECT_NE(r, q);
    EXPECT_TRUE(holds(r, 5000, 2));
    EXPECT_EQ(MemSizePtr(r), 200704u - 48);
    auto* s = static_cast<unsigned char*>(MemReAllocPtr(r, 10000, 0));
    EXPECT_EQ(s, r);
    EXPECT_EQ(memtest::header(pool)->bytesHeld, held - 8192 + 12288);
    EXPECT_TRUE(holds(s, 5000, 2));
    EXPECT_EQ(MemFreePtr(s), 1);
    EXPECT_EQ(memtest::header(pool)->bytesHeld, held - 8192);
}

TEST_F(PoolTest, FixedSizeBlocksArePackedAtTheirSize) {
    ASSERT_EQ(MemPoolSetBlockSizeFS(pool, 10), 1);  // 12
    std::vector<char*> blocks;
    for (int i = 0; i < 100; ++i) blocks.push_back(static_cast<char*>(MemAllocFS(pool)));
    for (std::size_t i = 1; i < blocks.size(); ++i) EXPECT_EQ(blocks[i] - blocks[i - 1], 12);
    EXPECT_EQ(pageType(blocks[0]), bramble::kFixedPage);
    EXPECT_EQ(MemSizePtr(blocks[0]), 12u);
    EXPECT_EQ(MemReAllocPtr(blocks[0], 12, 0), blocks[0]);
    std::memcpy(blocks[1], "fixed-block", 12);
    void* moved = MemReAllocPtr(blocks[1], 40, 0);
    EXPECT_EQ(pageType(moved), bramble::kSmallPage);
    EXPECT_EQ(std::memcmp(moved, "fixed-block", 12), 0);
    MemFreePtr(moved);
    blocks.erase(blocks.begin() + 1);
    for (std::size_t i = 0; i < blocks.size(); i += 2) EXPECT_EQ(MemFreeFS(blocks[i]), 1);
    for (std::size_t i = 1; i < blocks.size(); i += 2) EXPECT_EQ(MemFreePtr(blocks[i]), 1);
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, FixedSizeRequestWithoutAFixedSizeIsReported) {
    ASSERT_EQ(MemPoolSetBlockSizeFS(pool, 0), 1);
    EXPECT_EQ(MemAllocFS(pool), nullptr);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_ALLOC_ZERO});
}

TEST_F(PoolTest, FixedSizeFreeRefusesOtherBlocks) {
    void* p = MemAllocPtr(pool, 16, 0);
    EXPECT_EQ(MemFreeFS(p), 0);
    ASSERT_EQ(ErrorRecorder::reports().size(), 1u);
    EXPECT_EQ(ErrorRecorder::reports()[0].code, MEM_BAD_POINTER);
    EXPECT_EQ(ErrorRecorder::reports()[0].pool, pool);
    EXPECT_EQ(MemFreePtr(p), 1);
}

TEST_F(PoolTest, SmallBlocksFallBackToMediumWhenTheLimitIsZero) {
    ASSERT_EQ(MemPoolSetSmallBlockLimit(pool, 0), 1);
    void* p = MemAllocPtr(pool, 10, 0);
    EXPECT_EQ(pageType(p), bramble::kMediumPage);
    EXPECT_EQ(MemSizePtr(p), 30u);
    MemFreePtr(p);
}

} // namespace
