// The shock phase: every combat designated this activation is fought, all at once when the view
// shows every combatant, otherwise in groups that each fit the view. A group is over when every
// combat animation and every rout it caused has reported back and every advance into the ground
// won has ended; the phase is over when the last group is.
//
// The waits are lists of outstanding tokens: -n for the n-th combat (its animation), the unit
// number of each unit that broke and routs, the unit number of each advancing unit. A completion
// whose token is not awaited is ignored, so late and repeated completions do no harm, and every
// token put in a list belongs to something that is known to report back.
#include "game/logic/referee/vh_logical_layer.h"

#include "game/logic/referee/flow_entries.h"
#include "game/units/combat.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr const char* Source = "VHLOG4";

VhLogicalLayer* Receiver(Component* c, int line) {
    VhLogicalLayer* self = nullptr;
    BusReceiver(c, self, Source, line);
    return self;
}

ContainerBase* AdvancingDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* unit = nullptr;
    if (!BusArgs(c, p, self, unit, Source, __LINE__)) return nullptr;
    self->OnAdvancingDone(*unit);
    return nullptr;
}

// Calls f(unit) for every combatant of every combat, attackers first, that stands on the map.
template <class F> void ForEachCombatant(const List<CombatStruct>& combats, F f) {
    for (Item<CombatStruct>* c = combats.Head(); c; c = c->next) {
        for (const List<Combat*>* side : {&c->value.attackers, &c->value.defenders})
            for (Item<Combat*>* i = side->Head(); i; i = i->next)
                if (i->value && i->value->GetLocation() != 0xFFFF) f(i->value);
    }
}

} // namespace

namespace flow_entries {

ContainerBase* PerformShock(Component* c, BusMessage, ContainerBase*) {
    if (VhLogicalLayer* self = Receiver(c, __LINE__)) self->OnPerformShock();
    return nullptr;
}

ContainerBase* SomeCombatDone(Component* c, BusMessage, ContainerBase*) {
    if (VhLogicalLayer* self = Receiver(c, __LINE__)) self->OnSomeCombatDone();
    return nullptr;
}

ContainerBase* ShockRoutingDone(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* token = nullptr;
    if (!BusArgs(c, p, self, token, Source, __LINE__)) return nullptr;
    self->OnRoutingDone(*token);
    return nullptr;
}

} // namespace flow_entries

std::int16_t VhLogicalLayer::WillCombatFit(const List<CombatStruct>& combats) {
    struct Corner {
        int column, row;
    };
    Corner lowerLeft{999, -1}, upperLeft{999, 999}, lowerRight{-1, -1}, upperRight{-1, 999};
    bool any = false;
    ForEachCombatant(combats, [&](Combat* u) {
        any = true;
        const int column = u->GetLocation() / 100;
        const int row = u->GetLocation() - column * 100;
        if (column <= upperLeft.column && row <= upperLeft.row) upperLeft = {column, row};
        if (column >= upperRight.column && row <= upperRight.row) upperRight = {column, row};
        if (column <= lowerLeft.column && row >= lowerLeft.row) lowerLeft = {column, row};
        if (column >= lowerRight.column && row >= lowerRight.row) lowerRight = {column, row};
    });
    // Nobody on the map: there is nothing to show, so nothing that could fail to fit.
    if (!any) return 1;
    const auto number = [](const Corner& k) { return static_cast<std::uint16_t>(k.column * 100 + k.row); };
    Container<WillCombatFitStruct> request(
        WillCombatFitStruct(number(lowerLeft), number(upperLeft), number(lowerRight), number(upperRight)));
    ContainerBase* answer = PostNamedAndWait("WillCombatFit?", &request);
    short fits = 0;
    if (!answer || !ExtractData(answer, fits)) fits = 0;
    delete answer;
    return fits;
}

void VhLogicalLayer::CenterOnCombats(const List<CombatStruct>& combats) {
    int columns = 0, rows = 0, count = 0;
    ForEachCombatant(combats, [&](Combat* u) {
        const int column = u->GetLocation() / 100;
        columns += column;
        rows += u->GetLocation() - column * 100;
        ++count;
    });
    if (count == 0) return;
    Container<short> centre(static_cast<short>(rows / count + columns / count * 100));
    delete PostNamedAndWait("Combat Center On Region", &centre);
}

void VhLogicalLayer::OnPerformShock() {
    // A second order while a phase runs would drop its waits and the groups still to fight.
    if (shockState != ShockIdle) return;
    PostNamedEvent("StartCombat");
    routingWait.Clear();
    advances.Clear();
    advanceWait.Clear();
    pursuitCandidates.Clear();
    combatGroups.Clear();
    shockResolving = advanceWalk = false;
    if (currentCombats.IsEmpty()) {
        currentCombats.Clear();
        shockState = ShockIdle;
        PostNamedEvent("CombatDone");
        return;
    }
    shockState = ShockWaiting;
    const std::int16_t fits = WillCombatFit(currentCombats);
    ComputeShockHits();
    // From here the combats are the phase's own: the questions to the view run the queue, and
    // nothing a handler does to the current combats meanwhile may shift them against their hits.
    List<CombatStruct> pending = currentCombats;
    currentCombats.Clear();
    if (fits) {
        groupedMode = 0;
        CenterOnCombats(pending);
        PostNamedEvent("RemoveAllBattleArrows");
        combatCounter = 0;
        ResolveCombatList(pending);
        return;
    }

    // Greedy grouping. Each combat's hit totals travel with it, so that the queues hold them in
    // the order of resolution: group after group, each in its own order.
    groupedMode = 1;
    std::vector<std::pair<short, short>> hits;
    for (Item<short>* a = sideHitQueues[0].Head(), *b = sideHitQueues[1].Head(); a && b; a = a->next, b = b->next)
        hits.emplace_back(a->value, b->value);
    hits.resize(static_cast<std::size_t>(pending.Count()), {0, 0});
    std::vector<std::pair<short, short>> ordered;
    while (!pending.IsEmpty()) {
        List<CombatStruct> group;
        CombatStruct first;
        pending.RemoveHead(first);
        group.AddTail(first);
        ordered.push_back(hits.front());
        hits.erase(hits.begin());
        std::size_t index = 0;
        for (Item<CombatStruct>* c = pending.Head(); c;) {
            Item<CombatStruct>* next = c->next;
            group.AddTail(c->value);
            if (!WillCombatFit(group)) {
                group.RemoveTail();
                ++index;
            } else {
                pending.RemoveItem(c);
                ordered.push_back(hits[index]);
                hits.erase(hits.begin() + static_cast<std::ptrdiff_t>(index));
            }
            c = next;
        }
        combatGroups.AddTail(group);
    }
    sideHitQueues[0].Clear();
    sideHitQueues[1].Clear();
    for (const auto& h : ordered) {
        sideHitQueues[0].AddTail(h.first);
        sideHitQueues[1].AddTail(h.second);
    }
    List<CombatStruct> firstGroup;
    combatGroups.PeekHead(firstGroup);
    CenterOnCombats(firstGroup);
    PostNamedEvent("RemoveAllBattleArrows");
    combatCounter = 0;
    ResolveNextCombatGroup();
}

void VhLogicalLayer::ResolveNextCombatGroup() {
    List<CombatStruct> group;
    combatGroups.RemoveHead(group);
    advances.Clear();
    pursuitCandidates.Clear();
    shockState = ShockWaiting;
    ResolveCombatList(group);
}

void VhLogicalLayer::ResolveCombatList(List<CombatStruct>& combats) {
    shockResolving = true;
    CombatStruct combat;
    while (combats.RemoveHead(combat)) ResolveShockCombat(combat);
    shockResolving = false;
    // Every completion may already be in when nothing was left to animate or rout.
    if (routingWait.IsEmpty()) RoutingFinished();
}

void VhLogicalLayer::OnRoutingDone(std::int16_t token) {
    if (shockState != ShockWaiting || !routingWait.Remove(token)) return;
    if (shockResolving || !routingWait.IsEmpty()) return;
    RoutingFinished();
}

void VhLogicalLayer::RoutingFinished() {
    if (!advances.IsEmpty()) BeginAdvance();
    else PostSomeCombatDone();
}

void VhLogicalLayer::BeginAdvance() {
    UnregisterNamedHandler("AdvancingDone", AdvancingDoneEntry);
    RegisterNamedHandler("AdvancingDone", AdvancingDoneEntry);
    advanceWait.Clear();
    advanceWalk = true;
    for (Item<CombatAdvance>* e = advances.Head(); e; e = e->next) {
        // The entry holds the unit by its number: a 64-bit pointer does not fit the record.
        Combat* unit = FindCombatUnit(static_cast<std::uint16_t>(e->value.value));
        if (!unit || unit->IsBreaking() || unit->IsRouted() || unit->IsRemoved()) continue;
        const short number = static_cast<short>(unit->GetUnitNum());
        // A unit ordered twice would be awaited twice but report once.
        if (advanceWait.Contains(number)) continue;
        advanceWait.AddTail(number);
        if (!unit->Advance(e->value.first, e->value.second)) advanceWait.Remove(number);
    }
    advanceWalk = false;
    if (advanceWait.IsEmpty()) FinishAdvance();
}

void VhLogicalLayer::OnAdvancingDone(std::int16_t unit) {
    if (!advanceWait.Remove(unit)) return;
    if (advanceWalk || !advanceWait.IsEmpty()) return;
    FinishAdvance();
}

void VhLogicalLayer::FinishAdvance() {
    UnregisterNamedHandler("AdvancingDone", AdvancingDoneEntry);
    PostSomeCombatDone();
}

void VhLogicalLayer::PostSomeCombatDone() {
    shockState = ShockGroupDone;
    PostNamedEvent("SomeCombatDone");
}

void VhLogicalLayer::OnSomeCombatDone() {
    // Only the phase's own announcement counts, once: a stray one would start a group early or
    // end the phase twice.
    if (shockState != ShockGroupDone) return;
    if (groupedMode == 1 && !combatGroups.IsEmpty()) {
        shockState = ShockWaiting;
        List<CombatStruct> next;
        combatGroups.PeekHead(next);
        CenterOnCombats(next);
        ResolveNextCombatGroup();
        return;
    }
    shockState = ShockIdle;
    PostNamedEvent("CombatDone");
}

void VhLogicalLayer::ResetShockPhase() {
    UnregisterNamedHandler("AdvancingDone", AdvancingDoneEntry);
    combatGroups.Clear();
    routingWait.Clear();
    advances.Clear();
    advanceWait.Clear();
    pursuitCandidates.Clear();
    sideHitQueues[0].Clear();
    sideHitQueues[1].Clear();
    groupedMode = 0;
    combatCounter = 0;
    shockState = ShockIdle;
    shockResolving = advanceWalk = false;
}
