#include "platform/critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(CriticalSection, HolderEntersAgainOthersWait) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));
    BOOL other = TRUE;
    std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
    EXPECT_FALSE(other);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
    EXPECT_FALSE(other) << "still held once";
    LeaveCriticalSection(&cs);
    std::thread([&] {
        other = TryEnterCriticalSection(&cs);
        if (other) LeaveCriticalSection(&cs);
    }).join();
    EXPECT_TRUE(other);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, KeepsThreadsOutOfEachOthersWay) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;  // deliberately not atomic: the critical section is the only guard
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 400000);
    DeleteCriticalSection(&cs);
}

} // namespace
