// The campaign: its graph of battles, the choice of the next battle by a player or the
// computer, the tallies each battle adds to, the end of the campaign and its saved block.
#include "game/logic/game_random.h"
#include "game/logic/referee/campaign_game.h"
#include "tests/referee/scenario_fixture.h"

#include <limits>

namespace {

// The application's campaign dialogs, as a player answers them.
class CampaignServices : public GameAppServices {
public:
    bool RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) override {
        ++maps;
        shownBattle = battle;
        offered.clear();
        for (Item<short>* i = choices.Head(); i; i = i->next) offered.push_back(i->value);
        if (abandon) return false;
        choice = pick >= 0 ? pick : choices.Head()->value;
        return true;
    }
    void RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1) override {
        results.push_back({nation, won, tally0, tally1});
    }

    struct Shown {
        std::int32_t nation;
        int won;
        std::int16_t tally0, tally1;
    };
    int maps = 0;
    std::int32_t shownBattle = -2;
    std::vector<short> offered;
    bool abandon = false;
    int pick = -1;
    std::vector<Shown> results;
};

EndOfGameResults WonBy(std::int32_t winner, std::int32_t home = 0, std::int32_t visiting = 1) {
    EndOfGameResults r;
    r.winner = static_cast<NATION>(winner);
    r.home = static_cast<NATION>(home);
    r.visiting = static_cast<NATION>(visiting);
    return r;
}

class CampaignTest : public ::testing::Test {
protected:
    void SetUp() override { SetAppServices(&services); }
    void TearDown() override {
        SetAppServices(nullptr);
        ClearGameRandomScript();
    }
    CampaignServices services;
};

struct GraphRow {
    int battle;
    std::vector<short> wonBy0;
    std::vector<short> wonBy1;
};

TEST_F(CampaignTest, TheGraphListsTheBattlesThatMayFollowEachBattleByItsWinner) {
    const GraphRow rows[] = {
        {0, {7, 9}, {7}},  {1, {6, 4}, {11}}, {2, {4}, {3}}, {3, {6, 4}, {11}}, {4, {5}, {1, 2}}, {5, {12}, {7, 6}},
        {6, {5}, {1}},     {7, {5}, {9}},     {8, {4}, {1}}, {9, {4}, {8}},     {10, {}, {}},
    };
    const CampaignGame campaign(0, 0);
    for (const GraphRow& row : rows) {
        for (int winner = 0; winner < 2; ++winner) {
            std::vector<short> got;
            for (Item<short>* i = campaign.GetFollowers(row.battle, winner).Head(); i; i = i->next) got.push_back(i->value);
            EXPECT_EQ(got, winner ? row.wonBy1 : row.wonBy0) << "battle " << row.battle << " won by " << winner;
        }
    }
    EXPECT_TRUE(campaign.GetFollowers(11, 0).IsEmpty());
    EXPECT_TRUE(campaign.GetFollowers(-1, 0).IsEmpty());
    EXPECT_TRUE(campaign.GetFollowers(3, 2).IsEmpty());
}

TEST_F(CampaignTest, APlayerChoosesOnTheMapAndABranchOutOfTheGraphEndsTheCampaign) {
    CampaignGame campaign(0, 0);
    EXPECT_EQ(campaign.ChooseNextBattle(-1, EndOfGameResults()), 1);
    EXPECT_EQ(campaign.GetNextScenario(), 0);
    EXPECT_EQ(campaign.GetCurrentBattle(), -1) << "the start touches no battle";

    services.pick = 9;
    EXPECT_EQ(campaign.ChooseNextBattle(0, WonBy(0)), 1);
    EXPECT_EQ(services.shownBattle, 0);
    EXPECT_EQ(services.offered, (std::vector<short>{7, 9}));
    EXPECT_EQ(campaign.GetNextScenario(), 9);
    EXPECT_EQ(campaign.GetCurrentBattle(), 0);

    // Abandoned on the map: nothing chosen; chosen again later.
    services.abandon = true;
    EXPECT_EQ(campaign.ChooseNextBattle(9, WonBy(1)), 0);
    EXPECT_EQ(campaign.GetNextScenario(), 9);
    services.abandon = false;
    services.pick = -1;
    EXPECT_EQ(campaign.ChooseNextBattle(9, WonBy(1)), 1);
    EXPECT_EQ(campaign.GetNextScenario(), 8);
    EXPECT_TRUE(services.results.empty());

    // Battle 1 won by nation 1 leads to 11, battle 5 won by nation 0 to 12: out of the graph.
    for (const auto& [battle, winner] : {std::pair{1, 1}, std::pair{5, 0}}) {
        services.results.clear();
        EXPECT_EQ(campaign.ChooseNextBattle(battle, WonBy(winner)), 0) << battle;
        ASSERT_EQ(services.results.size(), 1u) << battle;
        EXPECT_EQ(services.results[0].nation, winner);
        EXPECT_EQ(services.results[0].won, 1);
    }
    // Battle 10 has no branch at all: the campaign ends without a map to pick from.
    services.results.clear();
    const int maps = services.maps;
    EXPECT_EQ(campaign.ChooseNextBattle(10, WonBy(0)), 0);
    EXPECT_EQ(services.maps, maps);
    EXPECT_EQ(services.results.size(), 1u);
}

TEST_F(CampaignTest, TheComputerDrawsItsBranchAndItsWinShowsTheCampaignLostToThePlayer) {
    CampaignGame campaign(0, 1);
    ScriptGameRandom({0, 1, 5});
    EXPECT_EQ(campaign.ChooseNextBattle(4, WonBy(1)), 1);
    EXPECT_EQ(campaign.GetNextScenario(), 1);
    EXPECT_EQ(campaign.ChooseNextBattle(4, WonBy(1)), 1);
    EXPECT_EQ(campaign.GetNextScenario(), 2);
    EXPECT_EQ(campaign.ChooseNextBattle(4, WonBy(1)), 1);
    EXPECT_EQ(campaign.GetNextScenario(), 2) << "a draw is taken modulo the branch's length";
    EXPECT_EQ(services.maps, 0);

    EXPECT_EQ(campaign.ChooseNextBattle(1, WonBy(1)), 0);
    ASSERT_EQ(services.results.size(), 1u);
    EXPECT_EQ(services.results[0].nation, 0);
    EXPECT_EQ(services.results[0].won, 0);

    // A result without a winner, or a battle outside the graph, follows no branch.
    EXPECT_EQ(campaign.ChooseNextBattle(2, WonBy(-1)), 0);
    EXPECT_EQ(campaign.ChooseNextBattle(14, WonBy(0)), 0);
    EXPECT_EQ(campaign.GetCurrentBattle(), 1);
}

struct FactorRow {
    int nation;
    int battle;
    bool won;
    float factor;
};

TEST_F(CampaignTest, EachBattleAddsItsWeightedPointsToTheTalliesOnce) {
    const FactorRow factors[] = {
        {0, 1, false, 1.0f}, {0, 1, true, 2.0f}, {0, 0, false, 1.0f}, {0, 0, true, 3.0f},
        {1, 0, false, 0.7f}, {1, 0, true, 1.4f}, {1, 3, false, 0.7f}, {1, 3, true, 4.0f},
    };
    for (const FactorRow& f : factors)
        EXPECT_FLOAT_EQ(CampaignGame::PointsFactor(f.nation, f.battle, f.won), f.factor)
            << f.nation << " " << f.battle << " " << f.won;

    CampaignGame campaign(0, 0);
    // Battle 0, nation 1 at home and winning: it scores the visitors' losses and its objectives.
    EndOfGameResults r = WonBy(1, 1, 0);
    r.lostPoints[0] = 7;      // the home side's losses
    r.lostPoints[1] = 20;     // the visitors'
    r.objectivePoints[0] = 5; // held by the home side
    r.objectivePoints[1] = 3;
    ASSERT_EQ(campaign.ChooseNextBattle(0, r), 1);
    EXPECT_EQ(campaign.GetTally(1), 35) << "(20 + 5) * 1.4";
    EXPECT_EQ(campaign.GetTally(0), 10) << "(7 + 3) * 1.0";
    // The choice made again after an abandoned map does not count the battle twice.
    services.abandon = true;
    ASSERT_EQ(campaign.ChooseNextBattle(7, r), 0);
    services.abandon = false;
    ASSERT_EQ(campaign.ChooseNextBattle(7, r), 1);
    EXPECT_EQ(campaign.GetTally(1), 35 + 35);
    EXPECT_EQ(campaign.GetTally(0), 10 + 10);

    // A lead of more than five times the other tally ends the campaign for the leader.
    EndOfGameResults rout = WonBy(0, 0, 1);
    rout.lostPoints[1] = 200;
    EXPECT_EQ(campaign.ChooseNextBattle(9, rout), 0);
    EXPECT_EQ(campaign.GetTally(0), 20 + 600);
    ASSERT_EQ(services.results.size(), 1u);
    EXPECT_EQ(services.results[0].nation, 0);
    EXPECT_EQ(services.results[0].tally0, 620);
    EXPECT_EQ(services.results[0].tally1, 70);

    // A side that has no point yet is not outscored five times over: the campaign goes on.
    CampaignGame oneSided(0, 0);
    EndOfGameResults clean = WonBy(0, 0, 1);
    clean.lostPoints[1] = 10;
    EXPECT_EQ(oneSided.ChooseNextBattle(0, clean), 1);
    EXPECT_EQ(oneSided.GetTally(0), 30) << "10 * 3.0";
    EXPECT_EQ(oneSided.GetTally(1), 0);

    // Tallies stop at the largest value a saved game holds.
    CampaignGame big(0, 0);
    EndOfGameResults huge = WonBy(0, 0, 1);
    huge.lostPoints[1] = 30000;
    huge.lostPoints[0] = 30000;
    big.ChooseNextBattle(0, huge);
    big.ChooseNextBattle(7, huge);
    EXPECT_EQ(big.GetTally(0), std::numeric_limits<std::int16_t>::max());
}

TEST_F(CampaignTest, TheBlockRoundTripsAndADamagedOneIsRefusedWhole) {
    CampaignGame campaign(1, 0);
    EndOfGameResults r = WonBy(0, 1, 0);
    r.lostPoints[0] = 4;
    r.lostPoints[1] = 9;
    ASSERT_EQ(campaign.ChooseNextBattle(2, r), 1);
    SuperString s;
    campaign.Save(s);
    ASSERT_EQ(s.Length(), CampaignGame::BlockBytes);
    const std::string bytes = s.Contents();
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x01\x00", 2)) << "the first nation's flag leads";

    CampaignGame copy;
    ASSERT_TRUE(copy.Load(s));
    SuperString again;
    copy.Save(again);
    EXPECT_EQ(again.Contents(), bytes);
    EXPECT_EQ(copy.GetNextScenario(), 4);
    EXPECT_EQ(copy.GetCurrentBattle(), 2);
    EXPECT_EQ(copy.GetComputerPlays(0), 1);

    struct Case {
        const char* what;
        std::string block;
    };
    std::string badBattle = bytes, badNext = bytes, badTally = bytes;
    badBattle[8] = 42;
    badNext[12] = static_cast<char>(0xFE);
    badTally[3] = static_cast<char>(0x80);
    const Case cases[] = {{"cut", bytes.substr(0, 11)},
                          {"empty", ""},
                          {"a battle outside the graph", badBattle},
                          {"a next battle outside the graph", badNext},
                          {"a negative tally", badTally}};
    for (const Case& c : cases) {
        SuperString damaged;
        damaged.Write(c.block.data(), static_cast<std::int32_t>(c.block.size()));
        CampaignGame target(0, 1);
        EXPECT_FALSE(target.Load(damaged)) << c.what;
        EXPECT_EQ(target.GetComputerPlays(1), 1) << c.what;
        EXPECT_EQ(target.GetNextScenario(), -1) << c.what;
        EXPECT_EQ(target.GetTally(0), 0) << c.what;
    }
}

// The campaign on the application's bus beside a battle: its block follows the layer's in the
// saved game and is found again through header byte 12.
TEST_F(CampaignTest, ASavedCampaignIsFoundThroughItsHeaderSlotAfterTheBattle) {
    std::vector<std::uint8_t> file;
    {
        shell::GameShell shell;
        ASSERT_TRUE(shell.WriteMap("CROSSING.MAP", referee_testing::SmallMap()));
        ASSERT_TRUE(shell.WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP")));
        shell.LoadScenario("TEST.SCN", 10, 7);
        CampaignGame campaign(0, 1);
        campaign.AttachToBus(&shell.App());
        services.pick = 6;
        ASSERT_EQ(campaign.ChooseNextBattle(3, WonBy(0)), 1);
        ASSERT_TRUE(shell.BeginSavedGame("CAMPAIGN.SAV", {'A', 'P', 'P'}));
        shell.SaveGame("CAMPAIGN.SAV");
        file = shell.ReadFile("CAMPAIGN.SAV");
        ASSERT_GT(file.size(), 16u + 3 + CampaignGame::BlockBytes);
        const std::uint32_t layerAt = file[8] | file[9] << 8 | file[10] << 16 | static_cast<std::uint32_t>(file[11]) << 24;
        const std::uint32_t campaignAt = file[12] | file[13] << 8 | file[14] << 16 | static_cast<std::uint32_t>(file[15]) << 24;
        EXPECT_EQ(layerAt == 19u || campaignAt == 19u, true) << "one of the blocks follows the application's";
        EXPECT_NE(layerAt, campaignAt);
        campaign.DetachFromBus();
    }
    shell::GameShell shell;
    ASSERT_TRUE(shell.WriteFile("CAMPAIGN.SAV", file));
    CampaignGame opened;
    opened.AttachToBus(&shell.App());
    shell.LoadGame("CAMPAIGN.SAV");
    EXPECT_EQ(opened.GetNextScenario(), 6);
    EXPECT_EQ(opened.GetCurrentBattle(), 3);
    EXPECT_EQ(opened.GetComputerPlays(1), 1);
    // A slot that names no block inside the file is refused, the campaign kept.
    std::vector<std::uint8_t> broken = file;
    broken[12] = 0xF0;
    broken[13] = 0xFF;
    ASSERT_TRUE(shell.WriteFile("BROKEN.SAV", broken));
    std::string error;
    EXPECT_FALSE(opened.LoadGame(shell.PathOf("BROKEN.SAV"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(opened.GetNextScenario(), 6);
    opened.DetachFromBus();
}

} // namespace
