// The combat results dialogs: the overall list opened by the layer's "OverallCombatResults",
// its highlights and centring, its stored position, the details of one combat, and how it ends
// ("DoneViewingCombatResults" after Close, nothing after "CloseGame").
#include "game/app/dialogs/combat_results_dlg.h"
#include "game/app/dialogs/dialog_support.h"
#include "tests/app_dialogs/in_game_fixture.h"

#include <string>
#include <vector>

namespace {

using namespace ingametest;

SingleCombatResult Combat(std::vector<std::string> attackers, std::vector<short> attackerHexes,
                          std::vector<std::string> defenders, std::vector<short> defenderHexes) {
    SingleCombatResult r;
    for (const auto& n : attackers) r.firstNames.AddTail(n);
    for (const auto& n : defenders) r.secondNames.AddTail(n);
    for (short h : attackerHexes) r.numbers[0].AddTail(h);
    for (short h : defenderHexes) r.numbers[1].AddTail(h);
    for (int side = 0; side < 2; ++side)
        for (std::size_t k = 0; k < (side ? defenders.size() : attackers.size()); ++k)
            for (int list = 2; list < 12; list += 2) r.numbers[list + side].AddTail(static_cast<short>(list + side));
    return r;
}

class CombatResults : public InGameTest {
protected:
    void SetUp() override {
        InGameTest::SetUp();
        dialogs = std::make_unique<InGameDialogs>(layer.get());
        dialogs->AttachToBus(layer.get());
        layer->GetCombatResults().AddTail(Combat({"1st Ohio", "2nd Ohio"}, {101, 102}, {"3rd Bexar"}, {203}));
        layer->GetCombatResults().AddTail(Combat({"4th Ohio"}, {305}, {"5th Bexar", "6th Bexar"}, {406, 407}));
    }
    void TearDown() override {
        Settle();
        dialogs.reset();
        InGameTest::TearDown();
    }
    // Opens the overall dialog as the game does and lets it stand.
    void Open() {
        layer->PostNamedEvent("OverallCombatResults");
        Settle(100);
    }
    HWND Overall() const {
        for (Item<HWND>* i = app->ModelessDialogs().Head(); i; i = i->next)
            if (IsWindow(i->value) && dynamic_cast<OverallCombatResultsDlg*>(DialogOf(i->value))) return i->value;
        return nullptr;
    }
    std::vector<short> HexesOf(const std::string& name, int nth = 0) const {
        for (const Heard& h : recorder.heard)
            if (h.name == name && nth-- == 0) return h.hexes;
        return {};
    }
    std::unique_ptr<InGameDialogs> dialogs;
};

TEST_F(CombatResults, OpeningListsTheBattlesHighlightsTheFirstAndCentresOnItsLastHex) {
    Open();
    HWND d = Overall();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(SendDlgItemMessageA(d, 10, LB_GETCOUNT, 0, 0), 2);
    char text[32] = {};
    SendDlgItemMessageA(d, 10, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Battle #2");
    EXPECT_EQ(HexesOf("HIGHLIGHT_REGION"), (std::vector<short>{101, 102, 203}));
    EXPECT_EQ(recorder.Last("Center On Region")->value, 203);
    EXPECT_EQ(recorder.Count("DoneViewingCombatResults"), 0);
    platform::ClickDlgItem(d, 1);
    Settle();
}

TEST_F(CombatResults, TheLayersCombatDoneShowsTheListAndItsCloseFinishesTheLeader) {
    layer->SetShowOverallResults(1);
    layer->PostNamedEvent("CombatDone");
    Settle(100);
    ASSERT_NE(Overall(), nullptr);
    EXPECT_EQ(recorder.Count("SynchronizeGame"), 0) << "the game waits for the player";
    platform::ClickDlgItem(Overall(), 1);
    Settle(1500);
    EXPECT_EQ(Overall(), nullptr);
    ASSERT_NE(recorder.Last("SynchronizeGame"), nullptr);
    EXPECT_EQ(recorder.Last("SynchronizeGame")->text, "viewing combat results");
    EXPECT_TRUE(layer->GetCombatResults().IsEmpty());
}

TEST_F(CombatResults, SelectingABattleMovesTheHighlightAndCentresOnItsFirstHex) {
    Open();
    HWND d = Overall();
    ASSERT_NE(d, nullptr);
    SendDlgItemMessageA(d, 10, LB_SETCURSEL, 1, 0);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(10, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, 10)));
    Settle(100);
    EXPECT_EQ(HexesOf("DEHIGHLIGHT_REGION"), (std::vector<short>{101, 102, 203}));
    EXPECT_EQ(HexesOf("HIGHLIGHT_REGION", 1), (std::vector<short>{305, 406, 407}));
    EXPECT_EQ(recorder.Last("Center On Region")->value, 305);
    platform::ClickDlgItem(d, 1);
    Settle();
}

TEST_F(CombatResults, CloseRemovesTheHighlightAndLetsTheGameGoOn) {
    Open();
    ASSERT_NE(Overall(), nullptr);
    platform::ClickDlgItem(Overall(), 1);
    Settle();
    EXPECT_EQ(Overall(), nullptr);
    std::vector<std::string> closing;
    for (const std::string& n : recorder.Names())
        if (n == "OCRDlgClosing" || n == "DEHIGHLIGHT_REGION" || n == "DoneViewingCombatResults") closing.push_back(n);
    EXPECT_EQ(closing, (std::vector<std::string>{"OCRDlgClosing", "DEHIGHLIGHT_REGION", "DoneViewingCombatResults"}));
    EXPECT_EQ(Dialog::PendingDeletions(), 0u);
}

TEST_F(CombatResults, EscapeClosesTheListAsCloseDoes) {
    Open();
    ASSERT_NE(Overall(), nullptr);
    SendMessageA(Overall(), WM_COMMAND, MAKEWPARAM(2, 0), 0);
    Settle();
    EXPECT_EQ(Overall(), nullptr);
    EXPECT_EQ(recorder.Count("DoneViewingCombatResults"), 1);
}

TEST_F(CombatResults, CloseGameEndsTheListWithoutLettingTheGameGoOn) {
    Open();
    ASSERT_NE(Overall(), nullptr);
    recorder.PostNamedEvent("CloseGame");
    Settle();
    EXPECT_EQ(Overall(), nullptr);
    EXPECT_EQ(recorder.Count("OCRDlgClosing"), 1);
    EXPECT_EQ(recorder.Count("DoneViewingCombatResults"), 0);
}

TEST_F(CombatResults, AGameClosedJustAfterTheListClosedDoesNotCloseItAgain) {
    Open();
    ASSERT_NE(Overall(), nullptr);
    // The list stays on the bus until its deletion timer: a close then must change nothing.
    SendMessageA(Overall(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
    delete recorder.SendNamedEvent("CloseGame");
    Settle();
    EXPECT_EQ(recorder.Count("OCRDlgClosing"), 1);
    EXPECT_EQ(recorder.Count("DoneViewingCombatResults"), 1);
}

TEST_F(CombatResults, TheDetailsDrawEachUnitsHitsInTheirColumns) {
    // The first attacker's row: its hits (2, 4, 6 from the record) under the attackers' columns.
    const SingleCombatResult one = layer->GetCombatResults().Head()->value;
    CombatResultsDlg details(&one);
    std::vector<std::string> rows;
    platform::QueueDialogScript([&](HWND d) {
        for (int x : {33, 170, 210, 243, 305, 430}) rows.push_back(uitest::RowOf(details, 104, uitest::kInk, x, x + 4));
        platform::ClickDlgItem(d, 1);
    });
    details.AttachToBus(layer.get());
    EXPECT_EQ(details.Execute("ShowCombatResults", Dialog::kModal), 1);
    ASSERT_EQ(rows.size(), 6u);
    for (const std::string& r : rows) EXPECT_NE(r.find('#'), std::string::npos) << "ink at the start of every column";
}

TEST_F(CombatResults, TheDetailsStandInTheLowerLeftCornerOfTheMapArea) {
    WindowsMainWindow* frame = MakeFrame();
    ASSERT_NE(frame->GetClient(), nullptr);
    const SingleCombatResult one = layer->GetCombatResults().Head()->value;
    CombatResultsDlg details(&one);
    RECT mine{}, area{};
    platform::QueueDialogScript([&](HWND d) {
        GetWindowRect(d, &mine);
        platform::ClickDlgItem(d, 1);
    });
    EXPECT_EQ(details.Execute("ShowCombatResults", Dialog::kModal), 1);
    GetWindowRect(frame->GetClient(), &area);
    EXPECT_EQ(mine.left, area.left);
    EXPECT_EQ(mine.bottom, area.bottom);
    DeleteFrame(frame);
}

TEST_F(CombatResults, ClosingTheListWhileADetailsDialogIsOpenClosesTheDetailsFirst) {
    Open();
    HWND d = Overall();
    ASSERT_NE(d, nullptr);
    HWND details = nullptr;
    platform::QueueDialogScript([&](HWND shown) {
        details = shown;
        // The list's Close while the details stand.
        platform::ClickDlgItem(d, 1);
    });
    SendDlgItemMessageA(d, 10, LB_SETCURSEL, 0, 0);
    PostMessage(d, WM_COMMAND, MAKEWPARAM(10, LBN_DBLCLK), reinterpret_cast<LPARAM>(GetDlgItem(d, 10)));
    Settle();
    EXPECT_NE(details, nullptr);
    EXPECT_FALSE(IsWindow(details));
    EXPECT_EQ(Overall(), nullptr);
    EXPECT_EQ(recorder.Count("DoneViewingCombatResults"), 1);
}

TEST_F(CombatResults, FirstOpeningStoresTheLowerLeftPlacementAndALaterOneUsesTheStoredPlace) {
    Open();
    HWND d = Overall();
    ASSERT_NE(d, nullptr);
    RECT r{};
    GetWindowRect(d, &r);
    const Dim screen = ingame::ScreenSize();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.bottom, screen.height);
    std::uint32_t x = 99, y = 99;
    ASSERT_TRUE(ingame::ReadSetting("Placement\\OverallCombatResults", "X", x));
    ASSERT_TRUE(ingame::ReadSetting("Placement\\OverallCombatResults", "Y", y));
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(static_cast<LONG>(y), r.top);
    // Moved by the player: the place is kept as it changes.
    MoveWindow(d, 40, 30, r.right - r.left, r.bottom - r.top, TRUE);
    platform::ClickDlgItem(d, 1);
    Settle();
    Open();
    ASSERT_NE(Overall(), nullptr);
    GetWindowRect(Overall(), &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    platform::ClickDlgItem(Overall(), 1);
    Settle();
}

TEST_F(CombatResults, APlaceOffTheScreenInOneDirectionOnlyIsUsedUnchanged) {
    const Dim screen = ingame::ScreenSize();
    ingame::StorePlacement("OverallCombatResults", screen.width + 5, 10);
    Open();
    ASSERT_NE(Overall(), nullptr);
    RECT r{};
    GetWindowRect(Overall(), &r);
    EXPECT_EQ(r.left, screen.width + 5);
    EXPECT_EQ(r.top, 10);
    platform::ClickDlgItem(Overall(), 1);
    Settle();
}

// ---- one combat's rows ----

int Width(const std::string& s) { return static_cast<int>(s.size()) * 10; }

TEST(CombatRows, MarksPrefixTheLabelAndNegativeRoutIsShownAsZero) {
    SingleCombatResult r;
    r.firstNames.AddTail("A");
    r.firstNames.AddTail("B");
    r.firstNames.AddTail("C");
    for (short v : {101, 102, 103}) r.numbers[0].AddTail(v);
    const short current[] = {1, 2, 3}, total[] = {4, 5, 6}, rout[] = {2, -1, 0}, first[] = {0, 1, 1}, second[] = {0, 0, 1};
    for (int k = 0; k < 3; ++k) {
        r.numbers[2].AddTail(current[k]);
        r.numbers[4].AddTail(total[k]);
        r.numbers[6].AddTail(rout[k]);
        r.numbers[8].AddTail(first[k]);
        r.numbers[10].AddTail(second[k]);
    }
    const auto rows = CombatResultsDlg::LayoutSide(r, 0, 9, Width);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].label, "A");
    EXPECT_EQ(rows[1].label, "* B");
    EXPECT_EQ(rows[2].label, "** * C");
    EXPECT_EQ(rows[1].toRout, 0);
    EXPECT_EQ(rows[0].toRout, 2);
    EXPECT_EQ(rows[2].currentHits, 3);
    EXPECT_EQ(rows[2].totalHits, 6);
    EXPECT_EQ((std::vector<int>{rows[0].y, rows[1].y, rows[2].y}), (std::vector<int>{100, 109, 118}));
    EXPECT_TRUE(CombatResultsDlg::LayoutSide(r, 1, 9, Width).empty());
}

TEST(CombatRows, AWideNameWrapsAtBlanksAndPushesTheNextRowDown) {
    SingleCombatResult r;
    // 20 characters of 10 pixels: wider than 140.
    r.secondNames.AddTail("Brigade of the North");
    r.secondNames.AddTail("Next");
    const auto rows = CombatResultsDlg::LayoutSide(r, 1, 9, Width);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].label, "Brigade of the");
    EXPECT_EQ(rows[0].secondLine, " North");
    EXPECT_EQ(rows[1].y, 100 + 18);
    EXPECT_EQ(rows[1].currentHits, 0) << "missing numbers read as 0";
}

struct CutCase {
    const char* name;
    const char* label;
    const char* first;
    const char* second;
};

class CutLabels : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutLabels, TheFirstLineNeverPassesTheWidth) {
    std::string label = GetParam().label, second;
    CombatResultsDlg::CutLabel(label, second, Width);
    EXPECT_EQ(label, GetParam().first);
    EXPECT_EQ(second, GetParam().second);
    EXPECT_LE(Width(label), CombatResultsDlg::kLabelWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutLabels,
    ::testing::Values(CutCase{"Fits", "Short one", "Short one", ""}, CutCase{"ExactlyTheWidth", "abcdefghijklmn", "abcdefghijklmn", ""},
                      CutCase{"TwoCuts", "aaaa bbbbbbbbb cc dd", "aaaa bbbbbbbbb", " cc dd"},
                      CutCase{"NoBlankLeft", "abcdefghijklmnopqrst", "abcdefghijklmn", ""},
                      CutCase{"LongFirstWord", "abcdefghijklmnopq rs", "abcdefghijklmn", " rs"}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
