// The way from a chosen scenario to a running battle on the application, saving that battle,
// opening it into a fresh application and saving it again, the autosave at a turn's end, and
// closing the battle back to the main menu. Every dialog is answered by script.
#include "app_fixture.h"

#include "game/app/saved_game_header.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/app/vh_main_window.h"
#include "game/app/vh_map_window.h"
#include "landscape/game/vh_landscape_tile.h"
#include "platform/screen.h"
#include "game/pictures/view_services.h"
#include "game/units/unit_types.h"
#include "landscape/game/vh_physical_layer.h"
#include "platform/msgbox.h"
#include "tools/datagen/figure_art_writer.h"
#include "tools/datagen/terrain_art_writer.h"
#include "platform/dialog.h"
#include "tools/datagen/landscape_writer.h"
#include "tools/datagen/scenario_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace apptest;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records the named messages it is registered for, in order.
class Recorder : public Component {
public:
    explicit Recorder(std::vector<std::string> names_) : Component("Recorder"), names(std::move(names_)) {}
    void Connect() override {
        for (const std::string& n : names) RegisterNamedHandler(n, Heard);
    }
    static ContainerBase* Heard(Component* c, BusMessage event, ContainerBase*) {
        static_cast<Recorder*>(c)->heard.push_back(MessageName(event.Number()));
        return nullptr;
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (const std::string& h : heard) n += h == name;
        return n;
    }
    std::vector<std::string> names;
    std::vector<std::string> heard;
};

class ScenarioFlowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // The front end's art besides the application's: the big buttons and the scenario maps.
        data.WriteLibrary("DLGBUTT.QIF", datagen::FrontDialogButtonsLibrary());
        data.WriteLibrary("OVERVIEW.QIF",
                          datagen::OverviewMapsLibrary({"1st Bull Run", "Antietem", "Brandy Station", "Gettysburg",
                                                        "Wilderness", "Five Forks", "Cedar Creek", "Gaines Mill",
                                                        "2nd Bull Run", "Cedar Mountain"}));
        std::vector<datagen::ArtIndexEntry> index = {{"blocks.qif", "Blocks for the background"},
                                                     {"dlgfont.qif", "MS Sans Serif 2"},
                                                     {"dlgbutt.qif", "DialogButtons"},
                                                     {"dlgbmps.qif", "Dialog Bitmaps"},
                                                     {"logos.qif", "Company Logos"},
                                                     {"overview.qif", "Overview Maps"},
                                                     {"status.qif", "Status Bar"},
                                                     {"buttons1.qif", "Buttons 1"},
                                                     {"buttons2.qif", "Buttons 2"},
                                                     {"buttons3.qif", "Buttons 3"},
                                                     {"buttons4.qif", "Buttons 4"}};
        if (withDisplay) {
            AddDisplayArt(index);
        } else {
            const auto standIns = DisplayStandIns();
            index.insert(index.end(), standIns.begin(), standIns.end());
        }
        data.WriteIndex(index, "Vhqif.map");
        datagen::LandscapeDraft map(12, 10);
        map.name = "Crossing";
        ASSERT_TRUE(datagen::WriteLandscapeFile(data.File("CROSSING.MAP"), map));
        datagen::ScenarioDraft draft = datagen::MakeSampleScenario("CROSSING.MAP");
        ASSERT_TRUE(datagen::WriteScenarioFile(data.File("TEST.SCN"), draft));
        MakeApp();
    }
    void TearDown() override {
        platform::ClearDialogScripts();
        DropApp();
        AppTest::TearDown();
    }
    // The map's art and the figures of every unit type, as the battle on the map needs them.
    void AddDisplayArt(std::vector<datagen::ArtIndexEntry>& index) {
        const auto terrain = datagen::terrain::WriteTerrainArt(data.Data());
        const auto game = datagen::terrain::WriteGameLandscapeArt(data.Data());
        const auto figures = datagen::figures::WriteFigureArt(data.Data(), "Test Figures");
        ASSERT_FALSE(game.empty());
        ASSERT_FALSE(figures.empty());
        index.insert(index.end(), terrain.begin(), terrain.end());
        index.insert(index.end(), game.begin(), game.end());
        index.insert(index.end(), figures.begin(), figures.end());
        const char* suffix[3] = {"", " (Half size)", " (Quarter size)"};
        // Every figure library the pictures open (the batteries' other sets too) draws from the
        // test figures; the art they share is the figure writer's own.
        const auto listed = [&](const std::string& name) {
            return std::any_of(index.begin(), index.end(), [&](const datagen::ArtIndexEntry& e) { return e.library == name; });
        };
        for (const std::string& art : VhApp::PictureArtNames())
            for (int z = 0; z < 3; ++z)
                if (!listed(art + suffix[z])) index.push_back({"FIG" + std::to_string(z) + ".QIF", art + suffix[z]});
    }
    void MakeApp() {
        app = std::make_unique<VhApp>();
        app->RegisterHandlers();
        // Without the display's art the battle runs on the logic alone, as the headless game
        // shell runs it.
        if (!withDisplay)
            for (int view = 0; view < 2; ++view) app->GetPhysicalLayer(view)->DetachFromBus();
        recorder = std::make_unique<Recorder>(
            std::vector<std::string>{"AmbientStart", "MinorRiverStart", "ShowMainDlg", "CloseGame", "InitializeScenario"});
        recorder->AttachToBus(app.get());
    }
    void DropApp() {
        if (recorder && recorder->GetBus()) recorder->DetachFromBus();
        recorder.reset();
        app.reset();
    }
    // The start's dialogs: both sides to the players (no computer script is needed), then the
    // game options as they stand.
    void ConfirmDialogs() {
        platform::QueueDialogScript([this](HWND d) {
            captions.push_back(Caption(d));
            platform::ClickDlgItem(d, 104);
            platform::ClickDlgItem(d, 106);
            platform::ClickDlgItem(d, 1);
        });
        platform::QueueDialogScript([this](HWND d) {
            captions.push_back(Caption(d));
            platform::ClickDlgItem(d, 1);
        });
    }
    static std::string Caption(HWND d) {
        char text[100] = {};
        GetWindowTextA(d, text, sizeof text);
        return text;
    }
    std::vector<std::string> captions;
    void StartCustomBattle() {
        app->SetGameMode(0);
        app->SetScenarioIndex(10);
        app->SetScenarioName("TEST.SCN");
        ConfirmDialogs();
        app->LoadScenario();
        app->DrainTasks();
    }
    std::string SavedGame(const std::string& name) const { return data.Data() + "\\" + name; }

    std::unique_ptr<VhApp> app;
    std::unique_ptr<Recorder> recorder;
    bool withDisplay = false;
};

// The battle as the player sees it: the pictures of the units on both views and the map window.
class BattleOnTheMapTest : public ScenarioFlowTest {
protected:
    BattleOnTheMapTest() { withDisplay = true; }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
        return out;
    }
    VhMapWindow* FirstWindow(int view) {
        const List<Viewport*>& ports = app->GetPhysicalLayer(view)->Viewports();
        return ports.Head() ? dynamic_cast<VhMapWindow*>(ports.Head()->value->GetWindow()) : nullptr;
    }
};

TEST_F(ScenarioFlowTest, AChosenScenarioBecomesARunningBattle) {
    StartCustomBattle();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(recorder->Count("InitializeScenario"), 1);
    EXPECT_EQ(recorder->Count("AmbientStart"), 1) << "the custom scenario starts with the ambient sounds";
    EXPECT_EQ(recorder->Count("MinorRiverStart"), 0);
    EXPECT_EQ(app->GetGameMode(), 0);
    EXPECT_EQ(app->IsOpeningSavedGame(), 0);
    EXPECT_EQ(captions, (std::vector<std::string>{"Leader Control", "Game Options"}));
}

// Presses the items in order and records the dialog's caption.
platform::DialogScript Press(std::vector<std::string>& captions, std::vector<int> items) {
    return [&captions, items](HWND d) {
        char text[100] = {};
        GetWindowTextA(d, text, sizeof text);
        captions.push_back(text);
        for (int item : items) platform::ClickDlgItem(d, item);
    };
}

TEST_F(ScenarioFlowTest, TheMainMenuLeadsThroughTheScenarioChoiceToABattle) {
    // The sample battle stands in Brandy Station's file, the scenario the choice offers first.
    std::filesystem::copy_file(data.File("TEST.SCN"), data.File("BRANDYS.SCN"));
    std::vector<std::string> seen;
    platform::QueueDialogScript(Press(seen, {106}));          // the main menu: Start Battle
    platform::QueueDialogScript(Press(seen, {1}));            // the scenarios: as offered
    platform::QueueDialogScript(Press(seen, {}));             // the variants: none, it closes itself
    platform::QueueDialogScript(Press(seen, {104, 106, 1}));  // both sides to the players
    platform::QueueDialogScript(Press(seen, {1}));            // the game options
    app->PostNamedEvent("ShowMainDlg");
    app->DrainTasks();
    EXPECT_EQ(seen, (std::vector<std::string>{"", "Choose Scenario", "Choose Variant", "Leader Control", "Game Options"}));
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(app->GetGameMode(), 0);
    EXPECT_EQ(app->GetScenarioIndex(), 2);
    EXPECT_EQ(app->GetScenarioName(), "BRANDYS.SCN");
    EXPECT_EQ(recorder->Count("InitializeScenario"), 1);
    EXPECT_EQ(recorder->Count("MinorRiverStart"), 1);
    EXPECT_EQ(recorder->Count("AmbientStart"), 0);
}

TEST_F(ScenarioFlowTest, CancellingTheScenarioChoiceReturnsToTheMainMenu) {
    std::vector<std::string> seen;
    platform::QueueDialogScript(Press(seen, {106}));  // Start Battle
    platform::QueueDialogScript(Press(seen, {2}));    // Cancel
    platform::QueueDialogScript(Press(seen, {2}));    // the main menu again: Exit
    app->PostNamedEvent("ShowMainDlg");
    app->DrainTasks();
    app->DrainTasks();
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(recorder->Count("ShowMainDlg"), 2);
    EXPECT_EQ(recorder->Count("InitializeScenario"), 0);
    EXPECT_EQ(app->GetLogicalLayer()->GetGameControl(), nullptr);
}

TEST_F(ScenarioFlowTest, ASavedBattleOpensInAFreshApplicationAndSavesAgainByteForByte) {
    StartCustomBattle();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    app->SetSavePath(SavedGame("first.Vh"));
    app->SetSaveName("Before the ford");
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();
    const std::vector<std::uint8_t> first = ReadAll(data.File("first.Vh"));
    // The header, two empty map-window blocks and at least the logical layer's block.
    ASSERT_GT(first.size(), 65u);
    EXPECT_NE(first[8] | first[9] | first[10] | first[11], 0) << "the logical layer recorded its block";

    DropApp();
    MakeApp();
    ASSERT_TRUE(app->OpenSavedGame(SavedGame("first.Vh"), "Before the ford"));
    app->DrainTasks();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(app->GetScenarioIndex(), 10);
    EXPECT_EQ(app->GetScenarioName(), "TEST.SCN");
    EXPECT_EQ(app->GetSavePath(), SavedGame("first.Vh")) << "a plain saved game keeps its path for Save";
    EXPECT_EQ(recorder->Count("InitializeScenario"), 1);

    app->SetSavePath(SavedGame("second.Vh"));
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();
    EXPECT_EQ(ReadAll(data.File("second.Vh")), first);
}

TEST_F(ScenarioFlowTest, OpeningAnAutosaveForgetsItsPathSoThatSaveAsksForAName) {
    StartCustomBattle();
    app->Preferences().autoSave = 1;
    // As the logical layer asks for it at a turn's end.
    Container<std::string> text(std::string("Turn #1; Union"));
    delete app->GetLogicalLayer()->SendNamed("AutoSaveGame", &text);
    app->DrainTasks();
    ASSERT_TRUE(std::filesystem::exists(data.File("Autosave.Vh")));

    DropApp();
    MakeApp();
    ASSERT_TRUE(app->OpenSavedGame(SavedGame("Autosave.Vh"), ""));
    app->DrainTasks();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(app->GetSaveName(), "Autosaved Game: Turn #1; Union");
    EXPECT_EQ(app->GetSavePath(), "");
}

TEST_F(ScenarioFlowTest, ClosingTheBattleEndsItAndShowsTheMainMenu) {
    StartCustomBattle();
    int menus = 0;
    VhApp::SetMainMenu([&](VhApp&) { ++menus; });
    app->SetSaveName("Named");
    // The confirmation, then the finishing step from its own delivery.
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, 1); });
    app->PostNamedEvent("GameClose");
    app->DrainTasks();
    app->DrainTasks();
    EXPECT_EQ(app->GetGameMode(), 3);
    EXPECT_GE(recorder->Count("CloseGame"), 1);
    EXPECT_EQ(recorder->Count("ShowMainDlg"), 1);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(app->GetSaveName(), "") << "the teardown forgets the battle's name";

    // Cancelled: the battle goes on.
    StartCustomBattle();
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, 2); });
    app->PostNamedEvent("GameClose");
    app->DrainTasks();
    EXPECT_EQ(app->GetGameMode(), 0);
    EXPECT_EQ(menus, 1);
}

TEST_F(ScenarioFlowTest, ABattleThatEndedReturnsToTheMainMenuOrTheCampaign) {
    StartCustomBattle();
    int menus = 0;
    VhApp::SetMainMenu([&](VhApp&) { ++menus; });
    app->PostNamedEvent("GameEnded");
    app->DrainTasks();
    app->DrainTasks();
    EXPECT_EQ(app->GetGameMode(), 3);
    EXPECT_EQ(menus, 1);
    EXPECT_GE(recorder->Count("CloseGame"), 1);

    // Another "GameEnded" once the battle is gone changes nothing.
    app->PostNamedEvent("GameEnded");
    app->DrainTasks();
    EXPECT_EQ(menus, 1);
}

TEST_F(ScenarioFlowTest, AScenarioThatFailedToLoadDoesNotStartTheNextBattleTwice) {
    int menus = 0;
    VhApp::SetMainMenu([&](VhApp&) { ++menus; });
    app->SetGameMode(0);
    app->SetScenarioIndex(10);
    app->SetScenarioName("MISSING.SCN");
    app->LoadScenario();
    app->DrainTasks();
    app->DrainTasks();
    EXPECT_EQ(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(menus, 1) << "the failed load ends in the main menu";

    StartCustomBattle();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(recorder->Count("InitializeScenario"), 1);
}

} // namespace

TEST_F(BattleOnTheMapTest, ABattleStartsWithEveryUnitPicturedAndTheMapWindowOpen) {
    platform::ClearShownMessageBoxes();
    StartCustomBattle();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    for (const std::string& box : Boxes()) {
        EXPECT_EQ(box.find("No picture"), std::string::npos) << box;
        EXPECT_EQ(box.find("missing or damaged"), std::string::npos) << box;
    }
    const int units = app->GetLogicalLayer()->GetCombatUnits().Count() + app->GetLogicalLayer()->GetLeaders().Count();
    ASSERT_GT(units, 0);
    EXPECT_EQ(app->GetPhysicalLayer(0)->Objects().Count(), units);
    EXPECT_EQ(app->GetPhysicalLayer(1)->Objects().Count(), units);
    EXPECT_EQ(app->GetPhysicalLayer(0)->Viewports().Count(), 1);
    EXPECT_EQ(app->GetPhysicalLayer(1)->Viewports().Count(), 0);
    VhMapWindow* window = FirstWindow(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kQuarter) << "a new map window shows the zoomed-out view";
    EXPECT_EQ(GetActiveViewMode(), 0);
}

TEST_F(BattleOnTheMapTest, ASavedBattleReopensItsMapWindowInTheViewItHad) {
    StartCustomBattle();
    VhMapWindow* window = FirstWindow(0);
    ASSERT_NE(window, nullptr);
    window->Command(VhMapWindow::kZoomIn, 0);
    app->DrainTasks();
    ASSERT_EQ(window->GetViewMode(), 0u);
    app->SetSavePath(SavedGame("map.Vh"));
    app->SetSaveName("On the map");
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();

    DropApp();
    MakeApp();
    ASSERT_TRUE(app->OpenSavedGame(SavedGame("map.Vh"), "On the map"));
    app->DrainTasks();
    ASSERT_NE(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(app->GetPhysicalLayer(0)->Viewports().Count(), 1) << "the saved window, and no second one";
    VhMapWindow* reopened = FirstWindow(0);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->GetViewMode(), 0u);
    const int units = app->GetLogicalLayer()->GetCombatUnits().Count() + app->GetLogicalLayer()->GetLeaders().Count();
    EXPECT_EQ(app->GetPhysicalLayer(0)->Objects().Count(), units);
}

TEST_F(BattleOnTheMapTest, AUnitTypeWithoutAPictureIsRefusedBeforeTheBattleStarts) {
    for (int code = 0; code < UnitTypeCount(); ++code) {
        PhysicalObject* old = PhysicalLayer::Creator(static_cast<short>(code));
        PhysicalLayer::RegisterCreator(static_cast<short>(code), nullptr);
        delete old;
    }
    platform::ClearShownMessageBoxes();
    StartCustomBattle();
    EXPECT_EQ(app->GetLogicalLayer()->GetGameControl(), nullptr);
    EXPECT_EQ(recorder->Count("InitializeScenario"), 0);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    bool told = false;
    for (const std::string& box : boxes) told = told || box.find("not assigned any artwork") != std::string::npos;
    EXPECT_TRUE(told) << "the player is told why the battle does not start";
    EXPECT_EQ(app->GetPhysicalLayer(0)->Objects().Count(), 0);
    EXPECT_EQ(app->GetPhysicalLayer(0)->Viewports().Count(), 0);
}

// In the program's frame the map window is a real child that shows the ground and the figures.
TEST_F(BattleOnTheMapTest, TheMapWindowInTheFrameDrawsTheBattlefield) {
    auto* frame = new VhMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", nullptr, SW_SHOWNORMAL);
    frame->AttachToBus(app.get());
    app->SetMainWindow(frame);
    app->SetMainDisplay(frame);
    StartCustomBattle();
    VhMapWindow* window = FirstWindow(0);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window->GetHandle(), nullptr) << "the map window is a child of the frame";
    EXPECT_TRUE(window->IsActive());
    const auto distinctColours = [&]() {
        VhLandscapeTile* tile = window->GetTile();
        std::vector<bool> seen(256, false);
        int count = 0;
        for (int y = 0; y < tile->GetHeight(); y += 3)
            for (int x = 0; x < tile->GetWidth(); x += 3) {
                const std::uint8_t* row = tile->GetPixels() + static_cast<std::ptrdiff_t>(y) * (tile->GetWidth() + tile->GetRowPadding());
                if (!seen[row[x]]) seen[row[x]] = true, ++count;
            }
        return count;
    };
    for (std::uint16_t zoom : {VhMapWindow::kZoomOut, VhMapWindow::kNormal, VhMapWindow::kZoomIn}) {
        window->Command(zoom, 0);
        app->DrainTasks();
        ASSERT_NE(window->GetTile()->GetLandscape(), nullptr) << zoom;
        EXPECT_GT(distinctColours(), 2) << "the map at command " << zoom << " shows more than a background";
        if (const char* dir = std::getenv("VH_LOOK_DIR"))
            platform::SaveScreenPNG(std::string(dir) + "/map-" + std::to_string(zoom) + ".png");
    }
    app->EndBattle();
    app->DrainTasks();
    app->SetMainWindow(nullptr);
    app->SetMainDisplay(nullptr);
    frame->DetachFromBus();
    delete frame;
}
