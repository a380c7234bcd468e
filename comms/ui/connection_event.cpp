#include "comms/ui/connection_event.h"

#include "core/type_info.h"

SuperString& operator<<(SuperString& s, const ConnectionEvent& v) {
    return s << static_cast<int>(v.kind) << v.text << static_cast<unsigned int>(v.value);
}

SuperString& operator>>(SuperString& s, ConnectionEvent& v) {
    int kind = -1;
    unsigned int value = 0;
    s >> kind >> v.text >> value;
    v.kind = kind >= ConnectionEvent::kLoggedOn && kind <= ConnectionEvent::kLobbyClosed ? kind : ConnectionEvent::kUnset;
    v.value = value;
    return s;
}

void RegisterConnectionEventType() { TypeInfo<ConnectionEvent>::Register(); }
