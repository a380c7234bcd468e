// The group move engine: when a group command is offered, the enemy-proximity test, the roll,
// and the group move itself across country and along a road.
#include "tests/units/group_fixture.h"

namespace {

using units_testing::GroupTest;

struct RollCase {
    const char* name;
    std::uint16_t commands;
    std::uint16_t failures;
    int roll;
    int expected;
};

class GroupRoll : public GroupTest, public ::testing::WithParamInterface<RollCase> {};

TEST_P(GroupRoll, ResultFollowsTheCommandsAndEarlierFailures) {
    const RollCase& c = GetParam();
    MakeLeader(404, 3, c.commands);
    leader->SetFailedGroupCommands(c.failures);
    ScriptGameRandom({c.roll});
    EXPECT_EQ(leader->RollGroupCommand(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupRoll,
    ::testing::Values(RollCase{"ThreeBelowA", 3, 0, 49, 3}, RollCase{"ThreeAtA", 3, 0, 50, 2}, RollCase{"ThreeAtB", 3, 0, 70, 1},
                      RollCase{"OneFailureLowersBy30", 3, 1, 75, 3}, RollCase{"OneFailureNotBelowZero", 1, 1, 20, 3},
                      RollCase{"TwoFailuresAlwaysZero", 3, 2, 99, 3}, RollCase{"OneCommandPartial", 1, 0, 29, 2},
                      RollCase{"OneCommandFailed", 1, 0, 30, 1}, RollCase{"NoCommandsNeverFull", 0, 0, 0, 2},
                      RollCase{"NoCommandsFailed", 0, 0, 10, 1}, RollCase{"SixCommandsAlwaysFull", 6, 0, 99, 3}),
    [](const auto& p) { return std::string(p.param.name); });

class GroupMoveTest : public GroupTest {
protected:
    // The expected end of a unit: its hex moved by the leader's displacement.
    std::uint16_t Moved(std::uint16_t unit, std::uint16_t from, std::uint16_t to) const {
        const Point p = map->RegionToPoint(unit), a = map->RegionToPoint(from), b = map->RegionToPoint(to);
        return map->PointToRegion(Point(p.x + b.x - a.x, p.y + b.y - a.y));
    }
};

TEST_F(GroupMoveTest, OfferedOnlyBeforeAnyOrderAndWithAnAbleUnit) {
    MakeLeader(203, 3);
    EXPECT_EQ(leader->FindGroupMoveRegions(0), 0) << "a leader without units has nothing to move";
    EXPECT_EQ(leader->GroupHasActiveUnit(), 0);
    Member(1, 303);
    EXPECT_EQ(leader->FindGroupMoveRegions(0), 1);
    EXPECT_EQ(leader->GroupHasActiveUnit(), 1);
    EXPECT_EQ(leader->FindGroupMoveRegions(1), 0) << "a unit off the road offers no group road move";
    leader->NoteOrder(1);
    EXPECT_EQ(leader->FindGroupMoveRegions(0), 0);
    EXPECT_EQ(leader->GroupHasActiveUnit(), 0);
}

TEST_F(GroupMoveTest, AnEnemyNextToAnyUnitForbidsTheAttempt) {
    MakeLeader(203, 3);
    Member(1, 303);
    EXPECT_EQ(leader->CanAttemptGroupMove(), 3);
    EXPECT_TRUE(Commentary().empty());
    Enemy(9, N(303, 4));
    EXPECT_EQ(leader->CanAttemptGroupMove(), 0);
    Run();
    ASSERT_EQ(Commentary().size(), 1u);
    EXPECT_EQ(Commentary()[0], "Col. Harrowgate cannot attempt group move: enemy is within one hex of group.");
}

TEST_F(GroupMoveTest, EveryUnitMovesByTheLeadersDisplacement) {
    MakeLeader(203, 3);
    auto* a = Member(1, 303);
    auto* b = Member(2, 305);
    delete leader->GroupMove();
    ASSERT_TRUE(leader->IsGroupMoving());
    EXPECT_EQ(leader->GetMovementPoints(), 8) << "a full group move goes as far as the slowest unit";
    const List<short>& legal = leader->GetLegalDestinations();
    ASSERT_GT(legal.Count(), 1);
    // The farthest offered hex, so that the move takes more than one step.
    std::uint16_t destination = 203;
    for (Item<short>* i = legal.Head(); i; i = i->next)
        if (map->RegionDistance(203, static_cast<std::uint16_t>(i->value)) > map->RegionDistance(203, destination))
            destination = static_cast<std::uint16_t>(i->value);
    ASSERT_GE(map->RegionDistance(203, destination), 2);
    const std::uint16_t expectA = Moved(303, 203, destination), expectB = Moved(305, 203, destination);
    delete leader->OnRegionClicked(static_cast<std::int16_t>(destination));
    EXPECT_EQ(leader->GetLocation(), destination);
    EXPECT_EQ(a->GetLocation(), expectA);
    EXPECT_EQ(b->GetLocation(), expectB);
    EXPECT_LT(leader->GetMovementPoints(), 8) << "the leader pays for the steps of the group";
    Run();
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
    EXPECT_EQ(probe->aiDone, 0) << "a player's leader tells the computer player nothing";
}

TEST_F(GroupMoveTest, ClickingTheLeadersOwnHexEndsTheSteeringWithoutAMove) {
    MakeLeader(203, 3);
    auto* a = Member(1, 303);
    delete leader->GroupMove();
    delete leader->OnRegionClicked(203);
    EXPECT_EQ(leader->GetMovementPoints(), 0);
    EXPECT_EQ(a->GetLocation(), 303);
    EXPECT_EQ(leader->GetLocation(), 203);
}

TEST_F(GroupMoveTest, AHexOutsideTheOfferIsIgnored) {
    MakeLeader(203, 3);
    auto* a = Member(1, 303);
    delete leader->GroupMove();
    const std::uint16_t behind = N(203, 7);
    ASSERT_FALSE(leader->GetLegalDestinations().Contains(static_cast<short>(behind)));
    delete leader->OnRegionClicked(static_cast<std::int16_t>(behind));
    EXPECT_EQ(a->GetLocation(), 303);
    EXPECT_EQ(leader->GetLocation(), 203);
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
}

class RoadMoveTest : public GroupMoveTest {
protected:
    void Shape(datagen::LandscapeDraft& d) override {
        for (std::uint16_t c = 0; c < 10; ++c) d.AddTerrain(static_cast<std::uint16_t>(c * 100 + 3), VhLogicalLandscape::RoadCode);
    }
};

TEST_F(RoadMoveTest, UnitsFollowTheRoadBehindTheLeaderAndStopAtTheLastFreeHex) {
    MakeLeader(303, 3);
    auto* first = Member(1, 203);
    auto* second = Member(2, 103);
    ASSERT_EQ(leader->FindGroupMoveRegions(1), 1);
    delete leader->GroupRoadMove();
    ASSERT_TRUE(leader->IsRoadMove());
    ASSERT_TRUE(leader->GetLegalDestinations().Contains(603));
    delete leader->OnRegionClicked(603);
    EXPECT_EQ(leader->GetLocation(), 603);
    EXPECT_EQ(first->GetLocation(), 503);
    EXPECT_EQ(second->GetLocation(), 403);
    Run();
    EXPECT_TRUE(leader->GetPendingUnits().IsEmpty());
}

TEST_F(RoadMoveTest, TheHexTheLeaderLeavesCountsAsFreeAndTheNearerUnitGoesFirst) {
    MakeLeader(303, 3);
    // Listed farther unit first: the road order takes the shorter road first all the same.
    auto* far = Member(2, 103);
    auto* near = Member(1, 203);
    delete leader->GroupRoadMove();
    ASSERT_TRUE(leader->GetLegalDestinations().Contains(403));
    delete leader->OnRegionClicked(403);
    EXPECT_EQ(leader->GetLocation(), 403);
    EXPECT_EQ(near->GetLocation(), 303);
    EXPECT_EQ(far->GetLocation(), 203);
}

TEST_F(RoadMoveTest, AGroupWithAUnitOffTheRoadGetsNoRoadMove) {
    MakeLeader(303, 3);
    Member(1, 203);
    Member(2, 204);
    EXPECT_EQ(leader->FindGroupMoveRegions(1), 0);
    EXPECT_EQ(leader->FindGroupMoveRegions(0), 1);
}

} // namespace
