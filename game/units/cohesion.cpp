// Cohesion hits in two steps: TQHit on the machine that causes them (it tallies pending hits and
// reports a break at once) and ApplyCohesionHits on every machine from the relayed "TQHit"; the
// morale roll, the restore-morale order and the restore-cohesion record of rally and restore
// morale.
#include "game/units/combat.h"

#include "game/logic/game_random.h"
#include "game/logic/logical_command.h"
#include "game/units/group.h"
#include "game/units/leader.h"

namespace {
// A quality of 0 (a damaged record) would divide by zero; such a unit shows as fully hit.
short Percent(int hits, int quality) { return static_cast<short>(quality > 0 ? hits * 100 / quality : 100); }
} // namespace

int Combat::TQHit(std::int16_t hits, std::int32_t source) {
    if (advancing && troopQuality <= hits + cohesionHits) hits = static_cast<std::int16_t>(troopQuality - cohesionHits - 1);
    if (hits <= 0) return 0;
    if (!IsOnMap()) return 0;
    // The tally and the break mark come first: a post made outside any dispatch is delivered at
    // once, and the relayed hits must find this machine's mark already set.
    pendingHits = static_cast<std::int16_t>(pendingHits + hits);
    const int breaks = troopQuality <= cohesionHits + pendingHits ? 1 : 0;
    if (!breaking) breaking = static_cast<std::uint16_t>(breaks);
    Container<TQHitInfo> payload(TQHitInfo(static_cast<std::uint16_t>(hits), static_cast<std::uint32_t>(source), GetUnitNum()));
    PostNamed("TQHit", &payload);
    if (breaks && isSelected) delete SendNamedEvent("UnitDeselected");
    return breaks;
}

void Combat::ApplyCohesionHits(std::uint16_t hits, std::uint32_t method) {
    if (routCounter || isRemoved) return;
    pendingHits = static_cast<std::int16_t>(pendingHits > hits ? pendingHits - hits : 0);
    cohesionHits = static_cast<std::uint16_t>(cohesionHits + hits);
    MethodOfDeathStruct death;
    death.first = static_cast<std::uint16_t>(Percent(cohesionHits, troopQuality));
    death.method = method;
    death.second = 0xFFFF;
    SendPicture("CohesionHit", new Container<MethodOfDeathStruct>(death), false);
    if (cohesionHits >= troopQuality) {
        cohesionHits = troopQuality;
        routCounter = 1;
        if (breaking) {
            breaking = 0;
            const char* what = unitKind == ElephantKind ? "rampaging!" : unitKind == 14 ? "eliminated!" : "routing!";
            Container<std::string> text(GetCommentaryName() + " is " + what);
            PostNamed("AddCommentary", &text);
            if (unitKind == 14 || unitKind == ArtilleryKind || unitKind == SupplyWagonKind) {
                Container<short> self(static_cast<short>(GetUnitNum()));
                PostNamed("EliminateUnit", &self);
            } else {
                OnRouted();
            }
        }
    }
    if (isSelected) {
        Container<std::string> pane(StatusPane2Text());
        PostNamed("SetStatusText", &pane);
    }
}

std::int16_t Combat::MoraleExcess(std::int16_t die) const {
    const int v = die + modifier1;
    const int threshold = routCounter ? 1 : troopQuality;
    return static_cast<std::int16_t>(threshold <= v ? v - threshold : 0);
}

void Combat::RestoreCohesion(std::uint16_t hits) {
    cohesionHits = hits > troopQuality ? troopQuality : hits;
    SendPicture("RestoreCohesion", new Container<short>(Percent(cohesionHits, troopQuality)), false);
    if (routCounter) {
        routCounter = 0;
        movementPoints = 0;
        isLegal = 0;
        hasActed = 1;
        OnRallied();
    }
}

std::int16_t Combat::DoRestoreCohesion() {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    const Leader* leader = group ? group->GetLeader() : nullptr;
    const int c = leader ? leader->GetCommands() : 4;
    const bool ai = leader && leader->IsAIControlled();
    isLegal = 0;
    hasActed = 1;
    int w[4] = {5, 40, 50, 5};
    w[0] -= 4 * (c - 4);
    w[3] += 4 * (c - 4);
    if (w[0] < 0) {
        w[1] += w[0];
        w[0] = 0;
    }
    int roll = GameRandom() % 100;
    if (landscape && landscape->IsRegionThreatened(GetLocation(), side)) roll -= ai ? 40 : 60;
    if (ai) roll += 20;
    if (roll < 0) roll = 0;
    int removed = 0, sum = 0;
    for (int i = 0; i < 4; ++i) {
        sum += w[i];
        if (roll < sum) {
            removed = i > cohesionHits ? cohesionHits : i;
            break;
        }
    }
    const auto newHits = static_cast<std::uint16_t>(cohesionHits - removed);
    Container<std::string> text(GetCommentaryName() + " had " + std::to_string(removed) + " morale hit" + (removed == 1 ? "" : "s") +
                                " removed.");
    PostNamed("AddCommentary", &text);
    cohesionHits = newHits;
    movementPoints = 0;
    Container<RestoreCohesionInfo> record(RestoreCohesionInfo(newHits, GetUnitNum()));
    PostNamed("DoRestoreCohesion", &record);
    Container<short> self(static_cast<short>(GetUnitNum()));
    PostNamed("CohesionRestored", &self);
    PostNamedEvent("UnitDeselected");
    return 0;
}
