// The real program in a real window: SDL under an X server of the test's own (Xvfb), driven by real
// X input events (xdotool). Each step's X picture of the window is compared, with a tolerance, to
// the headless program's composition of the same step.
#include "tests/e2e/x_session.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace e2e {
namespace {

// The share of pixels whose channels all lie within `tolerance` of the other picture's.
double Likeness(const platform::ScreenImage& a, const platform::ScreenImage& b, int tolerance = 24) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 0.0;
    std::size_t close = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const std::uint32_t p = a.pixels[i], q = b.pixels[i];
        bool near = true;
        for (int shift : {0, 8, 16}) {
            const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
            if (d > tolerance || d < -tolerance) near = false;
        }
        close += near ? 1 : 0;
    }
    return static_cast<double>(close) / static_cast<double>(a.pixels.size());
}

platform::ScreenImage Crop(const platform::ScreenImage& img, int l, int t, int r, int b) {
    l = std::max(l, 0);
    t = std::max(t, 0);
    platform::ScreenImage out;
    out.width = std::max(0, std::min(r, img.width) - l);
    out.height = std::max(0, std::min(b, img.height) - t);
    for (int y = t; y < t + out.height; ++y)
        for (int x = l; x < l + out.width; ++x) out.pixels.push_back(img.At(x, y));
    return out;
}

class XProgram : public XSession<RealProgram> {
protected:
    // Waits until the part `area` (window coordinates) of the window's X picture looks like the
    // same part of `expected` (up to two minutes, as each picture taken costs a second on a loaded
    // machine); the last picture is kept as `name`.
    double WaitForArea(const std::string& window, const platform::ScreenImage& expected, RECT area, const std::string& name) const {
        const platform::ScreenImage want = Crop(expected, area.left, area.top, area.right, area.bottom);
        double best = 0.0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < until) {
            X(std::string(VH_E2E_IMPORT) + " -window " + window + " '" + File(name) + "' 2>/dev/null");
            platform::ScreenImage shot;
            if (platform::LoadPNG(File(name), shot)) {
                best = std::max(best, Likeness(Crop(shot, area.left, area.top, area.right, area.bottom), want));
                if (best >= 0.97) return best;
            }
            ::usleep(100000);
        }
        return best;
    }
    // The same for the whole window.
    double WaitForPicture(const std::string& window, const platform::ScreenImage& expected, const std::string& name) const {
        return WaitForArea(window, expected, RECT{0, 0, expected.width, expected.height}, name);
    }

    // A real click at a screen point of the headless run, in the window's coordinates.
    void ClickAt(const std::string& window, int x, int y, const ShownWindow& frame) const {
        X(std::string(VH_E2E_XDOTOOL) + " mousemove --window " + window + " " + std::to_string(x - std::max(frame.left, 0)) + " " +
          std::to_string(y - std::max(frame.top, 0)) + " click 1");
    }
    void ClickControl(const std::string& window, const std::vector<ShownWindow>& shown, int id, const ShownWindow& frame) const {
        for (const ShownWindow& w : shown)
            if (w.depth == 1 && w.id == id) {
                ClickAt(window, (w.left + w.right) / 2, (w.top + w.bottom) / 2, frame);
                return;
            }
        ADD_FAILURE() << "no control " << id;
    }
    void Keys(const std::string& window, const std::string& keys) const {
        X(std::string(VH_E2E_XDOTOOL) + " key --window " + window + " " + keys);
    }

};

const ShownWindow* Find(const std::vector<ShownWindow>& windows, int depth, const std::string& cls, int id = 0) {
    for (const ShownWindow& w : windows)
        if (w.depth == depth && (cls.empty() || w.cls == cls) && (id == 0 || w.id == id)) return &w;
    return nullptr;
}

TEST_F(XProgram, MainMenuAndScenarioChoiceLookAsHeadlessAndAnswerRealClicks) {
    // The headless run of the same steps gives the pictures to compare with.
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
screenshot h-main-menu.png
windows h-main-menu.txt
click-control 106
wait-window "Choose Scenario"
screenshot h-scenario.png
windows h-scenario.txt
)");
    Step("the headless run");
    ASSERT_EQ(Run("--headless --data data --script script.txt"), 0) << Read("err.txt");
    const std::vector<ShownWindow> menuWindows = ReadWindows(File("h-main-menu.txt"));
    const ShownWindow* frame = Find(menuWindows, 0, "");
    ASSERT_NE(frame, nullptr);
    // The frame is the back-most top-level window: the last one at depth 0.
    for (const ShownWindow& w : menuWindows)
        if (w.depth == 0) frame = &w;
    const ShownWindow* start = nullptr;
    for (const ShownWindow& w : menuWindows)
        if (w.id == 106) start = &w;
    ASSERT_NE(start, nullptr);
    const platform::ScreenImage menu = Crop(Screenshot("h-main-menu.png"), frame->left, frame->top, frame->right, frame->bottom);
    const platform::ScreenImage scenario = Crop(Screenshot("h-scenario.png"), frame->left, frame->top, frame->right, frame->bottom);

    ASSERT_TRUE(StartServer()) << Read("xvfb.txt");
    Step("the X server is up");
    StartProgram();
    const std::string window = WaitWindow();
    ASSERT_FALSE(window.empty()) << Read("x-err.txt");
    Step("the program's window is up");

    EXPECT_GE(WaitForPicture(window, menu, "x-main-menu.png"), 0.97) << "the main menu differs from the headless one";
    // A real click on "Start Battle", in the window's own coordinates.
    const int x = (start->left + start->right) / 2 - std::max(frame->left, 0);
    const int y = (start->top + start->bottom) / 2 - std::max(frame->top, 0);
    Step("the main menu compared; clicking Start Battle");
    X(std::string(VH_E2E_XDOTOOL) + " mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
      " click 1");
    EXPECT_GE(WaitForPicture(window, scenario, "x-scenario.png"), 0.97) << "the scenario choice differs from the headless one";
    Step("the scenario choice compared");
}

// The frame as drawn: the back-most top-level window of a step's window list.
ShownWindow FrameOf(const std::vector<ShownWindow>& windows) {
    ShownWindow frame;
    for (const ShownWindow& w : windows)
        if (w.depth == 0) frame = w;
    return frame;
}

// Into a battle through the dialogs with real clicks, then its menus in the real window: the Game
// menu opened by a click on its title and closed by Escape, opened again with Alt+G, and "Close
// Battle" chosen by its underlined letter; the question answered with Return and the main menu's
// Exit clicked. Each step's picture is compared with the headless one (the pop-up and the menu bar
// by themselves, since the map under them moves).
TEST_F(XProgram, BattleMenusOpenByRealClicksAndAltKeysAndLeadBackToTheMainMenu) {
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
windows h1.txt
screenshot h1.png
click-control 106
wait-window "Choose Scenario"
windows h2.txt
screenshot h2.png
click-control 1
wait-window "Choose Variant"
windows h3.txt
screenshot h3.png
click-control 1
wait-window "Leader Control"
windows h4.txt
screenshot h4.png
click-control 1
wait-window "Game Options"
wait-enabled 1
windows h5.txt
screenshot h5.png
click-control 1
wait-gone "Game Options"
wait-window "Brandy Station - Turn 1" 180000
pause 3000
screenshot h6.png
click-menu "Brandy Station - Turn 1" "&Game"
screenshot h7.png
key ESCAPE
key ESCAPE
key-down ALT
key G
key-up ALT
screenshot h10.png
key C
wait-window "Varnhold"
wait-control 1 "OK"
windows h8.txt
screenshot h8.png
click-control 1
wait-control 106 "Start &Battle" 120000
windows h9.txt
screenshot h9.png
click-control 2
)");
    Step("the headless run");
    ASSERT_EQ(Run("--headless --data data --script script.txt", "", 400), 0) << Read("err.txt");
    std::vector<std::vector<ShownWindow>> shown(11);
    std::vector<platform::ScreenImage> pictures(11);
    for (int i : {1, 2, 3, 4, 5, 8, 9}) shown[i] = ReadWindows(File("h" + std::to_string(i) + ".txt"));
    for (int i = 1; i <= 10; ++i) pictures[i] = Screenshot("h" + std::to_string(i) + ".png");
    const ShownWindow frame = FrameOf(shown[1]);
    ASSERT_GT(frame.right, frame.left);
    const int width = frame.right - std::max(frame.left, 0);
    // Window coordinates of the headless pictures, cut to the frame.
    for (auto& p : pictures) p = Crop(p, frame.left, frame.top, frame.right, frame.bottom);
    const int barTop = platform::kCaptionHeight, barBottom = barTop + platform::kMenuBarHeight;
    const RECT bar{0, barTop, width, barBottom};
    // The open Game title: the highlighted part of the bar in the headless picture.
    int titleLeft = width, titleRight = -1;
    for (int y = barTop; y < barBottom; ++y)
        for (int x = 0; x < pictures[7].width; ++x)
            if (pictures[7].At(x, y) == 0x000080) {
                titleLeft = std::min(titleLeft, x);
                titleRight = std::max(titleRight, x);
            }
    ASSERT_GT(titleRight, titleLeft) << "no open title in the headless picture";
    const RECT popup{titleLeft, barBottom, titleLeft + 200, barBottom + 160};

    ASSERT_TRUE(StartServer()) << Read("xvfb.txt");
    StartProgram();
    const std::string window = WaitWindow();
    ASSERT_FALSE(window.empty()) << Read("x-err.txt");
    const RECT whole{0, 0, width, frame.bottom - std::max(frame.top, 0)};
    const char* names[] = {"", "main menu", "scenario", "variant", "leader control", "game options"};
    const int next[] = {0, 106, 1, 1, 1, 1};
    for (int i = 1; i <= 5; ++i) {
        Step(std::string("waiting for the ") + names[i]);
        EXPECT_GE(WaitForArea(window, pictures[i], whole, "x" + std::to_string(i) + ".png"), 0.97) << names[i];
        ClickControl(window, shown[i], next[i], frame);
    }
    Step("waiting for the battle's menu bar");
    ASSERT_GE(WaitForArea(window, pictures[6], bar, "x6.png"), 0.97) << "no battle menu bar";
    Step("a click on the Game title");
    ClickAt(window, frame.left + (titleLeft + titleRight) / 2, frame.top + (barTop + barBottom) / 2, frame);
    EXPECT_GE(WaitForArea(window, pictures[7], popup, "x7-click.png"), 0.97) << "the Game menu did not open by a click";
    Step("Escape twice closes it");
    Keys(window, "Escape");
    Keys(window, "Escape");
    EXPECT_GE(WaitForArea(window, pictures[6], bar, "x7-closed.png"), 0.97) << "the menu bar did not come back";
    Step("Alt+G");
    Keys(window, "alt+g");
    // Opened from the keyboard, its first item is highlighted.
    EXPECT_GE(WaitForArea(window, pictures[10], popup, "x7-alt.png"), 0.97) << "the Game menu did not open with Alt+G";
    Step("C chooses Close Battle");
    Keys(window, "c");
    ShownWindow box;
    for (const ShownWindow& w : shown[8])
        if (w.depth == 0 && w.text == "Varnhold") box = w;
    ASSERT_GT(box.right, box.left);
    const RECT boxArea{box.left - frame.left, box.top - frame.top, box.right - frame.left, box.bottom - frame.top};
    EXPECT_GE(WaitForArea(window, pictures[8], boxArea, "x8.png"), 0.97) << "no question after Close Battle";
    Step("Return answers it");
    Keys(window, "Return");
    EXPECT_GE(WaitForArea(window, pictures[9], whole, "x9.png"), 0.97) << "not back at the main menu";
    Step("Exit");
    ClickControl(window, shown[9], 2, frame);
    // The program ends by itself, well.
    int status = -1;
    for (int i = 0; i < 1200 && status < 0; ++i) {
        if (std::system(("kill -0 " + programPid + " 2>/dev/null").c_str()) != 0) status = 0;
        ::usleep(100000);
    }
    EXPECT_EQ(status, 0) << "the program did not end after Exit";
    if (status == 0) programPid.clear();
}

// History in the real window: the history article the build made is handed to the program the
// registry names for web pages (an opener of the test's own that notes what it was given), which
// runs on its own while the main menu stays; Exit then ends the program well.
TEST_F(XProgram, HistoryStartsTheOpenerOnTheArticleAndTheMenuStays) {
    WriteScript(R"(wait-control 106 "Start &Battle" 120000
windows h-main-menu.txt
screenshot h-main-menu.png
click-control 2
)");
    Step("the headless run");
    ASSERT_EQ(Run("--headless --data data --script script.txt"), 0) << Read("err.txt");
    const std::vector<ShownWindow> shown = ReadWindows(File("h-main-menu.txt"));
    const ShownWindow frame = FrameOf(shown);
    ASSERT_GT(frame.right, frame.left);
    const platform::ScreenImage menu = Crop(Screenshot("h-main-menu.png"), frame.left, frame.top, frame.right, frame.bottom);
    // The opener: it writes its arguments, one a line, and is named in the registry as the
    // program that opens ".htm" files.
    const std::string opened = File("opened.txt");
    {
        std::ofstream opener(File("opener"));
        opener << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << opened << ".new'\nmv '" << opened << ".new' '"
               << opened << "'\n";
    }
    fs::permissions(File("opener"), fs::perms::owner_all);
    {
        auto hex = [](const std::string& text) {
            static const char* const digits = "0123456789abcdef";
            std::string out;
            for (char c : text + '\0') {
                out += digits[static_cast<unsigned char>(c) >> 4];
                out += digits[static_cast<unsigned char>(c) & 15];
            }
            return out;
        };
        std::ofstream registry(File("home/registry.txt"), std::ios::app);
        registry << "[HKEY_CLASSES_ROOT\\.htm]\n=1:" << hex("testpage") << "\n"
                 << "[HKEY_CLASSES_ROOT\\testpage\\shell\\open\\command]\n=1:" << hex("\"" + File("opener") + "\" \"%1\"") << "\n";
    }

    ASSERT_TRUE(StartServer()) << Read("xvfb.txt");
    StartProgram();
    const std::string window = WaitWindow();
    ASSERT_FALSE(window.empty()) << Read("x-err.txt");
    const RECT whole{0, 0, frame.right - std::max(frame.left, 0), frame.bottom - std::max(frame.top, 0)};
    Step("waiting for the main menu");
    EXPECT_GE(WaitForArea(window, menu, whole, "x-main-menu.png"), 0.97);
    Step("History");
    ClickControl(window, shown, 105, frame);
    for (int i = 0; i < 1200 && !fs::exists(opened); ++i) ::usleep(100000);
    const std::string article = root + "/data/history/HISTORY.htm";
    EXPECT_EQ(Read("opened.txt"), article + "\n") << Read("x-err.txt");
    EXPECT_TRUE(fs::is_regular_file(article));
    // The main menu is still there and answers: Exit ends the program.
    EXPECT_GE(WaitForArea(window, menu, whole, "x-after-history.png"), 0.97) << "the main menu did not stay";
    Step("Exit");
    ClickControl(window, shown, 2, frame);
    int status = -1;
    for (int i = 0; i < 1200 && status < 0; ++i) {
        if (std::system(("kill -0 " + programPid + " 2>/dev/null").c_str()) != 0) status = 0;
        ::usleep(100000);
    }
    EXPECT_EQ(status, 0) << "the program did not end after Exit";
    if (status == 0) programPid.clear();
}

} // namespace
} // namespace e2e
