// A campaign in the real program, headless: the person takes both sides of its first battle (1st
// Bull Run), with the animations off, finishes every leader to the last turn, and the campaign map
// follows the end-of-game dialog. A first run saves the battle at its last turn and goes on from
// the map to the battle picked there; a second run opens that save from the main menu, ends the
// battle again and leaves the campaign from the map with Cancel.
#include "tests/e2e/e2e_fixture.h"

#include <string>

namespace e2e {
namespace {

class CampaignProgram : public RealProgram {};

// The last turn of 1st Bull Run (its limit of 12 counted from 0) and the campaign map's spots in
// its client area: 1st Bull Run (0), and Gaines Mill (7), which follows it whoever wins.
constexpr int kLastTurn = 13;
struct Spot {
    int x, y, width, height;
};
constexpr Spot kBullRun = {392, 199, 125, 25}, kGainesMill = {201, 336, 168, 25};

const ShownWindow* Find(const std::vector<ShownWindow>& windows, const std::string& text) {
    for (const ShownWindow& w : windows)
        if (w.text == text) return &w;
    return nullptr;
}

const ShownWindow* FindId(const std::vector<ShownWindow>& windows, int id) {
    for (const ShownWindow& w : windows)
        if (w.depth == 1 && w.id == id) return &w;
    return nullptr;
}

// Pixels of one colour around a spot's box (a few pixels either way, as the client area lies
// under the dialog's caption).
std::size_t FramePixels(const platform::ScreenImage& img, const ShownWindow& dialog, const Spot& s, std::uint32_t colour) {
    std::size_t n = 0;
    const int l = dialog.left + s.x - 6, t = dialog.top + s.y + 10, r = dialog.left + s.x + s.width + 8,
              b = dialog.top + s.y + s.height + 30;
    for (int y = std::max(0, t); y < std::min(img.height, b); ++y)
        for (int x = std::max(0, l); x < std::min(img.width, r); ++x) n += (img.At(x, y) & 0xFFFFFF) == colour;
    return n;
}

constexpr std::uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000;

// Finishes every leader of both sides through the given turns, closing each turn's overview.
std::string FinishTurns(int from, int to) {
    std::string s;
    for (int turn = from; turn <= to; ++turn)
        s += "menu-until 224 101 \"&Army Details\" 600000\nclick-control 1\nwait-gone \"Game Overview\" 120000\n";
    return s;
}

// The last turn's leaders finished, and the end-of-game dialog closed.
const char* const kEndTheBattle = R"(menu-until 224 102 "&View Field" 600000
windows end.txt
click-control 1
wait-window "Campaign Game" 120000
pause 1000
windows map.txt
screenshot map.png
)";

TEST_F(CampaignProgram, TheCampaignMapFollowsABattleAndLeadsToTheBattlePickedOrBackToTheMenu) {
    WriteScript(std::string(R"(wait-control 102 "Start &Campaign" 120000
click-control 102
wait-window "Leader Control"
click-control 106
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-gone "Game Options"
wait-window "1st Bull Run - Turn 1" 180000
)") + kAnimationsOff + FinishTurns(1, kLastTurn - 1) +
                R"(wait-window "1st Bull Run - Turn 13" 120000
wait-menu-enabled 226 120000
)" + SaveGameAs("END") + kEndTheBattle +
                R"(click-client "Campaign Game" 285 348
pause 500
windows picked.txt
screenshot picked.png
click-control 10
wait-gone "Campaign Game"
wait-window "Gaines Mill - Turn 1" 180000
windows next.txt
quit
)");
    ASSERT_EQ(Run("--headless --data data --script script.txt", "", 900), 0) << Read("err.txt");
    EXPECT_EQ(Read("err.txt"), "");  // every step done, no box on the way

    // The end-of-game dialog came first, over the battle's last turn.
    EXPECT_NE(Find(ReadWindows(File("end.txt")), "&View Field"), nullptr);

    // The map opens over the main window with the battle just fought framed in white and the
    // battles that may follow in red; Finish waits for a pick, as 1st Bull Run cannot follow
    // itself.
    {
        SCOPED_TRACE("map");
        const std::vector<ShownWindow> map = ReadWindows(File("map.txt"));
        ASSERT_FALSE(map.empty());
        const ShownWindow& dialog = map.front();
        EXPECT_EQ(dialog.text, "Campaign Game");
        EXPECT_EQ(Find(map, "Landscape View"), nullptr);
        const ShownWindow* finish = FindId(map, 10);
        const ShownWindow* cancel = FindId(map, 2);
        ASSERT_NE(finish, nullptr);
        ASSERT_NE(cancel, nullptr);
        EXPECT_FALSE(finish->enabled);
        EXPECT_TRUE(cancel->enabled);
        const platform::ScreenImage shot = Screenshot("map.png");
        ASSERT_GT(shot.width, 0);
        // A frame is one pixel round its box: 2 * (width + height) - 4 pixels.
        EXPECT_GE(FramePixels(shot, dialog, kBullRun, kWhite), 2u * (125 + 25) - 4);
        EXPECT_GE(FramePixels(shot, dialog, kGainesMill, kRed), 2u * (168 + 25) - 4);
    }
    // A click on Gaines Mill picks it: the white frame leaves 1st Bull Run and Finish is enabled.
    {
        SCOPED_TRACE("picked");
        const std::vector<ShownWindow> picked = ReadWindows(File("picked.txt"));
        ASSERT_FALSE(picked.empty());
        const ShownWindow* finish = FindId(picked, 10);
        ASSERT_NE(finish, nullptr);
        EXPECT_TRUE(finish->enabled);
        const platform::ScreenImage shot = Screenshot("picked.png");
        ASSERT_GT(shot.width, 0);
        EXPECT_EQ(FramePixels(shot, picked.front(), kBullRun, kWhite), 0u);
        EXPECT_GE(FramePixels(shot, picked.front(), kGainesMill, kRed), 2u * (168 + 25) - 4);
    }
    // Finish started the battle picked.
    EXPECT_NE(Find(ReadWindows(File("next.txt")), "Landscape View"), nullptr);

    // The save made at the last turn is still a campaign game: ended again, it brings the map
    // back, and Cancel leaves the campaign for the main menu with no battle loaded.
    WriteScript(std::string(R"S(wait-control 106 "Start &Battle" 120000
click-control 101
wait-window "Load Game"
click-control 10
key E
key N
key D
wait-enabled 1
click-control 1
wait-gone "Load Game"
wait-window "1st Bull Run - Turn 13 (end)" 180000
)S") + kEndTheBattle + R"(click-control 2
wait-gone "Campaign Game"
wait-control 106 "Start &Battle" 120000
windows menu.txt
quit
)");
    ASSERT_EQ(Run("--headless --data data --script script.txt", "", 600), 0) << Read("err.txt");
    EXPECT_EQ(Read("err.txt"), "");
    const std::vector<ShownWindow> map = ReadWindows(File("map.txt"));
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(map.front().text, "Campaign Game");
    const std::vector<ShownWindow> menu = ReadWindows(File("menu.txt"));
    EXPECT_NE(Find(menu, "Start &Battle"), nullptr);
    EXPECT_EQ(Find(menu, "Landscape View"), nullptr);
}

} // namespace
} // namespace e2e
