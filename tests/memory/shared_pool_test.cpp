// Shared pools: a named mapping seen at one address by every process that attaches to it.
#include "memory_test_support.h"

#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using memtest::ErrorRecorder;
using memtest::PoolTest;

std::string uniqueName(const char* what) {
    static int serial = 0;
    return "vhtest-" + std::to_string(getpid()) + "-" + what + "-" + std::to_string(++serial);
}

// Runs `body` in a forked child; its result is the child's exit status (0 = success).
template <typename Body>
int inChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(PoolTest, SharedPoolMapsAtLeastAQuarterMegabyte) {
    MEMPOOL s = MemPoolInitShared(uniqueName("size").c_str(), 100000, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(memtest::header(s)->mappingSize, 0x40000u);
    EXPECT_EQ(memtest::header(s)->flags & (MEM_POOL_SHARED | MEM_POOL_SERIALIZE), MEM_POOL_SHARED | MEM_POOL_SERIALIZE);
    EXPECT_EQ(memtest::header(s)->bytesHeld, 65536u);
    EXPECT_EQ(memtest::header(s)->owner, static_cast<void*>(s)) << "the header records where it is mapped";
    EXPECT_EQ(std::strncmp(memtest::header(s)->mutexName, "BRI", 3), 0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s) & 0xFFFF, 0u);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, SharedPoolAttachedTwiceByNameIsOnePool) {
    const std::string name = uniqueName("twice");
    MEMPOOL a = MemPoolInitShared(name.c_str(), 0x100000, 0);
    MEMPOOL b = MemPoolInitShared(name.c_str(), 0, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(MemPoolAttachShared(nullptr, name.c_str()), a);
    EXPECT_EQ(MemPoolAttachShared(a, nullptr), a);
    EXPECT_EQ(MemPoolFree(a), 1);
    EXPECT_EQ(MemPoolAttachShared(nullptr, name.c_str()), nullptr) << "gone with its last holder";
    EXPECT_EQ(MemPoolFree(a), 0) << "detached";
}

TEST_F(PoolTest, SharedPoolServesEveryBlockKind) {
    MEMPOOL s = MemPoolInitShared(uniqueName("kinds").c_str(), 0x400000, 0);
    ASSERT_NE(s, nullptr);
    std::vector<void*> blocks;
    for (std::uint32_t size : {0u, 10u, 200u, 600u, 4000u, 5000u, 70000u, 200000u}) {
        void* p = MemAllocPtr(s, size, MEM_ZEROINIT);
        ASSERT_NE(p, nullptr) << size;
        EXPECT_GE(MemSizePtr(p), size);
        std::memset(p, 0x11, size);
        blocks.push_back(p);
    }
    void* fixed = MemAllocFS(s);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(memtest::checkPool(s), "");
    blocks[6] = MemReAllocPtr(blocks[6], 150000, 0);  // a large page grows or moves inside the mapping
    ASSERT_NE(blocks[6], nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(blocks[6])[69999], 0x11);
    blocks[7] = MemReAllocPtr(blocks[7], 70000, 0);  // and gives its tail back
    EXPECT_EQ(memtest::checkPool(s), "");
    for (void* p : blocks) EXPECT_EQ(MemFreePtr(p), 1);
    EXPECT_EQ(MemFreeFS(fixed), 1);
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_TRUE(ErrorRecorder::codes().empty());
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, FreedRangesOfASharedPoolMergeAndAreReused) {
    MEMPOOL s = MemPoolInitShared(uniqueName("ranges").c_str(), 0x100000, 0);
    ASSERT_NE(s, nullptr);
    void* a = MemAllocPtr(s, 100000, 0);  // two 64 KB units each
    void* b = MemAllocPtr(s, 100000, 0);
    void* c = MemAllocPtr(s, 100000, 0);
    ASSERT_TRUE(a && b && c);
    const auto committed = memtest::header(s)->committed;
    MemFreePtr(a);
    MemFreePtr(c);
    MemFreePtr(b);
    EXPECT_EQ(memtest::checkPool(s), "") << "the three ranges became one";
    void* big = MemAllocPtr(s, 6 * 65536 - 100, 0);
    EXPECT_EQ(memtest::pageOf(big), memtest::pageOf(a)) << "served from the merged range";
    EXPECT_EQ(memtest::header(s)->committed, committed);
    EXPECT_EQ(MemAllocPtr(s, 0x100000, 0), nullptr) << "the mapping is full";
    MemFreePtr(big);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, ForkedChildAttachesByNameAtTheSameAddress) {
    const std::string name = uniqueName("fork");
    MEMPOOL s = MemPoolInitShared(name.c_str(), 0x100000, 0);
    ASSERT_NE(s, nullptr);
    auto* text = static_cast<char*>(MemAllocPtr(s, 100, 0));
    std::strcpy(text, "from the parent");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int status = inChild([&] {
        // Let go of the inherited view, then attach by name as any other process would.
        if (MemPoolFree(s) != 1) return 1;
        MEMPOOL again = MemPoolInitShared(name.c_str(), 0, 0);
        if (again != s) return 2;
        if (std::strcmp(text, "from the parent") != 0) return 3;
        auto* reply = static_cast<char*>(MemAllocPtr(again, 300, 0));
        if (!reply) return 4;
        std::strcpy(reply, "from the child");
        if (write(fds[1], &reply, sizeof reply) != sizeof reply) return 5;
        return MemPoolFree(again) == 1 ? 0 : 6;
    });
    EXPECT_EQ(status, 0);
    char* reply = nullptr;
    ASSERT_EQ(read(fds[0], &reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    close(fds[0]);
    close(fds[1]);
    EXPECT_STREQ(reply, "from the child");
    EXPECT_EQ(MemFreePtr(reply), 1) << "a block from the other process";
    EXPECT_EQ(MemFreePtr(text), 1);
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, AttachFailsWhereTheCreatorsAddressIsTaken) {
    const std::string name = uniqueName("taken");
    MEMPOOL s = MemPoolInitShared(name.c_str(), 0, 0);
    ASSERT_NE(s, nullptr);
    const int status = inChild([&] {
        if (MemPoolFree(s) != 1) return 1;
        void* squatter = mmap(s, 0x10000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (squatter != static_cast<void*>(s)) return 2;
        return MemPoolInitShared(name.c_str(), 0, 0) == nullptr ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, SharedPoolPlacedWhereTheListedProcessesHaveRoom) {
    const std::uint32_t self = static_cast<std::uint32_t>(getpid());
    void* wanted = reinterpret_cast<void*>(std::uintptr_t{0x300000000000});
    MEMPOOL s = MemPoolInitSharedAt(wanted, 1, &self, nullptr, uniqueName("at").c_str(), 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_GE(static_cast<void*>(s), wanted);
    EXPECT_EQ(MemPoolFree(s), 1);
    const std::uint32_t nobody = 0x7FFFFFF0;
    EXPECT_EQ(MemPoolInitSharedAt(nullptr, 1, &nobody, nullptr, uniqueName("nobody").c_str(), 0, 0), nullptr);
    EXPECT_EQ(MemPoolInitShared(nullptr, 0, 0), nullptr);
    EXPECT_EQ(MemPoolInitShared("", 0, 0), nullptr);
}

TEST_F(PoolTest, DetachingWhileHoldingTheLockFreesItForTheOthers) {
    const std::string name = uniqueName("held");
    MEMPOOL s = MemPoolInitShared(name.c_str(), 0, 0);
    ASSERT_NE(s, nullptr);
    const int status = inChild([&] {
        MEMPOOL mine = MemPoolInitShared(name.c_str(), 0, 0);
        if (mine != s || MemPoolLock(mine) != 1 || MemPoolLock(mine) != 1) return 1;
        return MemPoolFree(mine) == 1 ? 0 : 2;  // detaches holding the lock twice
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(memtest::header(s)->lockDepth, 0u);
    EXPECT_EQ(MemPoolLock(s), 1);
    EXPECT_EQ(MemPoolUnlock(s), 1);
    void* p = MemAllocPtr(s, 100, 0);
    EXPECT_NE(p, nullptr);
    MemFreePtr(p);
    EXPECT_EQ(MemPoolFree(s), 1);
}

TEST_F(PoolTest, SharedPoolIsSerialisedAcrossThreads) {
    MEMPOOL s = MemPoolInitShared(uniqueName("threads").c_str(), 0x800000, 0);
    ASSERT_NE(s, nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<unsigned char*> mine;
            for (int i = 0; i < 3000; ++i) {
                if (mine.size() < 50 || i % 3) {
                    auto* p = static_cast<unsigned char*>(MemAllocPtr(s, static_cast<std::uint32_t>(8 + (i * 37) % 3000), 0));
                    if (!p) {
                        ++failures;
                        continue;
                    }
                    p[0] = static_cast<unsigned char>(t);
                    mine.push_back(p);
                } else {
                    unsigned char* p = mine[static_cast<std::size_t>(i) % mine.size()];
                    if (p[0] != t || MemFreePtr(p) != 1) ++failures;
                    mine.erase(mine.begin() + static_cast<long>(static_cast<std::size_t>(i) % mine.size()));
                }
            }
            for (auto* p : mine) MemFreePtr(p);
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(memtest::checkPool(s), "");
    EXPECT_EQ(MemPoolFree(s), 1);
}

} // namespace
