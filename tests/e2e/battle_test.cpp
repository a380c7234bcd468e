// The real program, headless, driven by its input script into a battle on the map and back: a
// battle started from the main menu with one side played by the person, the map and the armies
// drawn, the view zoomed with the toolbar, the game saved mid-battle, the battle closed, the saved
// game opened again from the main menu onto the same map, and the program left from the menu.
#include "tests/e2e/battle_fixture.h"

#include <cstdlib>

namespace e2e {
namespace {

class BattleOnTheMap : public FirstActivation {};

const ShownWindow* Find(const std::vector<ShownWindow>& windows, const std::string& text) {
    for (const ShownWindow& w : windows)
        if (w.text == text) return &w;
    return nullptr;
}


// The frame's caption in a window list.
std::string FrameCaption(const std::vector<ShownWindow>& windows) {
    for (const ShownWindow& w : windows)
        if (w.depth == 0 && w.cls == "GenericMDI") return w.text;
    return "";
}

TEST_F(BattleOnTheMap, BattleFromTheMenuIsDrawnZoomedSavedClosedAndReopenedAsItWas) {
    const std::string open = R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
click-control 1
wait-window "Leader Control"
screenshot 0-leaders.png
windows 0-leaders.txt
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-gone "Game Options"
wait-window "Brandy Station - Turn 1" 180000
pause 3000
screenshot 1-map.png
windows 1-map.txt
)";
    const std::string zoom = "click " + std::to_string(kZoomInX) + " " + std::to_string(kToolbarY) + "\n" +
                             "pause 3000\nscreenshot 2-zoomed.png\nwindows 2-zoomed.txt\n";
    const std::string close = "click " + std::to_string(kCloseBattleX) + " " + std::to_string(kToolbarY) + "\n" +
                              R"(wait-window "Varnhold"
click-control 1
wait-control 106 "Start &Battle" 180000
)";
    WriteScript(open + zoom + kSaveAsMid + R"(pause 3000
screenshot 3-saved.png
)" + close + R"S(screenshot 4-menu.png
windows 4-menu.txt
)S" + kLoadMid + R"S(pause 3000
screenshot 5-reopened.png
windows 5-reopened.txt
)S" + close + R"(windows 6-menu.txt
click-control 2
)");
    const int status = Run("--headless --data data --script script.txt", "", 600);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");  // no box, no failed step

    // One side the person's, the other the computer's: the default choice.
    const std::vector<ShownWindow> leaders = ReadWindows(File("0-leaders.txt"));
    ASSERT_FALSE(leaders.empty());
    EXPECT_EQ(leaders[0].text, "Leader Control");
    EXPECT_NE(Find(leaders, "Player"), nullptr);
    EXPECT_NE(Find(leaders, "Computer"), nullptr);

    // The battle is on the map: the frame carries the battle's caption, the map window fills the
    // client area, and the map shows the ground and the figures (many colours, not one flat fill).
    const std::vector<ShownWindow> map = ReadWindows(File("1-map.txt"));
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(FrameCaption(map), "Brandy Station - Turn 1");
    ASSERT_NE(Find(map, "Landscape View"), nullptr);
    const platform::ScreenImage first = Screenshot("1-map.png");
    ASSERT_GT(first.width, 0);
    // The map area below the toolbar and above the status bar.
    const int top = 72, bottom = 736;
    EXPECT_GE(ColoursIn(first, 0, top, first.width, bottom), 40u);

    // Zoomed in, the same window shows a different, still detailed picture.
    const platform::ScreenImage zoomed = Screenshot("2-zoomed.png");
    ASSERT_EQ(zoomed.width, first.width);
    EXPECT_NE(Find(ReadWindows(File("2-zoomed.txt")), "Landscape View"), nullptr);
    EXPECT_GT(Differing(first, zoomed, 0, top, first.width, bottom), static_cast<std::size_t>(first.width) * 100);
    EXPECT_GE(ColoursIn(zoomed, 0, top, zoomed.width, bottom), 40u);

    // Closing the battle leads back to the main menu, with no map window left.
    const std::vector<ShownWindow> menu = ReadWindows(File("4-menu.txt"));
    EXPECT_EQ(Find(menu, "Landscape View"), nullptr);
    EXPECT_TRUE(fs::exists(File("data/mid.Vh")) || fs::exists(File("home/mid.Vh")) || HasFile(File("data"), "mid.Vh"));

    // The saved game reopens on the same map, zoomed as it was, with the armies where they stood:
    // the map area is, block by block, the picture taken right after saving.
    const std::vector<ShownWindow> reopened = ReadWindows(File("5-reopened.txt"));
    EXPECT_EQ(FrameCaption(reopened), "Brandy Station - Turn 1 (mid)");
    EXPECT_NE(Find(reopened, "Landscape View"), nullptr);
    const platform::ScreenImage saved = Screenshot("3-saved.png");
    const platform::ScreenImage again = Screenshot("5-reopened.png");
    ASSERT_EQ(saved.width, again.width);
    ASSERT_EQ(saved.height, again.height);
    std::size_t blocks = 0;
    const std::size_t moved = DifferingBlocks(saved, again, 0, top, saved.width, bottom, blocks);
    EXPECT_LT(moved, blocks / 10) << moved << " of " << blocks;
    // The check itself tells a different view apart: the map before zooming differs widely.
    EXPECT_GT(DifferingBlocks(first, again, 0, top, saved.width, bottom, blocks), blocks / 4);
    EXPECT_EQ(Find(ReadWindows(File("6-menu.txt")), "Landscape View"), nullptr);
}


// Which leader acts first is the battle's own random draw. A first run saves the battle at that
// moment and, with a group move, shows where the leader stands (his hex outlined) and the hexes
// his group may reach (lit). The second run opens the saved game, where the same view shows the
// same leader, and plays him with the mouse alone: a click on him, a click on a hex he may reach,
// then Finish Leader from the menu.
TEST_F(BattleOnTheMap, ALeaderIsSelectedAndMovedByClicksAndFinishedFromTheMenu) {
    int leaderX = 0, leaderY = 0, targetX = 0, targetY = 0;
    SaveFirstActivation(leaderX, leaderY, targetX, targetY);
    if (HasFatalFailure()) return;
    const platform::ScreenImage saved = Screenshot("0-saved.png");
    const int top = kMapTop, bottom = kMapBottom, right = kMapRight;

    WriteScript(R"S(wait-control 106 "Start &Battle" 120000
)S" + std::string(kLoadMid) + R"S(wait-menu-enabled 209 120000
menu 209
pause 3000
screenshot 1-leader.png
click )S" + std::to_string(leaderX) + " " + std::to_string(leaderY) + R"(
pause 2000
screenshot 2-selected.png
click )" + std::to_string(targetX) + " " + std::to_string(targetY) + R"(
pause 1000
wait-menu-enabled 224 120000
pause 2000
screenshot 3-moved.png
menu 224
pause 2000
windows 4-finished.txt
quit
)");
    const int status = Run("--headless --data data --script script.txt", "", 300);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");  // every step done: the move ended and Finish Leader could be chosen

    // The leader's hex and the one he is sent to (for the hex he leaves, its face inside the
    // outline's edges, which the next hex's outline shares).
    const int leaderHex[4] = {leaderX - 70, leaderY - 35, leaderX + 70, leaderY + 35};
    const int leader[4] = {leaderX - 50, leaderY - 20, leaderX + 50, leaderY + 20};
    const int target[4] = {targetX - 40, targetY - 20, targetX + 40, targetY + 20};
    const auto outline = [](const platform::ScreenImage& img, const int* box) {
        return OutlinePixels(img, box[0], box[1], box[2], box[3]);
    };
    const platform::ScreenImage before = Screenshot("1-leader.png");
    const platform::ScreenImage selected = Screenshot("2-selected.png");
    const platform::ScreenImage moved = Screenshot("3-moved.png");
    ASSERT_GT(before.width, 0);
    ASSERT_EQ(selected.width, before.width);
    ASSERT_EQ(moved.width, before.width);

    // The reopened battle shows the view that was saved.
    std::size_t blocks = 0;
    const std::size_t changed = DifferingBlocks(saved, before, 0, top, right, bottom, blocks);
    EXPECT_LT(changed, blocks / 10) << changed << " of " << blocks;
    // The click on the leader selected him: his hex is outlined, and his reach is lit (the hex he
    // is sent to is drawn brighter than before).
    EXPECT_LT(outline(before, leaderHex), 20u);  // a stray pixel of a flag or a road may match
    EXPECT_GT(outline(selected, leaderHex), 150u);
    EXPECT_GT(Differing(before, selected, target[0], target[1], target[2], target[3]), 1000u);
    // The click on a lit hex moved him there: the outline went with him, and the middle of his old
    // hex no longer shows him.
    int nowX = 0, nowY = 0;
    ASSERT_TRUE(OutlineMiddle(moved, 0, top, right, bottom, nowX, nowY));
    EXPECT_LT(std::abs(nowX - targetX), 70) << nowX << "," << nowY;
    EXPECT_LT(std::abs(nowY - targetY), 40) << nowX << "," << nowY;
    EXPECT_LT(outline(moved, leader), 20u);
    EXPECT_GT(Differing(selected, moved, leaderX - 30, leaderY - 30, leaderX + 30, leaderY + 10), 100u);

    // Finishing the leader from the menu kept the battle on its map.
    EXPECT_NE(Find(ReadWindows(File("4-finished.txt")), "Landscape View"), nullptr);
}

// The overview map's unit marks in the real program: the person's side is marked wherever it
// stands; under fog of war the other side's units out of sight are not, so there are fewer of its
// marks than in the same opening without fog.
TEST_F(BattleOnTheMap, TheOverviewMarksBothArmiesAndTheFogHidesTheEnemyOutOfSight) {
    const auto script = [](bool fog, const char* shot) {
        return std::string(R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
click-control 1
wait-window "Leader Control"
click-control 1
wait-window "Game Options"
wait-enabled 1
)") + (fog ? "" : "click-control 16\n") + R"(click-control 1
wait-gone "Game Options"
wait-window "Brandy Station - Turn 1" 180000
pause 3000
screenshot )" + shot + "\nquit\n";
    };
    // The overview's place on the 1024 x 768 screen: right of the map, below the toolbar.
    const auto marks = [](const platform::ScreenImage& img, std::size_t& blue, std::size_t& red) {
        blue = red = 0;
        for (int y = kMapTop; y < 180; ++y)
            for (int x = kMapRight + 4; x < img.width; ++x) {
                const std::uint32_t c = img.At(x, y);
                const int r = static_cast<int>((c >> 16) & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
                          b = static_cast<int>(c & 0xFF);
                if (b > 200 && r < 60 && g < 60) ++blue;
                if (r > 200 && g < 60 && b < 60) ++red;
            }
    };
    std::size_t blue[2] = {}, red[2] = {};
    const char* const shots[2] = {"fog.png", "clear.png"};
    for (int k = 0; k < 2; ++k) {
        WriteScript(script(k == 0, shots[k]));
        ASSERT_EQ(Run("--headless --data data --script script.txt", "", 300), 0) << Read("err.txt");
        ASSERT_EQ(Read("err.txt"), "");
        const platform::ScreenImage img = Screenshot(shots[k]);
        ASSERT_GT(img.width, 0);
        marks(img, blue[k], red[k]);
    }
    // Without fog both armies are marked.
    EXPECT_GT(blue[1], 20u);
    EXPECT_GT(red[1], 20u);
    // With it one side (the person's) keeps every mark and the other loses some.
    const bool blueOwn = blue[0] == blue[1];
    EXPECT_TRUE(blueOwn || red[0] == red[1]) << blue[0] << "/" << blue[1] << " " << red[0] << "/" << red[1];
    EXPECT_LT(blueOwn ? red[0] : blue[0], blueOwn ? red[1] : blue[1]);
}

} // namespace
} // namespace e2e
