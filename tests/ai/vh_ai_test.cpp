// The computer player on the sample battle: its order cycle for one activation of a leader, and
// its built-ins as scripts call them.
#include "game/ai/player/vh_ai.h"

#include "core/container.h"
#include "game/ai/builtin_table.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "platform/msgbox.h"
#include "tests/ai/script_rig.h"
#include "tests/shell/game_shell.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Counts the messages the activation ends with.
class Probe : public Component {
public:
    Probe() : Component("Probe") {}
    void Connect() override {
        RegisterNamedHandler("EndOrdersPhase", OnEnd);
        RegisterNamedHandler("GiveAIOrder", OnGive);
    }
    int ends = 0;
    int gives = 0;

private:
    static ContainerBase* OnEnd(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Probe*>(c)->ends;
        return nullptr;
    }
    static ContainerBase* OnGive(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Probe*>(c)->gives;
        return nullptr;
    }
};

class VhAITest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearShownMessageBoxes();
        shell = std::make_unique<shell::GameShell>();
        datagen::LandscapeDraft map(12, 10);
        map.name = "Crossing";
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
        ASSERT_TRUE(shell->WriteScenario("TEST.SCN", datagen::MakeSampleScenario("CROSSING.MAP")));
        shell->LoadScenario("TEST.SCN");
        ASSERT_FALSE(shell->Layer().GetGroups().IsEmpty());
    }
    void TearDown() override {
        ai.reset();
        probe.reset();
        shell.reset();
    }

    // A computer player on the layer's bus with a script made of the given text.
    void Make(const std::string& script) {
        VhLogicalLayer& layer = shell->Layer();
        ai = std::make_unique<VhAI>(layer.GetLandscape());
        ai->AttachToBus(&layer);
        ai->SetUnitList(&layer.GetCombatUnits());
        ai->SetLeaderList(&layer.GetLeaders());
        ai->SetGroupList(&layer.GetGroups());
        probe = std::make_unique<Probe>();
        probe->AttachToBus(&layer);
        compiled = ai->CompileScript(dir.Write("TEST.SCR", script));
    }
    Group* FindGroup(const std::string& name) {
        for (Item<Group*>* i = shell->Layer().GetGroups().Head(); i; i = i->next)
            if (i->value->GetName() == name) return i->value;
        return nullptr;
    }
    void Activate(Group* group) {
        Container<Group*> payload(group);
        shell->Layer().PostNamed("InitAILeader", &payload);
        shell->Run(10000);
    }

    TempDir dir;
    std::unique_ptr<shell::GameShell> shell;
    std::unique_ptr<VhAI> ai;
    std::unique_ptr<Probe> probe;
    int compiled = 0;
};

std::string OneGroupScript(const std::string& body) {
    return "Test {\n var always;\n Conditions { always = TRUE; };\n Orders for Stonewall_Brigade {\n" + body +
           "\n };\n}\n";
}

TEST_F(VhAITest, RegistersEveryBuiltInInTableOrder) {
    Make(OneGroupScript("always FinishLeader();"));
    EXPECT_EQ(compiled, 1) << ai->GetCompiler().ErrorText();
    EXPECT_EQ(ai->GetInterpreter().BuiltInCount(), static_cast<int>(ScriptBuiltIns().size()));
    EXPECT_EQ(ai->GetInterpreter().BuiltInCount(), 59);
}

struct EndingCase {
    const char* name;
    const char* body;
    int maxSteps;
};

class ActivationEnds : public VhAITest, public ::testing::WithParamInterface<EndingCase> {};

// Every script ends the activation: one that finishes the leader, one that gives no order and
// never finishes it, and one that only asks a question.
TEST_P(ActivationEnds, EndOrdersPhaseIsPostedOnce) {
    Make(OneGroupScript(GetParam().body));
    ASSERT_EQ(compiled, 1) << ai->GetCompiler().ErrorText();
    Group* g = FindGroup("Stonewall Brigade");
    ASSERT_NE(g, nullptr);
    Activate(g);
    EXPECT_EQ(probe->ends, 1);
    EXPECT_TRUE(ai->LeaderFinished());
    EXPECT_LE(ai->OrdersStepsThisActivation(), GetParam().maxSteps);
    ASSERT_NE(ai->CurrentLeader(), nullptr);
    EXPECT_EQ(ai->CurrentLeader()->GetName(), "Gen. Vell");
}

INSTANTIATE_TEST_SUITE_P(Scripts, ActivationEnds,
                         ::testing::Values(EndingCase{"Finishes", "always FinishLeader();", 1},
                                           EndingCase{"GivesNoOrder", "always BreakPoint();", 1},
                                           EndingCase{"NegativeRandom", "always Random(0 - 1);", 1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(VhAITest, MissingOrdersTableIsReportedOnceAndEndsTheActivation) {
    Make(OneGroupScript("always FinishLeader();"));
    Group* g = FindGroup("Texas Brigade");
    ASSERT_NE(g, nullptr);
    Activate(g);
    EXPECT_EQ(probe->ends, 1);
    Activate(g);
    EXPECT_EQ(probe->ends, 2);
    EXPECT_EQ(ai->ReportsShown(), 1);
    ASSERT_GE(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Orders block not found.");
}

TEST_F(VhAITest, MissingScriptFileDoesNotCompileAndStillEnds) {
    VhLogicalLayer& layer = shell->Layer();
    ai = std::make_unique<VhAI>(layer.GetLandscape());
    ai->AttachToBus(&layer);
    ai->SetUnitList(&layer.GetCombatUnits());
    ai->SetLeaderList(&layer.GetLeaders());
    ai->SetGroupList(&layer.GetGroups());
    probe = std::make_unique<Probe>();
    probe->AttachToBus(&layer);
    EXPECT_EQ(ai->CompileScript(dir.File("NONE.SCR")), 0);
    Activate(FindGroup("Stonewall Brigade"));
    Activate(FindGroup("Stonewall Brigade"));
    EXPECT_EQ(probe->ends, 2);
    EXPECT_LE(ai->ReportsShown(), 2);  // at most the Conditions and the Orders box, once each
}

}  // namespace
