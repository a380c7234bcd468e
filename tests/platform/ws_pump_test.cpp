// The message pump's idle work: painting windows that wait for it, presenting the screen before
// waiting, polling a live input source while waiting, and refusing a filter that names no window.
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/screen.h"
#include "platform/timer.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::vector<std::pair<HWND, UINT>> g_log;

LRESULT LoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT || message == WM_MOUSEMOVE || message == WM_ERASEBKGND) g_log.emplace_back(hwnd, message);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A live backend whose input arrives on the n-th poll; it counts presents.
class ScriptedBackend final : public platform::Backend {
public:
    ScriptedBackend(int* polls, int* presents, int moveOnPoll) : polls_(polls), presents_(presents), moveOn_(moveOnPoll) {}
    const char* Name() const override { return "scripted"; }
    bool Live() const override { return true; }
    bool PollInput() override {
        if (++*polls_ == moveOn_) {
            platform::InjectMouseMove(100, 100);
            return true;
        }
        return false;
    }
    void Present() override { ++*presents_; }

private:
    int* polls_;
    int* presents_;
    int moveOn_;
};

class MessagePump : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
        platform::UseVirtualClock(0);
        g_log.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &LoggingProc;
        wc.lpszClassName = "Logged";
        RegisterClassA(&wc);
    }
    void TearDown() override {
        platform::SetBackend(platform::MakeHeadlessBackend());
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    static HWND Make(HWND parent, int x, int y, int w, int h) {
        const DWORD style = (parent ? WS_CHILD : WS_OVERLAPPEDWINDOW) | WS_VISIBLE;
        return CreateWindowExA(0, "Logged", "", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    }
};

TEST_F(MessagePump, WindowsWaitingForPaintGetItWhenNothingIsPosted) {
    HWND frame = Make(nullptr, 0, 0, 300, 200);
    HWND child = Make(frame, 10, 10, 50, 50);
    MSG m;
    // Whatever was made visible asks to be painted; posted messages come first.
    PostMessage(frame, WM_USER, 0, 0);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER);
    std::vector<HWND> painted;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        ASSERT_EQ(m.message, static_cast<UINT>(WM_PAINT));
        painted.push_back(m.hwnd);
        DispatchMessage(&m);
    }
    // Parents before children; each once; the erase reached the procedure through BeginPaint.
    EXPECT_EQ(painted, (std::vector<HWND>{frame, child}));
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), std::make_pair(frame, WM_ERASEBKGND)), 1);
    // A filter limits the paint to a window and its children; taking without dispatching spends it.
    InvalidateRect(child, nullptr, TRUE);
    EXPECT_FALSE(PeekMessage(&m, frame, WM_USER, WM_USER, PM_REMOVE));
    ASSERT_TRUE(PeekMessage(&m, frame, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, child);
    ASSERT_TRUE(PeekMessage(&m, frame, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(&m, frame, 0, 0, PM_REMOVE));
}

TEST_F(MessagePump, GetMessageRefusesAFilterThatNamesNoWindow) {
    HWND w = Make(nullptr, 0, 0, 100, 100);
    DestroyWindow(w);
    MSG m;
    EXPECT_EQ(GetMessage(&m, w, 0, 0), -1);
}

TEST_F(MessagePump, AWaitingGetMessagePresentsAndPollsALiveSource) {
    int polls = 0, presents = 0;
    platform::SetBackend(std::make_unique<ScriptedBackend>(&polls, &presents, 5));
    HWND w = Make(nullptr, 0, 0, 300, 300);
    MSG m;
    // Paint what is waiting, then wait: the mouse comes from the fifth poll.
    for (;;) {
        ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
        DispatchMessage(&m);
        if (m.message == WM_MOUSEMOVE) break;
    }
    EXPECT_EQ(m.hwnd, w);
    EXPECT_GE(polls, 5);
    EXPECT_GE(presents, 1);
}

TEST_F(MessagePump, TimersStillFireBetweenPolls) {
    int polls = 0, presents = 0;
    platform::SetBackend(std::make_unique<ScriptedBackend>(&polls, &presents, -1));
    const UINT_PTR id = SetTimer(nullptr, 0, 250, nullptr);
    MSG m;
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(GetTickCount(), 250u);
    KillTimer(nullptr, id);
}

} // namespace
