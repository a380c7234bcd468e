#include "fake_units.h"
#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "landscape_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using testing_units::FakeCombat;
using testing_units::FakeLeader;
using testing_units::LoadDraft;
using testing_units::Regions;

// A landscape that keeps what it would announce to the display.
class RecordingLandscape : public VhLogicalLandscape {
public:
    struct Announcement {
        std::string message;
        std::set<int> regions;
    };
    std::vector<Announcement> announced;

protected:
    void AnnounceShadow(const char* message, List<short>& changed) override {
        const auto v = Regions(changed);
        announced.push_back({message, {v.begin(), v.end()}});
    }
};

class FogTest : public ::testing::Test {
protected:
    void SetUp() override {
        datagen::LandscapeDraft d(14, 12);
        // A wood (code 1) of 703 and its six neighbours; a hill two levels up at 1006.
        for (unsigned short r : {703, 702, 803, 804, 704, 604, 603}) d.AddTerrain(r, 1);
        d.SetElevation(1006, 2);
        LoadDraft(map, d);
    }
    std::set<int> Visible() {
        std::set<int> out;
        for (int i = 0; i < map.GetRegionCount(); ++i) {
            const std::uint16_t n = map.IndexToNumber(i);
            if (map.GetViewerCount(n) != 0xFFFF && map.GetViewerCount(n) > 0) out.insert(n);
        }
        return out;
    }
    std::set<int> Disk(std::uint16_t centre, int range) {
        std::set<int> out;
        for (int i = 0; i < map.GetRegionCount(); ++i) {
            const std::uint16_t n = map.IndexToNumber(i);
            if (map.IsValidRegion(n) && map.RegionDistance(centre, n) <= range) out.insert(n);
        }
        return out;
    }
    RecordingLandscape map;
};

TEST_F(FogTest, WithoutFogNothingIsAnnounced) {
    FakeCombat u(1, 0);
    map.DeshadowRegions(&u, 303);
    EXPECT_EQ(map.ShadowRegions(&u, 303), &u);
    EXPECT_TRUE(map.announced.empty());
    EXPECT_TRUE(map.IsRegionVisible(909));
}

TEST_F(FogTest, SightReachesFourStepsOnOpenGround) {
    FakeCombat u(1, 0), enemy(2, 1);
    map.DeshadowRegions(&enemy, 1110);
    map.SetFogOfWar(0);
    ASSERT_EQ(map.announced.size(), 1u);
    EXPECT_EQ(map.announced[0].message, "Shadow Region");
    // Every place is hidden; half hexes are never counted.
    EXPECT_EQ(map.announced[0].regions.size(), 14u * 12u - 7u);
    EXPECT_FALSE(map.IsRegionVisible(1110));

    map.DeshadowRegions(&u, 306);
    ASSERT_EQ(map.announced.size(), 2u);
    EXPECT_EQ(map.announced[1].message, "Deshadow Region");
    EXPECT_EQ(map.announced[1].regions, Disk(306, 4));
    EXPECT_EQ(Visible(), Disk(306, 4));
    for (int r : Disk(306, 4)) EXPECT_EQ(map.GetViewerCount(static_cast<std::uint16_t>(r)), 1) << r;

    // The enemy's own moves change nothing for us.
    map.ShadowRegions(&enemy, 1110);
    EXPECT_EQ(map.announced.size(), 2u);

    EXPECT_EQ(map.ShadowRegions(&u, 306), &u);
    EXPECT_EQ(map.announced.back().message, "Shadow Region");
    EXPECT_EQ(map.announced.back().regions, Disk(306, 4));
    EXPECT_TRUE(Visible().empty());
}

TEST_F(FogTest, WoodsAndHillsStopSight) {
    FakeCombat u(1, 0);
    map.SetFogOfWar(0);
    // Inside the wood a unit sees no further than its own region.
    map.DeshadowRegions(&u, 703);
    EXPECT_EQ(Visible(), (std::set<int>{703}));
    map.ShadowRegions(&u, 703);

    // Sight enters the wood from open ground, but does not pass on into the wood's heart.
    map.DeshadowRegions(&u, 701);
    EXPECT_EQ(map.GetViewerCount(702), 1);
    EXPECT_EQ(map.GetViewerCount(703), 0);
    map.ShadowRegions(&u, 701);

    // A climb of two levels stops sight; a descent does not.
    map.DeshadowRegions(&u, 1005);
    EXPECT_EQ(map.GetViewerCount(1006), 0);
    map.ShadowRegions(&u, 1005);
    map.DeshadowRegions(&u, 1006);
    EXPECT_EQ(map.GetViewerCount(1005), 1);
    EXPECT_EQ(map.GetViewerCount(1008), 1);
    map.ShadowRegions(&u, 1006);
    EXPECT_TRUE(Visible().empty());
}

TEST_F(FogTest, TwoViewersAndTurningTheFogOnTwice) {
    FakeCombat a(1, 0), b(2, 0);
    map.DeshadowRegions(&a, 505);
    map.DeshadowRegions(&b, 506);
    map.SetFogOfWar(0);
    EXPECT_EQ(map.GetViewerCount(505), 2);
    map.SetFogOfWar(0);
    EXPECT_EQ(map.GetViewerCount(505), 2);
    map.ShadowRegions(&a, 505);
    EXPECT_EQ(map.GetViewerCount(505), 1);
    EXPECT_TRUE(map.IsRegionVisible(505));
    map.ShadowRegions(&b, 506);
    EXPECT_FALSE(map.IsRegionVisible(505));
    EXPECT_TRUE(Visible().empty());
}

TEST_F(FogTest, RemovingAUnitThatIsNotThereChangesNothing) {
    FakeCombat a(1, 0), b(2, 0);
    map.SetFogOfWar(0);
    map.DeshadowRegions(&a, 505);
    const auto before = map.announced.size();
    EXPECT_EQ(map.ShadowRegions(&b, 505), nullptr);
    EXPECT_EQ(map.ShadowRegions(&a, 606), nullptr);
    EXPECT_EQ(map.RemoveUnitFromRegion(2, 505), nullptr);
    EXPECT_EQ(map.announced.size(), before);
    EXPECT_EQ(map.GetViewerCount(505), 1);
    EXPECT_EQ(map.RemoveUnitFromRegion(1, 505), &a);
    EXPECT_EQ(map.GetViewerCount(505), 0);
    EXPECT_FALSE(map.IsRegionOccupied(505));
}

class OccupancyTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDraft(map, datagen::LandscapeDraft(10, 10)); }
    void Place(VhUnit* u, std::uint16_t region) {
        u->SetLocation(region);
        map.DeshadowRegions(u, region);
    }
    VhLogicalLandscape map;
};

TEST_F(OccupancyTest, UnitListsKeepArrivalOrder) {
    FakeCombat a(1, 0), b(2, 1);
    EXPECT_FALSE(map.IsRegionOccupied(404));
    EXPECT_EQ(map.FirstUnitIn(404), nullptr);
    Place(&a, 404);
    Place(&b, 404);
    EXPECT_TRUE(map.IsRegionOccupied(404));
    EXPECT_EQ(map.FirstUnitIn(404), &a);
    EXPECT_EQ(map.GetUnitsInRegion(404).Count(), 2);
    EXPECT_FALSE(map.IsRegionHostile(404, 0));
    EXPECT_TRUE(map.IsRegionHostile(404, 1));
    map.ShadowRegions(&a, 404);
    EXPECT_EQ(map.FirstUnitIn(404), &b);
    // A region off the map has nobody, however often it is asked.
    map.GetUnitsInRegion(9999).AddTail(&a);
    EXPECT_TRUE(map.GetUnitsInRegion(9999).IsEmpty());
    EXPECT_FALSE(map.IsRegionOccupied(0xFFFF));
}

TEST_F(OccupancyTest, AdjacencyAndThreat) {
    FakeCombat enemy(1, 1), own(2, 0, 7);
    FakeLeader enemyLeader(3, 1);
    Place(&enemy, 405);
    EXPECT_TRUE(map.IsAdjacentToEnemy(404, 0, 0));
    EXPECT_FALSE(map.IsAdjacentToEnemy(404, 1, 0));
    EXPECT_FALSE(map.IsAdjacentToEnemy(404, 0, 1));
    EXPECT_FALSE(map.IsAdjacentToEnemy(402, 0, 0));
    Place(&enemyLeader, 403);
    EXPECT_TRUE(map.IsAdjacentToEnemy(404, 0, 1));

    EXPECT_FALSE(map.IsRegionThreatened(404, 0));
    enemy.front = {404};
    EXPECT_TRUE(map.IsRegionThreatened(404, 0));
    EXPECT_FALSE(map.IsRegionThreatened(404, 1));
    // A unit of kind 7 standing there is never threatened.
    Place(&own, 404);
    EXPECT_FALSE(map.IsRegionThreatened(404, 0));
}

TEST_F(OccupancyTest, EnemyContactByKinds) {
    struct Case {
        int ownKind;
        int ownMounted;
        bool enemyIsLeader;
        int enemyKind;
        bool contact;
    } cases[] = {
        {InfantryKind, 0, false, SupplyWagonKind, true},
        {SupplyWagonKind, 0, false, SupplyWagonKind, false},
        {InfantryKind, 0, false, 10, true},
        {CavalryKind, 0, false, 10, true},
        {CavalryKind, 1, false, 10, false},
        {InfantryKind, 0, false, ArtilleryKind, true},
        {CavalryKind, 1, false, ArtilleryKind, true},
        {ArtilleryKind, 0, false, InfantryKind, false},
        {InfantryKind, 0, false, InfantryKind, false},
        {InfantryKind, 0, true, 0, true},
    };
    for (const auto& c : cases) {
        VhLogicalLandscape m;
        LoadDraft(m, datagen::LandscapeDraft(10, 10));
        FakeCombat own(1, 0, c.ownKind), enemy(2, 1, c.enemyKind);
        FakeLeader enemyLeader(3, 1);
        own.mounted = c.ownMounted;
        VhUnit* x = c.enemyIsLeader ? static_cast<VhUnit*>(&enemyLeader) : &enemy;
        m.DeshadowRegions(x, 405);
        EXPECT_EQ(m.IsInEnemyContact(404, 0, &own), c.contact)
            << c.ownKind << "/" << c.ownMounted << " against " << (c.enemyIsLeader ? -1 : c.enemyKind);
    }
}

TEST_F(OccupancyTest, EnemyContactExceptions) {
    FakeCombat own(1, 0), enemy(2, 1, ArtilleryKind), friendHolding(3, 0);
    FakeLeader ownLeader(4, 0);
    Place(&enemy, 405);
    EXPECT_TRUE(map.IsInEnemyContact(404, 0, &own));
    // A leader is never in contact.
    EXPECT_FALSE(map.IsInEnemyContact(404, 0, &ownLeader));
    // A routed enemy does not engage.
    enemy.routed = 1;
    EXPECT_FALSE(map.IsInEnemyContact(404, 0, &own));
    enemy.routed = 0;
    // An enemy already held in the front of another of our combat units is skipped.
    friendHolding.front = {405};
    Place(&friendHolding, 406);
    EXPECT_FALSE(map.IsInEnemyContact(404, 0, &own));
    friendHolding.front.clear();
    EXPECT_TRUE(map.IsInEnemyContact(404, 0, &own));
}

TEST_F(OccupancyTest, SupplyWagonsInRange) {
    FakeCombat own(1, 0), wagon(2, 0, SupplyWagonKind), enemyWagon(3, 1, SupplyWagonKind);
    Place(&own, 404);
    Place(&enemyWagon, 405);
    EXPECT_FALSE(map.IsSupplyWagonInRange(&own, 3));
    Place(&wagon, 407);
    EXPECT_FALSE(map.IsSupplyWagonInRange(&own, 2));
    EXPECT_TRUE(map.IsSupplyWagonInRange(&own, 3));
    EXPECT_FALSE(map.IsSupplyWagonInRange(&own, 0));
}

TEST_F(OccupancyTest, RegionLocks) {
    const UnitLocationStruct one(1, 404, 0xFFFF, 0), two(2, 404, 505, 0), twoElsewhere(2, 606, 505, 0);
    EXPECT_TRUE(map.OnLockLocation(one));
    EXPECT_EQ(map.GetLockOwner(404), 1);
    // Held by another unit, and by the same unit: both refused, nothing changes.
    EXPECT_FALSE(map.OnLockLocation(two));
    EXPECT_FALSE(map.OnLockLocation(one));
    EXPECT_EQ(map.GetLockOwner(505), 0xFFFF);
    // Two hexes are all or nothing.
    EXPECT_TRUE(map.OnLockLocation(UnitLocationStruct(3, 707, 505, 0)));
    EXPECT_FALSE(map.OnLockLocation(twoElsewhere));
    EXPECT_EQ(map.GetLockOwner(606), 0xFFFF);
    // Unlocking frees only what the unit holds.
    map.OnUnlockLocation(UnitLocationStruct(2, 404, 707, 0));
    EXPECT_EQ(map.GetLockOwner(404), 1);
    EXPECT_EQ(map.GetLockOwner(707), 3);
    map.OnUnlockLocation(UnitLocationStruct(3, 707, 505, 0));
    EXPECT_EQ(map.GetLockOwner(707), 0xFFFF);
    EXPECT_EQ(map.GetLockOwner(505), 0xFFFF);
    // Places off the map cannot be locked.
    EXPECT_FALSE(map.OnLockLocation(UnitLocationStruct(4, 9999, 0xFFFF, 0)));
    EXPECT_FALSE(map.OnLockLocation(UnitLocationStruct(4, 303, 9999, 0)));
    EXPECT_EQ(map.GetLockOwner(303), 0xFFFF);
    map.FreeAllLocks();
    EXPECT_EQ(map.GetLockOwner(404), 0xFFFF);
}

} // namespace
