#pragma once
// Stand-in for the connection layer's records while this library builds without vh_comms: the
// same names and fields, nothing more. Not compiled when vh_comms is in the tree.
#include "core/super_string.h"

#include <cstdint>
#include <string>

// The payload of CONNECTION_OPENED and CONNECTION_CLOSED.
struct ConnectionInfo {
    std::string name;
    std::int32_t value = 0;
    bool operator==(const ConnectionInfo&) const = default;
};
SuperString& operator<<(SuperString& s, const ConnectionInfo& v);
SuperString& operator>>(SuperString& s, ConnectionInfo& v);

// Shift every character of a C string by 2 (and back), in place, modulo 256; a character that
// becomes NUL ends the text there.
void ScrambleText(char* text);
void UnscrambleText(char* text);
