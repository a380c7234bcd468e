#pragma once
// A fresh sound world for each test: a BasicApp on the virtual clock whose data directory is a
// new temporary directory, the mixer at the waves' rate (so a buffer's frame is an output frame)
// capturing everything it mixes, no CD, the sound device present, a fixed sound random seed.
#include "core/basic_app.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/mci.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "sound/sound_random.h"
#include "sound/wave_file.h"
#include "tools/datagen/byte_writer.h"
#include "tools/datagen/wave_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class SoundFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t kRate = 11025;

    void SetUp() override {
        platform::UseVirtualClock(1000);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        platform::ResetMci();
        platform::SetSoundDevice(true);
        platform::SetMixerRate(kRate);
        platform::StartAudioCapture();
        WaveFile::ForgetRefusedFiles();
        SeedSoundRandom(7);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("vh_sound_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        app = std::make_unique<BasicApp>();
        app->SetDataDirectory(dir.string());
    }
    void TearDown() override {
        app.reset();
        platform::StopAudioCapture();
        platform::ResetMci();
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        std::filesystem::remove_all(dir);
    }

    // Samples 1, 2, 3, ... from `first`, so every sample tells where it came from.
    static std::vector<std::int16_t> Ramp(std::size_t n, int first) {
        std::vector<std::int16_t> s(n);
        for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(first + static_cast<int>(i % 20000));
        return s;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    // A wave of the game's layout (16-bit mono at kRate unless told).
    std::string WriteWave(const std::string& name, const std::vector<std::int16_t>& samples,
                          datagen::WaveFormat format = {1, kRate, 16}) {
        datagen::WriteFile(Path(name), datagen::GameWave(format, datagen::Pcm16(samples)));
        return Path(name);
    }
    void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) { datagen::WriteFile(Path(name), bytes); }
    // The left channel of everything mixed so far.
    static std::vector<std::int16_t> Left() {
        const auto all = platform::CapturedAudio();
        std::vector<std::int16_t> left(all.size() / 2);
        for (std::size_t i = 0; i < left.size(); ++i) left[i] = all[2 * i];
        return left;
    }
    static void Advance(DWORD ms) { platform::AdvanceClock(ms); }

    std::filesystem::path dir;
    std::unique_ptr<BasicApp> app;
};
