// The music half of the game's sound manager: four wave groups or the audio CD.
#include "core/events.h"
#include "sound/vh_sound_manager.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "MUSIC";

std::int16_t inGameTrack = VhSoundManager::kFirstInGameTrack;
std::int16_t notifyTicks = 0;

enum MusicGroupIndex { StartGroup = 0, TracksGroup = 1, VictoryGroup = 2, DefeatGroup = 3 };

ContainerBase* OnToggleMusic(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    short* on;
    if (BusArgs(c, p, self, on, kSource, __LINE__)) self->SetMusicPlaying(*on);
    return nullptr;
}

ContainerBase* OnMusicVolume(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    short* value;
    if (BusArgs(c, p, self, value, kSource, __LINE__)) self->MusicVolume(*value);
    return nullptr;
}

ContainerBase* OnBeginGame(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->BeginGameMusic();
    return nullptr;
}

ContainerBase* OnEndGameMusic(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    short* won;
    if (BusArgs(c, p, self, won, kSource, __LINE__)) self->EndGameMusic(*won);
    return nullptr;
}

ContainerBase* OnCDNotPresent(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->CDNotPresent();
    return nullptr;
}

ContainerBase* OnMusicState(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (!BusReceiver(c, self, kSource, __LINE__)) return nullptr;
    return new Container<short>(static_cast<short>(self->MusicEnabled() ? 1 : 0));
}

// The main frame hands the notice's code on as a short, the application as a long: both are
// the same notice.
ContainerBase* OnMCINotify(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    if (!BusReceiver(c, self, kSource, __LINE__)) return nullptr;
    if (const long* flags = PayloadValue<long>(p)) self->MCINotify(*flags);
    else if (const short* code = PayloadValue<short>(p)) self->MCINotify(static_cast<std::uint16_t>(*code));
    else Assert(0, kBadBusData, kSource, __LINE__);
    return nullptr;
}

ContainerBase* OnNotifyTick(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->NotifyTick();
    return nullptr;
}

} // namespace

// The music messages in their places among the manager's registrations: 0 before "SoundVolume",
// 1 after it, 2 last.
void RegisterMusicHandlers(VhSoundManager& m, int part) {
    switch (part) {
    case 0:
        m.RegisterNamedHandler("ToggleMusic", OnToggleMusic);
        m.RegisterNamedHandler("MusicVolume", OnMusicVolume);
        break;
    case 1:
        m.RegisterHandler(BEGIN_GAME, OnBeginGame);
        m.RegisterNamedHandler("EndGameMusic", OnEndGameMusic);
        m.RegisterNamedHandler("CDNotPresent", OnCDNotPresent);
        m.RegisterNamedHandler("MusicState", OnMusicState);
        break;
    default: m.RegisterNamedHandler("MCINotify", OnMCINotify); break;
    }
}

std::int16_t VhSoundManager::InGameTrackCounter() { return inGameTrack; }
std::int16_t VhSoundManager::NotifyTickCounter() { return notifyTicks; }
void VhSoundManager::ResetMusicCounters() {
    inGameTrack = kFirstInGameTrack;
    notifyTicks = 0;
}

void VhSoundManager::OpenCDAudio() {
    if (!cdInUse) return;
    MCI_OPEN_PARMSA open;
    open.lpstrDeviceType = "cdaudio";
    if (mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open)) != 0) return;
    cdDevice = open.wDeviceID;
    MCI_SET_PARMS set;
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    if (mciSendCommand(cdDevice, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)) != 0) {
        mciSendCommand(cdDevice, MCI_CLOSE, 0, 0);
        cdDevice = 0;
    }
}

void VhSoundManager::PlayCDTrack(std::int16_t index, std::int16_t notify) {
    if (!cdDevice) return;
    const DWORD track = static_cast<DWORD>(index + cdTrackOffset) & 0xFF;
    MCI_STATUS_PARMS status;
    status.dwItem = MCI_STATUS_LENGTH;
    status.dwTrack = track;
    if (mciSendCommand(cdDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)) != 0) {
        mciSendCommand(cdDevice, MCI_CLOSE, 0, 0);
        cdDevice = 0;
        return;
    }
    const auto length = static_cast<DWORD>(status.dwReturn);
    MCI_PLAY_PARMS play;
    play.dwCallback = reinterpret_cast<DWORD_PTR>(DirectX2Wave::MainWindow());
    play.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
    play.dwTo = MCI_MAKE_TMSF(track, MCI_MSF_MINUTE(length), MCI_MSF_SECOND(length), 0);
    const DWORD flags = MCI_FROM | MCI_TO | (notify ? MCI_NOTIFY : 0);
    if (mciSendCommand(cdDevice, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
        mciSendCommand(cdDevice, MCI_CLOSE, 0, 0);
        cdDevice = 0;
    }
}

void VhSoundManager::SetUpWaveMusic() {
    if (cdInUse || !musicEnabled) return;
    const char* files[4] = {"start.wav", nullptr, "victory.wav", "defeat.wav"};
    for (int which = StartGroup; which <= DefeatGroup; ++which) {
        const std::uint16_t group = AllocateGroup();
        if (group == kNoSoundGroup) return;
        musicGroups[which] = group;
        SetGroupClass(group, MusicClass);
        SetGroupLargeBuffer(group);
        if (which == TracksGroup) {
            Loop(LoopStruct{group, 1});
            for (const char* track : {"track1.wav", "track2.wav", "track3.wav", "track4.wav"})
                AddWave(WaveNameStruct{group, track, kMusicDirectory});
        } else {
            AddWave(WaveNameStruct{group, files[which], kMusicDirectory});
        }
    }
}

void VhSoundManager::StartMusic() {
    musicPlaying = 1;
    switch (musicMode) {
    case StartMusicMode: PlayStartMusic(); break;
    case InGameMusic: PlayInGameMusic(); break;
    case VictoryMusic:
    case DefeatMusic: PlayEndMusic(); break;
    default: break;
    }
}

void VhSoundManager::StopMusic() {
    if (musicPlaying && cdInUse) {
        if (cdDevice) mciSendCommand(cdDevice, MCI_STOP, 0, 0);
    } else if (musicPlaying && musicEnabled) {
        for (std::uint16_t group : musicGroups) {
            if (group == kNoSoundGroup) continue;
            Stop(group);
            Rewind(group);
        }
    }
}

void VhSoundManager::SetMusicPlaying(std::int16_t on) {
    if (!musicEnabled || (on != 0) == (musicPlaying != 0)) return;
    if (!cdInUse) SetClassOn(MusicClass, on);
    if (on == 0) {
        StopMusic();
        musicPlaying = 0;
        return;
    }
    StartMusic();
}

void VhSoundManager::MusicVolume(std::int16_t value) {
    if (!cdInUse) {
        SetClassVolume(MusicClass, value);
        return;
    }
    const auto level = static_cast<DWORD>(std::clamp<int>(value, 0, 10000) * 6.5535);
    const UINT devices = auxGetNumDevs();
    for (UINT i = 0; i < devices; ++i) {
        AUXCAPSA caps;
        if (auxGetDevCapsA(i, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
        if (caps.wTechnology == AUXCAPS_CDAUDIO) auxSetVolume(i, level | level << 16);
    }
}

void VhSoundManager::PlayStartMusic() {
    if (musicMode != StartMusicMode || !musicEnabled) return;
    StopMusic();
    if (!musicPlaying) return;
    if (cdInUse) PlayCDTrack(kStartTrack, 0);
    else PlayGroup(musicGroups[StartGroup]);
}

void VhSoundManager::PlayInGameMusic() {
    if (musicMode != InGameMusic || !musicEnabled) return;
    StopMusic();
    if (!musicPlaying) return;
    if (!cdInUse) {
        PlayGroup(musicGroups[TracksGroup]);
        return;
    }
    PlayCDTrack(inGameTrack, 1);
    if (++inGameTrack > kLastInGameTrack) inGameTrack = kFirstInGameTrack;
}

void VhSoundManager::PlayEndMusic() {
    if ((musicMode != VictoryMusic && musicMode != DefeatMusic) || !musicEnabled) return;
    StopMusic();
    if (!musicPlaying) return;
    if (cdInUse) PlayCDTrack(musicMode == VictoryMusic ? kVictoryTrack : kDefeatTrack, 0);
    else PlayGroup(musicGroups[musicMode == VictoryMusic ? VictoryGroup : DefeatGroup]);
}

void VhSoundManager::BeginGameMusic() {
    musicMode = InGameMusic;
    PlayInGameMusic();
}

void VhSoundManager::EndGameMusic(std::int16_t won) {
    musicMode = won ? VictoryMusic : DefeatMusic;
    PlayEndMusic();
}

// Only a track that played to its end starts the pause: a stopped or replaced track also sends
// a notice, and a pause started by it would cut the next track short a minute later.
void VhSoundManager::MCINotify(long flags) {
    if (flags != static_cast<long>(MCI_NOTIFY_SUCCESSFUL) || notifyTimerRunning) return;
    if (AddTimer(OnNotifyTick, 1)) notifyTimerRunning = 1;
}

void VhSoundManager::NotifyTick() {
    if (++notifyTicks <= kNotifyPauseTicks) return;
    notifyTicks = 0;
    RemoveTimer(OnNotifyTick);
    notifyTimerRunning = 0;
    PlayInGameMusic();
}
