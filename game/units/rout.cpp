// Rout, rally, terminal rout and elimination of combat units. The route is worked out on the
// machine where the unit breaks and travels as "DoRout"; TerminalRout takes it on every machine.
#include "game/units/combat.h"

#include "core/application.h"
#include "game/logic/game_random.h"
#include "game/logic/logical_command.h"
#include "game/units/facing.h"

namespace {

constexpr const char* Source = "ROUT";

// Direction preferences by retreat edge; 0 ends the list.
struct Preferences {
    int d[4];
};
Preferences RetreatPreferences(std::uint32_t edge) {
    switch (edge) {
    case 1: return {{1, 8, 2, 0}};
    case 3: return {{2, 4, 1, 5}};
    case 5: return {{5, 6, 4, 0}};
    case 7: return {{8, 6, 1, 5}};
    default: return {{0, 0, 0, 0}};
    }
}

// Rally table by second die / 2 and troop-quality column; -1 fails.
constexpr std::int16_t RallyTable[5][3] = {{1, 1, 1}, {2, 2, 2}, {2, 2, 2}, {-1, 3, 3}, {-1, 4, 4}};

ContainerBase* RallyEntry(Component* c, BusMessage, ContainerBase* p) {
    Combat* self = nullptr;
    short* commands = nullptr;
    if (!BusArgs(c, p, self, commands, Source, __LINE__)) return nullptr;
    return self->OnRallyOrder(*commands);
}

ContainerBase* RallyDeselectedEntry(Component* c, BusMessage, ContainerBase*) {
    Combat* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    return self->OnRallyDeselected();
}

} // namespace

BusHandler CombatRallyHandler() { return RallyEntry; }
BusHandler CombatRallyDeselectedHandler() { return RallyDeselectedEntry; }

void Combat::BreakAndRout() {
    Container<short> self(static_cast<short>(GetUnitNum()));
    delete SendNamed("RemoveFromCombat", &self);
    frontHexes.Clear();
    int target = static_cast<int>(retreatEdge);
    if (target == 1) target = 2;
    if (target == 5) target = 6;
    if (target == 3 || target == 7 || target == 2 || target == 6) {
        facing::Turn turn = facing::ShorterTurn(static_cast<int>(GetFacing()), target);
        if (isTwoHex && landscape) {
            const auto turnBlocked = [&](const facing::Turn& t, int from) {
                int f = from;
                std::uint16_t first = GetLocation(), second = static_cast<std::uint16_t>(secondRegion);
                for (int i = 0; i < t.steps; ++i) {
                    f = facing::TurnFacing(f, t.sense == 2);
                    std::uint16_t moved;
                    if (t.sense == 1) second = moved = GetRightRegion(first, static_cast<std::uint32_t>(f));
                    else first = moved = GetLeftRegion(second, static_cast<std::uint32_t>(f));
                    if (moved == 0xFFFF) return true;
                    VhUnit* there = landscape->FirstUnitIn(moved);
                    if (there && there->IsHostileTo(side)) return true;
                }
                return false;
            };
            if (turnBlocked(turn, static_cast<int>(GetFacing()))) {
                Container<ChangeFacingStruct> about(ChangeFacingStruct(static_cast<TURN_DIRECTION>(2), 3, GetUnitNum()));
                delete SendNamed("ChangeFacing", &about);
                turn = facing::ShorterTurn(static_cast<int>(GetFacing()), target);
                if (turnBlocked(turn, static_cast<int>(GetFacing()))) {
                    PostNamed("EliminateUnit", &self);
                    PostNamed("RoutingDone", &self);
                    return;
                }
            }
        }
        if (turn.steps > 0) {
            Container<ChangeFacingStruct> change(ChangeFacingStruct(static_cast<TURN_DIRECTION>(turn.sense), static_cast<std::uint16_t>(turn.steps), GetUnitNum()));
            delete SendNamed("ChangeFacing", &change);
        }
    }
    DoRout(2);
}

void Combat::DoRout(std::uint16_t hexes) {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    routeHexes.Clear();
    Container<short> self(static_cast<short>(GetUnitNum()));
    if (isRemoved || !landscape || GetLocation() == 0xFFFF) {
        PostNamed("RoutingDone", &self);
        return;
    }
    routeHexes.AddTail(static_cast<short>(GetLocation()));
    List<short> secondPath;
    if (isTwoHex && secondRegion != -1) secondPath.AddTail(secondRegion);
    const Preferences prefs = RetreatPreferences(retreatEdge);
    const auto empty = [&](std::uint16_t h) { return h == 0xFFFF || !landscape->IsRegionOccupied(h); };
    const auto friendlyOrEmpty = [&](std::uint16_t h) {
        VhUnit* u = h == 0xFFFF ? nullptr : landscape->FirstUnitIn(h);
        return !u || !u->IsHostileTo(side);
    };
    bool terminal = false;
    for (int s = 0; s < hexes;) {
        std::uint16_t n1 = 0xFFFF, n2 = 0xFFFF;
        bool found = false;
        for (int pass = 1; pass <= 3 && !found; ++pass) {
            for (int k = 0; k < 4 && prefs.d[k] && !found; ++k) {
                int d = prefs.d[k];
                std::uint16_t a = landscape->GetNeighbour(GetLocation(), d);
                std::uint16_t b = isTwoHex && secondRegion != -1 ? landscape->GetNeighbour(static_cast<std::uint16_t>(secondRegion), d) : 0xFFFF;
                if (a == 0xFFFF || (isTwoHex && b == 0xFFFF)) break;
                if (StepCost(GetLocation(), a) == -1) continue;
                const auto unthreatened = [&](std::uint16_t x, std::uint16_t y) {
                    return !landscape->IsRegionThreatened(x, side) && (y == 0xFFFF || !landscape->IsRegionThreatened(y, side));
                };
                if (pass == 1) {
                    if (k == 0 && (retreatEdge == 3 || retreatEdge == 7) && (s % 2) == 1) {
                        const int alt = prefs.d[1];
                        const std::uint16_t a2 = landscape->GetNeighbour(GetLocation(), alt);
                        const std::uint16_t b2 = isTwoHex && secondRegion != -1 ? landscape->GetNeighbour(static_cast<std::uint16_t>(secondRegion), alt) : 0xFFFF;
                        if (a2 == 0xFFFF || (isTwoHex && b2 == 0xFFFF)) break;
                        if (unthreatened(a2, b2) && empty(a2) && empty(b2) && StepCost(GetLocation(), a2) >= 0) a = a2, b = b2;
                    }
                    if (unthreatened(a, b) && empty(a) && empty(b)) found = true;
                } else {
                    VhUnit* u = landscape->FirstUnitIn(a);
                    const bool own = u && !u->IsHostileTo(side);
                    if ((pass == 3 || unthreatened(a, b)) && own && friendlyOrEmpty(b)) found = true;
                }
                if (found) n1 = a, n2 = b;
            }
        }
        if (!found || routeHexes.Contains(static_cast<short>(n1))) {
            terminal = true;
            break;
        }
        if (s == hexes - 1) {
            if (!empty(n1) || (n2 != 0xFFFF && !empty(n2))) --s;
            if (landscape->IsAdjacentToEnemy(n1, side, 0) || (n2 != 0xFFFF && landscape->IsAdjacentToEnemy(n2, side, 0))) --s;
        }
        landscape->ShadowRegions(this, GetLocation());
        Unit::SetLocation(n1);
        landscape->DeshadowRegions(this, n1);
        if (isTwoHex) {
            if (secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
            secondRegion = static_cast<std::int16_t>(GetRightRegion(n1, 0));
            if (secondRegion != -1) landscape->DeshadowRegions(this, static_cast<std::uint16_t>(secondRegion));
        }
        routeHexes.AddTail(static_cast<short>(n1));
        if (n2 != 0xFFFF) secondPath.AddTail(static_cast<short>(n2));
        ++s;
        // A route can only grow while unvisited hexes remain: the loop test above ends it.
        if (routeHexes.Count() > 4 * 10000) break;
    }
    if (terminal) {
        Container<std::string> text(GetCommentaryName() + " is doing a terminal rout!");
        PostNamed("AddCommentary", &text);
        Container<RoutInfo> record(RoutInfo(GetUnitNum(), routeHexes, 1));
        delete SendNamed("DoRout", &record);
        return;
    }
    Container<RoutInfo> record(RoutInfo(GetUnitNum(), routeHexes, 0));
    PostNamed("DoRout", &record);
    List<short> all = routeHexes;
    for (Item<short>* i = secondPath.Head(); i; i = i->next)
        if (!all.Contains(i->value)) all.AddTail(i->value);
    for (Item<short>* i = all.Head(); i; i = i->next) {
        Combat* other = AsCombat(landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value)));
        if (!other || other == this) continue;
        if (!other->IsRouted()) {
            Container<std::string> text(other->GetCommentaryName() + " taking a morale hit for having " + GetCommentaryName() +
                                        " rout through him");
            PostNamed("AddCommentary", &text);
            other->TQHit(1, 0);
        } else {
            Container<std::string> text(other->GetCommentaryName() + " is eliminated for having " + GetCommentaryName() +
                                        " rout through him");
            PostNamed("AddCommentary", &text);
            Container<short> victim(static_cast<short>(other->GetUnitNum()));
            PostNamed("EliminateUnit", &victim);
        }
    }
}

void Combat::TerminalRout(List<short>& route, std::int16_t terminal) {
    Container<short> self(static_cast<short>(GetUnitNum()));
    if (isRemoved) {
        PostNamed("RoutingDone", &self);
        return;
    }
    short last = -1;
    if (!terminal && route.PeekTail(last) && landscape) {
        // The machine that worked the route out has moved the unit already; the others follow.
        if (GetLocation() != static_cast<std::uint16_t>(last)) {
            if (GetLocation() != 0xFFFF) landscape->ShadowRegions(this, GetLocation());
            Unit::SetLocation(static_cast<std::uint16_t>(last));
            landscape->DeshadowRegions(this, GetLocation());
            if (isTwoHex) {
                if (secondRegion != -1) landscape->ShadowRegions(this, static_cast<std::uint16_t>(secondRegion));
                secondRegion = static_cast<std::int16_t>(GetRightRegion(GetLocation(), 0));
                if (secondRegion != -1) landscape->DeshadowRegions(this, static_cast<std::uint16_t>(secondRegion));
            }
        }
        Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<List<short>>(route),
                                                              static_cast<std::int16_t>(GetLocation()), BusMessage(LOGICAL_OBJECT_MOVED),
                                                              RegisterMessage("RoutingDone"), new Container<short>(static_cast<short>(GetUnitNum()))));
        Post(LOGICAL_COMMAND, &info);
        return;
    }
    Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<List<short>>(route),
                                                          static_cast<std::int16_t>(GetLocation()), RegisterMessage("TerminalRout"),
                                                          RegisterMessage("RoutingDone"), new Container<short>(static_cast<short>(GetUnitNum()))));
    Post(LOGICAL_COMMAND, &info);
    const std::uint16_t flag = landscape && landscape->IsEdgeRegion(GetLocation()) ? 0 : 1;
    Eliminate(StrengthValue(), flag);
}

void Combat::Eliminate(std::uint16_t points, std::uint16_t flag) {
    if (isRemoved) return;
    routCounter = 0;
    Container<short> self(static_cast<short>(GetUnitNum()));
    delete SendNamed("RemoveFromCombat", &self);
    Container<EliminateUnitData> record(
        EliminateUnitData(static_cast<NATION>(side), points, static_cast<std::int32_t>(unitKind), GetUnitNum()));
    PostNamed("UnitEliminated", &record);
    Container<LogicalCommandInfo> info(LogicalCommandInfo(GetUnitNum(), new Container<short>(static_cast<short>(flag)),
                                                          static_cast<std::int16_t>(GetLocation()),
                                                          RegisterMessage("UnitEliminated")));
    Post(LOGICAL_COMMAND, &info);
    VhUnit::RemoveFromPlay();
}

int Combat::AttemptRally(std::int16_t commands) {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    int table = -1;
    const int first = GameRandom() % 10 + (modifier2 ? 1 : 0);
    // Commands are a signed count here: a leader with none left cannot rally anyone past a 0 or 1.
    if (first <= commands + 1) {
        const int column = troopQuality <= 3 ? 0 : troopQuality <= 5 ? 1 : 2;
        int second = GameRandom() % 10;
        if (modifier2) second = second + 2 > 9 ? 9 : second + 2;
        table = RallyTable[second / 2][column];
    }
    if (table < 0) {
        Container<std::string> text(GetCommentaryName() + " unsuccessfully rallied.");
        PostNamed("AddCommentary", &text);
        DoRout(99);
        return 0;
    }
    Container<std::string> text(GetCommentaryName() + " has successfully rallied.");
    PostNamed("AddCommentary", &text);
    const auto newHits = static_cast<std::uint16_t>(cohesionHits > table ? cohesionHits - table : 0);
    Container<RestoreCohesionInfo> record(RestoreCohesionInfo(newHits, GetUnitNum()));
    delete PostNamedAndWait("DoRestoreCohesion", &record);
    return 1;
}

ContainerBase* Combat::OnRallyOrder(std::int16_t commands) {
    isLegal = 0;
    hasActed = 1;
    Container<short> self(static_cast<short>(GetUnitNum()));
    PostNamed("GiveOrder", &self);
    Container<short> here(static_cast<short>(GetLocation()));
    Post(DEHIGHLIGHT_REGION, &here);
    if (isTwoHex) {
        Container<short> second(secondRegion);
        Post(DEHIGHLIGHT_REGION, &second);
    }
    if (AttemptRally(commands)) TurnTowardNearestEnemy();
    PostNamedEvent("UnitDeselected");
    return nullptr;
}

ContainerBase* Combat::OnRallyDeselected() {
    SendMenu(DISABLE_MENU_ITEM, unit_menu::Rally);
    UnregisterNamedHandler("UnitDeselected", RallyDeselectedEntry);
    UnregisterNamedHandler("Rally", RallyEntry);
    OnUnitDeselected();
    Container<short> self(static_cast<short>(GetUnitNum()));
    Post(LOGICAL_OBJECT_DESELECTED, &self);
    Container<short> here(static_cast<short>(GetLocation()));
    Post(DEHIGHLIGHT_REGION, &here);
    if (isTwoHex) {
        Container<short> second(secondRegion);
        Post(DEHIGHLIGHT_REGION, &second);
    }
    PostEvent(INVALIDATE_VIEW);
    return nullptr;
}

namespace {
ContainerBase* RestoreMoraleEntry(Component* c, BusMessage, ContainerBase*) {
    Combat* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->DoRestoreCohesion();
    return nullptr;
}
} // namespace

ContainerBase* Combat::OnSelectionConfirmed() {
    if (isSelected) return nullptr;
    if (routCounter) {
        // A routed unit can only be rallied: it takes the rally order and lets go on deselection.
        isSelected = 1;
        Subscribe("Rally", RallyEntry);
        Subscribe("UnitDeselected", RallyDeselectedEntry);
        SendMenu(ENABLE_MENU_ITEM, unit_menu::Rally);
        return nullptr;
    }
    ContainerBase* answer = VhUnit::OnSelectionConfirmed();
    if (Application* app = GetApplication()) {
        app->SetStatusText(StatusPane1Text().c_str(), 1);
        app->SetStatusText(StatusPane2Text().c_str(), 2);
    }
    if (cohesionHits && !hasActed && !selectedOutOfCommands) {
        Subscribe("UnitRestoreMorale", RestoreMoraleEntry);
        SendMenu(ENABLE_MENU_ITEM, unit_menu::RestoreMorale);
    }
    return answer;
}

ContainerBase* Combat::OnUnitDeselected() {
    UnregisterNamedHandler("UnitRestoreMorale", RestoreMoraleEntry);
    SendMenu(DISABLE_MENU_ITEM, unit_menu::RestoreMorale);
    return VhUnit::OnUnitDeselected();
}
