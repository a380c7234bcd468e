// The pools against the C library's allocator, side by side in one run: fixed-size list items,
// mixed sizes from 8 to 4096 bytes, and a block grown step by step. The C library's side always
// calls malloc, free and realloc themselves, which the program never replaces, so routing the
// operators through the pools does not touch it. After the runs, one line per pair gives the
// ratio of the times.
#include "memory/pool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 1000;        // items in one list
constexpr std::uint16_t kItemSize = 24;  // a list item: two links and a payload pointer
constexpr int kSlots = 4096;        // live blocks in the mixed-size working set

// --- fixed-size list items: build a list of 1000, then drop it ---

void fixedItemsPool(benchmark::State& state) {
    MEMPOOL pool = MemPoolInitFS(kItemSize, 10, 0);
    std::vector<void*> items(kItems);
    for (auto _ : state) {
        for (auto& p : items) p = MemAllocFS(pool);
        benchmark::DoNotOptimize(items.data());
        for (void* p : items) MemFreeFS(p);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
    MemPoolFree(pool);
}

void fixedItemsMalloc(benchmark::State& state) {
    std::vector<void*> items(kItems);
    for (auto _ : state) {
        for (auto& p : items) p = std::malloc(kItemSize);
        benchmark::DoNotOptimize(items.data());
        for (void* p : items) std::free(p);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

// --- mixed sizes: a working set in which each step frees one block and allocates another ---

struct Mix {
    std::vector<std::uint32_t> sizes;
    std::vector<std::uint32_t> slots;
    Mix() {
        std::mt19937 rng(7);
        // Small requests dominate, as in the program: half up to 64 bytes, most up to 256.
        for (int i = 0; i < 1 << 16; ++i) {
            const unsigned r = rng() % 16;
            const std::uint32_t top = r < 8 ? 64 : r < 13 ? 256 : r < 15 ? 1024 : 4096;
            sizes.push_back(8 + rng() % (top - 7));
            slots.push_back(rng() % kSlots);
        }
    }
};
const Mix& mix() {
    static const Mix m;
    return m;
}

template <typename Alloc, typename Free>
void runMix(benchmark::State& state, Alloc alloc, Free release) {
    const Mix& m = mix();
    std::vector<void*> live(kSlots);
    for (int i = 0; i < kSlots; ++i) live[i] = alloc(m.sizes[i]);
    std::size_t step = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i, ++step) {
            const std::size_t k = step & 0xFFFF;
            void*& slot = live[m.slots[k]];
            release(slot);
            slot = alloc(m.sizes[k]);
            static_cast<char*>(slot)[0] = 1;
        }
    }
    for (void* p : live) release(p);
    state.SetItemsProcessed(state.iterations() * 1000);
}

void mixedPool(benchmark::State& state) {
    MEMPOOL pool = MemPoolInit(0);
    runMix(state, [pool](std::uint32_t n) { return MemAllocPtr(pool, n, 0); }, [](void* p) { MemFreePtr(p); });
    MemPoolFree(pool);
}

void mixedDefaultPool(benchmark::State& state) {
    runMix(state, [](std::uint32_t n) { return MemMalloc(n); }, [](void* p) { MemFree(p); });
}

void mixedMalloc(benchmark::State& state) {
    runMix(state, [](std::uint32_t n) { return std::malloc(n); }, [](void* p) { std::free(p); });
}

// --- a block grown in steps of 64 bytes from 16 bytes to 16 KB, then freed ---

template <typename Realloc, typename Free>
void runGrowth(benchmark::State& state, Realloc grow, Free release) {
    for (auto _ : state) {
        void* p = nullptr;
        for (std::uint32_t n = 16; n <= 16384; n += 64) {
            p = grow(p, n);
            static_cast<char*>(p)[n - 1] = 1;
        }
        release(p);
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

void growthPool(benchmark::State& state) {
    MEMPOOL pool = MemPoolInit(0);
    runGrowth(
        state, [pool](void* p, std::uint32_t n) { return p ? MemReAllocPtr(p, n, 0) : MemAllocPtr(pool, n, 0); },
        [](void* p) { MemFreePtr(p); });
    MemPoolFree(pool);
}

void growthDefaultPool(benchmark::State& state) {
    runGrowth(state, [](void* p, std::uint32_t n) { return MemRealloc(p, n); }, [](void* p) { MemFree(p); });
}

void growthMalloc(benchmark::State& state) {
    runGrowth(state, [](void* p, std::uint32_t n) { return std::realloc(p, n); }, [](void* p) { std::free(p); });
}

// Keeps each run's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

BENCHMARK(fixedItemsPool)->Name("fixed_items/pool");
BENCHMARK(fixedItemsMalloc)->Name("fixed_items/malloc");
BENCHMARK(mixedPool)->Name("mixed_8_to_4096/pool");
BENCHMARK(mixedDefaultPool)->Name("mixed_8_to_4096/default_pool");
BENCHMARK(mixedMalloc)->Name("mixed_8_to_4096/malloc");
BENCHMARK(growthPool)->Name("realloc_growth/pool");
BENCHMARK(growthDefaultPool)->Name("realloc_growth/default_pool");
BENCHMARK(growthMalloc)->Name("realloc_growth/malloc");

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratio pool/malloc (time of the pool over time of malloc; below 1 = pool faster)\n");
    for (const char* pair : {"fixed_items", "mixed_8_to_4096", "realloc_growth"}) {
        const std::string base = pair;
        const auto m = reporter.times.find(base + "/malloc");
        if (m == reporter.times.end() || m->second <= 0) continue;
        for (const char* side : {"pool", "default_pool"}) {
            const auto p = reporter.times.find(base + "/" + side);
            if (p == reporter.times.end()) continue;
            std::printf("  %-16s %-13s %.2f  (malloc is %.2fx the pool's time)\n", pair, side, p->second / m->second,
                        m->second / p->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
