// The reactions of the units around a region to what just happened there: the candidate of an OW
// segment is asked, adjacent missile units fire at a unit that entered their reach, units with a
// charge on their flank turn to face it, and adjacent units change formation. The layer only
// finds the units and gives the order; the rules of each reaction are the units' own.
#include "core/message_registry.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/combat_entries.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/missile_capable.h"

#include <string>

namespace {

constexpr const char* Source = "VHLOG5";

// Terrain and edge codes that give cover against reaction fire.
constexpr std::uint16_t SoftCoverTerrain = 1;
constexpr std::uint16_t HardCoverTerrain = 16;
constexpr std::uint16_t HardCoverEdge = 10;

List<short> RegionsWithin(VhLogicalLandscape* map, std::uint16_t region, std::int16_t range) {
    List<short> out;
    map->FindRegionsWithinRange(out, region, range, VhLogicalLandscape::StepCostOne, 0);
    return out;
}

// The charge modifier of a unit kind; false for the kinds that end the whole reaction.
bool ChargeModifier(int kind, int& modifier) {
    switch (kind) {
    case 2: modifier = 1; return true;
    case 3: case 8: case 9: case 10: case 13: modifier = 0; return true;
    case 5: case 6: case 11: modifier = -1; return true;
    case 7: modifier = -3; return true;
    case 12: modifier = -2; return true;
    case 14: modifier = 99; return true;
    default: return false;
    }
}

template <class T> bool Args(Component* c, ContainerBase* p, VhLogicalLayer*& self, T*& value, int line) {
    return BusArgs(c, p, self, value, Source, line);
}

} // namespace

namespace combat_entries {

ContainerBase* EntryReactionFire(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* region = nullptr;
    if (Args(c, p, self, region, __LINE__)) self->OnEntryReactionFire(static_cast<std::uint16_t>(*region));
    return nullptr;
}

ContainerBase* AttemptRefaceFromCharge(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    RefaceFromChargeStruct* charge = nullptr;
    if (Args(c, p, self, charge, __LINE__)) self->OnAttemptRefaceFromCharge(*charge);
    return nullptr;
}

ContainerBase* AttemptChangeFormation(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* region = nullptr;
    if (Args(c, p, self, region, __LINE__)) self->OnAttemptChangeFormation(static_cast<std::uint16_t>(*region));
    return nullptr;
}

} // namespace combat_entries

void VhLogicalLayer::OnResolveOW(const OWStruct& candidate) {
    // Only the candidate is asked: every unit answers "UnitOW", and a unit asked about another's
    // threat (a leader does not check the number) would resolve a segment that is not its own.
    VhUnit* unit = FindUnit(candidate.unit);
    for (Item<short>* i = Ids().Head(); i && (!unit || unit->GetBus() != this); i = i->next) {
        auto* other = dynamic_cast<VhUnit*>(GetComponent(static_cast<std::uint16_t>(i->value)));
        if (other && other->GetUnitNum() == candidate.unit) unit = other;
    }
    if (!unit || unit->GetBus() != this) return;
    Container<OWStruct> ask(candidate);
    PostTo(this, unit->GetId(), BusMessage(RegisterMessage("UnitOW")), &ask);
}

void VhLogicalLayer::OnEntryReactionFire(std::uint16_t region) {
    if (!landscape) return;
    Combat* target = AsCombat(landscape->FirstUnitIn(region));
    // Only a fighting unit draws fire; a leader entering a region does not.
    if (!target) return;
    const std::uint32_t targetSide = target->GetSide();
    const List<short> around = RegionsWithin(landscape, region, 1);
    for (Item<short>* i = around.Head(); i; i = i->next) {
        const auto from = static_cast<std::uint16_t>(i->value);
        MissileCapable* shooter = AsMissileCapable(landscape->FirstUnitIn(from));
        if (!shooter || !shooter->IsHostileTo(targetSide) || !shooter->MayFireInFormation() || shooter->IsRouted() ||
            shooter->GetMissiles() == 0)
            continue;
        // A weapon that does not reach the next hex has no volley to give, whatever the table's
        // lowest category would roll.
        if (shooter->GetMaxRange() < 1 || MissileHitCategory(shooter->GetMissileType(), 1) == 0) continue;
        if (!shooter->IsInFrontHexes(region) && !shooter->IsOnTerrain18()) continue;
        if (target->IsRemoved() || target->WasFiredAtBy(shooter->GetUnitNum())) continue;

        MissileFireSituation situation;
        situation.missileType = shooter->GetMissileType();
        situation.range = 1;
        situation.targetKind = target->GetUnitKind();
        situation.softCover = landscape->RegionHasFeature(region, SoftCoverTerrain) ? 1 : 0;
        situation.hardCover =
            landscape->HasEdgeBetween(region, from, HardCoverEdge) || landscape->RegionHasFeature(region, HardCoverTerrain) ? 1 : 0;
        situation.targetInColumn = target->IsInLine() ? 0 : 1;
        situation.fireRating = shooter->GetFireRating();
        situation.shooterSize = static_cast<std::int16_t>(shooter->GetSize());
        std::int16_t hits = 0, unused = 0;
        CalculateMissileFireResults(situation, hits, unused);

        Container<MissileFireStruct> volley(MissileFireStruct(region, shooter->GetUnitNum()));
        delete SendNamed("DoMissileFire", &volley);
        Container<std::string> text(shooter->GetName() + " fires at " + target->GetName() + " for " + std::to_string(hits) +
                                    " morale hit" + (hits == 1 ? "" : "s") + ".");
        PostNamed("AddCommentary", &text);
        if (hits != 0) target->TQHit(hits, 0);
        target->AddFiredAtBy(shooter->GetUnitNum());
    }
}

void VhLogicalLayer::OnAttemptRefaceFromCharge(const RefaceFromChargeStruct& charge) {
    if (!landscape) return;
    const std::uint16_t region = charge.first;
    VhUnit* charger = landscape->FirstUnitIn(region);
    if (!charger) return;
    const std::uint32_t chargingSide = charger->GetSide();
    const List<short> around = RegionsWithin(landscape, region, 2);
    for (Item<short>* i = around.Head(); i; i = i->next) {
        Combat* unit = AsCombat(landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value)));
        if (!unit || !unit->IsHostileTo(chargingSide) || unit->IsRouted() || unit->IsTwoHex()) continue;
        int direction;
        if (unit->IsOnFlank(region, 2, 2)) direction = 2;
        else if (unit->IsOnFlank(region, 2, 1)) direction = 1;
        else if (unit->IsInRearZone(region, 1) && unit->GetUnitKind() == CavalryKind) direction = 0;
        else continue;

        // A unit already held in front by another of the charging side cannot turn away from it.
        bool held = false;
        const List<short> next = RegionsWithin(landscape, unit->GetLocation(), 1);
        for (Item<short>* n = next.Head(); n && !held; n = n->next) {
            const auto r = static_cast<std::uint16_t>(n->value);
            if (r == unit->GetLocation() || r == region) continue;
            VhUnit* other = landscape->FirstUnitIn(r);
            held = other && !other->IsHostileTo(chargingSide) && other->IsInFrontHexes(unit->GetLocation());
        }
        if (held) continue;

        int modifier = 0;
        if (!ChargeModifier(unit->GetUnitKind(), modifier)) return;
        if (charge.second == 3 || charge.second == 4) modifier -= 1;
        else if (charge.second >= 5) modifier -= 2;
        int roll = GameRandom() % 10 + modifier;
        if (roll < 0) roll = 0;
        if (unit->MoraleExcess(static_cast<std::int16_t>(roll)) != 0) return;
        unit->AttemptRefaceFromCharge(direction);
    }
}

void VhLogicalLayer::OnAttemptChangeFormation(std::uint16_t region) {
    if (!landscape) return;
    VhUnit* mover = landscape->FirstUnitIn(region);
    if (!mover) return;
    const std::uint32_t actingSide = mover->GetSide();
    const List<short> around = RegionsWithin(landscape, region, 1);
    for (Item<short>* i = around.Head(); i; i = i->next) {
        if (static_cast<std::uint16_t>(i->value) == region) continue;
        Combat* unit = AsCombat(landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value)));
        if (!unit || !unit->IsHostileTo(actingSide) || unit->IsRouted() || unit->IsTwoHex()) continue;
        unit->AttemptChangeFormation();
    }
}
