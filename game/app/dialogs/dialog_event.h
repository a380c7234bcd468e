#pragma once
// DialogEvent: one choice of a dialog mirrored to the network peer (the game options dialog of
// the joining player follows the host's): control id, kind (0 check box, 3 radio group, 4 push
// button) and value. Registered as "DialogEvent" by class name so that buses clone it and the
// network relay writes it; its stream form is the three 16-bit fields, little-endian, in order.
#include "core/super_string.h"

#include <cstdint>

struct DialogEvent {
    enum : std::int16_t { kCheckBox = 0, kRadioGroup = 3, kPushButton = 4 };

    std::int16_t controlId;
    std::int16_t kind;
    std::int16_t value;

    // Fields unset, as the stream reader fills them.
    DialogEvent() = default;
    DialogEvent(std::int16_t controlId_, std::int16_t kind_, std::int16_t value_)
        : controlId(controlId_), kind(kind_), value(value_) {}
};

// A short stream leaves the record as it was and marks the stream.
SuperString& operator<<(SuperString& s, const DialogEvent& v);
SuperString& operator>>(SuperString& s, DialogEvent& v);

void RegisterDialogEventType();
