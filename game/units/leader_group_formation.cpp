// The shape of a leader's group: line and column formation laid out in a row beside the leader,
// and the rotation of the leader with its whole group by one facing step.
#include "game/units/leader.h"

#include "game/units/combat.h"
#include "game/units/facing.h"
#include "game/units/group.h"

namespace {

// The group's units that take part in a formation or a rotation, in group order.
template <class F> void ForEachAbleUnit(Group* group, const Leader& leader, F body) {
    if (!group) return;
    ListIterator<VhUnit*> it(&group->GetUnits(), 0);
    VhUnit* u = nullptr;
    while (it.Next(u))
        if (u != &leader && u->IsOnMap() && !u->IsRouted()) body(*u);
}

struct Seeds {
    int a = 0, b = 0;
};

// The directions from the leader of the first two hexes of the row.
Seeds SeedDirections(std::uint16_t mode, int toFacing) {
    const auto next = [](int d) { return facing::Plain(d, 1); };
    const auto prev = [](int d) { return facing::Plain(d, -1); };
    // A leader never faces 1 or 5; should one, it lays out as if turned on to the next facing.
    if (toFacing == 1 || toFacing == 5) toFacing = next(toFacing);
    if (mode == 0) {
        switch (toFacing) {
        case 2:
        case 3: return {4, 5};
        case 4: return {5, 6};
        case 6: return {5, 4};
        case 7: return {8, 1};
        default: return {1, 2};
        }
    }
    switch (toFacing) {
    case 2: return {2, prev(2)};
    case 3: return {prev(3), next(3)};
    case 4: return {4, next(4)};
    case 6: return {6, prev(6)};
    case 7: return {prev(7), next(7)};
    default: return {8, next(8)};
    }
}

void SendRotation(VhUnit& unit, int sense) {
    Container<ChangeFacingStruct> turn(ChangeFacingStruct(static_cast<TURN_DIRECTION>(sense), 1, unit.GetUnitNum()));
    delete unit.SendNamed("ChangeFacing", &turn);
}

} // namespace

ContainerBase* Leader::GroupLineFormation() {
    GroupFormation(1, facing);
    return nullptr;
}

ContainerBase* Leader::GroupColumnFormation() {
    GroupFormation(0, facing);
    return nullptr;
}

int Leader::SetGroupFormation(std::uint16_t mode) {
    ForEachAbleUnit(group, *this, [&](VhUnit& u) {
        Combat* c = AsCombat(&u);
        if (c && (c->IsInLine() ? 1 : 0) != (mode ? 1 : 0)) c->SetFormationOrder(mode);
    });
    return 1;
}

void Leader::GroupFormation(std::uint16_t mode, std::uint32_t toFacing) {
    if (!landscape || !IsOnMap()) return;
    const std::uint16_t here = GetLocation();
    const Seeds seeds = SeedDirections(mode, static_cast<int>(toFacing));
    const std::uint16_t a = landscape->GetNeighbour(here, seeds.a);
    std::uint16_t b = landscape->GetNeighbour(here, seeds.b);

    SetGroupFormation(0);

    const int step = a != 0xFFFF && b != 0xFFFF ? static_cast<int>(landscape->DirectionToRegion(a, b)) : 0;
    List<short> targets;
    bool first = true;
    ForEachAbleUnit(group, *this, [&](VhUnit&) {
        if (first) {
            first = false;
            if (a != 0xFFFF) targets.AddTail(static_cast<short>(a));
            return;
        }
        if (b == 0xFFFF) return;
        targets.AddTail(static_cast<short>(b));
        const std::uint16_t further = step ? landscape->GetNeighbour(b, step) : 0xFFFF;
        if (further != 0xFFFF && further > 0) b = further;
    });

    ForEachAbleUnit(group, *this, [&](VhUnit& u) {
        const std::uint16_t at = u.GetLocation();
        int best = 99;
        short target = -1;
        for (Item<short>* i = targets.Head(); i; i = i->next) {
            const int d = landscape->RegionDistance(at, static_cast<std::uint16_t>(i->value));
            if (d < best) best = d, target = i->value;
        }
        // With the row cut short by the map's edge there may be no hex left: the unit keeps its place.
        if (target != -1) {
            while (targets.Remove(target)) {
            }
            if (static_cast<std::uint16_t>(target) != at) {
                List<short> line = landscape->GetHexLine(at, static_cast<std::uint16_t>(target));
                short second = -1;
                if (line.Count() >= 2) second = line.Head()->next->value;
                int d = second == -1 ? 0 : static_cast<int>(landscape->DirectionToRegion(at, static_cast<std::uint16_t>(second)));
                if (d == 1 || d == 5) d = facing::Plain(d, 1);
                if (d) u.TurnTowards(static_cast<std::uint32_t>(d));
                u.MoveTowards(static_cast<std::uint16_t>(target));
            }
        }
        u.TurnTowards(toFacing);
    });

    SetGroupFormation(mode);
    TurnTowards(toFacing);
    SetFacing(toFacing);
}

ContainerBase* Leader::RotateClockwise() {
    ForEachAbleUnit(group, *this, [&](VhUnit& u) {
        if (u.GetFacing() != facing) {
            const bool wide = u.IsTwoHex() && u.IsCombatUnit() && !AsCombat(&u)->IsInLine();
            const facing::Turn turn =
                facing::ShorterTurn(static_cast<int>(u.GetFacing()), static_cast<int>(facing), wide ? 3 : 1, wide ? 7 : 5);
            if (turn.steps > 0) {
                ChangeFacingStruct change(static_cast<TURN_DIRECTION>(turn.sense), static_cast<std::uint16_t>(turn.steps),
                                          u.GetUnitNum());
                change.facing = static_cast<DIRECTION>(facing);
                Container<ChangeFacingStruct> payload(change);
                delete u.SendNamed("ChangeFacing", &payload);
            }
        }
        SendRotation(u, 2);
    });
    const auto turned = static_cast<std::uint32_t>(facing::TurnFacing(static_cast<int>(facing), true));
    movementPoints = movementPoints > 2 ? static_cast<std::uint16_t>(movementPoints - 2) : 0;
    // The battlefield carries the turn out; the leader's facing is the rule's, whoever answers.
    SendRotation(*this, 2);
    SetFacing(turned);
    return nullptr;
}

ContainerBase* Leader::RotateCounterClockwise() {
    ForEachAbleUnit(group, *this, [&](VhUnit& u) { SendRotation(u, 1); });
    const auto turned = static_cast<std::uint32_t>(facing::TurnFacing(static_cast<int>(facing), false));
    movementPoints = movementPoints > 2 ? static_cast<std::uint16_t>(movementPoints - 2) : 0;
    SendRotation(*this, 1);
    SetFacing(turned);
    return nullptr;
}
