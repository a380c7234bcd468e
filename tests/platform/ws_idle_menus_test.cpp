// What idle loops, the program's menus and the input script add to the window system: WaitMessage
// presents and sleeps instead of spinning, writes into a window's pixels reach the screen, the
// compiled-in menus and accelerators load, and a script's steps are read strictly.
#include "platform/clock.h"
#include "platform/idle.h"
#include "platform/input_script.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/program_menus.h"
#include "platform/screen.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

class CountingBackend final : public platform::Backend {
public:
    explicit CountingBackend(bool live) : live_(live) {}
    const char* Name() const override { return "counting"; }
    bool Live() const override { return live_; }
    bool PollInput() override {
        ++polls;
        return false;
    }
    void ScreenChanged() override { ++changes; }
    void Present() override { ++presents; }
    int polls = 0, changes = 0, presents = 0;

private:
    bool live_;
};

class Idle : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::UseVirtualClock(0);
        MSG m;
        PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);  // this thread is the user-interface thread
        platform::SetUiThread(GetCurrentThreadId());
    }
    void TearDown() override {
        platform::SetBackend(platform::MakeHeadlessBackend());
        platform::UseVirtualClock(0);
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    CountingBackend* Use(bool live) {
        auto b = std::make_unique<CountingBackend>(live);
        CountingBackend* raw = b.get();
        platform::SetBackend(std::move(b));
        return raw;
    }
};

TEST_F(Idle, WaitPresentsTheScreenAndReturnsAtOnceOnTheVirtualClock) {
    CountingBackend* b = Use(true);
    // The window system hands the queue its idle work once it has a window.
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "IdleShown";
    RegisterClassA(&wc);
    ASSERT_NE(CreateWindowExA(0, "IdleShown", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    const DWORD before = GetTickCount();
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(b->presents, 1);
    EXPECT_GE(b->polls, 1);
    EXPECT_EQ(GetTickCount(), before);  // the virtual clock is the test's, not the wait's
}

TEST_F(Idle, WaitOnTheRealClockSleepsUntilAMessageIsPostedFromAnotherThread) {
    Use(true);
    platform::UseRealClock();
    const DWORD ui = GetCurrentThreadId();
    std::thread poster([ui] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostThreadMessage(ui, WM_USER + 5, 0, 0);
    });
    // A live display is looked at every few milliseconds, so the wait returns well before a
    // second, and as soon as the message is there the next peek takes it.
    MSG m{};
    const auto start = std::chrono::steady_clock::now();
    while (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        WaitMessage();
        ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
    poster.join();
    EXPECT_EQ(m.message, WM_USER + 5);
}

TEST_F(Idle, WaitWithoutLiveInputLeavesTheLoopToCountItsTurns) {
    Use(false);
    platform::UseRealClock();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) WaitMessage();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(Idle, WritingAWindowsPixelsMarksTheScreenChanged) {
    CountingBackend* b = Use(false);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "IdlePlain";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "IdlePlain", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    const int before = b->changes;
    int width = 0, height = 0;
    BYTE* pixels = platform::WindowPixelsForWrite(w, &width, &height);
    ASSERT_NE(pixels, nullptr);
    EXPECT_GT(b->changes, before);
}

TEST(ProgramMenus, TheFramesAndMapWindowsMenusAndTheAcceleratorsLoad) {
    std::string error;
    ASSERT_TRUE(platform::RegisterProgramMenus(error)) << error;
    HMENU app = LoadMenuA(nullptr, "AppMenu");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(GetMenuItemCount(app), 2);
    HMENU child = LoadMenuA(nullptr, "ChildMenu");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetMenuItemCount(child), 6);
    EXPECT_EQ(GetMenuState(child, 226, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(GetMenuState(child, 217, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    char text[64];
    GetMenuStringA(child, 219, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Missile &Firing\tCtrl+M");
    EXPECT_NE(LoadAcceleratorsA(nullptr, "Main"), nullptr);
    DestroyMenu(app);
    DestroyMenu(child);
}

TEST(ProgramMenus, DamagedTextRegistersNothingAndATestsOwnMenuStays) {
    std::string error;
    EXPECT_FALSE(platform::RegisterMenuText("MENU Broken\nPOPUP \"&X\"\nBEGIN\n  MENUITEM \"A\", 1\n", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(LoadMenuA(nullptr, "Broken"), nullptr);
    error.clear();
    EXPECT_FALSE(platform::RegisterMenuText("ACCELERATORS Keys\nCtrl+Hyper+Q 5\n", error));
    EXPECT_FALSE(platform::RegisterMenuText("MENUITEM \"stray\", 1\n", error));

    ASSERT_TRUE(platform::RegisterMenuResource("OwnMenu", "POPUP \"&Own\"\nBEGIN\n  MENUITEM \"One\", 1\nEND\n"));
    ASSERT_TRUE(platform::RegisterMenuText("MENU OwnMenu\nPOPUP \"&A\"\nBEGIN\nMENUITEM \"x\", 2\nEND\nPOPUP \"&B\"\nBEGIN\nMENUITEM \"y\", 3\nEND\n"
                                           "ACCELERATORS OwnKeys\nCtrl+Shift+F5 77\nAlt+Enter 78\n",
                                           error))
        << error;
    HMENU own = LoadMenuA(nullptr, "OwnMenu");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GetMenuItemCount(own), 1);
    DestroyMenu(own);
    EXPECT_NE(LoadAcceleratorsA(nullptr, "OwnKeys"), nullptr);
}

std::string WriteTemp(const std::string& text) {
    const std::string path = ::testing::TempDir() + "/vh_script_" + std::to_string(::getpid()) + ".txt";
    std::ofstream(path) << text;
    return path;
}

TEST(InputScript, EveryStepIsCheckedBeforeTheRunStarts) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"# nothing but a comment\n", true},
        {"wait-window \"Choose Scenario\" 500\nclick-control 1\nkey RETURN\nanswer 6\nend\n", true},
        {"click 10\n", false},                          // a point needs two numbers
        {"wait-window \"unclosed\n", false},            // a text must be closed
        {"teleport 1 2\n", false},                      // not a step
        {"menu-until 224 1\n", false},                  // the control that ends it needs its text
        {"screenshot a.png b.png\n", false},            // one path only
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(platform::StartInputScript(WriteTemp(c.text), error), c.ok) << c.text << error;
        EXPECT_EQ(error.empty(), c.ok) << c.text;
        platform::StopInputScript();
    }
    std::string error;
    EXPECT_FALSE(platform::StartInputScript("/no/such/script", error));
}

TEST(InputScript, AWaitThatIsNeverMetFailsTheScriptAfterItsTimeOut) {
    platform::UseVirtualClock(0);
    std::string error;
    ASSERT_TRUE(platform::StartInputScript(WriteTemp("wait-window \"Nobody\" 100\n"), error));
    EXPECT_TRUE(platform::InputScriptRunning());
    platform::StepInputScript();
    EXPECT_TRUE(platform::InputScriptRunning());
    platform::AdvanceClock(150);
    platform::StepInputScript();
    EXPECT_FALSE(platform::InputScriptRunning());
    EXPECT_FALSE(platform::InputScriptSucceeded());
    EXPECT_NE(platform::InputScriptError().find("line 1"), std::string::npos) << platform::InputScriptError();
    platform::StopInputScript();
}


TEST_F(Idle, AScriptWaitsForAMenuItemToBeEnabled) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "MenuWaiter";
    RegisterClassA(&wc);
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_STRING | MF_GRAYED, 224, "&Finish");
    HWND w = CreateWindowExA(0, "MenuWaiter", "Waiter", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, bar,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    std::string error;
    ASSERT_TRUE(platform::StartInputScript(WriteTemp("wait-menu-enabled 224 1000\nwait-menu-enabled 999 100\n"), error))
        << error;
    platform::StepInputScript();
    platform::AdvanceClock(500);
    platform::StepInputScript();
    EXPECT_TRUE(platform::InputScriptRunning()) << "a grayed item is waited for";
    EnableMenuItem(GetMenu(w), 224, MF_BYCOMMAND | MF_ENABLED);
    platform::StepInputScript();
    // The second step names an item no menu holds: it times out and names its line.
    platform::AdvanceClock(150);
    platform::StepInputScript();
    platform::AdvanceClock(150);
    platform::StepInputScript();
    EXPECT_FALSE(platform::InputScriptRunning());
    EXPECT_FALSE(platform::InputScriptSucceeded());
    EXPECT_NE(platform::InputScriptError().find("line 2"), std::string::npos) << platform::InputScriptError();
    platform::StopInputScript();
    SetMenu(w, nullptr);
    DestroyMenu(bar);
    DestroyWindow(w);
}

// The commands a script posted to a window and nobody has taken yet, taken now.
int TakeCommands(HWND w, UINT id) {
    int n = 0;
    MSG m;
    while (PeekMessage(&m, w, 0, 0, PM_REMOVE))
        if (m.message == WM_COMMAND && m.wParam == id) ++n;
    return n;
}

// A battle played on by one menu item: the item is chosen each time the program enables it again
// and never twice for one enabling the program has not taken yet; the run ends when the control
// it waits for shows, and fails after its time-out when that never comes.
TEST_F(Idle, AScriptChoosesAMenuItemWhenEverItIsEnabledUntilAControlShows) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "MenuPlayer";
    RegisterClassA(&wc);
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_STRING | MF_GRAYED, 224, "&Finish");
    HWND w = CreateWindowExA(0, "MenuPlayer", "Battle", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, bar,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    std::string error;
    ASSERT_TRUE(platform::StartInputScript(WriteTemp("menu-until 224 7 \"&Close\" 60000\nmenu-until 224 7 \"Never\" 500\n"),
                                           error))
        << error;
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 0) << "a grayed item is not chosen";
    EnableMenuItem(bar, 224, MF_BYCOMMAND | MF_ENABLED);
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 1);
    platform::AdvanceClock(20000);
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 0) << "chosen twice before the program took the first";
    // The program took it (grayed) and enabled the item again for the next leader.
    EnableMenuItem(bar, 224, MF_BYCOMMAND | MF_GRAYED);
    platform::StepInputScript();
    EnableMenuItem(bar, 224, MF_BYCOMMAND | MF_ENABLED);
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 1);
    // Enabled again before the script looked: after a while it is chosen once more.
    platform::AdvanceClock(30500);
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 1);
    EXPECT_TRUE(platform::InputScriptRunning());
    // The control that ends the run shows: the next step starts, and it waits for one that never does.
    HWND close = CreateWindowExA(0, "MenuPlayer", "&Close", WS_CHILD | WS_VISIBLE, 0, 0, 50, 14, w,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(close, nullptr);
    platform::StepInputScript();
    DestroyWindow(close);
    platform::StepInputScript();
    EXPECT_EQ(TakeCommands(w, 224), 1) << "the second run chooses its item anew";
    platform::AdvanceClock(600);
    platform::StepInputScript();
    EXPECT_FALSE(platform::InputScriptRunning());
    EXPECT_FALSE(platform::InputScriptSucceeded());
    EXPECT_NE(platform::InputScriptError().find("line 2"), std::string::npos) << platform::InputScriptError();
    platform::StopInputScript();
    SetMenu(w, nullptr);
    DestroyMenu(bar);
    DestroyWindow(w);
}

} // namespace
