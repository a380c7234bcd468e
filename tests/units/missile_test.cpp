#include "core/message_registry.h"
#include "game/logic/game_random.h"
#include "game/logic/logical_command.h"
#include "units_fixture.h"

#include <set>

namespace {

using units_testing::UnitsTest;

// Hears the refills that every machine would apply.
struct Refills : Component {
    std::vector<ReplenishMissilesInfo> heard;
    std::vector<std::string> commentary;
    Refills() : Component("Refills") {}
    void Connect() override {
        RegisterNamedHandler("ReplenishMissiles", Heard);
        RegisterNamedHandler("AddCommentary", Said);
    }
    static ContainerBase* Heard(Component* c, BusMessage, ContainerBase* p) {
        if (auto* r = PayloadValue<ReplenishMissilesInfo>(p)) static_cast<Refills*>(c)->heard.push_back(*r);
        return nullptr;
    }
    static ContainerBase* Said(Component* c, BusMessage, ContainerBase* p) {
        if (auto* t = PayloadValue<std::string>(p)) static_cast<Refills*>(c)->commentary.push_back(*t);
        return nullptr;
    }
};

class RidgeTest : public UnitsTest {
protected:
    // A ridge between 404 and 604: the two hexes east of 404 stand high.
    void Shape(datagen::LandscapeDraft& d) override {
        if (high) {
            d.SetElevation(503, 3);
            d.SetElevation(504, 3);
        }
        if (firerHigh) d.SetElevation(404, 3);
    }
    bool high = false;
    bool firerHigh = false;
};

TEST_F(UnitsTest, EnemiesInTheArcAreTargets) {
    auto* firer = Make<MediumInfantry>(MissileRecord(1, 0, 404));
    Make<MediumInfantry>(MissileRecord(2, 1, 604));
    Make<MediumInfantry>(MissileRecord(3, 0, 504));
    Make<MediumInfantry>(MissileRecord(4, 1, 304)); // behind
    Make<MediumInfantry>(MissileRecord(5, 1, 704)); // out of range
    auto targets = firer->ComputeMissileTargets();
    ASSERT_EQ(targets.Count(), 1);
    short t = 0;
    targets.PeekHead(t);
    EXPECT_EQ(t, 604);
    EXPECT_EQ(firer->CanFireAt(604), 1);
    EXPECT_EQ(firer->CanFireAt(504), 0);
    // Facing north or south gives no arc at all.
    firer->SetFacing(1);
    EXPECT_EQ(firer->ComputeMissileTargets().Count(), 0);
    firer->SetFacing(5);
    EXPECT_EQ(firer->ComputeMissileTargets().Count(), 0);
    // A weapon without a range has no targets.
    auto* musket = Make<MediumInfantry>(MissileRecord(6, 0, 405, 10));
    EXPECT_EQ(musket->GetMaxRange(), 0);
    EXPECT_EQ(musket->GetMissiles(), 0);
    EXPECT_EQ(musket->ComputeMissileTargets().Count(), 0);
    EXPECT_FALSE(musket->CanFireNow());
}

TEST_F(RidgeTest, HigherGroundBetweenHidesTheTarget) {
    struct Case {
        bool ridge, firerOnIt, seen;
    } cases[] = {{false, false, true}, {true, false, false}, {true, true, true}};
    for (const auto& c : cases) {
        high = c.ridge;
        firerHigh = c.firerOnIt;
        TearDown();
        SetUp();
        auto* firer = Make<MediumInfantry>(MissileRecord(1, 0, 404));
        Make<MediumInfantry>(MissileRecord(2, 1, 604));
        EXPECT_EQ(firer->ComputeMissileTargets().Contains(604), c.seen) << c.ridge << c.firerOnIt;
    }
}

TEST_F(UnitsTest, PartialResupplyDrawsFromTheGameRandomSource) {
    Refills refills;
    refills.AttachToBus(&shell->Layer());
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404, 16));
    std::set<int> amounts;
    for (std::uint32_t seed = 1; seed < 40; ++seed) {
        unit->ReplenishMissiles(0);
        SeedGameRandom(seed);
        const int expected = GameRandom() % 3;
        SeedGameRandom(seed);
        unit->Resupply();
        ASSERT_FALSE(refills.heard.empty());
        EXPECT_EQ(refills.heard.back().value, expected);
        EXPECT_EQ(refills.heard.back().unit, 1);
        amounts.insert(refills.heard.back().value);
    }
    EXPECT_EQ(amounts, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(refills.commentary.back(), "\\B\\N0Unnamed Medium Infantry (MI)\\n\\b re-supplied ammunition.");
}

TEST_F(UnitsTest, AFriendlyWagonNearbyRefillsInFull) {
    Refills refills;
    refills.AttachToBus(&shell->Layer());
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404, 18));
    CombatUnitData wagon;
    wagon.unitNumber = 2;
    wagon.side = 1;
    wagon.region = 707;
    wagon.troopQuality = 2;
    wagon.landscape = map.get();
    Make<SupplyWagon>(wagon);
    unit->ReplenishMissiles(0);
    unit->Resupply();
    // An enemy wagon does not help: half a load at most.
    ASSERT_EQ(refills.heard.size(), 1u);
    EXPECT_LT(refills.heard[0].value, 5);
    wagon.unitNumber = 3;
    wagon.side = 0;
    wagon.region = 604;
    Make<SupplyWagon>(wagon);
    unit->Resupply();
    ASSERT_EQ(refills.heard.size(), 2u);
    EXPECT_EQ(refills.heard[1].value, 10);
    // A unit that still has ammunition, or that is routed, gets nothing.
    unit->ReplenishMissiles(3);
    unit->Resupply();
    unit->ResupplyFull();
    EXPECT_EQ(refills.heard.size(), 2u);
}

TEST_F(UnitsTest, ACapturedWagonRefillsTheEnemyNearby) {
    Refills refills;
    refills.AttachToBus(&shell->Layer());
    CombatUnitData wagon;
    wagon.unitNumber = 1;
    wagon.side = 0;
    wagon.region = 101;
    wagon.troopQuality = 2;
    wagon.landscape = map.get();
    auto* train = Make<SupplyWagon>(wagon, "Train");
    auto* near = Make<MediumInfantry>(MissileRecord(2, 1, 103, 16));
    auto* far = Make<MediumInfantry>(MissileRecord(3, 1, 907, 16));
    auto* own = Make<MediumInfantry>(MissileRecord(4, 0, 102, 16));
    auto* stocked = Make<Artillery>(MissileRecord(5, 1, 201, 19));
    for (MissileCapable* u : {static_cast<MissileCapable*>(near), static_cast<MissileCapable*>(far),
                              static_cast<MissileCapable*>(own)})
        u->ReplenishMissiles(0);
    (void)stocked;
    ASSERT_GT(map->RegionDistance(101, 907), 5);
    train->RemoveFromPlay();
    ASSERT_EQ(refills.heard.size(), 1u);
    EXPECT_EQ(refills.heard[0].unit, 2);
    EXPECT_EQ(refills.heard[0].value, 6);
    EXPECT_TRUE(train->IsRemoved());
    EXPECT_EQ(Commands(1), std::vector<std::string>{"UnitEliminated"});
}

TEST_F(UnitsTest, AVolleySpendsAMissileAndWaitsForItsPicture) {
    auto* firer = Make<MediumInfantry>(MissileRecord(1, 0, 404, 16));
    firer->DoMissileFire(604);
    EXPECT_EQ(firer->GetMissiles(), 5);
    const auto& commands = shell->Display().commands;
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(MessageName(commands[0].command.Number()), "MissileFire");
    EXPECT_EQ(MessageName(commands[0].reply.Number()), "ReturnFromMissileFire");
    EXPECT_EQ(commands[0].region, 604);
    short bearing = -1;
    EXPECT_TRUE(ExtractData(commands[0].data, bearing));
    EXPECT_EQ(bearing, map->BearingToRegion(404, 604));
    MissileDebrisStruct debris;
    ASSERT_TRUE(ExtractData(commands[0].replyData, debris));
    EXPECT_EQ(debris.wordA, 604);
    EXPECT_EQ(debris.longA, 16u);
    EXPECT_EQ(debris.wordB, 1);
    EXPECT_EQ(debris.longB, InfantryKind);
    // With nothing left the volley still plays and the count stays at 0.
    firer->ReplenishMissiles(0);
    firer->DoMissileFire(604);
    EXPECT_EQ(firer->GetMissiles(), 0);
    EXPECT_EQ(shell->Display().commands.size(), 2u);
}

TEST_F(UnitsTest, FiringModeAndMissilesTravelWithTheSelectedUnit) {
    auto* unit = Make<MediumInfantry>(MissileRecord(1, 0, 404, 16));
    unit->DoMissileFire(604);
    SuperString s;
    unit->Save(s);
    EXPECT_EQ(s.Length(), 28 + 18 + 4);
    auto* back = Make<MediumInfantry>(MissileRecord(1, 0, 404, 16));
    ASSERT_TRUE(back->Load(s));
    EXPECT_EQ(back->GetMissiles(), 5);
}

// Hears the cursors the units ask the map for.
struct Cursors : Component {
    std::vector<std::string> asked;
    Cursors() : Component("Cursors") {}
    void Connect() override { RegisterNamedHandler("ChangeCursor", Heard); }
    static ContainerBase* Heard(Component* c, BusMessage, ContainerBase* p) {
        if (auto* t = PayloadValue<std::string>(p)) static_cast<Cursors*>(c)->asked.push_back(*t);
        return nullptr;
    }
};

// In firing mode the pointer over a target shows the unit's weapon (a musket for small arms, a
// cannon for guns) and the arrow over any other hex; out of firing mode the same enemy is a hex to
// charge for the foot, who may reach him, and nothing for the guns, which do not charge.
TEST_F(UnitsTest, InFiringModeATargetShowsTheWeaponsCursorAndAnyOtherHexTheArrow) {
    Cursors cursors;
    cursors.AttachToBus(&shell->Layer());
    const struct {
        std::uint16_t number;
        std::uint32_t weapon;
        bool gun;
        std::uint16_t at, target, empty;
        const char* cursor;
        const char* outside;
    } weapons[] = {{1, 16, false, 404, 604, 503, "musket.ani", "charge.ani"},
                   {3, 20, true, 402, 602, 502, "cannon.ani", "ArrowCursor"}};
    for (const auto& w : weapons) {
        SCOPED_TRACE(w.cursor);
        const MissileCapableUnitData record = MissileRecord(w.number, 0, w.at, w.weapon);
        MissileCapable* firer = w.gun ? static_cast<MissileCapable*>(Make<Artillery>(record)) : Make<MediumInfantry>(record);
        Make<MediumInfantry>(MissileRecord(static_cast<std::uint16_t>(w.number + 1), 1, w.target));
        ASSERT_TRUE(firer->ComputeMissileTargets().Contains(static_cast<short>(w.target)));
        cursors.asked.clear();
        delete firer->OnMissileVolley(w.number);
        delete firer->OnHoverSelected(static_cast<std::int16_t>(w.target));
        delete firer->OnHoverSelected(static_cast<std::int16_t>(w.empty));
        delete firer->OnMissileVolley(w.number);
        delete firer->OnHoverSelected(static_cast<std::int16_t>(w.target));
        EXPECT_EQ(cursors.asked, (std::vector<std::string>{w.cursor, "ArrowCursor", w.outside}));
    }
}

} // namespace
