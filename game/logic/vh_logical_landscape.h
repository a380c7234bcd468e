#pragma once
// The battle's logical map: regions with terrain, edges and elevation read from the landscape
// file, the units standing in each region, movement costs and searches, the fog of war and the
// region locks of moving units.
//
// Invariants, once a map is loaded: every per-region array (unit lists, viewer counts, lock
// owners, best points) has one entry per region, by index; a half hex (odd column, last row) has
// viewer count 0xFFFF, no side flags and is nobody's neighbour; with the fog on, every other
// region's viewer count equals the number of local units standing on the map whose sight reaches
// it, because placing and removing a unit count the same sight set from the same region; a lock
// owner is 0xFFFF or the number of the unit that holds the region.
#include "game/logic/core_types.h"
#include "game/logic/direction.h"
#include "game/logic/game_records.h"
#include "game/logic/logical_landscape.h"
#include "game/logic/region_order.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class VhUnit;
class Group;
class VhLogicalLandscape;
struct LandscapeFile;
struct LogicalCommandInfo;

// The cost of one step between adjacent regions, −1 when the step is impossible.
using StepCostFunction = std::int16_t (*)(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape,
                                          VhUnit* unit);
// Called by the group flood fill for each unit of a formation with the region it would take.
using GroupUnitFunction = void (*)(std::uint16_t region, VhUnit* unit);

class VhLogicalLandscape : public LogicalLandscape {
public:
    // Terrain and edge codes with a meaning of their own to the battlefield.
    static constexpr std::uint16_t SightBlockingCode = 1;
    static constexpr std::uint16_t HedgeCode = 6;
    static constexpr std::uint16_t StreamCode = 10;
    static constexpr std::uint16_t WallCode = 11;
    static constexpr std::uint16_t RoadCode = 12;
    static constexpr std::uint16_t TrackCode = 16;
    static constexpr std::uint16_t TowerCode = 18;
    static constexpr int SightRange = 4;

    VhLogicalLandscape();
    ~VhLogicalLandscape() override;

    // Registers the handlers of the map's events and of the unit bookkeeping messages.
    void Connect() override;

    // Numbering: number = column × 100 + row, index = row × columns + column.
    std::uint16_t IndexToNumber(int index) const override;
    int NumberToIndex(std::uint16_t number) const override;

    // Loading. Load builds the whole map from a landscape file and answers 1, or answers 0 and
    // keeps what it had when the file is missing or damaged.
    std::int32_t Load(const std::string& path);
    std::int32_t LoadFromBytes(std::span<const std::uint8_t> bytes);
    const std::string& GetLoadError() const { return loadError; }
    std::uint16_t GetFirstMapHeaderValue() const { return firstMapHeaderValue; }
    std::int32_t GetSecondMapHeaderValue() const { return secondMapHeaderValue; }

    // Geometry.
    Point RegionToPoint(std::uint16_t number) const;
    std::uint16_t PointToRegion(Point p) const;
    int RegionDistance(std::uint16_t a, std::uint16_t b) const;
    int BearingToRegion(std::uint16_t from, std::uint16_t to) const;
    DIRECTION DirectionToRegion(std::uint16_t from, std::uint16_t to) const;
    DIRECTION FacingTowards(std::uint16_t from, std::uint16_t to) const;
    bool IsInFrontArc(std::uint16_t from, std::uint16_t to, int facing) const;
    List<short> GetHexLine(std::uint16_t from, std::uint16_t to) const;
    bool IsValidRegion(std::uint16_t number) const;
    bool IsEdgeRegion(std::uint16_t number) const;
    void GetMapEdgeRegions(int edge, List<short>& out) const;

    // Terrain and edges.
    bool RegionHasFeature(std::uint16_t region, std::uint16_t code) const;
    bool HasEdgeType(std::uint16_t region, int side, std::uint16_t code) const;
    bool HasEdgeBetween(std::uint16_t from, std::uint16_t to, std::uint16_t code) const;
    bool IsSurroundedByEdge(std::uint16_t region, std::uint16_t code) const;
    bool IsEnclosedOrNearRoad(std::uint16_t region) const;

    // Movement and searches.
    std::int16_t MovementCost(std::uint16_t from, std::uint16_t to) const;
    static std::int16_t StepCostOne(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape, VhUnit* unit);
    void FindRegionsInRange(List<short>& out, List<DIRECTION>& directions, std::uint16_t start, std::int16_t points,
                            std::uint16_t within, StepCostFunction stepCost, List<List<short>>* paths,
                            List<short>* secondHexes, std::uint16_t twoHex);
    void FindRegionsAtRange(List<short>& out, std::uint16_t start, std::int16_t points, StepCostFunction stepCost,
                            std::uint16_t twoHex);
    void FindRegionsWithinRange(List<short>& out, std::uint16_t start, std::int16_t points, StepCostFunction stepCost,
                                std::uint16_t twoHex);
    void FindRoadPath(List<short>& out, std::uint16_t from, std::uint16_t to, Group* group);
    void FindGroupRegionsInRange(List<short>& out, List<DIRECTION>& directions, Group* group, std::int16_t points,
                                 StepCostFunction stepCost, GroupUnitFunction perUnit, std::uint16_t stopAtFirst);
    void FindGroupRoadRegions(List<short>& out, Group* group, std::int16_t points);

    // Occupancy. An unknown region has an empty unit list.
    List<VhUnit*>& GetUnitsInRegion(std::uint16_t region);
    VhUnit* FirstUnitIn(std::uint16_t region);
    bool IsRegionOccupied(std::uint16_t region);
    bool IsRegionHostile(std::uint16_t region, std::uint32_t side);
    bool IsAdjacentToEnemy(std::uint16_t region, std::uint32_t side, std::uint16_t leadersOnly);
    bool IsRegionThreatened(std::uint16_t region, std::uint32_t side);
    bool IsInEnemyContact(std::uint16_t region, std::uint32_t side, VhUnit* unit);
    bool IsSupplyWagonInRange(VhUnit* unit, int range);

    // Placement and fog of war.
    void DeshadowRegions(VhUnit* unit, std::uint16_t region);
    VhUnit* ShadowRegions(VhUnit* unit, std::uint16_t region);
    VhUnit* RemoveUnitFromRegion(std::uint16_t unitNumber, std::uint16_t region);
    static std::int16_t VisionStepCost(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* landscape, VhUnit* unit);
    void SetFogOfWar(std::int32_t localSide);
    bool IsFogOfWarOn() const { return fogOfWar != 0; }
    std::int32_t GetLocalSide() const { return localSide; }
    bool IsRegionVisible(std::uint16_t region) const;
    std::uint16_t GetViewerCount(std::uint16_t region) const;

    // Region locks. SendLockLocation asks the bus and answers true when the lock was taken; a
    // refusal gives back whatever the request may have taken, never what the unit held before.
    bool SendLockLocation(const UnitLocationStruct& request);
    void SendUnlockLocation(const UnitLocationStruct& request);
    std::uint16_t GetLockOwner(std::uint16_t region) const;
    // Answers true when the lock is taken; false (and nothing held) when it is refused.
    bool OnLockLocation(const UnitLocationStruct& request);
    void OnUnlockLocation(const UnitLocationStruct& request);
    void FreeAllLocks();

    // Deployment: while the hold is set, units of leaders that are not this player's are removed
    // and inserted later, when ReplayDeferredUnitChanges runs. Setting or clearing the hold frees
    // every lock.
    void SetDeploymentHold(std::uint16_t hold);
    std::uint16_t GetDeploymentHold() const { return deploymentHold; }
    void ReplayDeferredUnitChanges();

    // The handlers' work.
    void OnRegionSelected(std::uint16_t region);
    void OnRegionFlyby(std::uint16_t region);
    void OnUnitMovement(const LogicalCommandInfo& command);
    void OnUnitRemoved(const UnitLocationStruct& where);
    void OnUnitInserted(const UnitLocationStruct& where);
    void OnTowerRegion(std::uint16_t region);

protected:
    // Hands a list of regions that came out of or went under the fog to the display.
    virtual void AnnounceShadow(const char* message, List<short>& changed);

private:

    std::int32_t LoadFrom(const LandscapeFile& file);
    void BuildNeighbourLinks();
    // Index of a region of this map without the virtual look-up; −1 off the map.
    int IndexOf(std::uint16_t number) const {
        const int c = number / 100, r = number % 100;
        return c < size.x && r < size.y ? c + r * size.x : -1;
    }
    // The record of a region of this map without the virtual look-up; null off the map.
    const LogicalRegion* RegionAt(std::uint16_t number) const {
        const int c = number / 100, r = number % 100;
        return c < size.x && r < size.y ? &regions[static_cast<std::size_t>(c + r * size.x)] : nullptr;
    }
    void FloodFill(RegionOrder& out, const int* directions, int directionCount, std::uint16_t start, std::int16_t points,
                   bool within, StepCostFunction stepCost, List<List<short>>* paths, RegionOrder* secondHexes,
                   bool twoHex);
    void FloodRing(RegionOrder& out, std::uint16_t start, std::int16_t points, bool within, StepCostFunction stepCost,
                   bool twoHex);
    bool IsLeaderOfUnitFriendly(VhUnit* unit);
    void CountSight(VhUnit* unit, std::uint16_t region, int delta, List<short>* changed);

    std::vector<List<VhUnit*>> unitLists;
    List<VhUnit*> noUnits;
    std::uint16_t firstMapHeaderValue = 1000;
    std::int32_t secondMapHeaderValue = 0;
    std::uint16_t fogOfWar = 0;
    std::int32_t localSide = -1;
    std::vector<std::uint16_t> viewerCounts;
    std::vector<std::uint16_t> lockOwners;
    std::vector<std::int16_t> bestPoints;
    std::uint16_t deploymentHold = 0;
    std::vector<UnitLocationStruct> deferredRemovals;
    std::vector<UnitLocationStruct> deferredInsertions;
    std::string loadError;
    RegionOrder outOrder;
    RegionOrder secondOrder;
};
