// Who stands where on the battlefield, what the local side sees, and which unit holds a region.
#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/logic/vh_unit.h"

namespace {

bool IsDragoonKind(int kind) { return kind >= 8 && kind <= 12; }

} // namespace

List<VhUnit*>& VhLogicalLandscape::GetUnitsInRegion(std::uint16_t region) {
    const int index = NumberToIndex(region);
    if (index < 0 || static_cast<std::size_t>(index) >= unitLists.size()) {
        // A region off the map has nobody in it, whatever a caller left in the list last time.
        noUnits.Clear();
        return noUnits;
    }
    return unitLists[static_cast<std::size_t>(index)];
}

VhUnit* VhLogicalLandscape::FirstUnitIn(std::uint16_t region) {
    VhUnit* unit = nullptr;
    GetUnitsInRegion(region).PeekHead(unit);
    return unit;
}

bool VhLogicalLandscape::IsRegionOccupied(std::uint16_t region) { return !GetUnitsInRegion(region).IsEmpty(); }

bool VhLogicalLandscape::IsRegionHostile(std::uint16_t region, std::uint32_t side) {
    VhUnit* unit = FirstUnitIn(region);
    return unit && unit->IsHostileTo(side);
}

bool VhLogicalLandscape::IsAdjacentToEnemy(std::uint16_t region, std::uint32_t side, std::uint16_t leadersOnly) {
    for (int d : hex::Sides) {
        const std::uint16_t n = GetNeighbour(region, d);
        if (n == 0xFFFF) continue;
        ListIterator<VhUnit*> it(&GetUnitsInRegion(n), 0);
        VhUnit* x = nullptr;
        while (it.Next(x))
            if (x->IsHostileTo(side) && (!leadersOnly || x->IsLeader())) return true;
    }
    return false;
}

bool VhLogicalLandscape::IsRegionThreatened(std::uint16_t region, std::uint32_t side) {
    if (const auto* own = dynamic_cast<const Combat*>(FirstUnitIn(region)); own && own->GetUnitKind() == 7) return false;
    for (int d : hex::Sides) {
        const std::uint16_t n = GetNeighbour(region, d);
        if (n == 0xFFFF) continue;
        ListIterator<VhUnit*> it(&GetUnitsInRegion(n), 0);
        VhUnit* x = nullptr;
        while (it.Next(x))
            if (x->IsHostileTo(side) && x->IsInFrontHexes(region)) return true;
    }
    return false;
}

bool VhLogicalLandscape::IsInEnemyContact(std::uint16_t region, std::uint32_t side, VhUnit* unit) {
    if (!unit || unit->IsLeader()) return false;
    const std::uint16_t second = unit->IsTwoHex() ? unit->GetSecondRegion() : 0xFFFF;

    std::vector<std::uint16_t> around;
    outOrder.Begin(size.x, size.y);
    FloodRing(outOrder, region, 1, false, StepCostOne, true);
    outOrder.ForEach([&](std::uint16_t e) {
        if (e != region && e != second) around.push_back(e);
    });
    outOrder.End();

    const auto* own = dynamic_cast<const Combat*>(unit);
    const int k = own ? own->GetUnitKind() : -1;
    for (std::uint16_t e : around) {
        ListIterator<VhUnit*> it(&GetUnitsInRegion(e), 0);
        VhUnit* x = nullptr;
        while (it.Next(x)) {
            if (!x->IsHostileTo(side) || x->IsRouted()) continue;
            if (!x->IsLeader()) {
                // An enemy already held in front by one of our other combat units does not engage
                // this one.
                std::vector<std::uint16_t> holders;
                outOrder.Begin(size.x, size.y);
                FloodRing(outOrder, e, 1, false, StepCostOne, true);
                outOrder.ForEach([&](std::uint16_t g) {
                    if (g != e && g != region && g != second) holders.push_back(g);
                });
                outOrder.End();
                bool held = false;
                for (std::uint16_t g : holders) {
                    ListIterator<VhUnit*> hit(&GetUnitsInRegion(g), 0);
                    VhUnit* h = nullptr;
                    while (!held && hit.Next(h))
                        held = h->IsCombatUnit() && h->IsHostileTo(x->GetSide()) && h->IsInFrontHexes(e);
                    if (held) break;
                }
                if (held) continue;
            }
            const auto* cx = dynamic_cast<const Combat*>(x);
            if (!cx) return true;
            const int kx = cx->GetUnitKind();
            if (kx == SupplyWagonKind && k != SupplyWagonKind) return true;
            if (IsDragoonKind(kx) && k == InfantryKind) return true;
            if (IsDragoonKind(kx) && k == CavalryKind && own && !own->IsMounted()) return true;
            if (kx == ArtilleryKind && (k == InfantryKind || k == CavalryKind)) return true;
        }
    }
    return false;
}

bool VhLogicalLandscape::IsSupplyWagonInRange(VhUnit* unit, int range) {
    if (!unit) return false;
    const std::uint16_t home = unit->GetLocation();
    const std::uint16_t second = unit->IsTwoHex() ? unit->GetSecondRegion() : 0xFFFF;
    for (int k = range; k >= 1; --k) {
        std::vector<std::uint16_t> ring;
        outOrder.Begin(size.x, size.y);
        FloodRing(outOrder, home, static_cast<std::int16_t>(k), false, StepCostOne, true);
        outOrder.ForEach([&](std::uint16_t r) {
            if (r != home && r != second) ring.push_back(r);
        });
        outOrder.End();
        for (std::uint16_t r : ring) {
            const auto* wagon = dynamic_cast<const Combat*>(FirstUnitIn(r));
            if (wagon && wagon->GetUnitKind() == SupplyWagonKind && wagon->GetSide() == unit->GetSide()) return true;
        }
    }
    return false;
}

std::int16_t VhLogicalLandscape::VisionStepCost(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape,
                                                VhUnit*) {
    const LogicalRegion* a = landscape->GetRegion(from);
    const LogicalRegion* b = landscape->GetRegion(to);
    if (!a || !b) return -1;
    if (b->point.z >= a->point.z + 2) return -1;
    if (a->HasFeature(SightBlockingCode) && b->HasFeature(SightBlockingCode)) return -1;
    return 1;
}

void VhLogicalLandscape::CountSight(VhUnit* unit, std::uint16_t region, int delta, List<short>* changed) {
    outOrder.Begin(size.x, size.y);
    FloodRing(outOrder, region, SightRange, true, VisionStepCost, false);
    outOrder.ForEach([&](std::uint16_t r) {
        const int index = NumberToIndex(r);
        if (index < 0) return;
        auto& count = viewerCounts[static_cast<std::size_t>(index)];
        if (count == 0xFFFF) return;
        if (delta > 0) {
            if (count == 0 && changed) changed->AddTail(static_cast<short>(r));
            ++count;
        } else if (count > 0) {
            if (--count == 0 && changed) changed->AddTail(static_cast<short>(r));
        }
    });
    outOrder.End();
}

void VhLogicalLandscape::DeshadowRegions(VhUnit* unit, std::uint16_t region) {
    if (!unit || NumberToIndex(region) < 0) return;
    GetUnitsInRegion(region).AddTail(unit);
    if (!fogOfWar || static_cast<std::int32_t>(unit->GetSide()) != localSide) return;
    List<short> seen;
    CountSight(unit, region, +1, &seen);
    AnnounceShadow("Deshadow Region", seen);
}

VhUnit* VhLogicalLandscape::ShadowRegions(VhUnit* unit, std::uint16_t region) {
    List<VhUnit*>& here = GetUnitsInRegion(region);
    // Only a unit that was placed here took sight from here; hiding for any other would unbalance
    // the viewer counts.
    if (!unit || !here.Contains(unit)) return nullptr;
    if (fogOfWar && static_cast<std::int32_t>(unit->GetSide()) == localSide) {
        List<short> hidden;
        CountSight(unit, region, -1, &hidden);
        AnnounceShadow("Shadow Region", hidden);
    }
    here.Remove(unit);
    return unit;
}

VhUnit* VhLogicalLandscape::RemoveUnitFromRegion(std::uint16_t unitNumber, std::uint16_t region) {
    ListIterator<VhUnit*> it(&GetUnitsInRegion(region), 0);
    VhUnit* x = nullptr;
    while (it.Next(x))
        if (x->GetUnitNum() == unitNumber) return ShadowRegions(x, region);
    return nullptr;
}

void VhLogicalLandscape::SetFogOfWar(std::int32_t side) {
    fogOfWar = 1;
    localSide = side;
    // Counting from zero makes a second call recount rather than double every region's viewers.
    for (auto& count : viewerCounts)
        if (count != 0xFFFF) count = 0;
    for (std::size_t index = 0; index < unitLists.size(); ++index) {
        ListIterator<VhUnit*> it(&unitLists[index], 0);
        VhUnit* x = nullptr;
        while (it.Next(x))
            if (static_cast<std::int32_t>(x->GetSide()) == localSide)
                CountSight(x, IndexToNumber(static_cast<int>(index)), +1, nullptr);
    }
    List<short> hidden;
    for (std::size_t index = 0; index < viewerCounts.size(); ++index)
        if (viewerCounts[index] == 0) hidden.AddTail(static_cast<short>(IndexToNumber(static_cast<int>(index))));
    AnnounceShadow("Shadow Region", hidden);
}

bool VhLogicalLandscape::IsRegionVisible(std::uint16_t region) const {
    if (!fogOfWar) return true;
    return GetViewerCount(region) >= 1;
}

std::uint16_t VhLogicalLandscape::GetViewerCount(std::uint16_t region) const {
    const int index = NumberToIndex(region);
    if (index < 0 || static_cast<std::size_t>(index) >= viewerCounts.size()) return 0;
    return viewerCounts[static_cast<std::size_t>(index)];
}

std::uint16_t VhLogicalLandscape::GetLockOwner(std::uint16_t region) const {
    const int index = NumberToIndex(region);
    if (index < 0 || static_cast<std::size_t>(index) >= lockOwners.size()) return 0xFFFF;
    return lockOwners[static_cast<std::size_t>(index)];
}

bool VhLogicalLandscape::OnLockLocation(const UnitLocationStruct& request) {
    const int first = NumberToIndex(request.region);
    if (first < 0 || static_cast<std::size_t>(first) >= lockOwners.size()) return false;
    const bool hasSecond = request.secondRegion != 0xFFFF;
    const int second = hasSecond ? NumberToIndex(request.secondRegion) : -1;
    if (hasSecond && (second < 0 || static_cast<std::size_t>(second) >= lockOwners.size())) return false;
    if (lockOwners[static_cast<std::size_t>(first)] != 0xFFFF) return false;
    if (hasSecond && lockOwners[static_cast<std::size_t>(second)] != 0xFFFF) return false;
    lockOwners[static_cast<std::size_t>(first)] = request.unit;
    if (hasSecond) lockOwners[static_cast<std::size_t>(second)] = request.unit;
    return true;
}

void VhLogicalLandscape::OnUnlockLocation(const UnitLocationStruct& request) {
    for (std::uint16_t region : {request.region, request.secondRegion}) {
        if (region == 0xFFFF) continue;
        const int index = NumberToIndex(region);
        if (index < 0 || static_cast<std::size_t>(index) >= lockOwners.size()) continue;
        auto& owner = lockOwners[static_cast<std::size_t>(index)];
        if (owner == request.unit) owner = 0xFFFF;
    }
}

void VhLogicalLandscape::FreeAllLocks() { std::fill(lockOwners.begin(), lockOwners.end(), static_cast<std::uint16_t>(0xFFFF)); }
