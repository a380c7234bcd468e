// Front, flank and rear geometry of combat units, the wheel test of two-hex units, and the
// searches for enemies that the computer player and the group commands use. Every search is
// bounded by range 99, so a map without enemies ends them.
#include "game/units/combat.h"

#include "game/units/facing.h"

namespace {

constexpr int SearchBound = 99;

void AddOnce(List<short>& list, std::uint16_t hex) {
    if (hex != 0xFFFF && !list.Contains(static_cast<short>(hex))) list.AddTail(static_cast<short>(hex));
}

List<DIRECTION> Directions(std::initializer_list<int> codes) {
    List<DIRECTION> out;
    for (int d : codes)
        if (d) out.AddTail(static_cast<DIRECTION>(d));
    return out;
}

} // namespace

List<short> Combat::GetFrontHexesAt(std::uint16_t hex) {
    List<short> out;
    const std::uint16_t h2 = isTwoHex ? GetRightRegion(hex, 0) : 0xFFFF;
    if (routCounter || !landscape || hex == 0xFFFF) return out;
    const facing::SidePair sides = facing::FrontSides(static_cast<int>(facing));
    for (int d : {sides.first, sides.second}) {
        if (!d) continue;
        const std::uint16_t n = landscape->GetNeighbour(hex, d);
        if (n != 0xFFFF && StepCost(hex, n) != -1) AddOnce(out, n);
        if (isTwoHex && h2 != 0xFFFF) AddOnce(out, landscape->GetNeighbour(h2, d));
    }
    return out;
}

void Combat::ComputeFrontHexes() { frontHexes = GetFrontHexesAt(GetLocation()); }

namespace {
void ZoneOf(Combat& unit, VhLogicalLandscape* map, facing::SidePair sides, List<short>& zone) {
    zone.Clear();
    if (!map || unit.GetLocation() == 0xFFFF || !sides.first) return;
    List<DIRECTION> dirs = Directions({sides.first, sides.second});
    map->FindRegionsInRange(zone, dirs, unit.GetLocation(), 1, 1, nullptr, nullptr, nullptr, 0);
    zone.Remove(static_cast<short>(unit.GetLocation()));
    if (unit.IsTwoHex()) zone.Remove(static_cast<short>(unit.GetSecondRegion()));
}
} // namespace

void Combat::ComputeFrontZone() { ZoneOf(*this, landscape, facing::FrontSides(static_cast<int>(facing)), frontZone); }
void Combat::ComputeRearZone() { ZoneOf(*this, landscape, facing::RearSides(static_cast<int>(facing)), rearZone); }

void Combat::ComputeFlankHexes() {
    flankHexes.Clear();
    if (!landscape || GetLocation() == 0xFFFF) return;
    const int f = static_cast<int>(facing);
    AddOnce(flankHexes, landscape->GetNeighbour(GetLocation(), facing::Plain(f, -2)));
    const std::uint16_t rightFrom = isTwoHex && secondRegion != -1 ? static_cast<std::uint16_t>(secondRegion) : GetLocation();
    AddOnce(flankHexes, landscape->GetNeighbour(rightFrom, facing::Plain(f, 2)));
}

int Combat::IsOnFlank(std::uint16_t hex, int depth, int flankSide) {
    if (depth == 1 && flankSide == 0) return flankHexes.Contains(static_cast<short>(hex));
    if (!landscape || GetLocation() == 0xFFFF) return 0;
    const int f = static_cast<int>(facing);
    const auto test = [&](int d, std::uint16_t from) {
        const std::uint16_t n = landscape->GetNeighbour(from, d);
        if (n == 0xFFFF) return false;
        if (n == hex) return true;
        if (depth - 1 <= 0) return false;
        int cw = facing::Plain(d, 1), acw = facing::Plain(d, -1);
        if (cw == 3 || cw == 7) cw = facing::Plain(cw, 1);
        if (acw == 3 || acw == 7) acw = facing::Plain(acw, -1);
        List<DIRECTION> dirs = Directions({d, cw, acw});
        List<short> area;
        landscape->FindRegionsInRange(area, dirs, n, static_cast<std::int16_t>(depth - 1), 1, OccupiedStepCallback, nullptr,
                                      nullptr, 0);
        return area.Contains(static_cast<short>(hex));
    };
    if (flankSide == 2 || flankSide == 0) {
        const std::uint16_t from = isTwoHex && secondRegion != -1 ? static_cast<std::uint16_t>(secondRegion) : GetLocation();
        if (test(facing::Plain(f, 2), from)) return 1;
    }
    if (flankSide == 1 || flankSide == 0)
        if (test(facing::Plain(f, -2), GetLocation())) return 1;
    return 0;
}

int Combat::CanWheelTo(std::uint32_t targetFacing) {
    if (!isTwoHex) return 1;
    if (!landscape) return 0;
    const int exA = IsInLine() ? 1 : 3, exB = IsInLine() ? 5 : 7;
    int target = static_cast<int>(targetFacing);
    if (target == exA || target == exB) target = facing::Plain(target, 1);
    const int cw = facing::CountSteps(static_cast<int>(facing), target, true, exA, exB);
    const int acw = facing::CountSteps(static_cast<int>(facing), target, false, exA, exB);
    const bool clockwise = cw < acw;
    const int n = clockwise ? cw : acw;
    if (n == 3) return 1;
    if (n == 0 || n >= 99) return 0;
    int f = static_cast<int>(facing);
    std::uint16_t first = GetLocation(), second = static_cast<std::uint16_t>(secondRegion);
    for (int i = 0; i < n; ++i) {
        f = facing::TurnFacing(f, clockwise);
        std::uint16_t moved, from;
        if (clockwise) {
            from = first;
            moved = landscape->GetNeighbour(second, facing::Plain(f, -2));
            first = moved;
        } else {
            from = second;
            moved = landscape->GetNeighbour(first, facing::Plain(f, 2));
            second = moved;
        }
        if (moved == 0xFFFF || landscape->IsRegionOccupied(moved) || landscape->HasEdgeBetween(from, moved, 14)) return 0;
    }
    return 1;
}

int Combat::IsFrontZoneOccupied() {
    if (!landscape) return 0;
    for (Item<short>* i = frontZone.Head(); i; i = i->next)
        if (landscape->IsRegionOccupied(static_cast<std::uint16_t>(i->value))) return 1;
    return 0;
}

List<short> Combat::GetWedgeAhead(int depth, int direction) {
    if (depth == 0 || direction == 0) return List<short>();
    return WedgeAhead(GetLocation(), depth, direction);
}

namespace {
std::int16_t NearestHostileIn(Combat& unit, VhLogicalLandscape* map, const List<short>& hexes) {
    int best = 999;
    std::int16_t answer = -1;
    for (Item<short>* i = hexes.Head(); i; i = i->next) {
        const auto h = static_cast<std::uint16_t>(i->value);
        if (!map->IsRegionHostile(h, unit.GetSide())) continue;
        const int d = map->RegionDistance(unit.GetLocation(), h);
        if (d < best) best = d, answer = i->value;
    }
    return answer;
}

void SearchFrom(VhLogicalLandscape* map, std::uint16_t start, facing::SidePair sides, List<short>& out) {
    if (start == 0xFFFF || !sides.first) return;
    List<DIRECTION> dirs = Directions({sides.first, sides.second});
    List<short> area;
    map->FindRegionsInRange(area, dirs, start, SearchBound, 1, nullptr, nullptr, nullptr, 0);
    for (Item<short>* i = area.Head(); i; i = i->next) AddOnce(out, static_cast<std::uint16_t>(i->value));
}
} // namespace

std::int16_t Combat::FindNearestEnemyAhead() {
    if (!landscape || GetLocation() == 0xFFFF) return -1;
    List<short> area;
    const facing::SidePair sides = facing::FrontSides(static_cast<int>(facing));
    SearchFrom(landscape, GetLocation(), sides, area);
    if (isTwoHex) SearchFrom(landscape, static_cast<std::uint16_t>(secondRegion), sides, area);
    return NearestHostileIn(*this, landscape, area);
}

std::int16_t Combat::FindNearestEnemyBehind() {
    if (!landscape || GetLocation() == 0xFFFF) return -1;
    List<short> area;
    const facing::SidePair sides = facing::RearSides(static_cast<int>(facing));
    SearchFrom(landscape, GetLocation(), sides, area);
    if (isTwoHex) SearchFrom(landscape, static_cast<std::uint16_t>(secondRegion), sides, area);
    return NearestHostileIn(*this, landscape, area);
}

std::int16_t Combat::FindNearestEnemyOnFlank() {
    if (!landscape || GetLocation() == 0xFFFF) return -1;
    List<short> area;
    const int f = static_cast<int>(facing);
    const std::uint16_t rightOfFirst = landscape->GetNeighbour(GetLocation(), facing::Plain(f, 2));
    for (Item<short>* i = flankHexes.Head(); i; i = i->next) {
        const auto flank = static_cast<std::uint16_t>(i->value);
        const bool right = flank == rightOfFirst;
        const int a = facing::TurnFacing(f, right), b = facing::TurnFacing(a, right);
        SearchFrom(landscape, flank, facing::SidePair{a, b}, area);
    }
    return NearestHostileIn(*this, landscape, area);
}

std::int16_t Combat::FindNearestEnemy(std::int16_t from) {
    if (!landscape) return -1;
    const std::uint16_t start = from == -1 ? GetLocation() : static_cast<std::uint16_t>(from);
    if (start == 0xFFFF) return -1;
    for (int r = 1; r <= SearchBound; ++r) {
        List<short> ring;
        landscape->FindRegionsAtRange(ring, start, static_cast<std::int16_t>(r), nullptr, 0);
        ring.Remove(static_cast<short>(start));
        if (ring.IsEmpty()) break;
        for (Item<short>* i = ring.Head(); i; i = i->next) {
            const auto h = static_cast<std::uint16_t>(i->value);
            VhUnit* enemy = landscape->FirstUnitIn(h);
            if (!enemy || !enemy->IsHostileTo(side) || enemy->IsLeader()) continue;
            if (r > 1) {
                int touching = 0;
                for (int d : {1, 2, 4, 5, 6, 8}) {
                    VhUnit* x = landscape->FirstUnitIn(landscape->GetNeighbour(h, d));
                    if (x && x->IsHostileTo(enemy->GetSide())) ++touching;
                }
                if (enemy->IsRouted() ? touching > 0 : (unitKind != ArtilleryKind && touching > 1)) continue;
            }
            return i->value;
        }
    }
    return -1;
}

int Combat::TurnTowardNearestEnemy() {
    const std::int16_t enemy = NearestEnemyRegion();
    if (enemy < 0) return 0;
    const int target = static_cast<int>(landscape->FacingTowards(GetLocation(), static_cast<std::uint16_t>(enemy)));
    const facing::Turn turn = facing::ShorterTurn(static_cast<int>(facing), target);
    int n = turn.steps;
    if (isTwoHex && n != 3) {
        int f = static_cast<int>(facing);
        std::uint16_t first = GetLocation(), second = static_cast<std::uint16_t>(secondRegion);
        for (int i = 0; i < turn.steps; ++i) {
            f = facing::TurnFacing(f, turn.sense == 2);
            std::uint16_t moved;
            if (turn.sense == 2) first = moved = landscape->GetNeighbour(second, facing::Plain(f, -2));
            else second = moved = landscape->GetNeighbour(first, facing::Plain(f, 2));
            VhUnit* there = moved == 0xFFFF ? nullptr : landscape->FirstUnitIn(moved);
            if (moved == 0xFFFF || (there && there != this)) {
                n = i;
                break;
            }
        }
    }
    if (n > 0) {
        Container<ChangeFacingStruct> change(ChangeFacingStruct(static_cast<TURN_DIRECTION>(turn.sense), static_cast<std::uint16_t>(n), GetUnitNum()));
        delete SendNamed("ChangeFacing", &change);
    }
    return 1;
}

int Combat::TurnToEngage() {
    if (!landscape || GetLocation() == 0xFFFF) return 0;
    const std::uint32_t original = facing;
    const std::int16_t originalSecond = secondRegion;
    for (int k = 0; k <= 3; ++k) {
        for (bool clockwise : {true, false}) {
            const int f = facing::Turned(static_cast<int>(original), clockwise, k);
            std::uint16_t first = GetLocation();
            if (isTwoHex && k > 0) {
                if (clockwise) first = landscape->GetNeighbour(static_cast<std::uint16_t>(originalSecond), facing::Plain(f, -2));
                else if (landscape->GetNeighbour(first, facing::Plain(f, 2)) == 0xFFFF) continue;
            }
            if (first == 0xFFFF) continue;
            facing = static_cast<std::uint32_t>(f);
            List<short> front = GetFrontHexesAt(first);
            facing = original;
            bool engages = false;
            for (Item<short>* i = front.Head(); i && !engages; i = i->next) {
                VhUnit* x = landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value));
                engages = x && x->IsCombatUnit() && x->IsHostileTo(side);
            }
            if (engages && CanWheelTo(static_cast<std::uint32_t>(f))) return TurnTowards(static_cast<std::uint32_t>(f));
        }
    }
    return 0;
}

std::int16_t Combat::ChooseAttackHex() {
    if (!landscape) return -1;
    List<short> legal;
    FindLegalDestinations(legal, 0, 0);
    List<short> classes[4];
    for (Item<short>* i = attackHexes.Head(); i; i = i->next) {
        const Combat* enemy = AsCombat(landscape->FirstUnitIn(static_cast<std::uint16_t>(i->value)));
        if (!enemy) continue;
        int c = -1;
        if (enemy->IsRouted()) c = 0;
        else if (enemy->GetTQ() - enemy->GetCohesionHits() <= 2) c = 1;
        else if (IsShockSuperior(static_cast<int>(unitKind), enemy->GetUnitKind())) c = 2;
        else if (GetShockColumn(static_cast<int>(unitKind), enemy->GetUnitKind(), 0) >= 5) c = 3;
        if (c >= 0) classes[c].AddTail(i->value);
    }
    for (const List<short>& list : classes) {
        int best = 1000;
        std::int16_t answer = -1;
        for (Item<short>* i = list.Head(); i; i = i->next) {
            const int d = landscape->RegionDistance(GetLocation(), static_cast<std::uint16_t>(i->value));
            if (d < best) best = d, answer = i->value;
        }
        if (answer != -1) return answer;
    }
    return -1;
}
