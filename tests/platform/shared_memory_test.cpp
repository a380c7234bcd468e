#include "platform/shared_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string uniqueName(const char* what) {
    static int serial = 0;
    return "vhtest." + std::to_string(getpid()) + "." + what + "." + std::to_string(++serial);
}

TEST(SharedMapping, ViewsOfOneMappingShareTheirBytes) {
    const std::string name = uniqueName("views");
    platform::SharedMapping* m = platform::CreateSharedMapping(name.c_str(), 0x20000);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(platform::CreateSharedMapping(name.c_str(), 0x20000), nullptr) << "the name is taken";
    platform::SharedMapping* again = platform::OpenSharedMapping(name.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(platform::SharedMappingSize(again), 0x20000u);
    auto* a = static_cast<char*>(platform::MapSharedView(m, nullptr, 0x20000));
    auto* b = static_cast<char*>(platform::MapSharedView(again, nullptr, 0x10000));
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a[0x1FFFF], 0) << "fresh contents read as zeros";
    std::strcpy(a + 100, "shared");
    EXPECT_STREQ(b + 100, "shared");
    EXPECT_EQ(platform::MapSharedView(m, nullptr, 0x30000), nullptr) << "larger than the mapping";
    platform::UnmapSharedView(a, 0x20000);
    platform::UnmapSharedView(b, 0x10000);
    platform::CloseSharedMapping(m);
    platform::CloseSharedMapping(again);
    EXPECT_EQ(platform::OpenSharedMapping(name.c_str()), nullptr);
}

TEST(SharedMapping, ViewGoesExactlyWhereAskedOrNowhere) {
    platform::SharedMapping* m = platform::CreateSharedMapping(uniqueName("at").c_str(), 0x10000);
    ASSERT_NE(m, nullptr);
    void* probe = platform::MapSharedView(m, nullptr, 0x10000);
    ASSERT_NE(probe, nullptr);
    platform::UnmapSharedView(probe, 0x10000);
    void* at = platform::MapSharedView(m, probe, 0x10000);
    EXPECT_EQ(at, probe);
    EXPECT_EQ(platform::MapSharedView(m, probe, 0x10000), nullptr) << "the range is in use";
    platform::UnmapSharedView(at, 0x10000);
    platform::CloseSharedMapping(m);
}

TEST(SharedMapping, ForkedChildSharesItsParentsHold) {
    const std::string name = uniqueName("fork");
    platform::SharedMapping* m = platform::CreateSharedMapping(name.c_str(), 0x10000);
    ASSERT_NE(m, nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        platform::CloseSharedMapping(m);  // the child's copy of the parent's handle
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    platform::SharedMapping* open = platform::OpenSharedMapping(name.c_str());
    EXPECT_NE(open, nullptr) << "the child's close must not remove the parent's mapping";
    platform::CloseSharedMapping(open);
    platform::CloseSharedMapping(m);
}

TEST(SharedMapping, MappingNobodyHoldsIsGone) {
    const std::string name = uniqueName("ended");
    const pid_t pid = fork();
    if (pid == 0) {
        // Made, then left behind without a close: the process's end lets go of it.
        _exit(platform::CreateSharedMapping(name.c_str(), 0x10000) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(platform::OpenSharedMapping(name.c_str()), nullptr);
    platform::SharedMapping* fresh = platform::CreateSharedMapping(name.c_str(), 0x10000);
    EXPECT_NE(fresh, nullptr) << "the name can be made anew";
    platform::CloseSharedMapping(fresh);
}

} // namespace
