#pragma once
// The program-wide tables of the ten fixed battles that the front-end dialogs read: the plain
// scenario file of each index, the string-table id of its title, and the details number of its
// plain entry in the variant list. Index 10 is the custom scenario, chosen by file.
#include <cstdint>
#include <string>

namespace frontend {

constexpr int kScenarioCount = 10;
constexpr int kCustomScenario = 10;

// "FBULLRN.SCN" ... for 0..9, "FUTURE SCENARIO" for 10, empty beyond.
const char* ScenarioFileName(std::int32_t index);
// The title's string id; 0 (no title) for 10 and beyond.
std::uint32_t ScenarioTitleId(std::int32_t index);
// Non-zero for 0..9.
std::uint32_t ScenarioDetailsNumber(std::int32_t index);

// A text of the application's string table; empty without an application or an entry.
std::string ResourceString(std::uint32_t id);
// The application's directory of a kind (the kinds of the game's directory table); empty
// without an application.
std::string Directory(std::int16_t kind);

} // namespace frontend
