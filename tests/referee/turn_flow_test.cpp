// The referee's relays, the rout phase and the barrier, and the faults they must not have.
#include "tests/referee/scenario_fixture.h"

#include <functional>

namespace {

using referee_testing::ScenarioTest;

class Counter : public Component {
public:
    Counter() : Component("Counter") {}
    void Connect() override {
        RegisterNamedHandler("EndOfTurnRoutingDone", Count);
        RegisterNamedHandler("ZoomOutForRout", Zoom);
        RegisterNamedHandler("GameSynchronized", Opened);
        RegisterNamedHandler("Undo", Undone);
    }
    int routingDone = 0, zooms = 0, opened = 0, undos = 0;
    // Runs while the rout phase waits for its units (at its zoom-out).
    std::function<void()> duringRout;

private:
    static ContainerBase* Count(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Counter*>(c)->routingDone;
        return nullptr;
    }
    static ContainerBase* Zoom(Component* c, BusMessage, ContainerBase*) {
        auto* self = dynamic_cast<Counter*>(c);
        ++self->zooms;
        if (self->duringRout) self->duringRout();
        return nullptr;
    }
    static ContainerBase* Opened(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Counter*>(c)->opened;
        return nullptr;
    }
    static ContainerBase* Undone(Component* c, BusMessage, ContainerBase*) {
        ++dynamic_cast<Counter*>(c)->undos;
        return nullptr;
    }
};

class FlowTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        counter = std::make_unique<Counter>();
        counter->AttachToBus(&shell->App());
    }
    void TearDown() override {
        counter.reset();
        ScenarioTest::TearDown();
    }
    void Post(const char* name, ContainerBase* payload = nullptr) {
        if (payload) Layer().PostNamed(name, payload);
        else Layer().PostNamedEvent(name);
        shell->Run(100);
    }
    std::unique_ptr<Counter> counter;
};

TEST_F(FlowTest, ARoutPhaseWithoutRoutedUnitsEndsAtOnce) {
    Load();
    Container<short> turn(0);
    Post("RoutPhase", &turn);
    EXPECT_EQ(counter->routingDone, 1);
    EXPECT_EQ(counter->zooms, 0);
}

TEST_F(FlowTest, AStrayCompletionDoesNotEndTheRoutPhase) {
    Load();
    Combat* unit = Layer().FindCombatUnitByName("27th Virginia");
    ASSERT_NE(unit, nullptr);
    unit->ApplyCohesionHits(unit->GetTQ(), 0);
    ASSERT_TRUE(unit->IsRouted());
    bool stillRouting = false;
    int countAfterStray = -1;
    counter->duringRout = [&] {
        // A completion for a unit the phase never set routing, while its own unit still walks.
        Container<short> stray(900);
        delete Layer().SendNamed("RoutingDone", &stray);
        stillRouting = Layer().IsInRoutPhase();
        countAfterStray = Layer().GetRoutCount();
    };
    Container<short> turn(0);
    Post("RoutPhase", &turn);
    EXPECT_TRUE(stillRouting);
    EXPECT_EQ(countAfterStray, 1);
    // The unit's own completion ended it, once; a late one changes nothing.
    EXPECT_FALSE(Layer().IsInRoutPhase());
    EXPECT_EQ(counter->routingDone, 1);
    Container<short> late(static_cast<short>(unit->GetUnitNum()));
    Post("RoutingDone", &late);
    EXPECT_EQ(counter->routingDone, 1);
}

TEST_F(FlowTest, APlayerLeavingOpensABarrierTheOthersHaveReported) {
    Load();
    PlyrInfo a, b;
    a.name = "Ann";
    b.name = "Bob";
    Container<PlyrInfo> pa(a), pb(b);
    delete Layer().SendNamed("SetPlayerInfo", &pa);
    delete Layer().SendNamed("SetPlayerInfo", &pb);
    Container<std::string> text(std::string("looking"));
    Post("SynchronizeGame", &text);
    EXPECT_EQ(Control()->GetSyncRemaining(), 1);
    EXPECT_EQ(counter->opened, 0);
    Container<std::string> gone(std::string("Bob"));
    Post("PlayerDeleted", &gone);
    EXPECT_EQ(counter->opened, 1);
    EXPECT_EQ(Control()->GetSyncRemaining(), -1) << "never below zero, never stuck";
}

TEST_F(FlowTest, RelaysFindOnlyTheKindOfUnitTheyNeed) {
    Load();
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    Combat* regiment = Layer().FindCombatUnitByName("4th Virginia");
    const std::uint16_t range = lee->GetCommandRange();
    Container<WoundedLeaderInfo> notALeader(WoundedLeaderInfo(1, regiment->GetUnitNum()));
    Post("WoundedLeader", &notALeader);
    Container<WoundedLeaderInfo> wound(WoundedLeaderInfo(1, lee->GetUnitNum()));
    Post("WoundedLeader", &wound);
    EXPECT_EQ(lee->GetCommandRange(), range - 1);
    Container<short> finished(static_cast<short>(lee->GetUnitNum()));
    Post("FinishedLeader", &finished);
    EXPECT_TRUE(lee->IsFinished());
    Container<short> column(static_cast<short>(regiment->GetUnitNum()));
    Post("DoColumnLine", &column);
    EXPECT_FALSE(regiment->IsRemoved());
    Container<short> used(static_cast<short>(regiment->GetUnitNum()));
    Post("UsedThisTurn", &used);
    EXPECT_TRUE(regiment->IsUsedThisTurn());
    // "EliminateUnit" with a leader's number replaces the leader.
    Container<short> fallen(static_cast<short>(lee->GetUnitNum()));
    Post("EliminateUnit", &fallen);
    EXPECT_NE(lee->GetName().find("(R)"), std::string::npos);
    Container<Leader*> asked(lee);
    short friendly = -1;
    ContainerBase* answer = Layer().SendNamed("IsLeaderFriendly", &asked);
    ExtractData(answer, friendly);
    delete answer;
    EXPECT_EQ(friendly, 0) << "no local leaders";
}

TEST_F(FlowTest, UndoWithAnEmptyListChangesNothing) {
    Load();
    VhUnit::ClearUndo();
    Post("UnitUndo");
    EXPECT_EQ(counter->undos, 1);
}

} // namespace
