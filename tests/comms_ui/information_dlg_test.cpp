// The information dialog (lines cut at 30 characters, one or two buttons, lines added while it
// runs) and the text-entry dialog (OK only for a non-empty field, Cancel gives the default).
#include "comms/ui/information_dlg.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;

std::vector<std::string> Cut(const std::string& text) {
    std::int16_t n = 0;
    DynArray<std::string> lines = InformationDlg::CutText(text, n);
    std::vector<std::string> out;
    for (std::int16_t i = 0; i < n; ++i) out.push_back(lines[i]);
    return out;
}

TEST(InformationText, CutsAtTheLastBlankWithinThirtyCharacters) {
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {""}},
        {"Short", {"Short"}},
        {std::string(30, 'x'), {std::string(30, 'x')}},
        // No blank: the whole text is one line and an empty remainder follows.
        {std::string(31, 'x'), {std::string(31, 'x'), ""}},
        // The blank stays at the front of the next piece.
        {"The server has asked that you leave this game", {"The server has asked that you", " leave this game"}},
        // A remainder that starts with its only blank is taken whole rather than cut for ever.
        {"abc " + std::string(40, 'y'), {"abc", " " + std::string(40, 'y'), ""}},
        {"one two three four five six seven eight nine ten eleven",
         {"one two three four five six", " seven eight nine ten eleven"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Cut(c.text), c.lines) << c.text;
}

TEST(InformationText, AddLineOnAClosedDialogOnlyStores) {
    InformationDlg dlg("first", 0);
    dlg.AddLine("second");
    dlg.AddLine("third");
    dlg.AddLine("fourth");
    EXPECT_EQ(dlg.GetLineCount(), 4);
    EXPECT_EQ(dlg.GetLine(0), "first");
    EXPECT_EQ(dlg.GetLine(3), "fourth");
    EXPECT_EQ(dlg.GetLine(4), "");
    EXPECT_EQ(dlg.GetLine(-1), "");
}

class InformationDialogs : public NetDialogTest {};

TEST_F(InformationDialogs, ButtonsDecideTheResultAndOptionZeroHidesTheSecond) {
    const struct {
        const char* what;
        const char* templ;
        std::int16_t option;
        int press;  // 0 = Escape
        std::int16_t result;
        bool secondVisible;
    } cases[] = {
        {"OK of two", "MessageBox", 1, IDOK, 1, true},
        {"Cancel of two", "MessageBox", 1, IDCANCEL, 0, true},
        {"OK alone", "MessageBox", 0, IDOK, 1, false},
        {"Escape with OK alone", "MessageBox", 0, 0, 0, false},
        {"Yes", "YesNoDlg", 1, IDOK, 1, true},
        {"No", "YesNoDlg", 1, IDCANCEL, 0, true},
    };
    for (const auto& c : cases) {
        InformationDlg dlg("Close", "Do you want to leave the battle now and go home?", c.option);
        bool secondVisible = false;
        std::string lines[3], title;
        platform::QueueDialogScript([&](HWND d) {
            secondVisible = Visible(d, IDCANCEL);
            for (int i = 0; i < 3; ++i) lines[i] = dlg.GetItemText(static_cast<std::int16_t>(101 + i));
            char buffer[64] = {};
            GetWindowTextA(d, buffer, sizeof buffer);
            title = buffer;
            if (c.press)
                platform::ClickDlgItem(d, c.press);
            else
                platform::PressKey(VK_ESCAPE);
        });
        EXPECT_EQ(dlg.Execute(c.templ, Dialog::kModal), c.result) << c.what;
        EXPECT_EQ(secondVisible, c.secondVisible) << c.what;
        EXPECT_EQ(title, "Close") << c.what;
        EXPECT_EQ(lines[0], "Do you want to leave the") << c.what;
        EXPECT_EQ(lines[1], " battle now and go home?") << c.what;
        EXPECT_EQ(lines[2], "") << c.what;
        EXPECT_EQ(dlg.GetCheckState(), 0) << c.what;
        EXPECT_EQ(platform::AbandonedDialogCount(), 0u) << c.what;
    }
}

TEST_F(InformationDialogs, LinesAddedWhileRunningShowUpToTheThird) {
    InformationDlg dlg("one", 0);
    std::string shown[3];
    platform::QueueDialogScript([&](HWND d) {
        dlg.AddLine("two");
        dlg.AddLine("three");
        dlg.AddLine("four");  // stored, never shown
        for (int i = 0; i < 3; ++i) shown[i] = dlg.GetItemText(static_cast<std::int16_t>(101 + i));
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("MessageBox", Dialog::kModal), 1);
    EXPECT_EQ(shown[0], "one");
    EXPECT_EQ(shown[1], "two");
    EXPECT_EQ(shown[2], "three");
    EXPECT_EQ(dlg.GetLineCount(), 4);
    EXPECT_EQ(dlg.GetLine(3), "four");
}

TEST_F(InformationDialogs, AnEmptyCaptionKeepsTheTemplates) {
    InformationDlg dlg("text", 1);
    std::string title;
    platform::QueueDialogScript([&](HWND d) {
        char buffer[64] = {};
        GetWindowTextA(d, buffer, sizeof buffer);
        title = buffer;
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("YesNoDlg", Dialog::kModal), 1);
    EXPECT_EQ(title, "Varnhold");
}

TEST_F(InformationDialogs, GetStringConfirmsOnlyAFilledField) {
    GetStringDialog dlg("Enter Your Name", "Your Name:", "");
    bool okAtFirst = true, okAfterTyping = false, okAfterErasing = true, stillRunning = false;
    std::string label, title;
    platform::QueueDialogScript([&](HWND d) {
        okAtFirst = Enabled(d, IDOK);
        label = dlg.GetItemText(-1);
        char buffer[64] = {};
        GetWindowTextA(d, buffer, sizeof buffer);
        title = buffer;
        Type(d, 101, "A");
        okAfterTyping = Enabled(d, IDOK);
        SendMessageA(GetDlgItem(d, 101), WM_CHAR, VK_BACK, 0);
        okAfterErasing = Enabled(d, IDOK);
        // Enter on the empty field is refused: the dialog stays.
        Command(d, IDOK);
        stillRunning = dlg.IsRunning() != 0;
        Type(d, 101, "Ada Marsh");
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("GetString", Dialog::kModal), 1);
    EXPECT_FALSE(okAtFirst);
    EXPECT_TRUE(okAfterTyping);
    EXPECT_FALSE(okAfterErasing);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(label, "Your Name:");
    EXPECT_EQ(title, "Enter Your Name");
    EXPECT_EQ(dlg.GetResult(), "Ada Marsh");
}

TEST_F(InformationDialogs, GetStringCancelGivesTheDefaultWhateverWasTyped) {
    GetStringDialog dlg("Game Name", "Name of the game:", "Ada's Game");
    std::string shown;
    platform::QueueDialogScript([&](HWND d) {
        shown = Text(d, 101);
        Type(d, 101, " changed");
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("GetString", Dialog::kApplicationModal), 0);
    EXPECT_EQ(shown, "Ada's Game");
    EXPECT_EQ(dlg.GetResult(), "Ada's Game");
}

} // namespace
