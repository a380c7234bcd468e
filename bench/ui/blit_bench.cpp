// The blitters against memcpy of the same bytes, copied the same way: a 640 x 480 screen covered
// with 64 x 48 pictures (each row of each picture one copy, as the blitter walks it), and one
// full-screen picture (640-byte rows). Each blitter's time is set beside its own baseline in one
// run, and the ratios are printed (1.0 = as fast as memcpy).
#include "ui/bitmap.h"
#include "ui/logical_palette.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

class BenchPalette : public LogicalPalette {
public:
    BenchPalette() {
        for (int k = 1; k <= 5; ++k) {
            auto* t = new std::uint8_t[256];
            for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(255 - i);
            SetTable(k, t);
        }
    }
    void ReserveRange(std::int16_t, std::int16_t) override {}
    void ReleaseRange(std::int16_t, std::int16_t) override {}
    std::int16_t GetReservedRange(std::int16_t&, std::int16_t&) const override { return 0; }
    const std::uint8_t* GetData() const override { return nullptr; }
    HPALETTE GetHandle() const override { return nullptr; }
    bool Save(const char*) const override { return false; }
    std::uint8_t NearestIndex(std::uint8_t, std::uint8_t, std::uint8_t) const override { return 0; }
};

constexpr int kScreenW = 640, kScreenH = 480, kTileW = 64, kTileH = 48;

// An uncompressed picture with a transparent border and a few shadow pixels.
Bitmap* MakePicture(int w, int h, int type) {
    auto* p = new Bitmap(Dim(w, h), type);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = static_cast<std::uint8_t>(1 + (x * 7 + y * 3) % 250);
            if (x % kTileW < 4 || y % kTileH < 4) v = 0;
            if (x % 16 == 5) v = 255;
            p->GetPixels()[y * p->Stride() + x] = v;
        }
    return p;
}

Bitmap& Picture(int w, int h, int type) {
    static std::map<std::pair<int, int>, Bitmap*> pictures;
    Bitmap*& p = pictures[{w, type}];
    if (!p) p = MakePicture(w, h, type);
    return *p;
}

std::map<std::string, double> g_results;

// The baseline: the same rows copied with memcpy, one call a row, the row length known only at
// run time (as the blitter knows it), between buffers of the same shapes.
void RowCopies(benchmark::State& state, int w, int h) {
    std::vector<std::uint8_t> src(static_cast<std::size_t>(w) * h, 7), dst(static_cast<std::size_t>(kScreenW) * kScreenH, 3);
    int width = w;
    benchmark::DoNotOptimize(width);  // not a constant the compiler may fold into the copies
    const std::size_t n = static_cast<std::size_t>(width);
    for (auto _ : state) {
        for (int ty = 0; ty < kScreenH; ty += h)
            for (int tx = 0; tx < kScreenW; tx += w) {
                std::uint8_t* d = dst.data() + static_cast<std::size_t>(ty) * kScreenW + tx;
                const std::uint8_t* from = src.data();
                for (int y = 0; y < h; ++y, d += kScreenW, from += n) std::memcpy(d, from, n);
            }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kScreenW * kScreenH);
}

void BM_MemcpyTiles(benchmark::State& state) { RowCopies(state, kTileW, kTileH); }
void BM_MemcpyScreen(benchmark::State& state) { RowCopies(state, kScreenW, kScreenH); }

void Blits(benchmark::State& state, int w, int h) {
    static BenchPalette palette;
    Bitmap::SetDrawingPalette(&palette);
    const int type = static_cast<int>(state.range(0)), mode = static_cast<int>(state.range(1));
    Bitmap screen(Dim(kScreenW, kScreenH), 1);
    screen.Fill(3);
    Bitmap& pic = Picture(w, h, type);
    for (auto _ : state) {
        for (int y = 0; y < kScreenH; y += h)
            for (int x = 0; x < kScreenW; x += w) screen.DrawAll(Point(x, y), pic, mode);
        benchmark::DoNotOptimize(screen.GetPixels());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kScreenW * kScreenH);
}

void BM_Tiles(benchmark::State& state) { Blits(state, kTileW, kTileH); }
void BM_Screen(benchmark::State& state) { Blits(state, kScreenW, kScreenH); }

// Other programs share the machine: each case runs five times and the medians are compared.
BENCHMARK(BM_MemcpyTiles)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Tiles)
    ->ArgsProduct({{1, 2, 3, 5}, {1, 2, 3, 4, 5, 6}})
    ->ArgNames({"type", "mode"})
    ->MinTime(0.1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_MemcpyScreen)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Screen)
    ->ArgsProduct({{1, 2, 3, 5}, {1, 4}})
    ->ArgNames({"type", "mode"})
    ->MinTime(0.1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) g_results[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The case's own name, without the run settings Google Benchmark appends.
std::string CaseName(const std::string& name) { return name.substr(0, name.find("/min_time")); }

// Medians when the runs were repeated, else the single runs.
void PrintRatios(const char* title, const std::string& baseline, const char* prefix) {
    bool repeated = false;
    for (const auto& [name, ns] : g_results) repeated = repeated || EndsWith(name, "_median");
    const std::string suffix = repeated ? "_median" : "";
    double base = 0;
    for (const auto& [name, ns] : g_results)
        if (name.rfind(baseline, 0) == 0 && EndsWith(name, suffix)) base = ns;
    if (base <= 0) return;
    std::printf("\n%s\n", title);
    for (const auto& [name, ns] : g_results) {
        if (name.rfind(prefix, 0) != 0 || !EndsWith(name, suffix)) continue;
        const std::string shown = CaseName(name);
        const bool goal = EndsWith(shown, "type:1/mode:1") || EndsWith(shown, "type:2/mode:1");
        std::printf("  %-28s %.2f%s\n", shown.c_str(), base / ns, goal ? "   (goal >= 0.50)" : "");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios("64 x 48 pictures over a 640 x 480 screen, against memcpy of the same rows:", "BM_MemcpyTiles",
                "BM_Tiles/");
    PrintRatios("One 640 x 480 picture, against memcpy of the same rows:", "BM_MemcpyScreen", "BM_Screen/");
    benchmark::Shutdown();
    return 0;
}
