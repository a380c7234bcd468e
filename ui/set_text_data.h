#pragma once
// SetTextData: the payload of "SetItemText": one text for one line of a status item. The item is
// the registered message id of the item's name ("Sbar1"); receivers compare its low 28 bits.
#include "core/events.h"

#include <cstdint>
#include <string>

struct SetTextData {
    SetTextData() = default;
    SetTextData(BusMessage item_, std::string text_, std::uint16_t line_)
        : item(item_), text(std::move(text_)), line(line_) {}

    BusMessage item;
    std::string text;
    std::uint16_t line = 0;
};
