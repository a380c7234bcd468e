// The rules of one shock combat: how many cohesion hits each side takes, who breaks, which routed
// defenders are eliminated before the fight, what the players and the unit pictures are told, and
// which attacker advances into the ground won.
//
// Every unit of a side is judged against its state before the combat: the hits given here stay
// pending in the unit until the relayed "TQHit" applies them, and only committed hits are read.
#include "game/logic/referee/vh_logical_layer.h"

#include "core/message_registry.h"
#include "game/logic/logical_command.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"

#include <cstdint>

namespace {

// The hit roll's method code for shock, as the unit rules and the pictures know it.
constexpr std::int32_t ShockHitSource = -1;
// The edge and terrain that give a defender the better ground.
constexpr std::uint16_t DefendedEdgeCode = 10;
constexpr std::uint16_t DefendedTerrainCode = 16;
// A bout normally ends a fight within a few rolls; a damaged record (a quality far above any
// table) must not keep the referee rolling for ever.
constexpr int MostBouts = 1000;
constexpr std::int32_t MostHits = 0x7FFF;

// Indexes of the twelve number lists of a combat result; side B's list follows side A's.
enum ResultList { Regions = 0, HitsTaken = 2, HitsAfter = 4, CapacityLeft = 6, Broke = 8, Reserved = 10 };

std::int16_t ElevationOf(const VhLogicalLandscape* map, std::uint16_t region) {
    const LogicalRegion* r = map ? map->GetRegion(region) : nullptr;
    return r ? r->Elevation() : 0;
}

bool Adjacent(const VhLogicalLandscape* map, std::uint16_t a, std::uint16_t b) {
    return map && a != 0xFFFF && b != 0xFFFF && map->DirectionToRegion(a, b) != NoDirection;
}

// A unit that has been taken off the map no longer fights; neither does a slot without a unit.
bool OnField(const Combat* unit) { return unit && !unit->IsRemoved(); }

// Units eliminated or otherwise taken off the map since the combat was declared, together with
// their moved flags, so that the flags stay one per attacker.
void DropUnitsOffField(CombatStruct& combat) {
    List<Combat*> attackers;
    List<short> words;
    Item<short>* word = combat.attackerWords.Head();
    for (Item<Combat*>* i = combat.attackers.Head(); i; i = i->next) {
        if (OnField(i->value)) {
            attackers.AddTail(i->value);
            if (word) words.AddTail(word->value);
        }
        if (word) word = word->next;
    }
    combat.attackers = attackers;
    combat.attackerWords = words;
    combat.defenders.RemoveIf([](Combat* u) { return !OnField(u); });
}

std::int16_t Clamp(std::int32_t v) {
    if (v > MostHits) return static_cast<std::int16_t>(MostHits);
    if (v < -MostHits) return static_cast<std::int16_t>(-MostHits);
    return static_cast<std::int16_t>(v);
}

} // namespace

std::int16_t ShockHitsFor(const Combat* unit, std::int16_t sideHits) {
    if (unit && unit->GetUnitKind() == SupplyWagonKind) return Clamp(2 * static_cast<std::int32_t>(sideHits));
    return sideHits;
}

std::int16_t VhLogicalLayer::ShockCategory(List<Combat*>& x, List<Combat*>& y, int xDefends) {
    if (x.IsEmpty() || y.IsEmpty()) return 0;
    std::int32_t ySize = 0, yHighest = 0, yLowest = 99, yMostHits = 0;
    for (Item<Combat*>* i = y.Head(); i; i = i->next) {
        Combat* u = i->value;
        ySize += u->GetSize();
        const std::int16_t e = ElevationOf(landscape, u->GetLocation());
        if (e > yHighest) yHighest = e;
        if (e < yLowest) yLowest = e;
        if (u->GetCohesionHits() > yMostHits) yMostHits = u->GetCohesionHits();
    }
    std::int32_t xQuality = 0, xSize = 0, xHighest = 0, xLowest = 99, xMostHits = 0;
    bool defended = false, outOfLine = false, xFlanked = false, yFlanked = false;
    for (Item<Combat*>* i = x.Head(); i; i = i->next) {
        Combat* u = i->value;
        const std::uint16_t here = u->GetLocation();
        xQuality += u->GetTQ();
        xSize += u->GetSize();
        const std::int16_t e = ElevationOf(landscape, here);
        if (e > xHighest) xHighest = e;
        if (e < xLowest) xLowest = e;
        if (u->GetCohesionHits() > xMostHits) xMostHits = u->GetCohesionHits();
        if (xDefends && landscape) {
            for (Item<Combat*>* j = y.Head(); j; j = j->next) {
                const std::uint16_t there = j->value->GetLocation();
                if (Adjacent(landscape, here, there) && landscape->HasEdgeBetween(here, there, DefendedEdgeCode)) {
                    defended = true;
                    break;
                }
            }
            if (landscape->RegionHasFeature(here, DefendedTerrainCode)) defended = true;
        }
        if (!u->IsInLine()) outOfLine = true;
        if (xFlanked || yFlanked) continue;
        for (Item<Combat*>* j = y.Head(); j; j = j->next) {
            Combat* v = j->value;
            const std::uint16_t there = v->GetLocation();
            if (!xFlanked && (u->IsOnFlank(there, 1, 0) || u->IsInRearZone(there, 1))) xFlanked = true;
            if (!yFlanked && (v->IsOnFlank(here, 1, 0) || v->IsInRearZone(here, 1))) yFlanked = true;
        }
    }
    std::int32_t category = xQuality / x.Count();
    if (ySize > 0) {
        // The thresholds are single-precision values compared in double: 3 to 10 lies below 0.3.
        const double ratio = static_cast<double>(xSize) / static_cast<double>(ySize);
        if (ratio < static_cast<double>(0.3f)) category -= 2;
        else if (ratio < static_cast<double>(0.5f)) category -= 1;
    }
    if (yFlanked) category += 2;
    if (xFlanked) category -= 2;
    if (defended) category += 2;
    if (outOfLine) category -= 2;
    if (yHighest < xLowest) category += 1;
    if (xHighest < yLowest) category -= 1;
    if (yMostHits < xMostHits) category -= xMostHits;
    // The hit table has rows 1..10 only.
    if (category < 1) category = 1;
    if (category > 10) category = 10;
    return static_cast<std::int16_t>(category);
}

void VhLogicalLayer::ComputeShockHits() {
    sideHitQueues[0].Clear();
    sideHitQueues[1].Clear();
    for (Item<CombatStruct>* c = currentCombats.Head(); c; c = c->next) {
        List<Combat*> a, b;
        for (Item<Combat*>* i = c->value.attackers.Head(); i; i = i->next)
            if (OnField(i->value) && !i->value->IsRouted()) a.AddTail(i->value);
        for (Item<Combat*>* i = c->value.defenders.Head(); i; i = i->next)
            if (OnField(i->value) && !i->value->IsRouted()) b.AddTail(i->value);
        std::int32_t hitsA = 0, hitsB = 0;
        for (int bout = 0; !a.IsEmpty() && !b.IsEmpty() && bout < MostBouts; ++bout) {
            const std::int16_t categoryB = ShockCategory(b, a, 1);
            const std::int16_t categoryA = ShockCategory(a, b, 0);
            hitsA = Clamp(hitsA + RollCohesionHits(categoryB) * b.Count());
            hitsB = Clamp(hitsB + RollCohesionHits(categoryA) * a.Count());
            const auto beaten = [](std::int32_t hits) {
                return [hits](Combat* u) {
                    const std::int32_t taken = u->GetUnitKind() == SupplyWagonKind ? 2 * hits : hits;
                    return u->GetTQ() <= u->GetCohesionHits() + taken;
                };
            };
            a.RemoveIf(beaten(hitsA));
            b.RemoveIf(beaten(hitsB));
        }
        sideHitQueues[0].AddTail(static_cast<short>(hitsA));
        sideHitQueues[1].AddTail(static_cast<short>(hitsB));
    }
}

void VhLogicalLayer::ResolveShockCombat(CombatStruct& combat) {
    short hitsA = 0, hitsB = 0;
    sideHitQueues[0].RemoveHead(hitsA);
    sideHitQueues[1].RemoveHead(hitsB);
    ++combatCounter;
    const short token = static_cast<short>(-static_cast<std::int32_t>(combatCounter));
    routingWait.AddTail(token);
    Container<short> done(token);

    DropUnitsOffField(combat);
    // A combat that lost every attacker has nobody to fight: like one without defenders it ends
    // with its own token, so the phase never waits for an animation that will not come.
    if (combat.attackers.IsEmpty()) {
        PostNamed("RoutingDone", &done);
        return;
    }

    SingleCombatResult result;
    for (Item<Combat*>* i = combat.attackers.Head(); i; i = i->next) {
        result.firstNames.AddTail(i->value->GetName());
        result.numbers[Regions].AddTail(static_cast<short>(i->value->GetLocation()));
    }
    for (Item<Combat*>* i = combat.defenders.Head(); i; i = i->next) {
        result.secondNames.AddTail(i->value->GetName());
        result.numbers[Regions + 1].AddTail(static_cast<short>(i->value->GetLocation()));
    }

    List<Combat*> defenders;
    for (Item<Combat*>* i = combat.defenders.Head(); i; i = i->next) {
        Combat* u = i->value;
        if (!u->IsRouted()) {
            defenders.AddTail(u);
            continue;
        }
        Container<short> number(static_cast<short>(u->GetUnitNum()));
        PostNamed("EliminateUnit", &number);
        Container<std::string> text(u->GetName() + " was eliminated!");
        PostNamed("AddCommentary", &text);
    }
    if (defenders.IsEmpty()) {
        PostNamed("RoutingDone", &done);
        return;
    }

    // Gives one side its hits and fills its half of the result. A broken unit is awaited only when
    // its hits will really rout it: the rules eliminate the kinds that do not rout (14, artillery,
    // supply wagons) and leave a unit that is routed already, off the map, or spared by its
    // advance, where it is; none of them would ever report the end of a rout.
    struct Before {
        std::uint16_t hits;
        std::uint16_t quality;
    };
    const auto giveHits = [&](List<Combat*>& side, short sideHits, int list, List<Before>& before) {
        for (Item<Combat*>* i = side.Head(); i; i = i->next) {
            Combat* u = i->value;
            const std::int32_t c = u->GetCohesionHits();
            const std::int32_t t = u->GetTQ();
            before.AddTail(Before{static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(t)});
            const bool wasRouted = u->IsRouted() != 0;
            const std::int32_t h = ShockHitsFor(u, sideHits);
            const int breaks = u->TQHit(static_cast<std::int16_t>(h), ShockHitSource);
            short broke = 0;
            if (c + h >= t) {
                u->SetBreaking();
                broke = 1;
                const int kind = u->GetUnitKind();
                const bool routs = kind != 14 && kind != ArtilleryKind && kind != SupplyWagonKind;
                const short number = static_cast<short>(u->GetUnitNum());
                if (routs && breaks && !wasRouted && !u->IsRemoved() && !routingWait.Contains(number))
                    routingWait.AddTail(number);
            }
            std::int32_t taken = h < t - c ? h : t - c;
            if (taken < 0) taken = 0;
            const std::int32_t after = c + taken < t ? c + taken : t;
            result.numbers[HitsTaken + list].AddTail(static_cast<short>(taken));
            result.numbers[HitsAfter + list].AddTail(static_cast<short>(after));
            result.numbers[CapacityLeft + list].AddTail(static_cast<short>(t - c - taken));
            result.numbers[Broke + list].AddTail(broke);
            result.numbers[Reserved + list].AddTail(0);
        }
    };
    List<Before> beforeA, beforeB;
    giveHits(combat.attackers, hitsA, 0, beforeA);
    giveHits(defenders, hitsB, 1, beforeB);

    // The attacker that may advance: the one with the most capacity left, the first on a tie.
    Combat* chosen = nullptr;
    std::int32_t mostLeft = 0;
    {
        Item<Before>* b = beforeA.Head();
        for (Item<Combat*>* i = combat.attackers.Head(); i && b; i = i->next, b = b->next) {
            const std::int32_t left = static_cast<std::int32_t>(b->value.quality) - b->value.hits;
            if (!chosen || left > mostLeft) chosen = i->value, mostLeft = left;
        }
    }

    Container<SingleCombatResult> results(result);
    PostNamed("CombatResults", &results);

    CombatInfo info;
    const auto losses = [&info](List<Combat*>& side, List<Before>& before, short sideHits) {
        Item<Before>* b = before.Head();
        for (Item<Combat*>* i = side.Head(); i && b; i = i->next, b = b->next) {
            const std::int32_t reached = ShockHitsFor(i->value, sideHits) + b->value.hits;
            // A quality of 0 (a damaged record) shows as fully hit instead of dividing by it.
            const std::int32_t percent = b->value.quality ? reached * 100 / b->value.quality : 100;
            info.deaths.AddTail(MethodOfDeathStruct(static_cast<std::uint16_t>(percent), 1, i->value->GetUnitNum()));
        }
    };
    for (Item<Combat*>* i = combat.attackers.Head(); i; i = i->next) info.first.AddTail(static_cast<short>(i->value->GetUnitNum()));
    for (Item<Combat*>* i = defenders.Head(); i; i = i->next) info.second.AddTail(static_cast<short>(i->value->GetUnitNum()));
    if (hitsA != 0) losses(combat.attackers, beforeA, hitsA);
    if (hitsB != 0) losses(defenders, beforeB, hitsB);
    Container<LogicalCommandInfo> command(LogicalCommandInfo(0, new Container<CombatInfo>(info), 0, RegisterMessage("UnitCombat"),
                                                             RegisterMessage("RoutingDone"), new Container<short>(token)));
    PostNamed("UnitCombat", &command);

    // One attacker at most follows the first defender that broke.
    for (Item<Combat*>* i = defenders.Head(); i; i = i->next) {
        if (!i->value->IsBreaking()) continue;
        const std::int16_t target = AdvanceRegion(i->value->GetLocation(), chosen);
        if (target != -1) {
            CombatAdvance entry;
            entry.Set(chosen->GetUnitNum(), static_cast<std::uint16_t>(target), 0);
            advances.AddTail(entry);
        }
        break;
    }
}

std::int16_t VhLogicalLayer::AdvanceRegion(std::uint16_t region, Combat* unit) {
    const std::int16_t r = static_cast<std::int16_t>(region);
    if (!unit || !unit->IsTwoHex() || !landscape) return r;
    const Combat* defender = AsCombat(landscape->FirstUnitIn(region));
    if (!defender || !defender->IsTwoHex()) return r;
    const std::uint16_t a1 = unit->GetLocation(), a2 = unit->GetSecondRegion();
    const std::uint16_t t1 = defender->GetLocation(), t2 = defender->GetSecondRegion();
    const int a = (Adjacent(landscape, a1, t1) ? 1 : 0) + (Adjacent(landscape, a1, t2) ? 2 : 0);
    const int b = (Adjacent(landscape, a2, t1) ? 1 : 0) + (Adjacent(landscape, a2, t2) ? 2 : 0);
    // The neighbour of p in the direction from q to s; 0xFFFF when q does not touch s or the
    // neighbour is off the map.
    const auto across = [this](std::uint16_t p, std::uint16_t q, std::uint16_t s) -> std::uint16_t {
        const DIRECTION d = landscape->DirectionToRegion(q, s);
        return d == NoDirection ? 0xFFFF : landscape->GetNeighbour(p, d);
    };
    const auto freeRegion = [this](std::uint16_t p) {
        return p != 0xFFFF && landscape->IsValidRegion(p) && !landscape->IsRegionOccupied(p);
    };
    const auto region16 = [](std::uint16_t p) { return static_cast<std::int16_t>(p); };
    if (a == 3 && b == 1) return region16(t2);
    if (a == 2 && b == 3) return region16(t2);
    if (a == 3 && b == 2) return region16(t1);
    if (a == 0 && b == 2) return freeRegion(across(a1, a2, t2)) ? region16(across(a1, a2, t2)) : -1;
    if (a == 0 && b == 1) return freeRegion(across(a1, a2, t1)) ? region16(across(a1, a2, t1)) : -1;
    if (a == 1 && b == 0) return freeRegion(across(a2, a1, t1)) ? region16(t1) : -1;
    if (a == 2 && b == 0) return freeRegion(across(a2, a1, t2)) ? region16(t2) : -1;
    if (a == 2 && b == 2) {
        if (freeRegion(across(a2, a1, t2))) return region16(t2);
        return freeRegion(across(a1, a2, t2)) ? region16(across(a1, a2, t2)) : -1;
    }
    if (a == 1 && b == 1) {
        if (freeRegion(across(a2, a1, t1))) return region16(t1);
        return freeRegion(across(a1, a2, t1)) ? region16(across(a1, a2, t1)) : -1;
    }
    return r;
}
