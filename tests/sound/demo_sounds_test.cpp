// The demo's synthesised sounds: every wave the game asks for is there and plays.
#include "sound_fixture.h"

#include "tools/datagen/sound_synth.h"

namespace {

using DemoSoundsTest = SoundFixture;

TEST_F(DemoSoundsTest, EveryWaveTheGameNamesIsMadeAndOpens) {
    ASSERT_FALSE(datagen::WriteDemoSounds(dir.string()).empty());
    const char* effects[] = {
        "milup4.wav", "horslup1.wav", "eleflup1.wav", "eleflup2.wav", "eleflup3.wav", "charlup1.wav", "cavlup1.wav",
        "hcav1.wav", "hcav2.wav", "hcav3.wav", "swup4.wav", "batmove.wav", "splash.wav", "splasha.wav",
        "musfire1.wav", "mushits1.wav", "batfire1.wav", "bathits1.wav", "shoklup1.wav", "shoklup2.wav",
        "sordlup2.wav", "sordlup3.wav", "horsbat.wav", "batsmash.wav", "cheer.wav", "rally.wav", "restore.wav",
        "hors1.wav", "hors2.wav", "cavmnt1.wav", "cavdis1.wav", "limber1.wav", "river.wav", "river1.wav",
        "river2.wav", "waves.wav", "volt1.wav", "volt2.wav", "volt3.wav", "volt4.wav", "volt5.wav",
        "start.wav", "track1.wav", "track2.wav", "track3.wav", "track4.wav", "victory.wav", "defeat.wav"};
    for (const char* name : effects) {
        WaveFile w;
        ASSERT_EQ(w.Open(Path(name), 0), 1) << name;
        EXPECT_GT(w.DataLength(), 0u) << name;
    }
    // The loops stream (a loop set after the first wave keeps a shorter wave's own buffer).
    for (const char* name : {"milup4.wav", "river.wav", "volt3.wav", "shoklup1.wav", "splash.wav"}) {
        WaveFile w;
        w.Open(Path(name), 0);
        EXPECT_GT(w.DataLength(), 61440u) << name;
    }
    for (int track = 1; track <= 9; ++track) {
        PCMWAVEFORMAT f;
        std::vector<std::uint8_t> data;
        EXPECT_EQ(platform::ReadWave(Path("track0" + std::to_string(track) + ".wav"), f, data), 0u) << track;
    }
    EXPECT_TRUE(WaveFile::RefusedFiles().empty());
}

TEST_F(DemoSoundsTest, TheSynthesisIsTheSameEveryRun) {
    EXPECT_EQ(datagen::MusketVolley(kRate, 0.5, 3), datagen::MusketVolley(kRate, 0.5, 3));
    EXPECT_NE(datagen::MusketVolley(kRate, 0.5, 3), datagen::MusketVolley(kRate, 0.5, 4));
    const auto cannon = datagen::Cannon(kRate, 1.0, 1);
    ASSERT_EQ(cannon.size(), kRate);
    EXPECT_NE(*std::max_element(cannon.begin(), cannon.end()), 0);
}

} // namespace
