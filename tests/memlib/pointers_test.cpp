// Pointer and fixed-size blocks: size classes, placement, resizing, random mixes, and the faults
// that must be reported instead of corrupting a pool.
#include "tests/memlib/library.h"

#include <cstdlib>
#include <map>
#include <random>
#include <sys/mman.h>

namespace memlib_test {
namespace {

using PointerTest = MemlibTest;

std::uintptr_t addr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
std::uintptr_t offsetInPage(const void* p) { return addr(p) & 0xFFFF; }

// The page list (0 variable, 1 fixed-size, 2 moveable, 3 large) that holds a block, -1 if none.
int listOf(MEMPOOL pool, const void* block) {
    PoolWalkRecord w{};
    while (api().MemPoolWalk(pool, &w) == 1)
        if (w.entry == block) return w.pageList;
    return -1;
}

TEST_F(PointerTest, SizeClasses) {
    MEMPOOL pool = m.MemPoolInit(0);
    struct Case {
        std::uint32_t size;
        int list;
        std::uint32_t usable;
    } cases[] = {{1, 1, 16},     {16, 1, 16},     {17, 0, 18},           {100, 0, 102},
                 {4096, 0, 4098}, {4097, 3, 8192 - 28}, {5000, 3, 8192 - 28}, {70000, 3, 73728 - 28}};
    for (const auto& c : cases) {
        void* p = m.MemAllocPtr(pool, c.size, 0);
        ASSERT_NE(p, nullptr) << c.size;
        EXPECT_EQ(addr(p) % 4, 0u);
        EXPECT_EQ(listOf(pool, p), c.list) << c.size;
        EXPECT_EQ(m.MemSizePtr(p), c.usable) << c.size;
        EXPECT_EQ(m.MemCheckPtr(pool, p), 1);
        fill(p, c.usable, c.size);
    }
    EXPECT_EQ(m.MemPoolCount(pool), std::size(cases));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PointerTest, PoolFlagsDoNotLimitLargeBlocks) {
    // 0x1000 limits system requests to 64 KB; a large block must still get all it asked for.
    MEMPOOL pool = m.MemPoolInit(SYS_LIMIT_64K);
    void* p = m.MemAllocPtr(pool, 100000, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_GE(m.MemSizePtr(p), 100000u);
    void* q = m.MemReAllocPtr(p, 300000, 0);
    ASSERT_NE(q, nullptr);
    EXPECT_GE(m.MemSizePtr(q), 300000u);
    fill(q, 300000, 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, ZeroBytesIsReportedInEveryPool) {
    for (MEMPOOL pool : {m.MemPoolInit(0), m.MemPoolInitFS(0, 0, 0)}) {
        clearErrors();
        EXPECT_EQ(m.MemAllocPtr(pool, 0, 0), nullptr);
        ASSERT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
        EXPECT_EQ(errors()[0].pool, pool);
    }
    clearErrors();
    EXPECT_EQ(m.MemAllocFS(m.MemPoolInitFS(0, 0, 0)), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
}

TEST_F(PointerTest, SmallestVariableBlock) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    void* p = m.MemAllocPtr(pool, 10, 0);
    EXPECT_EQ(m.MemSizePtr(p), 10u);
    void* q = m.MemAllocPtr(pool, 1, 0);
    EXPECT_EQ(m.MemSizePtr(q), 10u);
    EXPECT_EQ(addr(p) - addr(q), 12u); // fixed-position blocks stack down from the top
}

TEST_F(PointerTest, FixedPositionBlocksGoToTheTopMoveableToTheBottom) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    void* top = m.MemAllocPtr(pool, 100, 0);
    // A fresh 16 KB page: sentinel at 16374, a 104-byte block just below it.
    EXPECT_EQ(offsetInPage(top), 16374u - 104 + 2);
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(offsetInPage(*h), 28u);
    void* front = m.MemAllocPtr(pool, 100, ALLOC_FRONT);
    EXPECT_EQ(offsetInPage(front), 28u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, ZeroFill) {
    MEMPOOL pool = m.MemPoolInit(0);
    for (std::uint32_t size : {8u, 300u, 6000u}) {
        m.MemAllocPtr(pool, size, 0); // keeps the page, so that the space is handed out again
        void* p = m.MemAllocPtr(pool, size, 0);
        std::memset(p, 0xAA, m.MemSizePtr(p));
        m.MemFreePtr(p);
        auto* z = static_cast<unsigned char*>(m.MemAllocPtr(pool, size, ALLOC_ZERO_FILL));
        for (std::uint32_t i = 0; i < m.MemSizePtr(z); ++i) ASSERT_EQ(z[i], 0) << size << " at " << i;
        std::memset(z, 0xAA, m.MemSizePtr(z));
    }
    // Growing in place with zero fill clears the new bytes, though the space was dirty.
    MEMPOOL fresh = m.MemPoolInit(0);
    void* above = m.MemAllocPtr(fresh, 400, 0); // fixed-position blocks stack down from the top
    std::memset(above, 0xAA, 400);
    auto* low = static_cast<unsigned char*>(m.MemAllocPtr(fresh, 200, 0));
    std::memset(low, 0x55, 200);
    m.MemFreePtr(above);
    auto* grown = static_cast<unsigned char*>(m.MemReAllocPtr(low, 450, ALLOC_ZERO_FILL | RESIZE_IN_PLACE_ONLY));
    ASSERT_EQ(grown, low);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(grown[i], 0x55);
    for (std::uint32_t i = 202; i < m.MemSizePtr(grown); ++i) ASSERT_EQ(grown[i], 0) << i;
    EXPECT_EQ(m.MemPoolCheck(fresh), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, ResizeInPlaceAndByMoving) {
    MEMPOOL pool = m.MemPoolInit(0);
    // Large to medium: moves to a variable page with its contents.
    void* large = m.MemAllocPtr(pool, 6000, 0);
    fill(large, 6000, 1);
    void* medium = m.MemReAllocPtr(large, 3000, 0);
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(listOf(pool, medium), 0);
    EXPECT_TRUE(holds(medium, 3000, 1));
    EXPECT_EQ(m.MemPoolCount(pool), 1u);

    // Shrinking stays in place; growing into a free neighbour too.
    void* p = m.MemReAllocPtr(medium, 1000, 0);
    EXPECT_EQ(p, medium);
    EXPECT_EQ(m.MemSizePtr(p), 1002u);
    EXPECT_TRUE(holds(p, 1000, 1));
    EXPECT_EQ(m.MemReAllocPtr(p, 2900, RESIZE_IN_PLACE_ONLY), p);
    EXPECT_TRUE(holds(p, 1000, 1));

    // Growing with the neighbour in use and moving forbidden fails and keeps the block.
    void* q = m.MemAllocPtr(pool, 500, 0);
    void* r = m.MemAllocPtr(pool, 500, 0); // right below q
    ASSERT_EQ(static_cast<char*>(q) - static_cast<char*>(r), 504);
    fill(r, 500, 7);
    clearErrors();
    EXPECT_EQ(m.MemReAllocPtr(r, 1000, RESIZE_IN_PLACE_ONLY), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_RESIZE_FAILED});
    EXPECT_EQ(m.MemSizePtr(r), 502u);
    EXPECT_TRUE(holds(r, 500, 7));
    // Allowed to move, it moves with its contents.
    void* moved = m.MemReAllocPtr(r, 1000, 0);
    ASSERT_NE(moved, nullptr);
    EXPECT_NE(moved, r);
    EXPECT_TRUE(holds(moved, 500, 7));

    // A fixed-size block outgrowing its class moves to a variable page.
    void* small = m.MemAllocPtr(pool, 16, 0);
    fill(small, 16, 3);
    EXPECT_EQ(m.MemReAllocPtr(small, 12, 0), small);
    void* bigger = m.MemReAllocPtr(small, 40, 0);
    EXPECT_EQ(listOf(pool, bigger), 0);
    EXPECT_TRUE(holds(bigger, 16, 3));

    // Size 0 is an error and leaves the block alone.
    clearErrors();
    EXPECT_EQ(m.MemReAllocPtr(bigger, 0, 0), nullptr);
    EXPECT_EQ(m.MemReAllocPtr(bigger, 0, RESIZE_IN_PLACE_ONLY), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_ALLOC_ZERO, MEM_ALLOC_ZERO}));
    EXPECT_EQ(m.MemCheckPtr(pool, bigger), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, ShrinkingWithZeroFillClearsTheRest) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    auto* p = static_cast<unsigned char*>(m.MemAllocPtr(pool, 500, 0));
    std::memset(p, 0xFF, 500);
    auto* q = static_cast<unsigned char*>(m.MemReAllocPtr(p, 301, ALLOC_ZERO_FILL));
    ASSERT_EQ(q, p);
    EXPECT_EQ(m.MemSizePtr(q), 302u);
    EXPECT_EQ(q[300], 0xFF);
    EXPECT_EQ(q[301], 0);
}

TEST_F(PointerTest, WithoutANewPageAMediumRequestIsServedAsALargeBlock) {
    MEMPOOL pool = m.MemPoolInit(0);
    m._bri_failSystemMemory(1);
    void* p = m.MemAllocPtr(pool, 100, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(listOf(pool, p), 3);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, LargeBlockGrowthMeetsTheCeilingAndMemoryLimits) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 5000, 0);
    fill(p, 5000, 4);
    m.MemPoolSetCeiling(pool, 100000);
    EXPECT_EQ(m.MemReAllocPtr(p, 200000, 0), nullptr);
    EXPECT_EQ(m.MemReAllocPtr(p, 200000, RESIZE_IN_PLACE_ONLY), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING, MEM_EXCEEDED_CEILING, MEM_RESIZE_FAILED}));
    EXPECT_TRUE(holds(p, 5000, 4));
    m.MemPoolSetCeiling(pool, 0xFFFFFFFF);
    clearErrors();
    m._bri_failSystemMemory(1000);
    verdicts() = {1, 0};
    EXPECT_EQ(m.MemReAllocPtr(p, 200000, 0), nullptr);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_OUT_OF_MEMORY, MEM_OUT_OF_MEMORY}));
    EXPECT_TRUE(holds(p, 5000, 4));
    m._bri_failSystemMemory(0);
    void* q = m.MemReAllocPtr(p, 200000, 0);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(holds(q, 5000, 4));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PointerTest, LargeBlocksGrowAndShrinkWithTheirPage) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 5000, 0);
    fill(p, 5000, 9);
    const std::uint32_t before = m.MemPoolSize(pool);
    // Within its 64 KB reservation the page grows in place, even when moving is forbidden.
    EXPECT_EQ(m.MemReAllocPtr(p, 30000, RESIZE_IN_PLACE_ONLY), p);
    EXPECT_EQ(m.MemSizePtr(p), 32768u - 28);
    EXPECT_EQ(m.MemPoolSize(pool), before + 32768 - 8192);
    EXPECT_TRUE(holds(p, 5000, 9));
    // Past the reservation it moves.
    void* q = m.MemReAllocPtr(p, 200000, 0);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(holds(q, 5000, 9));
    EXPECT_EQ(m.MemSizePtr(q), 200704u - 28);
    EXPECT_EQ(m.MemPoolSize(pool), before - 8192 + 200704);
    void* r = m.MemReAllocPtr(q, 10000, RESIZE_IN_PLACE_ONLY);
    EXPECT_EQ(r, q);
    EXPECT_EQ(m.MemSizePtr(r), 12288u - 28);
    EXPECT_TRUE(holds(r, 5000, 9));
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemFreePtr(r);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
}

TEST_F(PointerTest, FreeingTheLastBlockAtTheFloorKeepsThePage) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 100, 0);
    void* f = m.MemAllocFS(pool);
    m.MemPoolSetFloor(pool, m.MemPoolSize(pool));
    m.MemFreePtr(p);
    m.MemFreeFS(f);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 2 * 16384u);
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    m.MemPoolSetFloor(pool, 0);
    EXPECT_EQ(m.MemPoolShrink(pool), 2 * 16384u);
}

TEST_F(PointerTest, FixedSizeFamily) {
    MEMPOOL pool = m.MemPoolInitFS(24, 0, 0);
    std::vector<void*> blocks;
    for (int i = 0; i < 2000; ++i) {
        void* b = m.MemAllocFS(pool);
        ASSERT_NE(b, nullptr);
        fill(b, 24, i);
        blocks.push_back(b);
    }
    EXPECT_EQ(m.MemPoolCount(pool), 2000u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 3 * 16384u); // 681 blocks a page
    for (int i = 0; i < 2000; i += 2) EXPECT_EQ(m.MemFreeFS(blocks[i]), 1);
    for (int i = 1; i < 2000; i += 2) EXPECT_TRUE(holds(blocks[i], 24, i));
    EXPECT_EQ(m.MemCheckPtr(pool, blocks[0]), -1);
    EXPECT_EQ(m.MemCheckPtr(pool, blocks[1]), 1);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    void* variable = m.MemAllocPtr(pool, 100, 0);
    EXPECT_EQ(m.MemFreeFS(variable), 0);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER});
    EXPECT_EQ(m.MemCheckPtr(pool, variable), 1);
}

struct MixCase {
    const char* name;
    std::uint16_t fixedSize;
    std::uint32_t pageSize;
    std::uint32_t flags;
};

class PointerMixTest : public MemlibTest, public ::testing::WithParamInterface<MixCase> {};

TEST_P(PointerMixTest, RandomMixesKeepThePoolSound) {
    const MixCase& c = GetParam();
    MEMPOOL pool = m.MemPoolInitFS(c.fixedSize, 0, c.flags);
    ASSERT_NE(pool, nullptr);
    m.MemPoolSetPageSize(pool, c.pageSize);
    std::mt19937 rng(1234);
    struct Live {
        std::uint32_t size, seed;
    };
    std::map<void*, Live> live;
    auto pick = [&]() {
        auto it = live.begin();
        std::advance(it, rng() % live.size());
        return it;
    };
    auto randomSize = [&]() -> std::uint32_t {
        switch (rng() % 10) {
        case 0: return 1 + rng() % 20000;
        case 1:
        case 2: return 1 + rng() % 24;
        default: return 1 + rng() % 1200;
        }
    };
    for (std::uint32_t step = 0; step < 12000; ++step) {
        const unsigned op = rng() % 10;
        if (live.empty() || op < 5) {
            const std::uint32_t size = randomSize();
            void* p = m.MemAllocPtr(pool, size, (rng() % 4 == 0) ? ALLOC_ZERO_FILL : 0);
            ASSERT_NE(p, nullptr) << step;
            ASSERT_EQ(live.count(p), 0u) << "handed out twice at step " << step;
            ASSERT_GE(m.MemSizePtr(p), size);
            fill(p, size, step);
            live[p] = {size, step};
        } else if (op < 8) {
            auto it = pick();
            ASSERT_TRUE(holds(it->first, it->second.size, it->second.seed)) << step;
            ASSERT_EQ(m.MemFreePtr(it->first), 1);
            live.erase(it);
        } else {
            auto it = pick();
            const std::uint32_t size = randomSize();
            const Live old = it->second;
            void* q = m.MemReAllocPtr(it->first, size, (rng() % 3 == 0) ? RESIZE_IN_PLACE_ONLY : 0);
            if (!q) {
                // Only a forbidden move may fail, and the block stays as it was.
                ASSERT_FALSE(errors().empty());
                ASSERT_EQ(errors().back().code, MEM_RESIZE_FAILED);
                ASSERT_TRUE(holds(it->first, old.size, old.seed));
                continue;
            }
            ASSERT_TRUE(holds(q, std::min(size, old.size), old.seed)) << step;
            live.erase(it);
            ASSERT_EQ(live.count(q), 0u);
            fill(q, size, step);
            live[q] = {size, step};
        }
        if (step % 400 == 0) {
            ASSERT_EQ(m.MemPoolCheck(pool), 1) << step;
            ASSERT_EQ(m.MemPoolCount(pool), live.size());
            const WalkSummary w = walkAll(pool);
            ASSERT_EQ(w.result, 0);
            ASSERT_EQ(static_cast<std::size_t>(w.inUse), live.size());
        }
    }
    for (const auto& e : errors()) EXPECT_EQ(e.code, MEM_RESIZE_FAILED);
    for (auto& [p, l] : live) {
        EXPECT_EQ(m.MemCheckPtr(pool, p), 1);
        ASSERT_TRUE(holds(p, l.size, l.seed));
        ASSERT_EQ(m.MemFreePtr(p), 1);
    }
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    m.MemPoolShrink(pool);
    EXPECT_EQ(walkAll(pool).entries, 0);
}

INSTANTIATE_TEST_SUITE_P(Pools, PointerMixTest,
                         ::testing::Values(MixCase{"Default", 16, 16384, 0}, MixCase{"NoFixedSize", 0, 16384, 0},
                                           MixCase{"SmallPages", 16, 4096, 0}, MixCase{"LargestPages", 32, 65535, 0},
                                           MixCase{"Serialised", 16, 16384, POOL_SERIALIZED}),
                         [](const auto& param) { return std::string(param.param.name); });

// Addresses that are not blocks in use: each must be refused with MEM_BAD_POINTER by every
// pointer call, without touching the pool.
TEST_F(PointerTest, FaultyPointersAreReportedAndChangeNothing) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMPOOL other = m.MemPoolInit(0);
    // Keepers whose contents must survive everything below.
    std::vector<std::pair<void*, std::uint32_t>> keep;
    for (std::uint32_t size : {8u, 16u, 100u, 700u, 3000u, 70000u}) {
        void* p = m.MemAllocPtr(pool, size, 0);
        fill(p, size, size);
        keep.push_back({p, size});
    }
    // Freed blocks of every class, including ones merged with their neighbours.
    void* freedFixed = m.MemAllocPtr(pool, 12, 0);
    void* freedLarge = m.MemAllocPtr(other, 7000, 0);
    void* x1 = m.MemAllocPtr(pool, 200, 0);
    void* x2 = m.MemAllocPtr(pool, 200, 0);
    void* x3 = m.MemAllocPtr(pool, 200, 0);
    fill(x3, 200, 3);
    m.MemFreePtr(freedFixed);
    m.MemFreePtr(freedLarge);
    m.MemFreePtr(x2);
    m.MemFreePtr(x1); // merges into x2's free block
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 50);
    int onStack = 0;
    void* heap = std::malloc(100);
    void* unmapped = mmap(nullptr, 0x20000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    void* large = keep.back().first;
    struct Case {
        const char* name;
        void* p;
    } cases[] = {
        {"fixed-size block freed", freedFixed},
        {"large block freed", freedLarge},
        {"variable block freed", x2},
        {"variable block merged away", x1},
        {"inside a variable block", static_cast<char*>(keep[3].first) + 8},
        {"inside a fixed-size block", static_cast<char*>(keep[0].first) + 4},
        {"inside a large block", static_cast<char*>(large) + 8},
        {"beyond the first 64 KB of nothing", static_cast<char*>(large) + 0x10000},
        {"a page header", reinterpret_cast<void*>(addr(keep[3].first) & ~0xFFFFul)},
        {"a pool header", pool},
        {"a handle's block", *h},
        {"a handle", h},
        {"the stack", &onStack},
        {"the C heap", heap},
        {"unmapped memory", unmapped},
        {"null", nullptr},
    };
    for (const auto& c : cases) {
        clearErrors();
        EXPECT_EQ(m.MemFreePtr(c.p), 0) << c.name;
        EXPECT_EQ(m.MemReAllocPtr(c.p, 64, 0), nullptr) << c.name;
        EXPECT_EQ(m.MemFreeFS(c.p), 0) << c.name;
        std::vector<std::uint32_t> expected{MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_POINTER};
        if (std::string(c.name) != "a handle's block") {
            EXPECT_EQ(m.MemSizePtr(c.p), MEM_FAILED) << c.name;
            expected.push_back(MEM_BAD_POINTER);
        }
        EXPECT_EQ(codes(), expected) << c.name;
        ASSERT_EQ(m.MemPoolCheck(pool), 1) << c.name;
        ASSERT_EQ(m.MemPoolCheck(other), 1) << c.name;
    }
    for (auto& [p, size] : keep) EXPECT_TRUE(holds(p, size, size));
    EXPECT_TRUE(holds(x3, 200, 3));
    EXPECT_EQ(m.MemPoolCount(pool), keep.size() + 2);
    // The handle still works.
    EXPECT_EQ(m.MemSize(h), 50u + 2);
    std::free(heap);
    munmap(unmapped, 0x20000);
}

TEST_F(PointerTest, DoubleFreeOfEachKindIsRefusedOnce) {
    MEMPOOL pool = m.MemPoolInit(POOL_SERIALIZED);
    for (std::uint32_t size : {8u, 100u, 5000u}) {
        void* keepA = m.MemAllocPtr(pool, size, 0);
        void* p = m.MemAllocPtr(pool, size, 0);
        void* keepB = m.MemAllocPtr(pool, size, 0);
        fill(keepA, size, 1);
        fill(keepB, size, 2);
        clearErrors();
        EXPECT_EQ(m.MemFreePtr(p), 1);
        EXPECT_EQ(m.MemFreePtr(p), 0) << size;
        EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER});
        // The next allocations do not hand out one block twice.
        void* a = m.MemAllocPtr(pool, size, 0);
        void* b = m.MemAllocPtr(pool, size, 0);
        EXPECT_NE(a, b);
        EXPECT_TRUE(holds(keepA, size, 1));
        EXPECT_TRUE(holds(keepB, size, 2));
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
    }
}

} // namespace
} // namespace memlib_test
