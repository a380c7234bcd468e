#include "core/component.h"
#include "core/absent_payload.h"

#include "core/application.h"
#include "core/bus.h"
#include "core/message_registry.h"

#include <memory>

namespace {

// The payload of a delivery made without one.
struct EmptyPayload {
    AbsentPayload payload;
    ContainerBase* get() { return &payload; }
};

} // namespace

void DeleteResponses(List<VectorBusResponse>& responses) {
    VectorBusResponse r;
    while (responses.RemoveHead(r)) delete r.result;
}

Component::Component(const char* name_) : Component(name_, "Unnamed Component") {}

Component::Component(const char* name_, const char* defaultName) : displayName(name_ ? name_ : defaultName) {}

Component::~Component() {
    Component::DetachFromBus();
    if (Application* app = GetApplication()) app->ForgetComponent(this);
    delete blocked;
}

int Component::DeliverPost(BusMessage, ContainerBase*, Component*) { return 0; }
int Component::DeliverPostAndWait(BusMessage, ContainerBase*, Component*, ContainerBase*&) { return 0; }
int Component::DeliverSend(BusMessage, ContainerBase*, Component*, ContainerBase*&) { return 0; }
void Component::Connect() {}
void Component::ClearBus() { bus = nullptr; }

void Component::ReceiveAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send, int direction) {
    if (bus) bus->HookUpReceiveAll(this, post, postAndWait, send, direction);
}

void Component::StopReceivingAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send) {
    if (bus) bus->UnhookReceiveAll(this, post, postAndWait, send);
}

void Component::AttachToBus(Bus* bus_) {
    if (bus) DetachFromBus();
    if (!bus_) return;
    bus = bus_;
    bus_->Attach(this);
    if (id == kNoId) {
        bus = nullptr; // the bus refused it
        return;
    }
    Connect();
}

void Component::DetachFromBus() {
    if (!bus) return;
    bus->Detach(this);
    ClearBus();
}

std::int16_t Component::MatchesQuery(ContainerBase*) { return 0; }

void Component::RegisterHandler(BusMessage event, BusHandler handler) {
    if (bus) bus->RegisterHandler(this, event, handler);
}

void Component::RegisterNamedHandler(std::string_view name_, BusHandler handler) {
    if (bus) bus->RegisterHandler(this, RegisterMessage(name_), handler);
}

void Component::UnregisterHandler(BusMessage event, BusHandler handler) {
    if (bus) bus->UnregisterHandler(this, event, handler);
}

void Component::UnregisterNamedHandler(std::string_view name_, BusHandler handler) {
    if (bus) bus->UnregisterHandler(this, RegisterMessage(name_), handler);
}

bool Component::IsHandlerRegistered(BusMessage event, BusHandler handler) const {
    return bus && bus->IsRegistered(const_cast<Component*>(this), event, handler);
}

void Component::RemoveAllHandlers() {
    if (bus) bus->RemoveCallbacksOf(this);
}

void Component::BlockRelayedEvent(BusMessage event, int direction) {
    if (bus) bus->BlockRelayedEvent(event, direction);
}

void Component::BlockRelayedNamedEvent(std::string_view name_, int direction) {
    BlockRelayedEvent(RegisterMessage(name_), direction);
}

void Component::UnblockRelayedEvent(BusMessage event, int direction) {
    if (bus) bus->UnblockRelayedEvent(event, direction);
}

void Component::UnblockRelayedNamedEvent(std::string_view name_, int direction) {
    UnblockRelayedEvent(RegisterMessage(name_), direction);
}

void Component::BlockEvent(BusMessage event, int side) {
    if (side < 0 || side > 2) return;
    if (!blocked) blocked = new BlockedEvents;
    if (side == 0 || side == 2) blocked->comingDown.AddTail(event);
    if (side == 1 || side == 2) blocked->comingUp.AddTail(event);
}

void Component::UnblockEvent(BusMessage event, int side) {
    if (!blocked) return;
    if (side == 0 || side == 2) blocked->comingDown.Remove(event);
    if (side == 1 || side == 2) blocked->comingUp.Remove(event);
}

void Component::BlockNamedEvent(std::string_view name_, int side) { BlockEvent(RegisterMessage(name_), side); }
void Component::UnblockNamedEvent(std::string_view name_, int side) { UnblockEvent(RegisterMessage(name_), side); }

const List<BusMessage>* Component::GetBlockedEvents(int direction) const {
    if (!blocked) return nullptr;
    if (direction == 0) return &blocked->comingUp;
    if (direction == 1) return &blocked->comingDown;
    return nullptr;
}

// --- delivery family ---

void Component::Post(BusMessage event, ContainerBase* payload) {
    if (bus) bus->Post(this, event, payload);
}
void Component::PostEvent(BusMessage event) {
    EmptyPayload p;
    Post(event, p.get());
}
void Component::PostNamed(std::string_view name_, ContainerBase* payload) { Post(RegisterMessage(name_), payload); }
void Component::PostNamedEvent(std::string_view name_) { PostEvent(RegisterMessage(name_)); }

ContainerBase* Component::PostAndWait(BusMessage event, ContainerBase* payload) {
    return bus ? bus->PostAndWait(this, event, payload) : nullptr;
}
ContainerBase* Component::PostEventAndWait(BusMessage event) {
    EmptyPayload p;
    return PostAndWait(event, p.get());
}
ContainerBase* Component::PostNamedAndWait(std::string_view name_, ContainerBase* payload) {
    return PostAndWait(RegisterMessage(name_), payload);
}
ContainerBase* Component::PostNamedEventAndWait(std::string_view name_) {
    return PostEventAndWait(RegisterMessage(name_));
}

ContainerBase* Component::SendEvent(BusMessage event) {
    EmptyPayload p;
    return Send(event, p.get());
}
ContainerBase* Component::SendNamed(std::string_view name_, ContainerBase* payload) {
    return Send(RegisterMessage(name_), payload);
}
ContainerBase* Component::SendNamedEvent(std::string_view name_) { return SendEvent(RegisterMessage(name_)); }

void Component::PostTo(std::uint16_t target, BusMessage event, ContainerBase* payload) {
    if (bus) bus->PostTo(this, target, event, payload);
}
void Component::PostEventTo(std::uint16_t target, BusMessage event) {
    EmptyPayload p;
    PostTo(target, event, p.get());
}
void Component::PostNamedTo(std::uint16_t target, std::string_view name_, ContainerBase* payload) {
    PostTo(target, RegisterMessage(name_), payload);
}
void Component::PostNamedEventTo(std::uint16_t target, std::string_view name_) {
    PostEventTo(target, RegisterMessage(name_));
}

void Component::PostToAll(const List<short>& targets, BusMessage event, ContainerBase* payload) {
    if (bus) bus->PostToAll(this, targets, event, payload);
}
void Component::PostEventToAll(const List<short>& targets, BusMessage event) {
    EmptyPayload p;
    PostToAll(targets, event, p.get());
}
void Component::PostNamedToAll(const List<short>& targets, std::string_view name_, ContainerBase* payload) {
    PostToAll(targets, RegisterMessage(name_), payload);
}
void Component::PostNamedEventToAll(const List<short>& targets, std::string_view name_) {
    PostEventToAll(targets, RegisterMessage(name_));
}

List<VectorBusResponse> Component::CollectFrom(std::uint16_t target, BusMessage event, ContainerBase* payload) {
    return bus ? bus->CollectFrom(this, target, event, payload) : List<VectorBusResponse>();
}
List<VectorBusResponse> Component::CollectEventFrom(std::uint16_t target, BusMessage event) {
    EmptyPayload p;
    return CollectFrom(target, event, p.get());
}
List<VectorBusResponse> Component::CollectNamedFrom(std::uint16_t target, std::string_view name_,
                                                    ContainerBase* payload) {
    return CollectFrom(target, RegisterMessage(name_), payload);
}
List<VectorBusResponse> Component::CollectNamedEventFrom(std::uint16_t target, std::string_view name_) {
    return CollectEventFrom(target, RegisterMessage(name_));
}

List<VectorBusResponse> Component::CollectFromAll(const List<short>& targets, BusMessage event,
                                                  ContainerBase* payload) {
    return bus ? bus->CollectFromAll(this, targets, event, payload) : List<VectorBusResponse>();
}
List<VectorBusResponse> Component::CollectEventFromAll(const List<short>& targets, BusMessage event) {
    EmptyPayload p;
    return CollectFromAll(targets, event, p.get());
}
List<VectorBusResponse> Component::CollectNamedFromAll(const List<short>& targets, std::string_view name_,
                                                       ContainerBase* payload) {
    return CollectFromAll(targets, RegisterMessage(name_), payload);
}
List<VectorBusResponse> Component::CollectNamedEventFromAll(const List<short>& targets, std::string_view name_) {
    return CollectEventFromAll(targets, RegisterMessage(name_));
}

// --- pumping ---

std::int16_t Component::ProcessPending() {
    Application* app = GetApplication();
    if (!app || app->PumpMessage() == 0) return 0;
    app->ProcessOneTask();
    return 1;
}

std::int16_t Component::WaitForFlag(const std::int16_t& flag, std::uint32_t timeout) {
    Application* app = GetApplication();
    if (!app) return flag != 0 ? 1 : 0;
    std::uint32_t start = app->TickCount();
    for (;;) {
        if (flag != 0) return 1;
        if (app->TickCount() - start > timeout) return 0;
        if (app->PumpMessage() == 0) return 0;
        app->ProcessOneTask();
    }
}

// --- timers ---

std::int16_t Component::AddTimer(BusHandler handler, int rate, int state) {
    Application* app = GetApplication();
    if (!app) return 0;
    return app->AddTimer(Callback(this, handler), rate, state == 0 ? TimerCallback::kActive : state);
}

void Component::RemoveTimer(BusHandler handler) {
    if (Application* app = GetApplication()) app->RemoveTimer(Callback(this, handler));
}

void Component::SuspendTimer(BusHandler handler) {
    if (Application* app = GetApplication()) app->SuspendTimer(Callback(this, handler));
}

void Component::ResumeTimer(BusHandler handler) {
    if (Application* app = GetApplication()) app->ResumeTimer(Callback(this, handler));
}

// --- queries ---

List<short> Component::FindComponents(ContainerBase* query) {
    List<short> out;
    if (bus) bus->FindComponents(this, out, query);
    return out;
}

List<short> Component::FindComponentsAmong(const List<short>& candidates, ContainerBase* query) {
    List<short> out;
    if (bus) bus->FindComponentsAmong(this, out, candidates, query);
    return out;
}
