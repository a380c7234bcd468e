// The game's sound events: the bus messages and the pictures' sound codes, turned into groups.
#include "sound_fixture.h"

#include "core/events.h"
#include "platform/registry.h"
#include "sound/sound_preferences.h"
#include "sound/vh_sound_manager.h"

#include <cstdlib>

namespace {

class GameSoundTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        // Every wave the effects ask for, each a little different and long enough to stream.
        int n = 0;
        for (const char* name : {"rally.wav", "restore.wav", "river.wav", "river1.wav", "river2.wav", "waves.wav",
                                 "volt1.wav", "volt2.wav", "volt3.wav", "volt4.wav", "volt5.wav", "milup4.wav",
                                 "horslup1.wav", "splash.wav", "splasha.wav", "shoklup1.wav", "shoklup2.wav",
                                 "sordlup2.wav", "sordlup3.wav", "horsbat.wav", "batsmash.wav", "hors1.wav",
                                 "hors2.wav", "musfire1.wav", "batmove.wav", "cheer.wav"})
            WriteWave(name, Ramp(40000, 1000 * ++n));
        manager = std::make_unique<VhSoundManager>(0, 0);
        manager->AttachToBus(app.get());
        sender = std::make_unique<Component>("sender");
        sender->AttachToBus(app.get());
    }
    void TearDown() override {
        sender.reset();
        manager.reset();
        SoundFixture::TearDown();
    }
    void Post(const char* name) { sender->PostNamedEvent(name); }
    void Post(const char* name, short value) {
        Container<short> c(value);
        sender->PostNamed(name, &c);
    }
    // The groups that play a wave of that name now.
    int Playing(const std::string& name) {
        int n = 0;
        for (std::uint16_t i = 0; i < manager->GroupCount(); ++i)
            if (SoundGroup* g = manager->GroupAt(i); g && g->IsPlaying() && g->HasWave(WaveName(name))) ++n;
        return n;
    }
    // A wave's name as the manager builds it: the directory, a backslash, the file.
    std::string WaveName(const std::string& name) const { return dir.string() + "\\" + name; }
    bool IsPlaying(std::uint16_t group) {
        SoundGroup* g = manager->GroupAt(group);
        return g && g->IsPlaying();
    }
    std::unique_ptr<VhSoundManager> manager;
    std::unique_ptr<Component> sender;
};

TEST_F(GameSoundTest, MoraleMessagesPlayOneShots) {
    const std::pair<const char*, const char*> cases[] = {
        {"RallyUnit", "rally.wav"}, {"UnitRestoreMorale", "restore.wav"}, {"LeaderGroupRestoreMorale", "restore.wav"}};
    for (auto [message, wave] : cases) {
        const int before = Playing(wave);
        Post(message);
        EXPECT_EQ(Playing(wave), before + 1) << message;
    }
    for (std::uint16_t i = 0; i < manager->GroupCount(); ++i)
        if (SoundGroup* g = manager->GroupAt(i); g && g->WaveCount() == 1 && g->HasWave(WaveName("restore.wav"))) {
            EXPECT_TRUE(manager->SlotDeleteWhenDone(i)) << "a one-shot's group goes when it is done";
        }
}

TEST_F(GameSoundTest, AmbientWaitsForAmbientSoundToBeOn) {
    Post("RiverStart");
    const std::uint16_t river = manager->AmbientGroup(VhSoundManager::River);
    ASSERT_NE(river, kNoSoundGroup);
    EXPECT_FALSE(IsPlaying(river)) << "loaded, not played, while ambient sound is off";
    EXPECT_EQ(manager->GroupAt(river)->VolumeClass(), VhSoundManager::AmbientClass);
    Post("AmbientSoundOn", 1);
    EXPECT_TRUE(IsPlaying(river));
    Post("AmbientSoundOn", 0);
    EXPECT_FALSE(IsPlaying(river));
    EXPECT_TRUE(manager->ClassOff(VhSoundManager::AmbientClass));
}

TEST_F(GameSoundTest, StartingAnAmbientAgainReplacesItsGroup) {
    Post("AmbientSoundOn", 1);
    Post("OceanStart");
    const std::uint16_t first = manager->AmbientGroup(VhSoundManager::Ocean);
    Post("OceanStart");
    const std::uint16_t second = manager->AmbientGroup(VhSoundManager::Ocean);
    EXPECT_NE(first, second);
    EXPECT_FALSE(IsPlaying(first));
    EXPECT_TRUE(manager->SlotInUse(first)) << "stopped, keeping its slot";
    EXPECT_TRUE(IsPlaying(second));
    Post("WindStart");
    Post("MinorRiverStart");
    Post("AllAmbientStop");
    EXPECT_FALSE(IsPlaying(second));
    EXPECT_FALSE(IsPlaying(manager->AmbientGroup(VhSoundManager::Wind)));
    EXPECT_FALSE(IsPlaying(manager->AmbientGroup(VhSoundManager::MinorRiver)));
    Post("WindStop");
    EXPECT_NE(manager->AmbientGroup(VhSoundManager::Wind), kNoSoundGroup) << "a stopped ambient keeps its group";
}

TEST_F(GameSoundTest, OneMovementLoopPerKindUntilStopped) {
    const std::uint16_t march = manager->PlaySoundCode(10, 0, 0);
    ASSERT_NE(march, kNoSoundGroup);
    EXPECT_EQ(manager->PlaySoundCode(10, 0, 0), kNoSoundGroup);
    const std::uint16_t horses = manager->PlaySoundCode(10, 4, 0);
    EXPECT_NE(horses, kNoSoundGroup) << "another kind has a loop of its own";
    EXPECT_EQ(Playing("horslup1.wav"), 1);
    manager->PlaySoundCode(13, 0, 0);
    manager->PlaySoundCode(12, 0, 0);
    manager->PlaySoundCode(12, 0, 0);
    EXPECT_EQ(Playing("splasha.wav"), 1) << "one splash loop per slot";
    manager->PlaySoundCode(11, march, 0);
    EXPECT_FALSE(IsPlaying(march));
    EXPECT_EQ(Playing("splash.wav") + Playing("splasha.wav"), 0) << "the splashes stop with the movement";
    EXPECT_NE(manager->StartMovementLoop(0), kNoSoundGroup) << "every kind may start again";
    EXPECT_EQ(manager->StartMovementLoop(17), kNoSoundGroup) << "no such kind";
}

TEST_F(GameSoundTest, OneMeleeLoopAtATimeWithAnExtraPerNewKind) {
    const std::uint16_t melee = manager->StartMeleeLoop(8, 1);
    ASSERT_NE(melee, kNoSoundGroup);
    EXPECT_EQ(Playing("shoklup1.wav") + Playing("shoklup2.wav"), 1);
    EXPECT_EQ(Playing("horsbat.wav"), 1) << "cavalry adds the horse battle";
    EXPECT_EQ(manager->StartMeleeLoop(16, 2), kNoSoundGroup);
    EXPECT_EQ(Playing("batsmash.wav"), 1) << "a new kind still adds its extra loop";
    EXPECT_EQ(Playing("sordlup2.wav") + Playing("sordlup3.wav"), 0) << "but no second melee loop";
    EXPECT_EQ(manager->StartMeleeLoop(9, 1), kNoSoundGroup);
    EXPECT_EQ(Playing("horsbat.wav"), 1) << "the horse battle is added once";
    manager->StopMeleeLoop(melee);
    EXPECT_EQ(Playing("horsbat.wav") + Playing("batsmash.wav") + Playing("shoklup1.wav") + Playing("shoklup2.wav"), 0);
    EXPECT_EQ(manager->MeleeKindGroup(8), kNoSoundGroup);
    EXPECT_NE(manager->StartMeleeLoop(0, 2), kNoSoundGroup);
    EXPECT_EQ(Playing("sordlup2.wav") + Playing("sordlup3.wav"), 1) << "variant 2 fights with swords";
}

TEST_F(GameSoundTest, SoundCodesPlayTheirWaves) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {22, "horsbat.wav"}, {24, "cheer.wav"}, {25, "musfire1.wav"}, {9, "hors1.wav"}};
    for (auto [code, wave] : cases) {
        const int before = Playing(wave) + (code == 9 ? Playing("hors2.wav") : 0);
        manager->PlaySoundCode(code, 4, 0);
        EXPECT_EQ(Playing(wave) + (code == 9 ? Playing("hors2.wav") : 0), before + 1) << code;
    }
    const int groups = manager->GroupCount();
    manager->PlaySoundCode(9, 5, 0);
    manager->PlaySoundCode(3, 0, 0);
    manager->PlaySoundCode(40, 0, 0);
    EXPECT_EQ(manager->GroupCount(), groups) << "no neigh for kind 5, nothing for codes without a sound";
}

TEST_F(GameSoundTest, SoundVolumeSetsEffectsAndAmbientApart) {
    const std::pair<short, std::pair<std::int16_t, std::int16_t>> cases[] = {
        {10000, {0, VolumeToAttenuation(9500)}}, {509, {VolumeToAttenuation(509), -10000}}, {0, {-10000, -10000}}};
    for (auto [value, expected] : cases) {
        Post("SoundVolume", value);
        EXPECT_EQ(manager->ClassAttenuation(VhSoundManager::EffectsClass), expected.first) << value;
        EXPECT_EQ(manager->ClassAttenuation(VhSoundManager::AmbientClass), expected.second) << value;
    }
    Post("SoundOn", 0);
    EXPECT_TRUE(manager->ClassOff(VhSoundManager::EffectsClass));
}

TEST_F(GameSoundTest, ClosingTheGameStopsEverythingAndKeepsTheGroups) {
    Post("AmbientSoundOn", 1);
    Post("RiverStart");
    const std::uint16_t march = manager->StartMovementLoop(0);
    Post("CloseGame");
    EXPECT_EQ(platform::PlayingSoundBuffers(), 0);
    EXPECT_TRUE(manager->SlotInUse(march));
}

TEST_F(GameSoundTest, ReleasingTheSoundObjectForgetsEveryGroup) {
    Post("AmbientSoundOn", 1);
    Post("RiverStart");
    manager->StartMovementLoop(0);
    Post("ReleaseDirectSound");
    EXPECT_FALSE(manager->IsSoundAvailable());
    EXPECT_EQ(platform::LiveSoundBuffers(), 0);
    EXPECT_FALSE(DirectX2Wave::SoundAvailable());
    EXPECT_EQ(manager->AmbientGroup(VhSoundManager::River), kNoSoundGroup) << "no number left naming a deleted group";
    Post("InitDirectSound");
    EXPECT_TRUE(manager->IsSoundAvailable());
    EXPECT_NE(manager->StartMovementLoop(0), kNoSoundGroup);
    Post("RiverStop"); // must not reach whatever group took the river's old slot
    EXPECT_EQ(platform::PlayingSoundBuffers(), 1);
}

TEST_F(GameSoundTest, WrongPayloadsAreReportedWithTheManagersName) {
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong(std::string("x"));
    sender->PostNamed("SoundVolume", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in VHSMAN", 0), 0u);
}

// The preferences as the registry holds them reach the manager as the named messages.
TEST_F(GameSoundTest, PreferencesFromTheRegistryReachTheManager) {
    const std::string home = Path("home");
    std::filesystem::create_directories(home);
    const char* old = std::getenv("VARNHOLD_HOME");
    const std::string saved = old ? old : "";
    setenv("VARNHOLD_HOME", home.c_str(), 1);
    platform::ReloadRegistry();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tolvane\\Varnhold Demo\\Preferences", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::pair<const char*, DWORD> values[] = {{"Sound", 0}, {"Ambient Sound", 1}, {"Volume", 0x10000 + 100}};
    for (auto [name, value] : values)
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    const SoundPreferences p = ReadSoundPreferences();
    EXPECT_EQ(p.sound, 0);
    EXPECT_EQ(p.ambient, 1);
    EXPECT_EQ(p.volume, 100) << "the low 16 bits count";
    EXPECT_EQ(p.musicVolume, 5000) << "a missing value takes its default";
    PublishSoundPreferences(*sender, p);
    EXPECT_TRUE(manager->ClassOff(VhSoundManager::EffectsClass));
    EXPECT_TRUE(manager->AmbientOn());
    EXPECT_EQ(manager->ClassAttenuation(VhSoundManager::EffectsClass), -6643);
    EXPECT_EQ(manager->ClassAttenuation(VhSoundManager::MusicClass), -999);
    if (old) setenv("VARNHOLD_HOME", saved.c_str(), 1);
    else unsetenv("VARNHOLD_HOME");
    platform::ReloadRegistry();
}

} // namespace
