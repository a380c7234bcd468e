#include "game/app/dialogs/dialog_event.h"

#include "core/type_info.h"

SuperString& operator<<(SuperString& s, const DialogEvent& v) {
    s << v.controlId;
    s << v.kind;
    s << v.value;
    return s;
}

SuperString& operator>>(SuperString& s, DialogEvent& v) {
    std::int16_t id = 0, kind = 0, value = 0;
    s >> id;
    s >> kind;
    s >> value;
    if (s.Failed()) return s;
    v = DialogEvent(id, kind, value);
    return s;
}

void RegisterDialogEventType() { TypeInfo<DialogEvent>::Register(); }

namespace {
const bool registeredAtStart = (RegisterDialogEventType(), true);
} // namespace
