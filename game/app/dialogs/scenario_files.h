#pragma once
// The files the scenario choice lists: variant files ("*.var": one record naming a scenario
// file to load for a scenario index, with its list title) and the heads of scenario files
// ("*.scn": title, subtitle, description). Read from raw bytes, little-endian, field by field;
// every count is checked against what the file holds.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace frontend {

// The names of the files in a directory (named the Windows way) whose extension is `extension`
// (".var"), any letter case, sorted by name so that every run lists them alike.
std::vector<std::string> FindFiles(const std::string& directory, const std::string& extension);

struct VariantRecord {
    std::int32_t scenarioIndex = 0;
    std::string scenarioFile;
    std::uint32_t detailsNumber = 0;
    std::string title;
};

enum class ReadResult { kRead, kOtherScenario, kDamaged };

// The first record when it belongs to `scenarioIndex`; kOtherScenario when its index differs;
// kDamaged when the bytes end inside it or a text passes the 255 bytes the game holds.
ReadResult ReadVariantRecord(const std::vector<std::uint8_t>& bytes, std::int32_t scenarioIndex, VariantRecord& out);

struct ScenarioHead {
    std::string title;
    std::string subtitle;
    std::string description;  // at most kDescriptionLimit bytes
};
constexpr std::size_t kDescriptionLimit = 1023;

// The head of a scenario file; none when it does not start with 0 and 4 or ends inside the head.
std::optional<ScenarioHead> ReadScenarioHead(const std::vector<std::uint8_t>& bytes);

} // namespace frontend
