// The units around a region answering a move into it: the OW candidate asked alone, reaction
// fire of adjacent missile units, flank units turning to face a charge, and adjacent units
// changing formation.
#include "platform/msgbox.h"
#include "tests/referee/battlefield_fixture.h"

#include <algorithm>

namespace {

using battlefield_testing::BattlefieldTest;
using battlefield_testing::KindOfCavalry;

constexpr std::uint16_t Centre = 505;
constexpr int Sides[] = {1, 2, 4, 5, 6, 8};

class ReactionTest : public BattlefieldTest {
protected:
    // Turns the unit until the hex lies on the flank asked for (2 right, 1 left) and not on the other.
    static void Flank(Combat* unit, std::uint16_t hex, int side) {
        for (std::uint32_t f : {2u, 3u, 4u, 6u, 7u, 8u}) {
            unit->SetFacing(f);
            unit->RecomputeAllZones();
            const bool right = unit->IsOnFlank(hex, 2, 2) != 0;
            const bool left = unit->IsOnFlank(hex, 2, 1) != 0;
            if ((side == 2 && right) || (side == 1 && left && !right)) return;
        }
        FAIL() << "no facing puts " << hex << " on that flank of " << unit->GetName();
    }
    void Send(const char* message, ContainerBase* payload) {
        delete Layer().SendNamed(message, payload);
        Drain();
    }
    void EntryFire(std::uint16_t region) {
        Container<short> at(static_cast<short>(region));
        Send("EntryReactionFire", &at);
    }
    void Charge(std::uint16_t region, std::uint16_t spent) {
        Container<RefaceFromChargeStruct> charge(RefaceFromChargeStruct(region, spent));
        Send("AttemptRefaceFromCharge", &charge);
    }
    std::vector<std::uint16_t> Shooters() const {
        std::vector<std::uint16_t> out;
        for (const auto& v : recorder->volleys) out.push_back(v.unit);
        return out;
    }
};

// ---- the OW candidate ----

TEST_F(ReactionTest, ResolveOWAsksOnlyTheCandidate) {
    auto* candidate = Place<MediumInfantry>(Record(9, 1, Centre), "Gray Pickets");
    // A leader answers "UnitOW" without looking at the number: it must not be asked.
    PlaceLeader(30, 1, N(Centre, 4), "Maj. Tobin Quell");
    PlaceLeader(31, 0, N(N(Centre, 1), 1), "Capt. Orrin Vale");
    // The OW segment's messages stay on the layer's bus: the mover asks there and hears there.
    battlefield_testing::Recorder local;
    local.AttachToBus(&Layer());
    auto* mover = Place<MediumInfantry>(Record(1, 0, N(Centre, 1)), "Blue Lancers");
    // The candidate fails its morale check and stands.
    ScriptGameRandom({9});
    OWStruct record;
    record.Set(9, mover->GetLocation(), 0xFFFF, 2);
    Container<OWStruct> ask(record);
    delete mover->SendNamed("ResolveOW", &ask);
    Drain();
    ASSERT_EQ(local.resolved.size(), 1u);
    EXPECT_EQ(local.resolved[0].first, 0);
    EXPECT_EQ(local.resolved[0].second, candidate->GetLocation());
    // A number that names no unit asks nobody.
    record.Set(77, mover->GetLocation(), 0xFFFF, 2);
    Container<OWStruct> nobody(record);
    delete mover->SendNamed("ResolveOW", &nobody);
    Drain();
    EXPECT_EQ(local.resolved.size(), 1u);
    local.DetachFromBus();
}

// ---- entry reaction fire ----

class EntryFireTest : public ReactionTest {
protected:
    void Shape(datagen::LandscapeDraft& d) override {
        // The hex north-west of the centre is a tower: a unit there fires all round.
        d.AddTerrain(static_cast<unsigned short>(405), VhLogicalLandscape::TowerCode);
    }
};

TEST_F(EntryFireTest, OnlyHostileMissileUnitsThatReachTheRegionFireOnce) {
    ASSERT_EQ(N(Centre, 8), 405) << "the tower must stand next to the centre";
    auto* target = Place<MediumInfantry>(Record(9, 1, Centre), "Gray Rifles");
    struct Shooter {
        int side;
        std::uint32_t owner;
        std::uint16_t formation;
        std::uint32_t weapon;
        bool faces;
        bool fires;
        const char* why;
    };
    const Shooter layout[] = {
        {1, 0, 1, 16, true, true, "in line and facing the region"},
        {2, 0, 0, 16, true, false, "in column"},
        {4, 0, 1, 16, false, false, "facing away"},
        {5, 1, 1, 16, true, false, "a friend of the target"},
        {6, 0, 1, 5, true, false, "a weapon without reach at one hex"},
        {8, 0, 1, 16, false, true, "on a tower"},
    };
    std::vector<std::uint16_t> expected;
    std::uint16_t number = 10;
    std::vector<MissileCapable*> placed;
    for (const Shooter& s : layout) {
        auto* unit = Place<MediumInfantry>(Record(number, s.owner, N(Centre, s.side), 3, s.formation, s.weapon), s.why);
        Face(unit, Centre, s.faces);
        placed.push_back(unit);
        if (s.fires) expected.push_back(number);
        ++number;
    }
    const std::uint16_t missilesBefore = placed[0]->GetMissiles();
    // Hit-table dice for the two volleys: one hit, then none.
    ScriptGameRandom({3, 0});
    EntryFire(Centre);
    auto fired = Shooters();
    std::sort(fired.begin(), fired.end());
    EXPECT_EQ(fired, expected);
    for (const auto& v : recorder->volleys) EXPECT_EQ(v.fire, Centre);
    // The layer has the shooter play its volley.
    EXPECT_EQ(placed[0]->GetMissiles(), missilesBefore - 1);
    for (std::uint16_t n : expected) EXPECT_TRUE(target->WasFiredAtBy(n));
    EXPECT_EQ(target->GetCohesionHits(), 1);
    EXPECT_EQ(ScriptedDrawsLeft(), 0);

    // Entering again draws no second volley from the same shooters.
    recorder->volleys.clear();
    EntryFire(Centre);
    EXPECT_TRUE(recorder->volleys.empty());
}

TEST_F(EntryFireTest, TheCommentaryCountsTheMoraleHitsAndOnlyHitsAreGiven) {
    auto* target = Place<MediumInfantry>(Record(9, 1, Centre), "Gray Rifles");
    struct Case {
        int side;
        int die;
        int hits;
        const char* text;
    };
    // Category 3 against a unit in line: dice 1-3 give 0 hits, 4-8 one, 9-10 two.
    const Case cases[] = {
        {1, 0, 0, "Blue Rifles 10 fires at Gray Rifles for 0 morale hits."},
        {2, 3, 1, "Blue Rifles 11 fires at Gray Rifles for 1 morale hit."},
        {4, 9, 2, "Blue Rifles 12 fires at Gray Rifles for 2 morale hits."},
    };
    int total = 0;
    std::uint16_t number = 10;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        const std::string name = "Blue Rifles " + std::to_string(number);
        auto* shooter = Place<MediumInfantry>(Record(number, 0, N(Centre, k.side)), name.c_str());
        Face(shooter, Centre, true);
        Commentary().clear();
        ScriptGameRandom({k.die});
        EntryFire(Centre);
        total += k.hits;
        ASSERT_EQ(Commentary().size(), 1u);
        EXPECT_EQ(Commentary()[0], k.text);
        EXPECT_EQ(target->GetCohesionHits(), total);
        ++number;
    }
}

TEST_F(EntryFireTest, NoFireAtALeaderARoutedShooterOrOneWithoutMissiles) {
    const std::uint16_t region = 303;
    auto* shooter = Place<MediumInfantry>(Record(10, 0, N(region, 5)), "Blue Rifles");
    Face(shooter, region, true);
    PlaceLeader(30, 1, region, "Maj. Tobin Quell");
    EntryFire(region);
    EXPECT_TRUE(recorder->volleys.empty()) << "a leader draws no fire";

    auto* target = Place<MediumInfantry>(Record(9, 1, Centre), "Gray Rifles");
    auto* routed = Place<MediumInfantry>(Record(11, 0, N(Centre, 1)), "Blue Guards");
    auto* empty = Place<MediumInfantry>(Record(12, 0, N(Centre, 5)), "Blue Fusiliers");
    Face(routed, Centre, true);
    Face(empty, Centre, true);
    routed->ApplyCohesionHits(routed->GetTQ(), 0);
    ASSERT_TRUE(routed->IsRouted());
    empty->ReplenishMissiles(0);
    EntryFire(Centre);
    EXPECT_TRUE(recorder->volleys.empty());
    EXPECT_FALSE(target->WasFiredAtBy(11));
    EXPECT_FALSE(target->WasFiredAtBy(12));
}

// ---- reface from a charge ----

TEST_F(ReactionTest, AFlankUnitRefacesWhenItsReactionRollHolds) {
    struct Case {
        const char* what;
        int kind;
        int flank;
        std::uint16_t spent;
        int die;
        bool refaces;
    };
    // Troop quality 5: a roll of 5 or less holds.
    const Case cases[] = {
        {"infantry, right flank, low roll", 3, 2, 0, 0, true},
        {"infantry, left flank, low roll", 3, 1, 0, 5, true},
        {"infantry, high roll", 3, 2, 0, 7, false},
        {"a long charge takes two from the roll", 3, 2, 5, 7, true},
        {"a charge of 3 takes one", 3, 2, 3, 7, false},
        {"kind 9 has no modifier", 9, 2, 4, 6, true},
        {"kind 14 adds 99", 14, 2, 0, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TearDown();
        SetUp();
        auto* charger = Place<MediumInfantry>(Record(1, 0, Centre), "Blue Lancers");
        (void)charger;
        auto* unit = Place<KindOfCavalry>(Record(9, 1, N(Centre, 4), 3, 1, 12), "Gray Troopers", k.kind);
        Flank(unit, Centre, k.flank);
        const std::uint32_t before = unit->GetFacing();
        ScriptGameRandom({k.die});
        Charge(Centre, k.spent);
        EXPECT_EQ(ScriptedDrawsLeft(), 0);
        EXPECT_EQ(unit->GetFacing() != before, k.refaces);
    }
}

TEST_F(ReactionTest, CavalryWithTheChargeInItsRearTurnsAbout) {
    Place<MediumInfantry>(Record(1, 0, Centre), "Blue Lancers");
    auto* cavalry = Place<LightCav>(Record(9, 1, N(Centre, 4), 3, 1, 12), "Gray Troopers");
    bool placed = false;
    for (std::uint32_t f : {2u, 3u, 4u, 6u, 7u, 8u}) {
        cavalry->SetFacing(f);
        cavalry->RecomputeAllZones();
        if (cavalry->IsInRearZone(Centre, 1) && !cavalry->IsOnFlank(Centre, 2, 2) && !cavalry->IsOnFlank(Centre, 2, 1)) {
            placed = true;
            break;
        }
    }
    ASSERT_TRUE(placed);
    const std::uint32_t before = cavalry->GetFacing();
    ScriptGameRandom({0});
    Charge(Centre, 0);
    EXPECT_NE(cavalry->GetFacing(), before);
    EXPECT_TRUE(cavalry->IsInFrontHexes(Centre) || !cavalry->IsInRearZone(Centre, 1));
}

TEST_F(ReactionTest, AUnitHeldInFrontOrTwoHexWideOrFriendlyDoesNotReact) {
    Place<MediumInfantry>(Record(1, 0, Centre), "Blue Lancers");
    // Held: another unit of the charging side has it in front.
    auto* held = Place<MediumInfantry>(Record(9, 1, N(Centre, 4)), "Gray Rifles");
    Flank(held, Centre, 2);
    const std::uint16_t holderHex = N(held->GetLocation(), 4);
    auto* holder = Place<MediumInfantry>(Record(2, 0, holderHex), "Blue Rifles");
    Face(holder, held->GetLocation(), true);
    // Friendly to the charger.
    auto* friendUnit = Place<MediumInfantry>(Record(3, 0, N(Centre, 8)), "Blue Guards");
    Flank(friendUnit, Centre, 2);
    const std::uint32_t heldFacing = held->GetFacing(), friendFacing = friendUnit->GetFacing();
    ScriptGameRandom({0, 0, 0});
    Charge(Centre, 0);
    EXPECT_EQ(held->GetFacing(), heldFacing);
    EXPECT_EQ(friendUnit->GetFacing(), friendFacing);
    EXPECT_EQ(ScriptedDrawsLeft(), 3) << "no unit reached the roll";
}

TEST_F(ReactionTest, ArtilleryOrAWagonAmongTheCandidatesEndsTheWholeReaction) {
    Place<MediumInfantry>(Record(1, 0, Centre), "Blue Lancers");
    auto* gun = Place<Artillery>(Record(8, 1, N(Centre, 4), 3, 1, 20), "Gray Battery");
    auto* rifles = Place<MediumInfantry>(Record(9, 1, N(Centre, 8)), "Gray Rifles");
    Flank(gun, Centre, 2);
    Flank(rifles, Centre, 2);
    List<short> order;
    map->FindRegionsWithinRange(order, Centre, 2, VhLogicalLandscape::StepCostOne, 0);
    bool gunFirst = false;
    for (Item<short>* i = order.Head(); i; i = i->next) {
        if (i->value == static_cast<short>(gun->GetLocation())) {
            gunFirst = true;
            break;
        }
        if (i->value == static_cast<short>(rifles->GetLocation())) break;
    }
    const std::uint32_t before = rifles->GetFacing(), gunBefore = gun->GetFacing();
    ScriptGameRandom({0});
    Charge(Centre, 0);
    EXPECT_EQ(gun->GetFacing(), gunBefore);
    // Units met before the battery have refaced; after it nobody is examined.
    EXPECT_EQ(rifles->GetFacing() != before, !gunFirst);
    EXPECT_EQ(ScriptedDrawsLeft(), gunFirst ? 1 : 0);
}

// ---- formation change ----

TEST_F(ReactionTest, AdjacentHostileUnitsInColumnFormLine) {
    Place<MediumInfantry>(Record(1, 0, Centre), "Blue Lancers");
    auto* hostile = Place<MediumInfantry>(Record(9, 1, N(Centre, 2), 3, 0), "Gray Rifles");
    auto* friendly = Place<MediumInfantry>(Record(2, 0, N(Centre, 4), 3, 0), "Blue Rifles");
    auto* distant = Place<MediumInfantry>(Record(10, 1, N(N(Centre, 5), 5), 3, 0), "Gray Guards");
    auto* routed = Place<MediumInfantry>(Record(11, 1, N(Centre, 6), 3, 0), "Gray Fusiliers");
    routed->ApplyCohesionHits(routed->GetTQ(), 0);
    Container<short> at(static_cast<short>(Centre));
    Send("AttemptChangeFormation", &at);
    EXPECT_TRUE(hostile->IsInLine());
    EXPECT_FALSE(friendly->IsInLine());
    EXPECT_FALSE(distant->IsInLine());
    EXPECT_FALSE(routed->IsInLine());
}

TEST_F(ReactionTest, EmptyRegionsDrawNoReactionAndWrongPayloadsGoToTheAssertionBox) {
    auto* rifles = Place<MediumInfantry>(Record(9, 1, N(Centre, 2), 3, 0), "Gray Rifles");
    Container<short> at(static_cast<short>(Centre));
    Send("AttemptChangeFormation", &at);
    Send("EntryReactionFire", &at);
    Charge(Centre, 0);
    EXPECT_FALSE(rifles->IsInLine());
    EXPECT_TRUE(recorder->volleys.empty());

    platform::ClearShownMessageBoxes();
    Container<std::string> wrong("x");
    const char* messages[] = {"EntryReactionFire", "AttemptRefaceFromCharge", "AttemptChangeFormation"};
    for (const char* message : messages) {
        platform::QueueMessageBoxAnswer(IDNO);
        delete Layer().SendNamed(message, &wrong);
    }
    // The OW segment's request travels on the layer's own bus only.
    platform::QueueMessageBoxAnswer(IDNO);
    delete rifles->SendNamed("ResolveOW", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(platform::ShownMessageBox(i).text, "Bad data passed in bus message to function  Abort?");
        EXPECT_EQ(platform::ShownMessageBox(i).caption.rfind("Failure in VHLOG5 at line ", 0), 0u);
    }
}

} // namespace
