// The game overview, end-of-game and battlefield-view dialogs run from the logical layer's
// handlers with the dialog services installed: their results, what they post, the texts they
// are filled with and the pictures they choose, and "CloseGame" ending them.
#include "game/app/dialogs/end_of_game_dlg.h"
#include "game/app/dialogs/end_turn_dlg.h"
#include "platform/timer.h"
#include "tests/app_dialogs/in_game_fixture.h"

#include <string>
#include <vector>

namespace {

using namespace ingametest;

EndOfGameResults Results() {
    EndOfGameResults r;
    r.homeName = "Union";
    r.visitingName = "Confederate";
    r.lostPoints[0] = 12;
    r.lostPoints[1] = -3;
    r.objectivePoints[0] = 0;
    r.objectivePoints[1] = 7;
    r.victoryTarget[0] = 40;
    r.victoryTarget[1] = 35;
    return r;
}

class Overview : public InGameTest {};

TEST_F(Overview, ColumnsShowEachSidesPointsWithTheOthersLossesInTheTotal) {
    const EndOfGameResults r = Results();
    EXPECT_EQ(EndTurnDlg::ColumnLines(r, 0),
              (std::vector<std::string>{"Unit Points Lost: 12", "Objective Points: 0", "Total Victory Points: -3",
                                        "Victory Points To Win: 40"}));
    EXPECT_EQ(EndTurnDlg::ColumnLines(r, 1),
              (std::vector<std::string>{"Unit Points Lost: -3", "Objective Points: 7", "Total Victory Points: 19",
                                        "Victory Points To Win: 35"}));
}

TEST_F(Overview, EndOfTurnOkSynchronizesTheGame) {
    Click(1);
    Container<EndOfGameResults> results(Results());
    delete layer->SendNamed("EndOfTurn", &results);
    Settle();
    const Heard* sync = recorder.Last("SynchronizeGame");
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->text, "viewing end of turn results");
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

TEST_F(Overview, CloseGameEndsTheEndOfTurnOverviewWithNoSynchronize) {
    platform::QueueDialogScript([this](HWND) { recorder.PostNamedEvent("CloseGame"); });
    Container<EndOfGameResults> results(Results());
    recorder.PostNamed("EndOfTurn", &results);
    Settle();
    EXPECT_EQ(recorder.Count("SynchronizeGame"), 0);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

TEST_F(Overview, ArmyDetailsButtonsAskForTheSideLastPressedAndLeaveTheOverviewOpen) {
    // Each button opens the details over the overview; closing them leads back to it.
    HWND overview = nullptr;
    std::vector<std::string> opened;
    platform::QueueDialogScript([&](HWND d) {
        overview = d;
        platform::ClickDlgItem(d, 102);
    });
    for (int next : {101, 102, 1})
        platform::QueueDialogScript([&, next](HWND d) {
            char caption[64] = {};
            GetWindowTextA(d, caption, sizeof caption);
            opened.push_back(caption);
            EXPECT_TRUE(IsWindow(overview));
            platform::ClickDlgItem(d, 1);
            // The overview's next button, once the details have gone (a click there now would
            // land on the details, which lie over it).
            PostMessage(overview, WM_COMMAND, MAKEWPARAM(next, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(overview, next)));
        });
    EndOfGameResults r = Results();
    EXPECT_EQ(services->RunEndTurnDialog(r, Dialog::kApplicationModal), 1);
    std::vector<int> sides;
    for (const Heard& h : recorder.heard)
        if (h.name == "ArmyDetails") sides.push_back(h.detailsSide);
    EXPECT_EQ(sides, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(opened, (std::vector<std::string>(3, "Army Details")));
    EXPECT_EQ(platform::PendingDialogScripts(), 0u);
}

TEST_F(Overview, SideNamesAreCentredOnTheirQuartersEvenWhenWider) {
    // A name wider than a quarter of the window still has its middle on the quarter line.
    EndOfGameResults r = Results();
    r.homeName = std::string(60, 'W');
    r.visitingName = "B";
    EndTurnDlg dialog(&r);
    int width = 0;
    std::vector<std::uint8_t> row;
    platform::QueueDialogScript([&](HWND d) {
        width = dialog.GetWidth();
        for (int x = 0; x < width; ++x) row.push_back(uitest::PixelAt(dialog, x, 38));
        platform::ClickDlgItem(d, 1);
    });
    dialog.AttachToBus(layer.get());
    ASSERT_EQ(dialog.Execute("GameOverviewDlg", Dialog::kModal), 1);
    ASSERT_GT(width, 0);
    int first = -1, last = -1;
    for (int x = 0; x < width / 2; ++x)
        if (row[static_cast<std::size_t>(x)] == uitest::kInk) last = x, first = first < 0 ? x : first;
    ASSERT_GE(first, 0) << "the first side's name is drawn";
    const int middle = (first + last + 1) / 2;
    EXPECT_NEAR(middle, width / 4, 3);
}

class EndOfGame : public InGameTest {
protected:
    // The colour of the picture's first pixel in the dialog, after the run the script ends.
    std::uint8_t PictureColour(EndOfGameDlg& dialog) {
        std::uint8_t colour = 0;
        platform::QueueDialogScript([&](HWND d) {
            colour = uitest::PixelAt(dialog, EndOfGameDlg::PictureBox().x + 1, EndOfGameDlg::PictureBox().y + 1);
            platform::ClickDlgItem(d, 1);
        });
        dialog.Execute("EndOfGameDlg", Dialog::kApplicationModal);
        return colour;
    }
};

struct PictureCase {
    const char* name;
    std::int32_t side;
    std::int16_t victory;
};

class EndOfGamePictures : public EndOfGame, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(EndOfGamePictures, TheSectionAndSideChooseThePicture) {
    EndOfGameDlg dialog(GetParam().side, GetParam().victory);
    ASSERT_NE(dialog.GetPicture(), nullptr);
    EXPECT_EQ(PictureColour(dialog), datagen::EndOfGamePictureColour(GetParam().victory != 0, GetParam().side));
}

INSTANTIATE_TEST_SUITE_P(Cases, EndOfGamePictures,
                         ::testing::Values(PictureCase{"VictorySide0", 0, 1}, PictureCase{"VictorySide1", 1, 1},
                                           PictureCase{"DefeatSide0", 0, 0}, PictureCase{"DefeatSide1", 1, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(EndOfGame, NoHumanSideShowsNoPicture) {
    EndOfGameDlg dialog(-1, 0);
    EXPECT_EQ(dialog.GetPicture(), nullptr);
}

TEST_F(EndOfGame, CloseSynchronizesAfterTheMusic) {
    Click(1);
    EndOfGameResults r = Results();
    r.winner = static_cast<NATION>(1);
    Container<EndOfGameResults> results(r);
    delete layer->SendNamed("EndOfGame", &results);
    Settle();
    EXPECT_EQ(recorder.Names(), (std::vector<std::string>{"EndGameMusic", "SynchronizeGame"}));
    // No leader is played on this machine: the winner's victory.
    EXPECT_EQ(recorder.Last("EndGameMusic")->value, 1);
    EXPECT_EQ(recorder.Last("SynchronizeGame")->text, "viewing end of game results");
}

TEST_F(EndOfGame, ViewFieldThenFinishBringsTheDialogBackAndCanBeChosenAgain) {
    std::vector<std::string> prompts;
    auto viewField = [](HWND d) { platform::ClickDlgItem(d, 102); };
    auto finish = [&prompts](HWND d) {
        if (Dialog* bar = DialogOf(d)) prompts.push_back(bar->GetItemText(101));
        platform::ClickDlgItem(d, 1);
    };
    platform::QueueDialogScript(viewField);
    platform::QueueDialogScript(finish);
    platform::QueueDialogScript(viewField);
    platform::QueueDialogScript(finish);
    Click(1);
    Container<EndOfGameResults> results(Results());
    delete layer->SendNamed("EndOfGame", &results);
    Settle();
    EXPECT_EQ(prompts, (std::vector<std::string>{"Click on Finish to go back.", "Click on Finish to go back."}));
    EXPECT_EQ(platform::PendingDialogScripts(), 0u);
    EXPECT_EQ(recorder.Count("SynchronizeGame"), 1);
}

TEST_F(EndOfGame, OverviewOpensTheGameOverviewWhileTheDialogStaysOpen) {
    platform::QueueDialogScript([](HWND d) {
        platform::ClickDlgItem(d, 101);
        platform::ClickDlgItem(d, 1);
    });
    bool dummy = false;
    EXPECT_EQ(services->RunEndOfGameDialog(0, 1, dummy), 1);
    EXPECT_FALSE(dummy);
    EXPECT_EQ(recorder.Count("GameOverview"), 1);
}

TEST_F(EndOfGame, CloseGameDuringTheBattlefieldViewEndsBothWithNoSynchronize) {
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, 102); });
    platform::QueueDialogScript([this](HWND) { recorder.PostNamedEvent("CloseGame"); });
    Container<EndOfGameResults> results(Results());
    recorder.PostNamed("EndOfGame", &results);
    Settle();
    EXPECT_EQ(recorder.Count("SynchronizeGame"), 0);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
    EXPECT_EQ(platform::PendingDialogScripts(), 0u);
}

TEST_F(EndOfGame, AGameClosedAsTheDialogOpensIsNotTakenForAMissingDialog) {
    // The close comes at once, while the dialog is still being made.
    platform::QueueDialogScript([this](HWND) { delete recorder.SendNamedEvent("CloseGame"); });
    bool viewField = true;
    EXPECT_EQ(services->RunEndOfGameDialog(0, 1, viewField), 0);
    EXPECT_FALSE(viewField);
}

// Escape on a dialog the game waits for goes on as its confirming button: a 0 would be taken
// for a closed game, and the game would wait for ever.
struct EscapeCase {
    const char* name;
    const char* message;
    const char* synchronized;
};

class Escape : public InGameTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(Escape, TheGameGoesOn) {
    platform::QueueDialogScript([](HWND d) { PostMessage(d, WM_COMMAND, MAKEWPARAM(2, 0), 0); });
    Container<EndOfGameResults> results(Results());
    if (std::string(GetParam().message) == "BeginDeploymentPhase") recorder.PostNamedEvent(GetParam().message);
    else recorder.PostNamed(GetParam().message, &results);
    Settle();
    ASSERT_NE(recorder.Last("SynchronizeGame"), nullptr);
    EXPECT_EQ(recorder.Last("SynchronizeGame")->text, GetParam().synchronized);
    EXPECT_EQ(platform::PendingDialogScripts(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, Escape,
                         ::testing::Values(EscapeCase{"EndOfTurn", "EndOfTurn", "viewing end of turn results"},
                                           EscapeCase{"EndOfGame", "EndOfGame", "viewing end of game results"},
                                           EscapeCase{"Deployment", "BeginDeploymentPhase", "deploying units"}),
                         [](const auto& param) { return std::string(param.param.name); });

class BattlefieldView : public InGameTest {};

TEST_F(BattlefieldView, ThePromptComesFromTheStringTableAndTheMainWindowStaysEnabled) {
    std::string shown;
    platform::QueueDialogScript([&](HWND d) {
        if (Dialog* bar = DialogOf(d)) shown = bar->GetItemText(101);
        platform::ClickDlgItem(d, 1);
    });
    EXPECT_EQ(services->RunViewBattleFieldDialog(130), 1);
    EXPECT_EQ(shown, "Click on Finish to end deployment.");
}

// What the player finds a moment after the bar came up: where the keyboard is, whether the
// main window takes input; then Finish is pressed.
struct BarProbe {
    HWND bar = nullptr, frame = nullptr, focus = nullptr;
    BOOL enabled = FALSE;
};
BarProbe g_probe;

void ProbeTheBar(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_probe.focus = GetFocus();
    g_probe.enabled = IsWindowEnabled(g_probe.frame);
    platform::ClickDlgItem(g_probe.bar, 1);
}

TEST_F(BattlefieldView, TheMapKeepsTheKeyboardAndTheMainWindowStaysEnabledWhileTheBarStands) {
    WindowsMainWindow* frame = MakeFrame();
    g_probe = BarProbe();
    g_probe.frame = frame->GetHandle();
    platform::QueueDialogScript([](HWND d) {
        g_probe.bar = d;
        SetTimer(nullptr, 0, 10, &ProbeTheBar);
    });
    EXPECT_EQ(services->RunViewBattleFieldDialog(128), 1);
    // The frame hands the keyboard on to its map area.
    EXPECT_TRUE(g_probe.focus == frame->GetHandle() || g_probe.focus == frame->GetClient());
    EXPECT_NE(g_probe.focus, nullptr);
    EXPECT_TRUE(g_probe.enabled);
    DeleteFrame(frame);
}

TEST_F(BattlefieldView, DeploymentFinishedSynchronizes) {
    Click(1);
    delete layer->SendNamedEvent("BeginDeploymentPhase");
    Settle();
    const Heard* sync = recorder.Last("SynchronizeGame");
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->text, "deploying units");
}

} // namespace
