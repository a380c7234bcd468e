#pragma once
// The map's region events carry one region number, sent as a short by some senders and as an
// unsigned short by others; every receiver reads it through here.
#include "core/container.h"

#include <cstdint>

inline bool RegionOf(ContainerBase* payload, std::uint16_t& region) {
    if (const auto* s = PayloadValue<short>(payload)) {
        region = static_cast<std::uint16_t>(*s);
        return true;
    }
    if (const auto* u = PayloadValue<unsigned short>(payload)) {
        region = *u;
        return true;
    }
    return false;
}
