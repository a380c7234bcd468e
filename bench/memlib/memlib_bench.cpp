// Allocation mixes run through the library's pools and through malloc on the same sequence of
// requests, followed by the ratio of their times.
#include "memlib/brm22w32.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Op {
    std::uint32_t slot;
    std::uint32_t size; // 0: free the slot
    bool resize;
};

constexpr std::uint32_t kSlots = 2048;
constexpr std::size_t kOps = 1 << 16;

// A request sequence: slots are filled, emptied and refilled at random with sizes from `size`.
template <class SizeFn> std::vector<Op> makeMix(unsigned seed, SizeFn size, unsigned resizePercent) {
    std::mt19937 rng(seed);
    std::vector<bool> full(kSlots);
    std::vector<Op> ops;
    ops.reserve(kOps);
    while (ops.size() < kOps) {
        const std::uint32_t slot = rng() % kSlots;
        if (!full[slot]) {
            ops.push_back({slot, size(rng), false});
            full[slot] = true;
        } else if (rng() % 100 < resizePercent) {
            ops.push_back({slot, size(rng), true});
        } else {
            ops.push_back({slot, 0, false});
            full[slot] = false;
        }
    }
    for (std::uint32_t s = 0; s < kSlots; ++s)
        if (full[s]) ops.push_back({s, 0, false});
    return ops;
}

const std::vector<Op>& mix(int which) {
    static const std::vector<Op> mixes[] = {
        makeMix(1, [](std::mt19937& r) { return static_cast<std::uint32_t>(1 + r() % 16); }, 0),
        makeMix(2, [](std::mt19937& r) { return static_cast<std::uint32_t>(17 + r() % 1000); }, 0),
        makeMix(3, [](std::mt19937& r) { return static_cast<std::uint32_t>(r() % 20 == 0 ? 4097 + r() % 30000 : 1 + r() % 2000); }, 0),
        makeMix(4, [](std::mt19937& r) { return static_cast<std::uint32_t>(1 + r() % 3000); }, 40),
    };
    return mixes[which];
}

const char* const kMixNames[] = {"small", "medium", "with-large", "resizing"};

struct PoolAllocator {
    MEMPOOL pool = MemPoolInit(0);
    ~PoolAllocator() { MemPoolFree(pool); }
    void* alloc(std::uint32_t n) { return MemAllocPtr(pool, n, 0); }
    void* resize(void* p, std::uint32_t n) { return MemReAllocPtr(p, n, 0); }
    void release(void* p) { MemFreePtr(p); }
};

struct MallocAllocator {
    void* alloc(std::uint32_t n) { return std::malloc(n); }
    void* resize(void* p, std::uint32_t n) { return std::realloc(p, n); }
    void release(void* p) { std::free(p); }
};

template <class Allocator> void runMix(benchmark::State& state) {
    const std::vector<Op>& ops = mix(static_cast<int>(state.range(0)));
    std::vector<void*> slots(kSlots);
    for (auto _ : state) {
        Allocator a;
        for (const Op& op : ops) {
            void*& p = slots[op.slot];
            if (op.size == 0) {
                a.release(p);
                p = nullptr;
            } else if (op.resize) {
                p = a.resize(p, op.size);
            } else {
                p = a.alloc(op.size);
                static_cast<char*>(p)[0] = 1; // touch it, as a user would
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * ops.size()));
    state.SetLabel(kMixNames[state.range(0)]);
}

// Fixed-size blocks of one size: the library's fixed-size family against malloc.
void fixedSizePool(benchmark::State& state) {
    std::vector<void*> blocks(kSlots);
    for (auto _ : state) {
        MEMPOOL pool = MemPoolInitFS(24, 0, 0);
        for (int round = 0; round < 16; ++round) {
            for (auto& b : blocks) b = MemAllocFS(pool);
            for (auto& b : blocks) MemFreeFS(b);
        }
        MemPoolFree(pool);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 16 * 2 * kSlots));
}

void fixedSizeMalloc(benchmark::State& state) {
    std::vector<void*> blocks(kSlots);
    for (auto _ : state) {
        for (int round = 0; round < 16; ++round) {
            for (auto& b : blocks) b = std::malloc(24);
            for (auto& b : blocks) std::free(b);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 16 * 2 * kSlots));
}

BENCHMARK_TEMPLATE(runMix, PoolAllocator)->Name("mix/memlib")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(runMix, MallocAllocator)->Name("mix/malloc")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(fixedSizePool)->Name("fixed/memlib")->Unit(benchmark::kMicrosecond);
BENCHMARK(fixedSizeMalloc)->Name("fixed/malloc")->Unit(benchmark::kMicrosecond);

// Keeps each run's time so that the pairs can be compared at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nTime of the library over time of malloc (below 1: the library is faster)\n");
        for (const auto& [name, t] : times_) {
            const auto at = name.find("/memlib");
            if (at == std::string::npos) continue;
            std::string other = name;
            other.replace(at, 7, "/malloc");
            const auto it = times_.find(other);
            if (it != times_.end() && it->second > 0) std::printf("  %-24s %6.2f\n", name.c_str(), t / it->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
