#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string uniqueName(const char* what) {
    static int serial = 0;
    return "vhtest." + std::to_string(getpid()) + "." + what + "." + std::to_string(++serial);
}

int exitStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(NamedMutex, SecondCreateOpensTheSameMutex) {
    const std::string name = uniqueName("same");
    bool existed = true;
    platform::NamedMutex* a = platform::CreateNamedMutex(name.c_str(), &existed);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(existed);
    platform::NamedMutex* b = platform::CreateNamedMutex(name.c_str(), &existed);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(existed);
    platform::NamedMutex* c = platform::OpenNamedMutex(name.c_str());
    EXPECT_NE(c, nullptr);
    platform::CloseNamedMutex(a);
    platform::CloseNamedMutex(b);
    platform::CloseNamedMutex(c);
    EXPECT_EQ(platform::OpenNamedMutex(name.c_str()), nullptr) << "gone with its last holder";
    EXPECT_EQ(platform::OpenNamedMutex(uniqueName("never").c_str()), nullptr);
}

TEST(NamedMutex, HolderMayTakeItAgainAndCountsItsHolds) {
    platform::NamedMutex* m = platform::CreateNamedMutex(uniqueName("count").c_str(), nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(platform::ReleaseNamedMutex(m)) << "not held";
    EXPECT_TRUE(platform::WaitNamedMutex(m));
    EXPECT_TRUE(platform::WaitNamedMutex(m));
    EXPECT_EQ(platform::NamedMutexHoldCount(m), 2);
    int otherCount = -1;
    bool otherReleased = true;
    std::thread([&] {
        otherCount = platform::NamedMutexHoldCount(m);
        otherReleased = platform::ReleaseNamedMutex(m);
    }).join();
    EXPECT_EQ(otherCount, 0);
    EXPECT_FALSE(otherReleased) << "only the holder releases";
    EXPECT_TRUE(platform::ReleaseNamedMutex(m));
    EXPECT_TRUE(platform::ReleaseNamedMutex(m));
    EXPECT_EQ(platform::NamedMutexHoldCount(m), 0);
    platform::CloseNamedMutex(m);
}

TEST(NamedMutex, AnotherProcessWaitsForTheHolder) {
    const std::string name = uniqueName("cross");
    platform::NamedMutex* m = platform::CreateNamedMutex(name.c_str(), nullptr);
    ASSERT_TRUE(platform::WaitNamedMutex(m));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        platform::NamedMutex* mine = platform::OpenNamedMutex(name.c_str());
        if (!mine || !platform::WaitNamedMutex(mine)) _exit(1);
        const char got = 'g';
        if (write(fds[1], &got, 1) != 1) _exit(2);
        platform::ReleaseNamedMutex(mine);
        platform::CloseNamedMutex(mine);
        _exit(0);
    }
    pollfd p{fds[0], POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 200), 0) << "the child got the mutex while this process held it";
    EXPECT_TRUE(platform::ReleaseNamedMutex(m));
    EXPECT_EQ(poll(&p, 1, 10000), 1);
    EXPECT_EQ(exitStatus(pid), 0);
    close(fds[0]);
    close(fds[1]);
    platform::CloseNamedMutex(m);
}

TEST(NamedMutex, HolderThatDiesLeavesItToTheNextWaiter) {
    const std::string name = uniqueName("abandoned");
    platform::NamedMutex* m = platform::CreateNamedMutex(name.c_str(), nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        platform::NamedMutex* mine = platform::OpenNamedMutex(name.c_str());
        _exit(mine && platform::WaitNamedMutex(mine) ? 0 : 1);  // ends holding it
    }
    EXPECT_EQ(exitStatus(pid), 0);
    EXPECT_TRUE(platform::WaitNamedMutex(m));
    EXPECT_TRUE(platform::ReleaseNamedMutex(m));
    platform::CloseNamedMutex(m);
}

} // namespace
