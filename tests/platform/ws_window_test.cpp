#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/mdi.h"
#include "platform/menu.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "platform/wing.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({hwnd, message, wParam, lParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT MdiChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({hwnd, message, wParam, lParam});
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

class WindowSystem : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
        platform::UseVirtualClock(1000);
        g_seen.clear();
        Register("Plain", 0, &RecordingProc);
        Register("Clicks", CS_DBLCLKS, &RecordingProc);
        Register("Doc", CS_DBLCLKS, &MdiChildProc);
    }
    void TearDown() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    static void Register(const char* name, UINT style, WNDPROC proc) {
        WNDCLASSA wc{};
        wc.style = style;
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = sizeof(void*);
        wc.lpszClassName = name;
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    static std::vector<UINT> MessagesOf(HWND h) {
        std::vector<UINT> out;
        for (const auto& s : g_seen)
            if (s.hwnd == h) out.push_back(s.message);
        return out;
    }
    static std::vector<MSG> Drain() {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_TIMER) continue;
            out.push_back(m);
        }
        return out;
    }
};

TEST_F(WindowSystem, CreationSendsItsMessagesAndSizesTheClientArea) {
    HWND w = CreateWindowExA(0, "plain", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 700, 500, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(IsWindow(w));
    const auto seen = MessagesOf(w);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0], WM_NCCREATE);
    EXPECT_EQ(seen[1], WM_CREATE);
    EXPECT_EQ(seen[2], WM_SIZE);
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(c.right, 700 - 2 * platform::kFrameWidth);
    EXPECT_EQ(c.bottom, 500 - 2 * platform::kFrameWidth - platform::kCaptionHeight);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 50 + platform::kFrameWidth);
    EXPECT_EQ(p.y, 50 + platform::kFrameWidth + platform::kCaptionHeight);
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(platform::WindowCount(), 0u);
}

TEST_F(WindowSystem, ZOrderWalkAndPlacement) {
    HWND parent = CreateWindowExA(0, "Plain", "", WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND a = CreateWindowExA(0, "Plain", "a", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExA(0, "Plain", "b", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, parent, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetTopWindow(parent), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), nullptr);
    BringWindowToTop(a);
    EXPECT_EQ(GetTopWindow(parent), a);
    g_seen.clear();
    MoveWindow(a, 20, 30, 40, 50, TRUE);
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 40);
    const auto seen = MessagesOf(a);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), WM_WINDOWPOSCHANGING);
    EXPECT_EQ(WindowFromPoint(POINT{25, 35}), a);
    EXPECT_EQ(WindowFromPoint(POINT{7, 7}), b);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(a));
}

// A dialog template may give a control no width and some height (a combo box, say); its surface
// then holds no pixels, and sizing it from there or to there must not touch a buffer that isn't.
TEST_F(WindowSystem, AWindowIsSizedThroughNoWidthOrNoHeight) {
    HWND parent = CreateWindowExA(0, "Plain", "", WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND a = CreateWindowExA(0, "Plain", "a", WS_CHILD | WS_VISIBLE, 0, 0, 0, 50, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(IsWindow(a));
    const struct {
        int width, height;
    } sizes[] = {{0, 60}, {30, 60}, {0, 60}, {30, 0}, {40, 70}, {0, 0}, {25, 25}};
    for (const auto& size : sizes) {
        MoveWindow(a, 5, 5, size.width, size.height, TRUE);
        RECT c;
        GetClientRect(a, &c);
        EXPECT_EQ(c.right, size.width);
        EXPECT_EQ(c.bottom, size.height);
    }
    DestroyWindow(parent);
}

TEST_F(WindowSystem, OwnedWindowsStayInFrontOfTheirOwner) {
    // A frame disabled by its modal menu dialog: a click on the frame used to raise it over the
    // dialog, which a person could then never reach again.
    HWND frame = CreateWindowExA(0, "Plain", "frame", WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND dialog = CreateWindowExA(0, "Plain", "dialog", WS_VISIBLE, 100, 100, 100, 80, frame, nullptr, nullptr, nullptr);
    HWND box = CreateWindowExA(0, "Plain", "box", WS_VISIBLE, 120, 120, 50, 40, dialog, nullptr, nullptr, nullptr);
    SetActiveWindow(box);
    EnableWindow(frame, FALSE);
    platform::InjectMouseButton(platform::MouseButton::Left, true, 10, 10);
    platform::InjectMouseButton(platform::MouseButton::Left, false, 10, 10);
    Drain();
    EXPECT_EQ(GetTopWindow(nullptr), box);
    EXPECT_EQ(GetActiveWindow(), box);
    // Activated by the program, the owner still comes behind what it owns, and they keep their order.
    EnableWindow(frame, TRUE);
    SetActiveWindow(frame);
    EXPECT_EQ(GetTopWindow(nullptr), box);
    EXPECT_EQ(GetWindow(box, GW_HWNDNEXT), dialog);
    EXPECT_EQ(GetWindow(dialog, GW_HWNDNEXT), frame);
    DestroyWindow(frame);
}

TEST_F(WindowSystem, MinimisingShrinksToAnIconAndRestores) {
    HWND w = CreateWindowExA(0, "Plain", "", WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
    g_seen.clear();
    ShowWindow(w, SW_SHOWMINIMIZED);
    EXPECT_TRUE(IsIconic(w));
    const auto* wp = [&]() -> const Seen* {
        for (const auto& s : g_seen)
            if (s.message == WM_WINDOWPOSCHANGING) return &s;
        return nullptr;
    }();
    ASSERT_NE(wp, nullptr);
    ShowWindow(w, SW_RESTORE);
    EXPECT_FALSE(IsIconic(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 300);
}

TEST_F(WindowSystem, BlitsReachTheScreenThroughTheRealisedPalette) {
    platform::SetScreenSize(320, 240);
    HWND w = CreateWindowExA(0, "Plain", "", WS_VISIBLE, 10, 20, 100, 80, nullptr, nullptr, nullptr, nullptr);
    LOGPALETTE log{};
    log.palVersion = 0x300;
    log.palNumEntries = 256;
    for (int i = 0; i < 256; ++i) log.palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), PC_NOCOLLAPSE};
    log.palPalEntry[40].peFlags = PC_RESERVED;
    HPALETTE pal = CreatePalette(&log);
    for (int orientation : {-1, 1}) {
        platform::SetRecommendedOrientation(orientation);
        BITMAPINFO info;
        WinGRecommendDIBFormat(&info);
        EXPECT_EQ(info.bmiHeader.biHeight, orientation);
        info.bmiHeader.biWidth = 3;
        info.bmiHeader.biHeight = 2 * orientation;
        void* bits = nullptr;
        HDC mem = WinGCreateDC();
        HBITMAP bmp = WinGCreateBitmap(mem, &info, &bits);
        ASSERT_NE(bmp, nullptr);
        auto* px = static_cast<BYTE*>(bits);
        // Top row 20 30 40, bottom row 50 60 70, in the bitmap's own row order; stride 4.
        const BYTE top[3] = {20, 30, 40}, bottom[3] = {50, 60, 70};
        std::memcpy(px + (orientation > 0 ? 4 : 0), top, 3);
        std::memcpy(px + (orientation > 0 ? 0 : 4), bottom, 3);
        SelectObject(mem, bmp);
        HDC dc = GetDC(w);
        SelectPalette(dc, pal, FALSE);
        RealizePalette(dc);
        EXPECT_TRUE(WinGBitBlt(dc, 5, 6, 3, 2, mem, 0, 0));
        ReleaseDC(w, dc);
        POINT o{5, 6};
        ClientToScreen(w, &o);
        EXPECT_EQ(platform::ScreenPixel(o.x, o.y), RGB(20, 0, 235)) << orientation;
        EXPECT_EQ(platform::ScreenPixel(o.x + 2, o.y + 1), RGB(70, 0, 185)) << orientation;
        // Animating a reserved entry of the realised palette changes the screen at once.
        const PALETTEENTRY red{255, 0, 0, 0};
        AnimatePalette(pal, 40, 1, &red);
        EXPECT_EQ(platform::ScreenPixel(o.x + 2, o.y), RGB(255, 0, 0));
        const PALETTEENTRY back{40, 0, 215, 0};
        AnimatePalette(pal, 40, 1, &back);
        // Entries not reserved do not animate.
        AnimatePalette(pal, 50, 1, &red);
        EXPECT_EQ(platform::ScreenPixel(o.x, o.y + 1), RGB(50, 0, 205));
        SelectObject(mem, nullptr);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    platform::SetRecommendedOrientation(-1);
    const std::string file = ::testing::TempDir() + "/vh_screen_" + std::to_string(::getpid()) + ".png";
    ASSERT_TRUE(platform::SaveScreenPNG(file));
    platform::ScreenImage back;
    ASSERT_TRUE(platform::LoadPNG(file, back));
    const platform::ScreenImage now = platform::ComposeScreen();
    EXPECT_EQ(back.width, 320);
    EXPECT_EQ(back.pixels, now.pixels);
    std::remove(file.c_str());
    DeleteObject(pal);
}

TEST_F(WindowSystem, MouseGoesToTheWindowUnderItOrTheCapture) {
    HWND top = CreateWindowExA(0, "Plain", "", WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "Clicks", "", WS_CHILD | WS_VISIBLE, 50, 50, 50, 50, top, nullptr, nullptr, nullptr);
    Drain();
    g_seen.clear();
    platform::InjectMouseMove(60, 70);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].hwnd, child);
    EXPECT_EQ(msgs[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(msgs[0].lParam), 20);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.front().message, WM_SETCURSOR);
    EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(g_seen.front().lParam)), HTCLIENT);

    SetCapture(top);
    platform::InjectMouseMove(60, 70);
    msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].hwnd, top);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), 60);
    platform::InjectMouseMove(-5, 300);  // outside: still the captor, negative coordinates kept
    msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(msgs[0].lParam), -5);
    ReleaseCapture();

    // Double clicks only for classes that ask for them.
    for (HWND target : {child, top}) {
        const int x = target == child ? 60 : 10;
        platform::InjectMouseButton(platform::MouseButton::Left, true, x, 10 + (target == child ? 60 : 0));
        platform::InjectMouseButton(platform::MouseButton::Left, false, x, 10 + (target == child ? 60 : 0));
        platform::AdvanceClock(100);
        platform::InjectMouseButton(platform::MouseButton::Left, true, x, 10 + (target == child ? 60 : 0));
        msgs = Drain();
        std::vector<UINT> kinds;
        for (const auto& m : msgs) kinds.push_back(m.message);
        const UINT second = target == child ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        EXPECT_EQ(kinds, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, second}));
        platform::InjectMouseButton(platform::MouseButton::Left, false, x, 10);
        Drain();
        platform::AdvanceClock(1000);
    }
}

TEST_F(WindowSystem, MdiClientCreatesActivatesAndDestroysChildren) {
    HWND frame = CreateWindowExA(0, "Plain", "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
    CLIENTCREATESTRUCT ccs{nullptr, 3000};
    HWND client = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | MDIS_ALLCHILDSTYLES, 0, 0, 600, 400,
                                  frame, nullptr, nullptr, &ccs);
    ASSERT_TRUE(IsWindow(client));
    auto make = [&](int x, int y) {
        MDICREATESTRUCTA m{"Doc", "doc", nullptr, x, y, 200, 150, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0};
        return reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&m)));
    };
    HWND first = make(CW_USEDEFAULT, CW_USEDEFAULT);
    HWND second = make(CW_USEDEFAULT, 50);
    ASSERT_TRUE(IsWindow(first));
    ASSERT_TRUE(IsWindow(second));
    EXPECT_EQ(GetWindowLongPtrA(first, GWLP_ID), 3000);
    EXPECT_EQ(GetWindowLongPtrA(second, GWLP_ID), 3001);
    RECT r;
    GetWindowRect(second, &r);
    POINT o{0, 0};
    ClientToScreen(client, &o);
    EXPECT_EQ(r.top - o.y, 50);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)), second);
    EXPECT_EQ(GetTopWindow(client), second);

    // The frame's window menu command for the first child activates it.
    DefFrameProcA(frame, client, WM_COMMAND, 3000, 0);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)), first);

    // Destroying the active child hands activation on; the last one is told nobody follows.
    g_seen.clear();
    SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(first), 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)), second);
    g_seen.clear();
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(second));
    bool toldNone = false;
    for (const auto& s : g_seen)
        if (s.hwnd == second && s.message == WM_MDIACTIVATE && s.lParam == 0) toldNone = true;
    EXPECT_TRUE(toldNone);
    EXPECT_EQ(SendMessageA(client, WM_MDIGETACTIVE, 0, 0), 0);
}

TEST_F(WindowSystem, MenuResourcesAcceleratorsAndPopups) {
    ASSERT_TRUE(platform::RegisterMenuResource("AppMenu", R"(
POPUP "&Game"
BEGIN
  MENUITEM "&Preferences...", 101
  MENUITEM SEPARATOR
  MENUITEM "&Hex Grid\tCtrl+H", 257, CHECKED
END
POPUP "&Window"
BEGIN
  MENUITEM "&Cascade", 104, GRAYED
END
POPUP "&Help"
BEGIN
  MENUITEM "&About", 150
END
)"));
    EXPECT_FALSE(platform::RegisterMenuResource("Broken", "POPUP \"x\" BEGIN MENUITEM \"a\" END"));
    HMENU bar = LoadMenuA(nullptr, "appmenu");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 3);
    HMENU game = GetSubMenu(bar, 0);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION) >> 8, 3u);
    EXPECT_TRUE(GetMenuState(game, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(game, 2), 257u);
    char label[100];
    GetMenuStringA(game, 2, label, sizeof label, MF_BYPOSITION);
    EXPECT_STREQ(label, "&Hex Grid\tCtrl+H");
    EXPECT_EQ(GetMenuState(bar, 257, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(bar, 257, MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(GetMenuState(bar, 104, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(CheckMenuItem(bar, 999, MF_CHECKED), 0xFFFFFFFFu);

    HWND w = CreateWindowExA(0, "Plain", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, bar, nullptr, nullptr);
    EXPECT_EQ(GetMenu(w), bar);
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(c.bottom, 200 - 2 * platform::kFrameWidth - platform::kCaptionHeight - platform::kMenuBarHeight);

    // A grayed command cannot be chosen; an enabled one arrives as WM_COMMAND.
    Drain();
    platform::QueuePopupMenuChoice(104);
    platform::QueuePopupMenuChoice(101);
    TrackPopupMenu(GetSubMenu(bar, 1), TPM_RIGHTBUTTON, 5, 5, 0, w, nullptr);
    TrackPopupMenu(game, TPM_RIGHTBUTTON, 5, 5, 0, w, nullptr);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_COMMAND);
    EXPECT_EQ(msgs[0].wParam, 101u);

    platform::RegisterAcceleratorResource("Main", {{FVIRTKEY | FCONTROL, 'H', 257}});
    HACCEL acc = LoadAcceleratorsA(nullptr, "Main");
    ASSERT_NE(acc, nullptr);
    platform::InjectKey('H', true);
    msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(TranslateAcceleratorA(w, acc, &msgs[0]), 0) << "no Ctrl held";
    platform::InjectKey(VK_CONTROL, true);
    platform::InjectKey('H', true);
    msgs = Drain();
    g_seen.clear();
    EXPECT_EQ(TranslateAcceleratorA(w, acc, &msgs.back()), 1);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().message, WM_COMMAND);
    EXPECT_EQ(g_seen.back().wParam, MAKEWPARAM(257, 1));
    platform::InjectKey(VK_CONTROL, false);
    DestroyWindow(w);
    DestroyMenu(bar);
}

} // namespace
