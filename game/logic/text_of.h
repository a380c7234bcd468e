#pragma once
// The text of a payload, whichever of the game's text payloads carries it: a string or one of
// the two C-text payloads.
#include "core/text_payload.h"

#include <string>

inline bool TextOf(const ContainerBase* payload, std::string& out) {
    if (const auto* s = PayloadValue<std::string>(payload)) {
        out = *s;
        return true;
    }
    return ExtractText(payload, out);
}
