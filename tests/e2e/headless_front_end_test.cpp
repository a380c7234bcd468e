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
std::size_t PixelsOf(const platform::ScreenImage& img, std::uint32_t colour, int l, int t, int r, int b) {
    std::size_t n = 0;
    for (int y = std::max(0, t); y < std::min(img.height, b); ++y)
        for (int x = std::max(0, l); x < std::min(img.width, r); ++x) n += img.At(x, y) == colour;
    return n;
}

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
    // A caption shows its text: white letters on the active caption's navy strip.
    if (!front.text.empty())
        EXPECT_GE(PixelsOf(shot, 0xFFFFFF, front.left, front.top, front.right, front.top + platform::kCaptionHeight + 4), 20u)
            << "no caption text on \"" << front.text << "\"";
}

// Dark text pixels (list items, labels) inside a control of the front window.
std::size_t TextPixelsIn(const platform::ScreenImage& shot, const std::vector<ShownWindow>& windows, int id) {
    for (const ShownWindow& w : windows)
        if (w.depth == 1 && w.id == id) return PixelsOf(shot, 0x000000, w.left, w.top, w.right, w.bottom);
    return 0;
}

// The drawn menu in a picture: the pop-up of the frame's first title stands below the menu bar,
// on the menu's face colour, with dark text, and the title is highlighted.
void CheckOpenMenu(const platform::ScreenImage& shot) {
    const int barTop = platform::kCaptionHeight, barBottom = barTop + platform::kMenuBarHeight;
    EXPECT_GE(PixelsOf(shot, 0x000080, 0, barTop, 60, barBottom), 100u) << "the open title is not highlighted";
    EXPECT_GE(PixelsOf(shot, 0xC0C0C0, 0, barBottom, 160, barBottom + 120), 4000u) << "no pop-up below the bar";
    EXPECT_GE(PixelsOf(shot, 0x000000, 0, barBottom, 160, barBottom + 120), 40u) << "the pop-up shows no text";
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

// Escape closes the dialog in front and brings the person back to the main menu; on the main menu
// it is the Exit button's key, and the program ends well there (status 0, nothing on stderr: it
// was the key that ended it, not a dialog given up for want of input).
TEST_F(HeadlessProgram, EscapeStepsBackToTheMainMenuAndThereEndsTheProgramWell) {
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
key ESCAPE
wait-gone "Choose Scenario"
wait-control 106 "Start &Battle"
windows back.txt
key ESCAPE
)");
    const int status = Run("--headless --data data --script script.txt");
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");
    bool menu = false;
    for (const ShownWindow& w : ReadWindows(File("back.txt"))) menu = menu || (w.id == 106 && w.text == "Start &Battle");
    EXPECT_TRUE(menu);
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

// Every line of the error output that tells of a box or of a failed script step.
void ExpectNoBoxNorFailure(const std::string& err) {
    std::istringstream lines(err);
    std::string line;
    while (std::getline(lines, line))
        if (line.find("[message box]") != std::string::npos || line.find("input script") != std::string::npos ||
            line.find("no scripted input") != std::string::npos)
            ADD_FAILURE() << line;
}

TEST_F(HeadlessProgram, BattleThroughItsDialogsClosedByTheMenuThenExit) {
    // Main menu, scenario, variant, leader control, game options confirmed with the mouse; the
    // battle's map; its Game menu opened with a click and "Close Battle" chosen; the question
    // answered; back at the main menu, whose Exit ends the program.
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
screenshot 1-menu.png
windows 1-menu.txt
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
screenshot 2-variant.png
windows 2-variant.txt
click-control 1
wait-window "Leader Control"
screenshot 3-leader.png
windows 3-leader.txt
click-control 1
wait-window "Game Options"
wait-enabled 1
screenshot 4-options.png
windows 4-options.txt
click-control 1
wait-gone "Game Options"
wait-window "Brandy Station - Turn 1" 180000
click-menu "Brandy Station - Turn 1" "&Game"
screenshot 5-game-menu.png
windows 5-game-menu.txt
click-menu "Brandy Station - Turn 1" "Close Battle"
wait-window "Varnhold"
wait-control 1 "OK"
screenshot 6-close.png
click-control 1
wait-control 106 "Start &Battle" 120000
screenshot 7-back.png
windows 7-back.txt
click-control 2
)");
    const int status = Run("--headless --data data --script script.txt", "", 400);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    ExpectNoBoxNorFailure(err);
    CheckStep(Screenshot("1-menu.png"), ReadWindows(File("1-menu.txt")), {""}, 6);
    const std::vector<ShownWindow> variant = ReadWindows(File("2-variant.txt"));
    CheckStep(Screenshot("2-variant.png"), variant, {"Choose Variant", "Choose Scenario"}, 2);
    EXPECT_GE(TextPixelsIn(Screenshot("2-variant.png"), variant, 101), 30u) << "the variants' list shows no items";
    CheckStep(Screenshot("3-leader.png"), ReadWindows(File("3-leader.txt")), {"Leader Control"}, 5);
    // The battle's scenario offers the turn limit: its box is shown too.
    CheckStep(Screenshot("4-options.png"), ReadWindows(File("4-options.txt")), {"Game Options"}, 8);
    // With the menu open nothing but the frame is on the screen, and the menu is drawn over it.
    std::size_t top = 0;
    for (const ShownWindow& w : ReadWindows(File("5-game-menu.txt"))) top += w.depth == 0;
    EXPECT_EQ(top, 1u);
    CheckOpenMenu(Screenshot("5-game-menu.png"));
    CheckStep(Screenshot("7-back.png"), ReadWindows(File("7-back.txt")), {""}, 6);
}

// Each button of the main menu reaches its dialog (or its battle) and the way back leads to the
// main menu again; History hands the history article to the desktop's opener for web pages (here,
// without a display, the request is only recorded) and leaves the menu as it was. The campaign's
// battle is closed from its Game menu opened with Alt+G and chosen by its letter.
TEST_F(HeadlessProgram, EveryMainMenuButtonLeadsSomewhereAndBack) {
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
click-control 106
wait-window "Choose Scenario"
click-control 2
wait-gone "Choose Scenario"
wait-control 106 "Start &Battle"
click-control 103
wait-window "Enter Your Name"
screenshot 1-name.png
windows 1-name.txt
click-control 2
wait-gone "Enter Your Name"
wait-control 106 "Start &Battle"
click-control 101
wait-window "Load Game"
screenshot 2-load.png
windows 2-load.txt
click-control 2
wait-gone "Load Game"
wait-control 106 "Start &Battle"
click-control 105
pause 1000
windows 3-history.txt
click-control 102
wait-window "Leader Control"
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-window "1st Bull Run - Turn 1" 180000
key-down ALT
key G
key-up ALT
screenshot 4-campaign-menu.png
key C
wait-control 1 "OK"
click-control 1
wait-control 106 "Start &Battle" 120000
screenshot 5-back.png
windows 5-back.txt
click-control 2
)");
    const int status = Run("--headless --data data --script script.txt", "", 400);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    ExpectNoBoxNorFailure(err);
    CheckStep(Screenshot("1-name.png"), ReadWindows(File("1-name.txt")), {"Enter Your Name"}, 2);
    CheckStep(Screenshot("2-load.png"), ReadWindows(File("2-load.txt")), {"Load Game"}, 3);
    std::size_t top = 0;
    for (const ShownWindow& w : ReadWindows(File("3-history.txt"))) top += w.depth == 0;
    EXPECT_EQ(top, 2u);  // the main menu and the frame
    // The request names the article the build generated, as this system's path.
    const std::string article = root + "/data/history/HISTORY.htm";
    EXPECT_NE(err.find("shell: not started without a display: 'xdg-open' '" + article + "'\n"), std::string::npos) << err;
    EXPECT_NE(Read("data/history/HISTORY.htm").find("1st Bull Run"), std::string::npos);
    CheckOpenMenu(Screenshot("4-campaign-menu.png"));
    CheckStep(Screenshot("5-back.png"), ReadWindows(File("5-back.txt")), {""}, 6);
}

// How many pixels two pictures of the same size differ in.
std::size_t Differing(const platform::ScreenImage& a, const platform::ScreenImage& b) {
    if (a.width != b.width || a.height != b.height) return a.pixels.size() + b.pixels.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
    return n;
}

// The map window's menu choices that are open at a battle's start and that no other test takes:
// About, the map's views (reverse view, overview hidden, hex grid, zoomed out and to normal), removing
// the dead, the window arrangements, each chosen once it is open (the battle grays most of them
// while its units move); each leads somewhere (the views change the picture by more
// than the battle's own animation does) and back, and Exit from the menu ends the program well.
TEST_F(HeadlessProgram, MapWindowMenuChoicesLeadSomewhereAndExitEndsTheProgram) {
    WriteScript(std::string(R"(wait-control 106 "Start &Battle" 180000
)") + kStartDefaultBattle + R"(wait-control 3000 "Landscape View" 300000
pause 2000
screenshot 0-still.png
pause 500
screenshot 0-again.png
wait-menu-enabled 102 120000
menu 102
wait-window "About"
windows 1-about.txt
click-control 1
wait-gone "About"
pause 500
screenshot 2-before.png
wait-menu-enabled 223 120000
menu 223
pause 1500
screenshot 2-reversed.png
wait-menu-enabled 223 120000
menu 223
pause 1500
screenshot 3-before.png
wait-menu-enabled 250 120000
menu 250
pause 1500
screenshot 3-no-overview.png
wait-menu-enabled 251 120000
menu 251
pause 1500
screenshot 4-before.png
wait-menu-enabled 257 120000
menu 257
pause 1500
screenshot 4-grid.png
wait-menu-enabled 258 120000
menu 258
pause 1500
wait-menu-enabled 218 120000
menu 218
pause 1500
screenshot 5-zoomed-in.png
wait-menu-enabled 216 120000
menu 216
pause 1500
screenshot 5-zoomed-out.png
wait-menu-enabled 217 120000
menu 217
pause 1500
screenshot 5-normal.png
wait-menu-enabled 253 120000
menu 253
wait-menu-enabled 104 120000
menu 104
wait-menu-enabled 106 120000
menu 106
wait-menu-enabled 107 120000
menu 107
wait-menu-enabled 105 120000
menu 105
pause 1000
windows 6-arranged.txt
wait-menu-enabled 101 120000
menu 101
wait-window "Varnhold"
wait-control 1 "OK"
click-control 1
)");
    const int status = Run("--headless --data data --script script.txt", "", 400);
    const std::string err = Read("err.txt");
    EXPECT_EQ(status, 0) << err;
    ExpectNoBoxNorFailure(err);
    const std::vector<ShownWindow> about = ReadWindows(File("1-about.txt"));
    ASSERT_FALSE(about.empty());
    EXPECT_EQ(about[0].text, "About");
    // What the battle changes by itself in a few moments, with nothing chosen.
    const std::size_t noise = Differing(Screenshot("0-still.png"), Screenshot("0-again.png"));
    const struct {
        const char *before, *after, *what;
    } views[] = {
        {"2-before.png", "2-reversed.png", "Reverse View"},
        {"3-before.png", "3-no-overview.png", "Hide Overview"},
        {"4-before.png", "4-grid.png", "Show Hex Grid"},
        {"5-zoomed-in.png", "5-zoomed-out.png", "Zoom Out"},
        {"5-zoomed-out.png", "5-normal.png", "Normal"},
    };
    for (const auto& v : views)
        EXPECT_GT(Differing(Screenshot(v.before), Screenshot(v.after)), 2 * noise + 2000) << v.what << " changed nothing";
    // The arrangements keep the battle's map window.
    std::size_t maps = 0;
    for (const ShownWindow& w : ReadWindows(File("6-arranged.txt"))) maps += w.text == "Landscape View";
    EXPECT_EQ(maps, 1u);
}

} // namespace
} // namespace e2e
