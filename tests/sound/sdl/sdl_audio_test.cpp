// SDL audio as the real backend's sound output: the device takes what the mixer renders.
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/sdl/sdl_audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

TEST(SdlAudio, TheDeviceDrivesTheMixerOnTheRealClock) {
    // No sound card is needed: SDL's dummy driver takes the samples at the real rate.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::UseRealClock();
    platform::SetMixerRate(22050);
    ASSERT_TRUE(platform::sdl::StartAudio()) << "SDL's dummy audio driver should open";
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    PCMWAVEFORMAT f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.wBitsPerSample = 16;
    f.nSamplesPerSec = 22050;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 44100;
    DSBUFFERDESC d;
    d.dwSize = 20;
    d.dwBufferBytes = 44100;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    b->Play(0, 0, DSBPLAY_LOOPING);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    DWORD play = 0;
    while (std::chrono::steady_clock::now() < until && (platform::sdl::FramesPlayed() == 0 || play == 0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        b->GetCurrentPosition(&play, nullptr);
    }
    EXPECT_GT(platform::sdl::FramesPlayed(), 0u);
    EXPECT_GT(play, 0u) << "the play cursor moved with the clock";
    b->Release();
    ds->Release();
    platform::sdl::StopAudio();
    EXPECT_FALSE(platform::sdl::AudioRunning());
    platform::UseVirtualClock(0);
}

} // namespace
