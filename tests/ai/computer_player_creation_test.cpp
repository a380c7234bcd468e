// The computer player as the game makes it: "InitializeScenario" with a side computer-controlled
// creates one VhAI through the installed factory, on the layer's bus, with the layer's lists and
// the side's script; the computer then plays that side of the sample battle against a test
// driver that plays the other side with clicks, from the first turn to the end of the game.
#include "game/ai/player/vh_ai.h"
#include "game/ai/player/vh_ai_factory.h"

#include "core/container.h"
#include "game/logic/referee/computer_player.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "platform/msgbox.h"
#include "tests/shell/game_shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const ScriptDamagedText = "The A/I script for this scenario is missing or damaged.";

// The Union groups get names a script can spell (a name may not start with a digit).
datagen::ScenarioDraft SampleBattle(int turnLimit) {
    datagen::ScenarioDraft d = datagen::MakeSampleScenario("CROSSING.MAP");
    for (auto& g : d.groups) {
        if (g.name == "1st Brigade") g.name = "Iron Brigade";
        if (g.name == "2nd Brigade") g.name = "Horse Brigade";
    }
    d.turnLimit = static_cast<std::int16_t>(turnLimit);
    return d;
}

// The Union army attacks across the map with the game's shared tactics; the commander commits
// his first brigade, then looks after his own.
const char* const HomeScript = R"(HomeTest
{
    import "VHTACTIC.INC";
    var step, always;
    Conditions { step = NewActivation(); always = TRUE; };
    Orders for Army_of_the_Potomac { always CommandStep(2, ATTACK, 904); };
    Orders for Iron_Brigade { always GroupStep(ATTACK, 903, NOWHERE); };
    Orders for Horse_Brigade { always GroupStep(ATTACK, 906, NOWHERE); };
}
)";

const char* const EmptyScript = "Idle\n{\n    var always;\n    Conditions { always = TRUE; };\n}\n";

// Hears what the game says on the layer's bus: the activations on both paths and their ends.
class Observer : public Component {
public:
    Observer() : Component("Creation Observer") {}
    void Connect() override {
        RegisterNamedHandler("InitAILeader", Computer);
        RegisterNamedHandler("InitLeader", Player);
        RegisterNamedHandler("EndOrdersPhase", Ended);
    }
    std::vector<Group*> computerActivations;
    int playerActivations = 0;
    int endsOfOrders = 0;
    bool driverToPlay = false;

private:
    static ContainerBase* Computer(Component* c, BusMessage, ContainerBase* p) {
        auto* self = dynamic_cast<Observer*>(c);
        if (Group* const* g = PayloadValue<Group*>(p); self && g) self->computerActivations.push_back(*g);
        return nullptr;
    }
    static ContainerBase* Player(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = dynamic_cast<Observer*>(c)) {
            ++self->playerActivations;
            self->driverToPlay = true;
        }
        return nullptr;
    }
    static ContainerBase* Ended(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = dynamic_cast<Observer*>(c)) ++self->endsOfOrders;
        return nullptr;
    }
};

std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
    return out;
}

class ComputerPlayerCreation : public ::testing::Test {
protected:
    void SetUp() override {
        previous = GetComputerPlayerFactory();
        SetComputerPlayerFactory(&VhAIFactory());
        shell = std::make_unique<shell::GameShell>();
        platform::ClearShownMessageBoxes();
        datagen::LandscapeDraft map(12, 10);
        map.name = "Crossing";
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
        std::ifstream tactics(std::string(VH_DATA_SOURCE_DIR) + "/scripts/VHTACTIC.INC", std::ios::binary);
        ASSERT_TRUE(tactics.good());
        ASSERT_TRUE(shell->WriteFile("VHTACTIC.INC", {std::istreambuf_iterator<char>(tactics), {}}));
        observer = std::make_unique<Observer>();
    }
    void TearDown() override {
        observer.reset();
        shell.reset();
        SetComputerPlayerFactory(previous);
    }

    void WriteScript(const std::string& name, const std::string& text) {
        ASSERT_TRUE(shell->WriteFile(name, std::vector<std::uint8_t>(text.begin(), text.end())));
    }
    // Loads the battle and initialises it as the game does after the leader-control dialog.
    void Initialize(std::uint16_t homeComputer, std::uint16_t visitingComputer, int turnLimit = 3) {
        ASSERT_TRUE(shell->WriteScenario("TEST.SCN", SampleBattle(turnLimit)));
        shell->LoadScenario("TEST.SCN");
        ASSERT_FALSE(shell->Application().teams.empty());
        observer->AttachToBus(&Layer());
        Layer().SetSideValue(0, homeComputer);
        Layer().SetSideValue(1, visitingComputer);
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        delete Layer().SendNamed("InitializeScenario", &teams);
        shell->Run(0);
    }
    void Begin() {
        Control()->SetDeploymentPhase(0);
        shell->GrantTurns(100);
        Container<short> fresh(0);
        shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    }
    void Click(std::uint16_t hex) {
        Container<short> where(static_cast<short>(hex));
        Layer().Post(REGION_SELECTED, &where);
        shell->Run(0);
    }
    // The driver's activation: up to two of its units that the active leader may order move to
    // the legal hex nearest the Union line, each by two clicks as a player gives them; then the
    // orders phase ends.
    int PlayDriverActivation() {
        int moved = 0;
        VhLogicalLandscape* map = Layer().GetLandscape();
        if (map) {
            std::vector<Combat*> units;
            for (Item<Combat*>* i = Layer().GetCombatUnits().Head(); i; i = i->next)
                if (i->value->GetSide() == 1) units.push_back(i->value);
            for (Combat* u : units) {
                if (moved == 2) break;
                if (!u->IsOnMap() || u->IsRouted()) continue;
                Click(u->GetLocation());
                if (!u->IsSelected()) continue;
                std::uint16_t best = 0xFFFF;
                int bestDistance = 1 << 20;
                for (Item<short>* d = u->GetLegalDestinations().Head(); d; d = d->next) {
                    const auto hex = static_cast<std::uint16_t>(d->value);
                    const int distance = map->RegionDistance(hex, UnionLine);
                    if (hex == u->GetLocation()) continue;
                    if (distance < bestDistance) best = hex, bestDistance = distance;
                }
                if (best == 0xFFFF) {
                    Click(u->GetLocation());
                    continue;
                }
                const std::uint16_t from = u->GetLocation();
                Click(best);
                if (u->GetLocation() != from) ++moved;
            }
        }
        Layer().PostNamedEvent("LeaderFinishLeader");
        return moved;
    }

    VhLogicalLayer& Layer() { return shell->Layer(); }
    GameControl* Control() { return shell->Layer().GetGameControl(); }

    static constexpr std::uint16_t UnionLine = 303;
    ComputerPlayerFactory* previous = nullptr;
    std::unique_ptr<shell::GameShell> shell;
    std::unique_ptr<Observer> observer;
};

TEST_F(ComputerPlayerCreation, ComputerPlaysTheHomeSideAgainstADriverToTheEndOfTheGame) {
    WriteScript("HOMEAI.SCR", HomeScript);
    Initialize(1, 0);
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    ASSERT_EQ(shell->Application().gameEnded, 0);
    VhAI* ai = VhAICreator::AsVhAI(Layer().GetComputerPlayer(true));
    ASSERT_NE(ai, nullptr);
    EXPECT_EQ(Layer().GetComputerPlayer(false), nullptr);
    EXPECT_EQ(ai->GetBus(), &Layer());
    EXPECT_EQ(Layer().GetScriptName(), "HOMEAI.SCR");
    for (Item<Leader*>* i = Layer().GetLeaders().Head(); i; i = i->next)
        EXPECT_EQ(i->value->IsAIControlled() != 0, i->value->GetSide() == 0) << i->value->GetName();

    std::map<std::uint16_t, std::uint16_t> start;
    for (Item<Combat*>* i = Layer().GetCombatUnits().Head(); i; i = i->next)
        start[i->value->GetUnitNum()] = i->value->GetLocation();

    Begin();
    int driverMoves = 0;
    for (int step = 0; step < 5000 && !shell->Application().gameEnded; ++step) {
        shell->Run(200);
        if (observer->driverToPlay) {
            observer->driverToPlay = false;
            Leader* active = Layer().GetActiveGroup() ? Layer().GetActiveGroup()->GetLeader() : nullptr;
            ASSERT_NE(active, nullptr);
            EXPECT_EQ(active->GetSide(), 1u) << "the driver was handed " << active->GetName();
            driverMoves += PlayDriverActivation();
        }
    }

    // The game ran its turns to the end, with its results.
    ASSERT_EQ(shell->Application().gameEnded, 1);
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_TRUE(Control()->IsGameOver());
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    // Both sides were played; the computer only had its own side, and every activation of either
    // side ended its orders phase exactly once.
    ASSERT_FALSE(observer->computerActivations.empty());
    for (Group* g : observer->computerActivations) {
        ASSERT_NE(g, nullptr);
        ASSERT_NE(g->GetLeader(), nullptr);
        EXPECT_EQ(g->GetLeader()->GetSide(), 0u) << g->GetName();
    }
    EXPECT_GT(observer->playerActivations, 0);
    EXPECT_EQ(observer->endsOfOrders, static_cast<int>(observer->computerActivations.size()) + observer->playerActivations);
    EXPECT_GT(driverMoves, 0);
    int homeMoved = 0;
    for (Item<Combat*>* i = Layer().GetCombatUnits().Head(); i; i = i->next)
        if (i->value->GetSide() == 0 && i->value->GetLocation() != start[i->value->GetUnitNum()]) ++homeMoved;
    EXPECT_GT(homeMoved, 0) << "the computer gave no move order that was carried out";

    // The layer owns the player: closing the game deletes it.
    shell->CloseGame();
    EXPECT_EQ(Layer().GetComputerPlayer(true), nullptr);
}

struct BrokenScript {
    const char* name;
    const char* text;  // null: no file at all
};

class ScriptThatDoesNotCompile : public ComputerPlayerCreation, public ::testing::WithParamInterface<BrokenScript> {};

// A missing or damaged script is reported once, with the game's caption, and ends the game; the
// player made for it is still the layer's to delete.
TEST_P(ScriptThatDoesNotCompile, IsReportedOnceAndEndsTheGame) {
    if (GetParam().text) WriteScript("HOMEAI.SCR", GetParam().text);
    Initialize(1, 0);
    ASSERT_EQ(Boxes(), std::vector<std::string>{ScriptDamagedText});
    EXPECT_EQ(platform::ShownMessageBox(0).caption, shell->App().LoadResourceString(1));
    EXPECT_EQ(platform::ShownMessageBox(0).type & 0xF0u, static_cast<unsigned>(MB_ICONINFORMATION));
    EXPECT_EQ(shell->Application().gameEnded, 1);
    EXPECT_NE(Layer().GetComputerPlayer(true), nullptr);
    shell->Run(5000);
    EXPECT_EQ(Boxes().size(), 1u);
    shell->CloseGame();
    EXPECT_EQ(Layer().GetComputerPlayer(true), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptThatDoesNotCompile,
                         ::testing::Values(BrokenScript{"Missing", nullptr},
                                           BrokenScript{"Damaged", "HomeTest\n{\n    Orders for Iron_Brigade {\n"},
                                           BrokenScript{"ImportMissing", "HomeTest\n{\n    import \"NOWHERE.INC\";\n}\n"}),
                         [](const auto& p) { return std::string(p.param.name); });

struct SideCase {
    const char* name;
    std::uint16_t home, visiting;
    bool factory;
    bool slotA, slotB;
    const char* script;
};

class ComputerSide : public ComputerPlayerCreation, public ::testing::WithParamInterface<SideCase> {};

// The computer side's player goes to slot A for the home side, slot B for the visiting side, and
// is made only through an installed factory.
TEST_P(ComputerSide, PlayerGoesToItsSlot) {
    const SideCase& c = GetParam();
    WriteScript("HOMEAI.SCR", EmptyScript);
    WriteScript("AWAYAI.SCR", EmptyScript);
    if (!c.factory) SetComputerPlayerFactory(nullptr);
    Initialize(c.home, c.visiting);
    EXPECT_EQ(Layer().GetComputerPlayer(true) != nullptr, c.slotA);
    EXPECT_EQ(Layer().GetComputerPlayer(false) != nullptr, c.slotB);
    EXPECT_EQ(Layer().GetScriptName(), c.script);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(shell->Application().gameEnded, 0);
}

INSTANTIATE_TEST_SUITE_P(Sides, ComputerSide,
                         ::testing::Values(SideCase{"Home", 1, 0, true, true, false, "HOMEAI.SCR"},
                                           SideCase{"Visiting", 0, 1, true, false, true, "AWAYAI.SCR"},
                                           SideCase{"BothTakeTheHomeSide", 1, 1, true, true, false, "HOMEAI.SCR"},
                                           SideCase{"Neither", 0, 0, true, false, false, ""},
                                           SideCase{"NoFactory", 1, 0, false, false, false, "HOMEAI.SCR"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ComputerPlayerCreation, SecondInitialisationReplacesThePlayer) {
    WriteScript("HOMEAI.SCR", EmptyScript);
    Initialize(1, 0);
    ASSERT_NE(Layer().GetComputerPlayer(true), nullptr);
    Container<TeamInfoStruct> teams(shell->Application().teams.back());
    delete Layer().SendNamed("InitializeScenario", &teams);
    shell->Run(0);
    ASSERT_NE(Layer().GetComputerPlayer(true), nullptr);
    // One player hears the layer's bus, not two.
    int players = 0;
    for (Item<short>* i = Layer().Ids().Head(); i; i = i->next)
        if (VhAICreator::AsVhAI(Layer().GetComputerPlayer(true)) == Layer().GetComputerPlayer(true) &&
            Layer().GetComponent(static_cast<std::uint16_t>(i->value)) &&
            VhAICreator::AsVhAI(Layer().GetComponent(static_cast<std::uint16_t>(i->value))))
            ++players;
    EXPECT_EQ(players, 1);
}

// Scripts that pass the activation round leaders who order nothing: the commander hands it to a
// sub-leader who finishes at once, or a sub-leader hands it to a leader of his superior's, who is
// taken up again. Each hand-over costs its leader a command, so every turn still ends.
struct RoundCase {
    const char* name;
    const char* orders;
};

class HandOverRound : public ComputerPlayerCreation, public ::testing::WithParamInterface<RoundCase> {};

TEST_P(HandOverRound, EveryTurnStillEnds) {
    WriteScript("HOMEAI.SCR", std::string("RoundTest\n{\n    var always;\n    Conditions { always = TRUE; };\n") +
                                  GetParam().orders + "}\n");
    Initialize(1, 0, 2);
    ASSERT_EQ(Boxes(), std::vector<std::string>{});
    Begin();
    for (int step = 0; step < 2000 && !shell->Application().gameEnded; ++step) {
        shell->Run(200);
        if (observer->driverToPlay) {
            observer->driverToPlay = false;
            Layer().PostNamedEvent("LeaderFinishLeader");
        }
    }
    EXPECT_EQ(shell->Application().gameEnded, 1);
    EXPECT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_LT(observer->computerActivations.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, HandOverRound,
    ::testing::Values(RoundCase{"ToASubLeaderWhoOrdersNothing",
                                "    Orders for Army_of_the_Potomac { always DoChooseSubLeader(2); };\n"
                                "    Orders for Iron_Brigade { always FinishLeader(); };\n"
                                "    Orders for Horse_Brigade { always FinishLeader(); };\n"},
                      RoundCase{"ThroughTheSuperiorOfAnotherLeader",
                                "    Orders for Army_of_the_Potomac { always DoChooseSubLeader(2); };\n"
                                "    Orders for Iron_Brigade { always DoChooseSubLeader(3); };\n"
                                "    Orders for Horse_Brigade { always FinishLeader(); };\n"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace

struct FogCase {
    const char* name;
    std::uint16_t home, visiting;
    bool fog;
    std::int32_t localSide;
};

class FogOfWarStart : public ComputerPlayerCreation, public ::testing::WithParamInterface<FogCase> {};

// With fog of war chosen, a battle with one human side hides the other side from that side's
// view; with both sides at one machine there is nothing to hide. Either way the battle starts
// without a report.
TEST_P(FogOfWarStart, OnlyASingleHumanSideGetsTheFog) {
    const FogCase& c = GetParam();
    WriteScript("HOMEAI.SCR", EmptyScript);
    WriteScript("AWAYAI.SCR", EmptyScript);
    GameAppServices::GameOptions options;
    options.fogOfWar = 1;
    shell->SetGameOptions(options);
    Container<short> deployment(1);
    delete Layer().SendNamed("GameOptions", &deployment);
    Initialize(c.home, c.visiting);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    ASSERT_NE(Layer().GetLandscape(), nullptr);
    EXPECT_EQ(Layer().GetLandscape()->IsFogOfWarOn(), c.fog);
    if (c.fog) EXPECT_EQ(Layer().GetLandscape()->GetLocalSide(), c.localSide);
    EXPECT_EQ(shell->Application().gameEnded, 0);
}

INSTANTIATE_TEST_SUITE_P(Sides, FogOfWarStart,
                         ::testing::Values(FogCase{"ComputerHome", 1, 0, true, 1},
                                           FogCase{"ComputerVisiting", 0, 1, true, 0},
                                           FogCase{"BothHuman", 0, 0, false, -1}),
                         [](const auto& p) { return std::string(p.param.name); });
