#include "game/logic/game_random.h"
#include "scenario_fixture.h"

#include <dirent.h>

#include <map>

namespace {

using referee_testing::ScenarioTest;

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// Where the sample scenario puts each unit, and what it is.
struct Expected {
    const char* name;
    const char* kind; // "leader", or the combat unit's kind code
    int hex;
    std::uint32_t facing;
    std::int16_t group;
    const char* groupLeader; // the leader of its group ("" for none)
    const char* superior;    // leaders: the superior's name ("" for none)
    std::uint32_t side;
};

const Expected SampleUnits[] = {
    {"Gen. Ashcombe", "leader", 104, 3, 1, "Gen. Ashcombe", "", 0},
    {"Gen. Thorne", "leader", 203, 3, 2, "Gen. Thorne", "Gen. Ashcombe", 0},
    {"19th Indiana", "MI", 202, 3, 2, "Gen. Thorne", "", 0},
    {"2nd Wisconsin", "MI", 204, 3, 2, "Gen. Thorne", "", 0},
    {"Battery B", "AT", 103, 3, 2, "Gen. Thorne", "", 0},
    {"Gen. Kettering", "leader", 107, 3, 3, "Gen. Kettering", "Gen. Ashcombe", 0},
    {"8th Illinois", "LC", 106, 3, 3, "Gen. Kettering", "", 0},
    {"Union Train", "SW", 5, 3, 1, "Gen. Ashcombe", "", 0},
    {"Gen. Harrowgate", "leader", 1004, 3, 11, "Gen. Harrowgate", "", 1},
    {"Gen. Vell", "leader", 903, 3, 12, "Gen. Vell", "Gen. Harrowgate", 1},
    {"4th Virginia", "MI", 902, 3, 12, "Gen. Vell", "", 1},
    {"27th Virginia", "MI", 904, 3, 12, "Gen. Vell", "", 1},
    {"Rockbridge Artillery", "AT", 1003, 3, 12, "Gen. Vell", "", 1},
    {"Gen. Brackley", "leader", 1007, 3, 13, "Gen. Brackley", "Gen. Harrowgate", 1},
    {"1st Virginia Cavalry", "LC", 1006, 3, 13, "Gen. Brackley", "", 1},
    {"Confederate Train", "SW", 1105, 3, 11, "Gen. Harrowgate", "", 1},
};

TEST_F(ScenarioTest, EveryUnitStandsWhereTheScenarioPutsIt) {
    Load();
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    ASSERT_EQ(shell->Application().gameEnded, 0);
    EXPECT_EQ(Layer().GetCombatUnits().Count(), 10);
    EXPECT_EQ(Layer().GetLeaders().Count(), 6);
    EXPECT_EQ(Layer().GetNextUnitNumber(), 16);

    // Unit numbers follow the file's order, leaders and regiments sharing one sequence.
    for (std::uint16_t number = 0; number < 16; ++number) {
        const Expected& e = SampleUnits[number];
        SCOPED_TRACE(e.name);
        VhUnit* unit = Layer().FindUnit(number);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->GetName(), e.name);
        EXPECT_EQ(unit->GetSide(), e.side);
        EXPECT_EQ(unit->GetFacing(), e.facing);
        EXPECT_EQ(unit->GetGroupNumber(), e.group);
        ASSERT_NE(unit->GetGroup(), nullptr);
        EXPECT_EQ(unit->GetGroup()->GetNumber(), e.group);
        ASSERT_NE(unit->GetGroup()->GetLeader(), nullptr);
        EXPECT_EQ(unit->GetGroup()->GetLeader()->GetName(), e.groupLeader);
        EXPECT_EQ(unit->GetRetreatEdge(), e.side == 0 ? 7u : 3u);
        EXPECT_EQ(unit->GetEntryRegion(), e.hex);
        if (std::string(e.kind) == "leader") {
            ASSERT_TRUE(unit->IsLeader());
            const Leader* leader = AsLeader(unit);
            EXPECT_EQ(leader->GetSuperior() ? leader->GetSuperior()->GetName() : std::string(), e.superior);
            EXPECT_EQ(Layer().FindLeader(number), leader);
        } else {
            const Combat* combat = AsCombat(unit);
            ASSERT_NE(combat, nullptr);
            EXPECT_EQ(combat->GetKindCode(), e.kind);
            EXPECT_EQ(Layer().FindCombatUnit(number), combat);
            EXPECT_TRUE(unit->GetGroup()->GetUnits().Contains(unit));
        }
        if (unit->IsAwaitingArrival()) {
            EXPECT_EQ(unit->GetLocation(), 0xFFFF);
            EXPECT_FALSE(unit->IsOnMap());
        } else {
            EXPECT_EQ(unit->GetLocation(), e.hex);
            EXPECT_TRUE(Layer().GetLandscape()->GetUnitsInRegion(static_cast<std::uint16_t>(e.hex)).Contains(unit));
        }
    }
    // The classes the unit types build.
    EXPECT_NE(dynamic_cast<MediumInfantry*>(Layer().FindUnit(2)), nullptr);
    EXPECT_NE(dynamic_cast<Artillery*>(Layer().FindUnit(4)), nullptr);
    EXPECT_NE(dynamic_cast<LightCav*>(Layer().FindUnit(6)), nullptr);
    EXPECT_NE(dynamic_cast<SupplyWagon*>(Layer().FindUnit(7)), nullptr);

    // Nation lists: home (first) and visiting (second).
    EXPECT_EQ(Layer().GetFirstNationCombatUnits().Count(), 5);
    EXPECT_EQ(Layer().GetSecondNationCombatUnits().Count(), 5);
    EXPECT_EQ(Layer().GetFirstNationLeaders().Count(), 3);
    EXPECT_EQ(Layer().GetSecondNationLeaders().Count(), 3);
    EXPECT_EQ(Layer().GetGroups().Count(), 6);
}

// The Game Options dialog offers the turn limit by the scenario's own flag, and always in a
// campaign: a single battle whose flag was lost never ended by its turns.
TEST_F(ScenarioTest, TheGameOptionsOfferTheTurnLimitAsTheScenarioSaysAndAlwaysInACampaign) {
    struct Case {
        std::uint8_t flag;
        int gameMode;
        int offered;
    };
    const Case cases[] = {{1, 0, 1}, {0, 0, 0}, {1, 2, 1}, {0, 2, 0}, {0, 1, 1}, {1, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag " << int{c.flag} << ", game mode " << c.gameMode);
        shell.reset();  // a shell's services are the program's while it lives: one at a time
        shell = std::make_unique<shell::GameShell>();
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
        shell->SetGameMode(c.gameMode);
        draft.turnLimitChoice = c.flag;
        Load();
        ASSERT_EQ(Boxes(), std::vector<std::string>{});
        Container<short> chooser(1);
        delete Layer().SendNamed("GameOptions", &chooser);
        EXPECT_EQ(shell->OfferedTurnLimits(), c.offered);
    }
}

TEST_F(ScenarioTest, TheLayerKeepsTheScenarioSettings) {
    draft.homeNation = 1;
    draft.visitingNation = 0;
    for (auto& u : draft.units) u.side = 1 - u.side;
    draft.homeEdge = 1;
    draft.visitingEdge = 5;
    draft.homeTarget = 35;
    draft.visitingTarget = 12;
    draft.homeScripts = {"A.SCR", "B.SCR"};
    draft.visitingScripts = {};
    draft.turnLimitChoice = 0;
    draft.turnLimit = 14;
    draft.defaultWinner = 1;
    draft.month = 12;
    draft.day = 13;
    draft.year = 62;
    draft.hour = 9;
    Load();
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    const auto& s = Layer().GetScenario();
    EXPECT_EQ(s.title, "Skirmish at Varnhold Crossing");
    EXPECT_EQ(shell->Services().GetMainTitle(), "Skirmish at Varnhold Crossing");
    EXPECT_EQ(s.mapName, "CROSSING.MAP");
    EXPECT_EQ(s.homeNation, 1);
    EXPECT_EQ(s.visitingNation, 0);
    EXPECT_EQ(s.homeName, "Confederate");
    EXPECT_EQ(s.visitingName, "Union");
    EXPECT_EQ(s.homeRetreatEdge, 1u);
    EXPECT_EQ(s.visitingRetreatEdge, 5u);
    EXPECT_EQ(s.homeTarget, 35);
    EXPECT_EQ(s.visitingTarget, 12);
    EXPECT_EQ(s.homeScripts, (std::vector<std::string>{"A.SCR", "B.SCR"}));
    EXPECT_TRUE(s.visitingScripts.empty());
    EXPECT_EQ(s.turnLimitChoice, 0);
    EXPECT_EQ(s.turnLimit, 14);
    EXPECT_EQ(s.defaultWinner, 1);
    EXPECT_EQ(s.startMonth, 12);
    EXPECT_EQ(s.startDay, 13);
    EXPECT_EQ(s.startYear, 62);
    EXPECT_EQ(s.startHour, 9);
    EXPECT_EQ(s.homeUnits, 5);
    EXPECT_EQ(s.visitingUnits, 5);
    EXPECT_EQ(Layer().GetRegionOffset(), 1000);
    EXPECT_EQ(Layer().GetFirstNation(), 1);
    EXPECT_EQ(Layer().GetSecondNation(), 0);
    // Each side routs toward its own edge.
    EXPECT_EQ(Layer().FindUnit(2)->GetRetreatEdge(), 1u);
    EXPECT_EQ(Layer().FindUnit(10)->GetRetreatEdge(), 5u);

    ASSERT_EQ(shell->Application().teams.size(), 1u);
    const TeamInfoStruct& teams = shell->Application().teams[0];
    EXPECT_EQ(teams.homeNation, 1);
    EXPECT_EQ(teams.homeName, "Confederate");
    EXPECT_EQ(teams.visitingNation, 0);
    EXPECT_EQ(teams.visitingName, "Union");
    EXPECT_EQ(teams.homeLeaders.Count(), 3);
    std::string first;
    teams.visitingLeaders.PeekHead(first);
    EXPECT_EQ(first, "Gen. Harrowgate");
}

TEST_F(ScenarioTest, TheControllerHoldsTheLeadersAndTheObjectives) {
    Load(0);
    GameControl* control = Control();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->GetName(), "Varnhold Game Controller");
    EXPECT_EQ(control->GetBus(), &Layer());
    ASSERT_EQ(control->GetLeaderCount(), 7);
    EXPECT_EQ(control->GetLeaderInfo(0).name, "Free Units");
    EXPECT_EQ(control->GetLeaderInfo(0).leaderClass, 3);
    EXPECT_EQ(control->GetLeaderInfo(0).leader, nullptr);
    const char* names[] = {"Gen. Ashcombe", "Gen. Thorne", "Gen. Kettering", "Gen. Harrowgate", "Gen. Vell", "Gen. Brackley"};
    const std::uint16_t numbers[] = {0, 1, 5, 8, 9, 13};
    for (int i = 1; i < 7; ++i) {
        const LeaderUnitInfo& info = control->GetLeaderInfo(i);
        EXPECT_EQ(info.name, names[i - 1]);
        EXPECT_EQ(info.side, i <= 3 ? 0 : 1);
        // The commanders are level 1, their division commanders level 2.
        EXPECT_EQ(info.leaderClass, i == 1 || i == 4 ? 1 : 2);
        ASSERT_NE(info.leader, nullptr);
        EXPECT_EQ(info.leader->GetUnitNum(), numbers[i - 1]);
        EXPECT_TRUE(info.player.empty());
    }
    // Built-in scenario 0 has four objectives.
    ASSERT_EQ(control->GetObjectiveCount(), 4);
    EXPECT_EQ(control->GetObjective(0).nameId, 194);
    EXPECT_EQ(control->GetObjective(0).points, 5);
    EXPECT_EQ(control->GetObjective(0).holder, 1);
    EXPECT_EQ(control->GetObjective(3).nameId, 195);
    EXPECT_EQ(control->GetObjective(3).hexes.Count(), 1);
    EXPECT_EQ(control->GetScenario(), 0);
}

TEST_F(ScenarioTest, TheDisplayHearsOfTheMapAndEveryUnit) {
    Load(3);
    const shell::DisplayLog& log = shell->Display();
    ASSERT_EQ(log.landscapes.size(), 1u);
    EXPECT_EQ(log.landscapes[0].scenario, 3);
    EXPECT_EQ(log.landscapes[0].size.width, 12);
    EXPECT_EQ(log.landscapes[0].size.height, 10);
    EXPECT_EQ(log.landscapes[0].regionCount, 120);
    EXPECT_EQ(log.regionsAnnounced, 120);
    EXPECT_EQ(log.landscapeEnds, 1);
    ASSERT_EQ(log.created.size(), 16u);
    for (std::uint16_t n = 0; n < 16; ++n) {
        const auto& c = log.created[n];
        EXPECT_EQ(c.unit, n);
        EXPECT_EQ(c.region, SampleUnits[n].hex);
        EXPECT_EQ(c.info.typeIndex, static_cast<std::uint16_t>(draft.units[n].artIndex));
        EXPECT_EQ(c.info.nation, SampleUnits[n].side);
        EXPECT_EQ(c.info.facing, 3u);
        EXPECT_EQ(c.info.awaitingArrival, draft.units[n].arrival != 0 ? 1 : 0) << n;
    }
    // Picture values: infantry in line, cavalry mounted, a limbered battery, a wagon, a leader.
    EXPECT_EQ(log.created[2].info.firstWord, 1);
    EXPECT_EQ(log.created[2].info.secondWord, 0);
    EXPECT_EQ(log.created[6].info.secondWord, 1);
    EXPECT_EQ(log.created[4].info.firstWord, 0);
    EXPECT_EQ(log.created[0].info.firstWord, 0);
    // The art of every type the battle uses, each once, in order of first use.
    ASSERT_EQ(shell->Application().preloads.size(), 1u);
    EXPECT_EQ(shell->Application().preloads[0], (std::vector<short>{0, 1, 4, 12, 10, 9, 2, 3, 6, 13, 11, 8}));
}

TEST_F(ScenarioTest, LateGroupsArriveWithinTwoTurnsOfTheirTime) {
    // Group 3 (Kettering) arrives on turn 3, group 13 (Brackley) on turn 4; each whole group moves by
    // the same amount, and the same seed always gives the same arrivals.
    std::map<std::uint16_t, std::vector<int>> arrivals;
    for (std::uint16_t seed : {0, 1, 2, 3, 77, 254, 77}) {
        shell->CloseGame();
        Load(10, seed);
        std::vector<int> turns;
        for (std::uint16_t n : {5, 6, 13, 14}) turns.push_back(Layer().FindUnit(n)->GetArrivalTurn());
        EXPECT_EQ(turns[0], turns[1]);
        EXPECT_EQ(turns[2], turns[3]);
        EXPECT_GE(turns[0], 1);
        EXPECT_LE(turns[0], 5);
        EXPECT_GE(turns[2], 2);
        EXPECT_LE(turns[2], 6);
        if (arrivals.count(seed)) {
            EXPECT_EQ(arrivals[seed], turns);
        }
        arrivals[seed] = turns;
        // Units on the map from the start keep turn 0.
        EXPECT_EQ(Layer().FindUnit(2)->GetArrivalTurn(), 0);
    }
}

TEST_F(ScenarioTest, AnEarlyDrawBringsALeaderOnTurnOneAndItsUnitsOnTurnZero) {
    // Only Kettering's brigade arrives late, on turn 2; find a seed whose first draw moves it two
    // turns earlier.
    for (auto& u : draft.units) u.arrival = 0;
    draft.units[5].arrival = 2;
    draft.units[6].arrival = 2;
    std::uint16_t seed = 0;
    for (;; ++seed) {
        SeedGameRandom(seed);
        if (GameRandom() % 100 <= 10) break;
    }
    Load(10, seed);
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(Layer().FindUnit(5)->GetArrivalTurn(), 1);
    EXPECT_EQ(Layer().FindUnit(6)->GetArrivalTurn(), 0);
}

TEST_F(ScenarioTest, GroupsOnTheMapFromTheStartDrawNothing) {
    for (auto& u : draft.units) u.arrival = 0;
    const auto before = GameRandomDraws();
    Load();
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(GameRandomDraws(), before);
}

TEST_F(ScenarioTest, TheGameDrawsDoNotDependOnTheSeedAfterLoading) {
    Load(10, 1);
    const int a = GameRandom(), b = GameRandom();
    shell->CloseGame();
    Load(10, 200);
    EXPECT_EQ(GameRandom(), a);
    EXPECT_EQ(GameRandom(), b);
}

TEST_F(ScenarioTest, ALeaderWhoseSuperiorGroupHasNoLeaderServesNobody) {
    draft.units[5].superiorGroup = 42;
    Load();
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(AsLeader(Layer().FindUnit(5))->GetSuperior(), nullptr);
    // A superior group number of the other side's leader does not cross sides either.
    shell->CloseGame();
    draft.units[5].superiorGroup = 11;
    Load();
    EXPECT_EQ(AsLeader(Layer().FindUnit(5))->GetSuperior(), nullptr);
}

TEST_F(ScenarioTest, AKindWordOf256IsALeader) {
    draft.units[1].kindWord = 256;
    Load();
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_TRUE(Layer().FindUnit(1)->IsLeader());
}

TEST_F(ScenarioTest, CloseGameEmptiesTheLayerAndALaterLoadNumbersFromZero) {
    const int liveBefore = LiveUnitObjects();
    Load();
    EXPECT_GT(LiveUnitObjects(), liveBefore);
    shell->CloseGame();
    EXPECT_EQ(LiveUnitObjects(), liveBefore);
    EXPECT_EQ(Layer().GetCombatUnits().Count(), 0);
    EXPECT_EQ(Layer().GetLeaders().Count(), 0);
    EXPECT_EQ(Layer().GetGroups().Count(), 0);
    EXPECT_EQ(Layer().GetLandscape(), nullptr);
    EXPECT_EQ(Control(), nullptr);
    EXPECT_EQ(Layer().GetRegionOffset(), 0xFFFF);
    EXPECT_EQ(Layer().GetFirstNation(), -1);
    EXPECT_EQ(Layer().GetNextUnitNumber(), 0);
    // Twice in a row changes nothing further.
    shell->CloseGame();
    EXPECT_EQ(LiveUnitObjects(), liveBefore);

    Load();
    EXPECT_EQ(Layer().FindUnit(0)->GetName(), "Gen. Ashcombe");
    EXPECT_EQ(shell->Display().created.back().unit, 15);
}

TEST_F(ScenarioTest, ASecondLoadKeepsTheControllerUnlessAskedForANewOne) {
    Load();
    GameControl* first = Control();
    ASSERT_TRUE(shell->WriteScenario("TEST.SCN", draft));
    shell->CloseGame();
    ASSERT_EQ(Control(), nullptr);
    shell->LoadScenario("TEST.SCN", 10, 7, 1);
    ASSERT_NE(Control(), nullptr);
    GameControl* second = Control();
    (void)first;
    // Without the request for a new controller the layer goes on with the one it has.
    shell->LoadScenario("TEST.SCN", 10, 7, 0);
    EXPECT_EQ(Control(), second);
}

TEST_F(ScenarioTest, TheScenarioFileIsClosedWhateverHappens) {
    const int before = OpenDescriptors();
    Load();
    EXPECT_EQ(OpenDescriptors(), before);
    shell->CloseGame();
    draft.units[3].kindWord = 9;
    Load();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ScenarioTest, TranslatedNationsDecideTheSides) {
    // Every unit of nation 1 is moved to nation 0, every unit of nation 0 stays: the visiting
    // side is left without a leader.
    draft.translation = {{0, 1}, {1, 0}};
    Load();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"This scenario does not have at least one leader on each side."});
    EXPECT_EQ(shell->Application().teams.size(), 0u);
    EXPECT_EQ(shell->Application().gameEnded, 1);
    // The map was handed to the display before the failure.
    EXPECT_EQ(shell->Display().landscapeEnds, 1);

    // A later entry sees what an earlier one made of the nation.
    VhLogicalLayer layer;
    layer.SetNationTranslation({{5, 7}, {7, 9}});
    EXPECT_EQ(layer.TranslateNation(5), 9u);
    EXPECT_EQ(layer.TranslateNation(7), 9u);
    EXPECT_EQ(layer.TranslateNation(1), 1u);
}

} // namespace
