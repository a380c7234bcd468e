#pragma once
// The payload of an event sent without one (PostEvent, SendNamedEvent ...): a short 0 for the
// handlers that read one, but known as absent to those whose value has a default of its own, so
// that "no value" is never taken for 0. Its clones are absent too.
#include "core/container.h"

class AbsentPayload final : public Container<short> {
public:
    AbsentPayload() : Container<short>(0) {}
    AbsentPayload* Clone() const override { return new AbsentPayload; }
};

// True for no payload at all and for the payload of an event sent without one.
inline bool PayloadAbsent(const ContainerBase* payload) {
    return !payload || dynamic_cast<const AbsentPayload*>(payload) != nullptr;
}
