#include "core/bus.h"

#include "core/application.h"
#include "core/message_registry.h"

#include <memory>

// One delivery running on a bus. Frames nest like the calls that make them; a bus destroyed while
// deliveries run marks their frames, and each delivery stops as soon as its handler returns.
// The bus keeps the address of the innermost frame only while that frame lives.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
struct Bus::DeliveryFrame {
    explicit DeliveryFrame(Bus* bus_) : bus(bus_), outerFrame(bus_->frames) { bus->frames = this; }
    ~DeliveryFrame() {
        if (gone) return;
        bus->frames = outerFrame;
        if (!outerFrame && bus->purgePending) bus->Purge();
    }
    DeliveryFrame(const DeliveryFrame&) = delete;
    DeliveryFrame& operator=(const DeliveryFrame&) = delete;

    Bus* bus;
    DeliveryFrame* outerFrame;
    bool gone = false;
};
#pragma GCC diagnostic pop

namespace {

// A removed record or callback that a running delivery may still be standing on.
bool isDead(const Callback& c) { return c.object == nullptr; }
bool isDead(const ReceiveAllCallback& r) { return r.listener == nullptr; }

// Keeps the latest non-null result of a send or post-and-wait, deleting the one it replaces.
void keepLatest(std::unique_ptr<ContainerBase>& kept, ContainerBase* fresh) {
    if (fresh) kept.reset(fresh);
}

} // namespace

int RemoveAllWithOwner(List<Callback>& list, const Callback& record) {
    return list.RemoveIf([&](const Callback& c) { return c.object == record.object; });
}

int RemoveAllWithOwner(List<ReceiveAllCallback>& list, const ReceiveAllCallback& record) {
    return list.RemoveIf([&](const ReceiveAllCallback& r) { return r.listener == record.listener; });
}

Bus::Bus(const char* name_) : Bus(name_, "Unnamed Bus") {}

Bus::Bus(const char* name_, const char* defaultName) : Component(name_, defaultName), callbacks(List<Callback>()) {
    bus = this;
}

Bus::~Bus() {
    for (DeliveryFrame* f = frames; f; f = f->outerFrame) f->gone = true;
    frames = nullptr;
    Application* app = GetApplication();
    short taken;
    while (ids.RemoveHead(taken)) {
        Component* c = idTable[static_cast<std::uint16_t>(taken)];
        if (!c) continue;
        c->ClearBus();
        // Tasks queued for it were made from this bus's lists: it is no longer a receiver.
        if (app && c != app) app->ForgetTasksOf(c);
    }
    Bus::DetachFromBus();
    bus = nullptr;
}

// --- component operations of a bus ---

int Bus::DeliverPost(BusMessage event, ContainerBase* payload, Component* sender) {
    Post(sender, event, payload);
    return 1;
}

int Bus::DeliverPostAndWait(BusMessage event, ContainerBase* payload, Component* sender, ContainerBase*& result) {
    result = PostAndWait(sender, event, payload);
    return 1;
}

int Bus::DeliverSend(BusMessage event, ContainerBase* payload, Component* sender, ContainerBase*& result) {
    result = Send(sender, event, payload);
    return 1;
}

void Bus::Connect() {
    if (!outer) return;
    ReceiveAllEvents(RelayPost, RelayPostAndWait, RelaySend, 1);
    HookUpReceiveAll(outer, RelayPost, RelayPostAndWait, RelaySend, 0);
}

void Bus::ClearBus() {
    if (outer) UnhookReceiveAll(outer, RelayPost, RelayPostAndWait, RelaySend);
    outer = nullptr;
}

void Bus::ReceiveAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send, int direction) {
    if (outer) outer->HookUpReceiveAll(this, post, postAndWait, send, direction);
}

void Bus::StopReceivingAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send) {
    if (outer) outer->UnhookReceiveAll(this, post, postAndWait, send);
}

bool Bus::WouldFormCycle(Bus* candidate) const {
    for (const Bus* b = candidate; b; b = b->outer) {
        if (b == this) return true;
    }
    return false;
}

void Bus::AttachToBus(Bus* outer_) {
    if (outer) DetachFromBus();
    if (!outer_) return;
    if (WouldFormCycle(outer_)) {
        // Relays around a cycle would pass every event on for ever.
        AssertFail("A bus cannot be attached to itself or to one of its own sub-buses", "BUS", __LINE__);
        return;
    }
    outer = outer_;
    outer_->Attach(this);
    if (id == kNoId) {
        outer = nullptr;
        return;
    }
    Connect();
}

void Bus::DetachFromBus() {
    if (!outer) return;
    outer->Detach(this);
    ClearBus();
}

// --- attaching ---

void Bus::Attach(Component* component) {
    if (!component) return;
    if (nextId >= kNoId) {
        AssertFail("No more component ids on bus", "BUS", __LINE__);
        return;
    }
    std::uint16_t given = static_cast<std::uint16_t>(nextId++);
    ids.AddTail(static_cast<short>(given));
    idTable[given] = component;
    component->id = given;
}

void Bus::Detach(Component* component) {
    if (!component) return;
    std::uint16_t gone = component->id;
    if (gone < nextId && idTable[gone] == component) {
        idTable[gone] = nullptr;
        ids.Remove(static_cast<short>(gone));
    }
    RemoveCallbacksOf(component);
    component->id = kNoId;
    if (Application* app = GetApplication(); app && component != app) app->ForgetTasksOf(component);
}

Component* Bus::GetComponent(std::uint16_t which) const {
    if (which >= nextId) return nullptr;
    return idTable[which];
}

// --- registration ---

const List<Callback>* Bus::CallbacksOf(int number) const { return callbacks.Lookup(number); }

void Bus::RegisterHandler(Component* component, BusMessage event, BusHandler handler) {
    if (!component || !handler) return;
    if (event.Number() == CAN_TERMINATE) {
        if (Application* app = GetApplication()) app->AddTerminateHandler(Callback(component, handler));
        return;
    }
    callbacks[event.Number()].AddTail(Callback(component, handler));
}

void Bus::UnregisterHandler(Component* component, BusMessage event, BusHandler handler) {
    if (event.Number() == CAN_TERMINATE) {
        if (Application* app = GetApplication()) app->RemoveTerminateHandler(Callback(component, handler));
        return;
    }
    List<Callback>* list = callbacks.Lookup(event.Number());
    if (!list || !component) return;
    Callback wanted(component, handler);
    for (Item<Callback>* i = list->Head(); i; i = i->next) {
        if (i->value == wanted) {
            RemoveCallback(*list, i);
            return;
        }
    }
}

bool Bus::IsRegistered(Component* component, BusMessage event, BusHandler handler) const {
    const List<Callback>* list = callbacks.Lookup(event.Number());
    return list && component && list->Contains(Callback(component, handler));
}

void Bus::RemoveCallback(List<Callback>& list, Item<Callback>* item) {
    if (frames) {
        item->value = Callback();
        purgePending = true;
    } else {
        list.RemoveItem(item);
    }
}

void Bus::RemoveRecord(Item<ReceiveAllCallback>* item) {
    if (frames) {
        item->value.listener = nullptr;
        item->value.post = item->value.postAndWait = item->value.send = nullptr;
        purgePending = true;
    } else {
        receiveAll.RemoveItem(item);
    }
}

void Bus::RemoveCallbacksOf(Component* component) {
    if (!component) return;
    if (Application* app = GetApplication()) app->RemoveTerminateHandlersOf(component);
    List<List<Callback>*> lists = callbacks.Values();
    for (Item<List<Callback>*>* l = lists.Head(); l; l = l->next) {
        List<Callback>& list = *l->value;
        if (!frames) {
            RemoveAllWithOwner(list, Callback(component, nullptr));
            continue;
        }
        for (Item<Callback>* i = list.Head(); i; i = i->next) {
            if (i->value.object == component) RemoveCallback(list, i);
        }
    }
    for (Item<ReceiveAllCallback>* i = receiveAll.Head(); i;) {
        Item<ReceiveAllCallback>* next = i->next;
        if (i->value.listener == component) RemoveRecord(i);
        i = next;
    }
}

void Bus::Purge() {
    purgePending = false;
    List<List<Callback>*> lists = callbacks.Values();
    for (Item<List<Callback>*>* l = lists.Head(); l; l = l->next) {
        l->value->RemoveIf([](const Callback& c) { return isDead(c); });
    }
    receiveAll.RemoveIf([](const ReceiveAllCallback& r) { return isDead(r); });
}

void Bus::RegisterOuterHandler(BusMessage event, BusHandler handler) {
    if (outer) outer->RegisterHandler(this, event, handler);
}

void Bus::RegisterOuterNamedHandler(std::string_view name_, BusHandler handler) {
    RegisterOuterHandler(RegisterMessage(name_), handler);
}

void Bus::UnregisterOuterHandler(BusMessage event, BusHandler handler) {
    if (outer) outer->UnregisterHandler(this, event, handler);
}

void Bus::UnregisterOuterNamedHandler(std::string_view name_, BusHandler handler) {
    UnregisterOuterHandler(RegisterMessage(name_), handler);
}

void Bus::RemoveOuterCallbacks() {
    if (!outer) return;
    if (Application* app = GetApplication()) app->RemoveTerminateHandlersOf(this);
    List<List<Callback>*> lists = outer->callbacks.Values();
    for (Item<List<Callback>*>* l = lists.Head(); l; l = l->next) {
        List<Callback>& list = *l->value;
        for (Item<Callback>* i = list.Head(); i;) {
            Item<Callback>* next = i->next;
            if (i->value.object == this) outer->RemoveCallback(list, i);
            i = next;
        }
    }
}

// --- receive-all records and blocking ---

void Bus::HookUpReceiveAll(Component* listener, BusHandler post, BusHandler postAndWait, BusHandler send,
                           int direction) {
    if (!listener) return;
    receiveAll.AddTail(ReceiveAllCallback(listener, post, postAndWait, send, direction));
}

void Bus::UnhookReceiveAll(Component* listener, BusHandler post, BusHandler postAndWait, BusHandler send) {
    if (!listener) return;
    ReceiveAllCallback wanted(listener, post, postAndWait, send, 2);
    for (Item<ReceiveAllCallback>* i = receiveAll.Head(); i; i = i->next) {
        if (i->value == wanted) {
            RemoveRecord(i);
            return;
        }
    }
}

void Bus::BlockRelayedEvent(BusMessage event, int direction) {
    for (Item<ReceiveAllCallback>* i = receiveAll.Head(); i; i = i->next) {
        if (direction == 2 || i->value.direction == direction) i->value.relayBlocked.AddTail(event);
    }
}

void Bus::UnblockRelayedEvent(BusMessage event, int direction) {
    for (Item<ReceiveAllCallback>* i = receiveAll.Head(); i; i = i->next) {
        if (direction == 2 || i->value.direction == direction) i->value.relayBlocked.Remove(event);
    }
}

bool Bus::IsEligible(const ReceiveAllCallback& record, const Component* sender, BusMessage event) {
    if (!record.listener || record.listener == sender) return false;
    if (!record.relayBlocked.IsEmpty() && record.relayBlocked.Contains(event)) return false;
    const List<BusMessage>* own = record.listener->GetBlockedEvents(record.direction);
    return !(own && own->Contains(event));
}

// --- queries ---

void Bus::FindComponents(Component*, List<short>& out, ContainerBase* query) {
    FindComponentsAmong(nullptr, out, ids, query);
}

void Bus::FindComponentsAmong(Component*, List<short>& out, const List<short>& candidates, ContainerBase* query) {
    List<short> snapshot(candidates); // a query may attach or detach
    for (Item<short>* i = snapshot.Head(); i; i = i->next) {
        Component* c = GetComponent(static_cast<std::uint16_t>(i->value));
        if (c && c->MatchesQuery(query) != 0) out.AddTail(i->value);
    }
}

// --- delivery ---

ContainerBase* Bus::DeliverToListeners(Component* sender, BusMessage event, ContainerBase* payload, int kind,
                                       DeliveryFrame& frame) {
    std::unique_ptr<ContainerBase> kept;
    // A delivery sees the list as it stood when it began: it stops at the item that was last.
    Item<ReceiveAllCallback>* last = receiveAll.Tail();
    for (Item<ReceiveAllCallback>* i = receiveAll.Head(); i; i = i->next) {
        const ReceiveAllCallback& r = i->value;
        BusHandler h = kind == KIND_SEND ? r.send : kind == KIND_POST_AND_WAIT ? r.postAndWait : r.post;
        if (h && IsEligible(r, sender, event)) {
            Container<ReceiveAllData> wrapper(ReceiveAllData(this, payload ? payload->Clone() : nullptr));
            ContainerBase* result = h(r.listener, event, &wrapper);
            if (kind == KIND_POST) delete result;
            else keepLatest(kept, result);
            if (frame.gone) break;
        }
        if (i == last) break;
    }
    return kept.release();
}

// The hot path of every delivery; inlined into the few operations of this file that call it. It
// holds the common case alone, so that its callers stay small; everything else goes to
// DeliverAll.
[[gnu::always_inline]] inline ContainerBase* Bus::Deliver(Component* sender, BusMessage event, ContainerBase* payload,
                                                          int kind) {
    const int number = event.Number();
    if (number == NULL_EVENT) return nullptr;
    event = event.WithKind(kind);
    // Most messages have no listener of every message and at most one callback: that callback is
    // called without the loop and the keeping of results that several need. Nothing here stands
    // on the bus's records once the callback runs, so it needs no frame: whatever the callback
    // removes goes at once, as outside any delivery, and it may delete the bus.
    if (receiveAll.IsEmpty()) [[likely]] {
        List<Callback>* list = callbacks.Lookup(number);
        if (!list) return nullptr;
        Item<Callback>* only = list->Head();
        if (only == list->Tail()) {
            if (!only) return nullptr;
            const Callback c = only->value;
            if (!c.object) return nullptr;
            if (kind == KIND_POST) {
                delete c.handler(c.object, event, payload);
                return nullptr;
            }
            return c.handler(c.object, event, payload);
        }
    }
    return DeliverAll(sender, event, payload, kind);
}

// Every delivery: the listeners of every message first, then the message's callbacks in order.
ContainerBase* Bus::DeliverAll(Component* sender, BusMessage event, ContainerBase* payload, int kind) {
    const int number = event.Number();
    DeliveryFrame frame(this);
    std::unique_ptr<ContainerBase> kept;
    if (!receiveAll.IsEmpty()) {
        kept.reset(DeliverToListeners(sender, event, payload, kind, frame));
        if (frame.gone) return kept.release();
    }
    List<Callback>* list = callbacks.Lookup(number);
    if (!list) return kept.release();
    Item<Callback>* last = list->Tail();
    for (Item<Callback>* i = list->Head(); i; i = i->next) {
        const Callback c = i->value;
        if (c.object) {
            ContainerBase* result = c.handler(c.object, event, payload);
            if (result) {
                if (kind == KIND_POST) delete result;
                else kept.reset(result);
            }
            if (frame.gone) break;
        }
        if (i == last) break;
    }
    return kept.release();
}

ContainerBase* Bus::Send(Component* sender, BusMessage event, ContainerBase* payload) {
    return Deliver(sender, event, payload, KIND_SEND);
}

// A component's send, here beside the bus so that it compiles into one call.
ContainerBase* Component::Send(BusMessage event, ContainerBase* payload) {
    return bus ? bus->Deliver(this, event, payload, KIND_SEND) : nullptr;
}

void Bus::Post(Component* sender, BusMessage event, ContainerBase* payload) {
    Deliver(sender, event, payload, KIND_POST);
}

ContainerBase* Bus::PostAndWait(Component* sender, BusMessage event, ContainerBase* payload) {
    return Deliver(sender, event, payload, KIND_POST_AND_WAIT);
}

ContainerBase* Bus::CallAll(BusMessage event, const List<Callback>& list, ContainerBase* payload) {
    if (event.Number() == NULL_EVENT) return nullptr;
    List<Callback> snapshot(list); // the caller's list may be one a handler changes
    std::unique_ptr<ContainerBase> kept;
    for (Item<Callback>* i = snapshot.Head(); i; i = i->next) {
        if (i->value.object && i->value.handler) keepLatest(kept, i->value.handler(i->value.object, event, payload));
    }
    return kept.release();
}

void Bus::CallTargeted(Component* target, BusMessage event, ContainerBase* payload, List<VectorBusResponse>* out) {
    if (!target || event.Number() == NULL_EVENT) return;
    List<Callback>* list = callbacks.Lookup(event.Number());
    if (!list) return;
    std::uint16_t targetId = target->GetId();
    DeliveryFrame frame(this);
    Item<Callback>* last = list->Tail();
    if (!last) return;
    for (Item<Callback>* i = list->Head();; i = i->next) {
        const Callback c = i->value;
        if (c.object == target && c.handler) {
            ContainerBase* r = c.handler(c.object, event, payload);
            if (out && r) out->AddTail(VectorBusResponse(targetId, r));
            else delete r;
            if (frame.gone) return;
        }
        if (i == last) break;
    }
}

void Bus::PostTo(Component*, std::uint16_t target, BusMessage event, ContainerBase* payload) {
    CallTargeted(GetComponent(target), event, payload, nullptr);
}

void Bus::PostToAll(Component*, const List<short>& targets, BusMessage event, ContainerBase* payload) {
    List<short> snapshot(targets);
    for (Item<short>* i = snapshot.Head(); i; i = i->next) {
        CallTargeted(GetComponent(static_cast<std::uint16_t>(i->value)), event, payload, nullptr);
    }
}

List<VectorBusResponse> Bus::CollectFrom(Component*, std::uint16_t target, BusMessage event, ContainerBase* payload) {
    List<VectorBusResponse> out;
    CallTargeted(GetComponent(target), event, payload, &out);
    return out;
}

List<VectorBusResponse> Bus::CollectFromAll(Component*, const List<short>& targets, BusMessage event,
                                            ContainerBase* payload) {
    List<VectorBusResponse> out;
    List<short> snapshot(targets);
    for (Item<short>* i = snapshot.Head(); i; i = i->next) {
        CallTargeted(GetComponent(static_cast<std::uint16_t>(i->value)), event, payload, &out);
    }
    return out;
}

// --- towards the outer bus ---

void Bus::OuterPost(Component* sender, BusMessage event, ContainerBase* payload) {
    if (outer) outer->Post(sender, event, payload);
}

ContainerBase* Bus::OuterPostAndWait(Component* sender, BusMessage event, ContainerBase* payload) {
    return outer ? outer->PostAndWait(sender, event, payload) : nullptr;
}

ContainerBase* Bus::OuterSend(Component* sender, BusMessage event, ContainerBase* payload) {
    return outer ? outer->Send(sender, event, payload) : nullptr;
}

void Bus::PostOuterEvent(BusMessage event) {
    Container<short> empty(0);
    OuterPost(this, event, &empty);
}
void Bus::PostOuter(BusMessage event, ContainerBase* payload) { OuterPost(this, event, payload); }
void Bus::PostOuterNamedEvent(std::string_view name_) { PostOuterEvent(RegisterMessage(name_)); }
void Bus::PostOuterNamed(std::string_view name_, ContainerBase* payload) {
    OuterPost(this, RegisterMessage(name_), payload);
}
ContainerBase* Bus::PostOuterEventAndWait(BusMessage event) {
    Container<short> empty(0);
    return OuterPostAndWait(this, event, &empty);
}
ContainerBase* Bus::PostOuterAndWait(BusMessage event, ContainerBase* payload) {
    return OuterPostAndWait(this, event, payload);
}
ContainerBase* Bus::PostOuterNamedEventAndWait(std::string_view name_) {
    return PostOuterEventAndWait(RegisterMessage(name_));
}
ContainerBase* Bus::PostOuterNamedAndWait(std::string_view name_, ContainerBase* payload) {
    return OuterPostAndWait(this, RegisterMessage(name_), payload);
}
ContainerBase* Bus::SendOuterEvent(BusMessage event) {
    Container<short> empty(0);
    return OuterSend(this, event, &empty);
}
ContainerBase* Bus::SendOuter(BusMessage event, ContainerBase* payload) { return OuterSend(this, event, payload); }
ContainerBase* Bus::SendOuterNamedEvent(std::string_view name_) { return SendOuterEvent(RegisterMessage(name_)); }
ContainerBase* Bus::SendOuterNamed(std::string_view name_, ContainerBase* payload) {
    return OuterSend(this, RegisterMessage(name_), payload);
}

// --- relays ---

namespace {

// Takes the listening bus and the relayed payload out of a receive-all delivery; the caller
// deletes the inner payload.
Bus* relayArgs(Component* listener, ContainerBase* payload, ReceiveAllData& data) {
    if (!ExtractData(payload, data)) return nullptr;
    return dynamic_cast<Bus*>(listener);
}

} // namespace

ContainerBase* Bus::RelayPost(Component* listener, BusMessage event, ContainerBase* payload) {
    ReceiveAllData data;
    Bus* target = relayArgs(listener, payload, data);
    std::unique_ptr<ContainerBase> inner(data.payload);
    if (target) target->Post(data.bus, event, inner.get());
    return nullptr;
}

ContainerBase* Bus::RelayPostAndWait(Component* listener, BusMessage event, ContainerBase* payload) {
    ReceiveAllData data;
    Bus* target = relayArgs(listener, payload, data);
    std::unique_ptr<ContainerBase> inner(data.payload);
    return target ? target->PostAndWait(data.bus, event, inner.get()) : nullptr;
}

ContainerBase* Bus::RelaySend(Component* listener, BusMessage event, ContainerBase* payload) {
    ReceiveAllData data;
    Bus* target = relayArgs(listener, payload, data);
    std::unique_ptr<ContainerBase> inner(data.payload);
    return target ? target->Send(data.bus, event, inner.get()) : nullptr;
}

bool Bus::Check() const {
    if (!ids.Check() || !receiveAll.Check()) return false;
    int attached = 0;
    for (Item<short>* i = ids.Head(); i; i = i->next) {
        std::uint16_t n = static_cast<std::uint16_t>(i->value);
        if (n >= nextId) return false;
        Component* c = idTable[n];
        if (!c || c->GetId() != n) return false;
        ++attached;
    }
    int nonNull = 0;
    for (std::uint32_t n = 0; n < nextId; ++n) {
        if (idTable[static_cast<int>(n)]) ++nonNull;
    }
    if (nonNull != attached) return false;
    if (!frames) {
        for (Item<ReceiveAllCallback>* r = receiveAll.Head(); r; r = r->next) {
            if (isDead(r->value)) return false;
        }
        List<List<Callback>*> lists = callbacks.Values();
        for (Item<List<Callback>*>* l = lists.Head(); l; l = l->next) {
            if (!l->value->Check()) return false;
            for (Item<Callback>* c = l->value->Head(); c; c = c->next) {
                if (isDead(c->value)) return false;
            }
        }
    }
    return true;
}
