// System blocks of ordinary pools: 64 KB reservations with 4 KB commits.
#include "memory_test_support.h"

#include <cstring>

namespace {

using namespace bramble;

TEST(SystemPages, RequestsAreCommittedIn4KbStepsInside64KbReservations) {
    struct Case {
        u64 size;
        u32 flags;
        u64 committed;
    } cases[] = {{100, 0, 4096}, {4096, 0, 4096}, {4097, 0, 8192}, {70000, kRequestCap, 65536}, {70000, 0, 73728}};
    for (const auto& c : cases) {
        void* p = _bri_sysAlloc(c.size, c.flags);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uptr>(p) & 0xFFFF, 0u) << c.size;
        EXPECT_EQ(_bri_sysSize(p), c.committed) << c.size;
        std::memset(p, 1, c.committed);
        EXPECT_EQ(_bri_sysFree(p), 1);
        EXPECT_EQ(_bri_sysSize(p), 0u);
    }
}

TEST(SystemPages, BlocksGrowInPlaceUntilTheirReservationIsFull) {
    auto* p = static_cast<unsigned char*>(_bri_sysAlloc(100, 0));
    p[0] = 42;
    EXPECT_EQ(_bri_sysReAlloc(p, 60000, 0), p);
    EXPECT_EQ(_bri_sysSize(p), 61440u);
    EXPECT_EQ(_bri_sysReAlloc(p, 65536, 0), p);
    p[65535] = 7;
    auto* q = static_cast<unsigned char*>(_bri_sysReAlloc(p, 65537, 0));
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q, p) << "a full reservation moves";
    EXPECT_EQ(q[0], 42);
    EXPECT_EQ(q[65535], 7);
    EXPECT_EQ(_bri_sysSize(p), 0u) << "the old block is gone";
    EXPECT_EQ(_bri_sysSize(q), 69632u);
    EXPECT_EQ(_bri_sysFree(q), 1);
}

TEST(SystemPages, ShrinkingDecommitsAndGrowingAgainReadsZeros) {
    auto* p = static_cast<unsigned char*>(_bri_sysAlloc(40000, 0));
    std::memset(p, 0xAB, 40000);
    EXPECT_TRUE(SysResizeInPlace(p, 5000, kRequestZero));
    EXPECT_EQ(_bri_sysSize(p), 8192u);
    EXPECT_EQ(p[4999], 0xAB);
    EXPECT_EQ(p[5000], 0) << "zero-filled to the end of its last 4 KB";
    EXPECT_TRUE(SysResizeInPlace(p, 40000, 0));
    EXPECT_EQ(p[8192], 0) << "given back, then committed afresh";
    EXPECT_EQ(p[39999], 0);
    EXPECT_EQ(_bri_sysFree(p), 1);
}

TEST(SystemPages, FreedBlocksComeBackEmpty) {
    for (int i = 0; i < 200; ++i) {
        auto* p = static_cast<unsigned char*>(_bri_sysAlloc(0x3000, 0));
        ASSERT_NE(p, nullptr);
        for (u64 at = 0; at < 0x3000; at += 0x800) EXPECT_EQ(p[at], 0) << i;
        std::memset(p, 0x77, 0x3000);
        EXPECT_EQ(_bri_sysFree(p), 1);
    }
}

TEST(SystemPages, AddressesThatAreNoSystemBlockAreRefused) {
    static int data;
    auto* p = static_cast<unsigned char*>(_bri_sysAlloc(100, 0));
    EXPECT_EQ(_bri_sysFree(&data), 0);
    EXPECT_EQ(_bri_sysFree(p + 0x1000), 0);
    EXPECT_EQ(_bri_sysSize(p + 16), 0u);
    EXPECT_FALSE(SysResizeInPlace(&data, 100, 0));
    EXPECT_EQ(_bri_sysFree(p), 1);
    EXPECT_EQ(_bri_sysFree(p), 0) << "twice";
}

TEST(SystemPages, RefusedRequestsLeaveNothingBehind) {
    platform::FailNextMemoryRequests(1);
    EXPECT_EQ(_bri_sysAlloc(100, 0), nullptr);
    platform::FailNextMemoryRequests(0);
    void* p = _bri_sysAlloc(100, 0);
    EXPECT_NE(p, nullptr);
    _bri_sysFree(p);
}

} // namespace
