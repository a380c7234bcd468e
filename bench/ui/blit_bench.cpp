// A 640 x 480 screen covered with 64 x 48 pictures, drawn in each source type and mode, beside
// memcpy of the same number of bytes in the same run; the ratios say how far each blitter is from
// a plain copy (1.0 = as fast as memcpy).
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
Bitmap& Picture(int type) {
    static std::map<int, Bitmap*> pictures;
    Bitmap*& p = pictures[type];
    if (!p) {
        p = new Bitmap(Dim(kTileW, kTileH), type);
        for (int y = 0; y < kTileH; ++y)
            for (int x = 0; x < kTileW; ++x) {
                std::uint8_t v = static_cast<std::uint8_t>(1 + (x * 7 + y * 3) % 250);
                if (x < 4 || y < 4) v = 0;
                if (x % 16 == 5) v = 255;
                p->GetPixels()[y * p->Stride() + x] = v;
            }
    }
    return *p;
}

double g_memcpyNs = 0;
std::map<std::string, double> g_results;

void BM_Memcpy(benchmark::State& state) {
    std::vector<std::uint8_t> src(kScreenW * kScreenH, 7), dst(kScreenW * kScreenH);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), dst.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kScreenW * kScreenH);
}

void BM_Screen(benchmark::State& state) {
    static BenchPalette palette;
    Bitmap::SetDrawingPalette(&palette);
    const int type = static_cast<int>(state.range(0)), mode = static_cast<int>(state.range(1));
    Bitmap screen(Dim(kScreenW, kScreenH), 1);
    screen.Fill(3);
    Bitmap& pic = Picture(type);
    for (auto _ : state) {
        for (int y = 0; y < kScreenH; y += kTileH)
            for (int x = 0; x < kScreenW; x += kTileW) screen.DrawAll(Point(x, y), pic, mode);
        benchmark::DoNotOptimize(screen.GetPixels());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kScreenW * kScreenH);
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_Screen)->ArgsProduct({{1, 2, 3, 5}, {1, 2, 3, 4, 5, 6}})->ArgNames({"type", "mode"});

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            const double ns = r.GetAdjustedRealTime();
            if (r.benchmark_name().rfind("BM_Memcpy", 0) == 0)
                g_memcpyNs = ns;
            else
                g_results[r.benchmark_name()] = ns;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_memcpyNs > 0) {
        std::printf("\nSpeed relative to memcpy of a 640 x 480 screen (goal for plain and transparent: >= 0.50)\n");
        for (const auto& [name, ns] : g_results) std::printf("  %-40s %.2f\n", name.c_str(), g_memcpyNs / ns);
    }
    benchmark::Shutdown();
    return 0;
}
