// The map view drawn at each zoom, side by side with memcpy of the same bytes in the same run:
// a whole 1024 x 768 view redrawn (the landscape drawn afresh into the kept bitmap and copied to
// the window), and a scroll by one hex (the kept picture shifted, the uncovered strips drawn).
// Each case reports bytes per second over the view's bytes; memcpy of one view is the baseline.
#include "game/pictures/vh_sprite.h"
#include "landscape/game/vh_landscape_tile.h"
#include "landscape/game/vh_physical_layer.h"
#include "tests/landscape/landscape_fixture.h"
#include "tests/ui/control_fixture.h"
#include "tools/datagen/overview_art_writer.h"
#include "tools/datagen/terrain_art_writer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kViewW = 1024, kViewH = 768;
constexpr std::size_t kViewBytes = static_cast<std::size_t>(kViewW) * kViewH;

struct Scene {
    uitest::DataDirectory data;
    std::unique_ptr<WinApp> app;
    std::unique_ptr<landtest::LogicStandIn> logic;
    std::unique_ptr<VhPhysicalLayer> layer;
    std::unique_ptr<uitest::PlainWindow> window;
    std::unique_ptr<VhLandscapeTile> tiles[3];

    Scene() {
        uitest::ResetPlatform();
        data.Install();
        auto entries = datagen::terrain::WriteTerrainArt(data.Data());
        const auto game = datagen::terrain::WriteGameLandscapeArt(data.Data());
        const auto overview = datagen::overview::WriteOverviewMapArt(data.Data(), {"Bench Battle"});
        entries.insert(entries.end(), game.begin(), game.end());
        entries.insert(entries.end(), overview.begin(), overview.end());
        data.WriteIndex(entries);
        app = std::make_unique<WinApp>("Varnhold Demo", "", "");
        logic = std::make_unique<landtest::LogicStandIn>();
        logic->AttachToBus(app.get());
        layer = std::make_unique<VhPhysicalLayer>(0);
        layer->AttachToBus(app.get());
        landtest::TestMap map;
        map.columns = 60;
        map.rows = 60;
        logic->SendMap(map);
        window = std::make_unique<uitest::PlainWindow>(Point(0, 0), Dim(kViewW, kViewH));
        window->AttachToBus(app.get());
        window->Create(Dim(kViewW, kViewH), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
        for (std::uint16_t zoom = 0; zoom < 3; ++zoom) {
            tiles[zoom] = std::make_unique<VhLandscapeTile>(layer->CellTable(), layer->GridSize(), layer->MapSize(), zoom,
                                                            Point(0, 0), 0, "Bench Battle");
            tiles[zoom]->AttachToBus(layer.get());
        }
    }
    ~Scene() {
        for (auto& t : tiles) {
            if (t && t->GetParentDisplay()) t->Detach();
            if (t && t->GetBus()) t->DetachFromBus();
            t.reset();
        }
        window.reset();
        layer.reset();
        logic.reset();
        app.reset();
        uitest::ResetPlatform();
    }
    // The tile of a zoom over the whole window (one at a time shares the window's buffer).
    VhLandscapeTile& Show(int zoom) {
        for (auto& t : tiles)
            if (t->GetParentDisplay()) t->Detach();
        VhLandscapeTile& t = *tiles[zoom];
        t.Attach(window.get(), LayoutConstraints::Pixels(Box(0, 0, kViewW, kViewH)));
        t.ScrollTo(Point(4, 8));
        t.Redraw();
        return t;
    }
};

Scene* g_scene = nullptr;

void Memcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(kViewBytes, 7), to(kViewBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kViewBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kViewBytes));
}

// A jump of more than the view: everything is drawn again.
void RedrawWholeView(benchmark::State& state) {
    VhLandscapeTile& t = g_scene->Show(static_cast<int>(state.range(0)));
    const Dim view = t.GetViewSize();
    bool far = false;
    for (auto _ : state) {
        far = !far;
        t.ScrollTo(far ? Point(static_cast<std::int16_t>(4 + view.width + 1), 8) : Point(4, 8));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kViewBytes));
}

// One hex across (two cells) and back: the kept picture moves, the strip is drawn.
void ScrollOneHex(benchmark::State& state) {
    VhLandscapeTile& t = g_scene->Show(static_cast<int>(state.range(0)));
    bool right = false;
    for (auto _ : state) {
        right = !right;
        t.ScrollBy(Dim(static_cast<std::int16_t>(right ? 2 : -2), 0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kViewBytes));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Scene scene;
    g_scene = &scene;
    benchmark::RegisterBenchmark("Memcpy1024x768", Memcpy);
    benchmark::RegisterBenchmark("RedrawWholeView/zoom", RedrawWholeView)->DenseRange(0, 2);
    benchmark::RegisterBenchmark("ScrollOneHex/zoom", ScrollOneHex)->DenseRange(0, 2);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_scene = nullptr;
    return 0;
}
