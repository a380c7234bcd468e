#include "bus_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using DeliveryTest = AppFixture;

TEST_F(DeliveryTest, ListenersFirstInHookUpOrderThenCallbacksInRegistrationOrder) {
    std::vector<std::string> log;
    Bus bus;
    Probe a("a", &log), b("b", &log), c("c", &log), sender("sender", &log);
    for (Probe* p : {&a, &b, &c, &sender}) p->AttachToBus(&bus);
    c.RegisterHandler(KEY_UP, Probe::Handle);
    a.RegisterHandler(KEY_UP, Probe::Handle);
    b.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    a.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    sender.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    sender.SendEvent(KEY_UP);
    EXPECT_EQ(log, (std::vector<std::string>{"b/all", "a/all", "c", "a"}));
}

TEST_F(DeliveryTest, TheSenderGetsItsOwnEventThroughACallbackButNotItsRecord) {
    Bus bus;
    Probe self;
    self.AttachToBus(&bus);
    self.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    self.RegisterHandler(KEY_DOWN, Probe::Handle);
    self.SendEvent(KEY_DOWN);
    EXPECT_EQ(self.calls, 1);
    EXPECT_EQ(self.receiveAllCalls, 0);
}

TEST_F(DeliveryTest, SendKeepsTheLastNonNullResultAndDeletesTheOthers) {
    struct Case {
        int first, second; // -1: the handler answers null
        int expected;
    } cases[] = {{7, -1, 7}, {7, 8, 8}, {-1, -1, -1}, {-1, 9, 9}};
    for (const auto& c : cases) {
        Bus bus;
        Probe a, b, sender;
        for (Probe* p : {&a, &b, &sender}) p->AttachToBus(&bus);
        a.RegisterHandler(KEY_UP, Probe::Handle);
        b.RegisterHandler(KEY_UP, Probe::Handle);
        if (c.first >= 0) a.action = Reply(c.first);
        if (c.second >= 0) b.action = Reply(c.second);
        int live = Counted::live;
        std::unique_ptr<ContainerBase> r(sender.SendEvent(KEY_UP));
        EXPECT_EQ(r ? CountedValue(r.get()) : -1, c.expected);
        EXPECT_EQ(Counted::live, live + (r ? 1 : 0)); // the replaced result is gone
    }
}

TEST_F(DeliveryTest, CallbacksSeeTheCallersPayloadListenersTheirOwnClone) {
    Bus bus;
    Probe callback, listener, sender;
    for (Probe* p : {&callback, &listener, &sender}) p->AttachToBus(&bus);
    callback.RegisterHandler(KEY_UP, Probe::Handle);
    listener.deleteInner = false;
    listener.ReceiveAllEvents(nullptr, nullptr, Probe::All);
    std::unique_ptr<ContainerBase> payload(MakeCounted(42));
    int live = Counted::live;
    delete sender.Send(KEY_UP, payload.get());
    EXPECT_EQ(callback.lastPayload, payload.get());
    EXPECT_NE(listener.lastPayload, payload.get());
    EXPECT_EQ(listener.lastValue, 42);
    EXPECT_EQ(Counted::live, live + 1); // the listener's clone is the listener's to delete
    delete listener.lastPayload;
}

TEST_F(DeliveryTest, EachQueuedReceiverHasItsOwnCloneAndTheCallerKeepsItsPayload) {
    Probe a, b, sender;
    for (Probe* p : {&a, &b, &sender}) p->AttachToBus(app.get());
    a.RegisterHandler(KEY_UP, Probe::Handle);
    b.RegisterHandler(KEY_UP, Probe::Handle);
    b.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    int live = Counted::live;
    std::unique_ptr<ContainerBase> payload(MakeCounted(5));
    int peak = 0;
    // b's record runs first: by then every task, with its own clone, is queued.
    b.action = [&](Probe*, BusMessage, ContainerBase* p) {
        if (peak == 0) peak = Counted::live;
        EXPECT_NE(p, payload.get());
        return nullptr;
    };
    sender.Post(KEY_UP, payload.get());
    EXPECT_EQ(peak, live + 1 + 3); // the caller's and three clones
    EXPECT_EQ(b.lastValue, 5);
    payload.reset();
    EXPECT_EQ(Counted::live, live);
}

TEST_F(DeliveryTest, PostsFromOutsideRunAtOncePostsFromAHandlerRunAfterIt) {
    std::vector<std::string> log;
    Probe first("first", &log), second("second", &log), sender("sender", &log);
    for (Probe* p : {&first, &second, &sender}) p->AttachToBus(app.get());
    first.RegisterNamedHandler("Start", Probe::Handle);
    second.RegisterNamedHandler("Follow", Probe::Handle);
    first.action = [&](Probe* self, BusMessage, ContainerBase*) {
        self->PostNamedEvent("Follow");
        log.push_back("first done");
        return nullptr;
    };
    sender.PostNamedEvent("Start");
    EXPECT_EQ(log, (std::vector<std::string>{"first", "first done", "second"}));
    EXPECT_EQ(app->TaskCount(), 0);
    EXPECT_EQ(app->DispatchDepth(), 0);
}

TEST_F(DeliveryTest, QueuedTasksCarryTheCallbacksAsTheyStoodWhenPosting) {
    std::vector<std::string> log;
    Probe trigger("trigger", &log), late("late", &log), leaving("leaving", &log);
    for (Probe* p : {&trigger, &late, &leaving}) p->AttachToBus(app.get());
    trigger.RegisterNamedHandler("Go", Probe::Handle);
    leaving.RegisterNamedHandler("Then", Probe::Handle);
    trigger.action = [&](Probe* self, BusMessage, ContainerBase*) {
        self->PostNamedEvent("Then");                           // queued for "leaving"
        late.RegisterNamedHandler("Then", Probe::Handle);       // too late for it
        leaving.UnregisterNamedHandler("Then", Probe::Handle);  // its task still runs
        return nullptr;
    };
    trigger.PostNamedEvent("Go");
    EXPECT_EQ(log, (std::vector<std::string>{"trigger", "leaving"}));
}

TEST_F(DeliveryTest, ATaskForADetachedOrDeletedComponentIsDropped) {
    auto victim = std::make_unique<Probe>("victim");
    Probe detached("detached"), killer("killer"), sender("sender");
    for (Probe* p : {victim.get(), &detached, &killer, &sender}) p->AttachToBus(app.get());
    // Queued in this order: killer's record, victim's record, victim's and detached's callbacks.
    killer.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    victim->ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    victim->RegisterNamedHandler("Strike", Probe::Handle);
    detached.RegisterNamedHandler("Strike", Probe::Handle);
    killer.action = [&](Probe*, BusMessage, ContainerBase*) {
        victim.reset();
        detached.DetachFromBus();
        return nullptr;
    };
    int live = Counted::live;
    std::unique_ptr<ContainerBase> payload(MakeCounted(1));
    sender.PostNamed("Strike", payload.get());
    EXPECT_EQ(killer.calls, 1);
    EXPECT_EQ(detached.calls, 0);
    payload.reset();
    EXPECT_EQ(Counted::live, live); // the dropped tasks' clones, the listener's included, are gone
    EXPECT_EQ(app->TaskCount(), 0);
    EXPECT_TRUE(app->Check());
}

TEST_F(DeliveryTest, SynchronousDeliverySurvivesHandlersThatChangeTheBus) {
    std::vector<std::string> log;
    Bus bus;
    auto a = std::make_unique<Probe>("a", &log);
    auto b = std::make_unique<Probe>("b", &log);
    auto c = std::make_unique<Probe>("c", &log);
    Probe newcomer("newcomer", &log), sender("sender", &log);
    for (Probe* p : {a.get(), b.get(), c.get(), &newcomer, &sender}) p->AttachToBus(&bus);
    for (Probe* p : {a.get(), b.get(), c.get()}) p->RegisterHandler(KEY_UP, Probe::Handle);
    a->action = [&](Probe* self, BusMessage, ContainerBase*) {
        self->UnregisterHandler(KEY_UP, Probe::Handle); // itself
        b.reset();                                       // a later receiver, deleted
        newcomer.RegisterHandler(KEY_UP, Probe::Handle); // gets the next event
        return nullptr;
    };
    sender.SendEvent(KEY_UP);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(bus.Check());
    log.clear();
    sender.SendEvent(KEY_UP);
    EXPECT_EQ(log, (std::vector<std::string>{"c", "newcomer"}));
}

TEST_F(DeliveryTest, AHandlerMayDeleteTheBusItIsCalledOn) {
    auto bus = std::make_unique<Bus>("short-lived");
    auto a = std::make_unique<Probe>("a");
    Probe b("b");
    a->AttachToBus(bus.get());
    b.AttachToBus(bus.get());
    a->RegisterHandler(KEY_UP, Probe::Handle);
    b.RegisterHandler(KEY_UP, Probe::Handle);
    b.ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    a->action = [&](Probe*, BusMessage, ContainerBase*) {
        bus.reset();
        return MakeCounted(3);
    };
    Probe sender;
    sender.AttachToBus(bus.get());
    std::unique_ptr<ContainerBase> r(bus->Send(&sender, KEY_UP, nullptr));
    EXPECT_EQ(CountedValue(r.get()), 3);
    EXPECT_EQ(b.calls, 1); // its record ran before; its callback never does
    EXPECT_EQ(b.GetBus(), nullptr);
}

// A message with a single callback takes a shorter way through the bus; its callback may change
// the bus as any other may.
TEST_F(DeliveryTest, ALoneCallbackMayChangeOrDeleteTheBusItIsCalledOn) {
    struct Case {
        const char* what;
        bool deleteBus;
        bool unregisterItself;
        bool registerNewcomer;
    };
    for (const Case& k : {Case{"deletes the bus", true, false, false}, Case{"unregisters itself", false, true, false},
                          Case{"adds a second callback", false, false, true},
                          Case{"swaps itself for another", false, true, true}}) {
        SCOPED_TRACE(k.what);
        std::vector<std::string> log;
        auto bus = std::make_unique<Bus>("lone");
        Probe lone("lone", &log), newcomer("newcomer", &log), sender("sender", &log);
        for (Probe* p : {&lone, &newcomer, &sender}) p->AttachToBus(bus.get());
        lone.RegisterHandler(KEY_UP, Probe::Handle);
        lone.action = [&](Probe* self, BusMessage, ContainerBase*) {
            if (k.unregisterItself) self->UnregisterHandler(KEY_UP, Probe::Handle);
            if (k.registerNewcomer) newcomer.RegisterHandler(KEY_UP, Probe::Handle);
            if (k.deleteBus) bus.reset();
            return MakeCounted(5);
        };
        std::unique_ptr<ContainerBase> r(sender.Send(KEY_UP, nullptr));
        EXPECT_EQ(CountedValue(r.get()), 5);
        EXPECT_EQ(log, (std::vector<std::string>{"lone"}));
        if (k.deleteBus) {
            EXPECT_EQ(lone.GetBus(), nullptr);
            continue;
        }
        EXPECT_TRUE(bus->Check());
        EXPECT_EQ(bus->IsRegistered(&lone, KEY_UP, Probe::Handle), !k.unregisterItself);
        log.clear();
        lone.action = nullptr;
        r.reset(sender.Send(KEY_UP, nullptr));
        std::vector<std::string> next;
        if (!k.unregisterItself) next.push_back("lone");
        if (k.registerNewcomer) next.push_back("newcomer");
        EXPECT_EQ(log, next);
        EXPECT_TRUE(bus->Check());
    }
}

// A post to a single callback deletes what the callback returns.
TEST_F(DeliveryTest, APostToALoneCallbackDeletesItsResult) {
    Bus bus("lone");
    Probe lone("lone"), sender("sender");
    lone.AttachToBus(&bus);
    sender.AttachToBus(&bus);
    lone.RegisterHandler(KEY_UP, Probe::Handle);
    int alive = 0;
    struct Tracked : Container<short> {
        explicit Tracked(int* n) : Container<short>(short{1}), count(n) { ++*count; }
        ~Tracked() override { --*count; }
        int* count;
    };
    lone.action = [&](Probe*, BusMessage, ContainerBase*) { return new Tracked(&alive); };
    bus.Post(&sender, KEY_UP, nullptr);
    EXPECT_EQ(lone.calls, 1);
    EXPECT_EQ(alive, 0);
}

TEST_F(DeliveryTest, PostAndWaitWithoutReceiversReturnsNullAndCountsASequence) {
    Probe sender;
    sender.AttachToBus(app.get());
    std::int32_t before = app->SequenceNumber();
    EXPECT_EQ(sender.PostNamedEventAndWait("NobodyListens"), nullptr);
    EXPECT_EQ(sender.PostEventAndWait(NULL_EVENT), nullptr);
    EXPECT_EQ(app->SequenceNumber(), before + 2);
}

TEST_F(DeliveryTest, PostAndWaitReturnsTheReplyOfItsOwnTasks) {
    Probe a, b, sender;
    for (Probe* p : {&a, &b, &sender}) p->AttachToBus(app.get());
    a.RegisterNamedHandler("Ask", Probe::Handle);
    b.RegisterNamedHandler("Ask", Probe::Handle);
    a.action = Reply(1);
    b.action = Reply(2);
    std::unique_ptr<ContainerBase> r(sender.PostNamedEventAndWait("Ask"));
    EXPECT_EQ(CountedValue(r.get()), 2);
    EXPECT_EQ(a.lastEvent.Kind(), KIND_POST_AND_WAIT);
    EXPECT_EQ(app->WaiterCount(), 0);
}

TEST_F(DeliveryTest, NestedPostAndWaitKeepsRepliesApart) {
    std::vector<std::string> log;
    Probe outer("outer", &log), inner("inner", &log), bystander("bystander", &log), sender("sender", &log);
    for (Probe* p : {&outer, &inner, &bystander, &sender}) p->AttachToBus(app.get());
    outer.RegisterNamedHandler("Outer", Probe::Handle);
    bystander.RegisterNamedHandler("Outer", Probe::Handle);
    inner.RegisterNamedHandler("Inner", Probe::Handle);
    inner.action = Reply(20);
    bystander.action = Reply(10);
    int innerAnswer = -1;
    outer.action = [&](Probe* self, BusMessage, ContainerBase*) {
        // This wait runs the bystander's task of the outer wait too; its reply must still go out.
        std::unique_ptr<ContainerBase> r(self->PostNamedEventAndWait("Inner"));
        innerAnswer = CountedValue(r.get());
        return nullptr;
    };
    std::unique_ptr<ContainerBase> r(sender.PostNamedEventAndWait("Outer"));
    EXPECT_EQ(innerAnswer, 20);
    EXPECT_EQ(CountedValue(r.get()), 10);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "bystander", "inner"}));
    EXPECT_EQ(app->WaiterCount(), 0);
}

TEST_F(DeliveryTest, CollectingSendsAnswerPerComponent) {
    Probe a, b, silent, sender;
    for (Probe* p : {&a, &b, &silent, &sender}) p->AttachToBus(app.get());
    a.RegisterNamedHandler("Count", Probe::Handle);
    b.RegisterNamedHandler("Count", Probe::Handle);
    silent.RegisterNamedHandler("Count", Probe::Handle);
    a.action = Reply(1);
    b.action = Reply(2);
    List<short> ids;
    ids << b.GetId() << a.GetId() << silent.GetId();
    List<VectorBusResponse> replies = sender.CollectNamedEventFromAll(ids, "Count");
    ASSERT_EQ(replies.Count(), 2);
    EXPECT_EQ(replies.Head()->value.id, b.GetId());
    EXPECT_EQ(CountedValue(replies.Head()->value.result), 2);
    EXPECT_EQ(CountedValue(replies.Tail()->value.result), 1);
    DeleteResponses(replies);
    EXPECT_TRUE(sender.CollectNamedEventFrom(sender.GetId(), "Count").IsEmpty());
    EXPECT_EQ(silent.lastEvent.Kind(), KIND_POST_AND_WAIT);
}

TEST_F(DeliveryTest, PlainBusTargetedPostsPassTheWordUnchanged) {
    Bus bus;
    Probe a, b, sender;
    for (Probe* p : {&a, &b, &sender}) p->AttachToBus(&bus);
    a.RegisterHandler(KEY_UP, Probe::Handle);
    b.RegisterHandler(KEY_UP, Probe::Handle);
    sender.PostEventTo(b.GetId(), KEY_UP);
    EXPECT_EQ(a.calls, 0);
    EXPECT_EQ(b.calls, 1);
    EXPECT_EQ(b.lastEvent.Kind(), KIND_NONE);
    List<short> both;
    both << a.GetId() << b.GetId();
    sender.PostEventToAll(both, KEY_UP);
    EXPECT_EQ(a.calls + b.calls, 3);
    sender.PostEvent(KEY_UP);
    EXPECT_EQ(a.lastEvent.Kind(), KIND_POST);
}

TEST_F(DeliveryTest, EventZeroIsNeverDelivered) {
    Bus bus;
    Probe p, sender;
    p.AttachToBus(&bus);
    sender.AttachToBus(app.get());
    Probe q;
    q.AttachToBus(app.get());
    for (Probe* r : {&p, &q}) {
        r->RegisterHandler(NULL_EVENT, Probe::Handle);
        r->ReceiveAllEvents(Probe::All, Probe::All, Probe::All);
    }
    Probe plainSender;
    plainSender.AttachToBus(&bus);
    for (Probe* s : {&plainSender, &sender}) {
        s->PostEvent(NULL_EVENT);
        delete s->SendEvent(NULL_EVENT);
        delete s->PostEventAndWait(NULL_EVENT);
        s->PostEventTo(p.GetId(), NULL_EVENT);
        s->PostEventTo(q.GetId(), NULL_EVENT);
        EXPECT_TRUE(s->CollectEventFrom(q.GetId(), NULL_EVENT).IsEmpty());
    }
    EXPECT_EQ(p.calls + q.calls, 0);
}

TEST_F(DeliveryTest, PostsOnASubBusReachTheApplicationBus) {
    AsynchronousBus layer("layer");
    layer.AttachToBus(app.get());
    Probe unit, top;
    unit.AttachToBus(&layer);
    top.AttachToBus(app.get());
    top.RegisterNamedHandler("UnitMovement", Probe::Handle);
    std::unique_ptr<ContainerBase> payload(MakeCounted(77));
    unit.PostNamed("UnitMovement", payload.get());
    EXPECT_EQ(top.lastValue, 77);
    EXPECT_EQ(top.lastEvent.Kind(), KIND_POST);
    top.action = Reply(4);
    std::unique_ptr<ContainerBase> r(unit.PostNamedAndWait("UnitMovement", payload.get()));
    EXPECT_EQ(CountedValue(r.get()), 4);
}

// A handler entry of the usual form: checks its receiver and payload, then calls the method.
struct Marcher : Component {
    int moved = 0;
    ContainerBase* Move(const Counted& c) {
        moved += c.value;
        return nullptr;
    }
    static ContainerBase* MoveEntry(Component* c, BusMessage, ContainerBase* p) {
        Marcher* self;
        Counted* value;
        if (!BusArgs(c, p, self, value, "MARCH", 12)) return nullptr;
        return self->Move(*value);
    }
};

TEST_F(DeliveryTest, AWrongPayloadGoesToTheAssertionBoxAndTheMethodNeverRuns) {
    Marcher m;
    Probe sender;
    m.AttachToBus(app.get());
    sender.AttachToBus(app.get());
    m.RegisterNamedHandler("March", Marcher::MoveEntry);
    Container<short> wrong(3);
    platform::QueueMessageBoxAnswer(IDNO);
    sender.SendNamed("March", &wrong);
    EXPECT_EQ(m.moved, 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Failure in MARCH at line 12.");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(sender.SendNamed("March", &wrong), Assertion);
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(sender.PostNamed("March", &wrong), Assertion);
    EXPECT_EQ(app->DispatchDepth(), 0); // the drain unwound
    std::unique_ptr<ContainerBase> right(MakeCounted(4));
    sender.SendNamed("March", right.get());
    EXPECT_EQ(m.moved, 4);
}

} // namespace
