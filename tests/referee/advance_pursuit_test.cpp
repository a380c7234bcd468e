// Winners moving on after a shock combat: the advance into the loser's hex (one-hex and two-hex
// units, blocked ways) and the pursuit of a routed unit (rolls by kind, contact, the pursuit that
// runs on, the quarry caught, both leaving the map). Each path that answers 1 ends with exactly one
// completion; a path that answers 0 posts none.
#include "platform/msgbox.h"
#include "tests/referee/battlefield_fixture.h"

namespace {

using battlefield_testing::BattlefieldTest;
using battlefield_testing::KindOfCavalry;
using battlefield_testing::Recorder;

constexpr std::uint16_t Centre = 505;

class AdvanceTest : public BattlefieldTest {};

TEST_F(AdvanceTest, AOneHexUnitAdvancesIntoAFreeHexAndAnnouncesItOnce) {
    auto* unit = Place<MediumInfantry>(Record(1, 0, Centre), "Blue Rifles");
    const std::uint16_t into = N(Centre, 1);
    EXPECT_EQ(unit->Advance(into, 1), 1);
    EXPECT_EQ(unit->GetLocation(), into);
    EXPECT_EQ(unit->IsAdvancing(), 0);
    Drain();
    EXPECT_EQ(recorder->advanced, std::vector<short>({1}));
}

TEST_F(AdvanceTest, ABlockedOrThreatenedAdvanceMovesNothingAndAnnouncesNothing) {
    auto* unit = Place<MediumInfantry>(Record(1, 0, Centre), "Blue Rifles");
    const std::uint16_t ahead = N(Centre, 1), farther = N(ahead, 1);
    auto* blocker = Place<MediumInfantry>(Record(2, 0, ahead), "Blue Guards");
    EXPECT_EQ(unit->Advance(ahead, 0), 0) << "the hex itself is held";
    EXPECT_EQ(unit->Advance(farther, 0), 0) << "a hex on the way is held";
    (void)blocker;
    // An enemy that has the unit's hex in front keeps it there when the threat counts.
    auto* enemy = Place<MediumInfantry>(Record(9, 1, N(Centre, 5)), "Gray Rifles");
    Face(enemy, Centre, true);
    EXPECT_EQ(unit->Advance(N(Centre, 4), 1), 0);
    EXPECT_EQ(unit->GetLocation(), Centre);
    Drain();
    EXPECT_TRUE(recorder->advanced.empty());
    // Without the threat test the same advance goes ahead.
    EXPECT_EQ(unit->Advance(N(Centre, 4), 0), 1);
    Drain();
    EXPECT_EQ(recorder->advanced, std::vector<short>({1}));
}

TEST_F(AdvanceTest, ATwoHexUnitAdvancesByTheHexesItTouches) {
    struct Case {
        const char* what;
        int hexFromFirst;   // direction from the first hex (0: use hexFromSecond)
        int hexFromSecond;  // direction from the second hex
        std::vector<int> blockedFromSecond;  // directions from the second hex that hold a unit
        std::vector<int> blockedFromFirst;   // directions from the first hex that hold a unit
        int result;
        int endFromFirst;   // direction from the first hex where the unit ends (0: the hex itself)
    };
    // Facing 3: the second hex lies south of the first. South-east of the first touches both.
    const Case cases[] = {
        {"next to both, the way beside is free", 4, 0, {}, {}, 1, 4},
        {"next to both, the way beside is held: the unit steps aside", 4, 0, {4}, {}, 1, 2},
        {"next to both, both ways held", 4, 0, {4}, {2}, 0, -1},
        {"next to the first hex only", 8, 0, {}, {}, 1, 8},
        {"next to the first hex only, its partner held", 8, 0, {8}, {}, 0, -1},
        {"next to the second hex only: the first hex's neighbour leads", 0, 4, {}, {}, 1, 4},
        {"next to the second hex only, that neighbour held", 0, 4, {}, {4}, 0, -1},
        {"touching neither hex", 0, 0, {}, {}, 0, -1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TearDown();
        SetUp();
        auto record = Record(1, 0, Centre, 3);
        record.twoHex = 1;
        auto* unit = Place<MediumInfantry>(record, "Blue Column");
        const std::uint16_t first = unit->GetLocation(), second = unit->GetSecondRegion();
        ASSERT_EQ(second, N(first, 5));
        std::uint16_t hex = k.hexFromFirst ? N(first, k.hexFromFirst) : k.hexFromSecond ? N(second, k.hexFromSecond) : N(N(first, 1), 1);
        std::uint16_t number = 20;
        for (int d : k.blockedFromSecond) Place<MediumInfantry>(Record(number++, 0, N(second, d)), "Blue Guards");
        for (int d : k.blockedFromFirst) Place<MediumInfantry>(Record(number++, 0, N(first, d)), "Blue Guards");
        EXPECT_EQ(unit->Advance(hex, 0), k.result);
        Drain();
        if (k.result) {
            EXPECT_EQ(unit->GetLocation(), N(first, k.endFromFirst));
            EXPECT_EQ(recorder->advanced, std::vector<short>({1}));
        } else {
            EXPECT_EQ(unit->GetLocation(), first);
            EXPECT_TRUE(recorder->advanced.empty());
        }
    }
}

TEST_F(AdvanceTest, AMoveTheBattlefieldRefusesNeverLeavesTheLayerWaiting) {
    // The battlefield no longer holds the unit where the unit believes it stands.
    auto* unit = Place<MediumInfantry>(Record(1, 0, Centre), "Blue Rifles");
    map->RemoveUnitFromRegion(1, Centre);
    EXPECT_EQ(unit->Advance(N(Centre, 1), 0), 0);
    Drain();
    EXPECT_TRUE(recorder->advanced.empty());

    auto* quarry = Place<MediumInfantry>(Record(9, 1, N(N(Centre, 1), 1)), "Gray Rifles");
    quarry->ApplyCohesionHits(quarry->GetTQ(), 0);
    auto* pursuer = Place<KindOfCavalry>(Record(2, 0, N(Centre, 2), 3, 1, 12), "Blue Troopers", CavalryKind);
    map->RemoveUnitFromRegion(2, pursuer->GetLocation());
    ScriptGameRandom({9, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    EXPECT_EQ(recorder->pursued, std::vector<short>({2}));
}

TEST_F(AdvanceTest, AnAdvanceAlertsTheHostileLeadersNextToWhereItEnds) {
    Recorder local;
    local.AttachToBus(&Layer());
    auto* unit = Place<MediumInfantry>(Record(1, 0, Centre), "Blue Rifles");
    const std::uint16_t into = N(Centre, 1);
    PlaceLeader(30, 1, N(into, 1), "Maj. Tobin Quell");
    PlaceLeader(31, 0, N(Centre, 5), "Capt. Orrin Vale");
    EXPECT_EQ(unit->Advance(into, 0), 1);
    Drain();
    // Only the enemy leader makes its check, and it ends with one answer.
    EXPECT_EQ(local.resolved.size(), 1u);
    local.DetachFromBus();
}

// ---- pursuit ----

class PursuitTest : public BattlefieldTest {
protected:
    // A routed quarry in the region given, fleeing south.
    Combat* Quarry(int kind, std::uint16_t region) {
        Combat* quarry = kind == CavalryKind ? static_cast<Combat*>(Place<LightCav>(Record(9, 1, region, 3, 1, 12), "Gray Troopers"))
                                             : static_cast<Combat*>(Place<MediumInfantry>(Record(9, 1, region), "Gray Rifles"));
        quarry->ApplyCohesionHits(quarry->GetTQ(), 0);
        EXPECT_TRUE(quarry->IsRouted());
        quarry->SetRetreatEdge(5);
        return quarry;
    }
    Combat* Pursuer(int kind, std::uint16_t region = Centre) {
        return Place<KindOfCavalry>(Record(1, 0, region, 3, 1, 12), "Blue Troopers", kind);
    }
};

TEST_F(PursuitTest, ThePursuitRollDependsOnThePursuersKindAndTheQuarrys) {
    struct Case {
        int pursuer;
        int quarry;
        int die;
        int result;
    };
    const Case cases[] = {
        {12, InfantryKind, 5, 0}, {12, InfantryKind, 6, 1}, {12, CavalryKind, 7, 0}, {12, CavalryKind, 8, 1},
        {8, InfantryKind, 1, 0},  {8, InfantryKind, 2, 1},  {10, CavalryKind, 3, 0}, {10, CavalryKind, 4, 1},
        {9, InfantryKind, 3, 0},  {9, InfantryKind, 4, 1},  {11, CavalryKind, 6, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "pursuer kind " << k.pursuer << ", quarry kind " << k.quarry << ", die " << k.die);
        TearDown();
        SetUp();
        Combat* quarry = Quarry(k.quarry, N(N(Centre, 1), 1));
        Combat* pursuer = Pursuer(k.pursuer);
        // The contact die misses: the pursuit ends with its move.
        ScriptGameRandom({k.die, 9});
        EXPECT_EQ(pursuer->Pursue(quarry), k.result);
        Drain();
        EXPECT_EQ(recorder->pursued.size(), static_cast<std::size_t>(k.result));
        EXPECT_EQ(ScriptedDrawsLeft(), k.result ? 0 : 1);
    }
}

TEST_F(PursuitTest, KindsWithoutAThresholdDeclineWithoutARoll) {
    Combat* quarry = Quarry(InfantryKind, N(N(Centre, 1), 1));
    std::uint16_t number = 40;
    for (int kind : {0, 3, 7, 13, 14, 15, 17}) {
        SCOPED_TRACE(kind);
        Combat* pursuer = Place<KindOfCavalry>(Record(number++, 0, N(Centre, 5), 3, 1, 12), "Blue Troopers", kind);
        const auto draws = GameRandomDraws();
        EXPECT_EQ(pursuer->Pursue(quarry), 0);
        EXPECT_EQ(GameRandomDraws(), draws);
        map->RemoveUnitFromRegion(pursuer->GetUnitNum(), pursuer->GetLocation());
        pursuer->SetLocation(0xFFFF);
    }
    Drain();
    EXPECT_TRUE(recorder->pursued.empty());
}

TEST_F(PursuitTest, ThePursuerRidesUpToTheQuarryOrStopsAtTheFirstUnitInTheWay) {
    const std::uint16_t near = N(Centre, 1), quarryHex = N(near, 1);
    Combat* quarry = Quarry(InfantryKind, quarryHex);
    Combat* pursuer = Pursuer(CavalryKind);
    ScriptGameRandom({9, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    EXPECT_EQ(pursuer->GetLocation(), near);
    EXPECT_EQ(pursuer->IsAdvancing(), 0);
    Drain();
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));

    // A unit in the next hex keeps the pursuer where it stands; the pursuit still ends once.
    TearDown();
    SetUp();
    quarry = Quarry(InfantryKind, quarryHex);
    pursuer = Pursuer(CavalryKind);
    Place<MediumInfantry>(Record(2, 0, near), "Blue Rifles");
    ScriptGameRandom({9, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    EXPECT_EQ(pursuer->GetLocation(), Centre);
    Drain();
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
}

TEST_F(PursuitTest, ContactIsFoughtAndEndsOnceWhenTheQuarryHolds) {
    const std::uint16_t near = N(Centre, 1), quarryHex = N(near, 1);
    Combat* quarry = Quarry(InfantryKind, quarryHex);
    Combat* pursuer = Pursuer(CavalryKind);
    Face(pursuer, near, true);
    ASSERT_TRUE(pursuer->GetFrontHexesAt(near).Contains(static_cast<short>(quarryHex)));
    recorder->answerCombat = true;
    // Pursuit roll, contact die within the troop quality, the quarry's morale die holds (1 is
    // not above a routed unit's threshold of 1).
    ScriptGameRandom({9, 0, 1});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    ASSERT_EQ(recorder->fights.size(), 1u);
    const LogicalCommandInfo& fight = recorder->fights[0];
    EXPECT_EQ(fight.object, 0);
    EXPECT_EQ(fight.reply.Number(), RegisterMessage("PursuitDone"));
    CombatInfo info;
    ASSERT_TRUE(ExtractData(fight.data, info));
    EXPECT_EQ(info.first.Count(), 1);
    EXPECT_TRUE(info.first.Contains(1));
    EXPECT_TRUE(info.second.Contains(9));
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
    ASSERT_FALSE(Commentary().empty());
    EXPECT_EQ(Commentary().back(), pursuer->GetCommentaryName() + " is in pursuit of " + quarry->GetCommentaryName() + "!");
}

TEST_F(PursuitTest, ACaughtInfantryUnitIsEliminatedWhenThePursuitRunsOn) {
    const std::uint16_t near = N(Centre, 1), quarryHex = N(near, 1);
    Combat* quarry = Quarry(InfantryKind, quarryHex);
    Combat* pursuer = Pursuer(CavalryKind);
    Face(pursuer, near, true);
    recorder->answerCombat = true;
    ScriptGameRandom({9, 0, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    ASSERT_EQ(recorder->fights.size(), 1u);
    EXPECT_EQ(recorder->fights[0].reply.Number(), RegisterMessage("ContinuePursuit"));
    EXPECT_EQ(recorder->eliminated, std::vector<short>({9}));
    EXPECT_TRUE(quarry->IsRemoved());
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
    // The handler is gone: another "ContinuePursuit" changes nothing.
    Container<short> again(1);
    recorder->PostNamed("ContinuePursuit", &again);
    Drain();
    EXPECT_EQ(recorder->pursued.size(), 1u);
}

TEST_F(PursuitTest, AContinuationForAnotherUnitIsIgnoredAndALostQuarryStillEndsThePursuit) {
    const std::uint16_t near = N(Centre, 1), quarryHex = N(near, 1);
    Combat* quarry = Quarry(InfantryKind, quarryHex);
    Combat* pursuer = Pursuer(CavalryKind);
    Face(pursuer, near, true);
    // Nobody plays the combat here: the test posts the continuation itself.
    ScriptGameRandom({9, 0, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    Container<short> other(7);
    recorder->PostNamed("ContinuePursuit", &other);
    Drain();
    EXPECT_TRUE(recorder->pursued.empty());
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    recorder->PostNamed("ContinuePursuit", &wrong);
    Drain();
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_TRUE(recorder->pursued.empty());
    // The quarry is eliminated by something else before the pursuit runs on.
    Container<short> gone(9);
    recorder->PostNamed("EliminateUnit", &gone);
    Drain();
    ASSERT_TRUE(quarry->IsRemoved());
    recorder->eliminated.clear();
    Container<short> mine(1);
    recorder->PostNamed("ContinuePursuit", &mine);
    Drain();
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
    EXPECT_TRUE(recorder->eliminated.empty());
}

TEST_F(PursuitTest, CaughtCavalryFleesAgainWithThePursuerBehind) {
    const std::uint16_t near = N(Centre, 1), quarryHex = N(near, 1);
    Combat* quarry = Quarry(CavalryKind, quarryHex);
    quarry->SetRetreatEdge(1);
    // An enemy beside the route threatens the hex after next: the pursuer stops short of it.
    const std::uint16_t threatened = N(N(quarryHex, 1), 1);
    auto* guard = Place<MediumInfantry>(Record(8, 1, N(threatened, 2)), "Gray Guards");
    Face(guard, threatened, true);
    Combat* pursuer = Pursuer(CavalryKind);
    Face(pursuer, near, true);
    recorder->answerCombat = true;
    // Pursuit roll (8 against cavalry), contact, the quarry's morale fails: it runs on.
    ScriptGameRandom({8, 0, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    ASSERT_TRUE(quarry->GetRouteHexes().Contains(static_cast<short>(threatened)));
    EXPECT_NE(quarry->GetLocation(), quarryHex);
    EXPECT_EQ(pursuer->GetLocation(), N(quarryHex, 1));
    EXPECT_TRUE(recorder->eliminated.empty()) << "fleeing cavalry is not caught";
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
    EXPECT_TRUE(recorder->offMap.empty());
}

TEST_F(PursuitTest, APursuerThatEndsOnTheMapEdgeLeavesTheMapWithItsQuarry) {
    // Both stand in the westmost columns; the quarry routs west and off the map.
    const std::uint16_t quarryHex = 105, pursuerHex = 305;
    Combat* quarry = Quarry(CavalryKind, quarryHex);
    quarry->SetRetreatEdge(7);
    Combat* pursuer = Pursuer(CavalryKind, pursuerHex);
    Face(pursuer, N(pursuerHex, 8), true);
    recorder->answerCombat = true;
    ScriptGameRandom({8, 0, 9});
    EXPECT_EQ(pursuer->Pursue(quarry), 1);
    Drain();
    ASSERT_EQ(recorder->gone.size(), 1u);
    EXPECT_EQ(recorder->gone[0].unit, 1);
    ASSERT_EQ(recorder->offMap.size(), 1u);
    EXPECT_EQ(recorder->offMap[0].unit, 1);
    EXPECT_EQ(recorder->offMap[0].edge, 7u);
    EXPECT_EQ(pursuer->GetLocation(), 0xFFFF);
    EXPECT_EQ(pursuer->GetRetreatEdge(), 7u);
    EXPECT_EQ(recorder->pursued, std::vector<short>({1}));
}

} // namespace
