#pragma once
// What the game application does for sound, until the game application exists: the sound
// preferences read from the registry (HKEY_CURRENT_USER\SOFTWARE\Tolvane\<product>\Preferences,
// REG_DWORD values whose low 16 bits count; a value missing takes its default) and published as
// the named messages the sound manager answers; and the thread that serves the sound groups
// every 200 ms.
#include "core/component.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class SoundManager;

struct SoundPreferences {
    std::int16_t music = 0;       // "Music"
    std::int16_t sound = 1;       // "Sound"
    std::int16_t ambient = 0;     // "Ambient Sound"
    std::int16_t volume = 5000;   // "Volume"
    std::int16_t musicVolume = 5000; // "Music Volume"
};

SoundPreferences ReadSoundPreferences(const std::string& productKey = "Varnhold Demo");
// Posts "ToggleMusic", "SoundOn", "AmbientSoundOn", "SoundVolume", "MusicVolume" in this order,
// each with a Container<short> of its value.
void PublishSoundPreferences(Component& sender, const SoundPreferences& preferences);

// Calls ServiceGroups, then waits 200 ms of the real clock, until stopped. Stop (and the
// destructor) ends the thread and joins it: after it returns the manager may be destroyed.
class SoundServiceThread {
public:
    static constexpr int kPeriodMs = 200;

    explicit SoundServiceThread(SoundManager& manager);
    ~SoundServiceThread();
    void Stop();
    int Passes() const;

private:
    void Run();

    SoundManager& manager;
    mutable std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    int passes = 0;
    std::thread thread;
};
