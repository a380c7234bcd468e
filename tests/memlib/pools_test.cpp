// Pools: the library's frame, pool settings, pages and the system-memory services.
#include "tests/memlib/library.h"

#include <dlfcn.h>

#include <sys/single_threaded.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <sys/mman.h>
#include <thread>

namespace memlib_test {
namespace {

using PoolTest = MemlibTest;

std::uintptr_t addr(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
void* pageOf(const void* p) { return reinterpret_cast<void*>(addr(p) & ~std::uintptr_t{0xFFFF}); }

TEST_F(PoolTest, EveryEntryPointIsExportedAndNothingOfTheInside) {
    for (const auto& name : entryNames()) EXPECT_NE(dlsym(libraryHandle(), name.c_str()), nullptr) << name;
    // An internal function stays hidden.
    EXPECT_EQ(dlsym(libraryHandle(), "_ZN3brm6reportEP13MemPoolHeaderj"), nullptr);
    // The library brings no allocation operator of its own: operator new resolves elsewhere.
    Dl_info info{};
    void* newOperator = dlsym(libraryHandle(), "_Znwm");
    if (newOperator && dladdr(newOperator, &info)) {
        EXPECT_EQ(std::string(info.dli_fname).find("BRM22W32"), std::string::npos);
    }
}

TEST_F(PoolTest, VersionIs2202) { EXPECT_EQ(m.MemVersion(), 0x2202u); }

TEST_F(PoolTest, NewPoolHoldsOnlyItsHeader) {
    MEMPOOL pool = m.MemPoolInit(0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(addr(pool) % 0x10000, 0u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    EXPECT_EQ(walkAll(pool).result, 0);
    EXPECT_EQ(walkAll(pool).entries, 0);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    PoolInfoRecord info{};
    ASSERT_EQ(m.MemPoolInfo(pool, nullptr, &info), 1);
    EXPECT_EQ(info.fixedBlockSize, 16u);
    EXPECT_EQ(info.pageSize, 16384u);
    EXPECT_EQ(info.floor, 0u);
    EXPECT_EQ(info.ceiling, MEM_NO_CEILING);
    EXPECT_EQ(info.kinds, 0u);
    EXPECT_EQ(m.MemPoolFree(pool), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, PageSizeIsNormalised) {
    struct Case {
        std::uint32_t request, size;
    } cases[] = {{5000, 8192},   {20000, 32768}, {40000, 65535}, {100, 4096},     {16384, 16384}, {9000, 16384},
                 {32768, 32768}, {4097, 8192},   {65535, 65535}, {100000, 65535}, {0, 4096}};
    for (const auto& c : cases) {
        MEMPOOL pool = m.MemPoolInit(0);
        EXPECT_EQ(m.MemPoolSetPageSize(pool, c.request), 16384u) << c.request;
        PoolInfoRecord info{};
        m.MemPoolInfo(pool, nullptr, &info);
        EXPECT_EQ(info.pageSize, c.size) << c.request;
        // Requests above the medium limit (a quarter page) get pages of their own.
        void* medium = m.MemAllocPtr(pool, c.size / 4, 0);
        void* large = m.MemAllocPtr(pool, c.size / 4 + 1, 0);
        EXPECT_EQ(m.MemPoolCheck(pool), 1);
        PoolWalkRecord w{};
        int largeKinds = 0;
        while (m.MemPoolWalk(pool, &w) == 1)
            if (w.entry == large && w.pageList == 3) ++largeKinds;
        EXPECT_EQ(largeKinds, 1) << c.request;
        m.MemFreePtr(medium);
        m.MemFreePtr(large);
        m.MemPoolFree(pool);
    }
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, PageSizeBelowFixedBlockSizeIsRefusedSilently) {
    MEMPOOL pool = m.MemPoolInitFS(8000, 0, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(m.MemPoolSetPageSize(pool, 4096), 0u);
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.pageSize, 16384u);
    EXPECT_EQ(m.MemPoolSetPageSize(pool, 8028), 16384u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, FixedBlockSize) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    EXPECT_EQ(m.MemPoolSetBlockSizeFS(pool, 0xFFFE), 0);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG});
    EXPECT_EQ(errors()[0].pool, pool);
    clearErrors();
    EXPECT_EQ(m.MemPoolSetBlockSizeFS(pool, 16384 - 27), 0); // rounds past the page less its header
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG});
    clearErrors();
    EXPECT_EQ(m.MemPoolSetBlockSizeFS(pool, 10), 1);
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.fixedBlockSize, 12u);
    void* b = m.MemAllocFS(pool);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(m.MemSizePtr(b), 12u);
    // With a fixed-size page present the size stays, without a report.
    EXPECT_EQ(m.MemPoolSetBlockSizeFS(pool, 20), 0);
    EXPECT_TRUE(errors().empty());
    // Pool creation fails with a block size the page cannot hold.
    EXPECT_EQ(m.MemPoolInitFS(0xFFFE, 0, 0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BLOCK_TOO_BIG});
}

TEST_F(PoolTest, FloorKeepsEmptyPages) {
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_EQ(m.MemPoolSetFloor(pool, 0xFFFFFFFF), 0u);
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.floor, MEM_NO_CEILING);
    void* p = m.MemAllocPtr(pool, 100, 0);
    const std::uint32_t held = m.MemPoolSize(pool);
    EXPECT_EQ(held, 4096u + 16384u);
    m.MemFreePtr(p);
    EXPECT_EQ(m.MemPoolSize(pool), held); // the empty page stays
    EXPECT_EQ(m.MemPoolShrink(pool), 0u);
    EXPECT_EQ(m.MemPoolSize(pool), held);
    // A ceiling cannot go below the floor, and with a ceiling the floor cannot pass it.
    EXPECT_EQ(m.MemPoolSetCeiling(pool, 100000), MEM_FAILED);
    EXPECT_EQ(m.MemPoolSetFloor(pool, 0), MEM_NO_CEILING);
    EXPECT_EQ(m.MemPoolSetCeiling(pool, 100000), MEM_NO_CEILING);
    EXPECT_EQ(m.MemPoolSetFloor(pool, 0xFFFFFFFF), MEM_FAILED);
    EXPECT_EQ(m.MemPoolSetFloor(pool, 100001), MEM_FAILED);
    EXPECT_EQ(m.MemPoolSetFloor(pool, 100000), 0u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, CeilingBelowSizeHeldIsRefused) {
    MEMPOOL pool = m.MemPoolInit(0);
    EXPECT_EQ(m.MemPoolSetCeiling(pool, 4095), MEM_FAILED);
    EXPECT_EQ(m.MemPoolSetCeiling(pool, 4096), MEM_NO_CEILING);
    EXPECT_EQ(m.MemPoolSetCeiling(pool, 0xFFFFFFFF), 4096u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, CeilingStopsNewPages) {
    MEMPOOL pool = m.MemPoolInit(0);
    m.MemPoolSetCeiling(pool, 4096 + 16384);
    std::vector<void*> blocks;
    void* p;
    while ((p = m.MemAllocPtr(pool, 1000, 0)) != nullptr) blocks.push_back(p);
    EXPECT_EQ(blocks.size(), 16u); // one page of 16348 free bytes holds 16 blocks of 1004
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING});
    EXPECT_EQ(errors()[0].pool, pool);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 16384u);
    clearErrors();
    EXPECT_EQ(m.MemAllocPtr(pool, 5000, 0), nullptr);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_EXCEEDED_CEILING});
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
}

TEST_F(PoolTest, PreAllocation) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    EXPECT_EQ(m.MemPoolPreAllocate(pool, 1, PREALLOC_MOVEABLE), 16384u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 16384u);
    EXPECT_EQ(m.MemPoolPreAllocate(pool, 40000, PREALLOC_VARIABLE), 3 * 16384u);
    EXPECT_EQ(m.MemPoolPreAllocate(pool, 0, PREALLOC_VARIABLE), 0u);
    EXPECT_EQ(m.MemPoolPreAllocate(pool, 100, 3), MEM_FAILED);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(m.MemPoolPreAllocate(pool, 100, PREALLOC_FIXED), MEM_FAILED);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_ALLOC_ZERO});
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.kinds, MEM_KIND_MOVEABLE | MEM_KIND_FIXED_POSITION);
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    // Empty pages go back on a shrink.
    EXPECT_EQ(m.MemPoolShrink(pool), 4 * 16384u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
}

TEST_F(PoolTest, CreationWithACountPreAllocatesFixedSizePages) {
    MEMPOOL pool = m.MemPoolInitFS(16, 2000, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 2 * 16384u);
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.kinds, MEM_KIND_FIXED_SIZE);
    // (16384 - 28) / 16 blocks a page, all free.
    const WalkSummary s = walkAll(pool);
    EXPECT_EQ(s.entries, 2 * 1022);
    EXPECT_EQ(s.inUse, 0);
}

TEST_F(PoolTest, ShrinkStopsAtTheFloor) {
    MEMPOOL pool = m.MemPoolInit(0);
    m.MemPoolPreAllocate(pool, 3 * 16384, PREALLOC_VARIABLE);
    m.MemPoolSetFloor(pool, m.MemPoolSize(pool));
    EXPECT_EQ(m.MemPoolShrink(pool), 0u);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 3 * 16384u);
    m.MemPoolSetFloor(pool, 4096 + 16384);
    EXPECT_EQ(m.MemPoolShrink(pool), 2 * 16384u);
}

TEST_F(PoolTest, ThousandsOfPagesNeedDescriptorBlocks) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    m.MemPoolSetPageSize(pool, 4096);
    // The header holds about 120 descriptors and grows in place to 64 KB (about 2000); beyond that
    // descriptors come from blocks of their own.
    const std::uint32_t pages = 2600;
    EXPECT_EQ(m.MemPoolPreAllocate(pool, pages * 4096, PREALLOC_VARIABLE), pages * 4096);
    const std::uint32_t held = m.MemPoolSize(pool);
    EXPECT_GT(held, 65536u + pages * 4096u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1); // which adds up the size held
    // Descriptors are kept; pages go.
    EXPECT_EQ(m.MemPoolShrink(pool), pages * 4096);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_EQ(m.MemPoolPreAllocate(pool, pages * 4096, PREALLOC_VARIABLE), pages * 4096);
    EXPECT_EQ(m.MemPoolSize(pool), held);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, SerialisedPoolSharedByThreads) {
    MEMPOOL pool = m.MemPoolInit(POOL_SERIALIZED);
    PoolInfoRecord info{};
    m.MemPoolInfo(pool, nullptr, &info);
    EXPECT_EQ(info.flags & POOL_SERIALIZED, POOL_SERIALIZED);
    std::atomic<int> bad{0};
    auto work = [&](unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<std::pair<void*, std::uint32_t>> live;
        for (int i = 0; i < 3000; ++i) {
            if (live.empty() || rng() % 3) {
                const std::uint32_t size = 1 + rng() % (rng() % 8 ? 600 : 9000);
                void* p = m.MemAllocPtr(pool, size, 0);
                if (!p) {
                    ++bad;
                    continue;
                }
                fill(p, size, static_cast<std::uint32_t>(addr(p)));
                live.push_back({p, size});
            } else {
                const std::size_t k = rng() % live.size();
                if (!holds(live[k].first, live[k].second, static_cast<std::uint32_t>(addr(live[k].first)))) ++bad;
                if (m.MemFreePtr(live[k].first) != 1) ++bad;
                live[k] = live.back();
                live.pop_back();
            }
        }
        for (auto& [p, size] : live) m.MemFreePtr(p);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back(work, t + 1);
    for (auto& t : threads) t.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(m.MemPoolCount(pool), 0u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PoolTest, EveryPoolCallRefusesABadPool) {
    int onStack = 0;
    void* heap = std::malloc(64);
    void* unmapped = mmap(nullptr, 0x20000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    void* block = m.MemAllocPtr(m.MemPoolInit(0), 100, 0);
    MEMPOOL freed = m.MemPoolInit(0);
    m.MemPoolFree(freed);
    const MEMPOOL bad[] = {nullptr, reinterpret_cast<MEMPOOL>(&onStack), static_cast<MEMPOOL>(heap),
                           static_cast<MEMPOOL>(unmapped), freed, static_cast<MEMPOOL>(pageOf(block)),
                           reinterpret_cast<MEMPOOL>(0x10)};
    PoolInfoRecord info{};
    PoolWalkRecord walk{};
    struct Call {
        const char* name;
        std::function<bool(MEMPOOL)> failed;
    } calls[] = {
        {"MemPoolFree", [&](MEMPOOL p) { return m.MemPoolFree(p) == 0; }},
        {"MemPoolSetPageSize", [&](MEMPOOL p) { return m.MemPoolSetPageSize(p, 8192) == 0; }},
        {"MemPoolSetBlockSizeFS", [&](MEMPOOL p) { return m.MemPoolSetBlockSizeFS(p, 8) == 0; }},
        {"MemPoolSetFloor", [&](MEMPOOL p) { return m.MemPoolSetFloor(p, 0) == MEM_FAILED; }},
        {"MemPoolSetCeiling", [&](MEMPOOL p) { return m.MemPoolSetCeiling(p, 0) == MEM_FAILED; }},
        {"MemPoolPreAllocate", [&](MEMPOOL p) { return m.MemPoolPreAllocate(p, 1, 2) == MEM_FAILED; }},
        {"MemPoolPreAllocateHandles", [&](MEMPOOL p) { return m.MemPoolPreAllocateHandles(p, 1) == 0; }},
        {"MemPoolShrink", [&](MEMPOOL p) { return m.MemPoolShrink(p) == MEM_FAILED; }},
        {"MemPoolSize", [&](MEMPOOL p) { return m.MemPoolSize(p) == MEM_FAILED; }},
        {"MemPoolCount", [&](MEMPOOL p) { return m.MemPoolCount(p) == MEM_FAILED; }},
        {"MemAllocPtr", [&](MEMPOOL p) { return m.MemAllocPtr(p, 10, 0) == nullptr; }},
        {"MemAllocFS", [&](MEMPOOL p) { return m.MemAllocFS(p) == nullptr; }},
        {"MemAlloc", [&](MEMPOOL p) { return m.MemAlloc(p, 0, 10) == nullptr; }},
        {"MemPoolInfo", [&](MEMPOOL p) { return m.MemPoolInfo(p, nullptr, &info) == 0; }},
        {"MemPoolWalk", [&](MEMPOOL p) { return m.MemPoolWalk(p, &walk) == -2; }},
        {"MemPoolCheck", [&](MEMPOOL p) { return m.MemPoolCheck(p) == 0; }},
    };
    for (const auto& c : calls)
        for (MEMPOOL p : bad) {
            clearErrors();
            EXPECT_TRUE(c.failed(p)) << c.name << " " << p;
            ASSERT_EQ(errors().size(), 1u) << c.name << " " << p;
            EXPECT_EQ(errors()[0].code, MEM_BAD_MEM_POOL) << c.name;
            EXPECT_EQ(errors()[0].pool, nullptr) << c.name;
        }
    std::free(heap);
    munmap(unmapped, 0x20000);
}

TEST_F(PoolTest, SystemMemoryServices) {
    auto* p = static_cast<unsigned char*>(m._bri_sysAlloc(5000, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(addr(p) % 0x10000, 0u);
    EXPECT_EQ(m._bri_sysSize(p), 8192u);
    EXPECT_EQ(m._bri_sysSize(p + 4096), 4096u);
    for (int i = 0; i < 8192; ++i) ASSERT_EQ(p[i], 0);
    p[8191] = 1;
    EXPECT_EQ(m._bri_sysFree(p), 1);
    EXPECT_EQ(m._bri_sysFree(p), 0);
    EXPECT_EQ(m._bri_sysSize(p), 0u);

    auto* big = static_cast<unsigned char*>(m._bri_sysAlloc(200000, 0));
    EXPECT_EQ(m._bri_sysSize(big), 200704u);
    EXPECT_EQ(m._bri_sysSize(big + 0x10000 + 100), 200704u - 0x10000);
    EXPECT_EQ(m._bri_sysSize(big + 300000), 0u); // reserved, not committed
    m._bri_sysFree(big);

    void* limited = m._bri_sysAlloc(100000, SYS_LIMIT_64K | SYS_ZERO_FILL);
    EXPECT_EQ(m._bri_sysSize(limited), 65536u);
    m._bri_sysFree(limited);
    EXPECT_EQ(m._bri_sysAlloc(0, 0), nullptr);

    // Memory that pools own is not released through this door, and foreign memory is unknown.
    MEMPOOL pool = m.MemPoolInit(0);
    void* block = m.MemAllocPtr(pool, 100, 0);
    EXPECT_EQ(m._bri_sysFree(pageOf(block)), 0);
    EXPECT_EQ(m._bri_sysFree(pool), 0);
    int local = 0;
    EXPECT_EQ(m._bri_sysSize(&local), 0u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);

    m._bri_failSystemMemory(1);
    EXPECT_EQ(m._bri_sysAlloc(4096, 0), nullptr);
    void* q = m._bri_sysAlloc(4096, 0);
    EXPECT_NE(q, nullptr);
    m._bri_sysFree(q);
}

TEST_F(PoolTest, DeletePageService) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 100, 0);
    void* page = pageOf(p);
    m.MemPoolSetFloor(pool, 0xFFFFFFFF);
    EXPECT_EQ(m._bri_deletePage(page, 1), 0);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u + 16384u);
    EXPECT_EQ(m._bri_deletePage(page, 0), 1);
    EXPECT_EQ(m.MemPoolSize(pool), 4096u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_TRUE(errors().empty());
    // The block went with its page: the library no longer knows its address.
    EXPECT_EQ(m.MemFreePtr(p), 0);
    EXPECT_EQ(m._bri_deletePage(page, 0), 0);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_POINTER, MEM_BAD_POINTER}));
}

TEST_F(PoolTest, InitPageVariableService) {
    MEMPOOL pool = m.MemPoolInitFS(0, 0, 0);
    m.MemPoolPreAllocate(pool, 1, PREALLOC_VARIABLE);
    PoolWalkRecord w{};
    ASSERT_EQ(m.MemPoolWalk(pool, &w), 1);
    void* page = pageOf(w.entry);
    EXPECT_EQ(m._bri_initPageVariable(page, 16384), 16348u);
    EXPECT_EQ(m._bri_initPageVariable(page, 8192), 8156u);
    EXPECT_EQ(m.MemPoolCheck(pool), 1);
    EXPECT_TRUE(errors().empty());
    int local = 0;
    EXPECT_EQ(m._bri_initPageVariable(&local, 16384), 0u);
    EXPECT_EQ(m._bri_initPageVariable(page, 65535), 0u); // larger than the page
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_POINTER, MEM_BAD_POINTER}));
}

TEST_F(PoolTest, ExportLockExcludesOtherThreads) {
    EXPECT_EQ(m._bri_enterCriticalSection(), 1);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        m._bri_enterCriticalSection();
        entered = true;
        m._bri_leaveCriticalSection();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
    m._bri_leaveCriticalSection();
    other.join();
    EXPECT_TRUE(entered.load());
    m._bri_leaveCriticalSection(); // not held: nothing happens
}

// While the process runs one thread, the library's locks are taken by plain stores. One taken so
// still holds back a thread started while it is held, and its holder's leaving wakes that thread.
// In a process of its own, which starts with a single thread.
TEST_F(PoolTest, LockTakenByTheOnlyThreadHoldsBackAThreadStartedLater) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!__libc_single_threaded) std::_Exit(2);
            EXPECT_EQ(m._bri_enterCriticalSection(), 1);
            std::atomic<bool> entered{false};
            std::thread other([&] {
                m._bri_enterCriticalSection();
                entered = true;
                m._bri_leaveCriticalSection();
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const bool early = entered.load();
            m._bri_leaveCriticalSection();
            other.join();
            std::_Exit(!early && entered.load() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace memlib_test
