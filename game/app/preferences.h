#pragma once
// The user's preferences: twenty 16-bit fields kept in the game application and under
// HKEY_CURRENT_USER\SOFTWARE\Tolvane\Varnhold Demo\Preferences as REG_DWORD values. A field takes
// the low 16 bits of its stored value and is written back sign-extended.
//
// Reading follows the old program's habit: a value that cannot be read leaves the field with the
// value the read before it produced, so that a hand-deleted value never turns into garbage.
#include <cstdint>

struct PreferenceRecord {
    std::uint16_t movementAnimation = 0;
    std::uint16_t combatAnimation = 0;
    std::uint16_t music = 0;
    std::uint16_t sound = 0;
    std::uint16_t ambientSound = 0;
    std::uint16_t debugSwitch = 0;
    std::uint16_t casualtyTestA = 0;
    std::uint16_t casualtyTestB = 0;
    std::uint16_t automaticWinA = 0;
    std::uint16_t automaticWinB = 0;
    std::uint16_t leaderOrder = 0;
    std::uint16_t volume = 0;
    std::uint16_t musicVolume = 0;
    std::uint16_t sparseTrees = 0;
    std::uint16_t reserved = 0;
    std::uint16_t finishLeader = 0;
    std::uint16_t groupMoveConfirm = 0;
    std::uint16_t overallCombatResults = 0;
    std::uint16_t showIntroVideo = 0;
    std::uint16_t autoSave = 1;
};

namespace preferences {

// The key below HKEY_CURRENT_USER\SOFTWARE.
inline constexpr const char* kPublisher = "Tolvane";
inline constexpr const char* kProduct = "Varnhold Demo";
inline constexpr const char* kKey = "Preferences";

// Reads the record from the registry; on a first start (no "Movement Animation") the defaults
// are written first. The two casualty tests always start off.
void Read(PreferenceRecord& record);
// Writes the stored fields of the record.
void Write(const PreferenceRecord& record);

} // namespace preferences
