// The computer player on the sample battle: its order cycle for one activation of a leader, and
// its built-ins as scripts call them.
#include "game/ai/player/vh_ai.h"

#include "core/container.h"
#include "game/ai/builtin_table.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
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
        RegisterNamedHandler("DoSelectSubLeader", OnSelect);
        RegisterNamedHandler("DoLimberUnlimber", OnFormation);
        RegisterNamedHandler("DoLineColumn", OnFormation);
        RegisterNamedHandler("DoMountDismount", OnFormation);
    }
    int formations = 0;
    int ends = 0;
    int gives = 0;
    std::vector<int> selected;

private:
    static ContainerBase* OnEnd(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Probe*>(c)->ends;
        return nullptr;
    }
    static ContainerBase* OnFormation(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Probe*>(c)->formations;
        return nullptr;
    }
    static ContainerBase* OnSelect(Component* c, BusMessage, ContainerBase* p) {
        if (unsigned short* n = PayloadValue<unsigned short>(p)) static_cast<Probe*>(c)->selected.push_back(*n);
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

namespace {

// ---- built-ins as a script's Conditions table calls them during one activation ----

// The script's variables r0..r9 after one activation of the Stonewall Brigade's leader whose
// Conditions table holds the given assignments.
class BuiltInTest : public VhAITest {
protected:
    std::vector<std::int32_t> Results(const std::string& assignments, const std::string& orders = "") {
        Make("Test {\n var r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, always;\n Conditions { always = TRUE;\n" +
             assignments + "\n };\n Orders for Stonewall_Brigade {\n" + orders + "\n always FinishLeader();\n };\n}\n");
        EXPECT_EQ(compiled, 1) << ai->GetCompiler().ErrorText() << " at line " << ai->GetCompiler().ErrorLine();
        Activate(FindGroup("Stonewall Brigade"));
        EXPECT_EQ(probe->ends, 1);
        std::vector<std::int32_t> out;
        for (int i = 0; i < 10; ++i) out.push_back(ai->GetInterpreter().Data(i));
        return out;
    }
    VhUnit* Unit(const std::string& name) {
        for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next)
            if (i->value->GetName() == name) return i->value;
        return shell->Layer().FindLeaderByName(name);
    }
    std::string Num(const std::string& name) {
        VhUnit* u = Unit(name);
        EXPECT_NE(u, nullptr) << name;
        return u ? std::to_string(u->GetUnitNum()) : "0";
    }
};

struct ListCase {
    const char* name;
    const char* assignments;
    std::vector<std::int32_t> expected;  // r0, r1, ... as far as given
};

class ScriptLists : public BuiltInTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(ScriptLists, AnswerAsTheTableSays) {
    const std::vector<std::int32_t> r = Results(GetParam().assignments);
    for (std::size_t i = 0; i < GetParam().expected.size(); ++i) EXPECT_EQ(r[i], GetParam().expected[i]) << "r" << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ScriptLists,
    ::testing::Values(
        ListCase{"WalkWrapsAfterMinusOne",
                 "r0 = GetList(); r1 = AddToList(r0, 7); r1 = AddToList(r0, 8); r1 = AddToList(r0, 9);"
                 "r2 = GetNextInList(r0); r3 = GetNextInList(r0); r4 = GetNextInList(r0); r5 = GetNextInList(r0);"
                 "r6 = GetNextInList(r0);",
                 {0, 1, 7, 8, 9, -1, 7}},
        ListCase{"GetLastLeavesTheCursor",
                 "r0 = GetList(); r1 = GetLast(r0); r2 = AddToList(r0, 4); r2 = AddToList(r0, 5); r3 = GetLast(r0);"
                 "r4 = GetNextInList(r0);",
                 {0, -1, 1, 5, 4}},
        ListCase{"ReleasedHandleIsReused",
                 "r0 = GetList(); r1 = GetList(); r2 = ReleaseList(r0); r3 = GetList(); r4 = GetList();",
                 {0, 1, 1, 0, 2}},
        ListCase{"ReleasedHandleIsRefused",
                 "r0 = GetList(); r1 = ReleaseList(r0); r2 = AddToList(r0, 3); r3 = GetNextInList(r0);"
                 "r4 = SizeOfList(r0); r5 = GetLast(r0); r6 = ReleaseList(r0); r7 = ResetList(r0);",
                 {0, 1, 0, -1, 0, -1, 0, 0}},
        ListCase{"NeverGivenHandleIsRefused",
                 "r0 = AddToList(55, 1); r1 = IsMemberOf(55, 1); r2 = ClearList(0 - 1); r3 = RemoveFromList(7, 1);"
                 "r4 = AssignList(5, 6, 0);",
                 {0, 0, 0, 0, 0}},
        ListCase{"RemoveTakesTheFirstAndResetsTheCursor",
                 "r0 = GetList(); r1 = AddToList(r0, 1); r1 = AddToList(r0, 2); r1 = AddToList(r0, 1);"
                 "r1 = GetNextInList(r0); r1 = GetNextInList(r0); r1 = RemoveFromList(r0, 1); r2 = SizeOfList(r0);"
                 "r3 = GetNextInList(r0); r4 = RemoveFromList(r0, 9); r5 = IsMemberOf(r0, 1); r6 = IsMemberOf(r0, 3);",
                 {0, 1, 2, 2, 0, 1, 0}},
        ListCase{"ClearAndReset",
                 "r0 = GetList(); r1 = AddToList(r0, 6); r2 = GetNextInList(r0); r3 = ResetList(r0);"
                 "r4 = GetNextInList(r0); r5 = ClearList(r0); r6 = SizeOfList(r0); r7 = GetNextInList(r0);",
                 {0, 1, 6, 1, 6, 1, 0, -1}},
        ListCase{"AssignKindFourFailsAndKeepsTheList",
                 "r9 = GetLeader(); r0 = GetList(); r1 = AddToList(r0, 3); r2 = AssignList(r0, 4, r9);"
                 "r3 = SizeOfList(r0); r4 = AssignList(r0, 0, 9999);",
                 {0, 1, 0, 1, 0}},
        ListCase{"DoNothingBuiltIns", "r0 = DumpList(0); r1 = BreakPoint(); r2 = Random(0); r3 = Random(1);",
                 {0, 1, 0, 0}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(BuiltInTest, GroupCursorWalksTheGroupAndEndsWithNoUnit) {
    const std::vector<std::int32_t> r =
        Results("r0 = GroupListGetSize(); r1 = GroupListGetNext(); r2 = GroupListGet(); r3 = GroupListGetNext();"
                "r4 = GroupListGetPrevious(); r5 = GroupListReset(); r6 = GroupListGetNext();"
                "r7 = GroupListGetNext(); r7 = GroupListGetNext(); r7 = GroupListGetNext(); r7 = GroupListGetNext();"
                "r7 = GroupListGetNext(); r7 = GroupListGetNext(); r8 = GroupListGet(); r9 = Query(TQ, 0 - 1);");
    Group* g = FindGroup("Stonewall Brigade");
    std::vector<std::int32_t> units;
    for (Item<VhUnit*>* i = g->GetUnits().Head(); i; i = i->next) units.push_back(i->value->GetUnitNum());
    ASSERT_GE(units.size(), 2u);
    ASSERT_LE(units.size(), 5u);
    EXPECT_EQ(r[0], static_cast<std::int32_t>(units.size()));
    EXPECT_EQ(r[1], units[0]);
    EXPECT_EQ(r[2], units[0]);
    EXPECT_EQ(r[3], units[1]);
    EXPECT_EQ(r[4], units[0]);
    EXPECT_EQ(r[5], 1);
    EXPECT_EQ(r[6], units[0]);
    EXPECT_EQ(r[7], -1);  // past the end
    EXPECT_EQ(r[8], -1);  // the group unit is none
    EXPECT_EQ(r[9], -1);  // and unit -1 then names nothing
}

TEST_F(BuiltInTest, UnitQuestionsOnTheSampleBattle) {
    const std::string va4 = Num("4th Virginia"), va27 = Num("27th Virginia"), in19 = Num("19th Indiana");
    const std::vector<std::int32_t> r = Results(
        "r0 = GetLeader(); r1 = IsLeader(r0); r2 = IsLeader(" + va4 + "); r3 = IsEnemy(" + va4 + ", " + in19 +
        "); r4 = IsEnemy(" + va4 + ", " + va27 + "); r5 = Query(TQ, " + va4 + "); r6 = HexOccupancy(0 - 1);" +
        "r7 = GetGroupLeader(12); r8 = GetGroupLeader(99); r9 = IsReinforcement(13);");
    Combat* c = AsCombat(Unit("4th Virginia"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(r[0], Unit("Gen. Vell")->GetUnitNum());
    EXPECT_EQ(r[1], 1);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[3], 1);
    EXPECT_EQ(r[4], 0);
    EXPECT_EQ(r[5], static_cast<std::int16_t>(c->Query(1)));
    EXPECT_EQ(r[6], -1);
    EXPECT_EQ(r[7], Unit("Gen. Vell")->GetUnitNum());
    EXPECT_EQ(r[8], 0);
    EXPECT_EQ(r[9], 1);
}

TEST_F(BuiltInTest, UnknownUnitsAreAnsweredNotUsed) {
    const std::vector<std::int32_t> r =
        Results("r0 = Query(TQ, 9999); r1 = CanMove(9999); r2 = InCommandRange(9999); r3 = FindClosestEnemyToFire(9999);"
                "r4 = CanBeOrdered(70000); r5 = IsEnemy(9999, 0); r6 = CanAttack(9999, 905); r7 = MoveTo(905, 9999);"
                "r8 = Recover(9999); r9 = TurnToAttack(9999);");
    EXPECT_EQ(r, (std::vector<std::int32_t>{-1, 0, -1, -1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(BuiltInTest, MapQuestionsFollowTheLandscape) {
    VhLogicalLandscape* map = shell->Layer().GetLandscape();
    ASSERT_NE(map, nullptr);
    const std::uint16_t from = Unit("4th Virginia")->GetLocation(), to = Unit("19th Indiana")->GetLocation();
    const std::string f = std::to_string(from), t = std::to_string(to);
    const std::vector<std::int32_t> r = Results("r0 = Distance(" + f + ", " + t + "); r1 = Direction(" + f + ", " + t +
                                                "); r2 = AdjacentHex(" + f + ", SOUTH); r3 = HexOccupancy(" + f +
                                                "); r4 = AdjacentHex(" + f + ", 0);");
    EXPECT_EQ(r[0], map->RegionDistance(from, to));
    EXPECT_EQ(r[1], static_cast<std::int32_t>(map->FacingTowards(from, to)));
    EXPECT_EQ(r[2], static_cast<std::int16_t>(map->GetNeighbour(from, 5)));
    EXPECT_EQ(r[3], Unit("4th Virginia")->GetUnitNum());
    EXPECT_EQ(r[4], -1);
}

}  // namespace

namespace {

// ---- orders and their command counting ----

struct OrderCase {
    const char* name;
    const char* assignments;  // {va4}, {va27}, {leader} stand for those units' numbers
    std::vector<std::int32_t> expected;
    int commandsSpent;
};

class Orders : public BuiltInTest, public ::testing::WithParamInterface<OrderCase> {
protected:
    std::string Expand(std::string text) {
        const std::pair<const char*, std::string> names[] = {
            {"{va4}", Num("4th Virginia")}, {"{va27}", Num("27th Virginia")}, {"{leader}", Num("Gen. Vell")}};
        for (const auto& [key, value] : names)
            for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, std::string(key).size(), value);
        return text;
    }
};

TEST_P(Orders, ResultsAndCommandsSpent) {
    const int start = shell->Layer().FindLeaderByName("Gen. Vell")->GetCommandsLeft();
    ASSERT_GE(start, 3);
    const std::vector<std::int32_t> r = Results(Expand(GetParam().assignments));
    for (std::size_t i = 0; i < GetParam().expected.size(); ++i) EXPECT_EQ(r[i], GetParam().expected[i]) << "r" << i;
    EXPECT_EQ(start - ai->CommandsLeft(), GetParam().commandsSpent);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, Orders,
    ::testing::Values(
        // Region 0 is no legal destination: refused, and each unit still costs its command once.
        OrderCase{"MoveToOneUnitTwice", "r0 = MoveTo(0, {va4}); r1 = MoveTo(0, {va4});", {0, 0}, 1},
        OrderCase{"MoveToTwoUnits", "r0 = MoveTo(0, {va4}); r1 = MoveTo(0, {va27});", {0, 0}, 2},
        OrderCase{"MoveTowardUnknownUnitCountsNothing", "r0 = MoveToward(905, 9999); r1 = MoveTo(905, 9999);", {0, 0}, 0},
        OrderCase{"TurnToAttackLeader", "r0 = TurnToAttack({leader});", {-1}, 0},
        OrderCase{"RecoverCounts", "r0 = Recover({va4}); r1 = Recover({va4}); r2 = Recover({leader});", {1, 1, 0}, 1},
        OrderCase{"FireByANonMissileUnit", "r0 = Fire({va4}, 905); r1 = Fire(9999, 905);", {0, 0}, 0},
        OrderCase{"RotateBadFacing", "r0 = Rotate({va4}, 0); r1 = Rotate({va4}, 9); r2 = Rotate(9999, 3);", {0, 0, 0}, 0},
        OrderCase{"SubLeaderOfNoGroup", "r0 = DoChooseSubLeader(99);", {0}, 0},
        OrderCase{"FinishLeader", "r0 = FinishLeader();", {1}, 0},
        // A charge at a region with no enemy the unit can reach is no order: nothing is spent.
        OrderCase{"AttackOnNothingWithinReach", "r0 = Attack({va4}, 0); r1 = Attack(9999, 905);", {0, 0}, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(BuiltInTest, AttackOnAnEnemyBeforeTheUnitDeclaresTheCharge) {
    auto* va4 = AsCombat(Unit("4th Virginia"));
    ASSERT_NE(va4, nullptr);
    Combat* enemy = nullptr;
    for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next)
        if (i->value->GetSide() != va4->GetSide()) enemy = i->value;
    ASSERT_NE(enemy, nullptr);
    va4->ComputeFrontHexes();
    std::int32_t front = -1;
    for (Item<short>* i = va4->GetFrontHexList().Head(); i && front == -1; i = i->next)
        if (!shell->Layer().GetLandscape()->IsRegionOccupied(static_cast<std::uint16_t>(i->value))) front = i->value;
    ASSERT_NE(front, -1);
    VhLogicalLandscape* map = shell->Layer().GetLandscape();
    map->ShadowRegions(enemy, enemy->GetLocation());
    enemy->SetLocation(static_cast<std::uint16_t>(front));
    map->DeshadowRegions(enemy, static_cast<std::uint16_t>(front));
    const int start = shell->Layer().FindLeaderByName("Gen. Vell")->GetCommandsLeft();
    const std::vector<std::int32_t> r = Results("r0 = Attack(" + Num("4th Virginia") + ", " + std::to_string(front) + ");");
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(start - ai->CommandsLeft(), 1);
    // The charge is registered against the enemy standing there.
    ASSERT_EQ(shell->Layer().GetCombatList().Count(), 1);
    EXPECT_EQ(shell->Layer().GetCombatList().Head()->value.target, static_cast<std::uint16_t>(front));
}

TEST_F(BuiltInTest, DoChooseSubLeaderHandsTheActivationOverForOneCommand) {
    const int start = shell->Layer().FindLeaderByName("Gen. Vell")->GetCommandsLeft();
    const std::vector<std::int32_t> r = Results("r0 = GetGroupLeader(13);", "always DoChooseSubLeader(13);");
    ASSERT_EQ(probe->selected.size(), 1u);
    EXPECT_EQ(probe->selected[0], r[0]);
    EXPECT_EQ(start - ai->CommandsLeft(), 1);
    EXPECT_EQ(ai->OrdersStepsThisActivation(), 1);
}

TEST_F(VhAITest, LeaderWithoutCommandsEndsWithoutRunningTheScript) {
    Make(OneGroupScript("always FinishLeader();"));
    Leader* vell = shell->Layer().FindLeaderByName("Gen. Vell");
    ASSERT_NE(vell, nullptr);
    vell->SetCommandsLeft(0);
    Activate(FindGroup("Stonewall Brigade"));
    EXPECT_EQ(probe->ends, 1);
    EXPECT_EQ(ai->OrdersStepsThisActivation(), 0);
}

}  // namespace

namespace {

TEST_F(BuiltInTest, MoveToALegalDestinationWaitsForTheMoveAndEnds) {
    VhUnit* va4 = Unit("4th Virginia");
    List<short> legal;
    va4->FindLegalDestinations(legal, 0, 0);
    if (legal.IsEmpty()) GTEST_SKIP() << "no legal destination in the sample";
    const std::uint16_t from = va4->GetLocation();
    std::int32_t dest = -1;
    for (Item<short>* i = legal.Head(); i; i = i->next)
        if (i->value != static_cast<short>(from)) dest = i->value;
    ASSERT_NE(dest, -1);
    const std::vector<std::int32_t> r =
        Results("r0 = 0;", "always MoveTo(" + std::to_string(dest) + ", " + Num("4th Virginia") + ");");
    EXPECT_EQ(ai->PendingCount(), 0);
    EXPECT_EQ(va4->GetLocation(), dest);
    EXPECT_TRUE(va4->IsUsedThisTurn());
}

}  // namespace

namespace {

// The automatic orders of a hand-over order the units the leader may order, and never use the
// leader's last command.
TEST_F(BuiltInTest, AutomaticOrdersOfAHandOverKeepTheLastCommand) {
    Leader* vell = shell->Layer().FindLeaderByName("Gen. Vell");
    const int start = vell->GetCommandsLeft();
    ASSERT_GE(start, 3);
    // Three hurt units the leader may order: each would take a restore-cohesion order.
    for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next)
        if (!i->value->IsHostileTo(vell->GetSide())) {
            i->value->SetLegal(1);
            i->value->ApplyCohesionHits(1, 0);
        }
    int hurt = 0;
    for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next)
        if (i->value->IsLegal() && i->value->IsOnMap() && !i->value->IsRouted() && i->value->GetCohesionHits() > 0) ++hurt;
    ASSERT_GE(hurt, 3);
    Results("r0 = 0;", "always DoChooseSubLeader(13);");
    ASSERT_EQ(probe->selected.size(), 1u);
    // The orders stop at one command left; the hand-over then spends that one.
    EXPECT_EQ(ai->CommandsLeft(), 0);
    EXPECT_EQ(probe->ends, 1);
}

TEST_F(BuiltInTest, AutomaticOrdersNeedTwoCommands) {
    Leader* vell = shell->Layer().FindLeaderByName("Gen. Vell");
    vell->SetCommandsLeft(1);
    for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next) i->value->SetLegal(1);
    Results("r0 = 0;", "always DoChooseSubLeader(13);");
    ASSERT_EQ(probe->selected.size(), 1u);
    EXPECT_EQ(ai->CommandsLeft(), 0);
}

}  // namespace

namespace {

TEST_F(VhAITest, WrongPayloadOfInitAILeaderIsReportedAndIgnored) {
    Make(OneGroupScript("always FinishLeader();"));
    platform::QueueMessageBoxAnswer(7);  // No: carry on
    Container<short> wrong(12);
    shell->Layer().PostNamed("InitAILeader", &wrong);
    shell->Run(5000);
    platform::ClearMessageBoxAnswers();
    EXPECT_EQ(probe->ends, 0);
    EXPECT_EQ(ai->CurrentGroup(), nullptr);
    ASSERT_GE(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
}

TEST_F(VhAITest, CompletionWithNothingPendingIsIgnored) {
    Make(OneGroupScript("always FinishLeader();"));
    Activate(FindGroup("Stonewall Brigade"));
    ai->UnitOrderDone(5);
    EXPECT_EQ(ai->DoneCount(), 0);
    EXPECT_EQ(probe->ends, 1);
}

// Two computer players hear every "FinishedGivingAIOrders" on their bus; only the one running an
// activation ends it.
TEST_F(VhAITest, SecondPlayerDoesNotEndAnotherPlayersActivation) {
    Make(OneGroupScript("always FinishLeader();"));
    VhLogicalLayer& layer = shell->Layer();
    VhAI other(layer.GetLandscape());
    other.AttachToBus(&layer);
    other.SetUnitList(&layer.GetCombatUnits());
    other.SetLeaderList(&layer.GetLeaders());
    other.SetGroupList(&layer.GetGroups());
    ai->InitAILeader(FindGroup("Stonewall Brigade"));
    shell->Run(10000);
    EXPECT_EQ(probe->ends, 1);
    EXPECT_EQ(other.OrdersStepsThisActivation(), 0);
    other.DetachFromBus();
}

}  // namespace

namespace {

// With many commands and every friendly unit orderable, the hand-over's automatic orders act on
// the sample battle and still leave the hand-over its command.
TEST_F(BuiltInTest, AutomaticOrdersWithManyCommandsStayWithinThem) {
    Leader* vell = shell->Layer().FindLeaderByName("Gen. Vell");
    vell->SetCommandsLeft(3);
    for (Item<Combat*>* i = shell->Layer().GetCombatUnits().Head(); i; i = i->next)
        if (!i->value->IsHostileTo(vell->GetSide())) i->value->SetLegal(1);
    Results("r0 = 0;", "always DoChooseSubLeader(13);");
    ASSERT_EQ(probe->selected.size(), 1u);
    EXPECT_GE(ai->CommandsLeft(), 0);
    EXPECT_LE(ai->CommandsLeft(), 2);
    EXPECT_EQ(probe->ends, 1);
}

}  // namespace

namespace {

TEST_F(BuiltInTest, FurtherQuestionsOnTheSampleBattle) {
    const std::string va4 = Num("4th Virginia"), leader = Num("Gen. Vell");
    const std::vector<std::int32_t> r = Results(
        "r0 = AnyoneToCombat(" + leader + "); r1 = FindClosestEnemyToAttack(" + leader + "); r2 = GetValidMovement(" +
        va4 + "); r3 = GetList(); r4 = GetUnitPaths(" + va4 + ", r3); r5 = SizeOfList(r3); r6 = GetTurnNum();" +
        "r7 = InMomentumPhase(); r8 = GetUnitPaths(9999, r3); r9 = CanRotate(" + va4 + ", 0);");
    EXPECT_EQ(r[0], -1);
    EXPECT_EQ(r[1], -1);
    EXPECT_EQ(r[2], 1);
    EXPECT_GE(r[4], 0);
    EXPECT_EQ(r[5], r[4]);  // one handle per path found
    EXPECT_GE(r[6], -1);
    EXPECT_EQ(r[7], shell->Layer().FindLeaderByName("Gen. Vell")->HasFinishedActivation() ? 1 : 0);
    EXPECT_EQ(r[8], 0);
    EXPECT_EQ(r[9], 0);
}

}  // namespace

namespace {

TEST_F(VhAITest, SavedCodeLoadsIntoAnotherPlayerAndRuns) {
    Make(OneGroupScript("always FinishLeader();"));
    ASSERT_EQ(compiled, 1);
    const std::string file = dir.File("TEST.SCC");
    EXPECT_EQ(ai->SaveCode(file), 1);
    ai = std::make_unique<VhAI>(shell->Layer().GetLandscape());
    ai->AttachToBus(&shell->Layer());
    ai->SetLeaderList(&shell->Layer().GetLeaders());
    ai->SetUnitList(&shell->Layer().GetCombatUnits());
    EXPECT_NE(ai->LoadCode(file), 0u);
    EXPECT_EQ(ai->LoadCode(dir.File("MISSING.SCC")), 0u);
    EXPECT_EQ(ai->LoadCode(file), 1u);
    Activate(FindGroup("Stonewall Brigade"));
    EXPECT_EQ(probe->ends, 1);
    EXPECT_EQ(ai->ReportsShown(), 0);
}

}  // namespace

namespace {

// ---- the group orders: the current leader's group commands, and the cycle still ends ----

class GroupOrders : public BuiltInTest {
protected:
    void SetUp() override {
        BuiltInTest::SetUp();
        vell = shell->Layer().FindLeaderByName("Gen. Vell");
        ASSERT_NE(vell, nullptr);
        vell->SetAIControlled(1);
        // The group-command roll comes first; a low roll carries every command out.
        ScriptGameRandom({0, 0, 0, 0, 0, 0, 0, 0});
    }
    void TearDown() override {
        ClearGameRandomScript();
        BuiltInTest::TearDown();
    }
    void FaceWest() {
        vell->SetFacing(7);
        for (Item<VhUnit*>* i = vell->GetGroup()->GetUnits().Head(); i; i = i->next) {
            i->value->SetFacing(7);
            if (Combat* c = AsCombat(i->value)) c->RecomputeAllZones();
        }
    }
    Leader* vell = nullptr;
};

TEST_F(GroupOrders, GroupMoveTakesTheGroupTowardTheTargetAndTheCycleEnds) {
    VhUnit* va4 = Unit("4th Virginia");
    const std::uint16_t leaderFrom = vell->GetLocation(), unitFrom = va4->GetLocation();
    // The sample's brigade faces east, into its own corps leader; it turns toward the enemy.
    FaceWest();
    ASSERT_EQ(vell->FindGroupMoveRegions(0), 1);
    const std::vector<std::int32_t> r = Results("r0 = GroupMove(503, 0);");
    EXPECT_EQ(r[0], 1);
    EXPECT_LT(vell->GetLocation() / 100, leaderFrom / 100) << "the leader went west with its group";
    EXPECT_LT(va4->GetLocation() / 100, unitFrom / 100);
    EXPECT_EQ(vell->GetCommandsUsed(), vell->GetCommands());
    EXPECT_FALSE(ai->GroupCommandRunning()) << "the move reported its end";
    EXPECT_EQ(probe->ends, 1);
}

TEST_F(GroupOrders, GroupMoveWithTheEnemyAtHandIsRefused) {
    VhUnit* va4 = Unit("4th Virginia");
    VhUnit* indiana = Unit("19th Indiana");
    const std::uint16_t beside = shell->Layer().GetLandscape()->GetNeighbour(va4->GetLocation(), 8);
    ASSERT_NE(beside, 0xFFFF);
    shell->Layer().GetLandscape()->RemoveUnitFromRegion(indiana->GetUnitNum(), indiana->GetLocation());
    indiana->SetLocation(beside);
    shell->Layer().GetLandscape()->DeshadowRegions(indiana, beside);
    const std::uint16_t unitFrom = va4->GetLocation();
    FaceWest();
    const std::vector<std::int32_t> r = Results("r0 = GroupMove(503, 0);");
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(va4->GetLocation(), unitFrom);
    EXPECT_EQ(probe->ends, 1);
}

TEST_F(GroupOrders, GroupBerserkSendsTheGroupAtTheEnemyAndTheCycleEnds) {
    VhUnit* va4 = Unit("4th Virginia");
    const std::uint16_t from = va4->GetLocation();
    const std::vector<std::int32_t> r = Results("r0 = DoGroupBerserk();");
    EXPECT_EQ(r[0], 1);
    EXPECT_TRUE(vell->HasFinishedActivation() || vell->GetCommandsUsed() == vell->GetCommands());
    EXPECT_NE(va4->GetLocation(), from) << "the enemy is out of range: the unit closes in";
    EXPECT_FALSE(ai->GroupCommandRunning());
    EXPECT_EQ(probe->ends, 1);
}

TEST_F(GroupOrders, GroupRetreatOrdersTheGroupAwayAndTheCycleEnds) {
    VhUnit* va27 = Unit("27th Virginia");
    const std::uint16_t from = va27->GetLocation();
    const std::vector<std::int32_t> r = Results("r0 = DoGroupRetreat(1104);");
    EXPECT_EQ(r[0], 0);
    EXPECT_GT(va27->GetLocation() / 100, from / 100) << "the unit falls back toward the east edge";
    EXPECT_TRUE(vell->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->ends, 1);
}

TEST_F(GroupOrders, GroupRestoreCohesionRestoresTheHurtUnits) {
    Combat* va4 = AsCombat(Unit("4th Virginia"));
    Combat* va27 = AsCombat(Unit("27th Virginia"));
    va4->ApplyCohesionHits(2, 0);
    ASSERT_GT(va4->GetCohesionHits(), 0);
    const std::vector<std::int32_t> r = Results("r0 = GroupRestoreCohesion();");
    EXPECT_EQ(r[0], 1);
    EXPECT_TRUE(va4->HasActed());
    EXPECT_FALSE(va27->HasActed());
    EXPECT_EQ(probe->ends, 1);
}

}  // namespace
