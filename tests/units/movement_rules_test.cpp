// Step costs and the cohesion hits of terrain and elevation, front/flank geometry, facing changes
// and their costs, and the searches that must end on a map without enemies.
#include "game/units/facing.h"
#include "tests/units/units_fixture.h"

namespace {

using units_testing::UnitsTest;

class MovementTest : public UnitsTest {
protected:
    void Shape(datagen::LandscapeDraft& d) override {
        for (int c = 0; c < 10; ++c)
            for (int r = 0; r < 8; ++r) d.SetElevation(static_cast<unsigned short>(c * 100 + r), 1);
        d.AddTerrain(303, 3);   // marsh
        d.AddTerrain(603, 1);   // woods and a major river
        d.AddTerrain(603, 4);
        d.AddTerrain(703, 2);   // rocky
        d.SetElevation(202, 2);
        d.SetElevation(201, 3);
        d.SetElevation(200, 5);
        d.AddEdge(404, 5, 14);  // a side that bars movement
    }
    MediumInfantry* Infantry(std::uint16_t region, std::uint16_t formation = 1, std::uint16_t number = 1) {
        return Make<MediumInfantry>(MissileRecord(number, 0, region, 16, formation));
    }
    Artillery* Guns(std::uint16_t region, std::uint16_t number = 2) {
        return Make<Artillery>(MissileRecord(number, 0, region, 19, 1));
    }
    SupplyWagon* Wagon(std::uint16_t region, std::uint16_t number = 3) {
        CombatUnitData d;
        d.unitNumber = number;
        d.side = 0;
        d.region = region;
        d.facing = 3;
        d.movementAllowance = 6;
        d.troopQuality = 2;
        d.size = 1;
        d.landscape = map.get();
        return Make<SupplyWagon>(d);
    }
};

TEST_F(MovementTest, FacingArithmeticSkipsTheVertices) {
    EXPECT_EQ(facing::TurnFacing(4, true), 6);
    EXPECT_EQ(facing::TurnFacing(6, false), 4);
    EXPECT_EQ(facing::TurnFacing(8, true), 2);
    EXPECT_EQ(facing::TurnSide(2, true), 4);
    const facing::Turn toEight = facing::ShorterTurn(2, 8);
    EXPECT_EQ(toEight.sense, 1);
    EXPECT_EQ(toEight.steps, 1);
    const facing::Turn about = facing::ShorterTurn(2, 6);
    EXPECT_EQ(about.sense, 1) << "a tie turns anticlockwise";
    EXPECT_EQ(about.steps, 3);
}

TEST_F(MovementTest, CohesionHitsOfTerrainByClassAndFormation) {
    auto* column = Infantry(203, 0, 1);
    EXPECT_EQ(column->MovementCohesionHits(203, 303, 1), 0) << "infantry in column takes no movement hits";
    auto* line = Infantry(403, 1, 2);
    EXPECT_EQ(line->MovementCohesionHits(203, 303, 0), 1);
    auto* guns = Guns(503, 4);
    shell->Application().commentary.clear();
    EXPECT_EQ(guns->MovementCohesionHits(503, 603, 1), 2);
    shell->App().DrainTasks();
    ASSERT_EQ(shell->Application().commentary.size(), 1u);
    EXPECT_EQ(shell->Application().commentary[0],
              guns->GetCommentaryName() + " moved in woods for 1 hit and into a major river for 1 hit.");
    EXPECT_EQ(guns->MovementCohesionHits(503, 303, 0), 99) << "marsh is charged unchanged for artillery";
}

TEST_F(MovementTest, CohesionHitsOfElevation) {
    auto* line = Infantry(102);
    EXPECT_EQ(line->MovementCohesionHits(102, 202, 0), 1) << "up one level";
    EXPECT_EQ(line->MovementCohesionHits(202, 102, 0), 1) << "down one level";
    EXPECT_EQ(line->MovementCohesionHits(101, 201, 0), 1) << "up two levels, class 0";
    auto* guns = Guns(301);
    EXPECT_EQ(guns->MovementCohesionHits(101, 201, 0), 99);
    EXPECT_EQ(line->MovementCohesionHits(100, 200, 0), 0) << "four levels give no hits";
}

TEST_F(MovementTest, StepCostsAndProhibitedSteps) {
    auto* line = Infantry(102);
    auto* guns = Guns(301);
    auto* wagon = Wagon(702);
    EXPECT_GT(line->StepCost(102, 103), 0);
    EXPECT_EQ(guns->StepCost(101, 201), -1) << "two levels stop artillery";
    EXPECT_GT(line->StepCost(101, 201), 0) << "infantry climbs two levels";
    EXPECT_GT(line->StepCost(100, 200), 0) << "and four";
    EXPECT_EQ(guns->StepCost(102, 202), map->MovementCost(102, 202));
    EXPECT_EQ(wagon->StepCost(702, 703), -1) << "no wagon onto rocks";
    EXPECT_EQ(line->StepCost(404, map->GetNeighbour(404, 5)), -1) << "a barring side";
}

TEST_F(MovementTest, FrontFlankAndRearOfAOneHexUnit) {
    auto* unit = Infantry(505);
    unit->RecomputeAllZones();
    List<short> expected;
    expected.AddTail(static_cast<short>(map->GetNeighbour(505, 2)));
    expected.AddTail(static_cast<short>(map->GetNeighbour(505, 4)));
    EXPECT_EQ(unit->GetFrontHexList(), expected);
    EXPECT_TRUE(unit->IsInFrontZone(static_cast<std::uint16_t>(map->GetNeighbour(505, 2)), 1));
    EXPECT_FALSE(unit->IsInFrontZone(static_cast<std::uint16_t>(map->GetNeighbour(505, 2)), 2));
    EXPECT_TRUE(unit->IsInRearZone(static_cast<std::uint16_t>(map->GetNeighbour(505, 6)), 1));
    unit->SetFacing(2);
    unit->RecomputeAllZones();
    EXPECT_TRUE(unit->IsOnFlank(map->GetNeighbour(505, 8), 1, 0));
    EXPECT_TRUE(unit->IsOnFlank(map->GetNeighbour(505, 4), 1, 2));
    EXPECT_FALSE(unit->IsOnFlank(map->GetNeighbour(505, 8), 1, 2));
    // A routed unit has no front hexes, so nothing is its threat hex.
    unit->ApplyCohesionHits(unit->GetTQ(), 0);
    EXPECT_TRUE(unit->GetFrontHexesAt(505).IsEmpty());
}

TEST_F(MovementTest, LegalDestinationsLieAheadWithinThePoints) {
    auto* unit = Infantry(203);
    List<short> legal;
    unit->FindLegalDestinations(legal, 0, 0);
    EXPECT_TRUE(legal.Contains(203));
    for (Item<short>* i = legal.Head(); i; i = i->next)
        EXPECT_GE(i->value / 100, 2) << "facing east, nothing lies west: " << i->value;
    VhUnit::SetBackwardMovement(1);
    unit->FindLegalDestinations(legal, 0, 0);
    VhUnit::SetBackwardMovement(0);
    for (Item<short>* i = legal.Head(); i; i = i->next) EXPECT_LE(i->value / 100, 2) << i->value;
}

TEST_F(MovementTest, FacingChangesCostTwoPointsAndNeverWrapThePoints) {
    auto* unit = Infantry(505);
    const int before = unit->GetMovementPoints();
    // The turn itself comes back through the referee's relay; here the charge is what counts.
    delete unit->RotateRight();
    EXPECT_EQ(unit->GetMovementPoints(), before - 2);
    EXPECT_EQ(unit->Rotate(2, 1), 2);
    EXPECT_EQ(unit->GetFacing(), 4u);
    EXPECT_EQ(unit->Rotate(1, 3), 2);
    EXPECT_EQ(unit->GetFacing(), 8u);
    unit->SetMovementPoints(1);
    delete unit->RotateLeft();
    EXPECT_EQ(unit->GetMovementPoints(), 0) << "a count of 1 less 2 is 0, not 65535";
    unit->SetMovementPoints(3);
    delete unit->VhUnit::OnAboutFace();
    EXPECT_EQ(unit->GetMovementPoints(), 0);
}

TEST_F(MovementTest, ASecondOrderInATurnCostsOneMoraleHitOncePerActivation) {
    auto* unit = Infantry(505);
    unit->SetUsedThisTurn(1);
    delete unit->RotateRight();
    EXPECT_EQ(unit->GetPendingHits(), 1);
    delete unit->RotateRight();
    EXPECT_EQ(unit->GetPendingHits(), 1);
}

TEST_F(MovementTest, SearchesEndOnAMapWithoutEnemies) {
    auto* unit = Infantry(505);
    EXPECT_EQ(unit->NearestEnemyRegion(), -1);
    EXPECT_EQ(unit->FindNearestEnemy(-1), -1);
    EXPECT_EQ(unit->TurnTowardNearestEnemy(), 0);
    EXPECT_EQ(unit->FindNearestEnemyAhead(), -1);
    auto* enemy = Make<MediumInfantry>(MissileRecord(9, 1, 705));
    EXPECT_EQ(unit->NearestEnemyRegion(), 705);
    EXPECT_EQ(unit->FindNearestEnemy(-1), 705);
    EXPECT_NE(enemy, nullptr);
}

TEST_F(MovementTest, QueriesOfTheUnitBase) {
    auto* unit = Infantry(505);
    EXPECT_EQ(unit->Query(4), unit->GetMovementAllowance());
    EXPECT_EQ(unit->Query(10), 505);
    EXPECT_EQ(unit->Query(12), 3);
    EXPECT_EQ(unit->Query(20), 1);
    EXPECT_EQ(unit->Query(7), 2) << "the missile unit answers its range";
    EXPECT_EQ(unit->VhUnit::Query(7), -1);
}

} // namespace
