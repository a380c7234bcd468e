// Walking, checking, pool information and iteration, and client tasks.
#include "tests/memlib/library.h"

#include <set>

namespace memlib_test {
namespace {

using InspectTest = MemlibTest;

std::vector<PoolWalkRecord> walkRecords(MEMPOOL pool) {
    std::vector<PoolWalkRecord> out;
    PoolWalkRecord w{};
    while (api().MemPoolWalk(pool, &w) == 1) out.push_back(w);
    return out;
}

TEST_F(InspectTest, WalkOfOneLargeBlock) {
    MEMPOOL pool = m.MemPoolInit(0);
    void* p = m.MemAllocPtr(pool, 5000, 0);
    PoolWalkRecord w{};
    ASSERT_EQ(m.MemPoolWalk(pool, &w), 1);
    EXPECT_EQ(w.entry, p);
    EXPECT_EQ(w.pool, pool);
    EXPECT_EQ(w.kind, MEM_KIND_FIXED_POSITION);
    EXPECT_EQ(w.inUse, 1u);
    EXPECT_EQ(w.size, 8192u - 28);
    EXPECT_EQ(w.handle, nullptr);
    EXPECT_EQ(w.pageList, 3);
    EXPECT_EQ(m.MemPoolWalk(pool, &w), 0);
}

TEST_F(InspectTest, WalkShowsFreeBlocksAndHandles) {
    MEMPOOL pool = m.MemPoolInitFS(8, 0, 0);
    void* v = m.MemAllocPtr(pool, 100, 0);
    void* f = m.MemAllocFS(pool);
    MEMHANDLE h = m.MemAlloc(pool, ALLOC_MOVEABLE, 30);
    m.MemLock(h);
    m.MemLock(h);
    const auto records = walkRecords(pool);
    // Variable page: the free block below, then the block; fixed-size page: every block; moveable
    // page: the handle's block, then the free rest.
    const std::size_t fixedBlocks = (16384 - 28) / 8;
    ASSERT_EQ(records.size(), 2 + fixedBlocks + 2);
    EXPECT_EQ(records[0].pageList, 0);
    EXPECT_EQ(records[0].inUse, 0u);
    EXPECT_EQ(records[0].size, 16348u - 104 - 2);
    EXPECT_EQ(records[0].kind, MEM_KIND_FIXED_POSITION);
    EXPECT_EQ(records[1].entry, v);
    EXPECT_EQ(records[1].inUse, 1u);
    EXPECT_EQ(records[1].size, 102u);
    int fixedInUse = 0;
    for (std::size_t i = 2; i < 2 + fixedBlocks; ++i) {
        EXPECT_EQ(records[i].kind, MEM_KIND_FIXED_SIZE);
        EXPECT_EQ(records[i].size, 8u);
        if (records[i].inUse) {
            ++fixedInUse;
            EXPECT_EQ(records[i].entry, f);
        }
    }
    EXPECT_EQ(fixedInUse, 1);
    const PoolWalkRecord& hr = records[2 + fixedBlocks];
    EXPECT_EQ(hr.entry, *h);
    EXPECT_EQ(hr.kind, MEM_KIND_MOVEABLE);
    EXPECT_EQ(hr.handle, h);
    EXPECT_EQ(hr.lockCount, 2u);
    EXPECT_EQ(hr.size, m.MemSize(h));
    EXPECT_EQ(records.back().inUse, 0u);
    EXPECT_EQ(records.back().handle, nullptr);
}

TEST_F(InspectTest, WalkRecordNamingNothingOfThePool) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMPOOL other = m.MemPoolInit(0);
    m.MemAllocPtr(pool, 100, 0);
    m.MemAllocPtr(other, 100, 0);
    PoolWalkRecord theirs{};
    ASSERT_EQ(m.MemPoolWalk(other, &theirs), 1);
    int local = 0;
    PoolWalkRecord bogus{&local, pool, 0, 0, 0, nullptr, 0, 0, &local};
    EXPECT_EQ(m.MemPoolWalk(pool, &bogus), -2);
    EXPECT_EQ(m.MemPoolWalk(pool, &theirs), -2);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_BLOCK, MEM_BAD_BLOCK}));
    EXPECT_EQ(errors()[0].pool, pool);
    EXPECT_EQ(m.MemPoolWalk(pool, nullptr), -2);
}

TEST_F(InspectTest, CheckPointer) {
    MEMPOOL pool = m.MemPoolInit(0);
    MEMPOOL other = m.MemPoolInit(0);
    void* keep = m.MemAllocPtr(pool, 100, 0);
    void* v = m.MemAllocPtr(pool, 100, 0);
    void* f = m.MemAllocPtr(pool, 8, 0);
    m.MemAllocPtr(pool, 8, 0); // keeps the fixed-size page
    void* l = m.MemAllocPtr(pool, 9000, 0);
    EXPECT_EQ(m.MemCheckPtr(nullptr, v), 1);
    EXPECT_EQ(m.MemCheckPtr(pool, f), 1);
    EXPECT_EQ(m.MemCheckPtr(pool, l), 1);
    EXPECT_EQ(m.MemCheckPtr(other, v), 0);
    EXPECT_TRUE(errors().empty());
    m.MemFreePtr(v);
    m.MemFreePtr(f);
    EXPECT_EQ(m.MemCheckPtr(nullptr, v), -1);
    EXPECT_EQ(m.MemCheckPtr(nullptr, f), -1);
    EXPECT_EQ(m.MemCheckPtr(nullptr, keep), 1);
    EXPECT_TRUE(errors().empty());
    int local = 0;
    EXPECT_EQ(m.MemCheckPtr(nullptr, &local), 0);
    EXPECT_EQ(m.MemCheckPtr(nullptr, reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(keep) & ~0xFFFFul) + 4), 0);
    EXPECT_EQ(m.MemCheckPtr(pool, reinterpret_cast<void*>(0x1000)), 0);
    m.MemFreePtr(l);
    EXPECT_EQ(m.MemCheckPtr(nullptr, l), 0);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_POINTER, MEM_BAD_POINTER}));
    EXPECT_EQ(errors()[0].pool, nullptr);
    EXPECT_EQ(errors()[1].pool, pool); // a page of the pool, not a block of it
}

TEST_F(InspectTest, PoolInformation) {
    MEMPOOL pool = m.MemPoolInitFS(20, 0, POOL_SERIALIZED);
    MEMPOOL other = m.MemPoolInit(0);
    m.MemPoolSetFloor(pool, 5000);
    m.MemPoolSetCeiling(pool, 1000000);
    void* f = m.MemAllocFS(pool);
    m.MemAlloc(pool, ALLOC_MOVEABLE, 20000);
    PoolInfoRecord info{};
    ASSERT_EQ(m.MemPoolInfo(nullptr, f, &info), 1);
    EXPECT_EQ(info.pool, pool);
    EXPECT_EQ(info.kinds, MEM_KIND_FIXED_SIZE | MEM_KIND_MOVEABLE);
    EXPECT_EQ(info.fixedBlockSize, 20u);
    EXPECT_EQ(info.pageSize, 16384u);
    EXPECT_EQ(info.floor, 5000u);
    EXPECT_EQ(info.ceiling, 1000000u);
    EXPECT_EQ(info.flags, POOL_SERIALIZED);
    EXPECT_EQ(info.handler, &recordingHandler);
    m.MemAllocPtr(pool, 20000, 0);
    ASSERT_EQ(m.MemPoolInfo(pool, nullptr, &info), 1);
    EXPECT_EQ(info.kinds, MEM_KIND_FIXED_SIZE | MEM_KIND_MOVEABLE | MEM_KIND_FIXED_POSITION);
    EXPECT_TRUE(errors().empty());

    EXPECT_EQ(m.MemPoolInfo(other, f, &info), 0);
    ASSERT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_POINTER});
    EXPECT_EQ(errors()[0].pool, other);
    clearErrors();
    EXPECT_EQ(m.MemPoolInfo(nullptr, nullptr, &info), 0);
    int local = 0;
    EXPECT_EQ(m.MemPoolInfo(nullptr, &local, &info), 0);
    EXPECT_EQ(codes(), (std::vector<std::uint32_t>{MEM_BAD_MEM_POOL, MEM_BAD_POINTER}));
    EXPECT_EQ(m.MemPoolInfo(pool, nullptr, nullptr), 0);
}

TEST_F(InspectTest, IterationGivesTheNewestPoolFirst) {
    MEMPOOL a = m.MemPoolInit(0);
    MEMPOOL b = m.MemPoolInit(0);
    MEMPOOL c = m.MemPoolInit(0);
    PoolInfoRecord info{};
    std::vector<MEMPOOL> seen;
    for (int r = m.MemPoolFirst(&info, 0); r == 1; r = m.MemPoolNext(&info, 0)) seen.push_back(info.pool);
    EXPECT_EQ(seen, (std::vector<MEMPOOL>{c, b, a}));
    EXPECT_EQ(m.MemPoolNext(&info, 0), 0); // the end stays the end
    EXPECT_EQ(m.MemPoolFirst(nullptr, 0), -1);
    EXPECT_EQ(m.MemPoolNext(nullptr, 0), -1);
    EXPECT_TRUE(errors().empty());
    m.MemPoolFirst(&info, 0);
    m.MemPoolFree(info.pool);
    EXPECT_EQ(m.MemPoolNext(&info, 0), -1);
    EXPECT_EQ(codes(), std::vector<std::uint32_t>{MEM_BAD_MEM_POOL});
}

TEST_F(InspectTest, TasksKeepPoolsUntilTheLastLeaves) {
    auto poolCount = [&] {
        PoolInfoRecord info{};
        int n = 0;
        for (int r = m.MemPoolFirst(&info, 0); r == 1; r = m.MemPoolNext(&info, 0)) ++n;
        return n;
    };
    // Two clients before any pool.
    EXPECT_EQ(m.MemRegisterTask(), 1);
    EXPECT_EQ(m.MemRegisterTask(), 1);
    m.MemPoolInit(0);
    m.MemAllocPtr(m.MemPoolInit(POOL_SERIALIZED), 100, 0);
    EXPECT_EQ(m.MemUnregisterTask(), 1);
    EXPECT_EQ(poolCount(), 2);
    EXPECT_EQ(m.MemUnregisterTask(), 1);
    EXPECT_EQ(poolCount(), 0);
    // Pools made before the first client count as an earlier client's.
    m.MemPoolInit(0);
    m.MemRegisterTask();
    m.MemUnregisterTask();
    EXPECT_EQ(poolCount(), 1);
    m.MemUnregisterTask();
    EXPECT_EQ(poolCount(), 0);
    // With no client at all, unregistering ends every pool.
    m.MemPoolInit(0);
    m.MemUnregisterTask();
    EXPECT_EQ(poolCount(), 0);
    // The library works on afterwards.
    MEMPOOL p = m.MemPoolInit(POOL_SERIALIZED);
    EXPECT_NE(m.MemAllocPtr(p, 10, 0), nullptr);
    EXPECT_EQ(m.MemPoolCheck(p), 1);
    EXPECT_TRUE(errors().empty());
}

// Damage a client can do by writing where it should not, and what the check reports.
TEST_F(InspectTest, CheckFindsDamage) {
    struct Case {
        const char* name;
        std::function<void(const Api&, MEMPOOL)> damage;
        std::uint32_t code;
    } cases[] = {
        {"overrun into the next block's header",
         [](const Api& a, MEMPOOL p) {
             a.MemAllocPtr(p, 100, 0);
             void* lower = a.MemAllocPtr(p, 100, 0); // right below the first
             std::memset(lower, 0x7F, a.MemSizePtr(lower) + 2);
         },
         MEM_BAD_BLOCK},
        {"overrun into a free block's links",
         [](const Api& a, MEMPOOL p) {
             void* top = a.MemAllocPtr(p, 100, 0);
             void* mid = a.MemAllocPtr(p, 100, 0);
             void* low = a.MemAllocPtr(p, 100, 0);
             a.MemFreePtr(mid);
             (void)top;
             std::memset(low, 0, a.MemSizePtr(low) + 6); // the free block's header and first link
         },
         MEM_BAD_BLOCK},
        {"a free block's link rewritten",
         [](const Api& a, MEMPOOL p) {
             a.MemAllocPtr(p, 100, 0);
             void* mid = a.MemAllocPtr(p, 100, 0);
             a.MemAllocPtr(p, 100, 0);
             a.MemFreePtr(mid);
             static_cast<std::uint32_t*>(mid)[0] += 4; // its next link, just after the header
         },
         MEM_BAD_FREE_BLOCK},
        {"a freed fixed-size block written to",
         [](const Api& a, MEMPOOL p) {
             void* b = a.MemAllocFS(p);
             a.MemAllocFS(p);
             a.MemFreeFS(b);
             static_cast<std::uint32_t*>(b)[0] = 0x12345678;
         },
         MEM_BAD_FREE_BLOCK},
        {"an underrun into the page header",
         [](const Api& a, MEMPOOL p) {
             void* first = a.MemAllocFS(p); // the first block of a fresh page, 28 bytes in
             static_cast<std::uint16_t*>(first)[-6] = 7; // the page's count of blocks in use
         },
         MEM_BAD_BLOCK},
        {"a handle slot overwritten",
         [](const Api& a, MEMPOOL p) {
             MEMHANDLE h = a.MemAlloc(p, ALLOC_MOVEABLE, 40);
             MEMHANDLE g = a.MemAlloc(p, ALLOC_MOVEABLE, 40);
             *h = *g;
         },
         MEM_BAD_BLOCK},
    };
    for (const auto& c : cases) {
        MEMPOOL pool = m.MemPoolInitFS(8, 0, 0);
        c.damage(m, pool);
        clearErrors();
        EXPECT_EQ(m.MemPoolCheck(pool), 0) << c.name;
        ASSERT_EQ(errors().size(), 1u) << c.name;
        EXPECT_EQ(errors()[0].code, c.code) << c.name;
        EXPECT_EQ(errors()[0].pool, pool) << c.name;
        m.MemPoolFree(pool); // a damaged pool can still be given back whole
    }
}

} // namespace
} // namespace memlib_test
