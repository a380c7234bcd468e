// Dialog templates and the dialog manager: the resource text compiled to the template layout
// and refused when it does not hold together, dialogs made from templates with their standard
// controls, the modal loop driven by scripts, and its endings (EndDialog, quit, no input).
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/dialog.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

extern const char vhDialogTemplatesText[];

namespace {

const char* const kTemplates = R"(
DIALOG Keys 0 0 120 90 0x90C80000
  CAPTION "Keys"
  CONTROL "" 9 Edit 0x50810080 4 4 50 10
  CONTROL "R1" 4 Button 0x50030009 4 20 30 8
  CONTROL "R2" 5 Button 0x50000009 4 30 30 8
  CONTROL "R3" 10 Button 0x58000009 4 40 30 8
  CONTROL "R4" 11 Button 0x50000009 4 50 30 8
  CONTROL "Check" 3 Button 0x50030003 60 20 30 8
  CONTROL "Go" 12 Button 0x50010001 60 70 25 12
  CONTROL "Off" 6 Button 0x58010000 90 70 25 12
  CONTROL "Cancel" 2 Button 0x50010000 90 55 25 12
END
DIALOG Controls 0 0 100 80 0x90C80000
  CAPTION "Controls"
  CONTROL "Push" 7 Button 0x50010000 4 4 30 12
  CONTROL "Check" 3 0x80 0x50010003 4 20 30 8
  CONTROL "R1" 4 Button 0x50020009 4 30 30 8
  CONTROL "R2" 5 Button 0x50000009 4 40 30 8
  CONTROL "Off" 6 Button 0x58010000 40 4 30 12
  CONTROL "" 8 ListBox 0x50800001 40 20 50 40
  CONTROL "" 9 Edit 0x50810080 40 64 50 10
END
)";

struct Record {
    LPARAM initParam = 0;
    std::vector<std::pair<int, int>> commands;  // id, notification
    UINT checkAtEnd = 0, r1AtEnd = 0, r2AtEnd = 0;
    HWND focusAtInit = nullptr;
};
Record g_rec;

INT_PTR RecordingDlgProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: g_rec.initParam = lParam; return TRUE;
    case WM_COMMAND:
        g_rec.commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (LOWORD(wParam) == 7) {
            g_rec.checkAtEnd = IsDlgButtonChecked(d, 3);
            g_rec.r1AtEnd = IsDlgButtonChecked(d, 4);
            g_rec.r2AtEnd = IsDlgButtonChecked(d, 5);
            EndDialog(d, 42);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

class DialogManager : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::ResetInput();
        platform::UseVirtualClock(0);
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        std::string error;
        ASSERT_TRUE(platform::AddDialogResources(kTemplates, &error)) << error;
        g_rec = Record{};
    }
    void TearDown() override {
        platform::ClearDialogScripts();
        platform::ResetDialogResources();
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
    }
    static const void* Template(const char* name) {
        return LockResource(LoadResource(nullptr, FindResourceA(nullptr, name, RT_DIALOG)));
    }
};

TEST(DialogTemplates, ResourceTextIsRefusedWithTheLineAtFault) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        const char* line;
    } cases[] = {
        {"DIALOG A 0 0 10 10 0\nCAPTION \"open\nEND\n", "line 2"},
        {"DIALOG A 0 0 10 x 0\nEND\n", "line 1"},
        {"CONTROL \"t\" 1 Button 0 0 0 1 1\n", "line 1"},
        {"DIALOG A 0 0 10 10 0\nCONTROL \"t\" 1 Button 0 0 0 1 1\n", "no END"},
        {"DIALOG A 0 0 10 -10 0\nEND\n", "line 1"},
        {"DIALOG A 0 0 10 10 0\nBUTTON \"t\"\nEND\n", "line 2"},
        {"DIALOG A 0 0 40000 10 0\nEND\n", "line 1"},
        {"DIALOG A 0 0 10 10 0\nCONTROL \"t\" 70000 Button 0 0 0 1 1\nEND\n", "line 2"},
        {"DIALOG A 0 0 10 10 0\nCONTROL t 1 Button 0 0 0 1 1\nEND\n", "line 2"},
        {"DIALOG A 0 0 10 10 0\nDIALOG B 0 0 10 10 0\nEND\n", "line 2"},
        // A NUL would end the text early in the template and leave the fields behind it askew.
        {"DIALOG A 0 0 10 10 0\nCONTROL \"N\0ame\" 1 Button 0 0 0 1 1\nEND\n"s, "line 2"},
        {"DIALOG A 0 0 10 10 0\nCONTROL \"t\" 1 Bu\0tton 0 0 0 1 1\nEND\n"s, "line 2"},
        {"DIALOG A 0 0 10 10 0\nCAPTION \"\0\"\nEND\n"s, "line 2"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(platform::AddDialogResources(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.line), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(FindResourceA(nullptr, "A", RT_DIALOG), nullptr) << c.text;  // nothing of it added
    }
    std::string many = "DIALOG Many 0 0 10 10 0\n";
    for (int i = 0; i < 256; ++i) many += "CONTROL \"\" 1 Button 0 0 0 1 1\n";
    many += "END\n";
    std::string error;
    EXPECT_FALSE(platform::AddDialogResources(many, &error));
    EXPECT_NE(error.find("255"), std::string::npos);
    // The program's own resource text holds together.
    EXPECT_TRUE(platform::AddDialogResources(vhDialogTemplatesText, &error)) << error;
}

TEST(DialogTemplates, TextCompilesToTheTemplateLayoutFieldByField) {
    std::string error;
    const std::string t = platform::CompileDialogTemplate(
        "DIALOG One -2 3 40 30 0x10000000|0x80\n CLASS \"QuorrenDialog\"\n CAPTION \"Hi\"\n FONT 8 \"S\"\n"
        " CONTROL \"Go\" 65535 0x82 0x50000000 1 2 3 4 0x4\nEND\n",
        &error);
    ASSERT_FALSE(t.empty()) << error;
    auto u8 = [&](std::size_t i) { return static_cast<std::uint8_t>(t[i]); };
    auto u16 = [&](std::size_t i) { return static_cast<std::uint16_t>(u8(i) | (u8(i + 1) << 8)); };
    EXPECT_EQ(u16(0), 0x00C0);  // 0x80 | DS_SETFONT
    EXPECT_EQ(u16(2), 0x1000);
    EXPECT_EQ(u16(8), 1);      // one item
    EXPECT_EQ(u16(10), 0xFFFE);  // x = -2
    EXPECT_EQ(u16(12), 3);
    EXPECT_EQ(u16(18), 0);  // no menu
    std::size_t at = 20;
    for (char c : std::string("QuorrenDialog")) {
        EXPECT_EQ(u16(at), static_cast<std::uint16_t>(c));
        at += 2;
    }
    EXPECT_EQ(u16(at), 0);
    at += 2 + 3 * 2;  // "Hi" and its end
    EXPECT_EQ(u16(at), 8);  // point size
    at += 2 + 2 * 2;        // "S" and its end
    at = (at + 3) & ~std::size_t{3};
    EXPECT_EQ(u16(at + 4), 0x4);      // extended style
    EXPECT_EQ(u16(at + 8), 1);        // x
    EXPECT_EQ(u16(at + 14), 4);       // height
    EXPECT_EQ(u16(at + 16), 0xFFFF);  // id
    EXPECT_EQ(u16(at + 18), 0xFFFF);  // class atom follows
    EXPECT_EQ(u16(at + 20), 0x82);
    EXPECT_EQ(u16(at + 22), 'G');
    EXPECT_EQ(t.size(), at + 22 + 6 + 2);
}

TEST_F(DialogManager, ResourcesAreFoundByNameWhateverTheCase) {
    EXPECT_NE(FindResourceA(nullptr, "controls", RT_DIALOG), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "CONTROLS", RT_DIALOG), FindResourceA(nullptr, "Controls", RT_DIALOG));
    EXPECT_EQ(FindResourceA(nullptr, "Nowhere", RT_DIALOG), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "Controls", MAKEINTRESOURCE(6)), nullptr);
    EXPECT_GT(SizeofResource(nullptr, FindResourceA(nullptr, "Controls", RT_DIALOG)), 18u);
}

TEST_F(DialogManager, ModalLoopRunsTheScriptAndEndsWithEndDialogsResult) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "Owner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, "Owner", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    const unsigned windows = platform::WindowCount();
    BOOL ownerEnabled = -1;
    platform::QueueDialogScript([&](HWND d) {
        ownerEnabled = IsWindowEnabled(owner);
        g_rec.focusAtInit = GetFocus();
        platform::ClickDlgItem(d, 3);  // auto check box
        platform::ClickDlgItem(d, 5);  // second radio of the group
        platform::ClickDlgItem(d, 6);  // disabled: nothing
        platform::ClickDlgItem(d, 7);
    });
    const INT_PTR r = DialogBoxIndirectParamA(nullptr, Template("Controls"), owner, &RecordingDlgProc, 1234);
    EXPECT_EQ(r, 42);
    EXPECT_EQ(g_rec.initParam, 1234);
    EXPECT_EQ(ownerEnabled, FALSE);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_NE(g_rec.focusAtInit, nullptr);  // the first tab stop
    EXPECT_EQ(g_rec.checkAtEnd, BST_CHECKED);
    EXPECT_EQ(g_rec.r1AtEnd, BST_UNCHECKED);
    EXPECT_EQ(g_rec.r2AtEnd, BST_CHECKED);
    const std::vector<std::pair<int, int>> expected{{3, BN_CLICKED}, {5, BN_CLICKED}, {7, BN_CLICKED}};
    EXPECT_EQ(g_rec.commands, expected);
    EXPECT_EQ(platform::WindowCount(), windows);
}

TEST_F(DialogManager, ListsEditsAndKeysNotifyTheirDialog) {
    HWND d = CreateDialogIndirectParamA(nullptr, Template("Controls"), nullptr, &RecordingDlgProc, 0);
    ASSERT_NE(d, nullptr);
    SendDlgItemMessageA(d, 8, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
    SendDlgItemMessageA(d, 8, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
    // Rows are 13 pixels high: a click at y 20 selects the second.
    PostMessage(GetDlgItem(d, 8), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 20));
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    EXPECT_EQ(SendDlgItemMessageA(d, 8, LB_GETCURSEL, 0, 0), 1);
    SendMessageA(GetDlgItem(d, 9), WM_CHAR, 'A', 0);
    SendMessageA(GetDlgItem(d, 9), WM_CHAR, 'b', 0);
    SendMessageA(GetDlgItem(d, 9), WM_CHAR, VK_BACK, 0);
    char text[16] = {};
    EXPECT_EQ(GetDlgItemTextA(d, 9, text, sizeof text), 1u);
    EXPECT_STREQ(text, "A");
    // Space on the focused push button clicks it.
    SetFocus(GetDlgItem(d, 7));
    platform::PressKey(VK_SPACE);
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(d, &m)) DispatchMessage(&m);
    // A text the program sets notifies like a typed one: dialogs enable their OK from it.
    SetDlgItemTextA(d, 9, "set");
    const std::vector<std::pair<int, int>> expected{{8, LBN_SELCHANGE}, {9, EN_CHANGE}, {9, EN_CHANGE}, {9, EN_CHANGE},
                                                    {7, BN_CLICKED},     {9, EN_CHANGE}};
    EXPECT_EQ(g_rec.commands, expected);
    EXPECT_EQ(SendDlgItemMessageA(d, 8, LB_GETTEXTLEN, 5, 0), LB_ERR);
    DestroyWindow(d);
}

TEST_F(DialogManager, ModalLoopEndsOnQuitAndWhenNoInputComes) {
    struct Case {
        const char* what;
        platform::DialogScript script;
        bool quitLeft;
        unsigned abandoned;
    } cases[] = {
        {"quit", [](HWND) { PostQuitMessage(3); }, true, 0},
        {"nothing", [](HWND) {}, false, 1},
    };
    for (const Case& c : cases) {
        platform::ResetAbandonedDialogs();
        platform::QueueDialogScript(c.script);
        EXPECT_EQ(DialogBoxIndirectParamA(nullptr, Template("Controls"), nullptr, &RecordingDlgProc, 0), IDCANCEL)
            << c.what;
        EXPECT_EQ(platform::AbandonedDialogCount(), c.abandoned) << c.what;
        MSG m;
        EXPECT_EQ(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, c.quitLeft) << c.what;
        EXPECT_EQ(platform::WindowCount(), 0u) << c.what;
    }
}

TEST_F(DialogManager, TemplateNamingAnUnknownClassMakesNoDialog) {
    std::string error;
    ASSERT_TRUE(platform::AddDialogResources(
        "DIALOG Odd 0 0 40 40 0x90C80000\n CONTROL \"x\" 1 NoSuchClass 0x50000000 1 1 10 10\nEND\n"
        "DIALOG OddClass 0 0 40 40 0x90C80000\n CLASS \"NoSuchDialogClass\"\nEND\n",
        &error))
        << error;
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, Template("Odd"), nullptr, &RecordingDlgProc, 0), -1);
    EXPECT_EQ(CreateDialogIndirectParamA(nullptr, Template("OddClass"), nullptr, &RecordingDlgProc, 0), nullptr);
    EXPECT_EQ(platform::WindowCount(), 0u);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, nullptr, nullptr, &RecordingDlgProc, 0), -1);
}

TEST_F(DialogManager, TabArrowsReturnAndEscapeMoveThroughTheControls) {
    HWND d = CreateDialogIndirectParamA(nullptr, Template("Keys"), nullptr, &RecordingDlgProc, 0);
    ASSERT_NE(d, nullptr);
    // Each key is handled before the next, as a person types.
    auto pump = [&] {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessageA(d, &m)) DispatchMessage(&m);
    };
    auto key = [&](int vk, bool shift = false) {
        if (shift) platform::InjectKey(VK_SHIFT, true);
        platform::InjectKey(vk, true);
        pump();
        platform::InjectKey(vk, false);
        if (shift) platform::InjectKey(VK_SHIFT, false);
        pump();
    };
    SetFocus(GetDlgItem(d, 9));
    // Tab visits the tab stops in order, skipping the disabled one, and wraps; Shift+Tab goes back.
    std::vector<int> visited;
    for (int i = 0; i < 5; ++i) {
        key(VK_TAB);
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(visited, (std::vector<int>{4, 3, 12, 2, 9}));
    key(VK_TAB, true);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 2);
    // The arrows step through a group of buttons (not into the next group, past the disabled
    // one, wrapping), checking the radio button they reach.
    SetFocus(GetDlgItem(d, 4));
    key(VK_DOWN);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 5);
    EXPECT_EQ(IsDlgButtonChecked(d, 5), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(d, 4), BST_UNCHECKED);
    key(VK_DOWN);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 11);
    key(VK_RIGHT);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 4);
    key(VK_UP);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 11);
    EXPECT_EQ(IsDlgButtonChecked(d, 11), BST_CHECKED);
    // In an edit the arrows are the edit's own.
    SetFocus(GetDlgItem(d, 9));
    key(VK_DOWN);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 9);
    // Return presses the default button, or the focused push button; Escape is Cancel.
    g_rec.commands.clear();
    key(VK_RETURN);
    SetFocus(GetDlgItem(d, 2));
    key(VK_RETURN);
    key(VK_ESCAPE);
    EXPECT_EQ(g_rec.commands, (std::vector<std::pair<int, int>>{{12, 0}, {2, 0}, {2, 0}}));
    // A disabled default button is not pressed by Return.
    EnableWindow(GetDlgItem(d, 12), FALSE);
    SetFocus(GetDlgItem(d, 9));
    g_rec.commands.clear();
    key(VK_RETURN);
    EXPECT_TRUE(g_rec.commands.empty());
    DestroyWindow(d);
}

} // namespace
