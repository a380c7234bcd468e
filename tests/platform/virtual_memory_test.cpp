#include "platform/virtual_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(VirtualMemory, ReservationsStartOn64KbBoundaries) {
    for (std::size_t bytes : {std::size_t{1}, std::size_t{0x10000}, std::size_t{0x10001}, std::size_t{0x123456}}) {
        void* p = platform::ReserveAddressSpace(bytes);
        ASSERT_NE(p, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 0x10000, 0u) << bytes;
        EXPECT_TRUE(platform::ReleaseAddressSpace(p, bytes));
    }
    EXPECT_EQ(platform::ReserveAddressSpace(0), nullptr);
}

TEST(VirtualMemory, DecommittedPagesComeBackAsZeros) {
    auto* p = static_cast<unsigned char*>(platform::ReserveAddressSpace(0x10000));
    ASSERT_TRUE(platform::CommitMemory(p, 0x3000));
    std::memset(p, 0xCC, 0x3000);
    EXPECT_TRUE(platform::DecommitMemory(p + 0x1000, 0x2000));
    EXPECT_TRUE(platform::CommitMemory(p + 0x1000, 0x2000));
    EXPECT_EQ(p[0xFFF], 0xCC);
    EXPECT_EQ(p[0x1000], 0);
    EXPECT_EQ(p[0x2FFF], 0);
    EXPECT_TRUE(platform::ReleaseAddressSpace(p, 0x10000));
}

TEST(VirtualMemory, ScriptedFailuresAreUsedUpInOrder) {
    platform::FailNextMemoryRequests(2);
    EXPECT_EQ(platform::ReserveAddressSpace(100), nullptr);
    EXPECT_EQ(platform::PendingMemoryRequestFailures(), 1);
    EXPECT_EQ(platform::ReserveAddressSpace(100), nullptr);
    void* p = platform::ReserveAddressSpace(100);
    ASSERT_NE(p, nullptr);
    platform::FailNextMemoryRequests(1);
    EXPECT_FALSE(platform::CommitMemory(p, 0x1000));
    EXPECT_TRUE(platform::CommitMemory(p, 0x1000));
    platform::ReleaseAddressSpace(p, 100);
}

} // namespace
