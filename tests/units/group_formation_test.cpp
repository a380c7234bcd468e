// Group line and column formation lay the group out in a row beside its leader; rotation turns
// the leader and its group one facing step at a time.
#include "tests/units/group_fixture.h"

#include <algorithm>
#include <set>

namespace {

using units_testing::GroupTest;

struct RowCase {
    const char* name;
    std::uint16_t mode;
    std::uint32_t facing;
    int a, b; // directions from the leader of the first two hexes of the row
};

class FormationRows : public GroupTest, public ::testing::WithParamInterface<RowCase> {};

// Three units standing away from the row end up on its first three hexes, facing the leader's way.
TEST_P(FormationRows, UnitsTakeTheRowAndFaceTheLeadersWay) {
    const RowCase& c = GetParam();
    const std::uint16_t here = 404;
    MakeLeader(here, c.facing);
    const std::uint16_t a = N(here, c.a), b = N(here, c.b);
    ASSERT_NE(a, 0xFFFF);
    ASSERT_NE(b, 0xFFFF);
    const int step = static_cast<int>(map->DirectionToRegion(a, b));
    const std::uint16_t third = N(b, step);
    const std::set<std::uint16_t> row{a, b, third};
    // Each unit starts next to one of the row's hexes, off the row and off the leader.
    std::uint16_t number = 1;
    std::set<std::uint16_t> taken{a, b, third, here};
    for (std::uint16_t target : {a, b, third}) {
        std::uint16_t start = 0xFFFF;
        for (int d : {1, 2, 4, 5, 6, 8}) {
            const std::uint16_t h = N(target, d);
            if (h != 0xFFFF && !taken.count(h) && map->RegionDistance(h, here) >= 1) {
                start = h;
                break;
            }
        }
        ASSERT_NE(start, 0xFFFF);
        taken.insert(start);
        Member(number++, start, 3, 16, 0);
    }
    leader->GroupFormation(c.mode, c.facing);
    Run();
    std::set<std::uint16_t> reached;
    for (Item<VhUnit*>* i = group.GetUnits().Head(); i; i = i->next) {
        reached.insert(i->value->GetLocation());
        EXPECT_EQ(i->value->GetFacing(), c.facing) << "unit " << i->value->GetUnitNum();
        EXPECT_EQ(AsCombat(i->value)->IsInLine(), c.mode) << "unit " << i->value->GetUnitNum();
    }
    EXPECT_EQ(reached, row);
    EXPECT_EQ(leader->GetFacing(), c.facing);
}

INSTANTIATE_TEST_SUITE_P(Facings, FormationRows,
                         ::testing::Values(RowCase{"Line2", 1, 2, 2, 1}, RowCase{"Line3", 1, 3, 2, 4}, RowCase{"Line4", 1, 4, 4, 5},
                                           RowCase{"Line6", 1, 6, 6, 5}, RowCase{"Line7", 1, 7, 6, 8}, RowCase{"Line8", 1, 8, 8, 1},
                                           RowCase{"Column2", 0, 2, 4, 5}, RowCase{"Column3", 0, 3, 4, 5},
                                           RowCase{"Column4", 0, 4, 5, 6}, RowCase{"Column6", 0, 6, 5, 4},
                                           RowCase{"Column7", 0, 7, 8, 1}, RowCase{"Column8", 0, 8, 1, 2}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(FormationRows, AUnitOnItsHexStaysAndIsTurned) {
    MakeLeader(404, 3);
    const std::uint16_t a = N(404, 2);
    auto* u = Member(1, a, 7);
    leader->GroupLineFormation();
    Run();
    EXPECT_EQ(u->GetLocation(), a) << "a group of one takes hex A";
    EXPECT_EQ(u->GetFacing(), 3u);
    EXPECT_EQ(u->IsInLine(), 1);
}

TEST_F(FormationRows, ARowCutByTheMapEdgeLeavesTheLastUnitWhereItStands) {
    // Facing 7 in line from the top-left corner: the row runs off the map after two hexes.
    MakeLeader(1, 7);
    std::vector<std::uint16_t> before;
    for (std::uint16_t n = 1; n <= 3; ++n) {
        Member(n, static_cast<std::uint16_t>(300 + n), 3, 16, 0);
        before.push_back(static_cast<std::uint16_t>(300 + n));
    }
    leader->GroupColumnFormation();
    Run();
    int unmoved = 0;
    for (Item<VhUnit*>* i = group.GetUnits().Head(); i; i = i->next) {
        EXPECT_TRUE(i->value->IsOnMap());
        EXPECT_EQ(i->value->GetFacing(), 7u);
        if (std::find(before.begin(), before.end(), i->value->GetLocation()) != before.end()) ++unmoved;
    }
    EXPECT_GE(unmoved, 1);
}

struct RotationCase {
    const char* name;
    bool clockwise;
    std::uint32_t from, to;
};

class Rotations : public GroupTest, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(Rotations, TheLeaderAndItsGroupTurnOneStepSkippingNorthAndSouth) {
    const RotationCase& c = GetParam();
    MakeLeader(404, c.from);
    auto* u = Member(1, 606, c.from);
    leader->SetMovementPoints(7);
    delete (c.clockwise ? leader->RotateRight() : leader->RotateLeft());
    EXPECT_EQ(leader->GetFacing(), c.to);
    EXPECT_EQ(u->GetFacing(), c.to);
    EXPECT_EQ(leader->GetMovementPoints(), 5) << "each rotation costs the leader 2 points";
}

INSTANTIATE_TEST_SUITE_P(Steps, Rotations,
                         ::testing::Values(RotationCase{"FourClockwise", true, 4, 6}, RotationCase{"EightClockwise", true, 8, 2},
                                           RotationCase{"ThreeClockwise", true, 3, 4}, RotationCase{"SixAnti", false, 6, 4},
                                           RotationCase{"TwoAnti", false, 2, 8}, RotationCase{"SevenAnti", false, 7, 6}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Rotations, OnlyTheClockwiseTurnFirstAlignsTheGroupWithTheLeader) {
    MakeLeader(404, 3);
    auto* off = Member(1, 606, 7);
    delete leader->RotateRight();
    // Aligned from 7 to 3, then one step on.
    EXPECT_EQ(off->GetFacing(), 4u);
    ASSERT_GE(probe->turns.size(), 3u);
    EXPECT_EQ(probe->turns[0].unit, 1);
    EXPECT_EQ(probe->turns[0].facing, 3);

    probe->turns.clear();
    auto* other = Member(2, 707, 8);
    delete leader->RotateLeft();
    EXPECT_EQ(other->GetFacing(), 7u) << "counter-clockwise only turns each unit one step from where it faces";
    EXPECT_EQ(off->GetFacing(), 3u);
    EXPECT_EQ(probe->turns.size(), 3u);
    EXPECT_EQ(leader->GetMovementPoints(), 8);
}

TEST_F(Rotations, RoutedAndAbsentUnitsAreNotTurned) {
    MakeLeader(404, 3);
    auto* away = Member(1, 0xFFFF, 3);
    delete leader->RotateRight();
    EXPECT_EQ(away->GetFacing(), 3u);
    EXPECT_EQ(leader->GetFacing(), 4u);
}

} // namespace
