// The platform's mixer and sound buffers: what is heard, sample by sample, on the virtual clock.
#include "sound_fixture.h"

#include <cmath>
#include <cstring>

namespace {

class MixerTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* b : buffers) b->Release();
        ds->Release();
        SoundFixture::TearDown();
    }
    IDirectSoundBuffer* Make(PCMWAVEFORMAT f, DWORD bytes) {
        DSBUFFERDESC d;
        d.dwSize = 20;
        d.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
        d.dwBufferBytes = bytes;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        if (b) buffers.push_back(b);
        return b;
    }
    static PCMWAVEFORMAT Format(WORD channels, WORD bits, DWORD rate = kRate) {
        PCMWAVEFORMAT f;
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = channels;
        f.wBitsPerSample = bits;
        f.nSamplesPerSec = rate;
        f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
        f.nAvgBytesPerSec = rate * f.nBlockAlign;
        return f;
    }
    static void Fill(IDirectSoundBuffer* b, const void* data, DWORD n) {
        void* p1;
        DWORD n1;
        void* p2;
        DWORD n2;
        ASSERT_EQ(b->Lock(0, n, &p1, &n1, &p2, &n2, 0), DS_OK);
        std::memcpy(p1, data, n1);
        ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    }
    IDirectSound* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

// Two buffers, one 16-bit stereo at full volume, one 8-bit mono attenuated and panned right:
// every output frame is the sum of what each contributes.
TEST_F(MixerTest, MixesTwoBuffersSampleBySample) {
    const std::int16_t stereo[8] = {100, -100, 200, -200, 300, -300, 400, -400};
    const std::uint8_t mono[4] = {128 + 10, 128 - 20, 128 + 30, 128};
    IDirectSoundBuffer* a = Make(Format(2, 16), sizeof stereo);
    IDirectSoundBuffer* b = Make(Format(1, 8), sizeof mono);
    Fill(a, stereo, sizeof stereo);
    Fill(b, mono, sizeof mono);
    ASSERT_EQ(b->SetVolume(-600), DS_OK);
    ASSERT_EQ(b->SetPan(300), DS_OK);
    platform::StartAudioCapture();
    a->Play(0, 0, 0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    Advance(1); // 11 frames at 11025 Hz
    const auto out = platform::CapturedAudio();
    ASSERT_EQ(out.size(), 22u);
    const double gain = std::pow(10.0, -600 / 2000.0);
    const double leftPan = std::pow(10.0, -300 / 2000.0);
    for (int i = 0; i < 11; ++i) {
        const int m = (static_cast<int>(mono[i % 4]) - 128) * 256;
        const int l = i < 4 ? stereo[2 * i] : 0;
        const int r = i < 4 ? stereo[2 * i + 1] : 0;
        EXPECT_EQ(out[2 * i], std::lround(l + m * gain * leftPan)) << "frame " << i;
        EXPECT_EQ(out[2 * i + 1], std::lround(r + m * gain)) << "frame " << i;
    }
    DWORD play = 1, status = 1;
    a->GetCurrentPosition(&play, nullptr);
    a->GetStatus(&status);
    EXPECT_EQ(play, 0u) << "a buffer played once is back at its start";
    EXPECT_EQ(status, 0u);
    b->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, (11u % 4u) * 1u) << "a looping buffer goes round";
}

TEST_F(MixerTest, FrequencyAndSilenceAndClamping) {
    std::int16_t loud[5] = {30000, 30000, 30000, 30000, 30000};
    // Recorded at twice the output rate: played at its own rate it moves two frames an output frame.
    IDirectSoundBuffer* a = Make(Format(1, 16, 2 * kRate), sizeof loud);
    IDirectSoundBuffer* b = Make(Format(1, 16), sizeof loud);
    Fill(a, loud, sizeof loud);
    Fill(b, loud, sizeof loud);
    platform::StartAudioCapture();
    a->Play(0, 0, DSBPLAY_LOOPING);
    b->Play(0, 0, DSBPLAY_LOOPING);
    DWORD before = 0, after = 0;
    Advance(1); // 11 output frames
    a->GetCurrentPosition(&after, nullptr);
    EXPECT_EQ(after, (22u % 5u) * 2u);
    EXPECT_EQ(platform::CapturedAudio()[0], 32767) << "the sum is clamped, not wrapped";
    b->SetVolume(DSBVOLUME_MIN);
    a->SetFrequency(kRate);
    platform::StartAudioCapture();
    a->GetCurrentPosition(&before, nullptr);
    Advance(2); // 22 output frames, now one source frame each
    a->GetCurrentPosition(&after, nullptr);
    EXPECT_EQ((after + 10 - before) % 10, (22u % 5u) * 2u);
    EXPECT_EQ(platform::CapturedAudio()[0], 30000) << "a silenced buffer adds nothing";
    EXPECT_EQ(a->SetFrequency(7), DSERR_INVALIDPARAM);
    EXPECT_EQ(a->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(a->SetPan(-10001), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, ABufferReleasedWhilePlayingLeavesTheMix) {
    std::int16_t data[64];
    for (int i = 0; i < 64; ++i) data[i] = 1000;
    IDirectSoundBuffer* a = Make(Format(1, 16), sizeof data);
    Fill(a, data, sizeof data);
    a->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(platform::PlayingSoundBuffers(), 1);
    buffers.clear();
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(platform::LiveSoundBuffers(), 0);
    platform::StartAudioCapture();
    Advance(10);
    const auto out = platform::CapturedAudio();
    ASSERT_FALSE(out.empty());
    for (std::int16_t s : out) ASSERT_EQ(s, 0);
}

TEST_F(MixerTest, LockGivesTwoPartsWhenTheRegionWraps) {
    IDirectSoundBuffer* a = Make(Format(1, 16), 100);
    void* p1;
    DWORD n1;
    void* p2;
    DWORD n2;
    ASSERT_EQ(a->Lock(80, 40, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 20u);
    EXPECT_EQ(n2, 20u);
    EXPECT_EQ(static_cast<std::uint8_t*>(p1) - static_cast<std::uint8_t*>(p2), 80);
    a->Unlock(p1, n1, p2, n2);
    EXPECT_EQ(a->Lock(100, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(a->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(a->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, RefusesBuffersItCannotPlay) {
    struct Case {
        const char* what;
        PCMWAVEFORMAT format;
        DWORD bytes;
        DWORD size;
    };
    PCMWAVEFORMAT zeroRate = Format(1, 16);
    zeroRate.nSamplesPerSec = 0;
    zeroRate.nAvgBytesPerSec = 0;
    PCMWAVEFORMAT badAlign = Format(2, 16);
    badAlign.nBlockAlign = 2;
    PCMWAVEFORMAT badRate = Format(1, 16);
    badRate.nAvgBytesPerSec = 12345;
    PCMWAVEFORMAT notPcm = Format(1, 16);
    notPcm.wFormatTag = 3;
    const Case cases[] = {
        {"zero rate", zeroRate, 100, 20},  {"block size", badAlign, 100, 20},
        {"byte rate", badRate, 100, 20},   {"not PCM", notPcm, 100, 20},
        {"24-bit", Format(1, 24), 99, 20}, {"three channels", Format(3, 16), 96, 20},
        {"no bytes", Format(1, 16), 0, 20}, {"record size", Format(1, 16), 100, 24},
    };
    for (const Case& c : cases) {
        PCMWAVEFORMAT f = c.format;
        DSBUFFERDESC d;
        d.dwSize = c.size;
        d.dwBufferBytes = c.bytes;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM) << c.what;
        EXPECT_EQ(b, nullptr) << c.what;
    }
}

TEST_F(MixerTest, NoDeviceNoSoundObject) {
    platform::SetSoundDevice(false);
    IDirectSound* none = reinterpret_cast<IDirectSound*>(1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &none, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(none, nullptr);
    platform::SetSoundDevice(true);
}

TEST_F(MixerTest, TheCaptureIsWrittenAsAWaveThatReadsBack) {
    std::int16_t data[4] = {5, 6, 7, 8};
    IDirectSoundBuffer* a = Make(Format(1, 16), sizeof data);
    Fill(a, data, sizeof data);
    platform::StartAudioCapture();
    a->Play(0, 0, 0);
    Advance(1);
    ASSERT_TRUE(platform::WriteCapturedWav(Path("capture.wav")));
    PCMWAVEFORMAT f;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(platform::ReadWave(Path("capture.wav"), f, bytes), 0u);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, kRate);
    ASSERT_EQ(bytes.size(), 11u * 4);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 5);
    EXPECT_EQ(bytes[12] | bytes[13] << 8, 8);
    EXPECT_EQ(bytes[16] | bytes[17] << 8, 0);
}

} // namespace

namespace {

TEST_F(MixerTest, AClockJumpIsNotPlayedOut) {
    std::int16_t data[4] = {9, 9, 9, 9};
    IDirectSoundBuffer* a = Make(Format(1, 16), sizeof data);
    Fill(a, data, sizeof data);
    a->Play(0, 0, DSBPLAY_LOOPING);
    platform::StartAudioCapture();
    platform::SetClock(500); // backwards: to the mixer, four billion milliseconds ahead
    platform::MixAudio();
    EXPECT_TRUE(platform::CapturedAudio().empty());
    Advance(1);
    EXPECT_EQ(platform::CapturedAudio().size(), 22u) << "and it goes on from the new time";
}

} // namespace
