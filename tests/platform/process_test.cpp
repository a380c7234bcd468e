#include "platform/process.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

int someFunction(int x) { return x + 1; }
int someData = 3;

TEST(Process, IdsAreThoseOfTheSystem) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
}

TEST(Process, OnlyCodeIsExecutable) {
    EXPECT_TRUE(platform::IsExecutableAddress(reinterpret_cast<const void*>(&someFunction)));
    EXPECT_FALSE(platform::IsExecutableAddress(&someData));
    int local = 0;
    EXPECT_FALSE(platform::IsExecutableAddress(&local));
    EXPECT_FALSE(platform::IsExecutableAddress(nullptr));
}

TEST(Process, FreeRangeSkipsWhatIsMapped) {
    void* taken = mmap(nullptr, 0x30000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(taken, MAP_FAILED);
    const auto start = reinterpret_cast<std::uintptr_t>(taken) & ~std::uintptr_t{0xFFFF};
    std::uintptr_t found = 0;
    ASSERT_TRUE(platform::FindFreeAddressRange(GetCurrentProcessId(), start, 0x10000, ~std::uintptr_t{0}, &found));
    EXPECT_GE(found, reinterpret_cast<std::uintptr_t>(taken) + 0x30000);
    EXPECT_EQ(found % 0x10000, 0u);
    ASSERT_TRUE(platform::FindFreeAddressRange(GetCurrentProcessId(), start, 0x10000, start + 0x10000, &found));
    EXPECT_EQ(found, 0u) << "no room below the limit";
    EXPECT_FALSE(platform::FindFreeAddressRange(0x7FFFFFF0, start, 0x10000, ~std::uintptr_t{0}, &found));
    munmap(taken, 0x30000);
}

} // namespace
