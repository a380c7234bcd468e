#include "game/units/group.h"

#include "game/logic/stream_fields.h"
#include "game/units/unit_records.h"

using namespace stream_fields;

Group::Group() { CountUnitObject(1); }

Group::Group(const Group& other) : number(other.number), name(other.name), units(other.units), leader(other.leader) {
    CountUnitObject(1);
}

Group& Group::operator=(const Group& other) {
    number = other.number;
    name = other.name;
    units = other.units;
    leader = other.leader;
    return *this;
}

Group::~Group() { CountUnitObject(-1); }

bool Group::Read(SuperString& s) {
    std::int16_t n = -1;
    std::uint16_t length = 0;
    std::string text;
    if (!ReadI16(s, n) || !ReadU16(s, length) || !ReadText(s, length, text) || !Skip(s, ReservedBytes)) return false;
    number = n;
    name = std::move(text);
    return true;
}
