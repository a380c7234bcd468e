#pragma once
// VhSoundManager: the game's sound manager. It turns game events into waves (rallies, morale,
// rivers, ocean, wind, the unit pictures' sound cues), keeps the ambient loops in slots, and
// plays the music: a start piece, a rotation of in-game tracks and a victory or defeat piece,
// from four wave groups (volume class 1) or from the audio CD.
//
// Volume classes: 0 effects, 1 music, 2 ambient. Group numbers are u16, kNoSoundGroup none.
#include "platform/mci.h"
#include "sound/sound_manager.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class VhSoundManager : public SoundManager {
public:
    static constexpr int kUnitKinds = 17;
    enum AmbientSlot { MinorRiver = 0, River, Ocean, Wind, GeneralAmbient, Splash, SplashA, kAmbientSlots };
    enum VolumeClass : std::uint16_t { EffectsClass = 0, MusicClass = 1, AmbientClass = 2 };
    enum MusicMode : std::uint32_t { NoMusic = 0, StartMusicMode = 1, InGameMusic = 2, VictoryMusic = 3, DefeatMusic = 4 };
    // CD track numbers before the offset.
    static constexpr std::int16_t kStartTrack = 2;
    static constexpr std::int16_t kFirstInGameTrack = 3;
    static constexpr std::int16_t kLastInGameTrack = 7;
    static constexpr std::int16_t kDefeatTrack = 8;
    static constexpr std::int16_t kVictoryTrack = 9;
    // Seconds of quiet between in-game CD tracks: the 61st tick of the pause timer starts the next.
    static constexpr std::int16_t kNotifyPauseTicks = 60;

    // musicSelector 2 plays music from the CD, 0 and 1 from wave files.
    VhSoundManager(std::uint32_t musicSelector, std::uint16_t cdTrackOffset);
    ~VhSoundManager() override;
    void Connect() override;

    // --- effects ---
    void PlayOneShot(const std::string& name);
    std::uint16_t StartLoopedWave(const std::vector<std::string>& names);
    void AmbientStart(AmbientSlot slot, const std::vector<std::string>& choices);
    void AmbientStop(AmbientSlot slot);
    void AllAmbientStop();
    void SetAmbientOn(std::int16_t on);
    void SetSoundVolume(std::int16_t value);
    void PlayHorseNeigh(std::uint16_t kind);
    std::uint16_t StartMovementLoop(std::uint16_t kind);
    void StopMovementLoop(std::uint16_t group);
    void PlaySplashA();
    void PlaySplash();
    void StopSlotSound();
    std::uint16_t StartMeleeLoop(std::uint16_t kind, std::uint16_t variant);
    void StopMeleeLoop(std::uint16_t group);
    void PlayHorseBattle() { PlayOneShot("horsbat.wav"); }
    void PlayHorseBattle2() { PlayOneShot("horsbat.wav"); }
    void PlayCheer() { PlayOneShot("cheer.wav"); }
    void PlayMusketFire() { PlayOneShot("musfire1.wav"); }
    void PlayBatteryFire() { PlayOneShot("batfire1.wav"); }
    void PlayMusketHits() { PlayOneShot("mushits1.wav"); }
    void PlayBatteryHits() { PlayOneShot("bathits1.wav"); }
    void PlayCavalryDismount() { PlayOneShot("cavdis1.wav"); }
    void PlayCavalryMount() { PlayOneShot("cavmnt1.wav"); }
    void PlayLimber() { PlayOneShot("limber1.wav"); }
    void PlayLimber2() { PlayOneShot("limber1.wav"); }
    // A picture's sound cue by its code (the entry point of that code): the group of codes 10
    // and 15, the given group handed back for 11 and 16 as none, else kNoSoundGroup.
    std::uint16_t PlaySoundCode(std::uint32_t code, std::uint16_t first, std::uint16_t second);
    void StopAll();
    void ReleaseDirectSound();
    void InitDirectSound();

    // --- music ---
    void OpenCDAudio();
    void PlayCDTrack(std::int16_t index, std::int16_t notify);
    void SetUpWaveMusic();
    void SetMusicMode(std::uint32_t mode) { musicMode = mode; }
    void StartMusic();
    void StopMusic();
    void SetMusicPlaying(std::int16_t on);
    void MusicVolume(std::int16_t value);
    void PlayStartMusic();
    void PlayInGameMusic();
    void PlayEndMusic();
    void BeginGameMusic();
    void EndGameMusic(std::int16_t won);
    void CDNotPresent() { musicEnabled = 0; }
    // The completion notice of a CD play: a track that ended by itself starts the pause.
    void MCINotify(long flags);
    void NotifyTick();

    bool CdInUse() const { return cdInUse != 0; }
    MCIDEVICEID CdDevice() const { return cdDevice; }
    std::uint32_t GetMusicMode() const { return musicMode; }
    bool MusicEnabled() const { return musicEnabled != 0; }
    bool MusicPlaying() const { return musicPlaying != 0; }
    bool AmbientOn() const { return ambientOn != 0; }
    std::uint16_t AmbientGroup(AmbientSlot slot) const { return ambientGroups[slot]; }
    std::uint16_t MusicGroup(int which) const { return musicGroups[which]; }
    std::uint16_t MeleeKindGroup(std::uint16_t kind) const { return kind < kUnitKinds ? meleeKindGroup[kind] : kNoSoundGroup; }
    bool PauseTimerRunning() const { return notifyTimerRunning != 0; }
    // The program-wide CD counters (in-game track and pause ticks); tests set them back.
    static std::int16_t InGameTrackCounter();
    static std::int16_t NotifyTickCounter();
    static void ResetMusicCounters();

private:
    void StopGroupAndForget(std::uint16_t& group);

    std::uint16_t cdInUse = 0;
    MCIDEVICEID cdDevice = 0;
    std::array<std::uint16_t, kUnitKinds> meleeKindStarted{};
    std::array<std::uint16_t, kUnitKinds> meleeKindGroup{};
    std::array<std::uint16_t, kUnitKinds> movementKindStarted{};
    std::uint16_t horseBattleAdded = 0;
    std::uint16_t batterySmashAdded = 0;
    std::uint16_t meleeLoopRunning = 0;
    std::array<std::uint16_t, kAmbientSlots> ambientGroups{};
    std::uint16_t ambientOn = 0;
    std::uint32_t musicMode = NoMusic;
    std::uint16_t musicEnabled = 1;
    std::uint16_t musicPlaying = 1;
    // start, tracks, victory, defeat
    std::array<std::uint16_t, 4> musicGroups{};
    std::uint16_t cdTrackOffset = 0;
    std::uint16_t notifyTimerRunning = 0;
};
