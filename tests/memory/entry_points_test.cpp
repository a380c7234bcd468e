// The entry points on the default pool: PoolOperatorNew, the program's C-style allocation and,
// when routing is on, the global operators.
#include "memory_test_support.h"

#include <cstdlib>
#include <new>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;
using Codes = std::vector<std::uint32_t>;

TEST_F(PoolTest, PoolOperatorNewServesZeroBytesAsASmallBlock) {
    void* a = PoolOperatorNew(0, 0, pool);
    void* b = PoolOperatorNew(0, 0, pool);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(MemSizePtr(a), 15u);
    EXPECT_EQ(memtest::pageType(a), bramble::kSmallPage);
    MemFreePtr(a);
    MemFreePtr(b);
}

struct Item {
    double value;
    Item* next;
};

TEST_F(PoolTest, ObjectsCanLiveInAPoolOfTheirOwn) {
    MEMPOOL items = MemPoolInitFS(sizeof(Item), 10, 0);
    Item* a = new (items) Item{1.5, nullptr};
    Item* b = new (items) Item{2.5, a};
    EXPECT_EQ(memtest::pageOf(a)->pool, items);
    EXPECT_EQ(b->next->value, 1.5);
    operator delete(a, items);
    operator delete(b, items);
    MEMPOOL tight = MemPoolInit(0);
    MemPoolSetFloor(tight, 0);
    MemPoolSetCeiling(tight, 4096);
    EXPECT_THROW((void)new (tight) Item{}, std::bad_alloc) << "a pool placement new never returns null";
    EXPECT_EQ(MemPoolFree(tight), 1);
    EXPECT_EQ(MemPoolFree(items), 1);
}

int g_newHandlerCalls = 0;
MEMPOOL g_tight = nullptr;

void raiseCeiling() {
    ++g_newHandlerCalls;
    MemPoolSetCeiling(g_tight, 0xFFFFFFFF);
}

TEST_F(PoolTest, PoolOperatorNewAsksTheNewHandlerAgainAndAgain) {
    g_tight = pool;
    MemPoolSetFloor(pool, 0);
    MemPoolSetCeiling(pool, 4096);
    EXPECT_EQ(PoolOperatorNew(100, 0, pool), nullptr) << "no new-handler: give up";
    g_newHandlerCalls = 0;
    std::new_handler previous = std::set_new_handler(&raiseCeiling);
    void* p = PoolOperatorNew(100, 0, pool);
    std::set_new_handler(previous);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(g_newHandlerCalls, 1);
    MemFreePtr(p);
}

TEST_F(PoolTest, ReallocOfNullAllocatesAndReallocToZeroFrees) {
    void* p = MemRealloc(nullptr, 40);
    ASSERT_NE(p, nullptr);
    EXPECT_GE(MemSizePtr(p), 40u);
    EXPECT_EQ(memtest::pageOf(p)->pool, MemDefaultPool());
    EXPECT_EQ(MemRealloc(p, 0), nullptr);
    ErrorRecorder::clear();
    EXPECT_EQ(MemSizePtr(p), 0xFFFFFFFFu);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_FREE_BLOCK}) << "p was freed";
    void* q = MemRealloc(nullptr, 0);
    EXPECT_NE(q, nullptr) << "as malloc(0)";
    MemFree(q);
    MemFree(nullptr);
}

TEST_F(PoolTest, CallocZeroesAndRefusesOverflow) {
    auto* p = static_cast<unsigned char*>(MemMalloc(3000));
    std::memset(p, 0xFF, 3000);
    MemFree(p);
    auto* z = static_cast<unsigned char*>(MemCalloc(300, 10));
    ASSERT_NE(z, nullptr);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(z[i], 0) << i;
    MemFree(z);
    EXPECT_EQ(MemCalloc(0x10000, 0x10001), nullptr) << "past 32 bits";
    EXPECT_EQ(MemCalloc(~std::size_t{0}, 16), nullptr);
    void* none = MemCalloc(0, 8);
    EXPECT_NE(none, nullptr);
    MemFree(none);
    EXPECT_EQ(MemMalloc(std::size_t{1} << 33), nullptr);
    void* keep = MemMalloc(10);
    EXPECT_EQ(MemRealloc(keep, std::size_t{1} << 33), nullptr);
    EXPECT_EQ(MemSizePtr(keep), 15u) << "a refused resize keeps the block";
    MemFree(keep);
}

TEST_F(PoolTest, ZeroFillSettingClearsEveryNewBlock) {
    const MemSettings saved = MemGetSettings();
    void* dirty = MemMalloc(200);
    std::memset(dirty, 0x77, 200);
    MemFree(dirty);
    MemSettings zeroing = saved;
    zeroing.defaultPoolFlags |= 0x0008;
    MemSetSettings(zeroing);
    auto* p = static_cast<unsigned char*>(MemMalloc(200));
    auto* q = static_cast<unsigned char*>(PoolOperatorNew(200, 0, pool));
    MemSetSettings(saved);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(p[i], 0) << i;
        ASSERT_EQ(q[i], 0) << i;
    }
    MemFree(p);
    MemFreePtr(q);
}

#ifdef VH_POOL_ROUTING
TEST_F(PoolTest, OperatorNewOfZeroGivesDistinctPoolBlocks) {
    void* a = ::operator new(0);
    void* b = ::operator new(0);
    EXPECT_NE(a, b);
    EXPECT_EQ(MemSizePtr(a), 15u);
    EXPECT_EQ(memtest::pageOf(a)->pool, MemDefaultPool());
    ::operator delete(a);
    ::operator delete(b, std::size_t{0});
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, EveryFormOfNewAndDeletePairsUp) {
    int* one = new int(7);
    int* many = new int[100]();
    auto* quiet = new (std::nothrow) double[10];
    struct alignas(64) Wide {
        char bytes[64];
    };
    auto* wide = new Wide;
    auto* wides = new Wide[3];
    auto* quietWide = new (std::nothrow) Wide;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wides) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(quietWide) % 64, 0u);
    for (void* p : {static_cast<void*>(one), static_cast<void*>(many), static_cast<void*>(quiet)}) {
        EXPECT_EQ(memtest::pageOf(p)->pool, MemDefaultPool());
    }
    delete one;
    delete[] many;
    delete[] quiet;
    delete wide;
    delete[] wides;
    delete quietWide;
    void* aligned16 = ::operator new(24, std::align_val_t{16});
    EXPECT_EQ(memtest::pageOf(aligned16)->pool, MemDefaultPool()) << "16 bytes is the pools' own alignment";
    ::operator delete(aligned16, std::align_val_t{16});
    EXPECT_TRUE(ErrorRecorder::codes().empty());
}

TEST_F(PoolTest, HugeRequestsFailTheStandardWay) {
    const std::size_t huge = std::size_t{1} << 40;
    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    EXPECT_THROW(
        {
            void* p = ::operator new(huge);
            ::operator delete(p);
        },
        std::bad_alloc);
}

TEST_F(PoolTest, DeleteOfABlockFromElsewhereIsReportedNotFollowed) {
    void* foreign = std::malloc(48);
    void* volatile mismatched = foreign;  // on purpose: delete of a block new never gave
    ::operator delete(mismatched);
    EXPECT_EQ(ErrorRecorder::codes(), Codes{MEM_BAD_POINTER});
    std::free(foreign);
}
#endif

} // namespace
