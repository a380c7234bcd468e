#pragma once
// SoundManager: the bus component that owns the numbered sound groups. It hands out group
// numbers, sorts groups into volume classes (class 0 at start) and drives them from named
// messages; the application's sound thread calls ServiceGroups every 200 ms to keep every
// playing group fed and to free the finished groups marked delete-when-done.
//
// Threads: one mutex guards the group table. Group allocation waits for it at most 200 ms and
// gives up; every other operation waits as long as it takes. The per-group operations called
// from the GUI thread take it too, so that they never touch a group the service pass is
// refilling or deleting. No operation takes it twice.
//
// Invariants: a slot is in use exactly when it holds a group; the group count only grows; a
// group's number is its slot.
#include "core/component.h"
#include "core/list.h"
#include "memory/pool_api.h"
#include "sound/sound_group.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

inline constexpr std::uint16_t kNoSoundGroup = 0xFFFF;

// Directory kinds of the sound files: the effects and the music waves.
inline constexpr std::uint16_t kSoundDirectory = 3;
inline constexpr std::uint16_t kMusicDirectory = 4;

// Payloads of the group messages.
struct WaveNameStruct {
    std::uint16_t group = 0;
    std::string waveName;
    std::uint16_t kind = kSoundDirectory;
};
struct ListOfWavesStruct {
    std::uint16_t group = 0;
    List<std::string> waveNames;
    std::uint16_t kind = kSoundDirectory;
};
struct LoopStruct {
    std::uint16_t group = 0;
    std::uint16_t loop = 0;
};
struct RandomStruct {
    std::uint16_t group = 0;
    std::uint16_t random = 0;
};
struct DelayStruct {
    std::uint16_t group = 0;
    std::uint16_t on = 0;
    std::uint16_t minimum = 0;
    std::uint16_t maximum = 0;
};

// A volume 0..10000 as an attenuation in hundredths of a decibel: 0 or less is silence
// (-10000), 10000 full volume (0); 1000 x log2(value / 9.76525) - 10000 in between.
std::int16_t VolumeToAttenuation(std::int16_t value);

class SoundManager : public Component {
public:
    static constexpr std::uint32_t kPoolFlags = 2; // serialised: both threads allocate
    static constexpr int kAllocationWaitMs = 200;

    explicit SoundManager(const char* name = nullptr);
    ~SoundManager() override;
    void Connect() override;
    virtual void SetVolume(std::int16_t value);

    // A new Container<short> with the number of a fresh group (the caller owns it), or null.
    ContainerBase* GetGroupNum();
    // The same as a plain number; kNoSoundGroup when none could be had.
    std::uint16_t AllocateGroup();
    // A new Container<SoundGroup *> (null pointer for a number that names no group).
    ContainerBase* GetGroup(std::uint16_t group);
    void AddWave(const WaveNameStruct& wave);
    void AddListOfWaves(const ListOfWavesStruct& waves);
    void PlayGroup(std::uint16_t group);
    void Stop(std::uint16_t group);
    void Rewind(std::uint16_t group);
    void Loop(const LoopStruct& loop);
    void Random(const RandomStruct& random);
    void Delay(const DelayStruct& delay);
    void DeleteWhenDone(std::uint16_t group);
    void PlayWave(const std::string& name);
    void SetClassCount(std::uint16_t n);
    void SetGroupClass(std::uint16_t group, std::uint16_t volumeClass);
    void SetGroupLargeBuffer(std::uint16_t group);
    void SetClassVolume(std::uint16_t volumeClass, std::int16_t value);
    void SetClassOn(std::uint16_t volumeClass, std::int16_t on);
    void SetAllOn(std::int16_t on);
    void PauseAll();
    void ResumeAll();
    void ServiceGroups();

    bool IsSoundAvailable() const { return soundAvailable != 0; }
    std::uint16_t GroupCount() const { return groupCount; }
    std::uint16_t ClassCount() const { return classCount; }
    bool SlotInUse(std::uint16_t slot) const { return slot < inUse.size() && inUse[slot] != 0; }
    bool SlotDeleteWhenDone(std::uint16_t slot) const { return slot < deleteWhenDone.size() && deleteWhenDone[slot] != 0; }
    // Slots in use now, counted under the table's lock (safe while the service thread runs).
    int GroupsInUse();
    // The group of a slot in use, else null. Tests and the game's manager only.
    SoundGroup* GroupAt(std::uint16_t slot) const;
    std::int16_t ClassAttenuation(std::uint16_t volumeClass) const;
    bool ClassOff(std::uint16_t volumeClass) const;
    static MEMPOOL SoundPool();

protected:
    // The full path of a wave of a directory kind.
    static std::string WavePath(std::uint16_t kind, const std::string& name);
    void EnsureClass(std::uint16_t volumeClass);
    // The volume a group of that class plays at now.
    std::int16_t ClassVolume(std::uint16_t volumeClass) const;
    void DeleteGroup(std::uint16_t slot);
    void DeleteAllGroups();

    std::uint16_t classCount = 1;
    std::vector<std::int16_t> classAttenuation{0};
    std::vector<std::uint16_t> classOff{0};
    std::uint16_t groupCount = 0;
    std::vector<SoundGroup*> groups;
    std::vector<std::uint16_t> inUse;
    std::vector<std::uint16_t> deleteWhenDone;
    std::uint16_t soundAvailable = 0;
    std::timed_mutex mutex;
};
