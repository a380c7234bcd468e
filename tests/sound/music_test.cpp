// Music: the wave groups and the CD, by mode, switched and rotated.
#include "sound_fixture.h"

#include "core/events.h"
#include "platform/window.h"
#include "sound/vh_sound_manager.h"

namespace {

class MusicTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        VhSoundManager::ResetMusicCounters();
        int n = 0;
        for (const char* name : {"start.wav", "track1.wav", "track2.wav", "track3.wav", "track4.wav", "victory.wav", "defeat.wav"})
            WriteWave(name, Ramp(4000, 1000 * ++n));
        std::filesystem::create_directories(dir / "cd");
        for (int track = 1; track <= 10; ++track) {
            char name[32];
            std::snprintf(name, sizeof name, "cd/track%02d.wav", track);
            datagen::WriteFile(Path(name), datagen::PlainWave({1, 100, 16}, datagen::Pcm16(Ramp(250, track * 100))));
        }
        sender = std::make_unique<Component>("sender");
        sender->AttachToBus(app.get());
    }
    void TearDown() override {
        manager.reset();
        sender.reset();
        SoundFixture::TearDown();
    }
    void Make(std::uint32_t selector, std::uint16_t offset = 0) {
        if (selector == 2) platform::SetCdAudioDirectory(Path("cd"));
        manager = std::make_unique<VhSoundManager>(selector, offset);
        manager->AttachToBus(app.get());
    }
    void Post(const char* name, short value) {
        Container<short> c(value);
        sender->PostNamed(name, &c);
    }
    bool GroupPlays(int which) {
        SoundGroup* g = manager->GroupAt(manager->MusicGroup(which));
        return g && g->IsPlaying();
    }
    std::vector<bool> Playing() { return {GroupPlays(0), GroupPlays(1), GroupPlays(2), GroupPlays(3)}; }
    int CdTrack() { return platform::PlayingCdTrack(manager->CdDevice()); }
    // Seconds of the application's timers, as the message loop would run them.
    void RunSeconds(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            Advance(1000);
            while (platform::PendingMessageCount() > 0 || app->TimerSlotsInUse() > 0) {
                MSG msg;
                if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) break;
                app->PumpMessage();
            }
        }
    }
    std::unique_ptr<VhSoundManager> manager;
    std::unique_ptr<Component> sender;
};

TEST_F(MusicTest, WaveMusicFollowsTheGame) {
    Make(0);
    for (int which = 0; which < 4; ++which) {
        SoundGroup* g = manager->GroupAt(manager->MusicGroup(which));
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->VolumeClass(), VhSoundManager::MusicClass);
    }
    EXPECT_EQ(manager->GroupAt(manager->MusicGroup(1))->WaveCount(), 4);
    EXPECT_EQ(manager->GroupAt(manager->MusicGroup(1))->BufferBytes(), DirectX2Wave::kLargeStreamBytes)
        << "the tracks loop, so they stream through a large buffer";
    manager->SetMusicMode(VhSoundManager::StartMusicMode);
    manager->StartMusic();
    EXPECT_EQ(Playing(), (std::vector<bool>{true, false, false, false}));
    sender->PostEvent(BEGIN_GAME);
    EXPECT_EQ(manager->GetMusicMode(), VhSoundManager::InGameMusic);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, true, false, false}));
    Post("EndGameMusic", 0);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, false, false, true}));
    Post("EndGameMusic", 1);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, false, true, false}));
}

TEST_F(MusicTest, ToggleMusicRestartsThePieceOfTheMode) {
    Make(0);
    sender->PostEvent(BEGIN_GAME);
    platform::StartAudioCapture();
    Post("ToggleMusic", 1);
    EXPECT_TRUE(GroupPlays(1)) << "the value it already has changes nothing";
    Post("ToggleMusic", 0);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(manager->ClassOff(VhSoundManager::MusicClass));
    EXPECT_FALSE(manager->MusicPlaying());
    Post("ToggleMusic", 1);
    EXPECT_TRUE(GroupPlays(1));
    EXPECT_EQ(manager->GroupAt(manager->MusicGroup(1))->PlayPosition(), 0u) << "from the beginning";
    Post("MusicVolume", 5000);
    EXPECT_EQ(manager->ClassAttenuation(VhSoundManager::MusicClass), -999);
}

TEST_F(MusicTest, NoCdDisablesAllMusic) {
    Make(0);
    ContainerBase* state = sender->SendNamedEvent("MusicState");
    short enabled = -1;
    EXPECT_TRUE(ExtractData(state, enabled));
    EXPECT_EQ(enabled, 1);
    delete state;
    sender->PostNamedEvent("CDNotPresent");
    state = sender->SendNamedEvent("MusicState");
    EXPECT_TRUE(ExtractData(state, enabled));
    EXPECT_EQ(enabled, 0);
    delete state;
    sender->PostEvent(BEGIN_GAME);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, false, false, false}));
}

TEST_F(MusicTest, CdTracksByModeWithTheOffset) {
    Make(2, 1);
    ASSERT_NE(manager->CdDevice(), 0u);
    EXPECT_EQ(manager->MusicGroup(0), kNoSoundGroup) << "no wave music with the CD";
    manager->SetMusicMode(VhSoundManager::StartMusicMode);
    manager->StartMusic();
    EXPECT_EQ(CdTrack(), 3);
    sender->PostEvent(BEGIN_GAME);
    EXPECT_EQ(CdTrack(), 4);
    EXPECT_EQ(VhSoundManager::InGameTrackCounter(), 4);
    Post("ToggleMusic", 0);
    EXPECT_EQ(CdTrack(), 0);
    Post("ToggleMusic", 1);
    EXPECT_EQ(CdTrack(), 5) << "the next in-game track";
    Post("EndGameMusic", 1);
    EXPECT_EQ(CdTrack(), 10);
    Post("EndGameMusic", 0);
    EXPECT_EQ(CdTrack(), 9);
}

TEST_F(MusicTest, TheInGameCounterWrapsAndOutlivesTheManager) {
    Make(2);
    manager->SetMusicMode(VhSoundManager::InGameMusic);
    std::vector<int> tracks;
    for (int i = 0; i < 6; ++i) {
        manager->PlayInGameMusic();
        tracks.push_back(CdTrack());
    }
    EXPECT_EQ(tracks, (std::vector<int>{3, 4, 5, 6, 7, 3}));
    manager.reset();
    Make(2);
    sender->PostEvent(BEGIN_GAME);
    EXPECT_EQ(CdTrack(), 4) << "the counter is the program's, not the game's";
}

// A track that ends by itself starts a minute's pause, then the next track; a notice of a stopped
// or replaced track starts nothing.
TEST_F(MusicTest, TheNextCdTrackFollowsAMinuteAfterTheEnd) {
    Make(2);
    sender->PostEvent(BEGIN_GAME);
    ASSERT_EQ(CdTrack(), 3);
    Container<long> aborted(static_cast<long>(MCI_NOTIFY_ABORTED));
    sender->PostNamed("MCINotify", &aborted);
    EXPECT_FALSE(manager->PauseTimerRunning());
    Advance(3000);
    platform::MixAudio();
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE));
    EXPECT_EQ(msg.wParam, MCI_NOTIFY_SUCCESSFUL);
    // The main frame relays the notice's code as a short.
    Container<short> code(static_cast<short>(msg.wParam));
    sender->PostNamed("MCINotify", &code);
    sender->PostNamed("MCINotify", &code);
    EXPECT_TRUE(manager->PauseTimerRunning());
    EXPECT_EQ(app->TimerSlotsInUse(), 1) << "one pause, however many notices";
    RunSeconds(60);
    EXPECT_EQ(CdTrack(), 0);
    RunSeconds(1);
    EXPECT_EQ(CdTrack(), 4);
    EXPECT_FALSE(manager->PauseTimerRunning());
    EXPECT_EQ(app->TimerSlotsInUse(), 0);
}

TEST_F(MusicTest, CdMusicVolumeGoesToTheAuxiliaryDevice) {
    Make(2);
    Post("MusicVolume", 1000);
    DWORD volume = 0;
    ASSERT_EQ(auxGetVolume(0, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 6553u | 6553u << 16);
    Post("MusicVolume", 10000);
    auxGetVolume(0, &volume);
    EXPECT_EQ(volume, 0xFFFFFFFFu);
}

TEST_F(MusicTest, WithoutACdTheDeviceStaysUnsetAndNothingIsShown) {
    manager = std::make_unique<VhSoundManager>(2, 0);
    manager->AttachToBus(app.get());
    EXPECT_EQ(manager->CdDevice(), 0u);
    sender->PostEvent(BEGIN_GAME);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

} // namespace
