// The battle runner's parts: the relay that gives each computer player only its own side's
// activations, a battle that replays from its seed, and the reports of what can go wrong (a
// missing script, a player that never ends an activation, a battle that outlasts its budget).
#include "tools/runner/battle_runner.h"
#include "tools/runner/side_relay.h"

#include "core/container.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "tests/shell/game_shell.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A computer player that hears its activations and never answers them.
class SilentPlayer : public Component {
public:
    SilentPlayer() : Component("Silent Player") {}
    void Connect() override { RegisterNamedHandler("InitAILeader", Heard); }
    int activations = 0;

private:
    static ContainerBase* Heard(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = dynamic_cast<SilentPlayer*>(c)) ++self->activations;
        return nullptr;
    }
};

class SilentFactory : public ComputerPlayerFactory {
public:
    Component* Create(VhLogicalLandscape*) override { return new SilentPlayer; }
    void SetLists(Component*, List<Combat*>*, List<Leader*>*, List<Group*>*) override {}
    int CompileScript(Component*, const std::string&) override { return 1; }
};

// ---- the relay ----

class SideRelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        datagen::LandscapeDraft map(12, 10);
        map.name = "Crossing";
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
        ASSERT_TRUE(shell->WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP")));
        shell->LoadScenario("TEST.SCN");
        for (int side = 0; side < 2; ++side) {
            relays[side] = std::make_unique<runner::SideRelay>(static_cast<std::uint32_t>(side), side == 0);
            players[side] = new SilentPlayer;
            relays[side]->Adopt(players[side]);
            relays[side]->AttachToBus(&shell->Layer());
        }
    }
    void TearDown() override {
        relays[0].reset();
        relays[1].reset();
        shell.reset();
    }
    Group* GroupOfSide(std::uint32_t side) {
        for (Item<Group*>* i = shell->Layer().GetGroups().Head(); i; i = i->next)
            if (i->value->GetLeader() && i->value->GetLeader()->GetSide() == side) return i->value;
        return nullptr;
    }
    void Activate(ContainerBase* payload) {
        shell->Layer().PostNamed("InitAILeader", payload);
        shell->Run(0);
    }

    std::unique_ptr<shell::GameShell> shell;
    std::unique_ptr<runner::SideRelay> relays[2];
    SilentPlayer* players[2] = {nullptr, nullptr};
};

TEST_F(SideRelayTest, EachActivationReachesOnlyThePlayerOfItsSide) {
    struct Case {
        const char* name;
        Group* group;
        int toHome, toVisiting;
    };
    Group sideless;
    const Case cases[] = {
        {"home group", GroupOfSide(0), 1, 0},
        {"visiting group", GroupOfSide(1), 0, 1},
        // A group whose side cannot be told still gets exactly one player.
        {"group without leader or units", &sideless, 1, 0},
        {"no group", nullptr, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before[2] = {players[0]->activations, players[1]->activations};
        Container<Group*> payload(c.group);
        Activate(&payload);
        EXPECT_EQ(players[0]->activations - before[0], c.toHome);
        EXPECT_EQ(players[1]->activations - before[1], c.toVisiting);
    }
    EXPECT_EQ(relays[0]->ActivationsPassed() + relays[1]->ActivationsPassed(), 4);
    EXPECT_EQ(relays[0]->ActivationsHeldBack() + relays[1]->ActivationsHeldBack(), 4);
}

TEST_F(SideRelayTest, AnActivationPostedAndWaitedForAlsoReachesOnePlayer) {
    Container<Group*> payload(GroupOfSide(1));
    delete shell->Layer().PostNamedAndWait("InitAILeader", &payload);
    EXPECT_EQ(players[0]->activations, 0);
    EXPECT_EQ(players[1]->activations, 1);
}

TEST_F(SideRelayTest, APayloadOfAnotherTypeGoesToBothPlayersToReport) {
    Container<short> wrong(5);
    Activate(&wrong);
    EXPECT_EQ(players[0]->activations, 1);
    EXPECT_EQ(players[1]->activations, 1);
}

TEST_F(SideRelayTest, OtherMessagesPassBothWays) {
    struct Listener : Component {
        Listener() : Component("Listener") {}
        void Connect() override { RegisterNamedHandler("EndOrdersPhase", Heard); }
        static ContainerBase* Heard(Component* c, BusMessage, ContainerBase*) {
            ++static_cast<Listener*>(c)->heard;
            return nullptr;
        }
        int heard = 0;
    } onLayer;
    onLayer.AttachToBus(&shell->Layer());
    // A player's message reaches the layer; the layer's reaches the players' relays.
    players[0]->PostNamedEvent("EndOrdersPhase");
    shell->Run(0);
    EXPECT_EQ(onLayer.heard, 1);
    onLayer.DetachFromBus();
}

// ---- whole battles ----

runner::BattleOptions Options(int scenario, std::uint16_t seed = 1) {
    runner::BattleOptions o;
    o.dataDirectory = VH_DATA_DIR;
    o.scenarioIndex = scenario;
    o.scenarioFile = runner::ScenarioFileOf(scenario);
    o.seed = seed;
    return o;
}

// Cedar Mountain: short, and home to the Confederates.
constexpr int Short = 9;

TEST(BattleRunner, TheSameSeedReplaysTheSameBattle) {
    std::vector<std::string> first, second;
    const runner::BattleResult a = runner::PlayBattle(Options(Short, 3), [&](const std::string& l) { first.push_back(l); });
    const runner::BattleResult b = runner::PlayBattle(Options(Short, 3), [&](const std::string& l) { second.push_back(l); });
    ASSERT_TRUE(a.Ended()) << a.problem;
    ASSERT_TRUE(b.Ended()) << b.problem;
    EXPECT_EQ(first, second);
    EXPECT_EQ(runner::DescribeResult(a), runner::DescribeResult(b));
    EXPECT_EQ(a.secondsPlayed, b.secondsPlayed);
    EXPECT_EQ(a.messages, std::vector<std::string>{});
    EXPECT_EQ(b.messages, std::vector<std::string>{});
    // The commentary is printed without the game's marks.
    for (const std::string& line : first) EXPECT_EQ(line.find('\\'), std::string::npos) << line;
}

TEST(BattleRunner, TheTurnLimitOptionEndsTheBattleThere) {
    runner::BattleOptions o = Options(Short);
    o.turnLimit = 2;
    const runner::BattleResult r = runner::PlayBattle(o);
    ASSERT_TRUE(r.Ended()) << r.problem;
    EXPECT_EQ(r.lastTurn, 2);
    EXPECT_LE(r.turnsPlayed, 3);
}

// The limit names the last turn counted from 0: a limit of 2 plays turns 0, 1 and 2, shown as
// Turn 1 to Turn 3. The story and the result count the turns the same way, and neither names a
// turn past the last, not even for what the score at the end brings (the controller's own
// counter stands one past the last turn by then).
TEST(BattleRunner, NoTurnIsShownPastTheLast) {
    runner::BattleOptions o = Options(Short);
    o.turnLimit = 2;
    std::vector<int> turns;
    const runner::BattleResult r = runner::PlayBattle(o, {}, [&](const std::string& line) {
        ASSERT_EQ(line.rfind("Turn ", 0), 0u) << line;
        turns.push_back(std::stoi(line.substr(5)));
    });
    ASSERT_TRUE(r.Ended()) << r.problem;
    ASSERT_FALSE(turns.empty());
    for (int t : turns) {
        EXPECT_GE(t, 1);
        EXPECT_LE(t, 3);
    }
    EXPECT_TRUE(std::is_sorted(turns.begin(), turns.end()));
    EXPECT_LE(turns.back(), r.turnsPlayed);
    const std::string text = runner::DescribeResult(r);
    EXPECT_NE(text.find("Turns played: " + std::to_string(r.turnsPlayed) + " of 3\n"), std::string::npos) << text;
    if (runner::EndReason(r).rfind("the turn limit", 0) == 0) EXPECT_EQ(r.turnsPlayed, 3) << text;
}

TEST(BattleRunner, APlayerThatNeverEndsAnActivationIsReportedNotWaitedFor) {
    SilentFactory silent;
    runner::BattleOptions o = Options(Short);
    o.players = &silent;
    o.stallSeconds = 120;
    const runner::BattleResult r = runner::PlayBattle(o);
    EXPECT_EQ(r.outcome, runner::BattleResult::Outcome::Stalled);
    EXPECT_NE(r.problem.find("Nothing happened for 120 seconds"), std::string::npos) << r.problem;
    EXPECT_NE(r.problem.find("the active leader was "), std::string::npos) << r.problem;
    EXPECT_EQ(r.problem.find("no leader"), std::string::npos) << r.problem;
    EXPECT_LE(r.secondsPlayed, 200);
    EXPECT_EQ(runner::DescribeResult(r), r.problem);
}

TEST(BattleRunner, ABattleBeyondItsBudgetIsReported) {
    runner::BattleOptions o = Options(Short);
    o.budgetSeconds = 30;
    const runner::BattleResult r = runner::PlayBattle(o);
    EXPECT_EQ(r.outcome, runner::BattleResult::Outcome::OutOfTime);
    EXPECT_NE(r.problem.find("after 30 seconds of game time"), std::string::npos) << r.problem;
}

// A copy of the data directory without some of its files, removed afterwards.
class DataWithout {
public:
    explicit DataWithout(const std::vector<std::string>& missing) {
        static std::atomic<int> serial{0};
        path = fs::temp_directory_path() / ("vh_runner_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
        fs::create_directories(path);
        for (const auto& entry : fs::directory_iterator(VH_DATA_DIR)) {
            bool skip = !entry.is_regular_file();  // the history article's directory is not needed
            for (const auto& m : missing) skip = skip || entry.path().filename() == m;
            if (!skip) fs::copy_file(entry.path(), path / entry.path().filename());
        }
    }
    ~DataWithout() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string Path() const { return path.string(); }

private:
    fs::path path;
};

struct MissingCase {
    const char* name;
    const char* file;
    std::vector<std::string> messages;
    const char* problem;
};

class MissingScript : public ::testing::TestWithParam<MissingCase> {};

// The home side's script is the game's to report (once, as the game does); the visiting side's
// is the runner's. Either way the battle is not played.
TEST_P(MissingScript, IsReportedOnceAndTheBattleIsNotPlayed) {
    const DataWithout data({GetParam().file});
    runner::BattleOptions o = Options(Short);
    o.dataDirectory = data.Path();
    int lines = 0;
    const runner::BattleResult r = runner::PlayBattle(o, [&](const std::string&) { ++lines; });
    EXPECT_EQ(r.outcome, runner::BattleResult::Outcome::ScriptFailed);
    EXPECT_EQ(r.messages, GetParam().messages);
    EXPECT_NE(r.problem.find(GetParam().problem), std::string::npos) << r.problem;
    EXPECT_EQ(r.activations[0] + r.activations[1], 0);
    EXPECT_EQ(lines, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, MissingScript,
    ::testing::Values(MissingCase{"Home", "CEDRMNTC.SCR", {"The A/I script for this scenario is missing or damaged."},
                                  "home side's computer player could not start (CEDRMNTC.SCR)"},
                      MissingCase{"Visiting", "CEDRMNTU.SCR", {}, "visiting side's script CEDRMNTU.SCR"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(BattleRunner, AScenarioFileGetsTheNumberOfItsBattle) {
    struct Case {
        const char* file;
        int index;
    } cases[] = {{"FBULLRN.SCN", 0}, {"cedrmnt.scn", 9}, {"CEDRMNT2.SCN", 9}, {"gettysb3.scn", 3}, {"NOWHERE.SCN", 10}};
    for (const Case& c : cases) EXPECT_EQ(runner::ScenarioIndexOf(c.file, VH_DATA_DIR), c.index) << c.file;
}

TEST(BattleRunner, AScenarioThatIsNotThereIsReported) {
    runner::BattleOptions o = Options(Short);
    o.scenarioFile = "NOWHERE.SCN";
    o.scenarioIndex = runner::ScenarioIndexOf(o.scenarioFile);
    const runner::BattleResult r = runner::PlayBattle(o);
    EXPECT_EQ(r.outcome, runner::BattleResult::Outcome::LoadFailed);
    EXPECT_NE(r.problem.find("NOWHERE.SCN did not load"), std::string::npos) << r.problem;
    EXPECT_EQ(r.messages.size(), 1u);
}

} // namespace
