#include "platform/sdl/sdl_audio.h"

#include "platform/audio.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

namespace platform::sdl {
namespace {

// Mixed frames wait here for the device; more than two seconds behind means the device has
// stalled, and the oldest are dropped rather than kept without bound.
class DeviceSink final : public AudioSink {
public:
    void Consume(const std::int16_t* frames, std::size_t count) override {
        std::lock_guard<std::mutex> g(lock);
        samples.insert(samples.end(), frames, frames + count * 2);
        const std::size_t limit = static_cast<std::size_t>(MixerRate()) * 2 * 2;
        if (samples.size() > limit) samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(samples.size() - limit));
    }
    // Fills out with what is waiting, silence for the rest.
    std::size_t Take(std::int16_t* out, std::size_t wanted) {
        std::lock_guard<std::mutex> g(lock);
        const std::size_t n = std::min(wanted, samples.size());
        std::copy(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n), out);
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n));
        std::fill(out + n, out + wanted, std::int16_t{0});
        return n;
    }

private:
    std::mutex lock;
    std::deque<std::int16_t> samples;
};

DeviceSink sink;
SDL_AudioDeviceID device = 0;
std::atomic<unsigned long> framesPlayed{0};

void Callback(void*, Uint8* stream, int len) {
    MixAudio();
    const std::size_t wanted = static_cast<std::size_t>(len) / sizeof(std::int16_t);
    sink.Take(reinterpret_cast<std::int16_t*>(stream), wanted);
    framesPlayed += static_cast<unsigned long>(wanted / 2);
}

} // namespace

bool StartAudio() {
    if (device) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(MixerRate());
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = Callback;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    framesPlayed = 0;
    SetAudioSink(&sink);
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void StopAudio() {
    if (!device) return;
    SetAudioSink(nullptr);
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioRunning() { return device != 0; }

unsigned long FramesPlayed() { return framesPlayed.load(); }

} // namespace platform::sdl
