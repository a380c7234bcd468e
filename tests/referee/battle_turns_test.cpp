// A battle played headless through several turns: leaders activated in the weighted order, units
// selected, moved and turned, hits taken on steps, a rout and a rally, an undo; and the same seed
// and clock replaying it exactly.
#include "game/logic/game_random.h"
#include "tests/referee/scenario_fixture.h"

#include <sstream>

namespace {

using referee_testing::ScenarioTest;

// Hears what the game announces on the application's bus.
class Observer : public Component {
public:
    Observer() : Component("Battle Observer") {}
    void Connect() override {
        RegisterNamedHandler("ActivateLeader", Activated);
        RegisterNamedHandler("RoutPhase", Rout);
    }
    std::vector<int> activations;
    int routPhases = 0;

private:
    static ContainerBase* Activated(Component* c, BusMessage, ContainerBase* p) {
        auto* self = dynamic_cast<Observer*>(c);
        if (const auto* r = PayloadValue<ActivateNextLeaderStruct>(p); self && r) self->activations.push_back(r->leader);
        return nullptr;
    }
    static ContainerBase* Rout(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = dynamic_cast<Observer*>(c)) ++self->routPhases;
        return nullptr;
    }
};

class BattleTest : public ScenarioTest {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        datagen::LandscapeDraft map = referee_testing::SmallMap();
        for (int c = 0; c < 12; ++c)
            for (int r = 0; r < 10; ++r) map.SetElevation(static_cast<unsigned short>(c * 100 + r), 1);
        // A rise east of the Union line: stepping onto it costs a unit in line a hit.
        map.SetElevation(302, 2);
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
        draft = datagen::MakeSampleScenario("CROSSING.MAP");
        observer = std::make_unique<Observer>();
        observer->AttachToBus(&shell->App());
    }
    void TearDown() override {
        observer.reset();
        ClearGameRandomScript();
        ScenarioTest::TearDown();
    }

    // Loads the battle, names every leader as this machine's, and begins the game.
    void Begin() {
        Load(10, 7);
        ASSERT_NE(Control(), nullptr);
        ASSERT_FALSE(shell->Application().teams.empty());
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        Send("InitializeScenario", &teams);
        Control()->SetDeploymentPhase(0);
        Control()->SetTurnLimitOn(0);
        Container<short> fresh(0);
        shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
        shell->Run(200);
    }
    void Send(const char* name, ContainerBase* payload) {
        delete Layer().SendNamed(name, payload);
        shell->Run(0);
    }
    void Click(std::uint16_t hex) {
        Container<short> where(static_cast<short>(hex));
        Layer().Post(REGION_SELECTED, &where);
        shell->Run(0);
    }
    Leader* ActiveLeader() {
        for (Item<Leader*>* i = Layer().GetLeaders().Head(); i; i = i->next)
            if (i->value->IsActive()) return i->value;
        return nullptr;
    }
    // The active leader finishes; the shock phase (none yet), the results pause and the barrier
    // follow until the next leader is active or the turn ends.
    void FinishActivation() {
        Layer().PostNamedEvent("LeaderFinishLeader");
        shell->Run(1500);
    }

    std::unique_ptr<Observer> observer;
};

TEST_F(BattleTest, TurnsRunWithMovesTurnsHitsRoutRallyAndUndo) {
    shell->GrantTurns(2);
    Begin();
    ASSERT_FALSE(observer->activations.empty());
    Leader* first = ActiveLeader();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetSuperior(), nullptr) << "a commander is activated first";

    // Play until the Union commander is active, then order the 19th Indiana about.
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    ASSERT_NE(meade, nullptr);
    for (int guard = 0; guard < 8 && ActiveLeader() != meade; ++guard) FinishActivation();
    ASSERT_EQ(ActiveLeader(), meade);
    Combat* indiana = Layer().FindCombatUnitByName("19th Indiana");
    ASSERT_NE(indiana, nullptr);
    ASSERT_EQ(indiana->GetLocation(), 202);
    Click(202);
    ASSERT_TRUE(indiana->IsSelected());
    ASSERT_TRUE(indiana->GetLegalDestinations().Contains(302));

    // The move onto the rise: a legal path, one hit on the step up, one command used.
    const int usedBefore = meade->GetCommandsUsed();
    Click(302);
    EXPECT_EQ(indiana->GetLocation(), 302);
    EXPECT_EQ(indiana->GetCohesionHits(), 1);
    EXPECT_EQ(meade->GetCommandsUsed(), usedBefore + 1);
    EXPECT_LT(indiana->GetMovementPoints(), indiana->GetMovementAllowance());

    // Undo takes the move back: hex, points and the command.
    Layer().PostNamedEvent("UnitUndo");
    shell->Run(0);
    EXPECT_EQ(indiana->GetLocation(), 202);
    EXPECT_EQ(indiana->GetMovementPoints(), indiana->GetMovementAllowance());
    EXPECT_EQ(meade->GetCommandsUsed(), usedBefore);

    // A turn clockwise costs two points and changes the facing by one side.
    const std::uint32_t facingBefore = indiana->GetFacing();
    const int pointsBefore = indiana->GetMovementPoints();
    Layer().PostNamedEvent("RotateRight");
    shell->Run(0);
    EXPECT_EQ(indiana->GetFacing(), facingBefore == 3 ? 4u : facingBefore);
    EXPECT_EQ(indiana->GetMovementPoints(), pointsBefore - 2);
    Click(indiana->GetLocation());
    EXPECT_FALSE(indiana->IsSelected());

    // Hits on the causing machine break the 2nd Wisconsin; the relay routs it toward its edge.
    Combat* wisconsin = Layer().FindCombatUnitByName("2nd Wisconsin");
    ASSERT_NE(wisconsin, nullptr);
    const std::uint16_t stood = wisconsin->GetLocation();
    EXPECT_EQ(wisconsin->TQHit(static_cast<std::int16_t>(wisconsin->GetTQ()), 2), 1);
    shell->Run(200);
    EXPECT_TRUE(wisconsin->IsRouted());
    EXPECT_NE(wisconsin->GetLocation(), stood);
    EXPECT_EQ(wisconsin->GetFacing(), wisconsin->GetRetreatEdge());

    // A rally with good dice takes one hit off and ends the rout.
    ScriptGameRandom({0, 0});
    EXPECT_EQ(wisconsin->AttemptRally(3), 1);
    shell->Run(100);
    EXPECT_FALSE(wisconsin->IsRouted());
    EXPECT_EQ(wisconsin->GetCohesionHits(), wisconsin->GetTQ() - 1);

    // The turns go on to the granted end-of-turn screens.
    for (int guard = 0; guard < 40 && shell->HeldEndOfTurnScreens() == 0; ++guard) FinishActivation();
    EXPECT_EQ(shell->HeldEndOfTurnScreens(), 1);
    EXPECT_EQ(Control()->GetTurn(), 2);
    EXPECT_EQ(observer->routPhases, 3);
    EXPECT_EQ(shell->EndOfTurnScreens().size(), 3u);
}


TEST_F(BattleTest, CommandersAlternateWithinTheirRunLimitsAndCommands) {
    shell->GrantTurns(3);
    Begin();
    for (int guard = 0; guard < 60 && shell->HeldEndOfTurnScreens() == 0; ++guard) FinishActivation();
    ASSERT_EQ(shell->HeldEndOfTurnScreens(), 1);
    // Both commanders have 3 commands: 6 activations a turn, 4 turns played.
    const std::uint16_t meade = Layer().FindLeaderByName("Gen. Ashcombe")->GetUnitNum();
    const std::uint16_t lee = Layer().FindLeaderByName("Gen. Harrowgate")->GetUnitNum();
    ASSERT_EQ(observer->activations.size(), 24u);
    for (std::size_t turn = 0; turn < 4; ++turn) {
        int perSide[2] = {0, 0};
        int run = 0, last = -1;
        for (std::size_t k = 0; k < 6; ++k) {
            const int who = observer->activations[turn * 6 + k];
            ASSERT_TRUE(who == meade || who == lee);
            const int side = who == lee ? 1 : 0;
            ++perSide[side];
            run = side == last ? run + 1 : 1;
            last = side;
            // Side 0 runs at most two in a row and side 1 three while the other has commands.
            if (perSide[0] < 3 && perSide[1] < 3) {
                EXPECT_LE(run, side == 0 ? 2 : 3);
            }
        }
        EXPECT_EQ(perSide[0], 3);
        EXPECT_EQ(perSide[1], 3);
    }
}

TEST_F(BattleTest, ASideWithoutACandidateCommanderIsSkipped) {
    Load(10, 7);
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    // Nobody on the Confederate side stands at the top of a chain: there is no one to draw.
    lee->SetSuperior(meade);
    Container<TeamInfoStruct> teams(shell->Application().teams.back());
    Send("InitializeScenario", &teams);
    Control()->SetDeploymentPhase(0);
    Control()->SetTurnLimitOn(0);
    Container<short> fresh(0);
    shell->App().Post(&shell->App(), BEGIN_GAME, &fresh);
    shell->Run(200);
    for (int guard = 0; guard < 10 && shell->HeldEndOfTurnScreens() == 0; ++guard) FinishActivation();
    ASSERT_EQ(shell->HeldEndOfTurnScreens(), 1);
    ASSERT_EQ(observer->activations.size(), 3u);
    for (int a : observer->activations) EXPECT_EQ(a, meade->GetUnitNum());
}

TEST_F(BattleTest, SelectionFollowsTheActiveLeadersCommands) {
    shell->GrantTurns(1);
    Begin();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    for (int guard = 0; guard < 8 && ActiveLeader() != meade; ++guard) FinishActivation();
    ASSERT_EQ(ActiveLeader(), meade);
    Combat* indiana = Layer().FindCombatUnitByName("19th Indiana");
    Combat* wisconsin = Layer().FindCombatUnitByName("2nd Wisconsin");
    Click(202);
    Click(302);
    ASSERT_EQ(indiana->GetLocation(), 302);
    // Deselecting a unit that moved leaves it no points and marks it used this turn.
    Click(302);
    EXPECT_FALSE(indiana->IsSelected());
    EXPECT_EQ(indiana->GetMovementPoints(), 0);
    EXPECT_TRUE(indiana->IsUsedThisTurn());
    // A unit that has acted this orders phase is not picked up again.
    Click(302);
    EXPECT_FALSE(indiana->IsSelected());
    // With the leader out of commands, a unit not facing an enemy cannot be selected.
    meade->SetCommandsLeft(0);
    VhUnit::SetLeaderOutOfCommands(1);
    Click(204);
    EXPECT_FALSE(wisconsin->IsSelected());
    VhUnit::SetLeaderOutOfCommands(0);
}

TEST_F(BattleTest, DeploymentMovesAUnitOnItsOwnSideOfTheLine) {
    Load(10, 7);
    Container<TeamInfoStruct> teams(shell->Application().teams.back());
    Send("InitializeScenario", &teams);
    ASSERT_EQ(Layer().GetDividingLine(), 5) << "Union up to column 2, Confederates from column 9";
    Combat* indiana = Layer().FindCombatUnitByName("19th Indiana");
    ASSERT_EQ(indiana->GetRetreatEdge(), 7u);
    EXPECT_TRUE(indiana->CanDeployTo(402));
    EXPECT_FALSE(indiana->CanDeployTo(502)) << "on the line";
    EXPECT_FALSE(indiana->CanDeployTo(204)) << "taken";
    Layer().GetLandscape()->SetDeploymentHold(1);
    Click(202);
    ASSERT_TRUE(indiana->IsLifted());
    Click(702); // the enemy's side: refused, still lifted
    EXPECT_EQ(indiana->GetLocation(), 202);
    // (A click on a friend's hex lifts that friend instead, putting this one down.)
    Click(402);
    EXPECT_EQ(indiana->GetLocation(), 402);
    EXPECT_TRUE(Layer().GetLandscape()->GetUnitsInRegion(402).Contains(indiana));
    EXPECT_FALSE(Layer().GetLandscape()->IsRegionOccupied(202));
    // Turned while lifted, then put down as the end of deployment puts every unit down.
    Layer().PostNamedEvent("RotateRight");
    shell->Run(0);
    EXPECT_EQ(indiana->GetFacing(), 4u);
    Container<short> none(-1);
    Send("UnitDropped", &none);
    EXPECT_FALSE(indiana->IsLifted());
    EXPECT_EQ(indiana->GetLocation(), 402);
    Layer().GetLandscape()->SetDeploymentHold(0);
}

TEST_F(BattleTest, TheSameSeedAndClockGiveTheSameBattle) {
    std::string logs[2];
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            observer.reset();
            shell.reset();
            SetUp();
        }
        shell->GrantTurns(2);
        Begin();
        Combat* indiana = Layer().FindCombatUnitByName("19th Indiana");
        std::ostringstream out;
        for (int guard = 0; guard < 40 && shell->HeldEndOfTurnScreens() == 0; ++guard) {
            if (Leader* l = ActiveLeader(); l && l->GetName() == "Gen. Ashcombe" && indiana->GetLocation() == 202) {
                Click(202);
                Click(302);
                out << "moved " << indiana->GetLocation() << " hits " << indiana->GetCohesionHits() << ";";
            }
            FinishActivation();
        }
        for (int a : observer->activations) out << a << ",";
        for (const std::string& line : shell->Application().commentary) out << line << "|";
        logs[pass] = out.str();
    }
    EXPECT_NE(logs[0].find("moved 302 hits 1;"), std::string::npos);
    EXPECT_EQ(logs[0], logs[1]);
}

} // namespace
