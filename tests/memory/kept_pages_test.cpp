// System blocks a pool keeps after giving pages up: reused for its next pages, bounded, given
// back by shrink and by freeing the pool, invisible in the bytes held and in error reports; and
// large blocks that grow, in place or by moving, with their contents.
#include "memory_test_support.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <vector>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;

std::uint64_t held(MEMPOOL pool) { return memtest::header(pool)->bytesHeld; }
void* unitOf(const void* p) { return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{0xFFFF}); }
// True while the unit's first page holds memory: kept blocks stay committed and written; a unit
// given back holds none (its address space may stay reserved).
bool mapped(void* unit) {
    unsigned char v = 0;
    return mincore(unit, 4096, &v) == 0 && (v & 1) != 0;
}

TEST_F(PoolTest, AGivenUpPageIsKeptForTheNextAndGoesWithThePool) {
    MEMPOOL p = MemPoolInit(0);
    void* a = MemAllocPtr(p, 20000, 0);
    void* unit = unitOf(a);
    ASSERT_EQ(MemFreePtr(a), 1);
    EXPECT_EQ(held(p), 4096u) << "kept blocks are not held";
    EXPECT_TRUE(mapped(unit));
    void* b = MemAllocPtr(p, 12000, 0);
    EXPECT_EQ(unitOf(b), unit);
    EXPECT_EQ(held(p), 4096u + 12288u);
    EXPECT_EQ(memtest::checkPool(p), "");
    ASSERT_EQ(MemFreePtr(b), 1);
    MemPoolFree(p);
    EXPECT_FALSE(mapped(unit));
}

TEST_F(PoolTest, ShrinkGivesKeptBlocksBack) {
    std::vector<void*> units;
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) blocks.push_back(MemAllocPtr(pool, 30000, 0));
    for (void* b : blocks) {
        units.push_back(unitOf(b));
        ASSERT_EQ(MemFreePtr(b), 1);
    }
    for (void* u : units) EXPECT_TRUE(mapped(u));
    EXPECT_EQ(MemPoolShrink(pool), 0u) << "nothing held went";
    for (void* u : units) EXPECT_FALSE(mapped(u));
    EXPECT_EQ(held(pool), 4096u);
}

TEST_F(PoolTest, KeptBlocksAreBounded) {
    std::vector<void*> blocks;
    for (int i = 0; i < 60; ++i) blocks.push_back(MemAllocPtr(pool, 10000, 0));
    std::vector<void*> units;
    for (void* b : blocks) units.push_back(unitOf(b));
    for (void* b : blocks) ASSERT_EQ(MemFreePtr(b), 1);
    int kept = 0;
    for (void* u : units) kept += mapped(u) ? 1 : 0;
    EXPECT_GT(kept, 0);
    EXPECT_LE(kept, 16);
    EXPECT_TRUE(mapped(units.back())) << "the newest are kept";
}

TEST_F(PoolTest, AKeptBlockIsNoBlockOfThePool) {
    void* large = MemAllocPtr(pool, 9000, 0);
    ASSERT_EQ(MemFreePtr(large), 1);
    ErrorRecorder::clear();
    EXPECT_EQ(MemFreePtr(large), 0);
    EXPECT_EQ(MemSizePtr(large), 0xFFFFFFFFu);
    EXPECT_EQ(MemReAllocPtr(large, 20000, 0), nullptr);
    const auto reports = ErrorRecorder::reports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) EXPECT_EQ(r.code, MEM_BAD_POINTER);
}

TEST_F(PoolTest, ReusedBlocksAreClearedWhenZeroFillIsAsked) {
    auto* dirty = static_cast<unsigned char*>(MemAllocPtr(pool, 40000, 0));
    std::memset(dirty, 0xAB, 40000);
    ASSERT_EQ(MemFreePtr(dirty), 1);
    auto* clean = static_cast<unsigned char*>(MemAllocPtr(pool, 20000, MEM_ZEROINIT));
    ASSERT_EQ(unitOf(clean), unitOf(dirty));
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(clean[i], 0) << i;
    auto* grown = static_cast<unsigned char*>(MemReAllocPtr(clean, 45000, MEM_ZEROINIT));
    ASSERT_NE(grown, nullptr);
    for (int i = 0; i < 45000; ++i) ASSERT_EQ(grown[i], 0) << i;
    ASSERT_EQ(MemFreePtr(grown), 1);
}

TEST_F(PoolTest, GrowingBlocksKeepTheirContents) {
    // Several blocks grown in turn, from small through medium to large, as containers filling.
    std::vector<unsigned char*> blocks(4, nullptr);
    for (std::uint32_t size = 32; size <= 200000; size = size * 3 / 2 + 64) {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            auto* b = static_cast<unsigned char*>(blocks[i] ? MemReAllocPtr(blocks[i], size, 0) : MemAllocPtr(pool, size, 0));
            ASSERT_NE(b, nullptr) << size;
            for (std::uint32_t k = 0; k < 16; ++k) ASSERT_EQ(b[k], blocks[i] ? static_cast<unsigned char>(i + k) : b[k]) << size;
            for (std::uint32_t k = 0; k < 16; ++k) b[k] = static_cast<unsigned char>(i + k);
            b[size - 1] = 7;
            blocks[i] = b;
        }
        EXPECT_EQ(memtest::checkPool(pool), "") << size;
    }
    for (unsigned char* b : blocks) ASSERT_EQ(MemFreePtr(b), 1);
}

} // namespace
