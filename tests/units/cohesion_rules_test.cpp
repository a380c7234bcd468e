// Cohesion and troop-quality hits, restoring morale, the rally table and leader casualties, with
// a scripted die.
#include "game/logic/game_random.h"
#include "tests/units/units_fixture.h"

namespace {

using units_testing::UnitsTest;

// Hears the records the rules post for every machine.
class Recorder : public Component {
public:
    Recorder() : Component("Recorder") {}
    void Connect() override {
        RegisterNamedHandler("DoRestoreCohesion", Restore);
        RegisterNamedHandler("FinishedLeader", Finished);
        RegisterNamedHandler("WoundedLeader", Wounded);
        RegisterNamedHandler("EliminateUnit", Eliminated);
    }
    std::vector<RestoreCohesionInfo> restored;
    int finished = 0, wounded = 0, eliminated = 0;

private:
    static ContainerBase* Restore(Component* c, BusMessage, ContainerBase* p) {
        if (const auto* r = PayloadValue<RestoreCohesionInfo>(p)) dynamic_cast<Recorder*>(c)->restored.push_back(*r);
        return nullptr;
    }
    static ContainerBase* Finished(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Recorder*>(c)->finished;
        return nullptr;
    }
    static ContainerBase* Wounded(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Recorder*>(c)->wounded;
        return nullptr;
    }
    static ContainerBase* Eliminated(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Recorder*>(c)->eliminated;
        return nullptr;
    }
};

class CohesionTest : public UnitsTest {
protected:
    void SetUp() override {
        UnitsTest::SetUp();
        recorder = std::make_unique<Recorder>();
        recorder->AttachToBus(&shell->App());
    }
    void TearDown() override {
        ClearGameRandomScript();
        Leader::SetCasualtyTestA(0);
        Leader::SetCasualtyTestB(0);
        recorder.reset();
        UnitsTest::TearDown();
    }
    MediumInfantry* Infantry(std::uint16_t tq, std::uint16_t hits, std::uint16_t number = 1) {
        auto record = MissileRecord(number, 0, 404);
        record.troopQuality = tq;
        auto* unit = Make<MediumInfantry>(record);
        if (hits) unit->ApplyCohesionHits(hits, 0);
        shell->App().DrainTasks();
        return unit;
    }
    std::vector<std::string>& Commentary() { return shell->Application().commentary; }
    std::unique_ptr<Recorder> recorder;
};

TEST_F(CohesionTest, AnAdvancingUnitStaysOneHitShortOfBreaking) {
    auto* unit = Infantry(6, 4);
    unit->SetAdvancing(1);
    EXPECT_EQ(unit->TQHit(3, 0), 0);
    EXPECT_EQ(unit->GetPendingHits(), 1);
}

TEST_F(CohesionTest, ABreakIsReportedAtOnceAndAppliedWhenTheHitsComeBack) {
    auto* unit = Infantry(6, 5);
    shell->Display().commands.clear();
    EXPECT_EQ(unit->TQHit(2, 0), 1);
    EXPECT_TRUE(unit->IsBreaking());
    unit->ApplyCohesionHits(2, 0);
    EXPECT_EQ(unit->GetCohesionHits(), 6) << "clamped to the troop quality";
    EXPECT_TRUE(unit->IsRouted());
    EXPECT_FALSE(unit->IsBreaking());
    ASSERT_FALSE(shell->Display().commands.empty());
    MethodOfDeathStruct death;
    ASSERT_TRUE(ExtractData(shell->Display().commands[0].data, death));
    EXPECT_EQ(death.first, 116);
    shell->App().DrainTasks();
    EXPECT_NE(std::find(Commentary().begin(), Commentary().end(), unit->GetCommentaryName() + " is routing!"), Commentary().end());
    // Once routed, further hits are ignored.
    unit->ApplyCohesionHits(3, 0);
    EXPECT_EQ(unit->GetCohesionHits(), 6);
}

TEST_F(CohesionTest, AUnitOffTheMapTakesNoHits) {
    auto record = MissileRecord(1, 0, 0xFFFF);
    auto* unit = Make<MediumInfantry>(record);
    EXPECT_EQ(unit->TQHit(2, 0), 0);
    EXPECT_EQ(unit->GetPendingHits(), 0);
}

TEST_F(CohesionTest, ATroopQualityOfZeroNeverDividesByZero) {
    auto* unit = Infantry(0, 0);
    shell->Display().commands.clear();
    unit->ApplyCohesionHits(1, 0);
    unit->RestoreCohesion(0);
    EXPECT_EQ(unit->GetCohesionHits(), 0);
    EXPECT_FALSE(shell->Display().commands.empty());
}

TEST_F(CohesionTest, MoraleExcessAgainstTheQualityOrOneWhenRouted) {
    auto* unit = Infantry(5, 0);
    EXPECT_EQ(unit->MoraleExcess(4), 0);
    EXPECT_EQ(unit->MoraleExcess(5), 0);
    EXPECT_EQ(unit->MoraleExcess(8), 3);
}

struct RestoreCase {
    int commands;
    int roll;
    int hitsBefore;
    int hitsAfter;
    const char* text;
};

TEST_F(CohesionTest, RestoreMoraleFollowsTheLeadersWeights) {
    const RestoreCase cases[] = {
        {4, 4, 3, 3, " had 0 morale hits removed."},  // band 0: 5 in 100
        {4, 5, 3, 2, " had 1 morale hit removed."},   // band 1 starts at 5
        {4, 44, 3, 2, " had 1 morale hit removed."},
        {4, 45, 3, 1, " had 2 morale hits removed."},
        {4, 95, 3, 0, " had 3 morale hits removed."},
        {7, 0, 3, 2, " had 1 morale hit removed."},   // 0, 33, 50, 17: nothing left in band 0
        {7, 83, 3, 0, " had 3 morale hits removed."},
        {4, 50, 1, 0, " had 1 morale hit removed."},  // two would go, one is there
    };
    std::uint16_t number = 1;
    for (const RestoreCase& c : cases) {
        LeaderUnitData ld;
        ld.unitNumber = static_cast<std::uint16_t>(100 + number);
        ld.commands = static_cast<std::uint16_t>(c.commands);
        ld.side = 0;
        ld.region = 0xFFFF;
        auto* leader = Make<Leader>(ld);
        auto* unit = Infantry(6, static_cast<std::uint16_t>(c.hitsBefore), number++);
        Group group;
        group.SetLeader(leader);
        group.AddUnit(unit);
        unit->SetGroup(&group);
        Commentary().clear();
        ScriptGameRandom({c.roll});
        unit->DoRestoreCohesion();
        shell->App().DrainTasks();
        EXPECT_EQ(unit->GetCohesionHits(), c.hitsAfter) << c.commands << " " << c.roll;
        ASSERT_FALSE(Commentary().empty());
        EXPECT_EQ(Commentary().front(), unit->GetCommentaryName() + c.text);
        EXPECT_EQ(unit->GetMovementPoints(), 0);
        unit->SetGroup(nullptr);
        map->ShadowRegions(unit, 404);
    }
}

struct RallyCase {
    int commands;
    int tq;
    int hits;
    int first;
    int second;
    int rallied;
    int hitsAfter;
};

TEST_F(CohesionTest, TheRallyTable) {
    const RallyCase cases[] = {
        {0, 5, 5, 2, 0, 0, -1},  // the first die above commands + 1 fails
        {0, 5, 5, 1, 0, 1, 4},
        {3, 3, 3, 0, 6, 0, -1},  // quality 3 fails on 6 and more
        {3, 3, 3, 0, 5, 1, 1},
        {3, 7, 6, 0, 9, 1, 2},   // 4 hits off
        {3, 5, 5, 0, 7, 1, 2},
        {3, 6, 1, 0, 9, 1, 0},   // never below 0
    };
    std::uint16_t number = 1;
    for (const RallyCase& c : cases) {
        auto* unit = Infantry(static_cast<std::uint16_t>(c.tq), static_cast<std::uint16_t>(c.hits), number++);
        recorder->restored.clear();
        ScriptGameRandom({c.first, c.second});
        EXPECT_EQ(unit->AttemptRally(static_cast<std::int16_t>(c.commands)), c.rallied) << c.tq << " " << c.second;
        shell->App().DrainTasks();
        if (c.rallied) {
            ASSERT_EQ(recorder->restored.size(), 1u);
            EXPECT_EQ(recorder->restored[0].value, c.hitsAfter);
        } else {
            EXPECT_TRUE(recorder->restored.empty());
        }
        map->ShadowRegions(unit, unit->GetLocation());
    }
}

struct CasualtyCase {
    int first;
    int second;
    bool alreadyWounded;
    int finished, wounded, eliminated;
    const char* text;
};

TEST_F(CohesionTest, LeaderCasualtyThresholds) {
    const CasualtyCase cases[] = {
        {16, 0, false, 0, 0, 0, " was not harmed."},
        {15, 49, false, 0, 0, 0, " was not harmed."},
        {15, 50, false, 1, 1, 0, " was hit and is \\Bwounded\\b!"},
        {15, 84, false, 1, 1, 0, " was hit and is \\Bwounded\\b!"},
        {15, 85, false, 1, 0, 1, " was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."},
        {15, 60, true, 1, 0, 1, " was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."},
    };
    for (const CasualtyCase& c : cases) {
        LeaderUnitData ld;
        ld.unitNumber = 50;
        ld.side = 0;
        ld.region = 505;
        ld.commands = 3;
        auto* leader = Make<Leader>(ld, "Gen. Test");
        if (c.alreadyWounded) leader->Wound(1);
        recorder->finished = recorder->wounded = recorder->eliminated = 0;
        Commentary().clear();
        ScriptGameRandom({c.first, c.second});
        leader->CheckCasualty();
        shell->App().DrainTasks();
        EXPECT_EQ(recorder->finished, c.finished) << c.second;
        EXPECT_EQ(recorder->wounded, c.wounded) << c.second;
        EXPECT_EQ(recorder->eliminated, c.eliminated) << c.second;
        ASSERT_FALSE(Commentary().empty());
        EXPECT_EQ(Commentary().back(), leader->GetCommentaryName() + c.text);
        map->ShadowRegions(leader, 505);
    }
    // Test switch B: every check kills.
    Leader::SetCasualtyTestB(1);
    LeaderUnitData ld;
    ld.unitNumber = 51;
    ld.side = 0;
    ld.region = 0xFFFF;
    auto* leader = Make<Leader>(ld, "Gen. Doomed");
    EXPECT_EQ(leader->RollCasualty(), 3);
}

} // namespace
