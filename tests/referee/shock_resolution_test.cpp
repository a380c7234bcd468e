// The rules of one shock combat: the hit category, the hits each unit takes, who is awaited when
// it breaks, who advances and where.
#include "tests/referee/shock_fixture.h"

#include "game/logic/game_random.h"

#include <functional>
#include <ostream>

namespace {

using namespace shock_testing;

std::vector<short> Shorts(const List<short>& list) {
    std::vector<short> out;
    for (Item<short>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}

// ---- the hit category ----

struct CategoryCase {
    const char* label;
    std::vector<Placed> x;
    std::vector<Placed> y;
    int xDefends;
    std::function<void(datagen::LandscapeDraft&)> ground;
    std::uint16_t xHits;
    std::int16_t expected;
};

void PrintTo(const CategoryCase& c, std::ostream* os) { *os << c.label; }

const Placed Ohio{"3rd Ohio", 0, 304};
const Placed Carolina{"5th Carolina", 1, 404};
Placed With(Placed p, std::function<void(Placed&)> change) {
    change(p);
    return p;
}

class ShockCategoryTest : public ShockTest, public ::testing::WithParamInterface<CategoryCase> {};

TEST_P(ShockCategoryTest, ModifiersAndLimits) {
    const CategoryCase& c = GetParam();
    if (c.ground) c.ground(map);
    std::vector<Placed> all = c.x;
    all.insert(all.end(), c.y.begin(), c.y.end());
    Place(all);
    List<Combat*> x, y;
    for (const Placed& p : c.x) x.AddTail(Unit(p.name));
    for (const Placed& p : c.y) y.AddTail(Unit(p.name));
    if (c.xHits) x.Head()->value->ApplyCohesionHits(c.xHits, 0);
    EXPECT_EQ(Layer().ShockCategory(x, y, c.xDefends), c.expected);
}

const CategoryCase CategoryCases[] = {
    {"EvenFight", {Ohio}, {Carolina}, 0, nullptr, 0, 5},
    // 3 / 10 in double lies below the single-precision 0.3.
    {"ThreeToTenIsBelowThreeTenths", {With(Ohio, [](Placed& p) { p.size = 3; })}, {With(Carolina, [](Placed& p) { p.size = 10; })}, 0, nullptr, 0, 3},
    {"TwoToFiveIsBelowOneHalf", {With(Ohio, [](Placed& p) { p.size = 2; })}, {With(Carolina, [](Placed& p) { p.size = 5; })}, 0, nullptr, 0, 4},
    {"OneToTwoGivesNothing", {With(Ohio, [](Placed& p) { p.size = 3; })}, {Carolina}, 0, nullptr, 0, 5},
    {"InColumn", {With(Ohio, [](Placed& p) { p.line = 0; })}, {Carolina}, 0, nullptr, 0, 3},
    {"DefenderOnTrack", {Ohio}, {Carolina}, 1, [](datagen::LandscapeDraft& m) { m.AddTerrain(304, 16); }, 0, 7},
    {"TrackHelpsOnlyTheDefender", {Ohio}, {Carolina}, 0, [](datagen::LandscapeDraft& m) { m.AddTerrain(304, 16); }, 0, 5},
    {"DefenderBehindStream", {Ohio}, {Carolina}, 1, [](datagen::LandscapeDraft& m) { m.AddEdge(304, 2, 10); }, 0, 7},
    {"StreamOnAnotherSide", {Ohio}, {Carolina}, 1, [](datagen::LandscapeDraft& m) { m.AddEdge(304, 4, 10); }, 0, 5},
    {"Uphill", {Ohio}, {Carolina}, 0, [](datagen::LandscapeDraft& m) { m.SetElevation(304, 2); }, 0, 6},
    {"Downhill", {Ohio}, {Carolina}, 0, [](datagen::LandscapeDraft& m) { m.SetElevation(404, 2); }, 0, 4},
    // Facing away from the attacker puts it in the defender's rear.
    {"InTheEnemysRear", {Ohio}, {With(Carolina, [](Placed& p) { p.facing = 3; })}, 0, nullptr, 0, 7},
    {"EnemyInOwnRear", {With(Ohio, [](Placed& p) { p.region = 404; })}, {With(Carolina, [](Placed& p) { p.region = 304; p.facing = 3; })}, 0, nullptr, 0, 3},
    {"MoreHitsThanTheEnemy", {Ohio}, {Carolina}, 0, nullptr, 2, 3},
    {"QualityIsAveraged", {Ohio, Placed{"8th Ohio", 0, 305, 2}}, {Carolina}, 0, nullptr, 0, 3},
    {"RaisedToOne", {With(Ohio, [](Placed& p) { p.line = 0; })}, {Carolina}, 0, nullptr, 4, 1},
    {"LoweredToTen", {With(Ohio, [](Placed& p) { p.quality = 12; })}, {With(Carolina, [](Placed& p) { p.facing = 3; })}, 0, nullptr, 0, 10},
    {"NoEnemy", {Ohio}, {}, 0, nullptr, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ShockCategoryTest, ::testing::ValuesIn(CategoryCases),
                         [](const ::testing::TestParamInfo<CategoryCase>& caseInfo) { return std::string(caseInfo.param.label); });

// ---- one combat fought through the phase ----

class ShockResolutionTest : public ShockTest {};

TEST_F(ShockResolutionTest, AWagonTakesTwiceTheTotalAndIsNotAwaitedWhenItBreaks) {
    // Attackers: category 1 in the first bout (a wagon not in line drags the average down), 5
    // after the wagon is out; the defender's category is 5. Draws: row 5 gives 1 for 0 and 2 for
    // 6; row 1 gives 1 for 9.
    Place({{"3rd Ohio", 0, 304}, {"Ohio Train", 0, 203, 2, 1, 0, 0, 0, Placed::Wagon}, {"5th Carolina", 1, 404}});
    Stage().answer = AdvanceAnswer::Refuse;
    Designate({Fight({"3rd Ohio", "Ohio Train"}, {"5th Carolina"})});
    ClearGameRandomScript();
    // Bout 1: attackers 1 hit (the wagon's doubled 2 reaches its 2), defender 1 × 2 attackers;
    // bout 2: 1 and 1 × 1; bout 3: 1 and 2 × 1. Totals: 3 for the attackers, 5 for the defender.
    ScriptGameRandom({0, 9, 0, 0, 0, 6});
    RunShock();
    EXPECT_EQ(ScriptedDrawsLeft(), 0);
    ASSERT_EQ(recorder->results.size(), 1u);
    const SingleCombatResult& r = recorder->results[0];
    EXPECT_EQ(Shorts(r.numbers[2]), (std::vector<short>{3, 2}));  // the wagon's 6 cut to its capacity
    EXPECT_EQ(Shorts(r.numbers[4]), (std::vector<short>{3, 2}));
    EXPECT_EQ(Shorts(r.numbers[6]), (std::vector<short>{2, 0}));
    EXPECT_EQ(Shorts(r.numbers[8]), (std::vector<short>{0, 1}));
    // Exactly its capacity: the defender breaks.
    EXPECT_EQ(Shorts(r.numbers[3]), (std::vector<short>{5}));
    EXPECT_EQ(Shorts(r.numbers[9]), (std::vector<short>{1}));
    ASSERT_EQ(recorder->losses.size(), 1u);
    List<MethodOfDeathStruct> deaths;
    deaths.AddTail(MethodOfDeathStruct(60, 1, static_cast<std::uint16_t>(Number("3rd Ohio"))));
    deaths.AddTail(MethodOfDeathStruct(300, 1, static_cast<std::uint16_t>(Number("Ohio Train"))));
    deaths.AddTail(MethodOfDeathStruct(100, 1, static_cast<std::uint16_t>(Number("5th Carolina"))));
    EXPECT_TRUE(recorder->losses[0].deaths == deaths);
    // The wagon is eliminated, never routs, and the phase still ends.
    EXPECT_TRUE(Unit("Ohio Train")->IsRemoved());
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
    // The infantry has more capacity left than the wagon: it is the one ordered forward.
    ASSERT_EQ(Stage().orders.size(), 1u);
    EXPECT_EQ(Stage().orders[0].unit, "3rd Ohio");
}

TEST_F(ShockResolutionTest, OneAttackerAdvancesTowardTheFirstDefenderThatBroke) {
    // Attackers: 3rd Ohio (quality 5) and 1st Ohio (quality 6), category 5. Defenders in this
    // order: a battery (not in line: category 2 while it fights) and 5th Carolina. Bout 1: the
    // attackers take 0, the defenders 2 × 2, which breaks the battery; bout 2 (category 5 both
    // ways): 1 and 2 × 2 more, which breaks 5th Carolina.
    Place({{"3rd Ohio", 0, 304},
           {"1st Ohio", 0, 305, 6},
           {"Carolina Battery", 1, 405, 4, 2, 0, 0, 0, Placed::Battery},
           {"5th Carolina", 1, 404}});
    Designate({Fight({"3rd Ohio", "1st Ohio"}, {"Carolina Battery", "5th Carolina"})});
    ClearGameRandomScript();
    ScriptGameRandom({0, 6, 0, 6});
    RunShock();
    EXPECT_EQ(ScriptedDrawsLeft(), 0);
    ASSERT_EQ(recorder->results.size(), 1u);
    EXPECT_EQ(Shorts(recorder->results[0].numbers[2]), (std::vector<short>{1, 1}));
    EXPECT_EQ(Shorts(recorder->results[0].numbers[9]), (std::vector<short>{1, 1}));
    ASSERT_EQ(Layer().GetAdvances().Count(), 1);
    const CombatAdvance entry = Layer().GetAdvances().Head()->value;
    EXPECT_EQ(entry.value, Number("1st Ohio"));
    EXPECT_EQ(entry.first, 405);
    EXPECT_EQ(entry.second, 0);
    // The broken battery is eliminated rather than routed, and not waited for.
    EXPECT_TRUE(Unit("Carolina Battery")->IsRemoved());
    EXPECT_TRUE(Unit("5th Carolina")->IsRouted());
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockResolutionTest, UnitsOffTheFieldLeaveTheCombatWithTheirMovedFlags) {
    Place({{"7th Ohio", 0, 303}, {"3rd Ohio", 0, 304}, {"5th Carolina", 1, 404}});
    CombatStruct combat = Fight({"7th Ohio", "3rd Ohio"}, {"5th Carolina"});
    combat.attackerWords.Clear();
    combat.attackerWords.AddTail(1);
    combat.attackerWords.AddTail(0);
    Unit("7th Ohio")->RemoveFromPlay();
    shell->Run(0);
    Layer().ResolveShockCombat(combat);
    ASSERT_EQ(combat.attackers.Count(), 1);
    EXPECT_EQ(combat.attackers.Head()->value, Unit("3rd Ohio"));
    EXPECT_EQ(Shorts(combat.attackerWords), (std::vector<short>{0}));
}

TEST_F(ShockResolutionTest, AnAttackerRoutedBeforeTheFightIsNotAwaitedAgain) {
    // 7th Ohio fights alone (3rd Ohio is routed and sits the fight out): three bouts of 1 hit
    // each way, then one of 2, and both sides break. The routed one is handed the hits too and
    // counts as broken, but it can never rout a second time.
    Place({{"3rd Ohio", 0, 304}, {"7th Ohio", 0, 305}, {"5th Carolina", 1, 404}});
    Rout("3rd Ohio");
    Designate({Fight({"3rd Ohio", "7th Ohio"}, {"5th Carolina"})});
    ClearGameRandomScript();
    ScriptGameRandom({0, 0, 0, 0, 0, 0, 6, 6});
    RunShock();
    ASSERT_EQ(recorder->results.size(), 1u);
    EXPECT_EQ(Shorts(recorder->results[0].numbers[8]), (std::vector<short>{1, 1}));
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
    EXPECT_FALSE(Layer().IsShockPhaseRunning());
}

TEST_F(ShockResolutionTest, AnAttackerSparedByItsAdvanceIsNotAwaited) {
    // Three bouts of 2 hits for the attacker, 1 for the defender: its 6 would break it, but a
    // unit still advancing keeps one hit short of breaking and so never routs.
    Place({{"7th Ohio", 0, 304}, {"9th Carolina", 1, 404}});
    Unit("7th Ohio")->SetAdvancing(1);
    Designate({Fight({"7th Ohio"}, {"9th Carolina"})});
    ClearGameRandomScript();
    ScriptGameRandom({6, 0, 6, 0, 6, 0});
    RunShock();
    shell->Run(0);
    EXPECT_FALSE(Unit("7th Ohio")->IsRouted());
    EXPECT_EQ(Unit("7th Ohio")->GetCohesionHits(), 4);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

TEST_F(ShockResolutionTest, UnitsThatCannotBreakStopFightingAfterABoundedFight) {
    // Qualities beyond any hit total: no bout could ever take a side out.
    Place({{"3rd Ohio", 0, 304, 60000}, {"5th Carolina", 1, 404, 60000}});
    Designate({Fight({"3rd Ohio"}, {"5th Carolina"})});
    ClearGameRandomScript();
    RunShock();
    EXPECT_EQ(recorder->Count("CombatResults"), 1);
    EXPECT_EQ(recorder->Count("CombatDone"), 1);
}

// ---- where a two-hex attacker goes ----

struct AdvanceRegionCase {
    const char* label;
    Placed attacker;
    Placed defender;
    std::vector<Placed> others;
    std::int16_t expected;
};

void PrintTo(const AdvanceRegionCase& c, std::ostream* os) { *os << c.label; }

class AdvanceRegionTest : public ShockTest, public ::testing::WithParamInterface<AdvanceRegionCase> {};

TEST_P(AdvanceRegionTest, WhereTheFirstHexGoes) {
    const AdvanceRegionCase& c = GetParam();
    std::vector<Placed> all = {c.attacker, c.defender};
    all.insert(all.end(), c.others.begin(), c.others.end());
    Place(all);
    Combat* defender = Unit(c.defender.name);
    EXPECT_EQ(Layer().AdvanceRegion(defender->GetLocation(), Unit(c.attacker.name)), c.expected);
}

Placed Two(Placed p) {
    p.twoHex = 1;
    return p;
}

// Two-hex units in line stand on their hex and the next one clockwise past their front: facing
// east, 304 holds 305 too; facing west, 405 holds 404.
const AdvanceRegionCase AdvanceRegionCases[] = {
    {"OneHexAttacker", Ohio, Two(With(Carolina, [](Placed& p) { p.region = 405; })), {}, 405},
    {"AgainstOneHexDefender", Two(Ohio), Carolina, {}, 404},
    // Both hexes of the attacker touch the defender's first, its first the second too (3, 1).
    {"FacingEachOther", Two(Ohio), Two(With(Carolina, [](Placed& p) { p.region = 405; })), {}, 404},
    // Same ground, the defender's hexes the other way round (3, 2).
    {"DefenderFacingAway", Two(Ohio), Two(With(Carolina, [](Placed& p) { p.facing = 3; })), {}, 404},
    // Only the attacker's second hex touches, the defender's first (0, 1): the first hex steps
    // the same way, if it can.
    {"SecondHexTouches", Two(With(Ohio, [](Placed& p) { p.region = 303; })), Two(With(Carolina, [](Placed& p) { p.region = 405; p.facing = 3; })), {}, 404},
    {"SecondHexTouchesBlocked", Two(With(Ohio, [](Placed& p) { p.region = 303; })), Two(With(Carolina, [](Placed& p) { p.region = 405; p.facing = 3; })), {Placed{"Carolina Rangers", 1, 404}}, -1},
    // Only the attacker's first hex touches, the defender's second (2, 0): it goes there when
    // its second hex can follow.
    {"FirstHexTouches", Two(Ohio), Two(With(Carolina, [](Placed& p) { p.region = 403; p.facing = 3; })), {}, 404},
    {"FirstHexTouchesBlocked", Two(Ohio), Two(With(Carolina, [](Placed& p) { p.region = 403; p.facing = 3; })), {Placed{"Carolina Rangers", 1, 405}}, -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, AdvanceRegionTest, ::testing::ValuesIn(AdvanceRegionCases),
                         [](const ::testing::TestParamInfo<AdvanceRegionCase>& caseInfo) { return std::string(caseInfo.param.label); });

} // namespace
