// The shock phase run through the bus: combats fought in one view or in groups, the waits for
// animations, routs and advances, and "CombatDone" exactly once however the completions come.
#include "tests/referee/shock_fixture.h"

#include "game/logic/game_random.h"

#include <algorithm>
#include <ostream>

namespace {

using namespace shock_testing;

std::vector<short> Shorts(const List<short>& list) {
    std::vector<short> out;
    for (Item<short>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}
std::vector<std::string> Texts(const List<std::string>& list) {
    std::vector<std::string> out;
    for (Item<std::string>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}

// Every hit category below is 5 (equal infantry in line, level ground, no flank): on its row of
// the hit table a draw of 0 rolls 1 hit, a draw of 6 rolls 2. Each bout draws the attackers' hits
// first.
// 3rd Ohio against 5th Carolina: three bouts of (1, 2) hits: 3 for the attacker, 6 for the
// defender, who breaks.
constexpr std::initializer_list<int> FirstFight = {0, 6, 0, 6, 0, 6};
// 7th Ohio against 9th Carolina: three bouts of (2, 1): the attacker breaks with 6, the
// defender keeps 3.
constexpr std::initializer_list<int> SecondFight = {6, 0, 6, 0, 6, 0};
// 11th Ohio against 12th Carolina: three bouts of (2, 2): both break with 6.
constexpr std::initializer_list<int> FarFight = {6, 6, 6, 6, 6, 6};

void Script(std::initializer_list<std::initializer_list<int>> fights) {
    std::vector<int> all;
    for (const auto& f : fights) all.insert(all.end(), f.begin(), f.end());
    ClearGameRandomScript();
    // ScriptGameRandom takes an initializer list; feed the draws one list at a time.
    switch (all.size()) {
    case 0: break;
    case 6: ScriptGameRandom({all[0], all[1], all[2], all[3], all[4], all[5]}); break;
    case 12:
        ScriptGameRandom({all[0], all[1], all[2], all[3], all[4], all[5], all[6], all[7], all[8], all[9], all[10], all[11]});
        break;
    case 18:
        ScriptGameRandom({all[0], all[1], all[2], all[3], all[4], all[5], all[6], all[7], all[8], all[9], all[10], all[11],
                          all[12], all[13], all[14], all[15], all[16], all[17]});
        break;
    default: FAIL() << "no script of " << all.size() << " draws";
    }
}

class ShockPhaseTest : public ShockTest {
protected:
    void Battle() {
        Place({{"3rd Ohio", 0, 304},
               {"7th Ohio", 0, 307},
               {"11th Ohio", 0, 901},
               {"5th Carolina", 1, 404},
               {"9th Carolina", 1, 407},
               {"Carolina Rangers", 1, 408},
               {"12th Carolina", 1, 1001}});
    }
    CombatStruct First() { return Fight({"3rd Ohio"}, {"5th Carolina"}); }
    CombatStruct Second() { return Fight({"7th Ohio"}, {"9th Carolina", "Carolina Rangers"}); }
    CombatStruct Far() { return Fight({"11th Ohio"}, {"12th Carolina"}); }
};

TEST_F(ShockPhaseTest, WithoutCombatsThePhaseOnlyStartsAndEnds) {
    Battle();
    const std::uint64_t draws = GameRandomDraws();
    RunShock();
    EXPECT_EQ(recorder->Names({"StartCombat", "RemoveAllBattleArrows", "SomeCombatDone", "CombatDone", "CombatResults"}),
              (std::vector<std::string>{"StartCombat", "CombatDone"}));
    EXPECT_TRUE(shell->Display().fitQueries.empty());
    EXPECT_TRUE(shell->Display().combatCentres.empty());
    EXPECT_EQ(GameRandomDraws(), draws);
    EXPECT_FALSE(Layer().IsShockPhaseRunning());
}

TEST_F(ShockPhaseTest, CombatsInOneViewAreFoughtInOrderAndEndOnce) {
    Battle();
    Rout("Carolina Rangers");
    Stage().answer = AdvanceAnswer::Move;
    Designate({First(), Second()});
    Script({FirstFight, SecondFight});
    RunShock();
    EXPECT_EQ(ScriptedDrawsLeft(), 0);

    EXPECT_EQ(recorder->Names({"StartCombat", "RemoveAllBattleArrows", "CombatResults", "UnitCombat", "EliminateUnit",
                               "AdvancingDone", "SomeCombatDone", "CombatDone"}),
              (std::vector<std::string>{"StartCombat", "RemoveAllBattleArrows", "CombatResults", "UnitCombat", "EliminateUnit",
                                        "CombatResults", "UnitCombat", "AdvancingDone", "SomeCombatDone", "CombatDone"}));
    // One view: asked once, centred once on the mean column and row of the five combatants.
    EXPECT_EQ(shell->Display().fitQueries.size(), 1u);
    EXPECT_EQ(shell->Display().combatCentres, (std::vector<short>{306}));
    EXPECT_EQ(Layer().GetGroupedMode(), 0);

    // The routed defender leaves play before the fight, with its commentary.
    EXPECT_EQ(recorder->Values("EliminateUnit"), (std::vector<short>{Number("Carolina Rangers")}));
    EXPECT_NE(std::find(recorder->commentary.begin(), recorder->commentary.end(), "Carolina Rangers was eliminated!"),
              recorder->commentary.end());
    EXPECT_TRUE(Unit("Carolina Rangers")->IsRemoved());

    // The animations are awaited under the combats' tokens.
    EXPECT_EQ(recorder->Values("UnitCombat"), (std::vector<short>{-1, -2}));

    ASSERT_EQ(recorder->results.size(), 2u);
    const SingleCombatResult& a = recorder->results[0];
    EXPECT_EQ(Texts(a.firstNames), (std::vector<std::string>{"3rd Ohio"}));
    EXPECT_EQ(Texts(a.secondNames), (std::vector<std::string>{"5th Carolina"}));
    const std::vector<std::vector<short>> first = {{304}, {404}, {3}, {5}, {3}, {5}, {2}, {0}, {0}, {1}, {0}, {0}};
    for (int k = 0; k < SingleCombatResult::NumberLists; ++k) EXPECT_EQ(Shorts(a.numbers[k]), first[k]) << "list " << k;
    // The eliminated defender keeps its name and region; the other lists hold only who fought.
    const SingleCombatResult& b = recorder->results[1];
    EXPECT_EQ(Texts(b.firstNames), (std::vector<std::string>{"7th Ohio"}));
    EXPECT_EQ(Texts(b.secondNames), (std::vector<std::string>{"9th Carolina", "Carolina Rangers"}));
    const std::vector<std::vector<short>> second = {{307}, {407, 408}, {5}, {3}, {5}, {3}, {0}, {2}, {1}, {0}, {0}, {0}};
    for (int k = 0; k < SingleCombatResult::NumberLists; ++k) EXPECT_EQ(Shorts(b.numbers[k]), second[k]) << "list " << k;

    // Losses for the pictures: percentage of the capacity reached, method 1.
    ASSERT_EQ(recorder->losses.size(), 2u);
    EXPECT_EQ(Shorts(recorder->losses[0].first), (std::vector<short>{Number("3rd Ohio")}));
    EXPECT_EQ(Shorts(recorder->losses[0].second), (std::vector<short>{Number("5th Carolina")}));
    List<MethodOfDeathStruct> deaths;
    deaths.AddTail(MethodOfDeathStruct(60, 1, static_cast<std::uint16_t>(Number("3rd Ohio"))));
    deaths.AddTail(MethodOfDeathStruct(120, 1, static_cast<std::uint16_t>(Number("5th Carolina"))));
    EXPECT_TRUE(recorder->losses[0].deaths == deaths);

    // The hits are applied: the broken units rout and the winner of the first fight advances into
    // the ground its enemy held.
    EXPECT_EQ(Unit("3rd Ohio")->GetCohesionHits(), 3);
    EXPECT_EQ(Unit("9th Carolina")->GetCohesionHits(), 3);
    EXPECT_TRUE(Unit("5th Carolina")->IsRouted());
    EXPECT_TRUE(Unit("7th Ohio")->IsRouted());
    const std::vector<short> routs = recorder->Values("RoutingDone");
    for (const char* broken : {"5th Carolina", "7th Ohio"})
        EXPECT_NE(std::find(routs.begin(), routs.end(), Number(broken)), routs.end()) << broken;
    ASSERT_EQ(Stage().orders.size(), 1u);
    EXPECT_EQ(Stage().orders[0].unit, "3rd Ohio");
    EXPECT_EQ(Stage().orders[0].region, 404);

    EXPECT_TRUE(Layer().GetCombatList().IsEmpty());
    EXPECT_TRUE(Layer().GetRoutingWait().IsEmpty());
    EXPECT_FALSE(Layer().IsShockPhaseRunning());
}

TEST_F(ShockPhaseTest, CombatsThatDoNotFitOneViewAreFoughtInGroupsWithTheirOwnHits) {
    Battle();
    Rout("Carolina Rangers");
    Stage().answer = AdvanceAnswer::Move;
    shell->SetCombatView(3, 10);
    // The far combat does not fit with the first; the second does, so it joins the first group.
    Designate({First(), Far(), Second()});
    Script({FirstFight, FarFight, SecondFight});
    RunShock();

    // Asked for all three, then for the first with the far one, then with the second. The corners
    // are taken per corner: the upper right is the far defender, the lower right the ranger.
    const std::vector<WillCombatFitStruct> asked = {
        WillCombatFitStruct(307, 304, 408, 1001), WillCombatFitStruct(304, 304, 404, 1001), WillCombatFitStruct(307, 304, 408, 404)};
    EXPECT_EQ(shell->Display().fitQueries, asked);
    EXPECT_EQ(Layer().GetGroupedMode(), 1);
    EXPECT_EQ(shell->Display().combatCentres, (std::vector<short>{306, 901}));

    ASSERT_EQ(recorder->results.size(), 3u);
    const std::vector<std::string> order = {Texts(recorder->results[0].firstNames)[0], Texts(recorder->results[1].firstNames)[0],
                                            Texts(recorder->results[2].firstNames)[0]};
    EXPECT_EQ(order, (std::vector<std::string>{"3rd Ohio", "7th Ohio", "11th Ohio"}));
    // Hits taken by each side of each combat, as that combat's own fight gave them.
    EXPECT_EQ(Shorts(recorder->results[0].numbers[2]), (std::vector<short>{3}));
    EXPECT_EQ(Shorts(recorder->results[0].numbers[3]), (std::vector<short>{5}));
    EXPECT_EQ(Shorts(recorder->results[1].numbers[2]), (std::vector<short>{5}));
    EXPECT_EQ(Shorts(recorder->results[1].numbers[3]), (std::vector<short>{3}));
    EXPECT_EQ(Shorts(recorder->results[2].numbers[2]), (std::vector<short>{5}));
    EXPECT_EQ(Shorts(recorder->results[2].numbers[3]), (std::vector<short>{5}));
    // The combat counter runs on across the groups.
    EXPECT_EQ(recorder->Values("UnitCombat"), (std::vector<short>{-1, -2, -3}));

    EXPECT_EQ(recorder->Names({"RemoveAllBattleArrows", "SomeCombatDone", "CombatDone"}),
              (std::vector<std::string>{"RemoveAllBattleArrows", "SomeCombatDone", "SomeCombatDone", "CombatDone"}));
    // The second group's winner broke too: only the first group's winner advances.
    ASSERT_EQ(Stage().orders.size(), 1u);
    EXPECT_EQ(Stage().orders[0].unit, "3rd Ohio");
    EXPECT_TRUE(Layer().GetCombatGroups().IsEmpty());
    EXPECT_FALSE(Layer().IsShockPhaseRunning());
}

TEST_F(ShockPhaseTest, ACombatWhoseOnlyDefenderIsRoutedEndsAtOnce) {
    Battle();
    Rout("Carolina Rangers");
    Designate({Fight({"7th Ohio"}, {"Carolina Rangers"})});
    const std::uint64_t draws = GameRandomDraws();
    RunShock();
    EXPECT_EQ(GameRandomDraws(), draws) << "nobody left to fight";
    EXPECT_EQ(recorder->Names({"EliminateUnit", "RoutingDone", "CombatResults", "UnitCombat", "SomeCombatDone", "CombatDone"}),
              (std::vector<std::string>{"EliminateUnit", "RoutingDone", "SomeCombatDone", "CombatDone"}));
    EXPECT_EQ(recorder->Values("RoutingDone"), (std::vector<short>{-1}));
}

TEST_F(ShockPhaseTest, LateRepeatedAndStrayCompletionsChangeNothing) {
    Battle();
    Designate({First()});
    Script({FirstFight});
    shell->HoldCombatAnimations(true);
    RunShock();
    // The defender's rout is over; the combat's animation still plays.
    EXPECT_EQ(Shorts(Layer().GetRoutingWait()), (std::vector<short>{-1}));
    for (short stray : {Number("5th Carolina"), static_cast<short>(-2), Number("3rd Ohio")}) {
        Container<short> token(stray);
        Layer().PostNamed("RoutingDone", &token);
    }
    Layer().PostNamedEvent("SomeCombatDone");
    shell->Run(0);
    EXPECT_EQ(recorder->Count("CombatDone"), 0);
    EXPECT_TRUE(Layer().IsShockPhaseRunning());

    EXPECT_EQ(shell->ReleaseCombatAnimations(), 1);
    shell->Run(0);
    EXPECT_EQ(recorder->Count("SomeCombatDone"), 2);  // the stray one and the phase's own
    EXPECT_EQ(recorder->Count("CombatDone"), 1);

    // After the end: the same token again and another group end start nothing.
    Container<short> again(-1);
    Layer().PostNamed("RoutingDone", &again);
    Layer().PostNamedEvent("SomeCombatDone");
    shell->Run(0);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockPhaseTest, ASecondOrderWhileThePhaseRunsLosesNoGroup) {
    Battle();
    shell->SetCombatView(3, 10);
    Designate({First(), Far()});
    Script({FirstFight, FarFight});
    shell->HoldCombatAnimations(true);
    RunShock();
    RunShock();
    EXPECT_EQ(recorder->Count("StartCombat"), 1);
    EXPECT_EQ(shell->ReleaseCombatAnimations(), 1);
    shell->Run(0);
    EXPECT_EQ(shell->ReleaseCombatAnimations(), 1);
    shell->Run(0);
    EXPECT_EQ(recorder->results.size(), 2u);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockPhaseTest, CombatsChangedWhileTheViewIsAskedAreFoughtAsDesignated) {
    // Something that runs while the view centres takes the combats out of the current list (as
    // a unit leaving its combat would): the phase has taken them over already.
    struct Meddler : Component {
        VhLogicalLayer* layer;
        explicit Meddler(VhLogicalLayer* l) : Component("Meddler"), layer(l) {}
        void Connect() override { RegisterNamedHandler("Combat Center On Region", Clear); }
        static ContainerBase* Clear(Component* c, BusMessage, ContainerBase*) {
            if (auto* self = dynamic_cast<Meddler*>(c)) self->layer->GetCombatList().Clear();
            return nullptr;
        }
    } meddler(&Layer());
    Battle();
    meddler.AttachToBus(&Layer());
    Rout("Carolina Rangers");
    Designate({First(), Second()});
    Script({FirstFight, SecondFight});
    RunShock();
    ASSERT_EQ(recorder->results.size(), 2u);
    EXPECT_EQ(Shorts(recorder->results[1].numbers[2]), (std::vector<short>{5}));
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockPhaseTest, ABadPayloadIsReportedAndChangesNothing) {
    Battle();
    Designate({First()});
    Script({FirstFight});
    shell->HoldCombatAnimations(true);
    RunShock();
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong(std::string("-1"));
    Layer().PostNamed("RoutingDone", &wrong);
    shell->Run(0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in VHLOG4 at line ", 0), 0u);
    EXPECT_EQ(Shorts(Layer().GetRoutingWait()), (std::vector<short>{-1}));
    shell->ReleaseCombatAnimations();
    shell->Run(0);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

// How the advance step ends for each answer the advancing unit can give.
struct AdvanceCase {
    const char* label;
    AdvanceAnswer answer;
    bool waitsForTheMove;
};

void PrintTo(const AdvanceCase& c, std::ostream* os) { *os << c.label; }

class ShockAdvanceTest : public ShockPhaseTest, public ::testing::WithParamInterface<AdvanceCase> {};

TEST_P(ShockAdvanceTest, TheGroupEndsOnceWhenEveryAdvanceIsOver) {
    const AdvanceCase& c = GetParam();
    Battle();
    Stage().answer = c.answer;
    Designate({First()});
    Script({FirstFight});
    RunShock();
    ASSERT_EQ(Stage().orders.size(), 1u);
    EXPECT_EQ(Stage().orders[0].region, 404);
    const short winner = Number("3rd Ohio");
    if (c.waitsForTheMove) {
        EXPECT_EQ(recorder->Count("SomeCombatDone"), 0);
        EXPECT_EQ(Shorts(Layer().GetAdvanceWait()), (std::vector<short>{winner}));
        Container<short> done(winner);
        Layer().PostNamed("AdvancingDone", &done);
        Layer().PostNamed("AdvancingDone", &done);
        shell->Run(0);
    }
    EXPECT_EQ(recorder->Count("SomeCombatDone"), 1);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
    EXPECT_TRUE(Layer().GetAdvanceWait().IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, ShockAdvanceTest,
                         ::testing::Values(AdvanceCase{"Refused", AdvanceAnswer::Refuse, false},
                                           AdvanceCase{"Moved", AdvanceAnswer::Move, false},
                                           AdvanceCase{"OverBeforeTheOrderReturns", AdvanceAnswer::AtOnce, false},
                                           AdvanceCase{"StillMoving", AdvanceAnswer::Keep, true}),
                         [](const ::testing::TestParamInfo<AdvanceCase>& caseInfo) { return std::string(caseInfo.param.label); });

TEST_F(ShockPhaseTest, AUnitThatWinsTwoCombatsIsOrderedToAdvanceOnce) {
    // A strong attacker against two weak defenders: category 10 for it (a draw of 9 rolls 4),
    // category 3 for them (a draw of 0 rolls 0). Each fight is one bout.
    Place({{"3rd Ohio", 0, 304, 10},
           {"5th Carolina", 1, 404, 3},
           {"6th Carolina", 1, 405, 3}});
    Stage().answer = AdvanceAnswer::Keep;
    Designate({Fight({"3rd Ohio"}, {"5th Carolina"}), Fight({"3rd Ohio"}, {"6th Carolina"})});
    ClearGameRandomScript();
    ScriptGameRandom({0, 9, 0, 9});
    RunShock();
    ASSERT_EQ(Layer().GetAdvances().Count(), 2);
    ASSERT_EQ(Stage().orders.size(), 1u);
    EXPECT_EQ(Stage().orders[0].region, 404);
    Container<short> done(Number("3rd Ohio"));
    Layer().PostNamed("AdvancingDone", &done);
    shell->Run(0);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockPhaseTest, ACombatWhoseAttackersLeftTheFieldEndsWithItsToken) {
    Battle();
    Designate({Fight({"7th Ohio"}, {"9th Carolina"}), First()});
    Unit("7th Ohio")->RemoveFromPlay();
    shell->Run(0);
    Script({FirstFight});
    RunShock();
    ASSERT_EQ(recorder->results.size(), 1u);
    EXPECT_EQ(Texts(recorder->results[0].firstNames), (std::vector<std::string>{"3rd Ohio"}));
    EXPECT_EQ(Unit("9th Carolina")->GetCohesionHits(), 0);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockPhaseTest, ClosingTheGameForgetsAPhaseCutShort) {
    Battle();
    Stage().answer = AdvanceAnswer::Keep;
    shell->SetCombatView(3, 10);
    Designate({First(), Far()});
    Script({FirstFight, FarFight});
    RunShock();
    ASSERT_TRUE(Layer().IsShockPhaseRunning());
    ASSERT_FALSE(Layer().GetCombatGroups().IsEmpty());
    shell->CloseGame();
    EXPECT_FALSE(Layer().IsShockPhaseRunning());
    EXPECT_TRUE(Layer().GetCombatGroups().IsEmpty());
    EXPECT_TRUE(Layer().GetAdvanceWait().IsEmpty());
    Container<short> done(0);
    Layer().PostNamed("AdvancingDone", &done);
    Layer().PostNamedEvent("SomeCombatDone");
    shell->Run(0);
    EXPECT_EQ(recorder->Count("CombatDone"), 0);
}

} // namespace
