// The standard controls as a person meets them: each kind driven by the mouse and the keyboard
// to its state and to what it draws; dialogs centred with their captions; message boxes drawn
// on the screen, answered by the script headless and by keys and clicks on a live display.
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/dialog.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kTemplates = R"(
DIALOG Everything 0 0 200 130 0x90C80080|0x800
  CAPTION "Every Control"
  CONTROL "&Load" 1 Button 0x50010001 140 4 50 14
  CONTROL "Cancel" 2 Button 0x50010000 140 22 50 14
  CONTROL "Disabled" 6 Button 0x58010000 140 40 50 14
  CONTROL "Sound on" 3 Button 0x50010003 8 4 60 10
  CONTROL "Union" 4 Button 0x50030009 8 18 60 10
  CONTROL "Confederacy" 5 Button 0x50000009 8 30 60 10
  CONTROL "Scenarios" 10 Button 0x50000007 4 44 130 62
  CONTROL "" 8 ListBox 0x50A10001 10 56 118 44
  CONTROL "" 11 ListBox 0x50A10009 140 58 50 44
  CONTROL "Leader:" 12 Static 0x50000000 8 112 30 8
  CONTROL "Cpt. Arvel" 9 Edit 0x50810080 40 110 94 12
END
)";

std::vector<std::pair<int, int>> g_commands;

INT_PTR RecordingProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) g_commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class LiveBackend final : public platform::Backend {
public:
    const char* Name() const override { return "live-test"; }
    bool PollInput() override { return false; }
    bool Live() const override { return true; }
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
        platform::UseVirtualClock(0);
        platform::ClearDialogScripts();
        platform::ClearMessageBoxAnswers();
        std::string error;
        ASSERT_TRUE(platform::AddDialogResources(kTemplates, &error)) << error;
        g_commands.clear();
    }
    void TearDown() override {
        platform::SetMessageBoxShownHook({});
        platform::SetBackend(platform::MakeHeadlessBackend());
        platform::ResetDialogResources();
        platform::ResetInput();
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    HWND Open() {
        const void* t = LockResource(LoadResource(nullptr, FindResourceA(nullptr, "Everything", RT_DIALOG)));
        dialog = CreateDialogIndirectParamA(nullptr, t, nullptr, &RecordingProc, 0);
        Pump();
        return dialog;
    }
    void Pump() {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessageA(dialog, &m)) {
                TranslateMessage(&m);
                DispatchMessage(&m);
            }
        platform::PaintPendingWindows();
    }
    // A click at a client point of a control.
    void Click(int id, int x, int y, bool twice = false) {
        POINT p{x, y};
        ClientToScreen(GetDlgItem(dialog, id), &p);
        for (int i = 0; i < (twice ? 2 : 1); ++i) {
            platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
            platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
            Pump();
        }
    }
    void Key(int key, int held = 0) {
        if (held) platform::InjectKey(held, true);
        platform::InjectKey(key, true);
        Pump();
        platform::InjectKey(key, false);
        if (held) platform::InjectKey(held, false);
        Pump();
    }
    LRESULT Send(int id, UINT message, WPARAM w = 0, LPARAM l = 0) { return SendDlgItemMessageA(dialog, id, message, w, l); }
    std::string Text(int id) {
        char buffer[256] = {};
        GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
        return buffer;
    }
    // Pixels of a control's client area holding an index.
    int Pixels(int id, BYTE index, RECT box = RECT{0, 0, 10000, 10000}) {
        const platform::WindowPixels p = platform::GetWindowPixels(GetDlgItem(dialog, id));
        int n = 0;
        for (int y = std::max<LONG>(box.top, 0); y < std::min<LONG>(box.bottom, p.height); ++y)
            for (int x = std::max<LONG>(box.left, 0); x < std::min<LONG>(box.right, p.width); ++x)
                n += p.pixels[static_cast<std::size_t>(y) * p.width + x] == index ? 1 : 0;
        return n;
    }
    HWND dialog = nullptr;
};

TEST_F(Controls, TheDialogIsCentredWithItsCaptionAndEveryControlDrawn) {
    ASSERT_NE(Open(), nullptr);
    RECT r;
    GetWindowRect(dialog, &r);
    const SIZE screen = platform::GetScreenSize();
    EXPECT_LE(std::abs((r.left + r.right) / 2 - screen.cx / 2), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - screen.cy / 2), 1);
    // The caption's title, white on the active bar.
    const platform::ScreenImage bar = platform::ComposeScreen(RECT{r.left, r.top + 1, r.right, r.top + 1 + platform::kCaptionHeight});
    int white = 0;
    for (std::uint32_t p : bar.pixels) white += p == 0xFFFFFF ? 1 : 0;
    EXPECT_GT(white, 20);
    // No control is left black: lists and edits are white with their text in black.
    for (const char* row : {"Antietam", "Brandy Station", "Cedar Mountain", "Fredericksburg", "Gettysburg", "Shiloh", "Wilderness"})
        Send(8, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    Pump();
    EXPECT_GT(Pixels(8, 255), 1000);
    EXPECT_GT(Pixels(8, 0, RECT{2, 2, 80, 15}), 10);   // "Antietam" in the first row
    EXPECT_GT(Pixels(9, 255), 300);
    EXPECT_GT(Pixels(9, 0, RECT{3, 2, 40, 16}), 10);   // "Cpt. Arvel"
    EXPECT_GT(Pixels(12, 0), 10);                     // the static's "Leader:"
    EXPECT_GT(Pixels(1, 7), 100);                     // buttons: a silver face ...
    EXPECT_GT(Pixels(1, 0), 2 * 50);                  // ... the default one framed in black
    EXPECT_GT(Pixels(6, 248), 10);                    // a disabled button's grey text
    EXPECT_EQ(Pixels(6, 0, RECT{4, 4, 80, 18}), 0);
    platform::SaveScreenPNG("controls_dialog.png");
    DestroyWindow(dialog);
}

TEST_F(Controls, ChecksRadiosAndButtonsFollowClicksAndKeys) {
    ASSERT_NE(Open(), nullptr);
    struct Step {
        int id;
        bool useKey;
        UINT check3, check4, check5;
    } steps[] = {
        {3, false, BST_CHECKED, 0, 0},
        {5, false, BST_CHECKED, 0, BST_CHECKED},
        {4, false, BST_CHECKED, BST_CHECKED, 0},
        {3, true, 0, BST_CHECKED, 0},  // space on the focused check box
        {6, false, 0, BST_CHECKED, 0},  // a disabled button takes no click
    };
    for (const Step& s : steps) {
        if (s.useKey) {
            SetFocus(GetDlgItem(dialog, s.id));
            Key(VK_SPACE);
        } else {
            Click(s.id, 4, 6);
        }
        EXPECT_EQ(IsDlgButtonChecked(dialog, 3), s.check3) << s.id;
        EXPECT_EQ(IsDlgButtonChecked(dialog, 4), s.check4) << s.id;
        EXPECT_EQ(IsDlgButtonChecked(dialog, 5), s.check5) << s.id;
    }
    // Drawn: the set radio has its dot, the other none; the clear check box no tick.
    EXPECT_GE(Pixels(4, 0, RECT{4, 6, 8, 10}), 8);
    EXPECT_EQ(Pixels(5, 0, RECT{4, 6, 8, 10}), 0);
    EXPECT_EQ(Pixels(3, 0, RECT{3, 3, 11, 13}), 0);
    Click(3, 4, 6);
    EXPECT_GT(Pixels(3, 0, RECT{3, 3, 11, 13}), 6);
    for (const auto& c : g_commands) EXPECT_NE(c.first, 6);
    DestroyWindow(dialog);
}

TEST_F(Controls, ListsChooseScrollAndNotifyByMouseAndKeys) {
    ASSERT_NE(Open(), nullptr);
    for (int i = 0; i < 20; ++i) {
        const std::string row = "Row " + std::to_string(i);
        Send(8, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        Send(11, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    Pump();
    struct Step {
        std::function<void()> act;
        int selection;
        int notifications;  // LBN_SELCHANGE heard so far
    };
    const int row = 13;  // the list's row height
    std::vector<Step> steps = {
        {[&] { Click(8, 20, 2 + 2 * row + 4); }, 2, 1},
        {[&] { Key(VK_DOWN); }, 3, 2},
        {[&] { Key(VK_END); }, 19, 3},
        {[&] { Key(VK_HOME); }, 0, 4},
        {[&] { Key(VK_NEXT); }, 4, 5},  // a page of the five rows shown, less one
        {[&] { Click(8, 20, 2 + 4); }, 0, 6},
    };
    auto changes = [] {
        int n = 0;
        for (const auto& c : g_commands) n += (c.first == 8 && c.second == LBN_SELCHANGE) ? 1 : 0;
        return n;
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        EXPECT_EQ(Send(8, LB_GETCURSEL), steps[i].selection) << i;
        EXPECT_EQ(changes(), steps[i].notifications) << i;
    }
    // The chosen row is drawn on the selection colour; after End the last row is in view.
    Key(VK_END);
    EXPECT_GT(Pixels(8, 4), 200);
    RECT client;
    GetClientRect(GetDlgItem(dialog, 8), &client);
    // The scroll bar's upper arrow scrolls back a row at a time.
    Click(8, client.right - 8, 6);
    Click(8, client.right - 8, 6);
    Click(8, 20, 2 + 4);  // the first row shown is now row 13
    EXPECT_EQ(Send(8, LB_GETCURSEL), 13);

    // A double click notifies.
    Click(8, 20, 2 + row + 4, true);
    bool doubled = false;
    for (const auto& c : g_commands) doubled = doubled || (c.first == 8 && c.second == LBN_DBLCLK);
    EXPECT_TRUE(doubled);

    // Many choices: clicks and Space toggle rows.
    Click(11, 10, 2 + 4);
    Click(11, 10, 2 + 2 * row + 4);
    Key(VK_DOWN);
    Key(VK_SPACE);
    EXPECT_EQ(Send(11, LB_GETSELCOUNT), 3);
    Click(11, 10, 2 + 4);
    EXPECT_EQ(Send(11, LB_GETSELCOUNT), 2);
    EXPECT_EQ(Send(11, LB_GETSEL, 3), 1);
    DestroyWindow(dialog);
}

TEST_F(Controls, EditsTypeSelectAndUseTheClipboard) {
    ASSERT_NE(Open(), nullptr);
    Click(9, 150, 6);  // past the text: the caret at the end
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 9));
    struct Step {
        std::function<void()> act;
        const char* text;
        DWORD selFrom, selTo;
    };
    std::vector<Step> steps = {
        {[&] { Key(VK_BACK); Key(VK_BACK); }, "Cpt. Arv", 8, 8},
        {[&] { Key('E'); Key('N', VK_SHIFT); }, "Cpt. ArveN", 10, 10},
        {[&] { Key(VK_LEFT, VK_SHIFT); Key(VK_LEFT, VK_SHIFT); }, "Cpt. ArveN", 8, 10},
        {[&] { Key('C', VK_CONTROL); }, "Cpt. ArveN", 8, 10},
        {[&] { Key(VK_HOME); Key('V', VK_CONTROL); }, "eNCpt. ArveN", 2, 2},
        {[&] { Key(VK_DELETE); Key(VK_SPACE); }, "eN pt. ArveN", 3, 3},
        {[&] { Key('X', VK_CONTROL); }, "eN pt. ArveN", 3, 3},  // nothing chosen: nothing cut
        {[&] { Key('A', VK_CONTROL); Key('X', VK_CONTROL); }, "", 0, 0},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        EXPECT_EQ(Text(9), steps[i].text) << i;
        DWORD from = 99, to = 99;
        Send(9, 0x00B0, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, steps[i].selFrom) << i;
        EXPECT_EQ(to, steps[i].selTo) << i;
    }
    EXPECT_EQ(platform::ClipboardText(), "eN pt. ArveN");
    // A character that arrives as WM_CHAR too is typed once.
    Key('Q');
    SendMessageA(GetDlgItem(dialog, 9), WM_CHAR, 'q', 0);
    EXPECT_EQ(Text(9), "q");
    SendMessageA(GetDlgItem(dialog, 9), WM_CHAR, 'r', 0);
    EXPECT_EQ(Text(9), "qr");
    Pump();
    EXPECT_GT(Pixels(9, 0), 10);  // the text and the caret
    DestroyWindow(dialog);
}

struct BoxCase {
    UINT type;
    std::function<void(HWND box)> act;
    int answer;
};

TEST_F(Controls, MessageBoxesAreDrawnAndAnsweredByScriptHeadless) {
    HWND screenshotBox = nullptr;
    int white = 0;
    bool yes = false, no = false;
    platform::SetMessageBoxShownHook([&](HWND box) {
        screenshotBox = box;
        EXPECT_TRUE(IsWindowVisible(box));
        char label[32] = {};
        GetWindowTextA(GetDlgItem(box, IDYES), label, sizeof label);
        yes = std::string(label) == "&Yes";
        GetWindowTextA(GetDlgItem(box, IDNO), label, sizeof label);
        no = std::string(label) == "&No";
        RECT r;
        GetWindowRect(box, &r);
        const platform::ScreenImage img = platform::ComposeScreen(r);
        for (std::uint32_t p : img.pixels) white += p == 0xFFFFFF ? 1 : 0;
        const SIZE s = platform::GetScreenSize();
        EXPECT_LE(std::abs((r.left + r.right) / 2 - s.cx / 2), 1);
        platform::SaveScreenPNG("message_box.png");
    });
    const unsigned windows = platform::WindowCount();
    platform::QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(MessageBox(nullptr, "The enemy holds the ridge. Withdraw the brigade to the crossroads?", "Varnhold",
                         MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_NE(screenshotBox, nullptr);
    EXPECT_TRUE(yes);
    EXPECT_TRUE(no);
    EXPECT_GT(white, 100);  // the caption's title, the buttons' light edges, the icon's mark
    EXPECT_EQ(platform::WindowCount(), windows);
}

TEST_F(Controls, MessageBoxesTakeKeysAndClicksOnALiveDisplay) {
    platform::SetBackend(std::make_unique<LiveBackend>());
    auto click = [](HWND box, int id) {
        RECT r;
        GetWindowRect(GetDlgItem(box, id), &r);
        platform::InjectMouseButton(platform::MouseButton::Left, true, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        platform::InjectMouseButton(platform::MouseButton::Left, false, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    auto key = [](int k) {
        return [k](HWND) {
            platform::InjectKey(k, true);
            platform::InjectKey(k, false);
        };
    };
    const BoxCase cases[] = {
        {MB_YESNO, key('N'), IDNO},
        {MB_OKCANCEL, key(VK_ESCAPE), IDCANCEL},
        {MB_OK, key(VK_ESCAPE), IDOK},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, key(VK_RETURN), IDNO},
        {MB_OKCANCEL, [&](HWND b) { key(VK_TAB)(b); key(VK_RETURN)(b); }, IDCANCEL},
        {MB_RETRYCANCEL | MB_ICONHAND, [&](HWND b) { click(b, IDRETRY); }, IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION, [&](HWND b) { key(VK_ESCAPE)(b); key('I')(b); }, IDIGNORE},
    };
    for (const BoxCase& c : cases) {
        platform::SetMessageBoxShownHook(c.act);
        EXPECT_EQ(MessageBox(nullptr, "Text", "Caption", c.type), c.answer) << c.type;
    }
}

// A window that holds the mouse when a box comes up (a toolbar tracking its tool tip, a button
// being pressed) must not take the clicks meant for the box: the box is answered by its OK, not
// left waiting (the Escape after the click answers Cancel where the click went astray).
TEST_F(Controls, AMessageBoxTakesItsClicksWhileAnotherWindowHoldsTheMouse) {
    platform::SetBackend(std::make_unique<LiveBackend>());
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "CaptureTestWindow";
    RegisterClassA(&wc);
    HWND frame = CreateWindowExA(0, "CaptureTestWindow", "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
    HWND strip = CreateWindowExA(0, "CaptureTestWindow", "Strip", WS_CHILD | WS_VISIBLE, 0, 0, 400, 60, frame, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(strip, nullptr);
    for (HWND owner : {static_cast<HWND>(nullptr), frame}) {
        SetCapture(strip);
        platform::SetMessageBoxShownHook([](HWND box) {
            RECT r;
            GetWindowRect(GetDlgItem(box, IDOK), &r);
            const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
            platform::InjectMouseMove(x, y);
            platform::InjectMouseButton(platform::MouseButton::Left, true, x, y);
            platform::InjectMouseButton(platform::MouseButton::Left, false, x, y);
            platform::InjectKey(VK_ESCAPE, true);
            platform::InjectKey(VK_ESCAPE, false);
        });
        EXPECT_EQ(MessageBox(owner, "The courier was lost.", "Communications Error", MB_OKCANCEL), IDOK)
            << (owner ? "owned by the frame" : "without an owner");
        EXPECT_EQ(GetCapture(), nullptr);
        Pump();  // the Escape a working click left unread must not answer the next box
    }
    DestroyWindow(frame);
}

} // namespace
