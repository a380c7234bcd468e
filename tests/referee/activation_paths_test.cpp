// The paths of an activation besides the fresh one: a battle resumed in the middle of a leader's
// activation, and the command range kept up as the active leader moves.
#include "game/logic/game_random.h"
#include "game/units/leader.h"
#include "tests/referee/scenario_fixture.h"

#include <map>

namespace {

using referee_testing::ScenarioTest;

// Counts the named messages of an activation and keeps the last payload of each.
class Listener : public Component {
public:
    Listener() : Component("Activation Listener") {}
    void Connect() override {
        RegisterNamedHandler("ActivateLeader", Activate);
        RegisterNamedHandler("ResumeActiveLeader", Resume);
        RegisterNamedHandler("LeaderActivated", Activated);
        RegisterNamedHandler("LeaderResumed", Resumed);
        RegisterNamedHandler("AutoSaveGame", AutoSave);
    }
    std::map<std::string, int> counts;
    std::vector<int> activated, resumed;
    std::vector<std::string> names;

private:
    static Listener* Self(Component* c) { return dynamic_cast<Listener*>(c); }
    static ContainerBase* Activate(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["ActivateLeader"];
            if (const auto* r = PayloadValue<ActivateNextLeaderStruct>(p)) s->activated.push_back(r->leader);
        }
        return nullptr;
    }
    static ContainerBase* Resume(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["ResumeActiveLeader"];
            if (const auto* r = PayloadValue<ActivateNextLeaderStruct>(p)) s->resumed.push_back(r->leader);
        }
        return nullptr;
    }
    static ContainerBase* Activated(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["LeaderActivated"];
            if (const auto* n = PayloadValue<std::string>(p)) s->names.push_back(*n);
        }
        return nullptr;
    }
    static ContainerBase* Resumed(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["LeaderResumed"];
            if (const auto* n = PayloadValue<std::string>(p)) s->names.push_back(*n);
        }
        return nullptr;
    }
    static ContainerBase* AutoSave(Component* c, BusMessage, ContainerBase*) {
        if (Listener* s = Self(c)) ++s->counts["AutoSaveGame"];
        return nullptr;
    }
};

class ActivationPathsTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        listener = std::make_unique<Listener>();
        listener->AttachToBus(&shell->App());
    }
    void TearDown() override {
        listener.reset();
        ClearGameRandomScript();
        ScenarioTest::TearDown();
    }
    // Loads the battle with every leader this machine's, ready to begin.
    void Prepare() {
        Load(10, 7);
        ASSERT_NE(Control(), nullptr);
        ASSERT_FALSE(shell->Application().teams.empty());
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        delete Layer().SendNamed("InitializeScenario", &teams);
        shell->Run(0);
        Control()->SetDeploymentPhase(0);
        Control()->SetTurnLimitOn(0);
    }
    void BeginGame(short resumed) {
        Container<short> flag(resumed);
        shell->App().Post(&shell->App(), BEGIN_GAME, &flag);
        shell->Run(200);
    }
    void FinishActivation() {
        Layer().PostNamedEvent("LeaderFinishLeader");
        shell->Run(1500);
    }
    Leader* ActiveLeader() {
        for (Item<Leader*>* i = Layer().GetLeaders().Head(); i; i = i->next)
            if (i->value->IsActive()) return i->value;
        return nullptr;
    }

    std::unique_ptr<Listener> listener;
};

TEST_F(ActivationPathsTest, AResumedBattleResumesTheSavedActivationWithoutStartingAFreshOne) {
    shell->GrantTurns(1);
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    ASSERT_NE(meade, nullptr);
    // The saved activation: the Union commander, one command already given.
    Control()->GetActivation().leader = static_cast<std::int16_t>(meade->GetUnitNum());
    meade->SetCommandsLeft(static_cast<std::int16_t>(meade->GetCommands() - 1));
    const std::uint16_t usedBefore = meade->GetCommandsUsed();
    ASSERT_EQ(usedBefore, 1);
    BeginGame(1);

    EXPECT_EQ(listener->counts["ResumeActiveLeader"], 1);
    ASSERT_EQ(listener->resumed.size(), 1u);
    EXPECT_EQ(listener->resumed[0], meade->GetUnitNum());
    EXPECT_EQ(listener->counts["ActivateLeader"], 0) << "no fresh activation on resuming";
    EXPECT_EQ(listener->counts["LeaderActivated"], 0);
    EXPECT_EQ(listener->counts["LeaderResumed"], 1);
    ASSERT_EQ(listener->names.size(), 1u);
    EXPECT_EQ(listener->names[0], "Gen. Ashcombe");
    EXPECT_EQ(listener->counts["AutoSaveGame"], 0) << "a resumed activation is not saved again";
    // The leader takes up its orders where they were: active, the given command still counted.
    EXPECT_EQ(ActiveLeader(), meade);
    EXPECT_EQ(meade->GetCommandsUsed(), usedBefore);
    EXPECT_FALSE(meade->AreCommandsExhausted());
    EXPECT_FALSE(meade->GetCommandRangeRegions().IsEmpty());

    // Finishing it continues the turn with a fresh activation of whoever is drawn next.
    FinishActivation();
    EXPECT_FALSE(meade->IsActive());
    EXPECT_EQ(listener->counts["ActivateLeader"], 1);
    EXPECT_EQ(listener->counts["LeaderActivated"], 1);
    ASSERT_NE(ActiveLeader(), nullptr);
}

TEST_F(ActivationPathsTest, AResumedActivationWithNoCommandsLeftIsExhausted) {
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    Control()->GetActivation().leader = static_cast<std::int16_t>(meade->GetUnitNum());
    meade->SetCommandsLeft(0);
    BeginGame(1);
    EXPECT_EQ(ActiveLeader(), meade);
    EXPECT_TRUE(meade->AreCommandsExhausted());
    EXPECT_EQ(meade->GetCommandsUsed(), meade->GetCommands());
}

TEST_F(ActivationPathsTest, OnlyTheNamedLeaderAnswersAResumption) {
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    Control()->GetActivation().leader = static_cast<std::int16_t>(lee->GetUnitNum());
    BeginGame(1);
    EXPECT_EQ(ActiveLeader(), lee);
    EXPECT_FALSE(meade->IsActive());
    ASSERT_EQ(listener->names.size(), 1u);
    EXPECT_EQ(listener->names[0], "Gen. Harrowgate");
}

} // namespace
