// The real program, headless, on the data directory the build made: every dialog the front end
// and the map window's menus reach, and a battle drawn at each of the three zooms. Any look-up
// of art, sound or data that finds nothing fails the run: a "Can't find", "damaged" or
// missing-section box, or one of the "art:" lines the look-ups print when they fall back to
// drawing without a picture, a section or a cursor.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

class ArtLookUps : public RealProgram {
protected:
    // Every line of the program's error output that tells of a look-up that failed.
    static std::vector<std::string> Misses(const std::string& err) {
        static const char* const kSigns[] = {"[message box]", "art: ",    "Can't find",     "damaged",
                                             "Missing",       "missing",  "does not exist", "input script"};
        std::vector<std::string> out;
        std::istringstream lines(err);
        std::string line;
        while (std::getline(lines, line))
            for (const char* sign : kSigns)
                if (line.find(sign) != std::string::npos) {
                    out.push_back(line);
                    break;
                }
        return out;
    }

    // Runs the script to its `quit` and fails on every miss it reports.
    void RunScript(const std::string& script) {
        WriteScript(script);
        const int status = Run("--headless --data data --script script.txt", "", 420);
        const std::string err = Read("err.txt");
        EXPECT_EQ(status, 0) << err;
        for (const std::string& line : Misses(err)) ADD_FAILURE() << line;
    }

    // The caption of the front top-level window of a "windows" dump.
    std::string FrontCaption(const std::string& dump) const {
        for (const ShownWindow& w : ReadWindows(File(dump)))
            if (w.depth == 0) return w.text;
        return "";
    }
};

TEST_F(ArtLookUps, FrontEndDialogsFindAllTheirArt) {
    RunScript(R"(wait-control 106 "Start &Battle" 180000
screenshot 1-main.png
click-control 103
wait-window "Enter Your Name"
screenshot 2-name.png
key A
click-control 1
wait-window "Choose Connection Type"
screenshot 3-connection.png
windows 3-connection.txt
click-control 2
wait-gone "Choose Connection Type"
wait-control 106 "Start &Battle"
click-control 101
wait-window "Load Game"
screenshot 4-load.png
click-control 2
wait-gone "Load Game"
wait-control 106 "Start &Battle"
click-control 106
wait-window "Choose Scenario"
screenshot 5-scenario.png
click-control 11
wait-window "Choose Custom Scenario"
screenshot 6-custom.png
click-control 2
wait-gone "Choose Custom Scenario"
wait-control 106 "Start &Battle"
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
screenshot 7-variant.png
click-control 2
wait-gone "Choose Variant"
click-control 2
wait-gone "Choose Scenario"
wait-control 106 "Start &Battle"
quit
)");
    EXPECT_EQ(FrontCaption("3-connection.txt"), "Choose Connection Type");
    // Each dialog shows its art: a picture of one flat colour is a dialog drawn without it.
    for (const char* shot : {"1-main.png", "2-name.png", "4-load.png", "5-scenario.png", "6-custom.png", "7-variant.png"}) {
        const platform::ScreenImage img = Screenshot(shot);
        EXPECT_GT(ColoursIn(img, 0, 0, img.width, img.height), 16u) << shot;
    }
}

// The map window's zoom commands go through its menu, as a person would choose them; each zoom
// draws the ground and the figures from that zoom's libraries. Then every dialog its menus open
// with nothing chosen on the map.
TEST_F(ArtLookUps, BattleAtEveryZoomAndTheMenusDialogsFindAllTheirArt) {
    RunScript(R"(wait-control 106 "Start &Battle" 180000
)" + std::string(kStartDefaultBattle) + R"(wait-control 3000 "Landscape View" 300000
pause 1000
menu 218
pause 1000
screenshot zoom-0.png
menu 217
pause 1000
screenshot zoom-1.png
menu 216
pause 1000
screenshot zoom-2.png
menu 218
pause 500
menu 230
wait-window "Preferences"
screenshot preferences.png
windows preferences.txt
click-control 2
wait-gone "Preferences"
menu 229
wait-window "Game Overview"
screenshot overview.png
click-control 102
wait-window "Army Details"
windows army-details.txt
screenshot army-details.png
key ESCAPE
wait-gone "Army Details"
click-control 1
wait-gone "Game Overview"
menu 102
wait-window "About"
screenshot about.png
click-control 1
wait-gone "About"
quit
)");
    // The three zooms draw three different pictures of the field, each with many colours.
    std::vector<platform::ScreenImage> zooms;
    for (const char* shot : {"zoom-0.png", "zoom-1.png", "zoom-2.png"}) {
        zooms.push_back(Screenshot(shot));
        const platform::ScreenImage& img = zooms.back();
        EXPECT_GT(ColoursIn(img, 0, 80, img.width, img.height - 40), 32u) << shot;
    }
    ASSERT_EQ(zooms.size(), 3u);
    for (std::size_t a = 0; a < 3; ++a)
        for (std::size_t b = a + 1; b < 3; ++b) {
            std::size_t differ = 0;
            for (int y = 80; y < std::min(zooms[a].height, zooms[b].height) - 40; ++y)
                for (int x = 0; x < std::min(zooms[a].width, zooms[b].width); ++x)
                    differ += zooms[a].At(x, y) != zooms[b].At(x, y);
            EXPECT_GT(differ, 10000u) << "zoom " << a << " and zoom " << b << " look the same";
        }
    // The Preferences dialog shows its labels, check boxes and buttons.
    EXPECT_EQ(FrontCaption("preferences.txt"), "Preferences");
}

// The battle's other menu commands: the objectives list and one objective on the map, the army
// details of both sides from the game overview, a second map window, and the battle's article
// handed to the program the registry associates with ".htm" files. A click on the overview map at
// full size first leaves the map window with a scrolling cursor.
TEST_F(ArtLookUps, BattleMenusOpenObjectivesArmyDetailsAMapAndTheArticle) {
    {
        // "htmlfile" opened by a viewer of our own naming; the program only records the request.
        auto hex = [](const std::string& text) {
            static const char* const digits = "0123456789abcdef";
            std::string out;
            for (char c : text + '\0') {
                out += digits[static_cast<unsigned char>(c) >> 4];
                out += digits[static_cast<unsigned char>(c) & 15];
            }
            return out;
        };
        std::ofstream registry(File("home/registry.txt"));
        registry << "[HKEY_CLASSES_ROOT\\.htm]\n=1:" << hex("htmlfile") << "\n"
                 << "[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\n=1:" << hex("\"/opt/viewer/view\" \"%1\"") << "\n";
    }
    RunScript(R"(wait-control 106 "Start &Battle" 180000
)" + std::string(kStartDefaultBattle) + R"(wait-control 3000 "Landscape View" 300000
pause 1000
menu 218
pause 500
click 948 90
pause 1000
menu 197
wait-window "Battle Objectives"
windows objectives.txt
click 90 63
pause 1000
screenshot objective.png
click-control 1
wait-gone "Battle Objectives"
menu 229
wait-window "Game Overview"
click-control 102
wait-window "Army Details"
windows army-1.txt
screenshot army-1.png
click-control 1
wait-gone "Army Details"
click-control 101
wait-window "Army Details"
windows army-0.txt
click-control 1
wait-gone "Army Details"
click-control 1
wait-gone "Game Overview"
menu 254
pause 1500
windows maps.txt
menu 236
pause 500
quit
)");
    // The list holds the battle's objectives and "All Objectives"; choosing one shows its worth.
    const std::vector<ShownWindow> objectives = ReadWindows(File("objectives.txt"));
    ASSERT_FALSE(objectives.empty());
    EXPECT_EQ(objectives[0].text, "Battle Objectives");
    const platform::ScreenImage objective = Screenshot("objective.png");
    EXPECT_GT(ColoursIn(objective, objectives[0].left, objectives[0].top + 24, objectives[0].right, objectives[0].bottom), 4u);
    // Each side's details, its units listed, drawn on the dialog's art.
    std::string names[2];
    for (int side = 0; side < 2; ++side) {
        const std::vector<ShownWindow> shown = ReadWindows(File("army-" + std::to_string(side) + ".txt"));
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown[0].text, "Army Details");
        for (const ShownWindow& w : shown)
            if (w.cls == "RichEdit") names[side] = w.text;
        EXPECT_GT(names[side].size(), 40u) << "side " << side;
    }
    EXPECT_NE(names[0], names[1]);
    const std::vector<ShownWindow> army = ReadWindows(File("army-1.txt"));
    const platform::ScreenImage details = Screenshot("army-1.png");
    EXPECT_GT(ColoursIn(details, army[0].left, army[0].top + 24, army[0].right, army[0].top + 200), 4u);
    // Open Map adds a second map window on the battle.
    int maps = 0;
    for (const ShownWindow& w : ReadWindows(File("maps.txt"))) maps += w.text == "Landscape View";
    EXPECT_EQ(maps, 2);
    EXPECT_NE(Read("err.txt").find("shell: /opt/viewer/view " + File("data") + "\\V&U\\V&U BRANDY STATION.htm"),
              std::string::npos)
        << Read("err.txt");
}

} // namespace
} // namespace e2e
