// The battlefield's searches: the flood fill, the road searches and the group searches.
#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int RingDirections[] = {8, 1, 2, 4, 5, 6};

// The directions a road may take after arriving with a heading: straight on or one side either way.
constexpr int RoadFan[9][3] = {
    {0, 0, 0}, {8, 1, 2}, {1, 2, 4}, {0, 0, 0}, {2, 4, 5}, {4, 5, 6}, {5, 6, 8}, {0, 0, 0}, {6, 8, 1},
};

std::vector<int> DirectionsOf(List<DIRECTION>& directions) {
    std::vector<int> out;
    ListIterator<DIRECTION> it(&directions, 0);
    DIRECTION d = NoDirection;
    while (it.Next(d)) out.push_back(d);
    return out;
}

// A step cost below zero other than −1 would give points back and let a fill run forever;
// every negative cost counts as an impossible step.
bool Impossible(std::int16_t cost) { return cost < 0; }

// One state of a road search: a region entered with a heading and the points left. Each state
// is queued at most once: the road searches go breadth first and every step costs the same, so
// the first time a region is entered with a heading it has the most points and the shortest path
// it can have, and a later visit could only repeat what the first one finds.
struct RoadStep {
    std::uint16_t region;
    std::int16_t points;
    std::int32_t parent;
    int heading;
};

// The buffers of a road search, kept between searches: a search on a large all-road map queues
// tens of thousands of states, and growing them afresh each time cost more than the search.
struct RoadBuffers {
    std::vector<std::uint8_t> seen;     // per region: the headings it was entered with
    std::vector<std::uint8_t> passable; // per region: 0 not yet known, 1 road and open, 2 not
    std::vector<RoadStep> steps;
    bool busy = false;
};

class RoadSearch {
public:
    RoadSearch(VhLogicalLandscape& landscape, Group* movingGroup)
        : map(landscape), group(movingGroup), buffers(Take()) {
        const Point size = landscape.GetSize();
        const std::size_t n = static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y);
        buffers->seen.assign(n, 0);
        buffers->passable.assign(n, 0);
        buffers->steps.clear();
    }
    ~RoadSearch() {
        if (buffers == &Shared()) buffers->busy = false;
    }
    RoadSearch(const RoadSearch&) = delete;
    RoadSearch& operator=(const RoadSearch&) = delete;

    void Start(std::uint16_t from, std::int16_t points) {
        for (int d = 1; d <= 8; ++d) Push(map.GetNeighbour(from, d), points, -1, d);
    }
    bool Next(std::size_t& at) {
        if (head >= buffers->steps.size()) return false;
        at = head++;
        return true;
    }
    const RoadStep& Step(std::size_t at) const { return buffers->steps[at]; }
    void Expand(std::size_t at, std::int16_t points) {
        const RoadStep s = buffers->steps[at];
        for (int d : RoadFan[s.heading]) Push(map.GetNeighbour(s.region, d), points, static_cast<std::int32_t>(at), d);
    }
    void PathTo(std::size_t at, std::vector<std::uint16_t>& reversed) const {
        for (std::int32_t i = static_cast<std::int32_t>(at); i >= 0; i = buffers->steps[static_cast<std::size_t>(i)].parent)
            reversed.push_back(buffers->steps[static_cast<std::size_t>(i)].region);
    }

private:
    static RoadBuffers& Shared() {
        thread_local RoadBuffers shared;
        return shared;
    }
    // The shared buffers, or buffers of this search's own when a search is already running.
    RoadBuffers* Take() {
        RoadBuffers& shared = Shared();
        if (shared.busy) return &own;
        shared.busy = true;
        return &shared;
    }
    // A unit of another group blocks the road unless it is a friendly leader or friendly artillery.
    bool Blocked(std::uint16_t region) const {
        VhUnit* x = map.FirstUnitIn(region);
        if (!x || (group && group->Contains(x))) return false;
        const Leader* leader = group ? group->GetLeader() : nullptr;
        if (!leader || x->GetSide() != leader->GetSide()) return true;
        const auto* combat = AsCombat(x);
        return combat && combat->GetUnitKind() != ArtilleryKind;
    }
    void Push(std::uint16_t region, std::int16_t points, std::int32_t parent, int heading) {
        if (region == 0xFFFF) return;
        const auto index = static_cast<std::size_t>(map.NumberToIndex(region));
        // Whether a region is road and open does not change during one search.
        auto& open = buffers->passable[index];
        if (open == 0)
            open = map.RegionHasFeature(region, VhLogicalLandscape::RoadCode) && !Blocked(region) ? 1 : 2;
        if (open != 1) return;
        auto& marks = buffers->seen[index];
        const auto bit = static_cast<std::uint8_t>(1u << (heading - 1));
        if (marks & bit) return;
        marks |= bit;
        buffers->steps.push_back({region, points, parent, heading});
    }

    VhLogicalLandscape& map;
    Group* group;
    RoadBuffers own;
    RoadBuffers* buffers;
    std::size_t head = 0;
};

// The nodes of the flood fill with paths: each path is its last region and the node before it.
struct PathNode {
    std::uint16_t region;
    std::int16_t left;
    std::int32_t parent;
};

void AppendPath(List<List<short>>& paths, const std::vector<PathNode>& nodes, std::int32_t last, int extra) {
    std::vector<std::uint16_t> reversed;
    if (extra >= 0) reversed.push_back(static_cast<std::uint16_t>(extra));
    for (std::int32_t i = last; i >= 0; i = nodes[static_cast<std::size_t>(i)].parent)
        reversed.push_back(nodes[static_cast<std::size_t>(i)].region);
    List<short> path;
    for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) path.AddTail(static_cast<short>(*it));
    paths.AddTail(path);
}

} // namespace

void VhLogicalLandscape::FloodFill(RegionOrder& out, const int* directions, int directionCount, std::uint16_t start,
                                   std::int16_t points, bool within, StepCostFunction stepCost,
                                   List<List<short>>* paths, RegionOrder* secondHexes, bool twoHex) {
    if (!stepCost) stepCost = StepCostOne;
    out.Append(start);
    std::fill(bestPoints.begin(), bestPoints.end(), static_cast<std::int16_t>(-1));
    VhUnit* u = FirstUnitIn(start);
    const bool twoHexUnit = u && twoHex && u->IsTwoHex();
    if (twoHexUnit) out.Append(u->GetRightRegion(start, 0));
    const int startIndex = IndexOf(start);
    if (startIndex < 0) return;
    bestPoints[static_cast<std::size_t>(startIndex)] = points;

    // Records a region that a step reached with the points its mode asks for.
    const auto accept = [&](std::uint16_t n) {
        if (paths) out.Remove(n);
        if (secondHexes) secondHexes->Remove(n);
        if (!out.Contains(n)) out.Append(n);
        if (!twoHexUnit) return;
        const std::uint16_t s = u->GetRightRegion(n, 0);
        if (s == 0xFFFF) return;
        if (secondHexes && !out.Contains(s)) secondHexes->Append(s);
        out.Remove(s);
        out.Append(s);
    };

    if (!paths) {
        std::vector<std::uint16_t> queue{start};
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const std::uint16_t r = queue[head];
            const LogicalRegion& rr = regions[static_cast<std::size_t>(IndexOf(r))];
            for (int i = 0; i < directionCount; ++i) {
                const int d = directions[i];
                if (d < 0 || d >= LogicalRegion::NeighbourSlots) continue;
                const std::uint16_t n = rr.neighbours[d];
                if (n == 0xFFFF) continue;
                const std::int16_t cost = stepCost(r, n, this, u);
                if (Impossible(cost)) continue;
                const int left = bestPoints[static_cast<std::size_t>(IndexOf(r))] - cost;
                const bool ok = within ? left >= 0 : left == 0;
                auto& best = bestPoints[static_cast<std::size_t>(IndexOf(n))];
                if (ok && best == -1) accept(n);
                if (best < left) {
                    best = static_cast<std::int16_t>(left);
                    queue.push_back(n);
                }
            }
        }
        return;
    }

    // With paths every path is followed to its end: there is no pruning by best points.
    std::vector<PathNode> nodes{{start, points, -1}};
    std::vector<std::int32_t> queue{0};
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::int32_t at = queue[head];
        const PathNode e = nodes[static_cast<std::size_t>(at)];
        bool deadEnd = true;
        const LogicalRegion& rr = regions[static_cast<std::size_t>(IndexOf(e.region))];
        for (int i = 0; i < directionCount; ++i) {
            const int d = directions[i];
            if (d < 0 || d >= LogicalRegion::NeighbourSlots) continue;
            const std::uint16_t n = rr.neighbours[d];
            if (n == 0xFFFF) continue;
            const std::int16_t cost = stepCost(e.region, n, this, u);
            if (Impossible(cost)) continue;
            const int left = e.left - cost;
            if (within ? left >= 0 : left == 0) {
                accept(n);
                deadEnd = false;
            }
            if (left <= 0) {
                AppendPath(*paths, nodes, at, n);
            } else {
                nodes.push_back({n, static_cast<std::int16_t>(left), at});
                queue.push_back(static_cast<std::int32_t>(nodes.size() - 1));
            }
        }
        if (deadEnd) AppendPath(*paths, nodes, at, -1);
    }
}

void VhLogicalLandscape::FindRegionsInRange(List<short>& out, List<DIRECTION>& directions, std::uint16_t start,
                                            std::int16_t points, std::uint16_t within, StepCostFunction stepCost,
                                            List<List<short>>* paths, List<short>* secondHexes, std::uint16_t twoHex) {
    if (start == 0xFFFF || regions.empty()) return;
    const std::vector<int> dirs = DirectionsOf(directions);
    outOrder.Begin(size.x, size.y);
    outOrder.Load(out);
    if (secondHexes) {
        secondOrder.Begin(size.x, size.y);
        secondOrder.Load(*secondHexes);
    }
    FloodFill(outOrder, dirs.data(), static_cast<int>(dirs.size()), start, points, within != 0, stepCost, paths,
              secondHexes ? &secondOrder : nullptr, twoHex != 0);
    outOrder.StoreInto(out);
    if (secondHexes) secondOrder.StoreInto(*secondHexes);
}

void VhLogicalLandscape::FloodRing(RegionOrder& out, std::uint16_t start, std::int16_t points, bool within,
                                   StepCostFunction stepCost, bool twoHex) {
    FloodFill(out, RingDirections, 6, start, points, within, stepCost, nullptr, nullptr, twoHex);
    while (out.Remove(0xFFFF)) {
    }
}

void VhLogicalLandscape::FindRegionsAtRange(List<short>& out, std::uint16_t start, std::int16_t points,
                                            StepCostFunction stepCost, std::uint16_t twoHex) {
    if (start == 0xFFFF || regions.empty()) return;
    outOrder.Begin(size.x, size.y);
    outOrder.Load(out);
    FloodRing(outOrder, start, points, false, stepCost, twoHex != 0);
    outOrder.StoreInto(out);
}

void VhLogicalLandscape::FindRegionsWithinRange(List<short>& out, std::uint16_t start, std::int16_t points,
                                                StepCostFunction stepCost, std::uint16_t twoHex) {
    if (start == 0xFFFF || regions.empty()) return;
    outOrder.Begin(size.x, size.y);
    outOrder.Load(out);
    FloodRing(outOrder, start, points, true, stepCost, twoHex != 0);
    outOrder.StoreInto(out);
}

void VhLogicalLandscape::FindRoadPath(List<short>& out, std::uint16_t from, std::uint16_t to, Group* group) {
    out.Clear();
    if (from == to || regions.empty() || NumberToIndex(from) < 0) return;
    RoadSearch search(*this, group);
    search.Start(from, 99);
    std::size_t at = 0;
    while (search.Next(at)) {
        const RoadStep s = search.Step(at);
        if (s.region == to) {
            std::vector<std::uint16_t> reversed;
            search.PathTo(at, reversed);
            out.AddTail(static_cast<short>(from));
            for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) out.AddTail(static_cast<short>(*it));
            return;
        }
        if (s.points > 0) search.Expand(at, static_cast<std::int16_t>(s.points - 2));
    }
}

void VhLogicalLandscape::FindGroupRoadRegions(List<short>& out, Group* group, std::int16_t points) {
    if (!group || !group->GetLeader() || regions.empty()) return;
    const std::uint16_t start = group->GetLeader()->GetLocation();
    if (NumberToIndex(start) < 0) return;
    outOrder.Begin(size.x, size.y);
    outOrder.Load(out);
    outOrder.Append(start);
    RoadSearch search(*this, group);
    search.Start(start, points);
    std::size_t at = 0;
    while (search.Next(at)) {
        const RoadStep s = search.Step(at);
        if (!outOrder.Contains(s.region) && !IsRegionOccupied(s.region)) outOrder.Append(s.region);
        if (s.points > 0) search.Expand(at, static_cast<std::int16_t>(s.points - 2));
    }
    outOrder.StoreInto(out);
}

void VhLogicalLandscape::FindGroupRegionsInRange(List<short>& out, List<DIRECTION>& directions, Group* group,
                                                 std::int16_t points, StepCostFunction stepCost,
                                                 GroupUnitFunction perUnit, std::uint16_t stopAtFirst) {
    if (!group || !group->GetLeader() || regions.empty()) return;
    if (!stepCost) stepCost = StepCostOne;
    Leader* leader = group->GetLeader();
    const std::uint16_t leaderStart = leader->GetLocation();
    if (NumberToIndex(leaderStart) < 0) return;

    // The formation: one region per unit, the leader first, a two-hex unit twice.
    std::vector<VhUnit*> units{leader};
    std::vector<std::uint16_t> start{leaderStart};
    {
        ListIterator<VhUnit*> it(&group->GetUnits(), 0);
        VhUnit* unit = nullptr;
        while (it.Next(unit)) {
            if (!unit->IsOnMap() || unit->IsRouted()) continue;
            units.push_back(unit);
            start.push_back(unit->GetLocation());
            if (unit->IsTwoHex()) {
                units.push_back(unit);
                start.push_back(unit->GetSecondRegion());
            }
        }
    }
    const std::vector<int> dirs = DirectionsOf(directions);
    const bool stopEarly = stopAtFirst != 0;

    std::vector<std::vector<std::uint16_t>> queue{start};
    out.AddTail(static_cast<short>(leaderStart));
    std::fill(bestPoints.begin(), bestPoints.end(), static_cast<std::int16_t>(-1));
    bestPoints[static_cast<std::size_t>(NumberToIndex(leaderStart))] = points;

    for (std::size_t head = 0; head < queue.size(); ++head) {
        for (int d : dirs) {
            const std::vector<std::uint16_t>& f = queue[head];
            std::vector<std::uint16_t> g(f.size());
            bool failed = false, barred = false;
            int step = 0;
            for (std::size_t i = 0; i < f.size() && !failed; ++i) {
                g[i] = GetNeighbour(f[i], d);
                if (g[i] == 0xFFFF) {
                    failed = true;
                    break;
                }
                const std::int16_t cost = stepCost(f[i], g[i], this, units[i]);
                if (Impossible(cost)) {
                    failed = true;
                    break;
                }
                VhUnit* there = FirstUnitIn(g[i]);
                if (there && !group->Contains(there)) barred = true;
                step = std::max<int>(step, cost);
            }
            if (failed) continue;
            int left = bestPoints[static_cast<std::size_t>(NumberToIndex(f[0]))] - step;
            if (points == 1 && RegionDistance(g[0], leaderStart) == 1 && leader->HasGroupFlag() == 0) left = 0;
            auto& best = bestPoints[static_cast<std::size_t>(NumberToIndex(g[0]))];
            if (!barred && left >= 0 && best == -1) {
                out.AddTail(static_cast<short>(g[0]));
                if (stopEarly) return;
                if (perUnit)
                    for (std::size_t i = 0; i < g.size(); ++i) perUnit(g[i], units[i]);
            }
            if (best < left) {
                best = static_cast<std::int16_t>(left);
                queue.push_back(std::move(g));
            }
        }
    }
    if (!stopEarly && perUnit)
        for (std::size_t i = 0; i < start.size(); ++i) perUnit(start[i], units[i]);
}
