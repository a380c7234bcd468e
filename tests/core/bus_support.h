#pragma once
// Components for the bus tests: a Probe records what reaches it and then does whatever the test
// asked of it (its action), so that re-entrant cases read as small scripts.
#include "core/application.h"
#include "core/bus.h"
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

struct Probe : Component {
    using Action = std::function<ContainerBase*(Probe* self, BusMessage event, ContainerBase* payload)>;

    explicit Probe(const char* name = nullptr, std::vector<std::string>* log_ = nullptr) : Component(name), log(log_) {}

    std::vector<std::string>* log;
    Action action;
    int calls = 0;
    int receiveAllCalls = 0;
    BusMessage lastEvent;
    const ContainerBase* lastPayload = nullptr;
    int lastValue = -1;
    bool deleteInner = true;

    ContainerBase* Record(BusMessage e, ContainerBase* p, const char* how) {
        ++calls;
        lastEvent = e;
        lastPayload = p;
        lastValue = CountedValue(p);
        if (log) log->push_back(GetName() + how);
        return action ? action(this, e, p) : nullptr;
    }

    // A callback handler, and a second one with another address.
    static ContainerBase* Handle(Component* c, BusMessage e, ContainerBase* p) {
        return static_cast<Probe*>(c)->Record(e, p, "");
    }
    static ContainerBase* Other(Component* c, BusMessage e, ContainerBase* p) {
        return static_cast<Probe*>(c)->Record(e, p, "/other");
    }
    // A receive-all handler: records the inner payload and deletes it, as its owner.
    static ContainerBase* All(Component* c, BusMessage e, ContainerBase* wrapper) {
        auto* self = static_cast<Probe*>(c);
        ReceiveAllData data;
        ExtractData(wrapper, data);
        ++self->receiveAllCalls;
        ContainerBase* r = self->Record(e, data.payload, "/all");
        if (self->deleteInner) delete data.payload;
        return r;
    }
};

// Replies with a counted payload of the given value.
inline Probe::Action Reply(int value) {
    return [value](Probe*, BusMessage, ContainerBase*) { return MakeCounted(value); };
}
