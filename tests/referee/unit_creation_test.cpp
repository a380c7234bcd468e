#include "game/logic/vh_logical_landscape.h"
#include "scenario_fixture.h"

namespace {

using referee_testing::SmallMap;

// Unit creation on its own: the layer given a map, two nations and their edges, then a unit
// section read from a stream.
class CreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        auto* map = new VhLogicalLandscape();
        const auto bytes = datagen::WriteLandscape(SmallMap());
        ASSERT_EQ(map->LoadFromBytes(bytes), 1);
        map->AttachToBus(&shell->Layer());
        shell->Layer().SetBattleFrame(map, 1000, 0, 1, 7, 3);
        control = new GameControl("Varnhold Game Controller");
        control->AttachToBus(&shell->Layer());
    }
    void TearDown() override {
        delete control;
        shell.reset();
    }
    int Create(const std::vector<datagen::UnitRecordDraft>& records) {
        SuperString s;
        s << static_cast<unsigned int>(records.size());
        for (const auto& r : records) {
            const auto bytes = datagen::WriteUnitRecord(r);
            s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        }
        return shell->Layer().CreateUnits(s, 0);
    }

    std::unique_ptr<shell::GameShell> shell;
    GameControl* control = nullptr;
};

TEST_F(CreationTest, AnEmptySectionStillAsksForTheArt) {
    EXPECT_EQ(Create({}), 1);
    ASSERT_EQ(shell->Application().preloads.size(), 1u);
    EXPECT_TRUE(shell->Application().preloads[0].empty());
    EXPECT_EQ(shell->Layer().GetNextUnitNumber(), 0);
}

TEST_F(CreationTest, EachArtIsPreloadedOnce) {
    EXPECT_EQ(Create({datagen::InfantryRecord("A", 0, 1202, 4, -1), datagen::InfantryRecord("B", 0, 1203, 4, -1),
                      datagen::WagonRecord("C", 1, 1505, 8, -1)}),
              1);
    EXPECT_EQ(shell->Application().preloads[0], (std::vector<short>{4, 8}));
}

TEST_F(CreationTest, ArrivalsAgainstTheCurrentTurn) {
    shell->Layer().SetHeaderWord(2);
    auto now = datagen::InfantryRecord("On time", 0, 1202, 4, -1);
    now.arrival = 2;
    auto later = datagen::InfantryRecord("Later", 0, 1203, 4, -1);
    later.arrival = 3;
    auto leader = datagen::LeaderRecord("Gen. Marrick", 0, 1204, 1, -1, -1);
    leader.arrival = 1;
    ASSERT_EQ(Create({now, later, leader}), 1);
    VhLogicalLayer& layer = shell->Layer();
    EXPECT_EQ(layer.FindUnit(0)->GetLocation(), 202);
    EXPECT_EQ(layer.GetLandscape()->FirstUnitIn(202), layer.FindUnit(0));
    EXPECT_EQ(layer.FindUnit(1)->GetLocation(), 0xFFFF);
    EXPECT_FALSE(layer.GetLandscape()->IsRegionOccupied(203));
    // A leader with any arrival turn waits, whatever the current turn.
    EXPECT_EQ(layer.FindUnit(2)->GetLocation(), 0xFFFF);
    const auto& created = shell->Display().created;
    ASSERT_EQ(created.size(), 3u);
    EXPECT_EQ(created[0].info.awaitingArrival, 0);
    EXPECT_EQ(created[1].info.awaitingArrival, 1);
    EXPECT_EQ(created[2].info.awaitingArrival, 1);
    // Awaiting or not, the display hears of the region the unit starts from.
    EXPECT_EQ(created[1].region, 203);
}

TEST_F(CreationTest, LeadersReachTheControllerAndUnitsTheirNationLists) {
    auto lee = datagen::LeaderRecord("Gen. Harrowgate", 1, 1905, 2, 11, -1, 0);
    auto stray = datagen::InfantryRecord("Stray", 1, 1906, 6, 11);
    ASSERT_EQ(Create({datagen::InfantryRecord("Home", 0, 1202, 4, 1), lee, stray}), 1);
    ASSERT_EQ(control->GetLeaderCount(), 2);
    EXPECT_EQ(control->GetLeaderInfo(1).name, "Gen. Harrowgate");
    EXPECT_EQ(control->GetLeaderInfo(1).side, 1);
    EXPECT_EQ(control->GetLeaderInfo(1).leaderClass, 1);
    EXPECT_EQ(control->GetLeaderInfo(1).leader, shell->Layer().FindUnit(1));
    VhLogicalLayer& layer = shell->Layer();
    EXPECT_EQ(layer.GetFirstNationCombatUnits().Count(), 1);
    EXPECT_EQ(layer.GetSecondNationCombatUnits().Count(), 1);
    EXPECT_EQ(layer.GetSecondNationLeaders().Count(), 1);
    EXPECT_EQ(layer.FindUnit(0)->GetRetreatEdge(), 7u);
    EXPECT_EQ(layer.FindUnit(2)->GetRetreatEdge(), 3u);
    // Every unit joins the layer's bus.
    EXPECT_EQ(layer.FindUnit(2)->GetBus(), &layer);
}

TEST_F(CreationTest, RecordsAreReadAsTheFileHoldsThem) {
    auto cav = datagen::CavalryRecord("Horse", 0, 1302, 10, -1);
    cav.facing = 0;
    cav.movement = 5;
    cav.weaponCode = 11;
    cav.fireRating = -2;
    cav.initialFormation = 0;
    auto gun = datagen::ArtilleryRecord("Guns", 0, 1402, 12, -1);
    gun.weaponCode = 8;
    ASSERT_EQ(Create({cav, gun}), 1);
    auto* horse = dynamic_cast<LightCav*>(shell->Layer().FindUnit(0));
    ASSERT_NE(horse, nullptr);
    EXPECT_EQ(horse->GetFacing(), 3u);
    EXPECT_EQ(horse->GetMovementAllowance(), 10);
    EXPECT_EQ(horse->GetMissileType(), 22u);
    EXPECT_EQ(horse->GetMaxRange(), 7);
    EXPECT_EQ(horse->GetFireRating(), -2);
    EXPECT_FALSE(horse->IsInLine());
    EXPECT_TRUE(horse->IsMounted());
    auto* guns = dynamic_cast<Artillery*>(shell->Layer().FindUnit(1));
    ASSERT_NE(guns, nullptr);
    EXPECT_EQ(guns->GetMissileType(), 19u);
    EXPECT_EQ(guns->GetMissiles(), 15);
    EXPECT_EQ(guns->GetFacingSide(), 2);
    EXPECT_TRUE(guns->IsLimbered());
}

TEST_F(CreationTest, AFailureLeavesWhatWasMadeForCloseGame) {
    auto bad = datagen::InfantryRecord("Bad", 0, 1203, -1, -1);
    const int live = LiveUnitObjects();
    EXPECT_THROW(Create({datagen::InfantryRecord("Good", 0, 1202, 4, -1), bad}), ScenarioError);
    EXPECT_EQ(shell->Layer().GetCombatUnits().Count(), 1);
    delete control;
    control = nullptr;
    shell->CloseGame();
    EXPECT_LE(LiveUnitObjects(), live);
}

} // namespace
