#include "sound/vh_sound_manager.h"

#include "core/events.h"
#include "sound/sound_random.h"

namespace {

constexpr const char* kSource = "VHSMAN";

const std::array<std::array<const char*, 4>, VhSoundManager::kUnitKinds> kMovementWaves{{
    {"milup4.wav", "milup4.wav", "milup4.wav", "milup4.wav"},
    {"milup4.wav", "milup4.wav", "milup4.wav", "milup4.wav"},
    {"milup4.wav", "milup4.wav", "milup4.wav", "milup4.wav"},
    {"milup4.wav", "milup4.wav", "milup4.wav", "milup4.wav"},
    {"horslup1.wav", "horslup1.wav", "horslup1.wav", "horslup1.wav"},
    {"eleflup1.wav", "eleflup2.wav", "eleflup3.wav", "eleflup1.wav"},
    {"charlup1.wav", "charlup1.wav", "charlup1.wav", "charlup1.wav"},
    {"charlup1.wav", "charlup1.wav", "charlup1.wav", "charlup1.wav"},
    {"cavlup1.wav", "cavlup1.wav", "cavlup1.wav", "cavlup1.wav"},
    {"hcav1.wav", "hcav2.wav", "hcav3.wav", "hcav1.wav"},
    {"hcav1.wav", "hcav2.wav", "hcav3.wav", "hcav1.wav"},
    {"hcav1.wav", "hcav2.wav", "hcav3.wav", "hcav1.wav"},
    {"hcav1.wav", "hcav2.wav", "hcav3.wav", "hcav1.wav"},
    {"eleflup1.wav", "eleflup2.wav", "eleflup3.wav", "eleflup1.wav"},
    {"swup4.wav", "swup4.wav", "swup4.wav", "swup4.wav"},
    {"milup4.wav", "milup4.wav", "milup4.wav", "milup4.wav"},
    {"batmove.wav", "batmove.wav", "batmove.wav", "batmove.wav"},
}};

const std::vector<std::string> kRiverWaves{"river.wav", "river1.wav", "river2.wav"};
const std::vector<std::string> kWindWaves{"volt1.wav", "volt2.wav", "volt3.wav", "volt4.wav", "volt5.wav"};

template <void (VhSoundManager::*Method)()>
ContainerBase* OnEvent(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) (self->*Method)();
    return nullptr;
}

template <void (VhSoundManager::*Method)(std::int16_t)>
ContainerBase* OnShort(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    short* value;
    if (BusArgs(c, p, self, value, kSource, __LINE__)) (self->*Method)(*value);
    return nullptr;
}

template <VhSoundManager::AmbientSlot Slot>
ContainerBase* OnAmbientStop(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->AmbientStop(Slot);
    return nullptr;
}

ContainerBase* OnRally(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->PlayOneShot("rally.wav");
    return nullptr;
}

ContainerBase* OnRestore(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->PlayOneShot("restore.wav");
    return nullptr;
}

ContainerBase* OnMinorRiverStart(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->AmbientStart(VhSoundManager::MinorRiver, kRiverWaves);
    return nullptr;
}

ContainerBase* OnRiverStart(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->AmbientStart(VhSoundManager::River, kRiverWaves);
    return nullptr;
}

ContainerBase* OnOceanStart(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->AmbientStart(VhSoundManager::Ocean, {"waves.wav"});
    return nullptr;
}

ContainerBase* OnWindStart(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->AmbientStart(VhSoundManager::Wind, kWindWaves);
    return nullptr;
}

ContainerBase* OnNothing(Component* c, BusMessage, ContainerBase*) {
    VhSoundManager* self;
    BusReceiver(c, self, kSource, __LINE__);
    return nullptr;
}

ContainerBase* OnSoundOn(Component* c, BusMessage, ContainerBase* p) {
    VhSoundManager* self;
    short* on;
    if (BusArgs(c, p, self, on, kSource, __LINE__)) self->SetClassOn(VhSoundManager::EffectsClass, *on);
    return nullptr;
}

} // namespace

// Music handlers live with the music (music.cpp).
void RegisterMusicHandlers(VhSoundManager& manager, int part);

VhSoundManager::VhSoundManager(std::uint32_t musicSelector, std::uint16_t trackOffset)
    : SoundManager("Varnhold Sound Manager"), cdTrackOffset(trackOffset) {
    meleeKindGroup.fill(kNoSoundGroup);
    ambientGroups.fill(kNoSoundGroup);
    musicGroups.fill(kNoSoundGroup);
    SetClassCount(3);
    cdInUse = musicSelector == 2 ? 1 : 0;
    OpenCDAudio();
}

VhSoundManager::~VhSoundManager() {
    DetachFromBus();
    if (cdInUse && cdDevice) {
        mciSendCommand(cdDevice, MCI_STOP, 0, 0);
        mciSendCommand(cdDevice, MCI_CLOSE, 0, 0);
        cdDevice = 0;
    }
}

void VhSoundManager::Connect() {
    RegisterNamedHandler("RallyUnit", OnRally);
    RegisterNamedHandler("UnitRestoreMorale", OnRestore);
    RegisterNamedHandler("LeaderGroupRestoreMorale", OnRestore);
    RegisterNamedHandler("MinorRiverStart", OnMinorRiverStart);
    RegisterNamedHandler("MinorRiverStop", OnAmbientStop<MinorRiver>);
    RegisterNamedHandler("RiverStart", OnRiverStart);
    RegisterNamedHandler("RiverStop", OnAmbientStop<River>);
    RegisterNamedHandler("OceanStart", OnOceanStart);
    RegisterNamedHandler("OceanStop", OnAmbientStop<Ocean>);
    RegisterNamedHandler("WindStart", OnWindStart);
    RegisterNamedHandler("WindStop", OnAmbientStop<Wind>);
    RegisterNamedHandler("AmbientStart", OnNothing);
    RegisterNamedHandler("AmbientStop", OnAmbientStop<GeneralAmbient>);
    RegisterNamedHandler("AllAmbientStop", OnEvent<&VhSoundManager::AllAmbientStop>);
    RegisterNamedHandler("AmbientSoundOn", OnShort<&VhSoundManager::SetAmbientOn>);
    RegisterNamedHandler("SoundOn", OnSoundOn);
    RegisterMusicHandlers(*this, 0);
    RegisterNamedHandler("SoundVolume", OnShort<&VhSoundManager::SetSoundVolume>);
    RegisterMusicHandlers(*this, 1);
    RegisterNamedHandler("CloseGame", OnEvent<&VhSoundManager::StopAll>);
    RegisterNamedHandler("ExitGame", OnEvent<&VhSoundManager::StopAll>);
    RegisterNamedHandler("ReleaseDirectSound", OnEvent<&VhSoundManager::ReleaseDirectSound>);
    RegisterNamedHandler("InitDirectSound", OnEvent<&VhSoundManager::InitDirectSound>);
    RegisterMusicHandlers(*this, 2);
    SoundManager::Connect();
    SetUpWaveMusic();
}

void VhSoundManager::PlayOneShot(const std::string& name) { PlayWave(name); }

std::uint16_t VhSoundManager::StartLoopedWave(const std::vector<std::string>& names) {
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return kNoSoundGroup;
    for (const std::string& name : names) AddWave(WaveNameStruct{group, name, kSoundDirectory});
    Loop(LoopStruct{group, 1});
    Random(RandomStruct{group, 1});
    Delay(DelayStruct{group, 1, 100, 2000});
    PlayGroup(group);
    return group;
}

void VhSoundManager::AmbientStart(AmbientSlot slot, const std::vector<std::string>& choices) {
    if (choices.empty()) return;
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return;
    SetGroupClass(group, AmbientClass);
    // The group it replaces keeps its table slot; it is only silenced.
    if (ambientGroups[slot] != kNoSoundGroup) Stop(ambientGroups[slot]);
    const std::string& wave = choices.size() == 1 ? choices[0] : choices[SoundRand() % choices.size()];
    AddWave(WaveNameStruct{group, wave, kSoundDirectory});
    Loop(LoopStruct{group, 1});
    if (ambientOn) PlayGroup(group);
    ambientGroups[slot] = group;
}

void VhSoundManager::AmbientStop(AmbientSlot slot) {
    if (ambientGroups[slot] != kNoSoundGroup) Stop(ambientGroups[slot]);
}

void VhSoundManager::AllAmbientStop() {
    for (AmbientSlot s : {MinorRiver, River, Ocean, Wind, GeneralAmbient}) AmbientStop(s);
}

void VhSoundManager::SetAmbientOn(std::int16_t on) {
    if (!ambientOn && on != 0) {
        ambientOn = 1;
        for (AmbientSlot s : {MinorRiver, River, Ocean, Wind, GeneralAmbient})
            if (ambientGroups[s] != kNoSoundGroup) PlayGroup(ambientGroups[s]);
    } else if (ambientOn && on == 0) {
        ambientOn = 0;
        for (AmbientSlot s : {MinorRiver, River, Ocean, Wind, GeneralAmbient})
            if (ambientGroups[s] != kNoSoundGroup) {
                Stop(ambientGroups[s]);
                Rewind(ambientGroups[s]);
            }
    }
    SetClassOn(AmbientClass, ambientOn);
}

void VhSoundManager::SetSoundVolume(std::int16_t value) {
    SetClassVolume(EffectsClass, value);
    SetClassVolume(AmbientClass, static_cast<std::int16_t>(value - 500));
}

void VhSoundManager::PlayHorseNeigh(std::uint16_t kind) {
    if (kind == 4 || (kind >= 6 && kind <= 12)) PlayOneShot(SoundRand() % 2 ? "hors2.wav" : "hors1.wav");
}

std::uint16_t VhSoundManager::StartMovementLoop(std::uint16_t kind) {
    if (kind >= kUnitKinds || movementKindStarted[kind]) return kNoSoundGroup;
    movementKindStarted[kind] = 1;
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return kNoSoundGroup;
    AddWave(WaveNameStruct{group, kMovementWaves[kind][SoundRand() % 4], kSoundDirectory});
    Loop(LoopStruct{group, 1});
    PlayGroup(group);
    return group;
}

void VhSoundManager::StopGroupAndForget(std::uint16_t& group) {
    if (group == kNoSoundGroup) return;
    DeleteWhenDone(group);
    Stop(group);
    group = kNoSoundGroup;
}

void VhSoundManager::StopMovementLoop(std::uint16_t group) {
    movementKindStarted.fill(0);
    StopGroupAndForget(group);
    StopGroupAndForget(ambientGroups[Splash]);
    StopGroupAndForget(ambientGroups[SplashA]);
}

void VhSoundManager::PlaySplashA() {
    if (ambientGroups[SplashA] != kNoSoundGroup) return;
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return;
    AddWave(WaveNameStruct{group, "splasha.wav", kSoundDirectory});
    Loop(LoopStruct{group, 1});
    PlayGroup(group);
    ambientGroups[SplashA] = group;
}

void VhSoundManager::PlaySplash() {
    if (ambientGroups[Splash] != kNoSoundGroup) return;
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return;
    AddWave(WaveNameStruct{group, "splash.wav", kSoundDirectory});
    Loop(LoopStruct{group, 1});
    PlayGroup(group);
    ambientGroups[Splash] = group;
}

void VhSoundManager::StopSlotSound() { StopGroupAndForget(ambientGroups[Splash]); }

std::uint16_t VhSoundManager::StartMeleeLoop(std::uint16_t kind, std::uint16_t variant) {
    if (kind >= kUnitKinds) return kNoSoundGroup;
    if (!meleeKindStarted[kind]) {
        meleeKindStarted[kind] = 1;
        std::vector<std::string> extra;
        if (kind >= 7 && kind <= 12 && !horseBattleAdded) {
            horseBattleAdded = 1;
            extra.emplace_back("horsbat.wav");
        } else if (kind == 16 && !batterySmashAdded) {
            batterySmashAdded = 1;
            extra.emplace_back("batsmash.wav");
        }
        meleeKindGroup[kind] = extra.empty() ? kNoSoundGroup : StartLoopedWave(extra);
    }
    if (meleeLoopRunning) return kNoSoundGroup;
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return kNoSoundGroup;
    const int pick = SoundRand() % 2;
    const char* wave = variant == 2 ? (pick ? "sordlup3.wav" : "sordlup2.wav") : (pick ? "shoklup2.wav" : "shoklup1.wav");
    AddWave(WaveNameStruct{group, wave, kSoundDirectory});
    Loop(LoopStruct{group, 1});
    PlayGroup(group);
    meleeLoopRunning = 1;
    return group;
}

void VhSoundManager::StopMeleeLoop(std::uint16_t group) {
    meleeLoopRunning = horseBattleAdded = batterySmashAdded = 0;
    for (int kind = 0; kind < kUnitKinds; ++kind) {
        if (!meleeKindStarted[kind]) continue;
        StopGroupAndForget(meleeKindGroup[kind]);
        meleeKindStarted[kind] = 0;
    }
    StopGroupAndForget(group);
}

std::uint16_t VhSoundManager::PlaySoundCode(std::uint32_t code, std::uint16_t first, std::uint16_t second) {
    switch (code) {
    case 9: PlayHorseNeigh(first); break;
    case 10: return StartMovementLoop(first);
    case 11: StopMovementLoop(first); break;
    case 12: PlaySplashA(); break;
    case 13: PlaySplash(); break;
    case 14: StopSlotSound(); break;
    case 15: return StartMeleeLoop(first, second);
    case 16: StopMeleeLoop(first); break;
    case 22: PlayHorseBattle(); break;
    case 23: PlayHorseBattle2(); break;
    case 24: PlayCheer(); break;
    case 25: PlayMusketFire(); break;
    case 26: PlayBatteryFire(); break;
    case 27: PlayMusketHits(); break;
    case 28: PlayBatteryHits(); break;
    case 29: PlayCavalryDismount(); break;
    case 30: PlayCavalryMount(); break;
    case 31: PlayLimber(); break;
    case 32: PlayLimber2(); break;
    default: break;
    }
    return kNoSoundGroup;
}

void VhSoundManager::StopAll() {
    if (!soundAvailable) return;
    if (musicPlaying) StopMusic();
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i)) g->Stop();
}

void VhSoundManager::ReleaseDirectSound() {
    if (!soundAvailable) return;
    {
        std::lock_guard<std::timed_mutex> lock(mutex);
        for (std::uint16_t i = 0; i < groupCount; ++i)
            if (groups[i]) DeleteGroup(i);
        soundAvailable = 0;
    }
    // The numbers kept for the deleted groups would name whatever group takes their slot next.
    ambientGroups.fill(kNoSoundGroup);
    meleeKindGroup.fill(kNoSoundGroup);
    meleeKindStarted.fill(0);
    movementKindStarted.fill(0);
    musicGroups.fill(kNoSoundGroup);
    meleeLoopRunning = horseBattleAdded = batterySmashAdded = 0;
}

void VhSoundManager::InitDirectSound() {
    if (soundAvailable) return;
    SoundGroup probe(kNoSoundGroup);
    soundAvailable = DirectX2Wave::SoundAvailable() ? 1 : 0;
    if (soundAvailable) SetUpWaveMusic();
}
