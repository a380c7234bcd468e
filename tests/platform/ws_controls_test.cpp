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
DIALOG Combos 0 0 160 110 0x90C80080|0x800
  CAPTION "Choose Players"
  CONTROL "OK" 1 Button 0x50010001 104 4 50 14
  CONTROL "Cancel" 2 Button 0x50010000 104 22 50 14
  CONTROL "" 21 ComboBox 0x50210003 8 8 80 60
  CONTROL "" 22 ComboBox 0x50210003 8 26 80 60
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
    HWND Open(const char* name = "Everything") {
        const void* t = LockResource(LoadResource(nullptr, FindResourceA(nullptr, name, RT_DIALOG)));
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

// The drop-down list of a combo box: opened by a click, F4 or Alt+Down, walked by the mouse and
// the arrows, taken by a click on a row or Return, left unchanged by Escape or a press elsewhere;
// each way with the notifications a dialog acts on, in order.
TEST_F(Controls, ComboListsDropChooseAndNotify) {
    ASSERT_NE(Open("Combos"), nullptr);
    const int combo = 21;
    HWND box = GetDlgItem(dialog, combo);
    for (int i = 0; i < 8; ++i) {
        const std::string name = "Player " + std::to_string(i);
        Send(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        Send(22, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    Send(combo, CB_SETCURSEL, 0);
    Pump();
    // The box is one line high however tall its template makes it: the next box, 18 units lower,
    // is not covered by it.
    RECT r, next;
    GetWindowRect(box, &r);
    GetWindowRect(GetDlgItem(dialog, 22), &next);
    EXPECT_LE(r.bottom, next.top);
    EXPECT_GE(r.bottom - r.top, 16);

    auto clickRow = [&](const std::string& text) {
        POINT p{0, 0};
        ASSERT_TRUE(platform::ListItemScreenPoint(box, text, p)) << text;
        platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
        platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
        Pump();
    };
    auto clickOk = [&] { Click(1, 10, 6); };
    struct Step {
        const char* what;
        std::function<void()> act;
        bool dropped;
        int selection;
        std::vector<int> notes;  // the notifications of the combo box this step, in order
    };
    std::vector<Step> steps = {
        {"click on the box", [&] { Click(combo, 10, 6); }, true, 0, {CBN_DROPDOWN}},
        {"click on a row", [&] { clickRow("Player 2"); }, false, 2, {CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}},
        {"F4", [&] { Key(VK_F1 + 3); }, true, 2, {CBN_DROPDOWN}},
        {"arrows move the highlight only", [&] { Key(VK_DOWN); Key(VK_DOWN); }, true, 2, {}},
        {"Return takes it", [&] { Key(VK_RETURN); }, false, 4, {CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}},
        {"Alt+Down", [&] { Key(VK_DOWN, VK_MENU); }, true, 4, {CBN_DROPDOWN}},
        {"Escape leaves it", [&] { Key(VK_UP); Key(VK_ESCAPE); }, false, 4, {CBN_CLOSEUP}},
        {"click again", [&] { Click(combo, 10, 6); }, true, 4, {CBN_DROPDOWN}},
        {"the same row taken", [&] { clickRow("Player 4"); }, false, 4, {CBN_SELENDOK, CBN_CLOSEUP}},
        {"drop and press on the box", [&] { Click(combo, 10, 6); Click(combo, 10, 6); }, false, 4, {CBN_DROPDOWN, CBN_CLOSEUP}},
        {"drop and press outside", [&] { Click(combo, 10, 6); clickOk(); }, false, 4, {CBN_DROPDOWN, CBN_CLOSEUP}},
        {"closed, Down steps", [&] { Key(VK_DOWN); }, false, 5, {CBN_SELCHANGE}},
        {"dropped by the program", [&] { Send(combo, CB_SHOWDROPDOWN, TRUE); }, true, 5, {CBN_DROPDOWN}},
        {"closed by the program", [&] { Send(combo, CB_SHOWDROPDOWN, FALSE); }, false, 5, {CBN_CLOSEUP}},
    };
    std::size_t seen = 0;
    for (const Step& s : steps) {
        s.act();
        std::vector<int> notes;
        for (; seen < g_commands.size(); ++seen)
            if (g_commands[seen].first == combo) notes.push_back(g_commands[seen].second);
        EXPECT_EQ(Send(combo, CB_GETDROPPEDSTATE) != 0, s.dropped) << s.what;
        EXPECT_EQ(Send(combo, CB_GETCURSEL), s.selection) << s.what;
        EXPECT_EQ(notes, s.notes) << s.what;
        char text[32] = {};
        GetWindowTextA(box, text, sizeof text);
        EXPECT_EQ(text, "Player " + std::to_string(s.selection)) << s.what;
    }
    // Neither Return nor Escape in the list reached the dialog, nor did the press that closed it.
    for (const auto& c : g_commands) EXPECT_TRUE(c.first != IDOK && c.first != IDCANCEL) << c.first;
    // Closed, Return is the dialog's again.
    SetFocus(box);
    Key(VK_RETURN);
    EXPECT_EQ(g_commands.back().first, IDOK);
    DestroyWindow(dialog);
}

// The dropped list is drawn on the screen over what lies below the box, with the highlighted row
// in the selection colour, scrolls to keep that row in view, and takes the mouse's highlight.
TEST_F(Controls, ADroppedListIsDrawnOverTheDialogAndScrolls) {
    ASSERT_NE(Open("Combos"), nullptr);
    HWND box = GetDlgItem(dialog, 21);
    for (int i = 0; i < 8; ++i) {
        const std::string name = "Player " + std::to_string(i);
        Send(21, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    Send(21, CB_SETCURSEL, 1);
    Click(21, 10, 6);
    ASSERT_TRUE(Send(21, CB_GETDROPPEDSTATE));
    POINT first{0, 0}, second{0, 0};
    ASSERT_TRUE(platform::ListItemScreenPoint(box, "Player 0", first));
    ASSERT_TRUE(platform::ListItemScreenPoint(box, "Player 1", second));
    RECT r, below;
    GetWindowRect(box, &r);
    GetWindowRect(GetDlgItem(dialog, 22), &below);
    EXPECT_GT(first.y, r.bottom);
    EXPECT_EQ(second.y - first.y, 13);
    // The list covers the box below: the screen shows the highlighted row there, not that box.
    EXPECT_GT(second.y, below.top);
    auto navyAt = [](POINT p) {
        const platform::ScreenImage row = platform::ComposeScreen(RECT{p.x - 20, p.y, p.x + 20, p.y + 1});
        int n = 0;
        for (std::uint32_t px : row.pixels) n += px == 0x000080u ? 1 : 0;
        return n;
    };
    EXPECT_GT(navyAt(second), 20);
    EXPECT_EQ(navyAt(first), 0);
    // Text is drawn in the rows: dark ink on the white rows.
    const platform::ScreenImage rowImage = platform::ComposeScreen(RECT{r.left, first.y - 5, r.right, first.y + 5});
    int ink = 0;
    for (std::uint32_t px : rowImage.pixels) ink += px == 0 ? 1 : 0;
    EXPECT_GT(ink, 10);
    // The mouse moves the highlight.
    platform::InjectMouseMove(first.x, first.y);
    Pump();
    EXPECT_GT(navyAt(first), 20);
    EXPECT_EQ(navyAt(second), 0);
    // End brings the last row into view and the first out of it.
    Key(VK_END);
    POINT last{0, 0};
    EXPECT_TRUE(platform::ListItemScreenPoint(box, "Player 7", last));
    EXPECT_FALSE(platform::ListItemScreenPoint(box, "Player 0", first));
    platform::SaveScreenPNG("combo_dropped.png");
    Key(VK_RETURN);
    EXPECT_EQ(Send(21, CB_GETCURSEL), 7);
    // Closed, the list is gone from the screen.
    EXPECT_FALSE(platform::ListItemScreenPoint(box, "Player 7", last));
    EXPECT_EQ(navyAt(last), 0);
    DestroyWindow(dialog);
}

// A box that shows another's choice: dropped and then disabled, it keeps its list open and
// follows the selection set on it, while the rest of the dialog still takes the mouse.
TEST_F(Controls, ADisabledComboKeepsAListDroppedForItAndTakesNoMouse) {
    ASSERT_NE(Open("Combos"), nullptr);
    HWND box = GetDlgItem(dialog, 22);
    for (const char* name : {"h", "j"}) Send(22, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    Send(22, CB_SETCURSEL, 0);
    Send(22, CB_SHOWDROPDOWN, TRUE);
    EnableWindow(box, FALSE);
    Pump();
    EXPECT_TRUE(Send(22, CB_GETDROPPEDSTATE));
    EXPECT_NE(GetCapture(), box);
    Send(22, CB_SETCURSEL, 1);
    Pump();
    POINT p{0, 0};
    ASSERT_TRUE(platform::ListItemScreenPoint(box, "j", p));
    const platform::ScreenImage row = platform::ComposeScreen(RECT{p.x - 10, p.y, p.x + 10, p.y + 1});
    int navy = 0;
    for (std::uint32_t px : row.pixels) navy += px == 0x000080u ? 1 : 0;
    EXPECT_GT(navy, 10);
    Click(1, 10, 6);
    ASSERT_FALSE(g_commands.empty());
    EXPECT_EQ(g_commands.back().first, IDOK);
    EnableWindow(box, TRUE);
    Send(22, CB_SHOWDROPDOWN, FALSE);
    EnableWindow(box, FALSE);
    EXPECT_FALSE(Send(22, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(22, CB_GETCURSEL), 1);
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

// A display hands over a whole typed word at once, before the first of its key messages is read:
// each letter still takes the Shift state it was typed with, not the state after the word.
TEST_F(Controls, EachLetterOfAWordTakenInAtOnceKeepsItsOwnShift) {
    ASSERT_NE(Open(), nullptr);
    Click(9, 150, 6);
    ASSERT_EQ(GetFocus(), GetDlgItem(dialog, 9));
    // A letter and whether Shift is pressed before it and released after it.
    struct Letter {
        int key;
        bool pressShift, releaseShift;
    };
    const struct {
        std::vector<Letter> letters;
        const char* text;
    } cases[] = {
        {{{'M', true, true}, {'I', false, false}, {'D', false, false}}, "Mid"},
        {{{'M', true, true}, {'I', true, true}, {'D', true, true}}, "MID"},
        {{{'M', false, false}, {'I', false, false}, {'D', false, false}}, "mid"},
        {{{'M', true, false}, {'I', false, true}, {'D', false, false}}, "MId"},
    };
    for (const auto& c : cases) {
        SetWindowTextA(GetDlgItem(dialog, 9), "");
        Pump();
        for (const Letter& l : c.letters) {
            if (l.pressShift) platform::InjectKey(VK_SHIFT, true);
            platform::InjectKey(l.key, true);
            platform::InjectKey(l.key, false);
            if (l.releaseShift) platform::InjectKey(VK_SHIFT, false);
        }
        EXPECT_EQ(GetKeyState(VK_SHIFT), 0) << c.text;  // nothing read yet: Shift was up before the word
        Pump();
        EXPECT_EQ(Text(9), c.text);
        EXPECT_EQ(GetKeyState(VK_SHIFT), GetAsyncKeyState(VK_SHIFT)) << c.text;
    }
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
