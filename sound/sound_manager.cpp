#include "sound/sound_manager.h"

#include "core/application.h"

#include <chrono>
#include <cmath>
#include <new>
#include <thread>

namespace {

MEMPOOL soundPool = nullptr;
// Managers alive: the pool goes with the last of them, not with whichever goes first.
int managersAlive = 0;
constexpr const char* kSource = "SNDMAN";

// Grows a table to hold index (steps of ten, as the tables always have).
template <class T>
void Reach(std::vector<T>& v, std::size_t index) {
    if (index < v.size()) return;
    v.resize((index / 10 + 1) * 10);
}

// --- bus entries ---

ContainerBase* OnGetGroupNum(Component* c, BusMessage, ContainerBase*) {
    SoundManager* self;
    if (!BusReceiver(c, self, kSource, __LINE__)) return nullptr;
    return self->GetGroupNum();
}

ContainerBase* OnGetGroup(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    short* group;
    if (!BusArgs(c, p, self, group, kSource, __LINE__)) return nullptr;
    return self->GetGroup(static_cast<std::uint16_t>(*group));
}

template <class T, void (SoundManager::*Method)(const T&)>
ContainerBase* OnRecord(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    T* value;
    if (!BusArgs(c, p, self, value, kSource, __LINE__)) return nullptr;
    (self->*Method)(*value);
    return nullptr;
}

template <void (SoundManager::*Method)(std::uint16_t)>
ContainerBase* OnGroup(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    short* group;
    if (!BusArgs(c, p, self, group, kSource, __LINE__)) return nullptr;
    (self->*Method)(static_cast<std::uint16_t>(*group));
    return nullptr;
}

ContainerBase* OnPlayWave(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    std::string* name;
    if (!BusArgs(c, p, self, name, kSource, __LINE__)) return nullptr;
    self->PlayWave(*name);
    return nullptr;
}

ContainerBase* OnAllSoundOn(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    short* on;
    if (!BusArgs(c, p, self, on, kSource, __LINE__)) return nullptr;
    self->SetAllOn(*on);
    return nullptr;
}

ContainerBase* OnAllSoundVolume(Component* c, BusMessage, ContainerBase* p) {
    SoundManager* self;
    short* value;
    if (!BusArgs(c, p, self, value, kSource, __LINE__)) return nullptr;
    self->SetVolume(*value);
    return nullptr;
}

ContainerBase* OnDialogOpening(Component* c, BusMessage, ContainerBase*) {
    SoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->PauseAll();
    return nullptr;
}

ContainerBase* OnDialogClosing(Component* c, BusMessage, ContainerBase*) {
    SoundManager* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->ResumeAll();
    return nullptr;
}

} // namespace

std::int16_t VolumeToAttenuation(std::int16_t value) {
    if (value <= 0) return -10000;
    const float k1 = 14.42695f;
    const float k2 = 32.87657f;
    const double attenuation = (std::log(static_cast<double>(value)) * k1 - k2) * 100.0 - 10000.0;
    const double truncated = std::trunc(attenuation);
    if (truncated < -10000.0) return -10000;
    // Values above 10000 would come out above 0, which no buffer takes.
    if (truncated > 0.0) return 0;
    return static_cast<std::int16_t>(truncated);
}

MEMPOOL SoundManager::SoundPool() { return soundPool; }

SoundManager::SoundManager(const char* name) : Component(name, "Sound Manager") {
    ++managersAlive;
    if (!soundPool) {
        soundPool = MemPoolInit(kPoolFlags);
        WaveFile::SetPool(soundPool);
    }
}

SoundManager::~SoundManager() {
    DetachFromBus();
    DeleteAllGroups();
    if (--managersAlive == 0 && soundPool) {
        WaveFile::SetPool(nullptr);
        MemPoolFree(soundPool);
        soundPool = nullptr;
    }
}

void SoundManager::Connect() {
    // A probe group sets the sound object up when nothing else holds it.
    SoundGroup probe(kNoSoundGroup);
    soundAvailable = DirectX2Wave::SoundAvailable() ? 1 : 0;
    if (!soundAvailable) return;
    RegisterNamedHandler("GetGroupNum", OnGetGroupNum);
    RegisterNamedHandler("GetGroup", OnGetGroup);
    RegisterNamedHandler("AddWave", OnRecord<WaveNameStruct, &SoundManager::AddWave>);
    RegisterNamedHandler("AddListOfWaves", OnRecord<ListOfWavesStruct, &SoundManager::AddListOfWaves>);
    RegisterNamedHandler("Stop", OnGroup<&SoundManager::Stop>);
    RegisterNamedHandler("Loop", OnRecord<LoopStruct, &SoundManager::Loop>);
    RegisterNamedHandler("Random", OnRecord<RandomStruct, &SoundManager::Random>);
    RegisterNamedHandler("Delay", OnRecord<DelayStruct, &SoundManager::Delay>);
    RegisterNamedHandler("DeleteWhenDone", OnGroup<&SoundManager::DeleteWhenDone>);
    RegisterNamedHandler("PlayWave", OnPlayWave);
    RegisterNamedHandler("AllSoundOn", OnAllSoundOn);
    RegisterNamedHandler("AllSoundVolume", OnAllSoundVolume);
    RegisterNamedHandler("ModalDialogBoxOpening", OnDialogOpening);
    RegisterNamedHandler("ModalDialogBoxClosing", OnDialogClosing);
}

std::string SoundManager::WavePath(std::uint16_t kind, const std::string& name) {
    Application* app = GetApplication();
    const std::string directory = app ? app->GetDataDirectory(static_cast<std::int16_t>(kind)) : std::string();
    return directory + "\\" + name;
}

SoundGroup* SoundManager::GroupAt(std::uint16_t slot) const {
    if (slot >= groupCount || slot >= groups.size() || !inUse[slot]) return nullptr;
    return groups[slot];
}

void SoundManager::EnsureClass(std::uint16_t volumeClass) {
    if (volumeClass < classAttenuation.size()) return;
    classAttenuation.resize((volumeClass / 10 + 1) * 10, 0);
    classOff.resize(classAttenuation.size(), 0);
}

std::int16_t SoundManager::ClassAttenuation(std::uint16_t volumeClass) const {
    return volumeClass < classAttenuation.size() ? classAttenuation[volumeClass] : 0;
}

bool SoundManager::ClassOff(std::uint16_t volumeClass) const {
    return volumeClass < classOff.size() && classOff[volumeClass] != 0;
}

std::int16_t SoundManager::ClassVolume(std::uint16_t volumeClass) const {
    return ClassOff(volumeClass) ? static_cast<std::int16_t>(DSBVOLUME_MIN) : ClassAttenuation(volumeClass);
}

ContainerBase* SoundManager::GetGroupNum() {
    const std::uint16_t n = AllocateGroup();
    return n == kNoSoundGroup ? nullptr : new Container<short>(static_cast<short>(n));
}

std::uint16_t SoundManager::AllocateGroup() {
    if (!soundAvailable) return kNoSoundGroup;
    // Polled rather than a timed lock: the wait is short and rare, and a plain try_lock is
    // understood by every thread checker.
    std::unique_lock<std::timed_mutex> lock(mutex, std::try_to_lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAllocationWaitMs);
    while (!lock.owns_lock() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.try_lock();
    }
    if (!lock.owns_lock()) return kNoSoundGroup;
    std::uint16_t slot = groupCount;
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (!inUse[i] && !groups[i]) {
            slot = i;
            break;
        }
    // Numbers are u16 and 0xFFFF means none: the table stops one short of it.
    if (slot == kNoSoundGroup) return kNoSoundGroup;
    Reach(groups, slot);
    Reach(inUse, slot);
    Reach(deleteWhenDone, slot);
    deleteWhenDone[slot] = 0;
    void* memory = soundPool ? PoolOperatorNew(sizeof(SoundGroup), 0, soundPool) : nullptr;
    if (!memory) return kNoSoundGroup;
    groups[slot] = new (memory) SoundGroup(slot);
    inUse[slot] = 1;
    if (slot == groupCount) ++groupCount;
    return slot;
}

void SoundManager::DeleteGroup(std::uint16_t slot) {
    SoundGroup* g = groups[slot];
    inUse[slot] = 0;
    groups[slot] = nullptr;
    if (!g) return;
    g->~SoundGroup();
    MemFreePtr(g);
}

void SoundManager::DeleteAllGroups() {
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (groups[i]) DeleteGroup(i);
}

int SoundManager::GroupsInUse() {
    std::lock_guard<std::timed_mutex> lock(mutex);
    int n = 0;
    for (std::uint16_t i = 0; i < groupCount; ++i) n += inUse[i] ? 1 : 0;
    return n;
}

ContainerBase* SoundManager::GetGroup(std::uint16_t group) {
    if (!soundAvailable) return nullptr;
    std::lock_guard<std::timed_mutex> lock(mutex);
    return new Container<SoundGroup*>(GroupAt(group));
}

void SoundManager::AddWave(const WaveNameStruct& wave) {
    if (!soundAvailable) return;
    const std::string path = WavePath(wave.kind, wave.waveName);
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(wave.group)) g->AddWave(path);
}

void SoundManager::AddListOfWaves(const ListOfWavesStruct& waves) {
    ListIterator<std::string> it(&waves.waveNames);
    std::string name;
    while (it.Next(name)) AddWave(WaveNameStruct{waves.group, name, waves.kind});
}

void SoundManager::PlayGroup(std::uint16_t group) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    SoundGroup* g = GroupAt(group);
    if (!g) return;
    g->SetVolume(ClassVolume(g->VolumeClass()));
    g->Start();
}

void SoundManager::Stop(std::uint16_t group) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(group)) g->Stop();
}

void SoundManager::Rewind(std::uint16_t group) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(group)) g->DirectX2Wave::Rewind();
}

void SoundManager::Loop(const LoopStruct& loop) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(loop.group)) {
        g->SetLoop(loop.loop);
        g->SetLoopFlag(loop.loop);
    }
}

void SoundManager::Random(const RandomStruct& random) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(random.group)) g->SetRandom(random.random);
}

void SoundManager::Delay(const DelayStruct& delay) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(delay.group)) g->SetDelay(delay.on, delay.minimum, delay.maximum);
}

void SoundManager::DeleteWhenDone(std::uint16_t group) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (GroupAt(group)) deleteWhenDone[group] = 1;
}

void SoundManager::PlayWave(const std::string& name) {
    const std::uint16_t group = AllocateGroup();
    if (group == kNoSoundGroup) return;
    AddWave(WaveNameStruct{group, name, kSoundDirectory});
    PlayGroup(group);
    DeleteWhenDone(group);
}

void SoundManager::SetClassCount(std::uint16_t n) {
    classCount = n;
    if (n > 0) EnsureClass(static_cast<std::uint16_t>(n - 1));
    for (std::uint16_t i = 0; i < n; ++i) classOff[i] = 0;
}

void SoundManager::SetGroupClass(std::uint16_t group, std::uint16_t volumeClass) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(group)) g->SetVolumeClass(volumeClass);
}

void SoundManager::SetGroupLargeBuffer(std::uint16_t group) {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    if (SoundGroup* g = GroupAt(group)) g->SetLargeBuffer();
}

void SoundManager::SetClassVolume(std::uint16_t volumeClass, std::int16_t value) {
    if (!soundAvailable) return;
    const std::int16_t attenuation = VolumeToAttenuation(value);
    EnsureClass(volumeClass);
    classAttenuation[volumeClass] = attenuation;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i); g && g->VolumeClass() == volumeClass) g->SetVolume(attenuation);
}

void SoundManager::SetVolume(std::int16_t value) {
    if (!soundAvailable) return;
    const std::int16_t attenuation = VolumeToAttenuation(value);
    if (classCount > 0) EnsureClass(static_cast<std::uint16_t>(classCount - 1));
    for (std::uint16_t c = 0; c < classCount; ++c) classAttenuation[c] = attenuation;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i); g && !ClassOff(g->VolumeClass())) g->SetVolume(attenuation);
}

void SoundManager::SetClassOn(std::uint16_t volumeClass, std::int16_t on) {
    if (!soundAvailable) return;
    EnsureClass(volumeClass);
    classOff[volumeClass] = on == 0 ? 1 : 0;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i); g && g->VolumeClass() == volumeClass) {
            if (on) g->FullVolume();
            else g->Silence();
        }
}

void SoundManager::SetAllOn(std::int16_t on) {
    if (!soundAvailable) return;
    if (classCount > 0) EnsureClass(static_cast<std::uint16_t>(classCount - 1));
    for (std::uint16_t c = 0; c < classCount; ++c) classOff[c] = on == 0 ? 1 : 0;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i)) {
            if (on) g->FullVolume();
            else g->Silence();
        }
}

void SoundManager::PauseAll() {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i); g && g->IsPlaying()) g->Pause();
}

void SoundManager::ResumeAll() {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i)
        if (SoundGroup* g = GroupAt(i); g && g->IsPlaying()) g->Resume();
}

void SoundManager::ServiceGroups() {
    if (!soundAvailable) return;
    std::lock_guard<std::timed_mutex> lock(mutex);
    for (std::uint16_t i = 0; i < groupCount; ++i) {
        SoundGroup* g = GroupAt(i);
        if (!g) continue;
        if (g->IsPlaying()) g->Poll();
        else if (deleteWhenDone[i]) DeleteGroup(i);
    }
}
