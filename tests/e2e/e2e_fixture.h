#pragma once
// The real program on the generated data, run as a separate process. Each test gets a directory
// of its own in the build tree: a copy of the data directory the build made, a registry home,
// the script, the screenshots and the program's output.
#include "platform/screen.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/control_art.h"
#include "tools/datagen/dialog_art_writer.h"
#include "tools/datagen/front_dialog_art.h"
#include "tools/datagen/qif_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;

inline std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

inline bool HasFile(const std::string& directory, const std::string& name) {
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (Lower(it->path().filename().string()) == Lower(name)) return true;
    return false;
}

inline bool HasPalette(const std::string& directory) {
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (Lower(it->path().extension().string()) == ".pal") return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// PLACEHOLDER ART. The data directory the build generates has no art yet. Until it does, the copy
// is completed with the placeholder art the other tests write (tools/datagen's writers): only
// files that are missing are written, so that once the generator writes the palette, the art
// index and the data-file list, the real data is used unchanged and none of this runs.
constexpr std::uint8_t kPlaceholderInk = 200;
inline void CompleteWithPlaceholderArt(const std::string& data) {
    if (!HasPalette(data)) {
        ASSERT_TRUE(datagen::WritePaletteFile(data + "/placeholder.pal", uitest::TestPalette()));
    }
    if (!HasFile(data, "Vhqif.map")) {
        using uitest::Solid;
        auto buttons = [](const std::vector<std::string>& sections, bool mirrors) {
            datagen::LibrarySpec library;
            if (mirrors)
                library.sections.push_back({"Bar", {Solid("Mirror #1", 6, 24, 21), Solid("Mirror #2", 6, 24, 22)}});
            for (const std::string& s : sections) library.sections.push_back(datagen::ButtonSection(s));
            return library;
        };
        const std::array<std::string, 10> titles = {"1st Bull Run", "Antietam",  "Brandy Station", "Gettysburg",
                                                    "Wilderness",   "Five Forks", "Cedar Creek",    "Gaines Mill",
                                                    "2nd Bull Run", "Cedar Mountain"};
        const std::vector<std::pair<std::string, datagen::LibrarySpec>> libraries = {
            {"PHBLOCKS.QIF", {"", {{"Blocks", {Solid("Block", 16, 16, 40)}}}}},
            {"PHSTATUS.QIF",
             {"", {{"sbArt", {Solid("left", 10, 30, 20), Solid("right", 12, 30, 30), Solid("center", 8, 30, 40),
                              Solid("separator", 4, 30, 50)}}}}},
            {"PHBUTT1.QIF", buttons({"CloseBattle", "FinishLeader", "CenterOnLeader", "GroupMove", "GroupAttack",
                                     "RotateLeft", "RotateRight", "AboutFace", "BackwardMovement", "MissileVolley"},
                                    true)},
            {"PHBUTT2.QIF", buttons({"RestoreCohesion", "Rally", "ViewDetails", "OpenMap", "HideOverview",
                                     "ShowOverview", "ShowHexGrid", "HideHexGrid"},
                                    false)},
            {"PHBUTT3.QIF", buttons({"ReverseView", "ZoomIn", "Normal", "ZoomOut", "Undo"}, false)},
            {"PHBUTT4.QIF", buttons({"FormLeft", "FormRight", "Mount", "Limber"}, false)},
            {"PHDLGFNT.QIF", datagen::DialogFontLibrary(kPlaceholderInk)},
            {"PHDLGBUT.QIF", datagen::FrontDialogButtonsLibrary()},
            {"PHDLGBMP.QIF", datagen::DialogBitmapsLibrary()},
            {"PHLOGOS.QIF", datagen::CompanyLogosLibrary()},
            {"PHOVERVW.QIF", datagen::OverviewMapsLibrary(titles)},
            {"PHCHISEL.QIF", datagen::FontLibrary(kPlaceholderInk)},
            {"PHEOG.QIF", datagen::EndOfGameBitmapsLibrary()},
        };
        const std::vector<std::string> names = {"Blocks for the background", "Status Bar", "Buttons 1", "Buttons 2",
                                                "Buttons 3", "Buttons 4", "MS Sans Serif 2", "DialogButtons",
                                                "Dialog Bitmaps", "Company Logos", "Overview Maps", "Chiseled Text",
                                                "End Of Game Bitmaps"};
        std::vector<datagen::ArtIndexEntry> index;
        for (std::size_t i = 0; i < libraries.size(); ++i) {
            ASSERT_TRUE(datagen::WriteLibrary(data + "/" + libraries[i].first, libraries[i].second));
            index.push_back({Lower(libraries[i].first), names[i]});
        }
        ASSERT_TRUE(datagen::WriteArtIndex(data + "/Vhqif.map", index));
    }
    if (!HasFile(data, "qifdemo.hed")) {
        const datagen::LibrarySpec flags = {"", {{"Flags", {uitest::Solid("Union", 4, 4, 31), uitest::Solid("Confederate", 4, 4, 32)}}}};
        ASSERT_TRUE(datagen::WriteLibrary(data + "/PHFLAGS.QIF", flags));
        std::vector<std::uint8_t> bytes(64, 0);
        const std::string library = "Unit Flags";
        std::copy(library.begin(), library.end(), bytes.begin());
        const std::vector<std::uint8_t> record = datagen::EncodeDataListRecord("PHFLAGS.QIF", flags);
        bytes.insert(bytes.end(), record.begin(), record.end());
        ASSERT_TRUE(datagen::WriteFile(data + "/qifdemo.hed", bytes));
    }
}
// ---------------------------------------------------------------------------------------------

// One visible window of a "windows" dump.
struct ShownWindow {
    int depth = 0;
    int id = 0;
    std::string cls;
    std::string text;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool enabled = true;
};

// The battle toolbar's buttons, in screen pixels of the 1024 x 768 headless screen (the frame's
// toolbar lies at the top, its buttons laid out by their art).
constexpr int kToolbarY = 54;
constexpr int kCloseBattleX = 16;
constexpr int kFinishLeaderX = 45;
constexpr int kZoomInX = 545;

// From the main menu, Start Battle through the scenario, variant, leader control and game
// options, each as it is offered, until the game
// options close.
inline const char* const kStartDefaultBattle = R"(click-control 106
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
)";

// Ctrl+S in a battle, then the battle saved under a name typed as these capital letters (the
// program shows it in lower case).
inline std::string SaveGameAs(const std::string& letters) {
    std::string s = "key-down CONTROL\nkey S\nkey-up CONTROL\nwait-window \"Save Game\"\nclick-control 10\n";
    for (char c : letters) s += std::string("key ") + c + "\n";
    return s + "wait-enabled 1\nclick-control 1\nwait-gone \"Save Game\"\n";
}

// The map's Preferences with the animations switched off, so that a whole battle plays quickly.
inline const char* const kAnimationsOff = R"(menu 230
wait-window "Preferences"
click-control 101
click-control 102
click-control 20
click-control 1
wait-gone "Preferences"
)";

inline std::vector<ShownWindow> ReadWindows(const std::string& path) {
    std::vector<ShownWindow> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        ShownWindow w;
        std::size_t i = 0;
        while (i < line.size() && line[i] == ' ') ++i;
        w.depth = static_cast<int>(i / 2);
        std::vector<std::string> fields;
        std::stringstream ss(line.substr(i));
        std::string f;
        while (std::getline(ss, f, '\t')) fields.push_back(f);
        if (fields.size() < 5) continue;
        w.id = std::atoi(fields[0].c_str());
        w.cls = fields[1];
        w.text = fields[2].size() >= 2 ? fields[2].substr(1, fields[2].size() - 2) : fields[2];
        std::stringstream r(fields[3]);
        r >> w.left >> w.top >> w.right >> w.bottom;
        w.enabled = fields[4] == "1";
        out.push_back(w);
    }
    return out;
}

// How many different colours a screen rectangle shows.
inline std::size_t ColoursIn(const platform::ScreenImage& img, int l, int t, int r, int b) {
    std::set<std::uint32_t> seen;
    for (int y = std::max(0, t); y < std::min(img.height, b); ++y)
        for (int x = std::max(0, l); x < std::min(img.width, r); ++x) seen.insert(img.At(x, y));
    return seen.size();
}

class RealProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::string(VH_E2E_WORK) + "/" + info->test_suite_name() + "." + info->name();
        std::error_code ec;
        fs::remove_all(root, ec);
        fs::create_directories(root + "/home");
        ASSERT_TRUE(fs::is_directory(VH_E2E_DATA)) << "the build has not generated " << VH_E2E_DATA;
        fs::copy(VH_E2E_DATA, root + "/data", fs::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
        CompleteWithPlaceholderArt(root + "/data");
    }

    std::string File(const std::string& name) const { return root + "/" + name; }

    void WriteScript(const std::string& text) const {
        std::ofstream out(File("script.txt"));
        out << text;
    }

    // Runs the program with its own registry home; the output goes to out.txt and err.txt.
    // Returns the exit status (-1 when it did not end normally).
    int Run(const std::string& arguments, const std::string& environment = "", int timeoutSeconds = 180) const {
        const std::string command = "cd '" + root + "' && env -u VARNHOLD_SCRIPT VARNHOLD_HOME='" + root + "/home' " +
                                    environment + " timeout -k 5 " + std::to_string(timeoutSeconds) + " '" +
                                    VH_E2E_BINARY + "' " + arguments + " > out.txt 2> err.txt";
        // One copy of the program runs at a time on the machine: a copy that another run left
        // behind for a moment is waited for (up to five minutes), not counted as a failure.
        for (int attempt = 0;; ++attempt) {
            const int status = std::system(command.c_str());
            if (status == -1 || !WIFEXITED(status)) return -1;
            if (WEXITSTATUS(status) != 1 || attempt >= 300 || Read("err.txt").find("another copy is running") == std::string::npos)
                return WEXITSTATUS(status);
            ::sleep(1);
        }
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(File(name));
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    platform::ScreenImage Screenshot(const std::string& name) const {
        platform::ScreenImage img;
        EXPECT_TRUE(platform::LoadPNG(File(name), img)) << name;
        return img;
    }

    std::string root;
};

} // namespace e2e
