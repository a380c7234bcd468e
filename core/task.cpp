#include "core/task.h"

#include "core/bus.h"

CBtask::CBtask(const void* origin_, const Callback& callback_, BusMessage event_, ContainerBase* payload_,
               std::int32_t sequence_, int mode_)
    : origin(origin_), callback(callback_), event(event_), payload(payload_), sequence(sequence_), mode(mode_) {}

CBtask::CBtask(CBtask&& o) noexcept
    : origin(o.origin), callback(o.callback), event(o.event), payload(o.payload), sequence(o.sequence), mode(o.mode),
      done(o.done), result(o.result), ran(o.ran) {
    o.payload = nullptr;
}

CBtask& CBtask::operator=(CBtask&& o) noexcept {
    if (this == &o) return *this;
    Release();
    origin = o.origin;
    callback = o.callback;
    event = o.event;
    payload = o.payload;
    sequence = o.sequence;
    mode = o.mode;
    done = o.done;
    result = o.result;
    ran = o.ran;
    o.payload = nullptr;
    return *this;
}

CBtask::~CBtask() { Release(); }

void CBtask::Release() {
    if (!payload) return;
    // A receive-all task that never ran still owns the listener's clone inside its wrapper.
    if (!ran) {
        if (ReceiveAllData* data = PayloadValue<ReceiveAllData>(payload)) delete data->payload;
    }
    delete payload;
    payload = nullptr;
}

ContainerBase* CBtask::Execute() {
    ran = true;
    if (!callback.object || !callback.handler) return nullptr;
    return callback.handler(callback.object, event, payload);
}
