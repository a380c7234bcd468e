// The real program in a real window, playing a battle with the mouse: SDL under an X server of the
// test's own (Xvfb), real X clicks and keys (xdotool), X pictures of the window (import). A
// headless run first saves the battle at its first activation and finds the leader and a hex he
// may reach; the X run opens that saved game from the main menu and moves the leader by clicks.
#include "tests/e2e/battle_fixture.h"
#include "tests/e2e/x_session.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace e2e {
namespace {

// The centre of a control of a "windows" dump, in the frame's own coordinates.
bool ControlCentre(const std::vector<ShownWindow>& windows, int id, int& x, int& y) {
    int left = 0, top = 0;
    for (const ShownWindow& w : windows)
        if (w.depth == 0) left = std::max(w.left, 0), top = std::max(w.top, 0);  // the frame: the last at depth 0
    for (const ShownWindow& w : windows)
        if (w.id == id && w.depth > 0) {
            x = (w.left + w.right) / 2 - left;
            y = (w.top + w.bottom) / 2 - top;
            return true;
        }
    return false;
}

class XBattle : public XSession<FirstActivation> {
protected:
    // Takes X pictures of the window until `met` holds for one (up to `seconds`); the last is
    // kept as `name`. Returns as soon as it holds.
    bool WaitFor(const std::string& name, int seconds, const std::function<bool(const platform::ScreenImage&)>& met) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < until) {
            X(std::string(VH_E2E_IMPORT) + " -window " + window + " '" + File(name) + "' 2>/dev/null");
            platform::ScreenImage shot;
            if (platform::LoadPNG(File(name), shot) && shot.width >= 1024 && shot.height >= 768 && met(shot)) return true;
            ::usleep(200000);
        }
        return false;
    }

    void ClickAt(int x, int y) const {
        X(std::string(VH_E2E_XDOTOOL) + " mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
          " click 1");
    }

    std::string window;
};

TEST_F(XBattle, ALeaderMovesByRealClicksInTheSavedBattle) {
    Step("the headless first activation");
    int leaderX = 0, leaderY = 0, targetX = 0, targetY = 0;
    SaveFirstActivation(leaderX, leaderY, targetX, targetY);
    if (HasFatalFailure()) return;
    const platform::ScreenImage saved = Screenshot("0-saved.png");

    // Where the main menu's Load Game button and the Load Game dialog's name and OK are.
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
windows h-menu.txt
click-control 101
wait-window "Load Game"
windows h-load.txt
quit
)");
    ASSERT_EQ(Run("--headless --data data --script script.txt"), 0) << Read("err.txt");
    int loadX = 0, loadY = 0, nameX = 0, nameY = 0, okX = 0, okY = 0;
    ASSERT_TRUE(ControlCentre(ReadWindows(File("h-menu.txt")), 101, loadX, loadY));
    const std::vector<ShownWindow> load = ReadWindows(File("h-load.txt"));
    ASSERT_TRUE(ControlCentre(load, 10, nameX, nameY));
    ASSERT_TRUE(ControlCentre(load, 1, okX, okY));

    ASSERT_TRUE(StartServer()) << Read("xvfb.txt");
    Step("the X server is up");
    StartProgram();
    window = WaitWindow();
    ASSERT_FALSE(window.empty()) << Read("x-err.txt");
    Step("the program's window is up");

    // The main menu is up once its Load Game button is drawn where the headless one stands: the
    // picture there stops being the empty frame's. Clicking it too early is harmless: it is
    // clicked again until the dialog shows (its name field's white).
    const auto white = [](const platform::ScreenImage& img, int x, int y) { return (img.At(x, y) & 0xFFFFFF) == 0xFFFFFF; };
    bool dialog = false;
    for (int attempt = 0; attempt < 30 && !dialog; ++attempt) {
        ClickAt(loadX, loadY);
        dialog = WaitFor("x-load.png", 6, [&](const platform::ScreenImage& img) { return white(img, nameX, nameY); });
    }
    ASSERT_TRUE(dialog) << "no Load Game dialog";
    Step("the Load Game dialog is up; naming the saved game");
    ClickAt(nameX, nameY);
    // The name as the headless run saved it; the list's descriptions are matched exactly, and OK
    // stays disabled until they match.
    X(std::string(VH_E2E_XDOTOOL) + " type --window " + window + " mid");
    ClickAt(okX, okY);

    // The saved battle is shown as it was saved: block by block, the map area is the picture taken
    // right after saving.
    const auto asSaved = [&](const platform::ScreenImage& img) {
        std::size_t blocks = 0;
        const std::size_t changed = DifferingBlocksOf(saved, img, blocks);
        return blocks > 0 && changed < blocks / 10;
    };
    ASSERT_TRUE(WaitFor("x-opened.png", 120, asSaved)) << "the saved battle was not shown as saved";
    Step("the saved battle is shown; clicking the leader");

    ClickAt(leaderX, leaderY);
    EXPECT_TRUE(WaitFor("x-selected.png", 60, [&](const platform::ScreenImage& img) {
        return OutlinePixels(img, leaderX - 70, leaderY - 35, leaderX + 70, leaderY + 35) > 150;
    })) << "the leader was not selected";
    Step("the leader is selected; clicking a hex he may reach");

    ClickAt(targetX, targetY);
    EXPECT_TRUE(WaitFor("x-moved.png", 120, [&](const platform::ScreenImage& img) {
        int x = 0, y = 0;
        return OutlineMiddle(img, 0, kMapTop, kMapRight, kMapBottom, x, y) && std::abs(x - targetX) < 70 &&
               std::abs(y - targetY) < 40;
    })) << "no move to " << targetX << "," << targetY << " was ordered";
    Step("the move is ordered (the hex to move to outlined); waiting for the walk to end");

    // The walk has ended once two pictures in a row show the same map; by then the leader has
    // left the middle of his old hex.
    const platform::ScreenImage selected = Screenshot("x-selected.png");
    platform::ScreenImage last;
    const bool settled = WaitFor("x-walked.png", 120, [&](const platform::ScreenImage& img) {
        const bool same = last.width == img.width && last.height == img.height &&
                          Differing(last, img, 0, kMapTop, kMapRight, kMapBottom) == 0;
        last = img;
        return same;
    });
    EXPECT_TRUE(settled) << "the map kept changing";
    EXPECT_GT(Differing(selected, last, leaderX - 30, leaderY - 30, leaderX + 30, leaderY + 10), 100u)
        << "the leader is still where he stood";
    Step("the leader walked");
}

} // namespace
} // namespace e2e
