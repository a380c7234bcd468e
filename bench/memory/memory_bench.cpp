// The pools against the C library's allocator, side by side in one run: fixed-size list items,
// mixed sizes from 8 to 4096 bytes, and blocks grown step by step (one, and eight in turn). The C
// library's side always calls malloc, free and realloc themselves, which the program never
// replaces, so routing the operators through the pools does not touch it. After the runs, one
// line per pair gives the ratio of the times. Run with --benchmark_repetitions and
// --benchmark_enable_random_interleaving on a busy machine, and once with --second-thread.
#include "memory/pool.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
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

// --- blocks grown in steps of 64 bytes from 16 bytes to 16 KB, then freed ---
// One block alone can often grow where it lies (the C library's at the top of its heap, when it
// happens to be there); several grown in turn, as several containers filling at once, stand in
// each other's way.

template <int Blocks, typename Realloc, typename Free>
void runGrowth(benchmark::State& state, Realloc grow, Free release) {
    for (auto _ : state) {
        void* p[Blocks] = {};
        for (std::uint32_t n = 16; n <= 16384; n += 64) {
            for (void*& b : p) {
                b = grow(b, n);
                static_cast<char*>(b)[n - 1] = 1;
            }
        }
        for (void* b : p) release(b);
    }
    state.SetItemsProcessed(state.iterations() * 256 * Blocks);
}

template <int Blocks>
void growthPool(benchmark::State& state) {
    MEMPOOL pool = MemPoolInit(0);
    runGrowth<Blocks>(
        state, [pool](void* p, std::uint32_t n) { return p ? MemReAllocPtr(p, n, 0) : MemAllocPtr(pool, n, 0); },
        [](void* p) { MemFreePtr(p); });
    MemPoolFree(pool);
}

template <int Blocks>
void growthDefaultPool(benchmark::State& state) {
    runGrowth<Blocks>(state, [](void* p, std::uint32_t n) { return MemRealloc(p, n); }, [](void* p) { MemFree(p); });
}

template <int Blocks>
void growthMalloc(benchmark::State& state) {
    runGrowth<Blocks>(state, [](void* p, std::uint32_t n) { return std::realloc(p, n); }, [](void* p) { std::free(p); });
}

// Keeps the time per iteration of every repetition of every run, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Iteration) {
                times[name].push_back(r.GetAdjustedRealTime());
            } else if (r.aggregate_name == "median") {
                medians[name] = r.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The median of the repetitions (the library's own when only aggregates were reported).
    double median(const std::string& name) const {
        const auto t = times.find(name);
        if (t != times.end() && !t->second.empty()) {
            std::vector<double> v = t->second;
            std::sort(v.begin(), v.end());
            const std::size_t n = v.size();
            return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        }
        const auto m = medians.find(name);
        return m != medians.end() ? m->second : 0;
    }
    double best(const std::string& name) const {
        const auto t = times.find(name);
        return t != times.end() && !t->second.empty() ? *std::min_element(t->second.begin(), t->second.end()) : 0;
    }
    std::size_t repetitions(const std::string& name) const {
        const auto t = times.find(name);
        return t != times.end() ? t->second.size() : 0;
    }

    std::map<std::string, std::vector<double>> times;
    std::map<std::string, double> medians;
};

} // namespace

BENCHMARK(fixedItemsPool)->Name("fixed_items/pool");
BENCHMARK(fixedItemsMalloc)->Name("fixed_items/malloc");
BENCHMARK(mixedPool)->Name("mixed_8_to_4096/pool");
BENCHMARK(mixedDefaultPool)->Name("mixed_8_to_4096/default_pool");
BENCHMARK(mixedMalloc)->Name("mixed_8_to_4096/malloc");
BENCHMARK(growthPool<1>)->Name("realloc_growth/pool");
BENCHMARK(growthDefaultPool<1>)->Name("realloc_growth/default_pool");
BENCHMARK(growthMalloc<1>)->Name("realloc_growth/malloc");
BENCHMARK(growthPool<8>)->Name("realloc_growth_8/pool");
BENCHMARK(growthDefaultPool<8>)->Name("realloc_growth_8/default_pool");
BENCHMARK(growthMalloc<8>)->Name("realloc_growth_8/malloc");

// --second-thread: an idle second thread lives through the whole run. Both the C library and the
// default pool leave their locks alone while the process has one thread; with two, every call
// of the default pool takes its lock, as in the program.
class IdleThread {
public:
    IdleThread() : thread_([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return done_; });
    }) {}
    ~IdleThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    IdleThread(const IdleThread&) = delete;
    IdleThread& operator=(const IdleThread&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

int main(int argc, char** argv) {
    bool secondThread = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--second-thread") {
            secondThread = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    std::optional<IdleThread> idle;
    if (secondThread) {
        idle.emplace();
        // Four threads at once, each with its working set, on the default pool (which every
        // thread shares, as operator new does) and on the C library's allocator. Only with
        // --second-thread: once a thread has been started, the C library (and the default pool)
        // no longer take their single-thread paths, so a run of these would change every later
        // single-thread measurement of the same process.
        benchmark::RegisterBenchmark("mixed_4_threads/default_pool", mixedDefaultPool)->Threads(4)->UseRealTime();
        benchmark::RegisterBenchmark("mixed_4_threads/malloc", mixedMalloc)->Threads(4)->UseRealTime();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nEach pool against the C library, same requests, same run (median of the repetitions;\n"
                "in brackets the ratio of the best repetitions). Above 1.0x the pool is faster.%s\n",
                secondThread ? " A second thread was alive." : "");
    for (const char* pair :
         {"fixed_items", "mixed_8_to_4096", "mixed_4_threads", "realloc_growth", "realloc_growth_8"}) {
        const std::string base = pair;
        const std::string suffix = base == "mixed_4_threads" ? "/real_time/threads:4" : "";
        const double m = reporter.median(base + "/malloc" + suffix);
        if (m <= 0) continue;
        for (const char* side : {"pool", "default_pool"}) {
            const std::string name = base + "/" + side + suffix;
            const double p = reporter.median(name);
            if (p <= 0) continue;
            std::printf("  %-16s %-13s is %5.2fx as fast as malloc", pair, side, m / p);
            const double bm = reporter.best(base + "/malloc" + suffix), bp = reporter.best(name);
            if (bm > 0 && bp > 0) std::printf("  [best %5.2fx]", bm / bp);
            if (const std::size_t n = reporter.repetitions(name)) std::printf("  (%zu runs)", n);
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return 0;
}
