#include "comms/ui/comm_types_stand_in.h"

SuperString& operator<<(SuperString& s, const ConnectionInfo& v) { return s << v.name << static_cast<int>(v.value); }

SuperString& operator>>(SuperString& s, ConnectionInfo& v) {
    int value = 0;
    s >> v.name >> value;
    v.value = value;
    return s;
}

void ScrambleText(char* text) {
    if (!text) return;
    for (; *text; ++text)
        if (!(*text = static_cast<char>(static_cast<unsigned char>(*text) + 2))) break;
}

void UnscrambleText(char* text) {
    if (!text) return;
    for (; *text; ++text)
        if (!(*text = static_cast<char>(static_cast<unsigned char>(*text) - 2))) break;
}
