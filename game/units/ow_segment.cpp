// The OW segment of combat units: which enemies next to a unit that ended its move may evade,
// the morale checks on both sides, the hits for evading, and what the mover does with each
// answer. Candidates are asked one at a time; the segment ends with "EndOWSegment".
#include "game/units/combat.h"

#include "game/logic/game_random.h"
#include "game/units/leader.h"

namespace {
bool IsCavalryKind(int kind) { return kind >= 8 && kind <= 12; }
} // namespace

std::int16_t Combat::BeginOWSegment() {
    owStopped = 0;
    pendingOWResolutions.Clear();
    // Hexes evaded from count for this segment only; the next segment starts with none.
    evadedFrom.Clear();
    UnsubscribeBeginOWSegment();
    if (isSelected) {
        SubscribeEndOWSegment();
        UnsubscribeSelectionClicks();
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        PostEvent(INVALIDATE_VIEW);
        for (std::uint16_t menuId : {220, 221, 195, 196, 213, 214, 219, 225}) SendMenu(DISABLE_MENU_ITEM, menuId);
    }
    owCandidates.Clear();
    if (landscape && GetLocation() != 0xFFFF) {
        List<short> ring;
        landscape->FindRegionsAtRange(ring, GetLocation(), 1, nullptr, 0);
        for (Item<short>* i = ring.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            if (h == GetLocation()) continue;
            VhUnit* x = landscape->FirstUnitIn(h);
            if (!x || !x->IsHostileTo(side)) continue;
            if (Leader* leader = AsLeader(x)) {
                leader->CheckCasualtyEvading(GetLocation(), GetSecondRegion());
                continue;
            }
            Combat* c = AsCombat(x);
            if (!c || c->IsRouted()) continue;
            const int k = c->GetUnitKind(), m = static_cast<int>(unitKind);
            const bool kindFits = (k == SupplyWagonKind && m != SupplyWagonKind) || (IsCavalryKind(k) && m == InfantryKind) ||
                                  (IsCavalryKind(k) && m == CavalryKind && !IsMounted()) ||
                                  (k == ArtilleryKind && (m == InfantryKind || m == CavalryKind));
            if (!kindFits) continue;
            bool engaged = false;
            for (int d : {1, 2, 4, 5, 6, 8}) {
                const std::uint16_t n = landscape->GetNeighbour(h, d);
                ListIterator<VhUnit*> it(&landscape->GetUnitsInRegion(n), 0);
                VhUnit* y = nullptr;
                while (!engaged && it.Next(y)) engaged = y != this && y->IsCombatUnit() && y->IsHostileTo(c->GetSide()) && y->IsInFrontHexes(h);
                if (engaged) break;
            }
            if (engaged) continue;
            OWStruct record;
            record.Set(c->GetUnitNum(), GetLocation(), GetSecondRegion(), 2);
            owCandidates.AddTail(record);
            pendingOWResolutions.AddTail(static_cast<short>(h));
        }
    }
    SubscribeOWResolved();
    OWStruct next;
    if (owCandidates.RemoveHead(next)) {
        Container<short> centre(static_cast<short>(GetLocation()));
        delete SendNamed("Center On Region", &centre);
        Container<OWStruct> ask(next);
        PostNamed("ResolveOW", &ask);
    } else {
        SubscribeEndOWSegment();
        Container<EndOWStruct> end(EndOWStruct(1, GetUnitNum()));
        PostNamed("EndOWSegment", &end);
    }
    return 0;
}

ContainerBase* Combat::OnUnitOW(const OWStruct& threat) {
    if (threat.unit != GetUnitNum() || isRemoved) return nullptr;
    owThreat = threat.leader;
    owThreatSecond = threat.side;
    Container<ResolveOWStruct> stood(ResolveOWStruct(0, GetLocation()));
    VhUnit* mover = landscape ? landscape->FirstUnitIn(threat.leader) : nullptr;
    const Combat* moverCombat = AsCombat(mover);
    if (IsCavalryKind(static_cast<int>(unitKind)) && moverCombat && moverCombat->GetUnitKind() == ElephantKind) {
        const int d = GameRandom() % 10;
        int hits = MoraleExcess(static_cast<std::int16_t>(d)) - troopQuality;
        if (hits < 1) hits = 1;
        Container<std::string> text(GetCommentaryName() + " takes " + std::to_string(hits) + " " + (hits < 2 ? "hit" : "hits") +
                                    " for being approached by an elephant unit.");
        PostNamed("AddCommentary", &text);
        if (TQHit(static_cast<std::int16_t>(hits), 0)) {
            PostNamed("OWResolved", &stood);
            return nullptr;
        }
    }
    if (cohesionHits + pendingHits < troopQuality - 2) {
        const int d = GameRandom() % 10;
        if (MoraleExcess(static_cast<std::int16_t>(d)) == 0) return VhUnit::OnUnitOW(threat);
    }
    PostNamed("OWResolved", &stood);
    return nullptr;
}

int Combat::ChooseEvasion(std::uint16_t hex1, std::uint16_t hex2, List<short>& route) {
    route.Clear();
    if (!landscape || GetLocation() == 0xFFFF) return 0;
    int threat = landscape->DirectionToRegion(GetLocation(), hex1);
    if (!threat && hex2 != 0xFFFF) threat = landscape->DirectionToRegion(GetLocation(), hex2);
    if (!threat) return 0;
    if (landscape->RegionHasFeature(GetLocation(), 4) || landscape->RegionHasFeature(GetLocation(), 5)) return 0;
    List<DIRECTION> dirs;
    switch (threat) {
    case 1: dirs.AddTail(SouthWest), dirs.AddTail(SouthEast), dirs.AddTail(South); break;
    case 2: dirs.AddTail(SouthWest), dirs.AddTail(NorthWest), dirs.AddTail(South); break;
    case 4: dirs.AddTail(SouthWest), dirs.AddTail(NorthWest), dirs.AddTail(North); break;
    case 5: dirs.AddTail(NorthWest), dirs.AddTail(NorthEast), dirs.AddTail(North); break;
    case 6: dirs.AddTail(SouthEast), dirs.AddTail(NorthEast), dirs.AddTail(North); break;
    case 8: dirs.AddTail(NorthEast), dirs.AddTail(SouthEast), dirs.AddTail(South); break;
    default: return 0;
    }
    const std::uint16_t wasEvading = isEvading;
    isEvading = 1;
    List<short> area;
    List<List<short>> routes;
    landscape->FindRegionsInRange(area, dirs, GetLocation(), 2, 1, GetStepCostCallback(), &routes, nullptr, 0);
    isEvading = wasEvading;
    int longest = 0;
    for (Item<List<short>>* r = routes.Head(); r; r = r->next)
        if (r->value.Count() > longest) longest = r->value.Count();
    int bestScore = -1;
    bool leaderMark = false;
    for (Item<List<short>>* r = routes.Head(); r; r = r->next) {
        if (r->value.Count() != longest) continue;
        short end = -1;
        r->value.PeekTail(end);
        List<short> around;
        landscape->FindRegionsWithinRange(around, static_cast<std::uint16_t>(end), 3, nullptr, 0);
        int score = 3;
        bool mark = false;
        for (Item<short>* h = around.Head(); h; h = h->next) {
            VhUnit* x = landscape->FirstUnitIn(static_cast<std::uint16_t>(h->value));
            if (!x || !x->IsHostileTo(side) || x == this) continue;
            const int d = landscape->RegionDistance(static_cast<std::uint16_t>(end), static_cast<std::uint16_t>(h->value));
            if (d <= score) {
                score = d;
                if (x->IsLeader()) mark = true;
            }
        }
        if (score >= bestScore) {
            bestScore = score;
            route = r->value;
            if (mark) leaderMark = true;
        }
    }
    if (bestScore == 1 && leaderMark) {
        route.Clear();
        return 0;
    }
    return route.Count() > 1 ? 1 : 0;
}

std::int16_t Combat::EvasionHits(std::uint16_t threatHex) {
    int base = 0;
    const int k = static_cast<int>(unitKind);
    if (k == 2 || k == 3 || k == 5 || k == 6 || k == 14) base = 1;
    else if (rearZone.Contains(static_cast<short>(threatHex)) || (flankHexes.Contains(static_cast<short>(threatHex)) && k != SkirmisherKind))
        base = 1;
    const int d = GameRandom() % 10;
    if (MoraleExcess(static_cast<std::int16_t>(d)) != 0) ++base;
    return static_cast<std::int16_t>(base);
}

void Combat::EvadeReaction() {
    // The threat is the mover whose OW segment asked this unit: the hexes come with the request.
    EvadeFrom(owThreat, owThreatSecond);
}

int Combat::EvadeFrom(std::uint16_t threatHex, std::uint16_t threatSecond) {
    const std::uint16_t from = GetLocation();
    isEvading = 1;
    List<short> route;
    if (!ChooseEvasion(threatHex, threatSecond, route)) {
        Container<ResolveOWStruct> stood(ResolveOWStruct(0, from));
        PostNamed("OWResolved", &stood);
        isEvading = 0;
        return 0;
    }
    const std::int16_t hits = EvasionHits(threatHex);
    Move(route, RegisterMessage("OWMovementDone"), new Container<short>(static_cast<short>(GetUnitNum())));
    if (hits > 0) {
        TQHit(hits, 0);
        Container<std::string> text(GetCommentaryName() + " takes" + (hits == 1 ? " one morale hit for evading." : " two morale hits for evading."));
        PostNamed("AddCommentary", &text);
    }
    Container<ResolveOWStruct> evaded(ResolveOWStruct(1, from));
    PostNamed("OWResolved", &evaded);
    isEvading = 0;
    return 1;
}

ContainerBase* Combat::OnOWResolved(const ResolveOWStruct& result) {
    if (result.first == 0) {
        const int d = GameRandom() % 10;
        if (MoraleExcess(static_cast<std::int16_t>(d)) == 0) {
            Container<short> here(static_cast<short>(GetLocation()));
            delete SendNamed("AttemptChangeFormation", &here);
        }
    } else if (!evadedFrom.Contains(static_cast<short>(result.second))) {
        evadedFrom.AddTail(static_cast<short>(result.second));
    }
    VhUnit::OnOWResolved(result);
    OWStruct next;
    if (owCandidates.RemoveHead(next)) {
        Container<short> centre(static_cast<short>(GetLocation()));
        delete SendNamed("Center On Region", &centre);
        Container<OWStruct> ask(next);
        PostNamed("ResolveOW", &ask);
    }
    return nullptr;
}

ContainerBase* Combat::OnEndOWSegment(const EndOWStruct& flag) {
    if (attackTarget != -1 && evadedFrom.Contains(attackTarget)) attackTarget = -1;
    SendMenu(ENABLE_MENU_ITEM, unit_menu::ViewDetails);
    if (isSelected) SubscribeFlyby();
    return VhUnit::OnEndOWSegment(flag);
}
