// The commentary window: markup turned into runs of format, text held back during a combat,
// its place kept in the registry, its close box only hiding it, and its saved-game block
// (the last twenty lines, byte-exact, damaged blocks refused).
#include "core/super_string.h"
#include "game/app/dialogs/commentary_dlg.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/richedit/info_dialog_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace infotest;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

class Commentary : public InfoDialogTest {
protected:
    void SetUp() override {
        InfoDialogTest::SetUp();
        dlg = std::make_unique<CommentaryDlg>();
        dlg->AttachToBus(app.get());
    }
    void TearDown() override {
        dlg.reset();
        InfoDialogTest::TearDown();
    }
    void Show() {
        Event("WindowShowCommentary");
        ASSERT_NE(dlg->GetRichEdit(), nullptr);
    }
    static DWORD ReadDword(HKEY key, const char* name) {
        BYTE b[4] = {};
        DWORD type = 0, size = 4;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &type, b, &size), ERROR_SUCCESS) << name;
        EXPECT_EQ(type, REG_DWORD);
        return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<DWORD>(b[3]) << 24);
    }
    static RECT Placement() {
        HKEY key = nullptr;
        RECT r{-1, -1, -1, -1};
        if (RegOpenKeyExA(HKEY_CURRENT_USER, CommentaryDlg::PlacementKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return r;
        r.left = static_cast<LONG>(ReadDword(key, "X"));
        r.top = static_cast<LONG>(ReadDword(key, "Y"));
        r.right = r.left + static_cast<LONG>(ReadDword(key, "W"));
        r.bottom = r.top + static_cast<LONG>(ReadDword(key, "H"));
        RegCloseKey(key);
        return r;
    }

    std::unique_ptr<CommentaryDlg> dlg;
};

struct Piece {
    std::string text;
    bool bold;
    COLORREF colour;
};
struct MarkupCase {
    std::string input;
    std::vector<Piece> shown;
};

TEST_F(Commentary, MarkupBecomesBoldAndColouredRunsEndingEachString) {
    const MarkupCase cases[] = {
        {"The \\Bbrave\\b regiment", {{"The ", false, kBlack}, {"brave", true, kBlack}, {" regiment  \r\n", false, kBlack}}},
        {"\\N1grey\\n black", {{"grey", false, kGrey}, {" black  \r\n", false, kBlack}}},
        {"\\N0blue\\N7other", {{"blue", false, kBlue}, {"other  \r\n", false, kBlack}}},
        {"a\\xb\\\\c", {{"abc  \r\n", false, kBlack}}},
        {"ends\\", {{"ends  \r\n", false, kBlack}}},
        {"ends\\N", {{"ends  \r\n", false, kBlack}}},
        {"\\B\\N1both", {{"both  \r\n", true, kGrey}}},
    };
    Show();
    for (const MarkupCase& c : cases) {
        SetWindowTextA(dlg->GetRichEdit(), "");
        Say("AddCommentary", c.input);
        const auto runs = platform::RichEditRuns(dlg->GetRichEdit());
        ASSERT_EQ(runs.size(), c.shown.size()) << c.input;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].text, c.shown[i].text) << c.input;
            EXPECT_EQ(runs[i].format.bold, c.shown[i].bold) << c.input << " run " << i;
            EXPECT_FALSE(runs[i].format.autoColour);
            EXPECT_EQ(runs[i].format.colour, c.shown[i].colour) << c.input << " run " << i;
            EXPECT_EQ(runs[i].format.face, "Arial");
            EXPECT_EQ(runs[i].format.height, 175);
        }
    }
    // Each string starts black and plain again, and the control stays read-only.
    SetWindowTextA(dlg->GetRichEdit(), "");
    Say("AddCommentary", "\\Bopen");
    Say("AddCommentaryLocal", "next");
    const auto runs = platform::RichEditRuns(dlg->GetRichEdit());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].text, "next  \r\n");
    EXPECT_FALSE(runs[1].format.bold);
    EXPECT_TRUE(GetWindowLongPtrA(dlg->GetRichEdit(), GWL_STYLE) & ES_READONLY);
}

TEST_F(Commentary, APayloadOfAnotherKindIsReportedAndShowsNothing) {
    Show();
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(5);
    delete sender.SendNamed("AddCommentary", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("CMTRYDLG"), std::string::npos)
        << platform::ShownMessageBox(0).caption;
    EXPECT_EQ(TextOf(dlg->GetRichEdit()), "");
}

TEST_F(Commentary, TextDuringACombatWaitsAndThenComesInOrder) {
    Show();
    const std::pair<const char*, const char*> stopStart[] = {{"StartCombat", "CombatDone"}, {"StopText", "StartText"}};
    for (const auto& [stop, start] : stopStart) {
        SetWindowTextA(dlg->GetRichEdit(), "");
        Event(stop);
        Say("AddCommentary", "first");
        Say("AddCommentary", "second");
        EXPECT_EQ(TextOf(dlg->GetRichEdit()), "") << stop;
        EXPECT_EQ(dlg->GetQueuedCount(), 2);
        Event(start);
        EXPECT_EQ(TextOf(dlg->GetRichEdit()), "first  \r\nsecond  \r\n") << start;
        EXPECT_EQ(dlg->GetQueuedCount(), 0);
        EXPECT_EQ(dlg->IsTextEnabled(), 1);
    }
}

TEST_F(Commentary, TextSaidBeforeTheWindowFirstOpensIsShownWhenItDoes) {
    Say("AddCommentary", "\\Bearly\\b word");
    EXPECT_EQ(dlg->GetRichEdit(), nullptr);
    Show();
    const auto runs = platform::RichEditRuns(dlg->GetRichEdit());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "early");
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[1].text, " word  \r\n");
}

TEST_F(Commentary, ANewWindowOpensBottomRightAndTheRegistryKeepsItsPlace) {
    ASSERT_EQ(Placement().left, -1);
    Show();
    RECT r{};
    GetWindowRect(dlg->GetHandle(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, 1024 - w);
    EXPECT_EQ(r.top, 768 - h - 20);
    const RECT kept = Placement();
    EXPECT_EQ(kept.left, r.left);
    EXPECT_EQ(kept.top, r.top);
    EXPECT_EQ(kept.right - kept.left, w);
    EXPECT_EQ(kept.bottom - kept.top, h);
    RECT edit{};
    GetWindowRect(dlg->GetRichEdit(), &edit);
    EXPECT_EQ(edit.right - edit.left, w - 20);
    EXPECT_EQ(edit.bottom - edit.top, h - 40);
    // Moving the window writes its new place; the next window opens there.
    MoveWindow(dlg->GetHandle(), 100, 120, 300, 200, TRUE);
    EXPECT_EQ(Placement().left, 100);
    EXPECT_EQ(Placement().bottom, 320);
    Event("CloseGame");
    EXPECT_FALSE(dlg->IsRunning());
    Show();
    GetWindowRect(dlg->GetHandle(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
}

TEST_F(Commentary, TheCloseBoxHidesAndTheMenuItemFollows) {
    Show();
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{CHECK_MENU_ITEM, 239}, {ENABLE_MENU_ITEM, 239}}));
    Say("AddCommentary", "kept");
    listener.events.clear();
    SendMessageA(dlg->GetHandle(), WM_CLOSE, 0, 0);
    Drain();
    EXPECT_TRUE(dlg->IsRunning());
    EXPECT_FALSE(IsWindowVisible(dlg->GetHandle()));
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{UNCHECK_MENU_ITEM, 239}}));
    listener.events.clear();
    Event("WindowShowCommentary");
    Drain();
    EXPECT_TRUE(IsWindowVisible(dlg->GetHandle()));
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{CHECK_MENU_ITEM, 239}}));
    EXPECT_EQ(TextOf(dlg->GetRichEdit()), "kept  \r\n");
    listener.events.clear();
    Event("CloseGame");
    Drain();
    EXPECT_FALSE(dlg->IsRunning());
    EXPECT_EQ(dlg->GetRichEdit(), nullptr);
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{DISABLE_MENU_ITEM, 239}, {UNCHECK_MENU_ITEM, 239}}));
}

TEST_F(Commentary, ALongLineThatFillsTheControlGivesWayToTheNext) {
    Show();
    ASSERT_EQ(dlg->GetTextLimit(), platform::kRichEditDefaultLimit);
    Say("AddCommentary", std::string(static_cast<std::size_t>(dlg->GetTextLimit()) + 100, 'a'));
    Say("AddCommentary", "next");
    EXPECT_EQ(TextOf(dlg->GetRichEdit()), " next  \r\n");
}

TEST_F(Commentary, OldLinesGiveWayWholeWhenTheControlIsFull) {
    Show();
    const std::string line(60, 'x');
    std::string all;
    int added = 0;
    while (static_cast<int>(all.size()) + 63 < dlg->GetTextLimit()) {
        Say("AddCommentary", line + std::to_string(added % 10));
        all += line + std::to_string(added % 10) + "  \r\n";
        ++added;
    }
    EXPECT_EQ(TextOf(dlg->GetRichEdit()), all);
    Say("AddCommentary", "newest");
    const std::string text = TextOf(dlg->GetRichEdit());
    // The first line went whole; the new string starts with a space.
    EXPECT_EQ(text, all.substr(line.size() + 5) + " newest  \r\n");
}

TEST_F(Commentary, TheSavedBlockKeepsTheLastTwentyLines) {
    Show();
    for (int i = 1; i <= 30; ++i) Say("AddCommentary", "\\Bline\\b " + std::to_string(i));
    SuperString s;
    dlg->Save(s);
    std::string expected;
    for (int i = 11; i <= 30; ++i) expected += "line " + std::to_string(i) + "  " + (i < 30 ? "\n" : "");
    const std::string bytes = s.Contents();
    ASSERT_EQ(bytes.size(), 2 + expected.size() + 1);
    const int n = static_cast<std::uint8_t>(bytes[0]) | (static_cast<std::uint8_t>(bytes[1]) << 8);
    EXPECT_EQ(n, static_cast<int>(expected.size() + 1));
    EXPECT_EQ(bytes.substr(2, expected.size()), expected);
    EXPECT_EQ(bytes.back(), '\0');

    // A fresh window of a loaded game shows those lines when it opens.
    dlg.reset();
    dlg = std::make_unique<CommentaryDlg>();
    dlg->AttachToBus(app.get());
    std::string error;
    ASSERT_TRUE(dlg->Load(s, error)) << error;
    EXPECT_EQ(s.Remaining(), 0);
    ASSERT_NE(dlg->GetRestoredText(), nullptr);
    Show();
    EXPECT_EQ(dlg->GetRestoredText(), nullptr);
    std::string shown;
    for (int i = 11; i <= 30; ++i) shown += "line " + std::to_string(i) + "  \r\n";
    EXPECT_EQ(TextOf(dlg->GetRichEdit()), shown.substr(0, shown.size() - 2) + "  \r\n");
}

TEST_F(Commentary, AnEmptyCommentarySavesACountOfZeroAndLoadsAsNothing) {
    SuperString s;
    dlg->Save(s);
    EXPECT_EQ(s.Contents(), std::string(2, '\0'));
    std::string error;
    ASSERT_TRUE(dlg->Load(s, error)) << error;
    EXPECT_EQ(dlg->GetRestoredText(), nullptr);
    // A commentary said before the window ever opened still travels in the game.
    Say("AddCommentary", "\\Bheard\\b early");
    SuperString t;
    dlg->Save(t);
    EXPECT_EQ(t.Contents().substr(2), std::string("heard early  ") + '\0');
}

TEST_F(Commentary, ADamagedBlockIsRefusedAndKeepsNothing) {
    struct Case {
        std::string bytes;
        const char* why;
    };
    const Case cases[] = {
        {"", "cut short"},
        {std::string(1, '\x05'), "cut short"},
        {std::string("\x05\x00", 2) + "abc", "damaged"},  // n beyond what remains
        {std::string("\xFF\xFF", 2) + "abc", "damaged"},  // negative
    };
    for (const Case& c : cases) {
        SuperString s;
        s.Write(c.bytes.data(), static_cast<std::int32_t>(c.bytes.size()));
        std::string error;
        EXPECT_FALSE(dlg->Load(s, error)) << c.why;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(dlg->GetRestoredText(), nullptr);
    }
    // A block whose last byte is not zero is ended there, not read past.
    SuperString s;
    const std::string unterminated("\x03\x00xyz", 5);
    s.Write(unterminated.data(), 5);
    std::string error;
    ASSERT_TRUE(dlg->Load(s, error));
    EXPECT_STREQ(dlg->GetRestoredText(), "xy");
}

} // namespace

namespace {

using namespace infotest;

class CommentaryPlacement : public InfoDialogTest {
protected:
    static void Store(LONG x, LONG y, LONG w, LONG h) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, CommentaryDlg::PlacementKey().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const LONG v[4] = {x, y, w, h};
        const char* names[4] = {"X", "Y", "W", "H"};
        for (int i = 0; i < 4; ++i) {
            const DWORD d = static_cast<DWORD>(v[i]);
            const BYTE b[4] = {static_cast<BYTE>(d), static_cast<BYTE>(d >> 8), static_cast<BYTE>(d >> 16),
                               static_cast<BYTE>(d >> 24)};
            RegSetValueExA(key, names[i], 0, REG_DWORD, b, 4);
        }
        RegCloseKey(key);
    }
};

TEST_F(CommentaryPlacement, AStoredPlaceIsUsedAndAnUnusableOneIsReplaced) {
    struct Case {
        LONG x, y, w, h;
        bool used;
    };
    const Case cases[] = {
        {40, 50, 320, 240, true},
        {2000, 900, 320, 240, false},  // beyond the screen both ways: nothing usable
        {40, 50, 0, 240, false},       // no width
        {40, 50, 320, -5, false},      // a damaged height
    };
    for (const Case& c : cases) {
        Store(c.x, c.y, c.w, c.h);
        CommentaryDlg dlg;
        dlg.AttachToBus(app.get());
        Event("WindowShowCommentary");
        RECT r{};
        GetWindowRect(dlg.GetHandle(), &r);
        if (c.used) {
            EXPECT_EQ(r.left, c.x);
            EXPECT_EQ(r.top, c.y);
            EXPECT_EQ(r.right - r.left, c.w);
            EXPECT_EQ(r.bottom - r.top, c.h);
        } else {
            EXPECT_GT(r.right - r.left, 0) << c.x << "," << c.w << "," << c.h;
            EXPECT_EQ(r.right, 1024) << c.x << "," << c.w << "," << c.h;
            EXPECT_EQ(r.bottom, 768 - 20);
        }
        Event("CloseGame");
        dlg.DetachFromBus();
    }
}

TEST_F(CommentaryPlacement, SizingTheWindowSizesTheText) {
    CommentaryDlg dlg;
    dlg.AttachToBus(app.get());
    Event("WindowShowCommentary");
    RECT want{100, 100, 500, 400};
    SendMessageA(dlg.GetHandle(), 0x0214 /* WM_SIZING */, 8, reinterpret_cast<LPARAM>(&want));
    RECT r{}, edit{};
    GetWindowRect(dlg.GetHandle(), &r);
    GetWindowRect(dlg.GetRichEdit(), &edit);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    EXPECT_EQ(edit.right - edit.left, 380);
    EXPECT_EQ(edit.bottom - edit.top, 260);
    Event("CloseGame");
    dlg.DetachFromBus();
}

} // namespace
