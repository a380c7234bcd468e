// The MCI stand-in: command strings for waves, the "cdaudio" device over a directory of tracks,
// and the completion notices it posts.
#include "sound_fixture.h"

#include "platform/window.h"

#include <cmath>
#include <thread>

namespace {

class MciTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        std::filesystem::create_directories(dir / "cd");
        // Track n lasts n seconds, at 100 Hz so the files stay small.
        for (int track = 1; track <= 3; ++track)
            datagen::WriteFile(Path("cd/track0" + std::to_string(track) + ".wav"),
                               datagen::PlainWave({1, 100, 16}, datagen::Pcm16(Ramp(100u * track, track * 1000))));
    }
    MCIDEVICEID OpenCd() {
        platform::SetCdAudioDirectory(Path("cd"));
        MCI_OPEN_PARMSA open;
        open.lpstrDeviceType = "cdaudio";
        EXPECT_EQ(mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)), 0u);
        MCI_SET_PARMS set;
        set.dwTimeFormat = MCI_FORMAT_TMSF;
        EXPECT_EQ(mciSendCommand(open.wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)), 0u);
        return open.wDeviceID;
    }
    MCIERROR Play(MCIDEVICEID id, int track, DWORD seconds, bool notify) {
        MCI_PLAY_PARMS play;
        play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
        play.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
        play.dwTo = MCI_MAKE_TMSF(track, 0, seconds, 0);
        return mciSendCommand(id, MCI_PLAY, MCI_FROM | MCI_TO | (notify ? MCI_NOTIFY : 0), reinterpret_cast<DWORD_PTR>(&play));
    }
    // The notice codes waiting in the queue, oldest first.
    static std::vector<WPARAM> Notices() {
        std::vector<WPARAM> codes;
        MSG msg;
        while (PeekMessage(&msg, nullptr, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) codes.push_back(msg.wParam);
        return codes;
    }
    HWND window = nullptr;
};

TEST_F(MciTest, OpeningTheCdFailsWithoutOne) {
    MCI_OPEN_PARMSA open;
    open.lpstrDeviceType = "cdaudio";
    EXPECT_NE(mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)), 0u);
    EXPECT_EQ(platform::OpenMciDevices(), 0);
    EXPECT_EQ(auxGetNumDevs(), 0u);
}

TEST_F(MciTest, TrackLengthIsMinutesAndSeconds) {
    const MCIDEVICEID id = OpenCd();
    MCI_STATUS_PARMS status;
    status.dwItem = MCI_STATUS_LENGTH;
    status.dwTrack = 3;
    ASSERT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)), 0u);
    EXPECT_EQ(MCI_MSF_MINUTE(static_cast<DWORD>(status.dwReturn)), 0);
    EXPECT_EQ(MCI_MSF_SECOND(static_cast<DWORD>(status.dwReturn)), 3);
    status.dwTrack = 9;
    EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)),
              MCIERR_OUTOFRANGE);
    EXPECT_EQ(mciSendCommand(id + 50, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
              MCIERR_INVALID_DEVICE_ID);
}

// A play with notify ends in exactly one notice: successful at its end, aborted when stopped,
// superseded when another play replaces it; a play without notify sends none.
TEST_F(MciTest, NoticesSayHowAPlayEnded) {
    const MCIDEVICEID id = OpenCd();
    ASSERT_EQ(Play(id, 2, 2, true), 0u);
    EXPECT_EQ(platform::PlayingCdTrack(id), 2);
    Advance(1990);
    platform::MixAudio();
    EXPECT_TRUE(Notices().empty());
    Advance(20);
    platform::MixAudio();
    EXPECT_EQ(Notices(), (std::vector<WPARAM>{MCI_NOTIFY_SUCCESSFUL}));
    EXPECT_EQ(platform::PlayingCdTrack(id), 0);

    ASSERT_EQ(Play(id, 3, 3, true), 0u);
    ASSERT_EQ(Play(id, 1, 1, true), 0u);
    EXPECT_EQ(Notices(), (std::vector<WPARAM>{MCI_NOTIFY_SUPERSEDED}));
    EXPECT_EQ(mciSendCommand(id, MCI_STOP, 0, 0), 0u);
    EXPECT_EQ(Notices(), (std::vector<WPARAM>{MCI_NOTIFY_ABORTED}));

    ASSERT_EQ(Play(id, 1, 1, false), 0u);
    Advance(3000);
    platform::MixAudio();
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, 0, 0), 0u);
    EXPECT_EQ(platform::OpenMciDevices(), 0);
}

// With a live backend the sound device's thread mixes and so finds the end of a track; the
// notice still reaches the thread that asked for it.
TEST_F(MciTest, ANoticeFoundByAnotherThreadReachesThePlayer) {
    const MCIDEVICEID id = OpenCd();
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE); // this thread's queue exists
    ASSERT_EQ(Play(id, 1, 1, true), 0u);
    Advance(1500);
    std::thread mixer([] { platform::MixAudio(); });
    mixer.join();
    EXPECT_EQ(Notices(), (std::vector<WPARAM>{MCI_NOTIFY_SUCCESSFUL}));
}

TEST_F(MciTest, TheCdPlaysThroughTheMixerAtTheAuxVolume) {
    const MCIDEVICEID id = OpenCd();
    platform::SetMixerRate(100);
    ASSERT_EQ(auxGetNumDevs(), 1u);
    AUXCAPSA caps;
    ASSERT_EQ(auxGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.wTechnology, AUXCAPS_CDAUDIO);
    ASSERT_EQ(auxSetVolume(0, 0x8000u | 0xFFFFu << 16), MMSYSERR_NOERROR);
    platform::StartAudioCapture();
    ASSERT_EQ(Play(id, 1, 1, false), 0u);
    Advance(50);
    const auto out = platform::CapturedAudio();
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[1], 1000) << "right at full volume";
    EXPECT_EQ(out[0], std::lround(1000 * (0x8000 / 65535.0))) << "left at half";
    EXPECT_EQ(out[9], 1004);
}

TEST_F(MciTest, CommandStrings) {
    char answer[16] = "";
    EXPECT_EQ(mciSendStringA("capability waveaudio can play", answer, sizeof answer, nullptr), 0u);
    EXPECT_STREQ(answer, "true");
    WriteWave("ok.wav", Ramp(50, 1));
    EXPECT_EQ(mciSendStringA(("play " + Path("ok.wav")).c_str(), nullptr, 0, nullptr), 0u);
    EXPECT_EQ(mciSendStringA(("load " + Path("none.wav")).c_str(), nullptr, 0, nullptr), MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(mciSendStringA("dance", nullptr, 0, nullptr), MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(mciSendStringA("close all", nullptr, 0, nullptr), 0u);
    EXPECT_EQ(platform::OpenMciDevices(), 0);
    char text[128];
    EXPECT_TRUE(mciGetErrorStringA(MCIERR_FILE_NOT_FOUND, text, sizeof text));
    EXPECT_STRNE(text, "");
    EXPECT_FALSE(mciGetErrorStringA(12345, text, sizeof text));
    platform::SetSoundDevice(false);
    EXPECT_NE(mciSendStringA("capability waveaudio can play", nullptr, 0, nullptr), 0u);
    platform::SetSoundDevice(true);
}

// Wave files read chunk by chunk: anything that does not hold together is refused.
TEST_F(MciTest, DamagedWavesAreRefused) {
    const auto good = datagen::PlainWave({1, kRate, 16}, datagen::Pcm16(Ramp(10, 1)));
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"RIFF tag", 0, {'R', 'I', 'F', 'X'}},
        {"RIFF size past the end", 4, {0xFF, 0, 0, 0}},
        {"WAVE tag", 8, {'W', 'A', 'V', 'X'}},
        {"format size", 16, {8, 0, 0, 0}},
        {"format tag", 20, {2, 0}},
        {"channels", 22, {0, 0}},
        {"rate 0", 24, {0, 0, 0, 0}},
        {"byte rate", 28, {1, 0, 0, 0}},
        {"block size", 32, {4, 0}},
        {"bits", 34, {12, 0}},
        {"data size past the end", 40, {0xFF, 0xFF, 0, 0}},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.at));
        WriteBytes("bad.wav", bytes);
        PCMWAVEFORMAT f;
        std::vector<std::uint8_t> data;
        EXPECT_EQ(platform::ReadWave(Path("bad.wav"), f, data), MCIERR_INVALID_FILE) << c.what;
    }
    auto truncated = good;
    truncated.resize(30);
    WriteBytes("short.wav", truncated);
    PCMWAVEFORMAT f;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(platform::ReadWave(Path("short.wav"), f, data), MCIERR_INVALID_FILE);
    WriteBytes("good.wav", good);
    EXPECT_EQ(platform::ReadWave(Path("good.wav"), f, data), 0u);
    EXPECT_EQ(data.size(), 20u);
}

} // namespace
