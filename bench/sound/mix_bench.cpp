// The mixer against a plain loop that sums the same buffers: what volume, pan and the play
// cursors cost per output second.
#include "platform/audio.h"
#include "platform/clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kRate = 22050;
constexpr DWORD kBytes = 61440;

void MixBuffers(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    platform::UseVirtualClock(0);
    platform::SetMixerRate(kRate);
    platform::SetAudioSink(nullptr);
    IDirectSound* ds = nullptr;
    DirectSoundCreate(nullptr, &ds, nullptr);
    PCMWAVEFORMAT f{WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16};
    std::vector<IDirectSoundBuffer*> buffers;
    std::vector<std::uint8_t> data(kBytes);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    for (int i = 0; i < n; ++i) {
        DSBUFFERDESC d;
        d.dwSize = 20;
        d.dwBufferBytes = kBytes;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        ds->CreateSoundBuffer(&d, &b, nullptr);
        void* p1;
        DWORD n1;
        void* p2;
        DWORD n2;
        b->Lock(0, kBytes, &p1, &n1, &p2, &n2, 0);
        std::memcpy(p1, data.data(), n1);
        b->Unlock(p1, n1, p2, n2);
        b->SetVolume(-300 * (i % 4));
        b->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(b);
    }
    for (auto _ : state) {
        platform::AdvanceClock(1000);
        platform::MixAudio();
    }
    state.SetItemsProcessed(state.iterations() * kRate);
    for (IDirectSoundBuffer* b : buffers) b->Release();
    ds->Release();
}
BENCHMARK(MixBuffers)->Arg(1)->Arg(4)->Arg(16);

// The floor: one second of the same buffers summed into 16-bit stereo, clamped, nothing more.
void PlainSum(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<std::vector<std::int16_t>> sources(static_cast<std::size_t>(n), std::vector<std::int16_t>(kBytes / 2));
    for (auto& s : sources)
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(i * 7);
    std::vector<std::int16_t> out(kRate * 2);
    std::size_t at = 0;
    for (auto _ : state) {
        for (DWORD i = 0; i < kRate; ++i) {
            int sum = 0;
            for (const auto& s : sources) sum += s[at];
            at = at + 1 == sources[0].size() ? 0 : at + 1;
            const auto v = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
            out[2 * i] = v;
            out[2 * i + 1] = v;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kRate);
}
BENCHMARK(PlainSum)->Arg(1)->Arg(4)->Arg(16);

} // namespace
BENCHMARK_MAIN();
