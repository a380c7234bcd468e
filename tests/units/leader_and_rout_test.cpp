// Leaders counting their commands, facing their group and evading; the OW segment of a mover;
// the route of a routing unit.
#include "game/logic/game_random.h"
#include "tests/units/units_fixture.h"

namespace {

using units_testing::UnitsTest;

class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    void Connect() override {
        RegisterNamedHandler("ChangeFacing", Facing);
        RegisterNamedHandler("OWResolved", Resolved);
    }
    std::vector<ChangeFacingStruct> turns;
    std::vector<ResolveOWStruct> resolved;

private:
    static ContainerBase* Facing(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* r = PayloadValue<ChangeFacingStruct>(p)) dynamic_cast<Listener*>(c)->turns.push_back(*r);
        return nullptr;
    }
    static ContainerBase* Resolved(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* r = PayloadValue<ResolveOWStruct>(p)) dynamic_cast<Listener*>(c)->resolved.push_back(*r);
        return nullptr;
    }
};

class LeaderTest : public UnitsTest {
protected:
    void SetUp() override {
        UnitsTest::SetUp();
        listener = std::make_unique<Listener>();
        listener->AttachToBus(&shell->Layer());
    }
    void TearDown() override {
        ClearGameRandomScript();
        listener.reset();
        UnitsTest::TearDown();
    }
    Leader* MakeLeader(std::uint16_t number, std::uint16_t region, std::uint16_t commands, std::uint16_t range = 4,
                       std::uint16_t movement = 12) {
        LeaderUnitData d;
        d.unitNumber = number;
        d.side = 0;
        d.region = region;
        d.facing = 3;
        d.commands = commands;
        d.commandRange = range;
        d.movementAllowance = movement;
        d.landscape = map.get();
        return Make<Leader>(d, "Gen. Test");
    }
    std::unique_ptr<Listener> listener;
};

TEST_F(LeaderTest, OrdersCountOnceInARowAndNeverPastTheCommands) {
    Leader* leader = MakeLeader(50, 505, 3);
    leader->NoteOrder(50); // its own move: 1
    EXPECT_EQ(leader->GetCommandsUsed(), 1);
    leader->NoteOrder(50);
    EXPECT_EQ(leader->GetCommandsUsed(), 1) << "a second order to the same unit in a row is free";
    leader->NoteOrder(7); // a unit it does not command: 2, but only 2 are left
    EXPECT_EQ(leader->GetCommandsUsed(), 3);
    EXPECT_TRUE(leader->AreCommandsExhausted());
    leader->NoteOrder(8);
    EXPECT_EQ(leader->GetCommandsUsed(), 3);
    EXPECT_EQ(leader->Query(19), 0);
}

TEST_F(LeaderTest, CommandsLeftFromAnUndoRecordNeverWrap) {
    Leader* leader = MakeLeader(50, 505, 3);
    leader->SetCommandsLeft(5);
    EXPECT_EQ(leader->GetCommandsUsed(), 0);
    leader->SetCommandsLeft(-1);
    EXPECT_EQ(leader->GetCommandsUsed(), 3);
    leader->SetCommandsLeft(2);
    EXPECT_EQ(leader->GetCommandsUsed(), 1);
    leader->Wound(1);
    leader->Wound(5);
    EXPECT_EQ(leader->GetCommands(), 0);
    EXPECT_EQ(leader->GetCommandRange(), 0);
    EXPECT_EQ(leader->GetCommandsUsed(), 0);
}

TEST_F(LeaderTest, TheLeaderFacesAsMostOfItsGroup) {
    Leader* leader = MakeLeader(50, 505, 3);
    Group group;
    group.SetLeader(leader);
    const std::uint32_t facings[] = {2, 2, 4, 4};
    std::uint16_t number = 1;
    for (std::uint32_t f : facings) {
        auto record = MissileRecord(number, 0, static_cast<std::uint16_t>(300 + number));
        record.facing = f;
        auto* u = Make<MediumInfantry>(record);
        group.AddUnit(u);
        ++number;
    }
    leader->SetGroup(&group);
    leader->FaceGroup();
    ASSERT_EQ(listener->turns.size(), 1u);
    EXPECT_EQ(listener->turns[0].facing, 2) << "ties go to the lowest facing";
    EXPECT_EQ(listener->turns[0].turn, 1);
    EXPECT_EQ(listener->turns[0].mode, 1);
    leader->SetGroup(nullptr);
}

TEST_F(LeaderTest, CommandRangeZeroIsTheLeadersOwnHex) {
    Leader* leader = MakeLeader(50, 505, 3, 0);
    List<short> range;
    leader->ComputeCommandRange(range);
    ASSERT_EQ(range.Count(), 1);
    EXPECT_TRUE(leader->IsInCommandRange(505));
    EXPECT_FALSE(leader->IsInCommandRange(506));
    Leader* wide = MakeLeader(51, 202, 3, 2);
    wide->ComputeCommandRange(range);
    EXPECT_TRUE(range.Contains(203));
}

TEST_F(LeaderTest, ALeaderThatCannotRideAwayIsNoLongerEvading) {
    Leader* slow = MakeLeader(50, 505, 3, 4, 3);
    auto* enemy = Make<MediumInfantry>(MissileRecord(9, 1, map->GetNeighbour(505, 4)));
    EXPECT_EQ(slow->CheckCasualtyEvading(enemy->GetLocation(), 0xFFFF), 0);
    EXPECT_FALSE(slow->IsEvading());
    shell->App().DrainTasks();
    ASSERT_FALSE(listener->resolved.empty());
    EXPECT_EQ(listener->resolved.back().first, 0);
    EXPECT_EQ(listener->resolved.back().second, 505);
}

TEST_F(LeaderTest, EvadedFromHexesLastOneSegment) {
    // The battlefield plays the moves here: it hears "UnitMovement" on the layer's bus.
    map->AttachToBus(&shell->Layer());
    auto* mover = Make<MediumInfantry>(MissileRecord(1, 0, 505));
    const std::uint16_t cavalryHex = map->GetNeighbour(505, 2);
    auto* cavalry = Make<LightCav>(MissileRecord(9, 1, cavalryHex, 12, 1));
    mover->RecomputeAllZones();
    cavalry->RecomputeAllZones();
    // The candidate passes its morale check and rides off; its evasion costs no hit.
    ScriptGameRandom({0, 9, 0});
    mover->BeginOWSegment();
    shell->App().DrainTasks();
    EXPECT_TRUE(mover->GetEvadedFrom().Contains(static_cast<short>(cavalryHex)));
    EXPECT_NE(cavalry->GetLocation(), cavalryHex);
    // The next segment starts with none.
    mover->BeginOWSegment();
    shell->App().DrainTasks();
    EXPECT_TRUE(mover->GetEvadedFrom().IsEmpty());
    map->DetachFromBus();
}

TEST_F(LeaderTest, ARoutWestAlternatesNorthWestAndSouthWest) {
    auto record = MissileRecord(1, 0, 505);
    auto* unit = Make<MediumInfantry>(record);
    unit->SetRetreatEdge(7);
    unit->ApplyCohesionHits(unit->GetTQ(), 0);
    unit->DoRout(2);
    const std::uint16_t first = map->GetNeighbour(505, 8);
    const std::uint16_t second = map->GetNeighbour(first, 6);
    List<short> expected;
    expected.AddTail(505);
    expected.AddTail(static_cast<short>(first));
    expected.AddTail(static_cast<short>(second));
    EXPECT_EQ(unit->GetRouteHexes(), expected);
    EXPECT_EQ(unit->GetLocation(), second);
}

TEST_F(LeaderTest, AUnitWithNoRetreatEdgeDoesATerminalRout) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 505));
    unit->SetRetreatEdge(0);
    shell->Application().commentary.clear();
    unit->DoRout(2);
    shell->App().DrainTasks();
    ASSERT_FALSE(shell->Application().commentary.empty());
    EXPECT_EQ(shell->Application().commentary.front(), unit->GetCommentaryName() + " is doing a terminal rout!");
}

} // namespace

namespace {

class MissileFlowTest : public units_testing::UnitsTest {
protected:
    void TearDown() override {
        ClearGameRandomScript();
        MissileCapable::missileFiringMode = 0;
        UnitsTest::TearDown();
    }
};

TEST_F(MissileFlowTest, AVolleyHitsItsTargetAndDrawsOneVolleyBack) {
    auto* firer = Make<MediumInfantry>(MissileRecord(1, 0, 505, 16, 1));
    const std::uint16_t there = map->GetNeighbour(505, 2);
    auto facingFirer = MissileRecord(9, 1, there, 16, 1);
    facingFirer.facing = 7;
    auto* target = Make<MediumInfantry>(facingFirer);
    firer->UpdateMissileTargets();
    ASSERT_TRUE(firer->GetMissileTargets().Contains(static_cast<short>(there)));
    const int missiles = firer->GetMissiles();
    // A die of 10 on category 3 (a rifle-musket at range 1 against a line): 2 hits.
    ScriptGameRandom({9, 0});
    delete firer->OrderMissileFire(there);
    EXPECT_TRUE(firer->HasFiredThisPhase());
    EXPECT_TRUE(firer->HasActed());
    // Every machine plays the volley the relay names (here by hand: these units are not the
    // referee's).
    shell->Application().commentary.clear();
    firer->DoMissileFire(there);
    EXPECT_EQ(firer->GetMissiles(), missiles - 1);
    shell->App().DrainTasks();
    EXPECT_EQ(target->GetPendingHits(), 2);
    EXPECT_TRUE(firer->WasFiredAtBy(9)) << "the target fires back once";
    EXPECT_EQ(firer->GetMissiles(), missiles - 1) << "the first volley is paid once";
    ASSERT_FALSE(shell->Application().commentary.empty());
    EXPECT_EQ(shell->Application().commentary.front(),
              firer->GetCommentaryName() + " fires at " + target->GetCommentaryName() + " for 2 morale hits.");
}

TEST_F(MissileFlowTest, AClickOutsideTheTargetsOrdersNothing) {
    auto* firer = Make<MediumInfantry>(MissileRecord(1, 0, 505, 16, 1));
    firer->UpdateMissileTargets();
    delete firer->OrderMissileFire(101);
    EXPECT_FALSE(firer->HasFiredThisPhase());
    EXPECT_EQ(firer->FireAtHex(101), 0);
}

} // namespace
