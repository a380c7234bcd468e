// Searches of the battlefield on a 100 × 99 map with varied terrain and roads, each beside a
// plain breadth-first flood fill of the whole map in the same run; the ratios are printed last.
#include "game/logic/hex_geometry.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"
#include "tools/datagen/landscape_writer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

VhLogicalLandscape& Map() {
    static VhLogicalLandscape* map = [] {
        auto* m = new VhLogicalLandscape;
        const auto bytes = datagen::WriteLandscape(datagen::MakeSampleLandscape(100, 99, 1861));
        if (!m->LoadFromBytes(bytes)) std::fprintf(stderr, "map did not load: %s\n", m->GetLoadError().c_str());
        return m;
    }();
    return *map;
}

std::int16_t MovementStep(std::uint16_t from, std::uint16_t to, VhLogicalLandscape* map, VhUnit*) {
    return map->MovementCost(from, to);
}

// The obvious alternative: every region of the map by breadth-first search over the six sides.
void BM_PlainFloodFill(benchmark::State& state) {
    VhLogicalLandscape& map = Map();
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(map.GetRegionCount()));
    std::vector<std::uint16_t> queue;
    queue.reserve(seen.size());
    for (auto _ : state) {
        std::fill(seen.begin(), seen.end(), 0);
        queue.clear();
        queue.push_back(4949);
        seen[static_cast<std::size_t>(map.NumberToIndex(4949))] = 1;
        for (std::size_t head = 0; head < queue.size(); ++head)
            for (int d : hex::Sides) {
                const std::uint16_t n = map.GetNeighbour(queue[head], d);
                if (n == 0xFFFF) continue;
                auto& s = seen[static_cast<std::size_t>(map.NumberToIndex(n))];
                if (!s) {
                    s = 1;
                    queue.push_back(n);
                }
            }
        benchmark::DoNotOptimize(queue.data());
    }
    state.counters["regions"] = static_cast<double>(queue.size());
}

// The regions a unit with 12 movement points can reach over the terrain.
void BM_ReachableSet(benchmark::State& state) {
    VhLogicalLandscape& map = Map();
    List<DIRECTION> six;
    for (DIRECTION d : {NorthWest, North, NorthEast, SouthEast, South, SouthWest}) six.AddTail(d);
    std::size_t found = 0;
    for (auto _ : state) {
        List<short> out;
        map.FindRegionsInRange(out, six, 4949, static_cast<std::int16_t>(state.range(0)), 1, MovementStep, nullptr,
                               nullptr, 0);
        found = static_cast<std::size_t>(out.Count());
    }
    state.counters["regions"] = static_cast<double>(found);
}

// The paths a unit explores towards its front (two directions), as a move order asks.
void BM_UnitPaths(benchmark::State& state) {
    VhLogicalLandscape& map = Map();
    List<DIRECTION> front;
    front.AddTail(SouthEast);
    front.AddTail(South);
    std::size_t found = 0;
    for (auto _ : state) {
        List<short> out;
        List<List<short>> paths;
        map.FindRegionsInRange(out, front, 4949, static_cast<std::int16_t>(state.range(0)), 1, MovementStep, &paths,
                               nullptr, 0);
        found = static_cast<std::size_t>(paths.Count());
    }
    state.counters["paths"] = static_cast<double>(found);
}

// A road path over the net of roads, as long as the road budget allows.
void BM_RoadPath(benchmark::State& state) {
    VhLogicalLandscape& map = Map();
    Group group;
    std::size_t length = 0;
    // From the north end of the road down column 3 to a junction near the end of what the road
    // budget allows.
    for (auto _ : state) {
        List<short> out;
        map.FindRoadPath(out, 300, 1440, &group);
        length = static_cast<std::size_t>(out.Count());
    }
    state.counters["steps"] = static_cast<double>(length);
}

// The same road search on a map that is all road, where every region has three ways on.
void BM_RoadPathAllRoad(benchmark::State& state) {
    static VhLogicalLandscape* map = [] {
        datagen::LandscapeDraft d(100, 99);
        for (int c = 0; c < 100; ++c)
            for (int r = 0; r < 99; ++r) d.AddTerrain(static_cast<unsigned short>(c * 100 + r), 12);
        auto* m = new VhLogicalLandscape;
        m->LoadFromBytes(datagen::WriteLandscape(d));
        return m;
    }();
    Group group;
    std::size_t length = 0;
    for (auto _ : state) {
        List<short> out;
        map->FindRoadPath(out, 0, 3030, &group);
        length = static_cast<std::size_t>(out.Count());
    }
    state.counters["steps"] = static_cast<double>(length);
}

BENCHMARK(BM_PlainFloodFill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReachableSet)->Arg(12)->Arg(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnitPaths)->Arg(8)->Arg(12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoadPath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoadPathAllRoad)->Unit(benchmark::kMicrosecond);

// Keeps every repetition's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration) micros[run.run_name.str()].push_back(run.GetAdjustedRealTime());
    }
    static double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    std::map<std::string, std::vector<double>> micros;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto plain = reporter.micros.find("BM_PlainFloodFill");
    if (plain == reporter.micros.end() || plain->second.empty()) return 0;
    const double plainBest = RatioReporter::best(plain->second), plainMedian = RatioReporter::median(plain->second);
    std::printf("\nMicroseconds per search (median), and the ratio to a plain flood fill of the whole map (%.1f us),\n"
                "of the best and of the median repetitions:\n",
                plainMedian);
    for (const auto& [name, us] : reporter.micros)
        if (name != plain->first)
            std::printf("  %-28s %10.1f us  %8.3f x %8.3f x\n", name.c_str(), RatioReporter::median(us),
                        RatioReporter::best(us) / plainBest, RatioReporter::median(us) / plainMedian);
    benchmark::Shutdown();
    return 0;
}
