#include "scenario_fixture.h"

#include <functional>

namespace {

using referee_testing::ScenarioTest;

const std::string Damaged = "The scenario you have selected is missing or damaged.";
const std::string MapDamaged = "The map file for the scenario is missing or damaged.";
const std::string NoArtwork = "A unit in the scenario was not assigned any artwork";
const std::string NoScripts = "The scenario you have selected does not specify any AI files.";
const std::string NoLeaders = "This scenario does not have at least one leader on each side.";
const std::string OffMap = "A unit in the scenario stands off the map.";
const std::string NoQuality = "A unit in the scenario has a troop quality of 0.";
const std::string NoCommander = "Every leader in the scenario must serve under a commander of its own side.";

struct Variant {
    const char* what;
    std::function<void(datagen::ScenarioDraft&)> damage;
    std::string message;
    // Whether the map reached the display before the file was refused.
    bool mapAnnounced;
};

// Bytes of the whole file, for damage the draft cannot express.
std::vector<std::uint8_t> Bytes(const datagen::ScenarioDraft& d) { return datagen::WriteScenario(d); }

const Variant Variants[] = {
    {"map name of length 0", [](auto& d) { d.mapName.clear(); }, MapDamaged, false},
    {"map name too long for its field", [](auto& d) { d.mapName = std::string(32, 'M'); }, MapDamaged, false},
    {"map file missing", [](auto& d) { d.mapName = "NOWHERE.MAP"; }, MapDamaged, false},
    {"home nation 2", [](auto& d) { d.homeNation = 2; }, Damaged, true},
    {"visiting nation 255", [](auto& d) { d.visitingNation = 255; }, Damaged, true},
    {"retreat edge 2", [](auto& d) { d.homeEdge = 2; }, Damaged, true},
    {"retreat edge 0", [](auto& d) { d.visitingEdge = 0; }, Damaged, true},
    {"retreat edge 8", [](auto& d) { d.visitingEdge = 8; }, Damaged, true},
    {"negative home target", [](auto& d) { d.homeTarget = -1; }, Damaged, true},
    {"negative visiting target", [](auto& d) { d.visitingTarget = -5; }, Damaged, true},
    {"translation byte 2", [](auto& d) { d.translation = {{0, 2}}; }, Damaged, true},
    {"script name of length 0", [](auto& d) { d.visitingScripts = {"A.SCR", ""}; }, NoScripts, true},
    {"script name too long", [](auto& d) { d.homeScripts = {std::string(100, 'S')}; }, Damaged, true},
    {"negative turn limit", [](auto& d) { d.turnLimit = -1; }, Damaged, true},
    {"month 0", [](auto& d) { d.month = 0; }, Damaged, true},
    {"month 13", [](auto& d) { d.month = 13; }, Damaged, true},
    {"day 0", [](auto& d) { d.day = 0; }, Damaged, true},
    {"31 June", [](auto& d) { d.month = 6, d.day = 31; }, Damaged, true},
    {"hour 24", [](auto& d) { d.hour = 24; }, Damaged, true},
    {"more groups than the file holds", [](auto& d) { d.groupCountOverride = 200; }, Damaged, true},
    {"more units than the file holds", [](auto& d) { d.unitCountOverride = 17; }, Damaged, true},
    {"a unit count past all memory", [](auto& d) { d.unitCountOverride = 0xFFFFFFFF; }, Damaged, true},
    {"unit kind 5", [](auto& d) { d.units[4].kindWord = 5; }, Damaged, true},
    {"unit without artwork", [](auto& d) { d.units[3].artIndex = -1; }, NoArtwork, true},
    {"art index beyond the table", [](auto& d) { d.units[3].artIndex = 99; }, NoArtwork, true},
    {"leader record with a regiment's art", [](auto& d) { d.units[1].artIndex = 4; }, Damaged, true},
    {"regiment record with a leader's art", [](auto& d) { d.units[2].artIndex = 1; }, Damaged, true},
    {"wagon record with infantry art", [](auto& d) { d.units[7].artIndex = 4; }, Damaged, true},
    {"unit nation 2", [](auto& d) { d.units[3].side = 2; }, Damaged, true},
    {"no leader on the visiting side",
     [](auto& d) {
         for (auto& u : d.units)
             if (u.kindWord == 0 && u.side == 1) u.side = 0;
     },
     NoLeaders, true},
    {"unit off the map", [](auto& d) { d.units[3].region = 1000 + 1500; }, OffMap, true},
    {"unit region below the map's numbering", [](auto& d) { d.units[3].region = 5; }, OffMap, true},
    {"late unit off the map", [](auto& d) { d.units[6].region = 1000 + 1299; }, OffMap, true},
    {"two-hex unit hanging off the map's edge",
     [](auto& d) {
         d.units[3].twoHex = 1;
         d.units[3].region = 1000 + 209;
     },
     OffMap, true},
    {"facing 9", [](auto& d) { d.units[3].facing = 9; }, Damaged, true},
    {"facing past every compass code", [](auto& d) { d.units[4].facing = 0x80000001u; }, Damaged, true},
    {"troop quality 0", [](auto& d) { d.units[10].troopQuality = 0; }, NoQuality, true},
    {"leaders each other's superior",
     [](auto& d) {
         d.units[8].superiorGroup = 12; // Harrowgate under Vell, Vell under Harrowgate
     },
     NoCommander, true},
};

TEST_F(ScenarioTest, EveryDamagedScenarioIsRefusedWithItsMessage) {
    for (const Variant& v : Variants) {
        SCOPED_TRACE(v.what);
        shell.reset();
        shell = std::make_unique<shell::GameShell>();
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
        draft = datagen::MakeSampleScenario("CROSSING.MAP");
        v.damage(draft);
        Load();
        const auto boxes = Boxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back(), v.message);
        EXPECT_EQ(platform::ShownMessageBox(platform::ShownMessageBoxCount() - 1).caption, "Varnhold");
        EXPECT_EQ(platform::ShownMessageBox(platform::ShownMessageBoxCount() - 1).type & MB_ICONINFORMATION,
                  MB_ICONINFORMATION);
        EXPECT_EQ(shell->Application().gameEnded, 1);
        EXPECT_TRUE(shell->Application().teams.empty());
        EXPECT_EQ(shell->Display().landscapeEnds, v.mapAnnounced ? 1 : 0);
        // Whatever was built stays until the battle is closed, and closing frees it all.
        const int live = LiveUnitObjects();
        shell->CloseGame();
        EXPECT_LE(LiveUnitObjects(), live);
        EXPECT_EQ(Layer().GetCombatUnits().Count(), 0);
    }
}

TEST_F(ScenarioTest, AnInvalidNationIsReportedBeforeTheFileIsRefused) {
    draft.homeNation = 2;
    platform::QueueMessageBoxAnswer(IDNO);
    Load();
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Invalid nation passed in  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in ", 0), 0u);
    EXPECT_EQ(boxes[1], Damaged);
}

// Damage to the bytes themselves: a file cut short anywhere, a count or length past its end.
TEST_F(ScenarioTest, AFileCutShortAnywhereIsRefused) {
    const auto whole = Bytes(draft);
    // Every cut inside the head, the texts and the settings, and a spread through the records.
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < 120; ++n) cuts.push_back(n);
    for (std::size_t n = 120; n < whole.size(); n += 37) cuts.push_back(n);
    cuts.push_back(whole.size() - 1);
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        shell.reset();
        shell = std::make_unique<shell::GameShell>();
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
        ASSERT_TRUE(shell->WriteFile("CUT.SCN", std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut)));
        shell->LoadScenario("CUT.SCN");
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0] == Damaged || boxes[0] == MapDamaged) << boxes[0];
        EXPECT_EQ(shell->Application().gameEnded, 1);
        EXPECT_TRUE(shell->Application().teams.empty());
    }
}

TEST_F(ScenarioTest, LengthsPastTheEndAreRefused) {
    auto bytes = Bytes(draft);
    // The opaque block's length sits after the head and the two one-byte texts.
    const std::size_t opaqueAt = 24 + 1 + draft.title.size() + 1 + draft.secondText.size();
    bytes[opaqueAt] = 0xFF;
    bytes[opaqueAt + 1] = 0xFF;
    bytes[opaqueAt + 2] = 0xFF;
    bytes[opaqueAt + 3] = 0x7F;
    ASSERT_TRUE(shell->WriteFile("LONG.SCN", bytes));
    shell->LoadScenario("LONG.SCN");
    EXPECT_EQ(Boxes(), std::vector<std::string>{Damaged});
}

TEST_F(ScenarioTest, AMissingScenarioOrADamagedMapIsRefused) {
    shell->LoadScenario("NOWHERE.SCN");
    EXPECT_EQ(Boxes(), std::vector<std::string>{Damaged});
    EXPECT_EQ(shell->Application().gameEnded, 1);

    ASSERT_TRUE(shell->WriteFile("BROKEN.MAP", {1, 2, 3, 4, 5}));
    draft.mapName = "BROKEN.MAP";
    Load();
    EXPECT_EQ(Boxes().back(), MapDamaged);
}

TEST_F(ScenarioTest, FileNamesIgnoreCaseAndBackslashes) {
    draft.mapName = "crossing.map";
    ASSERT_TRUE(shell->WriteScenario("Test.Scn", draft));
    shell->LoadScenario("TEST.SCN");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(shell->Application().teams.size(), 1u);
}

} // namespace
