#include "sound/sound_preferences.h"

#include "platform/registry.h"
#include "sound/sound_manager.h"

#include <chrono>

namespace {

void Query(HKEY key, const char* name, std::int16_t& field) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) return;
    if (type != REG_DWORD || size != sizeof value) return;
    field = static_cast<std::int16_t>(value & 0xFFFF);
}

} // namespace

SoundPreferences ReadSoundPreferences(const std::string& productKey) {
    SoundPreferences p;
    HKEY key = nullptr;
    const std::string path = "SOFTWARE\\Tolvane\\" + productKey + "\\Preferences";
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return p;
    Query(key, "Music", p.music);
    Query(key, "Sound", p.sound);
    Query(key, "Ambient Sound", p.ambient);
    Query(key, "Volume", p.volume);
    Query(key, "Music Volume", p.musicVolume);
    RegCloseKey(key);
    return p;
}

void PublishSoundPreferences(Component& sender, const SoundPreferences& p) {
    const std::pair<const char*, std::int16_t> messages[] = {
        {"ToggleMusic", p.music}, {"SoundOn", p.sound}, {"AmbientSoundOn", p.ambient},
        {"SoundVolume", p.volume}, {"MusicVolume", p.musicVolume}};
    for (const auto& [name, value] : messages) {
        Container<short> payload(value);
        sender.PostNamed(name, &payload);
    }
}

SoundServiceThread::SoundServiceThread(SoundManager& manager_) : manager(manager_), thread([this] { Run(); }) {}

SoundServiceThread::~SoundServiceThread() { Stop(); }

void SoundServiceThread::Stop() {
    {
        std::lock_guard<std::mutex> g(lock);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
}

int SoundServiceThread::Passes() const {
    std::lock_guard<std::mutex> g(lock);
    return passes;
}

void SoundServiceThread::Run() {
    std::unique_lock<std::mutex> g(lock);
    while (!stopping) {
        g.unlock();
        manager.ServiceGroups();
        g.lock();
        ++passes;
        wake.wait_for(g, std::chrono::milliseconds(kPeriodMs), [this] { return stopping; });
    }
}
