// Attack declarations collected into the combats of the orders phase, and the battle arrows the
// display draws between attackers and defenders.
//
// Invariants of the list of current combats, kept by every step here:
//   - no two combats have the same target region;
//   - every combat has at least one attacker and, once registered, at least one defender;
//   - a combat's word list has exactly one word per attacker, in the attackers' order;
//   - a defending unit or leader defends in at most one combat.
#include "game/logic/referee/combat_entries.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/combat.h"
#include "game/units/leader.h"

namespace {

constexpr const char* Source = "VHLOG2";

// A two-hex unit holds its second region as much as its first.
bool StandsIn(const VhUnit* unit, std::uint16_t region) {
    return unit->GetLocation() == region || (unit->IsTwoHex() && unit->GetSecondRegion() == region);
}

// The arrow from an attacker to a defender: the first pair of their hexes that touch, trying each
// unit's second hex in place of its first; adjacent is false when none does and the last pair
// tried is given.
BattleArrowStruct ArrowBetween(VhLogicalLandscape* map, const VhUnit* attacker, const VhUnit* defender, bool& adjacent) {
    const std::uint16_t a[2] = {attacker->GetLocation(), attacker->IsTwoHex() ? attacker->GetSecondRegion() : std::uint16_t(0xFFFF)};
    const std::uint16_t d[2] = {defender->GetLocation(), defender->IsTwoHex() ? defender->GetSecondRegion() : std::uint16_t(0xFFFF)};
    BattleArrowStruct arrow(static_cast<std::int16_t>(a[0]), static_cast<std::int16_t>(d[0]), NoDirection);
    adjacent = false;
    for (std::uint16_t to : d) {
        if (to == 0xFFFF) continue;
        for (std::uint16_t from : a) {
            if (from == 0xFFFF) continue;
            arrow = BattleArrowStruct(static_cast<std::int16_t>(from), static_cast<std::int16_t>(to), NoDirection);
            const DIRECTION dir = map ? map->DirectionToRegion(from, to) : NoDirection;
            if (dir != NoDirection) {
                arrow.direction = dir;
                adjacent = true;
                return arrow;
            }
        }
    }
    return arrow;
}

void PostArrow(VhLogicalLayer& layer, const char* message, const VhUnit* attacker, const VhUnit* defender) {
    bool adjacent = false;
    Container<BattleArrowStruct> arrow(ArrowBetween(layer.GetLandscape(), attacker, defender, adjacent));
    layer.PostNamed(message, &arrow);
}

bool DefendsAnywhere(List<CombatStruct>& combats, Combat* unit) {
    for (Item<CombatStruct>* i = combats.Head(); i; i = i->next)
        if (i->value.defenders.Contains(unit)) return true;
    return false;
}

bool LeadsDefenceAnywhere(List<CombatStruct>& combats, Leader* leader) {
    for (Item<CombatStruct>* i = combats.Head(); i; i = i->next)
        if (i->value.defendingLeaders.Contains(leader)) return true;
    return false;
}

// Takes out of the list, and answers, the first entry that stands in the region; null when none.
template <class T> T* TakeStandingIn(List<T*>& list, std::uint16_t region) {
    for (Item<T*>* i = list.Head(); i; i = i->next) {
        if (StandsIn(i->value, region)) {
            T* unit = i->value;
            list.Remove(unit);
            return unit;
        }
    }
    return nullptr;
}

// The units of the nation list whose numbers are asked for, in the list's order.
template <class T> List<T*> Pick(const List<T*>& nation, const List<unsigned short>& numbers) {
    List<unsigned short> wanted(numbers);
    List<T*> out;
    for (Item<T*>* i = nation.Head(); i && !wanted.IsEmpty(); i = i->next) {
        const unsigned short n = i->value->GetUnitNum();
        if (wanted.Contains(n)) {
            out.AddTail(i->value);
            wanted.Remove(n);
        }
    }
    return out;
}

int IndexOf(const List<Combat*>& list, Combat* unit) {
    int index = 0;
    for (Item<Combat*>* i = list.Head(); i; i = i->next, ++index)
        if (i->value == unit) return index;
    return -1;
}

// Removes the attacker and its word together, so that the word list stays in step.
void RemoveAttacker(CombatStruct& combat, Combat* unit) {
    const int index = IndexOf(combat.attackers, unit);
    if (index < 0) return;
    combat.attackers.Remove(unit);
    int k = 0;
    for (Item<short>* i = combat.attackerWords.Head(); i; i = i->next, ++k) {
        if (k == index) {
            combat.attackerWords.RemoveItem(i);
            return;
        }
    }
}

void AddAttacker(CombatStruct& combat, Combat* unit, std::uint16_t moved) {
    if (combat.attackers.Contains(unit)) return;
    combat.attackers.AddTail(unit);
    combat.attackerWords.AddTail(static_cast<short>(moved));
}

} // namespace

// ---- entries ----

namespace combat_entries {

ContainerBase* AddCombatants(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    CombatNameStruct* declaration = nullptr;
    if (!BusArgs(c, p, self, declaration, Source, __LINE__)) return nullptr;
    const CombatNameStruct copy = *declaration;
    self->OnAddCombatants(copy);
    return nullptr;
}

ContainerBase* RemoveFromCombat(Component* c, BusMessage, ContainerBase* p) {
    VhLogicalLayer* self = nullptr;
    short* unit = nullptr;
    if (!BusArgs(c, p, self, unit, Source, __LINE__)) return nullptr;
    self->OnRemoveFromCombat(static_cast<std::uint16_t>(*unit));
    return nullptr;
}

} // namespace combat_entries

// ---- registration ----

void VhLogicalLayer::OnAddCombatants(const CombatNameStruct& declaration) {
    // The attacker's own nation decides who defends. A declaration whose attacker is no fighting
    // unit of either nation (a leader, a unit already gone) has nobody to fight with.
    Combat* attacker = nullptr;
    bool firstDefends = false;
    for (Item<Combat*>* i = firstNationCombat.Head(); i && !attacker; i = i->next)
        if (i->value->GetUnitNum() == declaration.attacker) attacker = i->value;
    if (!attacker) {
        for (Item<Combat*>* i = secondNationCombat.Head(); i && !attacker; i = i->next)
            if (i->value->GetUnitNum() == declaration.attacker) attacker = i->value, firstDefends = true;
    }
    if (!attacker) return;

    List<Combat*> defenders = Pick(firstDefends ? firstNationCombat : secondNationCombat, declaration.defenders);
    List<Leader*> leaderList = Pick(firstDefends ? firstNationLeaders : secondNationLeaders, declaration.defendingLeaders);
    const std::uint16_t target = declaration.target;

    CombatStruct* combat = nullptr;
    for (Item<CombatStruct>* i = currentCombats.Head(); i && !combat; i = i->next)
        if (i->value.target == target) combat = &i->value;

    if (combat) {
        AddAttacker(*combat, attacker, declaration.moved);
        Combat* held = TakeStandingIn(defenders, target);
        while (TakeStandingIn(leaderList, target)) {
        }
        // The target's defender normally leads this combat already; one that defends nowhere
        // (the declaration's own view of the target) joins it rather than opening a second
        // combat against the same region.
        if (held && !DefendsAnywhere(currentCombats, held)) combat->defenders.AddTail(held);
        if (held) PostArrow(*this, "AddBattleArrow", attacker, held);
    } else {
        Combat* first = TakeStandingIn(defenders, target);
        if (!first) {
            // A declaration aimed at a region none of its defenders holds is aimed at its first
            // defender's region instead, which may already be fought over.
            Combat* head = nullptr;
            if (!defenders.PeekHead(head) || head->GetLocation() == 0xFFFF) return;
            CombatNameStruct retargeted = declaration;
            retargeted.target = head->GetLocation();
            OnAddCombatants(retargeted);
            return;
        }
        CombatStruct fresh;
        fresh.target = target;
        AddAttacker(fresh, attacker, declaration.moved);
        fresh.defenders.AddTail(first);
        PostArrow(*this, "AddBattleArrow", attacker, first);
        Leader* leader = TakeStandingIn(leaderList, target);
        if (leader) fresh.defendingLeaders.AddTail(leader);
        currentCombats.AddTail(fresh);
        combat = &currentCombats.Tail()->value;

        // The new combat takes its defender (and leader) from any combat that had it as a
        // secondary defender. A combat left with nobody to fight hands its attackers over.
        for (Item<CombatStruct>* i = currentCombats.Head(); i;) {
            Item<CombatStruct>* next = i->next;
            CombatStruct& other = i->value;
            if (&other != combat && leader) other.defendingLeaders.Remove(leader);
            if (&other != combat && other.defenders.Contains(first)) {
                other.defenders.Remove(first);
                for (Item<Combat*>* a = other.attackers.Head(); a; a = a->next) {
                    bool adjacent = false;
                    ArrowBetween(landscape, a->value, first, adjacent);
                    if (adjacent) PostArrow(*this, "RemoveBattleArrow", a->value, first);
                }
                if (other.defenders.IsEmpty()) {
                    Item<short>* w = other.attackerWords.Head();
                    for (Item<Combat*>* a = other.attackers.Head(); a; a = a->next, w = w ? w->next : nullptr) {
                        if (combat->attackers.Contains(a->value)) continue;
                        AddAttacker(*combat, a->value, static_cast<std::uint16_t>(w ? w->value : 0));
                        PostArrow(*this, "AddBattleArrow", a->value, first);
                    }
                    for (Item<Leader*>* l = other.defendingLeaders.Head(); l; l = l->next)
                        if (!combat->defendingLeaders.Contains(l->value)) combat->defendingLeaders.AddTail(l->value);
                    currentCombats.RemoveItem(i);
                }
            }
            i = next;
        }
    }

    // The other defenders and leaders join unless they already defend somewhere.
    Combat* unit = nullptr;
    while (defenders.RemoveHead(unit)) {
        if (DefendsAnywhere(currentCombats, unit)) continue;
        combat->defenders.AddTail(unit);
        PostArrow(*this, "AddBattleArrow", attacker, unit);
    }
    Leader* leader = nullptr;
    while (leaderList.RemoveHead(leader)) {
        if (LeadsDefenceAnywhere(currentCombats, leader)) continue;
        combat->defendingLeaders.AddTail(leader);
    }
}

void VhLogicalLayer::OnRemoveFromCombat(std::uint16_t unitNumber) {
    Combat* unit = FindCombatUnit(unitNumber);
    if (!unit) {
        // A leader that leaves (an evasion) no longer takes part in any combat.
        if (Leader* leader = FindLeader(unitNumber)) {
            for (Item<CombatStruct>* i = currentCombats.Head(); i; i = i->next) {
                i->value.defendingLeaders.Remove(leader);
                i->value.attackingLeaders.Remove(leader);
            }
        }
        return;
    }
    for (Item<CombatStruct>* i = currentCombats.Head(); i; i = i->next) {
        CombatStruct& combat = i->value;
        if (combat.attackers.Contains(unit)) {
            RemoveAttacker(combat, unit);
            for (Item<Combat*>* d = combat.defenders.Head(); d; d = d->next) PostArrow(*this, "RemoveBattleArrow", unit, d->value);
            if (combat.attackers.IsEmpty()) currentCombats.RemoveItem(i);
            return;
        }
        if (combat.defenders.Contains(unit)) {
            combat.defenders.Remove(unit);
            for (Item<Combat*>* a = combat.attackers.Head(); a; a = a->next) PostArrow(*this, "RemoveBattleArrow", a->value, unit);
            Combat* next = nullptr;
            if (!combat.defenders.PeekHead(next)) currentCombats.RemoveItem(i);
            else if (StandsIn(unit, combat.target)) combat.target = next->GetLocation();
            return;
        }
    }
}
