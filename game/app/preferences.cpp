#include "game/app/preferences.h"

#include "platform/registry.h"

#include <cstring>

namespace preferences {
namespace {

// The Preferences key, made when missing; null when the registry refused it.
HKEY OpenPreferences(DWORD access) {
    HKEY software = nullptr, publisher = nullptr, product = nullptr, prefs = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &software) != ERROR_SUCCESS) {
        // A fresh registry has no SOFTWARE key yet: make it, as the installer would have.
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software,
                            nullptr) != ERROR_SUCCESS)
            return nullptr;
    }
    if (RegCreateKeyExA(software, kPublisher, 0, nullptr, 0, access, nullptr, &publisher, nullptr) == ERROR_SUCCESS &&
        RegCreateKeyExA(publisher, kProduct, 0, nullptr, 0, access, nullptr, &product, nullptr) == ERROR_SUCCESS)
        RegCreateKeyExA(product, kKey, 0, nullptr, 0, access, nullptr, &prefs, nullptr);
    if (product) RegCloseKey(product);
    if (publisher) RegCloseKey(publisher);
    RegCloseKey(software);
    return prefs;
}

void SetDword(HKEY key, const char* name, std::int32_t value) {
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    const BYTE bytes[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                           static_cast<BYTE>(v >> 24)};
    RegSetValueExA(key, name, 0, REG_DWORD, bytes, sizeof bytes);
}

// Written back sign-extended, as the 16-bit field was read from the low half.
void SetField(HKEY key, const char* name, std::uint16_t field) {
    SetDword(key, name, static_cast<std::int16_t>(field));
}

// The value's 32 bits into the buffer; a failed query leaves the buffer as it was.
bool Query(HKEY key, const char* name, std::uint32_t& buffer) {
    BYTE bytes[4];
    DWORD size = sizeof bytes;
    DWORD type = REG_NONE;
    if (!key || RegQueryValueExA(key, name, nullptr, &type, bytes, &size) != ERROR_SUCCESS || size != 4) return false;
    buffer = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
             static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

void WriteFirstStartDefaults(HKEY key) {
    for (const char* name : {"Movement Animation", "Combat Animation", "Sound", "Ambient Sound", "Music",
                             "Finish Leader", "Group Move Confirm", "Overall Combat Results", "Show Intro Video",
                             "Auto Save"})
        SetDword(key, name, 1);
    SetDword(key, "Volume", 5000);
    SetDword(key, "Music Volume", 5000);
    SetDword(key, "Sparse Trees", 0);
    SetDword(key, "Last A/I Type", 0);
    // The first start keeps the extras quiet.
    SetDword(key, "Ambient Sound", 0);
    SetDword(key, "Music", 0);
    SetDword(key, "Show Intro Video", 0);
}

} // namespace

void Read(PreferenceRecord& record) {
    HKEY key = OpenPreferences(KEY_ALL_ACCESS);
    std::uint32_t buffer = 0;
    if (key && !Query(key, "Movement Animation", buffer)) WriteFirstStartDefaults(key);
    if (key) {
        struct Field {
            const char* name;
            std::uint16_t PreferenceRecord::*field;
        };
        static constexpr Field kOrder[] = {
            {"Movement Animation", &PreferenceRecord::movementAnimation},
            {"Combat Animation", &PreferenceRecord::combatAnimation},
            {"Sound", &PreferenceRecord::sound},
            {"Ambient Sound", &PreferenceRecord::ambientSound},
            {"Music", &PreferenceRecord::music},
            {"Sparse Trees", &PreferenceRecord::sparseTrees},
            {"Finish Leader", &PreferenceRecord::finishLeader},
            {"Group Move Confirm", &PreferenceRecord::groupMoveConfirm},
            {"Overall Combat Results", &PreferenceRecord::overallCombatResults},
            {"Show Intro Video", &PreferenceRecord::showIntroVideo},
            {"Auto Save", &PreferenceRecord::autoSave},
            {"Volume", &PreferenceRecord::volume},
            {"Music Volume", &PreferenceRecord::musicVolume},
        };
        for (const Field& f : kOrder) {
            Query(key, f.name, buffer);
            record.*f.field = static_cast<std::uint16_t>(buffer & 0xFFFF);
        }
        RegCloseKey(key);
    }
    record.casualtyTestA = 0;
    record.casualtyTestB = 0;
}

void Write(const PreferenceRecord& record) {
    HKEY key = OpenPreferences(KEY_WRITE);
    if (!key) return;
    SetField(key, "Movement Animation", record.movementAnimation);
    SetField(key, "Combat Animation", record.combatAnimation);
    SetField(key, "Sound", record.sound);
    SetField(key, "Ambient Sound", record.ambientSound);
    SetField(key, "Music", record.music);
    SetField(key, "Sparse Trees", record.sparseTrees);
    SetField(key, "Finish Leader", record.finishLeader);
    SetField(key, "Group Move Confirm", record.groupMoveConfirm);
    SetField(key, "Overall Combat Results", record.overallCombatResults);
    SetField(key, "Auto Save", record.autoSave);
    SetField(key, "Show Intro Video", record.showIntroVideo);
    SetField(key, "Volume", record.volume);
    SetField(key, "Music Volume", record.musicVolume);
    RegCloseKey(key);
}

} // namespace preferences
