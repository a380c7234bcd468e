#pragma once
// SetTextData: one text for one line of a status item, the payload of the named message
// "SetItemText". It lives with the user-interface toolkit because the status bar receives it and
// the buttons and the game send it; it needs nothing of the game. Registered as "SetTextData" so
// that buses clone it and the network relay writes and reads it by class name.
#include "core/super_string.h"

#include <cstdint>
#include <string>

struct SetTextData {
    // The registered message id of the status item (the id of "Sbar1", say); receivers compare
    // the low 28 bits only.
    std::uint32_t item = 0;
    std::string text;
    // 1-based line within the item; receivers ignore a line the item does not have.
    std::uint16_t line = 0;

    SetTextData() = default;
    SetTextData(std::uint32_t item_, std::string text_, std::uint16_t line_)
        : item(item_), text(std::move(text_)), line(line_) {}
};

// Stream form: the item as a numeric event word (4-byte number sign-extended from 28 bits, then
// the kind as 4 bytes), the text (u16 length and the bytes), the line (2 bytes). A short stream
// leaves the record as it was and marks the stream.
SuperString& operator<<(SuperString& s, const SetTextData& v);
SuperString& operator>>(SuperString& s, SetTextData& v);

// Registers the payload type; done at program start, again after the type registry is cleared.
void RegisterSetTextDataType();
