#include "core/async_bus.h"

#include "core/application.h"

AsynchronousBus::AsynchronousBus(const char* name_) : AsynchronousBus(name_, "Unnamed AsynchronousBus") {}

AsynchronousBus::AsynchronousBus(const char* name_, const char* defaultName) : Bus(name_, defaultName) {}

AsynchronousBus::~AsynchronousBus() = default;

void AsynchronousBus::Post(Component* sender, BusMessage event, ContainerBase* payload) {
    Application* app = GetApplication();
    if (!app) return Bus::Post(sender, event, payload);
    app->Post(sender, event, payload, &ReceiveAllList(), CallbacksOf(event.Number()), this);
}

ContainerBase* AsynchronousBus::PostAndWait(Component* sender, BusMessage event, ContainerBase* payload) {
    Application* app = GetApplication();
    if (!app) return Bus::PostAndWait(sender, event, payload);
    return app->PostAndWait(sender, event, payload, &ReceiveAllList(), CallbacksOf(event.Number()), this);
}

void AsynchronousBus::MatchingCallbacks(const List<short>& targets, BusMessage event, List<Callback>& out) const {
    const List<Callback>* list = CallbacksOf(event.Number());
    if (!list) return;
    for (Item<short>* t = targets.Head(); t; t = t->next) {
        Component* c = GetComponent(static_cast<std::uint16_t>(t->value));
        if (!c) continue;
        for (Item<Callback>* i = list->Head(); i; i = i->next) {
            if (i->value.object == c) out.AddTail(i->value);
        }
    }
}

void AsynchronousBus::PostTo(Component* sender, std::uint16_t target, BusMessage event, ContainerBase* payload) {
    List<short> one;
    one.AddTail(static_cast<short>(target));
    PostToAll(sender, one, event, payload);
}

void AsynchronousBus::PostToAll(Component* sender, const List<short>& targets, BusMessage event,
                                ContainerBase* payload) {
    Application* app = GetApplication();
    if (!app) return Bus::PostToAll(sender, targets, event, payload);
    if (event.Number() == NULL_EVENT) return;
    List<Callback> matching;
    MatchingCallbacks(targets, event, matching);
    if (!matching.IsEmpty()) app->Post(sender, event, payload, nullptr, &matching, this);
}

List<VectorBusResponse> AsynchronousBus::CollectFrom(Component* sender, std::uint16_t target, BusMessage event,
                                                     ContainerBase* payload) {
    List<short> one;
    one.AddTail(static_cast<short>(target));
    return CollectFromAll(sender, one, event, payload);
}

List<VectorBusResponse> AsynchronousBus::CollectFromAll(Component* sender, const List<short>& targets,
                                                        BusMessage event, ContainerBase* payload) {
    Application* app = GetApplication();
    if (!app) return Bus::CollectFromAll(sender, targets, event, payload);
    List<VectorBusResponse> out;
    if (event.Number() == NULL_EVENT) return out;
    List<Callback> matching;
    MatchingCallbacks(targets, event, matching);
    for (Item<Callback>* i = matching.Head(); i; i = i->next) {
        // An earlier reply may have detached or deleted a later receiver: ids are never reused,
        // so a receiver still in the id table under its id is still there.
        std::uint16_t from = kNoId;
        for (Item<short>* t = Ids().Head(); t; t = t->next) {
            if (GetComponent(static_cast<std::uint16_t>(t->value)) == i->value.object) {
                from = static_cast<std::uint16_t>(t->value);
                break;
            }
        }
        if (from == kNoId) continue;
        List<Callback> single;
        single.AddTail(i->value);
        if (ContainerBase* r = app->PostAndWait(sender, event, payload, nullptr, &single, this)) {
            out.AddTail(VectorBusResponse(from, r));
        }
    }
    return out;
}
