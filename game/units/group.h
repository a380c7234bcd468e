#pragma once
// A numbered, named body of units under one leader: the unit of command through which a
// leader's orders reach its units and by which a unit knows its leader. Owned by the logical
// layer; it owns neither its units nor its leader.
//
// Invariants: the unit list holds each unit at most once; two groups are equal when their numbers
// are.
#include "core/list.h"
#include "core/type_name.h"
#include "game/units/leader.h"

#include <cstdint>
#include <string>

class SuperString;

template <> struct TypeNameTraits<class Group*> {
    static std::string Name() { return "Group *"; }
};

class Group {
public:
    // The scenario's group record: number, name, and a reserved block.
    static constexpr int ReservedBytes = 328;

    Group();
    Group(const Group& other);
    Group& operator=(const Group& other);
    ~Group();

    // Reads the group record; false when the stream ran out before its end.
    bool Read(SuperString& s);

    std::int16_t GetNumber() const { return number; }
    void SetNumber(std::int16_t n) { number = n; }
    const std::string& GetName() const { return name; }
    void SetName(const std::string& n) { name = n; }
    Leader* GetLeader() const { return leader; }
    void SetLeader(Leader* l) { leader = l; }
    List<VhUnit*>& GetUnits() { return units; }
    const List<VhUnit*>& GetUnits() const { return units; }

    void AddUnit(VhUnit* unit) {
        if (!units.Contains(unit)) units.AddTail(unit);
    }
    void RemoveUnit(VhUnit* unit) { units.Remove(unit); }
    // The unit is in the list or has the unit number of the group's leader.
    int Contains(const VhUnit* unit) const {
        if (!unit) return 0;
        if (leader && leader->GetUnitNum() == unit->GetUnitNum()) return 1;
        return units.Contains(const_cast<VhUnit*>(unit));
    }
    int ContainsNumber(std::uint16_t unitNumber) const {
        if (leader && leader->GetUnitNum() == unitNumber) return 1;
        return FindUnit(unitNumber) != nullptr;
    }
    // The unit of the list with that number (the leader is not searched); null for none.
    VhUnit* FindUnit(std::uint16_t unitNumber) const {
        for (Item<VhUnit*>* i = units.Head(); i; i = i->next)
            if (i->value->GetUnitNum() == unitNumber) return i->value;
        return nullptr;
    }

    bool operator==(const Group& o) const { return number == o.number; }

private:
    std::int16_t number = -1;
    std::string name;
    List<VhUnit*> units;
    Leader* leader = nullptr;
};
