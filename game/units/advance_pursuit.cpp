// The winners of a shock combat moving on: the advance into the hex the loser left, and the
// pursuit of a routed unit by cavalry. The logical layer waits for the completion each announces
// ("AdvancingDone", "PursuitDone"), so every path that answers 1 ends with exactly one of them and
// every path that answers 0 posts none.
#include "core/message_registry.h"
#include "game/logic/combat_records.h"
#include "game/logic/game_random.h"
#include "game/logic/logical_command.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "game/units/leader.h"

#include <string>

namespace {

constexpr const char* Source = "COMBAT";

// The lowest pursuit roll by pursuer kind; 0 for the kinds that do not pursue.
int PursuitThreshold(int kind) {
    switch (kind) {
    case 8: case 10: return 4;
    case 9: case 11: return 6;
    case 12: return 8;
    default: return 0;
    }
}

// Cavalry, elephants and chariots outrun a pursuer: no bonus against them, and they flee again
// when caught.
bool IsFastKind(int kind) { return kind >= 8 && kind <= 14; }

ContainerBase* ContinuePursuitEntry(Component* c, BusMessage, ContainerBase* p) {
    Combat* self = nullptr;
    short* unit = nullptr;
    if (!BusArgs(c, p, self, unit, Source, __LINE__)) return nullptr;
    self->ContinuePursuit(static_cast<std::uint16_t>(*unit));
    return nullptr;
}

bool Exists(std::uint16_t hex) { return hex != 0xFFFF; }

// Whether the battlefield carried the move out: it refuses a move of a unit it does not hold
// where the unit says it stands, and then no picture plays it and no reply comes.
bool Arrived(const VhUnit& unit, const List<short>& path) {
    short last = -1;
    return path.PeekTail(last) && unit.GetLocation() == static_cast<std::uint16_t>(last);
}

} // namespace

void Combat::AlertAdjacentLeaders() {
    if (!landscape || !IsOnMap()) return;
    const std::uint16_t here = GetLocation();
    const std::uint16_t second = GetSecondRegion();
    List<short> ring;
    landscape->FindRegionsAtRange(ring, here, 1, VhLogicalLandscape::StepCostOne, 0);
    // The leaders are found first: an evading leader moves and changes the lists walked here.
    List<Leader*> alerted;
    for (Item<short>* i = ring.Head(); i; i = i->next) {
        Leader* leader = AsLeader(landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value)));
        if (leader && leader->IsHostileTo(side) && !alerted.Contains(leader)) alerted.AddTail(leader);
    }
    for (Item<Leader*>* i = alerted.Head(); i; i = i->next) i->value->CheckCasualtyEvading(here, second);
}

std::uint16_t Combat::Advance(std::uint16_t hex, std::uint16_t checkThreat) {
    if (!landscape || !IsOnMap() || !Exists(hex)) return 0;
    const std::uint16_t here = GetLocation();
    const std::uint16_t second = GetSecondRegion();
    if (checkThreat && (landscape->IsRegionThreatened(here, side) || (isTwoHex && Exists(second) && landscape->IsRegionThreatened(second, side))))
        return 0;
    const auto empty = [&](std::uint16_t h) { return Exists(h) && !landscape->IsRegionOccupied(h); };

    List<short> path;
    std::uint16_t step = hex;
    if (!isTwoHex || !Exists(second)) {
        path = landscape->GetHexLine(here, hex);
        for (Item<short>* i = path.Head() ? path.Head()->next : nullptr; i; i = i->next)
            if (!empty(static_cast<std::uint16_t>(i->value))) return 0;
    } else {
        const bool nextToFirst = landscape->DirectionToRegion(here, hex) != NoDirection;
        const bool nextToSecond = landscape->DirectionToRegion(second, hex) != NoDirection;
        if (nextToFirst && nextToSecond) {
            const std::uint16_t x = landscape->GetNeighbour(second, landscape->DirectionToRegion(here, hex));
            if (empty(x)) {
                path = landscape->GetHexLine(here, hex);
            } else {
                const std::uint16_t y = landscape->GetNeighbour(here, landscape->DirectionToRegion(second, hex));
                if (!empty(y)) return 0;
                step = y;
                path = landscape->GetHexLine(here, y);
            }
        } else if (nextToFirst) {
            if (!empty(landscape->GetNeighbour(second, landscape->DirectionToRegion(here, hex))) || !empty(hex)) return 0;
            path = landscape->GetHexLine(here, hex);
        } else if (nextToSecond) {
            const std::uint16_t w = landscape->GetNeighbour(here, landscape->DirectionToRegion(second, hex));
            if (!empty(w)) return 0;
            step = w;
            path = landscape->GetHexLine(here, w);
        } else {
            // A two-hex unit only advances into a hex it touches.
            return 0;
        }
    }
    if (path.IsEmpty() || StepCost(here, step) == -1) return 0;

    advancing = 1;
    Move(path, RegisterMessage("AdvancingDone"), new Container<short>(static_cast<short>(GetUnitNum())));
    advancing = 0;
    if (!Arrived(*this, path)) return 0;
    AlertAdjacentLeaders();
    return 1;
}

std::uint16_t Combat::Pursue(Combat* routed) {
    pursued = routed;
    const int threshold = PursuitThreshold(static_cast<int>(unitKind));
    // Only cavalry pursues; any other unit offered a pursuit declines it without a roll.
    if (!routed || threshold == 0 || !landscape || !IsOnMap() || !routed->IsOnMap()) {
        pursued = nullptr;
        return 0;
    }
    const int roll = GameRandom() % 10 + (IsFastKind(routed->GetUnitKind()) ? 0 : 2);
    if (roll < threshold) {
        pursued = nullptr;
        return 0;
    }

    const std::uint16_t here = GetLocation();
    const std::uint16_t quarry = routed->GetLocation();
    List<short> path;
    path.AddTail(static_cast<short>(here));
    const List<short> line = landscape->GetHexLine(here, quarry);
    for (Item<short>* i = line.Head(); i; i = i->next) {
        const auto h = static_cast<std::uint16_t>(i->value);
        if (h == here) continue;
        VhUnit* there = landscape->FirstUnitIn(h);
        if (there && there != this) break;
        path.AddTail(static_cast<short>(h));
        if (landscape->IsRegionThreatened(h, side)) break;
    }
    short last = static_cast<short>(here);
    path.PeekTail(last);

    bool contact = GameRandom() % 10 <= troopQuality;
    if (contact) {
        const List<short> front = GetFrontHexesAt(static_cast<std::uint16_t>(last));
        contact = front.Contains(static_cast<short>(quarry));
        for (Item<short>* i = front.Head(); contact && i; i = i->next) {
            if (i->value == static_cast<short>(quarry)) continue;
            VhUnit* first = landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value));
            if (first && first->IsHostileTo(side)) contact = false;
        }
    }

    advancing = 1;
    if (contact) Move(path, BusMessage(), nullptr);
    else Move(path, RegisterMessage("PursuitDone"), new Container<short>(static_cast<short>(GetUnitNum())));
    advancing = 0;
    if (!contact) {
        if (!Arrived(*this, path)) {
            Container<short> self(static_cast<short>(GetUnitNum()));
            PostNamed("PursuitDone", &self);
        }
        AlertAdjacentLeaders();
        return 1;
    }

    Container<std::string> text(GetCommentaryName() + " is in pursuit of " + routed->GetCommentaryName() + "!");
    delete PostNamedEventAndWait("StartText");
    PostNamed("AddCommentary", &text);
    delete PostNamedEventAndWait("StopText");
    const bool runsOn = routed->MoraleExcess(static_cast<std::int16_t>(GameRandom() % 10)) != 0;
    if (runsOn) RegisterNamedHandler("ContinuePursuit", ContinuePursuitEntry);
    List<short> pursuers, quarries;
    pursuers.AddTail(static_cast<short>(GetUnitNum()));
    quarries.AddTail(static_cast<short>(routed->GetUnitNum()));
    Container<LogicalCommandInfo> combat(LogicalCommandInfo(
        0, new Container<CombatInfo>(CombatInfo(pursuers, quarries, List<MethodOfDeathStruct>())), 0, BusMessage(),
        RegisterMessage(runsOn ? "ContinuePursuit" : "PursuitDone"), new Container<short>(static_cast<short>(GetUnitNum()))));
    PostNamed("UnitCombat", &combat);
    return 1;
}

std::uint16_t Combat::ContinuePursuit(std::uint16_t unitNumber) {
    if (unitNumber != GetUnitNum()) return 0;
    UnregisterNamedHandler("ContinuePursuit", ContinuePursuitEntry);
    Combat* routed = pursued;
    pursued = nullptr;
    Container<short> self(static_cast<short>(GetUnitNum()));
    // A quarry that is gone (eliminated meanwhile) leaves nothing to chase; the pursuit still
    // ends, or the layer would wait for it forever.
    if (!routed || !routed->IsOnMap() || !landscape || !IsOnMap()) {
        PostNamed("PursuitDone", &self);
        return 0;
    }
    if (IsFastKind(routed->GetUnitKind())) {
        routed->DoRout(99);
        const List<short> route = routed->GetRouteHexes();
        List<short> path;
        path.AddTail(static_cast<short>(GetLocation()));
        for (Item<short>* i = route.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            if (h == GetLocation()) continue;
            VhUnit* there = landscape->FirstUnitIn(h);
            if ((there && there != routed) || landscape->IsRegionThreatened(h, side)) break;
            path.AddTail(static_cast<short>(h));
        }
        advancing = 1;
        Move(path, RegisterMessage("PursuitDone"), new Container<short>(static_cast<short>(GetUnitNum())));
        advancing = 0;
        if (!Arrived(*this, path)) PostNamed("PursuitDone", &self);
        else if (IsOnMap() && landscape->IsEdgeRegion(GetLocation()) && cohesionHits + pendingHits < troopQuality) {
            Container<UnitLocationStruct> gone(UnitLocationStruct(GetUnitNum(), GetLocation(), GetSecondRegion(), 0));
            delete SendNamed("UnitRemoved", &gone);
            Container<PursuitInfo> off(PursuitInfo(GetUnitNum(), routed->GetRetreatEdge()));
            delete PostNamedAndWait("PursuitOffMap", &off);
        }
    } else {
        Container<short> caught(static_cast<short>(routed->GetUnitNum()));
        PostNamed("EliminateUnit", &caught);
        PostNamed("PursuitDone", &self);
    }
    AlertAdjacentLeaders();
    return 0;
}
