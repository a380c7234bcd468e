// The library as the allocator of whole programs, side by side with the C library's allocator in
// the same run: a loop of random malloc and free by size band on one and four threads (each thread
// on a pool of its own, and all four on one shared pool), and two real programs (Python on a JSON
// workload, g++ on one of our sources) started with and without the interposer, whose outputs
// must be the same.
#include "bench/memlib/brm_malloc.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kLive = 1024;
constexpr int kOps = 1 << 16;
const std::size_t kBands[] = {64, 512, 4096, 8192, 32768, 262144};

struct Glibc {
    static void* alloc(std::size_t n) { return std::malloc(n); }
    static void* resize(void* p, std::size_t n) { return std::realloc(p, n); }
    static void release(void* p) { std::free(p); }
};

struct Library {
    static void* alloc(std::size_t n) { return brm_malloc(n); }
    static void* resize(void* p, std::size_t n) { return brm_realloc(p, n); }
    static void release(void* p) { brm_free(p); }
};

// One thread's share: 1,024 slots, each emptied when full and filled when empty, at random.
template <class A> void randomLoop(benchmark::State& state) {
    const std::size_t band = kBands[state.range(0)];
    const bool withResize = state.range(1) != 0;
    std::mt19937 rng(static_cast<unsigned>(17 + state.thread_index()));
    std::vector<std::uint32_t> slotOf(kOps), sizeOf(kOps), choice(kOps);
    for (int i = 0; i < kOps; ++i) {
        slotOf[i] = rng() % kLive;
        sizeOf[i] = static_cast<std::uint32_t>(1 + rng() % band);
        choice[i] = rng() % 4;
    }
    std::vector<void*> slots(kLive);
    for (auto _ : state) {
        for (int i = 0; i < kOps; ++i) {
            void*& p = slots[slotOf[i]];
            if (!p) {
                p = A::alloc(sizeOf[i]);
                static_cast<char*>(p)[0] = 1; // touch it, as a user would
            } else if (withResize && choice[i] == 0) {
                p = A::resize(p, sizeOf[i]);
                static_cast<char*>(p)[sizeOf[i] - 1] = 2;
            } else {
                A::release(p);
                p = nullptr;
            }
        }
        for (void*& p : slots) {
            A::release(p);
            p = nullptr;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kOps);
    state.SetLabel("up to " + std::to_string(band) + (withResize ? " with realloc" : ""));
}

void bands(benchmark::internal::Benchmark* b) {
    for (int band = 0; band < 6; ++band) b->Args({band, 0});
    b->Args({3, 1});
}

// Every single-thread run first: once a thread has been started, neither allocator goes back to
// its single-thread paths.
BENCHMARK_TEMPLATE(randomLoop, Library)->Name("loop/brm")->Apply(bands)->Threads(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(randomLoop, Glibc)->Name("loop/glibc")->Apply(bands)->Threads(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(randomLoop, Library)->Name("loop/brm")->Apply(bands)->Threads(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(randomLoop, Glibc)->Name("loop/glibc")->Apply(bands)->Threads(4)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same four threads on one pool that all of them share, as a program that makes a single
// serialised pool for every thread would run.
void onePool(const benchmark::State&) { brm_one_pool(1); }
void poolPerThread(const benchmark::State&) { brm_one_pool(0); }
BENCHMARK_TEMPLATE(randomLoop, Library)->Name("loop/brm-one-pool")->Apply(bands)->Threads(4)->Setup(onePool)->Teardown(poolPerThread)->UseRealTime()->Unit(benchmark::kMillisecond);

// Runs a command and returns what it wrote, or "" with ok false when it failed.
std::string run(const std::string& command, bool& ok) {
    std::string out;
    FILE* f = popen(command.c_str(), "r");
    if (!f) {
        ok = false;
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    ok = pclose(f) == 0;
    return out;
}

std::string scratch(const std::string& name) { return std::string(VH_SCRATCH_DIR) + "/" + name; }

const char* const kJsonScript = R"(import json, random, hashlib
random.seed(7)
data = [{"id": i, "name": "unit%d" % i, "strength": [random.random() for _ in range(24)],
         "orders": {"move": str(i) * 3, "fire": [i, i * 2, None, True]}} for i in range(15000)]
text = json.dumps(data)
for _ in range(3):
    data = json.loads(text)
    data.sort(key=lambda u: u["strength"][0])
    text = json.dumps(data, sort_keys=True)
print(len(text), hashlib.sha256(text.encode()).hexdigest())
)";

std::string preload(bool library) { return library ? std::string("env LD_PRELOAD=") + VH_INTERPOSER + " " : std::string(); }

// The program's output with the C library's allocator, kept to compare the library's run with.
std::map<std::string, std::string>& expected() {
    static std::map<std::string, std::string> m;
    return m;
}

void checkSame(benchmark::State& state, const std::string& key, const std::string& out, bool library) {
    if (!library) {
        expected()[key] = out;
    } else if (expected().count(key) && expected()[key] != out) {
        state.SkipWithError("output differs from the run with the C library's allocator");
    }
}

template <bool library> void pythonJson(benchmark::State& state) {
    const std::string script = scratch("json_workload.py");
    std::ofstream(script) << kJsonScript;
    std::string out;
    for (auto _ : state) {
        bool ok = true;
        out = run(preload(library) + "python3 " + script, ok);
        if (!ok) state.SkipWithError("python3 failed");
    }
    checkSame(state, "python", out, library);
    state.SetLabel(out.substr(0, out.find(' ')) + " bytes of JSON");
}

std::string fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

template <bool library> void gccCompile(benchmark::State& state) {
    const std::string object = scratch(library ? "compiled_brm.o" : "compiled_glibc.o");
    const std::string command = preload(library) + "g++ -std=c++20 -O2 -frandom-seed=1 -I" VH_SOURCE_DIR
                                " -c " VH_SOURCE_DIR "/core/bus.cpp -o " + object;
    for (auto _ : state) {
        bool ok = true;
        run(command, ok);
        if (!ok) state.SkipWithError("g++ failed");
    }
    checkSame(state, "g++", fileBytes(object), library);
    state.SetLabel("core/bus.cpp at -O2");
}

// The C library's run first, so that the library's output is compared with it.
BENCHMARK_TEMPLATE(pythonJson, false)->Name("python-json/glibc")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(pythonJson, true)->Name("python-json/brm")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(gccCompile, false)->Name("gcc/glibc")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(gccCompile, true)->Name("gcc/brm")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps every repetition's time, so that the pairs can be compared at the end by their medians
// and by their best runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.benchmark_name()].push_back(r.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nTime with the library over time with the C library's allocator (median, best)\n");
        for (const auto& [name, t] : times_) {
            const auto at = name.find("/brm");
            if (at == std::string::npos) continue;
            std::string other = name;
            const auto end = name.find('/', at + 1);
            other.replace(at, end - at, "/glibc");
            const auto it = times_.find(other);
            if (it == times_.end()) continue;
            std::printf("  %-40s %6.2f %6.2f  (%zu runs)\n", name.c_str(), median(t) / median(it->second),
                        best(t) / best(it->second), t.size());
        }
    }

private:
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    static double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

    std::map<std::string, std::vector<double>> times_;
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
