// The group attack: which unit closes in, fires, holds or charges, what it costs to get going,
// and when the command counts as complete.
#include "tests/units/group_fixture.h"

#include "core/application.h"

namespace {

using units_testing::GroupTest;

class GroupAttackTest : public GroupTest {
protected:
    // A hex two steps east of `hex`, in the front arc of a unit facing 3.
    std::uint16_t TwoEast(std::uint16_t hex) const { return N(N(hex, 2), 4); }
};

TEST_F(GroupAttackTest, WithNoAbleUnitNothingActsButTheCommandIsSpent) {
    MakeLeader(203, 3);
    Member(1, 0xFFFF);
    Enemy(9, 706);
    ScriptGameRandom({0});
    EXPECT_EQ(leader->DoGroupAttack(), 0);
    Run();
    EXPECT_EQ(leader->GetCommandsUsed(), leader->GetCommands());
    EXPECT_TRUE(leader->HasGroupCommandMade());
    EXPECT_TRUE(GetApplication()->IsIdle()) << "the wait state is cleared";
    EXPECT_EQ(leader->GetLocation(), 203) << "the leader stays";
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
}

struct SetUpCase {
    const char* name;
    int kind;
    bool moved;
    int lost;
};

class SetUpCosts : public GroupAttackTest, public ::testing::WithParamInterface<SetUpCase> {};

// A unit that breaks goes no further than its set-up, so its points show the charge alone.
TEST_P(SetUpCosts, AnUnmovedUnitPaysForGettingUnderWay) {
    const SetUpCase& c = GetParam();
    MakeLeader(203, 3);
    Combat* u = nullptr;
    switch (c.kind) {
    case CavalryKind: u = Member<LightCav>(1, 303, 3, 12, 1); break;
    case ArtilleryKind: u = Member<Artillery>(1, 303, 3, 14, 0); break;
    case SupplyWagonKind: {
        CombatUnitData d;
        d.unitNumber = 1;
        d.side = 0;
        d.region = 303;
        d.facing = 3;
        d.movementAllowance = 8;
        d.troopQuality = 5;
        d.size = 6;
        d.landscape = map.get();
        auto* w = Make<SupplyWagon>(d);
        Register(w);
        group.AddUnit(w);
        w->SetGroup(&group);
        u = w;
        break;
    }
    default: u = Member(1, 303); break;
    }
    ASSERT_EQ(u->GetUnitKind(), c.kind);
    Enemy(9, TwoEast(TwoEast(303)));
    const std::uint16_t start = c.moved ? 7 : 8;
    u->SetMovementPoints(start);
    u->SetBreaking();
    ScriptGameRandom({0});
    leader->DoGroupAttack();
    EXPECT_EQ(u->GetMovementPoints(), start - c.lost);
    EXPECT_EQ(u->GetLocation(), 303);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetUpCosts,
                         ::testing::Values(SetUpCase{"Cavalry", CavalryKind, false, 4}, SetUpCase{"Artillery", ArtilleryKind, false, 8},
                                           SetUpCase{"Wagon", SupplyWagonKind, false, 2}, SetUpCase{"Infantry", InfantryKind, false, 0},
                                           SetUpCase{"MovedCavalry", CavalryKind, true, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GroupAttackTest, InfantryOnlySlightlyBetterFiresAndHoldsItsGround) {
    MakeLeader(203, 3);
    auto* u = Member(1, 303);
    const std::uint16_t target = TwoEast(303);
    ASSERT_LE(map->RegionDistance(303, target), u->GetMaxRange());
    Enemy(9, target, 7, 4);
    ScriptGameRandom({0});
    leader->DoGroupAttack();
    Run();
    EXPECT_EQ(u->GetLocation(), 303) << "a margin of 1 does not close in";
    EXPECT_TRUE(u->HasFiredThisPhase());
    EXPECT_TRUE(probe->charges.empty());
}

TEST_F(GroupAttackTest, InfantryTwoBetterChargesTheEnemyInItsFront) {
    MakeLeader(203, 3);
    // In column it cannot fire first, so no return fire can change the odds before the charge.
    auto* u = Member(1, 303, 3, 16, 0);
    u->RecomputeAllZones();
    std::uint16_t target = 0xFFFF;
    for (Item<short>* h = u->GetFrontHexList().Head(); h && target == 0xFFFF; h = h->next) target = static_cast<std::uint16_t>(h->value);
    ASSERT_NE(target, 0xFFFF);
    auto* enemy = Enemy(9, target, 7, 3);
    enemy->RecomputeAllZones();
    u->RecomputeAllZones();
    ScriptGameRandom({0});
    EXPECT_EQ(leader->DoGroupAttack(), 1);
    Run();
    ASSERT_FALSE(probe->charges.empty());
    EXPECT_EQ(probe->charges.back().first, 1);
    EXPECT_EQ(probe->charges.back().second, target);
}

TEST_F(GroupAttackTest, TheComputerPlayersAttackIsCompleteWhenAllReportsAreIn) {
    MakeLeader(203, 3);
    leader->SetAIControlled(1);
    Member(1, 303);
    Member(2, 305);
    Enemy(9, 706, 7, 2);
    ScriptGameRandom({0});
    const int took = leader->DoGroupAttack();
    Run();
    EXPECT_EQ(took, 1);
    EXPECT_NE(leader->GetLocation(), 203) << "the leader follows its units";
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1) << "exactly one completion, however the reports arrived";
}

// A unit that breaks under its reorder hit instead of firing leaves the command; the command
// completes once the unit that moved is back.
TEST_F(GroupAttackTest, AUnitBrokenBeforeItsVolleyDoesNotHoldUpTheCommand) {
    MakeLeader(203, 3);
    leader->SetAIControlled(1);
    auto record = MissileRecord(1, 0, 303);
    record.troopQuality = 1;
    auto* shaky = Make<MediumInfantry>(record);
    Register(shaky);
    group.AddUnit(shaky);
    shaky->SetGroup(&group);
    shaky->SetUsedThisTurn(1);
    auto* mover = Member(2, 106);
    const std::uint16_t target = TwoEast(303);
    Enemy(9, target);
    ScriptGameRandom({0});
    EXPECT_EQ(leader->DoGroupAttack(), 1);
    Run();
    EXPECT_FALSE(shaky->HasFiredThisPhase());
    EXPECT_NE(mover->GetLocation(), 106);
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 1);
}

TEST_F(GroupAttackTest, AFailedRollAttacksWithNobody) {
    MakeLeader(203, 3, 1);
    auto* u = Member(1, 303);
    Enemy(9, TwoEast(303));
    ScriptGameRandom({99});
    EXPECT_EQ(leader->DoGroupAttack(), 0);
    Run();
    EXPECT_EQ(u->GetLocation(), 303);
    EXPECT_FALSE(u->HasFiredThisPhase());
    EXPECT_EQ(leader->GetFailedGroupCommands(), 1);
}

} // namespace
