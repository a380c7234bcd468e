#include "fake_units.h"
#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "landscape_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <queue>
#include <set>

namespace {

using testing_units::FakeCombat;
using testing_units::FakeLeader;
using testing_units::LoadDraft;
using testing_units::Regions;
using testing_units::SixSides;
using testing_units::Values;

std::set<int> AsSet(const std::vector<int>& v) { return {v.begin(), v.end()}; }

std::int16_t MovementStep(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* map, VhUnit*) {
    return map->MovementCost(from, to);
}

TEST(MovementCost, TerrainEdgesAndElevation) {
    datagen::LandscapeDraft d(6, 6);
    // Roads at 100 and 101 on different levels; 202 holds codes 0 and 4 with a hedge on its
    // north-west side (towards 101) and a wall on its north side (towards 201).
    d.AddTerrain(100, 12);
    d.AddTerrain(101, 16);
    d.SetElevation(100, 5);
    d.AddTerrain(202, 0);
    d.AddTerrain(202, 4);
    d.AddEdge(202, 8, 6);
    d.AddEdge(202, 1, 11);
    d.AddEdge(202, 5, 10);
    d.SetElevation(102, 3);
    d.SetElevation(302, 1);
    d.SetElevation(203, 3);
    VhLogicalLandscape map;
    LoadDraft(map, d);

    struct Case {
        std::uint16_t from, to;
        int cost;
    } cases[] = {
        {100, 101, 1},      // road code 12 to road code 16, five levels apart
        {302, 202, 6},      // into codes 0 and 4 on level ground (levels 1 and 0 count alike)
        {101, 202, 8},      // the same across the hedge
        {203, 202, 14},     // across a stream, two levels down
        {102, 202, 10},     // two levels down, no edge
        {201, 202, 198},    // across the wall
        {202, 201, 198},    // the wall from the other side
        {0, 1, 2},          // open ground
        {202, 302, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(map.MovementCost(c.from, c.to), c.cost) << c.from << " to " << c.to;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDraft(map, datagen::LandscapeDraft(6, 5)); }
    VhLogicalLandscape map;
};

TEST_F(SearchTest, RingAndDiskOfUnitSteps) {
    List<short> ring;
    map.FindRegionsAtRange(ring, 202, 1, VhLogicalLandscape::StepCostOne, 0);
    EXPECT_EQ(Regions(ring), (std::vector<int>{202, 101, 201, 301, 302, 203, 102}));

    List<short> corner;
    map.FindRegionsAtRange(corner, 0, 1, nullptr, 0);
    EXPECT_EQ(Regions(corner), (std::vector<int>{0, 100, 1}));

    List<short> none;
    map.FindRegionsWithinRange(none, 303, 0, nullptr, 0);
    EXPECT_EQ(Regions(none), (std::vector<int>{303}));

    List<short> nothing;
    map.FindRegionsWithinRange(nothing, 0xFFFF, 3, nullptr, 0);
    EXPECT_TRUE(nothing.IsEmpty());
}

TEST(Search, RingsAndDisksMatchHexDistance) {
    VhLogicalLandscape map;
    LoadDraft(map, datagen::LandscapeDraft(12, 10));
    for (std::uint16_t start : {0, 505, 1108, 1100, 304, 708}) {
        for (std::int16_t k = 0; k <= 5; ++k) {
            List<short> ring, disk;
            map.FindRegionsAtRange(ring, start, k, nullptr, 0);
            map.FindRegionsWithinRange(disk, start, k, nullptr, 0);
            std::set<int> expectRing{start}, expectDisk;
            for (int i = 0; i < map.GetRegionCount(); ++i) {
                const std::uint16_t n = map.IndexToNumber(i);
                if (!map.IsValidRegion(n)) continue;
                const int dist = map.RegionDistance(start, n);
                if (dist == k) expectRing.insert(n);
                if (dist <= k) expectDisk.insert(n);
            }
            const auto r = Regions(ring), dk = Regions(disk);
            EXPECT_EQ(r.front(), start);
            EXPECT_EQ(dk.front(), start);
            EXPECT_EQ(AsSet(r), expectRing) << start << " ring " << k;
            EXPECT_EQ(AsSet(dk), expectDisk) << start << " disk " << k;
            EXPECT_EQ(dk.size(), expectDisk.size()) << "no region twice";
        }
    }
}

// Cheapest cost from start to every region by Dijkstra's method, for comparison.
std::map<int, int> Cheapest(VhLogicalLandscape& map, std::uint16_t start) {
    std::map<int, int> best{{start, 0}};
    using Entry = std::pair<int, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    open.push({0, start});
    while (!open.empty()) {
        auto [cost, r] = open.top();
        open.pop();
        if (cost > best[r]) continue;
        for (int d : hex::Sides) {
            const std::uint16_t n = map.GetNeighbour(static_cast<std::uint16_t>(r), d);
            if (n == 0xFFFF) continue;
            const int c = cost + map.MovementCost(static_cast<std::uint16_t>(r), n);
            auto it = best.find(n);
            if (it == best.end() || c < it->second) {
                best[n] = c;
                open.push({c, n});
            }
        }
    }
    return best;
}

TEST(Search, ReachableSetEqualsCheapestCostWithinThePoints) {
    VhLogicalLandscape map;
    LoadDraft(map, datagen::MakeSampleLandscape(30, 25, 7));
    List<DIRECTION> six = SixSides();
    for (std::uint16_t start : {0, 1512, 2924, 707, 1403}) {
        const auto cheapest = Cheapest(map, start);
        for (std::int16_t points : {0, 3, 8, 14}) {
            List<short> out;
            map.FindRegionsInRange(out, six, start, points, 1, MovementStep, nullptr, nullptr, 0);
            std::set<int> expected;
            for (auto [r, c] : cheapest)
                if (c <= points) expected.insert(r);
            EXPECT_EQ(AsSet(Regions(out)), expected) << start << " with " << points;
        }
    }
}

TEST_F(SearchTest, PathsFollowEveryBranchToItsEnd) {
    List<DIRECTION> forward;
    forward.AddTail(North);
    forward.AddTail(NorthEast);
    List<short> out;
    List<List<short>> paths;
    map.FindRegionsInRange(out, forward, 202, 2, 1, nullptr, &paths, nullptr, 0);
    EXPECT_EQ(Regions(out), (std::vector<int>{202, 201, 301, 200, 300, 401}));
    std::vector<std::vector<int>> got;
    for (auto& p : Values(paths)) got.push_back(Regions(p));
    EXPECT_EQ(got, (std::vector<std::vector<int>>{{202, 201, 200}, {202, 201, 300}, {202, 301, 300}, {202, 301, 401}}));

    // A start with no way out is one dead-end path of itself.
    List<DIRECTION> up;
    up.AddTail(North);
    List<short> out2;
    List<List<short>> paths2;
    map.FindRegionsInRange(out2, up, 0, 3, 1, nullptr, &paths2, nullptr, 0);
    EXPECT_EQ(Regions(out2), (std::vector<int>{0}));
    ASSERT_EQ(paths2.Count(), 1);
    List<short> only;
    paths2.PeekHead(only);
    EXPECT_EQ(Regions(only), (std::vector<int>{0}));
}

TEST(Search, PathsAreStepsBetweenNeighboursFromTheStart) {
    VhLogicalLandscape map;
    LoadDraft(map, datagen::MakeSampleLandscape(20, 20, 3));
    List<DIRECTION> dirs;
    dirs.AddTail(SouthEast);
    dirs.AddTail(South);
    List<short> out, plain;
    List<List<short>> paths;
    map.FindRegionsInRange(out, dirs, 505, 12, 1, MovementStep, &paths, nullptr, 0);
    map.FindRegionsInRange(plain, dirs, 505, 12, 1, MovementStep, nullptr, nullptr, 0);
    EXPECT_EQ(AsSet(Regions(out)), AsSet(Regions(plain)));
    ASSERT_GT(paths.Count(), 0);
    for (auto& p : Values(paths)) {
        const auto v = Regions(p);
        ASSERT_FALSE(v.empty());
        EXPECT_EQ(v.front(), 505);
        for (std::size_t i = 1; i < v.size(); ++i)
            EXPECT_NE(map.DirectionToRegion(static_cast<std::uint16_t>(v[i - 1]), static_cast<std::uint16_t>(v[i])),
                      NoDirection);
    }
}

TEST_F(SearchTest, TwoHexUnitsCoverTheirSecondHex) {
    FakeCombat wide(1, 0);
    wide.twoHex = 1;
    wide.map = &map;
    wide.rightDirection = SouthEast;
    map.DeshadowRegions(&wide, 202);

    List<DIRECTION> six = SixSides();
    List<short> out, second;
    map.FindRegionsInRange(out, six, 202, 1, 1, nullptr, nullptr, &second, 1);
    const std::set<int> first{202, 101, 201, 301, 302, 203, 102};
    std::set<int> covered = first, secondOnly;
    for (int f : first) {
        const std::uint16_t s = map.GetNeighbour(static_cast<std::uint16_t>(f), SouthEast);
        if (s == 0xFFFF) continue;
        covered.insert(s);
        if (!first.count(s) && s != map.GetNeighbour(202, SouthEast)) secondOnly.insert(s);
    }
    EXPECT_EQ(AsSet(Regions(out)), covered);
    EXPECT_EQ(AsSet(Regions(second)), secondOnly);

    // Without the flag the unit counts as one hex.
    List<short> narrow;
    map.FindRegionsInRange(narrow, six, 202, 1, 1, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(AsSet(Regions(narrow)), first);
    map.ShadowRegions(&wide, 202);
}

TEST_F(SearchTest, ImpassableAndNegativeStepsAreSkipped) {
    const auto noNorth = [](std::uint16_t from, std::uint16_t to, VhLogicalLandscape*, VhUnit*) -> std::int16_t {
        return to % 100 < from % 100 ? -1 : 1;
    };
    const auto givesBack = [](std::uint16_t, std::uint16_t, VhLogicalLandscape*, VhUnit*) -> std::int16_t { return -3; };
    List<DIRECTION> six = SixSides();
    List<short> out;
    map.FindRegionsInRange(out, six, 202, 1, 1, noNorth, nullptr, nullptr, 0);
    EXPECT_EQ(AsSet(Regions(out)), (std::set<int>{202, 302, 203, 102}));
    // A step that would give points back cannot run the fill forever.
    List<short> back;
    map.FindRegionsInRange(back, six, 202, 2, 1, givesBack, nullptr, nullptr, 0);
    EXPECT_EQ(Regions(back), (std::vector<int>{202}));
}

// Road searches: a ladder of two north-south roads (columns 2 and 6) with rungs along rows 3, 7
// and 11, and a separate long road down column 9.
class RoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        datagen::LandscapeDraft d(12, 60);
        for (int r = 0; r < 14; ++r) {
            d.AddTerrain(static_cast<unsigned short>(200 + r), 12);
            d.AddTerrain(static_cast<unsigned short>(600 + r), 12);
        }
        for (int r : {3, 7, 11})
            for (int c = 3; c < 6; ++c) d.AddTerrain(static_cast<unsigned short>(c * 100 + r), 12);
        for (int r = 0; r < 60; ++r) d.AddTerrain(static_cast<unsigned short>(900 + r), 12);
        LoadDraft(map, d);
        group.SetLeader(&leader);
        leader.group = &group;
    }
    VhLogicalLandscape map;
    Group group;
    FakeLeader leader{50, 0};
};

// The road search as first written: breadth first with no memory of where it has been. Used only
// where its queue stays small.
std::vector<int> UnprunedRoadPath(VhLogicalLandscape& map, std::uint16_t from, std::uint16_t to) {
    static const int fan[9][3] = {{0}, {8, 1, 2}, {1, 2, 4}, {0}, {2, 4, 5}, {4, 5, 6}, {5, 6, 8}, {0}, {6, 8, 1}};
    struct E {
        std::uint16_t r;
        int p;
        std::vector<int> path;
        int h;
    };
    if (from == to) return {};
    std::deque<E> q;
    for (int d = 1; d <= 8; ++d) {
        const std::uint16_t n = map.GetNeighbour(from, d);
        if (n != 0xFFFF && map.RegionHasFeature(n, 12)) q.push_back({n, 99, {from, n}, d});
    }
    while (!q.empty()) {
        E e = q.front();
        q.pop_front();
        if (e.r == to) return e.path;
        if (e.p <= 0) continue;
        for (int d : fan[e.h]) {
            const std::uint16_t n = map.GetNeighbour(e.r, d);
            if (n == 0xFFFF || !map.RegionHasFeature(n, 12)) continue;
            auto path = e.path;
            path.push_back(n);
            q.push_back({n, e.p - 2, path, d});
        }
        EXPECT_LT(q.size(), 200000u) << "reference search ran away";
        if (q.size() >= 200000u) return {};
    }
    return {};
}

TEST_F(RoadTest, PathsAlongTheLadderMatchTheUnprunedSearch) {
    for (std::uint16_t to : {205, 607, 611, 203, 413, 600, 211, 507}) {
        List<short> out;
        map.FindRoadPath(out, 200, to, &group);
        EXPECT_EQ(Regions(out), UnprunedRoadPath(map, 200, to)) << to;
    }
}

TEST_F(RoadTest, EmptyPaths) {
    List<short> out;
    out.AddTail(5);
    map.FindRoadPath(out, 203, 203, &group);
    EXPECT_TRUE(out.IsEmpty());
    out.AddTail(5);
    map.FindRoadPath(out, 200, 100, &group);
    EXPECT_TRUE(out.IsEmpty());
    // Two road nets that do not meet.
    map.FindRoadPath(out, 200, 905, &group);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(RoadTest, NeverTurnsMoreThanOneSide) {
    List<short> out;
    map.FindRoadPath(out, 200, 611, &group);
    const auto v = Regions(out);
    ASSERT_GE(v.size(), 3u);
    for (std::size_t i = 2; i < v.size(); ++i) {
        const int a = map.DirectionToRegion(static_cast<std::uint16_t>(v[i - 2]), static_cast<std::uint16_t>(v[i - 1]));
        const int b = map.DirectionToRegion(static_cast<std::uint16_t>(v[i - 1]), static_cast<std::uint16_t>(v[i]));
        const int sa = static_cast<int>(std::find(hex::Sides.begin(), hex::Sides.end(), a) - hex::Sides.begin());
        const int sb = static_cast<int>(std::find(hex::Sides.begin(), hex::Sides.end(), b) - hex::Sides.begin());
        const int turn = std::abs(sa - sb);
        EXPECT_LE(std::min(turn, 6 - turn), 1) << v[i - 1];
    }
}

TEST_F(RoadTest, BudgetEndsAfterFiftyOneSteps) {
    List<short> out;
    map.FindRoadPath(out, 900, 951, &group);
    EXPECT_EQ(out.Count(), 52);
    map.FindRoadPath(out, 900, 952, &group);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(RoadTest, UnitsOnTheRoad) {
    FakeCombat enemy(1, 1), friendInfantry(2, 0), friendGuns(3, 0, ArtilleryKind), member(4, 0);
    FakeLeader friendLeader(5, 0);
    group.AddUnit(&member);
    struct Case {
        VhUnit* unit;
        bool blocks;
    } cases[] = {{&enemy, true}, {&friendInfantry, true}, {&friendGuns, false}, {&friendLeader, false}, {&member, false}};
    for (const auto& c : cases) {
        map.DeshadowRegions(c.unit, 906);
        List<short> out;
        map.FindRoadPath(out, 900, 910, &group);
        EXPECT_EQ(out.IsEmpty(), c.blocks) << c.unit->GetUnitNum();
        map.ShadowRegions(c.unit, 906);
    }
}

TEST(RoadSearch, LoopedRoadsEndQuickly) {
    // Every region a road: without memory of visited states the queue would grow as 3^n.
    datagen::LandscapeDraft d(40, 40);
    for (int c = 0; c < 40; ++c)
        for (int r = 0; r < 40; ++r) d.AddTerrain(static_cast<unsigned short>(c * 100 + r), 12);
    VhLogicalLandscape map;
    LoadDraft(map, d);
    Group group;
    FakeLeader leader(1, 0);
    group.SetLeader(&leader);
    for (std::uint16_t to : {3920, 3900, 39, 2020}) {
        List<short> out;
        map.FindRoadPath(out, 0, to, &group);
        EXPECT_EQ(out.Count(), map.RegionDistance(0, to) + 1) << to;
    }
    List<short> none;
    map.FindRoadPath(none, 0, 3939, &group);
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(RoadTest, GroupRoadRegions) {
    leader.SetLocation(204);
    map.DeshadowRegions(&leader, 204);
    FakeCombat blocker(9, 0);
    map.DeshadowRegions(&blocker, 207);
    List<short> out;
    map.FindGroupRoadRegions(out, &group, 4);
    // Budget 4: three road steps from the leader, in the order they are reached; 207 is held by a
    // unit of another group, which also ends the road that way.
    EXPECT_EQ(Regions(out), (std::vector<int>{204, 203, 303, 205, 202, 403, 206, 201, 503}));
    map.ShadowRegions(&blocker, 207);
    map.ShadowRegions(&leader, 204);
}

struct PerUnitCalls {
    static inline std::vector<std::pair<int, int>> calls;
    static void Record(std::uint16_t region, VhUnit* unit) { calls.push_back({region, unit->GetUnitNum()}); }
};

TEST_F(SearchTest, GroupShiftsAsAFormation) {
    FakeLeader chief(10, 0);
    FakeCombat a(11, 0), stranger(12, 0);
    Group g;
    g.SetLeader(&chief);
    g.AddUnit(&a);
    chief.SetLocation(202);
    a.SetLocation(203);
    map.DeshadowRegions(&chief, 202);
    map.DeshadowRegions(&a, 203);
    List<DIRECTION> south;
    south.AddTail(South);

    PerUnitCalls::calls.clear();
    List<short> out;
    map.FindGroupRegionsInRange(out, south, &g, 2, nullptr, PerUnitCalls::Record, 0);
    // 202 → 203 (a to 204), then the formation would leave the map.
    EXPECT_EQ(Regions(out), (std::vector<int>{202, 203}));
    EXPECT_EQ(PerUnitCalls::calls, (std::vector<std::pair<int, int>>{{203, 10}, {204, 11}, {202, 10}, {203, 11}}));

    PerUnitCalls::calls.clear();
    List<short> first;
    map.FindGroupRegionsInRange(first, south, &g, 2, nullptr, PerUnitCalls::Record, 1);
    EXPECT_EQ(Regions(first), (std::vector<int>{202, 203}));
    EXPECT_TRUE(PerUnitCalls::calls.empty());

    // A unit outside the group in the way blocks the shift.
    map.DeshadowRegions(&stranger, 204);
    List<short> blocked;
    map.FindGroupRegionsInRange(blocked, south, &g, 2, nullptr, nullptr, 0);
    EXPECT_EQ(Regions(blocked), (std::vector<int>{202}));
    map.ShadowRegions(&stranger, 204);

    // One point: a leader without the group flag still moves one hex at the cost of two.
    const auto costTwo = [](std::uint16_t, std::uint16_t, VhLogicalLandscape*, VhUnit*) -> std::int16_t { return 2; };
    List<DIRECTION> north;
    north.AddTail(North);
    chief.groupFlag = 0;
    List<short> one;
    map.FindGroupRegionsInRange(one, north, &g, 1, costTwo, nullptr, 0);
    EXPECT_EQ(Regions(one), (std::vector<int>{202, 201}));
    chief.groupFlag = 1;
    List<short> none;
    map.FindGroupRegionsInRange(none, north, &g, 1, costTwo, nullptr, 0);
    EXPECT_EQ(Regions(none), (std::vector<int>{202}));
    map.ShadowRegions(&a, 203);
    map.ShadowRegions(&chief, 202);
}

} // namespace
