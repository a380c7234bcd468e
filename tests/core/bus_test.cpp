#include "bus_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using BusTest = AppFixture;

TEST_F(BusTest, IdsCountUpAndAreNeverReused) {
    Bus bus("Test bus");
    Probe a, b;
    a.AttachToBus(&bus);
    EXPECT_EQ(a.GetId(), 0);
    EXPECT_EQ(bus.GetComponent(0), &a);
    a.DetachFromBus();
    EXPECT_EQ(a.GetId(), Component::kNoId);
    EXPECT_EQ(a.GetBus(), nullptr);
    EXPECT_EQ(bus.GetComponent(0), nullptr);
    b.AttachToBus(&bus);
    EXPECT_EQ(b.GetId(), 1);
    a.AttachToBus(&bus);
    EXPECT_EQ(a.GetId(), 2);
    EXPECT_TRUE(bus.Check());
}

TEST_F(BusTest, DefaultNames) {
    Component c;
    Bus b;
    AsynchronousBus ab;
    EXPECT_STREQ(c.GetNameText(), "Unnamed Component");
    EXPECT_EQ(b.GetName(), "Unnamed Bus");
    EXPECT_EQ(ab.GetName(), "Unnamed AsynchronousBus");
    EXPECT_EQ(app->GetName(), "GlobalApp");
    EXPECT_EQ(b.GetBus(), &b); // a bus's own bus is itself
}

TEST_F(BusTest, CanTerminateHandlersGoToTheApplication) {
    Bus bus;
    Probe p;
    p.AttachToBus(&bus);
    p.RegisterHandler(CAN_TERMINATE, Probe::Handle);
    EXPECT_EQ(app->TerminateHandlerCount(), 1);
    EXPECT_FALSE(p.IsHandlerRegistered(CAN_TERMINATE, Probe::Handle));
    EXPECT_EQ(bus.CallbacksOf(CAN_TERMINATE), nullptr);
    p.SendEvent(CAN_TERMINATE);
    EXPECT_EQ(p.calls, 0); // not delivered through the bus
    p.DetachFromBus();
    EXPECT_EQ(app->TerminateHandlerCount(), 0);
}

TEST_F(BusTest, AHandlerRegisteredTwiceRunsTwice) {
    Bus bus;
    Probe p;
    p.AttachToBus(&bus);
    p.RegisterHandler(LOGICAL_COMMAND, Probe::Handle);
    p.RegisterHandler(LOGICAL_COMMAND, Probe::Handle);
    p.SendEvent(LOGICAL_COMMAND);
    EXPECT_EQ(p.calls, 2);
    p.UnregisterHandler(LOGICAL_COMMAND, Probe::Handle);
    EXPECT_TRUE(p.IsHandlerRegistered(LOGICAL_COMMAND, Probe::Handle));
    p.SendEvent(LOGICAL_COMMAND);
    EXPECT_EQ(p.calls, 3);
    p.UnregisterHandler(LOGICAL_COMMAND, Probe::Other); // never registered: nothing
    p.UnregisterNamedHandler("NeverSeen", Probe::Handle);
    EXPECT_TRUE(bus.Check());
}

TEST_F(BusTest, UnhookingFindsARecordWhateverItsDirection) {
    Bus bus;
    Probe p;
    p.AttachToBus(&bus);
    bus.HookUpReceiveAll(&p, Probe::All, Probe::All, Probe::All, 1);
    bus.UnhookReceiveAll(&p, Probe::All, Probe::All, Probe::All);
    EXPECT_TRUE(bus.ReceiveAllList().IsEmpty());
}

TEST_F(BusTest, DetachedComponentsSendNothingAndRegisterNothing) {
    Probe lonely;
    Container<short> payload(1);
    lonely.RegisterHandler(KEY_UP, Probe::Handle);
    lonely.Post(KEY_UP, &payload);
    EXPECT_EQ(lonely.Send(KEY_UP, &payload), nullptr);
    EXPECT_EQ(lonely.PostNamedAndWait("Anything", &payload), nullptr);
    EXPECT_TRUE(lonely.CollectEventFrom(0, KEY_UP).IsEmpty());
    EXPECT_FALSE(lonely.IsHandlerRegistered(KEY_UP, Probe::Handle));
    lonely.BlockRelayedEvent(KEY_UP, 2);
    lonely.DetachFromBus();
    EXPECT_EQ(lonely.calls, 0);
}

TEST_F(BusTest, AttachingAnAttachedComponentMovesIt) {
    Bus first, second;
    Probe p;
    p.AttachToBus(&first);
    p.RegisterHandler(KEY_DOWN, Probe::Handle);
    p.AttachToBus(&second);
    EXPECT_EQ(first.GetComponent(0), nullptr);
    Probe sender;
    sender.AttachToBus(&first);
    sender.SendEvent(KEY_DOWN);
    EXPECT_EQ(p.calls, 0);
    EXPECT_TRUE(first.Check());
    EXPECT_TRUE(second.Check());
}

TEST_F(BusTest, EventsTravelTheTreeOnceAndNeverEcho) {
    // app <- left, app <- right, left <- leaf
    Bus left("left"), right("right"), leaf("leaf");
    left.AttachToBus(app.get());
    right.AttachToBus(app.get());
    leaf.AttachToBus(&left);
    Probe onApp, onLeft, onRight, onLeaf;
    onApp.AttachToBus(app.get());
    onLeft.AttachToBus(&left);
    onRight.AttachToBus(&right);
    onLeaf.AttachToBus(&leaf);
    for (Probe* p : {&onApp, &onLeft, &onRight, &onLeaf}) p->RegisterNamedHandler("Ping", Probe::Handle);

    for (Probe* origin : {&onLeaf, &onRight, &onApp}) {
        for (Probe* p : {&onApp, &onLeft, &onRight, &onLeaf}) p->calls = 0;
        origin->SendNamedEvent("Ping");
        for (Probe* p : {&onApp, &onLeft, &onRight, &onLeaf}) EXPECT_EQ(p->calls, 1) << origin->GetName();
        for (Probe* p : {&onApp, &onLeft, &onRight, &onLeaf}) p->calls = 0;
        origin->PostNamedEvent("Ping");
        for (Probe* p : {&onApp, &onLeft, &onRight, &onLeaf}) EXPECT_EQ(p->calls, 1) << origin->GetName();
    }
    EXPECT_EQ(app->TaskCount(), 0);
}

TEST_F(BusTest, BlockEventOnASubBusStopsItComingDownOnly) {
    Bus sub("sub");
    sub.AttachToBus(app.get());
    Probe top, below;
    top.AttachToBus(app.get());
    below.AttachToBus(&sub);
    top.RegisterNamedHandler("Tick", Probe::Handle);
    below.RegisterNamedHandler("Tick", Probe::Handle);
    sub.BlockNamedEvent("Tick", 0);
    top.SendNamedEvent("Tick");
    EXPECT_EQ(below.calls, 0);
    below.SendNamedEvent("Tick");
    EXPECT_EQ(top.calls, 2); // its own send reached its callback, then this one
    sub.UnblockNamedEvent("Tick", 0);
    top.SendNamedEvent("Tick");
    EXPECT_EQ(below.calls, 2); // its own send plus this one
    EXPECT_NE(sub.GetBlockedEvents(1), nullptr);
    EXPECT_EQ(sub.GetBlockedEvents(2), nullptr);
}

TEST_F(BusTest, BlockRelayedEventByDirection) {
    Bus sub("sub");
    sub.AttachToBus(app.get());
    Probe top, below;
    top.AttachToBus(app.get());
    below.AttachToBus(&sub);
    top.RegisterNamedHandler("Up", Probe::Handle);
    below.RegisterNamedHandler("Up", Probe::Handle);
    // On the sub-bus, the record of direction 0 is the one that carries events up.
    below.BlockRelayedNamedEvent("Up", 0);
    below.SendNamedEvent("Up");
    EXPECT_EQ(top.calls, 0);
    top.SendNamedEvent("Up");
    EXPECT_EQ(below.calls, 2);
    below.UnblockRelayedNamedEvent("Up", 2);
    below.SendNamedEvent("Up");
    EXPECT_EQ(top.calls, 2);
}

TEST_F(BusTest, ADestroyedBusLeavesItsComponentsDetached) {
    auto sub = std::make_unique<Bus>("doomed");
    sub->AttachToBus(app.get());
    auto p = std::make_unique<Probe>();
    auto inner = std::make_unique<Bus>("inner");
    p->AttachToBus(sub.get());
    inner->AttachToBus(sub.get());
    p->RegisterHandler(KEY_UP, Probe::Handle);
    std::uint16_t id = p->GetId();
    sub.reset();
    EXPECT_EQ(p->GetBus(), nullptr);
    EXPECT_EQ(p->GetId(), id); // the stale id stays
    EXPECT_EQ(inner->GetOuterBus(), nullptr);
    EXPECT_TRUE(inner->ReceiveAllList().IsEmpty());
    p.reset();
    inner.reset();
    EXPECT_TRUE(app->Check());
}

TEST_F(BusTest, ABusCannotJoinItsOwnSubtree) {
    Bus a("a"), b("b");
    b.AttachToBus(&a);
    platform::QueueMessageBoxAnswer(IDNO);
    a.AttachToBus(&b);
    EXPECT_EQ(a.GetOuterBus(), nullptr);
    platform::QueueMessageBoxAnswer(IDNO);
    a.AttachToBus(&a);
    EXPECT_EQ(a.GetOuterBus(), nullptr);
}

struct Regiment : Component {
    explicit Regiment(short n) : number(n) {}
    short number;
    std::int16_t MatchesQuery(ContainerBase* query) override {
        const short* wanted = PayloadValue<short>(query);
        return wanted && *wanted == number;
    }
};

TEST_F(BusTest, FindComponentsAsksEachInAttachOrder) {
    Bus bus;
    Regiment a(5), b(6), c(5);
    a.AttachToBus(&bus);
    b.AttachToBus(&bus);
    c.AttachToBus(&bus);
    Container<short> five(5);
    List<short> found = a.FindComponents(&five);
    List<short> expected;
    expected << 0 << 2;
    EXPECT_TRUE(found == expected);
    List<short> among;
    among << 2 << 1;
    List<short> onlyC;
    onlyC << 2;
    EXPECT_TRUE(a.FindComponentsAmong(among, &five) == onlyC);
}

// Random attaching, detaching, registering and sending on a small tree of buses.
TEST_F(BusTest, RandomMixKeepsEveryBusConsistent) {
    Bus sub("sub");
    sub.AttachToBus(app.get());
    std::vector<std::unique_ptr<Probe>> probes;
    for (int i = 0; i < 12; ++i) probes.push_back(std::make_unique<Probe>());
    std::mt19937 rng(5);
    BusHandler handlers[] = {Probe::Handle, Probe::Other};
    for (int step = 0; step < 3000; ++step) {
        Probe& p = *probes[rng() % probes.size()];
        Bus* where = rng() % 2 ? static_cast<Bus*>(app.get()) : &sub;
        int event = 100 + static_cast<int>(rng() % 4);
        switch (rng() % 8) {
        case 0: p.AttachToBus(where); break;
        case 1: p.DetachFromBus(); break;
        case 2: p.RegisterHandler(event, handlers[rng() % 2]); break;
        case 3: p.UnregisterHandler(event, handlers[rng() % 2]); break;
        case 4: p.SendEvent(event); break;
        case 5: p.PostEvent(event); break;
        case 6: p.ReceiveAllEvents(Probe::All, Probe::All, Probe::All); break;
        case 7:
            if (rng() % 20 == 0) probes[rng() % probes.size()] = std::make_unique<Probe>();
            break;
        }
        ASSERT_TRUE(app->Check());
        ASSERT_TRUE(sub.Check());
        ASSERT_TRUE(static_cast<Bus*>(app.get())->Check());
    }
}

} // namespace
