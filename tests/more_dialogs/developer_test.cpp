// The script file name and the next-leader choice: the name edited and read back; the free
// leaders listed sorted with the current one chosen; duplicates, exclusions, long names.
#include "game/app/dialogs/developer_dlgs.h"
#include "tests/more_dialogs/more_fixture.h"
#include "ui/dialog_controls.h"

namespace {

using namespace moretest;

class Developer : public MoreDialogTest {};

TEST_F(Developer, FileNameIsShownAndReadBack) {
    AIFileNameDlg dlg("north.ai");
    std::string shown;
    platform::QueueDialogScript([&](HWND d) {
        char buffer[64] = {};
        GetDlgItemTextA(d, AIFileNameDlg::kName, buffer, sizeof buffer);
        shown = buffer;
        SetDlgItemTextA(d, AIFileNameDlg::kName, "south.ai");
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("NewAIFileName", Dialog::kModal), 1);
    EXPECT_EQ(shown, "north.ai");
    EXPECT_EQ(dlg.GetFileName(), "south.ai");
}

struct LeaderCase {
    const char* what;
    std::vector<std::string> names;
    std::vector<std::int16_t> excluded;
    std::int16_t current;
    std::vector<std::string> listed;
    std::string selected;
    std::int16_t choice;  // after OK
};

TEST_F(Developer, LeaderListAndChoice) {
    const std::vector<LeaderCase> cases = {
        {"current chosen", {"Orrin Vale", "Bram Holt", "Cass Wren"}, {0, 0, 0}, 2,
         {"Bram Holt", "Cass Wren", "Orrin Vale"}, "Cass Wren", 2},
        {"excluded current: first sorted", {"Orrin Vale", "Bram Holt", "Cass Wren"}, {0, 0, 1}, 2,
         {"Bram Holt", "Orrin Vale"}, "Bram Holt", 1},
        {"same name: lower index", {"Dane Ash", "Ely Moss", "Dane Ash"}, {0, 0, 0}, 2,
         {"Dane Ash", "Dane Ash", "Ely Moss"}, "Dane Ash", 0},
        // The search starts after the first entry: "Ab" finds "Abel Fenn" only when it wraps.
        {"prefix search starts at the second entry", {"Ab", "Abel Fenn", "Zed Kerr"}, {0, 0, 0}, 0,
         {"Ab", "Abel Fenn", "Zed Kerr"}, "Abel Fenn", 1},
    };
    for (const LeaderCase& c : cases) {
        LeaderCheatDlg dlg(c.names.data(), c.excluded.data(), static_cast<std::int16_t>(c.names.size()), c.current);
        std::vector<std::string> listed;
        std::string selected;
        platform::QueueDialogScript([&](HWND d) {
            listed = ListTexts(d, LeaderCheatDlg::kList);
            const LRESULT s = SendDlgItemMessageA(d, LeaderCheatDlg::kList, LB_GETCURSEL, 0, 0);
            if (s >= 0) selected = listed[static_cast<std::size_t>(s)];
            platform::ClickDlgItem(d, IDOK);
        });
        EXPECT_EQ(dlg.Execute("LeaderCheatDlg", Dialog::kModal), 1) << c.what;
        EXPECT_EQ(listed, c.listed) << c.what;
        EXPECT_EQ(selected, c.selected) << c.what;
        EXPECT_EQ(dlg.GetChoice(), c.choice) << c.what;
        EXPECT_EQ(dlg.GetMomentum(), 0) << c.what;
    }
}

TEST_F(Developer, MomentumOnOkAndNothingOnCancel) {
    const std::vector<std::string> names = {"Hale Brook", "Ivo Stark"};
    const std::vector<std::int16_t> excluded = {0, 0};
    for (int button : {IDOK, IDCANCEL}) {
        LeaderCheatDlg dlg(names.data(), excluded.data(), 2, 0);
        dlg.Execute("LeaderCheatDlg", Dialog::kModeless);
        HWND h = dlg.GetHandle();
        SendDlgItemMessageA(h, LeaderCheatDlg::kList, LB_SETCURSEL, 1, 0);
        auto* box = dynamic_cast<DialogButton*>(dlg.GetItemControl(LeaderCheatDlg::kMomentum));
        ASSERT_NE(box, nullptr);
        box->SetState(1);
        SendMessageA(h, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), 0), 0);
        Drain();
        EXPECT_EQ(dlg.GetResult(), button == IDOK ? 1 : 0);
        EXPECT_EQ(dlg.GetChoice(), button == IDOK ? 1 : 0);
        EXPECT_EQ(dlg.GetMomentum(), button == IDOK ? 1 : 0);
    }
}

TEST_F(Developer, NoSelectionChoosesNobody) {
    const std::vector<std::string> names = {"Hale Brook"};
    const std::vector<std::int16_t> excluded = {0};
    LeaderCheatDlg dlg(names.data(), excluded.data(), 1, 0);
    dlg.Execute("LeaderCheatDlg", Dialog::kModeless);
    SendDlgItemMessageA(dlg.GetHandle(), LeaderCheatDlg::kList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(dlg.GetHandle(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    Drain();
    EXPECT_EQ(dlg.GetChoice(), -1);
}

TEST_F(Developer, EveryLeaderExcludedClosesAtOnce) {
    const std::vector<std::string> names = {"Hale Brook", "Ivo Stark"};
    const std::vector<std::int16_t> excluded = {1, 3};
    LeaderCheatDlg dlg(names.data(), excluded.data(), 2, 0);
    EXPECT_EQ(dlg.Execute("LeaderCheatDlg", Dialog::kModal), 0);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

// A name longer than the list's text buffer is cut in the list, and still finds its leader.
TEST_F(Developer, LongNameIsCutAndStillChosen) {
    const std::vector<std::string> names = {std::string(200, 'q'), "Ivo Stark"};
    const std::vector<std::int16_t> excluded = {0, 0};
    LeaderCheatDlg dlg(names.data(), excluded.data(), 2, 0);
    std::vector<std::string> listed;
    platform::QueueDialogScript([&](HWND d) {
        listed = ListTexts(d, LeaderCheatDlg::kList);
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("LeaderCheatDlg", Dialog::kModal), 1);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].size(), LeaderCheatDlg::kMaxNameLength);
    EXPECT_EQ(dlg.GetChoice(), 0);
}

} // namespace
