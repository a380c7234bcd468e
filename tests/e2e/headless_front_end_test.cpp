// The real program, headless, driven by its input script through the front end and back.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

class HeadlessProgram : public RealProgram {};

TEST_F(HeadlessProgram, HelpIsPrintedOnStandardOutputAndEndsWell) {
    EXPECT_EQ(Run("--help"), 0);
    const std::string out = Read("out.txt");
    for (const char* option : {"--help", "--data", "--headless", "--script"}) EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_EQ(Read("err.txt"), "");
}

TEST_F(HeadlessProgram, DataDirectoryIsCheckedBeforeItIsRecorded) {
    // A directory that does not exist, and one without the game's files: refused, nothing recorded.
    EXPECT_NE(Run("--headless --data no-such-directory"), 0);
    EXPECT_NE(Read("err.txt").find(root + "/no-such-directory does not exist"), std::string::npos) << Read("err.txt");
    fs::create_directories(File("empty"));
    EXPECT_NE(Run("--headless --data empty"), 0);
    const std::string err = Read("err.txt");
    EXPECT_NE(err.find(root + "/empty is not a Varnhold data directory"), std::string::npos) << err;
    EXPECT_NE(err.find("qifdemo.hed"), std::string::npos) << err;
    EXPECT_EQ(err.find('\\'), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(File("home/registry.dat")) && Read("home/registry.dat").find("empty") != std::string::npos);
}

TEST_F(HeadlessProgram, UnknownOptionIsRefused) { EXPECT_EQ(Run("--frobnicate"), 2); }

// Checks a step's picture against its window list: the dialogs named are the top-level windows
// in front, front first, the frame is behind them and nothing else was opened (no box that was
// not expected); every button of the front dialog that lies inside it shows something (its art
// and its label), and there are `buttons` of them.
void CheckStep(const platform::ScreenImage& shot, const std::vector<ShownWindow>& windows,
               const std::vector<std::string>& captions, std::size_t buttons) {
    SCOPED_TRACE(captions.front());
    std::vector<const ShownWindow*> top;
    for (const ShownWindow& w : windows)
        if (w.depth == 0) top.push_back(&w);
    ASSERT_EQ(top.size(), captions.size() + 1);
    for (std::size_t i = 0; i < captions.size(); ++i) EXPECT_EQ(top[i]->text, captions[i]);
    EXPECT_EQ(top.back()->cls, "GenericMDI");
    ASSERT_GT(shot.width, 0);
    const ShownWindow& front = *top[0];
    std::size_t shown = 0;
    bool inFront = false;
    for (const ShownWindow& w : windows) {
        if (w.depth == 0) inFront = &w == top[0];
        if (!inFront || w.depth != 1 || w.cls != "Button") continue;
        if (w.left >= front.right || w.top >= front.bottom) continue;  // placed outside: never seen
        ++shown;
        // A flat rectangle is a control nobody painted.
        EXPECT_GE(ColoursIn(shot, w.left, w.top, std::min(w.right, front.right), std::min(w.bottom, front.bottom)), 2u)
            << "control " << w.id << " \"" << w.text << "\"";
    }
    EXPECT_EQ(shown, buttons);
}

TEST_F(HeadlessProgram, SingleBattleChoiceLeadsThroughScenarioAndVariantAndBackToTheMenu) {
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
screenshot 1-main-menu.png
windows 1-main-menu.txt
click-control 106
wait-window "Choose Scenario"
screenshot 2-scenario.png
windows 2-scenario.txt
click-control 1
wait-window "Choose Variant"
screenshot 3-variant.png
windows 3-variant.txt
click-control 2
wait-gone "Choose Variant"
click-control 2
wait-gone "Choose Scenario"
wait-control 106 "Start &Battle"
screenshot 4-back.png
windows 4-back.txt
click-control 2
)");
    const int status = Run("--headless --data data --script script.txt");
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");  // no box, no failed step
    CheckStep(Screenshot("1-main-menu.png"), ReadWindows(File("1-main-menu.txt")), {""}, 6);
    CheckStep(Screenshot("2-scenario.png"), ReadWindows(File("2-scenario.txt")), {"Choose Scenario"}, 3);
    CheckStep(Screenshot("3-variant.png"), ReadWindows(File("3-variant.txt")), {"Choose Variant", "Choose Scenario"}, 2);
    CheckStep(Screenshot("4-back.png"), ReadWindows(File("4-back.txt")), {""}, 6);
}

TEST_F(HeadlessProgram, CampaignLeadsThroughLeaderControlAndGameOptionsConfirmedWithTheMouse) {
    // Leader control and game options come before the campaign's first battle is loaded. Game
    // Options opens with every control usable by the player who chooses (the opening message has
    // no value, which used to be read as "the other player chooses" and disabled them all), and
    // a mouse click on its OK closes it.
    WriteScript(R"(wait-control 102 "Start &Campaign" 120000
click-control 102
wait-window "Leader Control"
screenshot 1-leader.png
windows 1-leader.txt
click-control 1
wait-window "Game Options"
wait-enabled 1
screenshot 2-options.png
windows 2-options.txt
click-control 1
wait-gone "Game Options"
wait-window "1st Bull Run - Turn 1" 180000
pause 2000
screenshot 3-battle.png
windows 3-battle.txt
quit
)");
    // The campaign's first battle then opens on the map and waits for the person's orders; the
    // script ends the program there.
    const int status = Run("--headless --data data --script script.txt", "", 200);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err.find("input script"), std::string::npos) << err;
    std::istringstream lines(err);
    std::string line;
    while (std::getline(lines, line))
        if (line.find("[message box]") != std::string::npos)
            ADD_FAILURE() << line;

    CheckStep(Screenshot("1-leader.png"), ReadWindows(File("1-leader.txt")), {"Leader Control"}, 5);
    CheckStep(Screenshot("2-options.png"), ReadWindows(File("2-options.txt")), {"Game Options"}, 8);
    // Turn limits stay off in this edition; everything else is the chooser's.
    for (const ShownWindow& w : ReadWindows(File("2-options.txt")))
        if (w.depth == 1 && w.cls == "Button" && w.id != 15) EXPECT_TRUE(w.enabled) << w.id << " " << w.text;
    // The battle is on the map in the frame.
    bool map = false;
    for (const ShownWindow& w : ReadWindows(File("3-battle.txt"))) map = map || w.text == "Landscape View";
    EXPECT_TRUE(map);
}

} // namespace
} // namespace e2e
