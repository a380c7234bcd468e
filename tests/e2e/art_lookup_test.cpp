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
click-control 106
wait-window "Choose Scenario"
click-control 1
wait-window "Choose Variant"
click-control 1
wait-window "Leader Control"
click-control 1
wait-window "Game Options"
wait-enabled 1
click-control 1
wait-gone "Game Options"
wait-control 3000 "Landscape View" 300000
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
pause 1500
windows army-details.txt
screenshot army-details.png
key ESCAPE
pause 1000
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

} // namespace
} // namespace e2e
