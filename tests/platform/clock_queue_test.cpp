#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/global_memory.h"
#include "platform/message_queue.h"
#include "platform/timer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseVirtualClock(5000);
        platform::SetIdleStep(1);
        platform::ResetMessageQueues();
    }
    void TearDown() override { platform::ResetMessageQueues(); }
};

TEST_F(QueueTest, TheVirtualClockMovesOnlyWhenTold) {
    EXPECT_EQ(GetTickCount(), 5000u);
    platform::AdvanceClock(250);
    EXPECT_EQ(GetTickCount(), 5250u);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetTickCount(), 5250u);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)); // an idle poll costs a step
    EXPECT_EQ(GetTickCount(), 5251u);
    platform::UseRealClock();
    DWORD a = GetTickCount();
    EXPECT_GE(GetTickCount(), a);
    platform::UseVirtualClock(0);
}

TEST_F(QueueTest, PostedMessagesComeInOrderAndPeekCanLeaveThem) {
    PostMessage(nullptr, WM_USER + 1, 1, 10);
    PostMessage(nullptr, WM_USER + 2, 2, 20);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(platform::PendingMessageCount(), 2u);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE)); // by number
    EXPECT_EQ(msg.lParam, 20);
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(msg.time, 5000u);
    PostQuitMessage(4);
    PostMessage(nullptr, WM_USER, 0, 0);
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0)); // posted messages before the quit
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
}

std::vector<DWORD> fired;
void Record(HWND, UINT message, UINT_PTR, DWORD time) {
    EXPECT_EQ(message, WM_TIMER);
    fired.push_back(time);
}

TEST_F(QueueTest, TimersFireWhenDueOnceAndRestartFromThen) {
    fired.clear();
    UINT_PTR id = SetTimer(nullptr, 0, 100, Record);
    ASSERT_NE(id, 0u);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    platform::AdvanceClock(350); // three periods missed: one message
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessage(&msg);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    // GetMessage on the virtual clock jumps to the next due time instead of sleeping.
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    DispatchMessage(&msg);
    EXPECT_EQ(fired, (std::vector<DWORD>{5350, 5450}));
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(QueueTest, OtherThreadsPostToTheUiThread) {
    platform::SetUiThread(GetCurrentThreadId());
    HWND window = reinterpret_cast<HWND>(0x40);
    std::thread worker([&] { PostMessage(window, WM_APP + 3, 7, 0); });
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0)); // waits for the worker's message
    worker.join();
    EXPECT_EQ(msg.message, WM_APP + 3);
    EXPECT_EQ(msg.hwnd, window);
}

LRESULT Echo(const MSG& m) { return static_cast<LRESULT>(m.wParam * 2); }

TEST_F(QueueTest, DispatchGoesToTheWindowDispatcher) {
    MSG msg{reinterpret_cast<HWND>(0x10), WM_COMMAND, 21, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessage(&msg), 0);
    platform::SetWindowDispatcher(Echo);
    EXPECT_EQ(DispatchMessage(&msg), 42);
    platform::SetWindowDispatcher(nullptr);
    UINT a = RegisterWindowMessage("VhNetReceive");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage("vhnetreceive"), a);
    EXPECT_NE(RegisterWindowMessage("Other"), a);
}

TEST(ClipboardTest, HoldsOneTextWhileOpenOnlyByOneOwner) {
    HGLOBAL block = GlobalAlloc(GHND, 6);
    std::memcpy(GlobalLock(block), "hello", 6);
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(platform::ClipboardText(), "hello");
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr); // closed
}

} // namespace
