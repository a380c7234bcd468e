// The drawn menus: a window's menu bar and its pop-ups, opened and chosen from with the mouse
// and the keyboard, grey and checked items as the program sets them, the accelerators of grey
// commands, the composed screen, and TrackPopupMenu's own pop-up before a live backend.
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/screen.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<MSG> g_heard;

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_INITMENU || message == WM_INITMENUPOPUP || message == WM_LBUTTONDOWN ||
        message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
        g_heard.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

constexpr const char* kMenu = R"(POPUP "&File"
BEGIN
  MENUITEM "&Open\tCtrl+O", 11
  MENUITEM "&Save", 12, GRAYED
  MENUITEM SEPARATOR
  MENUITEM "&Grid", 13, CHECKED
  MENUITEM "E&xit", 14
END
POPUP "&View"
BEGIN
  MENUITEM "Zoom &In", 21
  POPUP "&More"
  BEGIN
    MENUITEM "&Far", 31
  END
END
)";

class DrawnMenus : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
        platform::UseVirtualClock(1000);
        g_heard.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = "MenuOwner";
        ASSERT_NE(RegisterClassA(&wc), 0);
        ASSERT_TRUE(platform::RegisterMenuResource("DrawnMenu", kMenu));
        menu = LoadMenuA(nullptr, "DrawnMenu");
        ASSERT_NE(menu, nullptr);
        w = CreateWindowExA(0, "MenuOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400, 300, nullptr, menu,
                            nullptr, nullptr);
        ASSERT_NE(w, nullptr);
        SetActiveWindow(w);
        SetFocus(w);
        Dispatch();
        g_heard.clear();
    }
    void TearDown() override {
        // The menu is the test's to free: resetting the window system forgets windows, not menus.
        if (w) SetMenu(w, nullptr);
        if (menu) DestroyMenu(menu);
        platform::SetBackend(platform::MakeHeadlessBackend());
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
    }
    static void Dispatch() {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message != WM_TIMER) DispatchMessage(&m);
    }
    // The commands the window heard since the last call, with their notification.
    static std::vector<std::pair<int, int>> Commands() {
        Dispatch();
        std::vector<std::pair<int, int>> out;
        for (const MSG& m : g_heard)
            if (m.message == WM_COMMAND) out.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
        g_heard.clear();
        return out;
    }
    static int Count(UINT message) {
        int n = 0;
        for (const MSG& m : g_heard) n += m.message == message;
        return n;
    }
    POINT Item(const char* label) const {
        POINT p{-1, -1};
        EXPECT_TRUE(platform::MenuItemScreenPoint(w, label, p)) << label;
        return p;
    }
    static void Click(POINT p) {
        platform::InjectMouseMove(p.x, p.y);
        platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
        platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
    }
    static void Key(int vk) {
        platform::InjectKey(vk, true);
        platform::InjectKey(vk, false);
    }
    HMENU menu = nullptr;
    HWND w = nullptr;
};

TEST_F(DrawnMenus, TheMouseOpensATitleAndChoosesAnEnabledCommand) {
    Click(Item("&File"));
    ASSERT_TRUE(platform::MenuTracking());
    ASSERT_EQ(platform::OpenMenuCount(), 1);
    EXPECT_EQ(platform::OpenMenu(0), GetSubMenu(menu, 0));
    EXPECT_EQ(platform::HighlightedMenuItem(-1), 0);
    Dispatch();
    EXPECT_EQ(Count(WM_INITMENU), 1);
    EXPECT_EQ(Count(WM_INITMENUPOPUP), 1);
    // A grey item and a separator choose nothing and leave the menu open.
    Click(Item("&Save"));
    EXPECT_TRUE(platform::MenuTracking());
    EXPECT_TRUE(Commands().empty());
    // Moving onto another title while a pop-up is open opens that one instead.
    const POINT view = Item("View");
    platform::InjectMouseMove(view.x, view.y);
    EXPECT_EQ(platform::OpenMenu(0), GetSubMenu(menu, 1));
    // A sub-menu opens when the pointer rests on its item; its command closes everything.
    const POINT more = Item("&More");
    platform::InjectMouseMove(more.x, more.y);
    ASSERT_EQ(platform::OpenMenuCount(), 2);
    Click(Item("Far"));
    EXPECT_FALSE(platform::MenuTracking());
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{31, 0}}));
    // A press on the title of the open pop-up closes it; a press outside closes it and reaches no
    // window.
    Click(Item("&File"));
    Click(Item("&File"));
    EXPECT_FALSE(platform::MenuTracking());
    Click(Item("&File"));
    RECT r;
    GetWindowRect(w, &r);
    Click(POINT{r.right - 20, r.bottom - 20});
    EXPECT_FALSE(platform::MenuTracking());
    Dispatch();
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_TRUE(Commands().empty());
    // With the menu closed the client gets its clicks again.
    Click(POINT{r.right - 20, r.bottom - 20});
    Dispatch();
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
}

TEST_F(DrawnMenus, KeysReachEveryItemAndStepBack) {
    constexpr int F10 = VK_F1 + 9;
    struct Case {
        const char* what;
        std::vector<int> keys;  // negative: held down (released after the rest)
        std::vector<std::pair<int, int>> commands;
        bool stillOpen;
    };
    const std::vector<Case> cases = {
        {"Alt alone selects the bar; Down opens, Return chooses the first", {VK_MENU, VK_DOWN, VK_RETURN}, {{11, 0}}, false},
        {"F10 likewise; Right moves to the next title", {F10, VK_RIGHT, VK_DOWN, VK_RETURN}, {{21, 0}}, false},
        {"Down skips the separator", {F10, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {{13, 0}}, false},
        {"Up wraps to the last item", {F10, VK_DOWN, VK_UP, VK_RETURN}, {{14, 0}}, false},
        {"Left wraps to the last title", {F10, VK_LEFT, VK_RETURN, VK_RETURN}, {{21, 0}}, false},
        {"Alt+letter opens a title, a letter chooses", {-VK_MENU, 'F', VK_MENU, 'X'}, {{14, 0}}, false},
        {"the letter of a grey item does nothing", {-VK_MENU, 'F', VK_MENU, 'S'}, {}, true},
        {"Right opens a sub-menu, Left closes it", {-VK_MENU, 'V', VK_MENU, VK_DOWN, VK_RIGHT, VK_LEFT, VK_UP, VK_RETURN}, {{21, 0}}, false},
        {"Escape steps back to the bar, then leaves", {F10, VK_DOWN, VK_ESCAPE, VK_ESCAPE}, {}, false},
        {"Escape back at the bar keeps the title for Return", {F10, VK_DOWN, VK_ESCAPE, VK_RETURN, VK_RETURN}, {{11, 0}}, false},
        {"Alt leaves the menu", {F10, VK_DOWN, VK_MENU}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> held;
        for (int k : c.keys) {
            if (k < 0) {
                platform::InjectKey(-k, true);
                held.push_back(-k);
            } else if (!held.empty() && held.back() == k) {
                platform::InjectKey(k, false);
                held.pop_back();
            } else {
                Key(k);
            }

        }
        EXPECT_EQ(Commands(), c.commands);
        EXPECT_EQ(platform::MenuTracking(), c.stillOpen);
        // Keys taken by the menu reach no window.
        EXPECT_EQ(Count(WM_KEYDOWN), 0);
        platform::CloseMenus();
        g_heard.clear();
    }
    // Alt with another key is not a menu key; a letter without a title of it reaches the window.
    platform::InjectKey(VK_MENU, true);
    Key('Q');
    platform::InjectKey(VK_MENU, false);
    EXPECT_FALSE(platform::MenuTracking());
    Dispatch();
    EXPECT_EQ(Count(WM_SYSKEYDOWN), 2);
}

TEST_F(DrawnMenus, MenusWaitForAnEnabledWindowAndFollowTheProgramsItemStates) {
    // A window disabled by its modal dialog opens no menu.
    EnableWindow(w, FALSE);
    Click(Item("&File"));
    Key(VK_F1 + 9);
    EXPECT_FALSE(platform::MenuTracking());
    EnableWindow(w, TRUE);
    // The program greys and enables items: what it sets is what can be chosen.
    EnableMenuItem(menu, 11, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(menu, 12, MF_BYCOMMAND | MF_ENABLED);
    Click(Item("&File"));
    Click(Item("Open"));
    EXPECT_TRUE(Commands().empty());
    Click(Item("Save"));
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{12, 0}}));
    // The accelerator of a grey command does nothing; of an enabled one sends it (notification 1).
    const ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'O', 11}, {FVIRTKEY | FCONTROL, 'S', 12}};
    platform::RegisterAcceleratorResource("DrawnKeys", std::vector<ACCEL>(std::begin(keys), std::end(keys)));
    HACCEL table = LoadAcceleratorsA(nullptr, "DrawnKeys");
    platform::InjectKey(VK_CONTROL, true);
    Dispatch();  // the Control press read, as a message loop reads it before the letters after it
    for (int key : {'O', 'S'}) {
        MSG m{w, WM_KEYDOWN, static_cast<WPARAM>(key), 1, 0, {0, 0}};
        EXPECT_EQ(TranslateAcceleratorA(w, table, &m), 1);
    }
    platform::InjectKey(VK_CONTROL, false);
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{12, 1}}));
    // A menu that is taken away while open closes.
    Click(Item("&File"));
    ASSERT_TRUE(platform::MenuTracking());
    SetMenu(w, nullptr);
    Key(VK_DOWN);
    EXPECT_FALSE(platform::MenuTracking());
    SetMenu(w, menu);
}

// Whether a screen rectangle holds a pixel of a colour.
bool Holds(const platform::ScreenImage& img, RECT r, std::uint32_t colour) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (img.At(x, y) == colour) return true;
    return false;
}

TEST_F(DrawnMenus, TheScreenShowsTheBarsTitlesAndTheOpenPopUpOverTheClient) {
    const RECT bar = platform::MenuBarScreenRect(w);
    ASSERT_EQ(bar.bottom - bar.top, platform::kMenuBarHeight);
    const platform::ScreenImage before = platform::ComposeScreen();
    // Titles are dark text on the bar's face.
    EXPECT_TRUE(Holds(before, bar, 0x000000));
    EXPECT_FALSE(Holds(before, bar, 0x000080));
    Click(Item("&File"));
    platform::ScreenImage shot = platform::ComposeScreen();
    // The open title is highlighted; the pop-up stands below the bar over the client area, its
    // texts dark, the grey item engraved. (Points above a row's text: its face or highlight.)
    const POINT file = Item("&File");
    EXPECT_EQ(shot.At(file.x - 8, file.y - 7), 0x000080u);
    const POINT open = Item("Open"), save = Item("Save"), grid = Item("Grid");
    const POINT face{bar.left + 6, open.y - 7};
    EXPECT_GT(open.y, bar.bottom);
    EXPECT_EQ(shot.At(face.x, face.y), 0xC0C0C0u);
    EXPECT_TRUE(Holds(shot, RECT{open.x - 50, open.y - 5, open.x + 50, open.y + 5}, 0x000000));
    EXPECT_TRUE(Holds(shot, RECT{save.x - 50, save.y - 7, save.x + 50, save.y + 8}, 0x808080));
    EXPECT_FALSE(Holds(shot, RECT{save.x - 50, save.y - 7, save.x + 50, save.y + 8}, 0x000000));
    // The check mark stands left of a checked item's text, and goes with the check.
    const RECT mark{bar.left + 2, grid.y - 6, bar.left + 18, grid.y + 6};
    EXPECT_TRUE(Holds(shot, mark, 0x000000));
    CheckMenuItem(menu, 13, MF_BYCOMMAND | MF_UNCHECKED);
    EXPECT_FALSE(Holds(platform::ComposeScreen(), mark, 0x000000));
    // The highlighted row follows the keys.
    Key(VK_DOWN);
    EXPECT_EQ(platform::ComposeScreen().At(face.x, face.y), 0x000080u);
    // Closed, the window shows through again.
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    EXPECT_FALSE(platform::MenuTracking());
    EXPECT_EQ(platform::ComposeScreen().At(face.x, face.y), before.At(face.x, face.y));
}

// A live backend whose "person" presses the keys given, one a poll.
class KeyingBackend final : public platform::Backend {
public:
    explicit KeyingBackend(std::deque<int> keys) : keys_(std::move(keys)) {}
    const char* Name() const override { return "keying"; }
    bool Live() const override { return !keys_.empty(); }
    bool PollInput() override {
        if (keys_.empty()) return false;
        const int k = keys_.front();
        keys_.pop_front();
        platform::InjectKey(k, true);
        platform::InjectKey(k, false);
        return true;
    }

private:
    std::deque<int> keys_;
};

TEST_F(DrawnMenus, APopUpOfItsOwnIsDrawnAndRunUntilChosenBeforeAPerson) {
    HMENU popup = GetSubMenu(menu, 0);
    // Headless without a person the scripted choice answers (none: nothing chosen).
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, w, nullptr), 0);
    platform::SetBackend(std::make_unique<KeyingBackend>(std::deque<int>{VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, w, nullptr), 0);  // the grey "Save": nothing, still open
    platform::SetBackend(std::make_unique<KeyingBackend>(std::deque<int>{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, w, nullptr), 13);
    EXPECT_FALSE(platform::MenuTracking());
    // Without TPM_RETURNCMD the choice reaches the owner as a command.
    platform::SetBackend(std::make_unique<KeyingBackend>(std::deque<int>{VK_UP, VK_RETURN}));
    EXPECT_EQ(TrackPopupMenu(popup, 0, 100, 100, 0, w, nullptr), TRUE);
    EXPECT_EQ(Commands(), (std::vector<std::pair<int, int>>{{14, 0}}));
}

} // namespace
