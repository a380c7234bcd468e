#pragma once
// The saved game's header as the application writes and reads it: five i32 slots that the
// components appending blocks may fill with their block offsets, the version hash, the save name,
// the scenario, the game mode and the logical layer's header word. Everything little-endian and
// byte-packed; the blocks follow it.
//
// Invariant: a header read back equals the one written, field by field, and a reader never takes
// a length or a mode that the bytes after it cannot hold.
#include <cstdint>
#include <string>
#include <vector>

namespace saved_game_header {

inline constexpr std::uint32_t kSlotCount = 5;
inline constexpr std::uint32_t kHashOffset = 20;
// The text whose hash marks a saved game of this version (string 78).
inline constexpr std::uint32_t kVersionStringId = 78;
inline constexpr const char* kExtension = ".Vh";

struct Header {
    std::uint32_t hash = 0;
    std::string saveName;
    std::int32_t scenarioIndex = 0;
    std::string scenarioName;
    std::int32_t gameMode = 0;
    std::uint16_t headerWord = 0;
};

// The text's length, then each whole 4-byte group and the 1 to 3 bytes left read as little-endian
// u32 values, all XORed together.
std::uint32_t VersionHash(const std::string& text);

// The header's bytes; every slot holds the start of the file (0).
std::vector<std::uint8_t> Encode(const Header& header);

// Reads the header from the bytes; how many bytes it took in used. False, with the reason in error,
// when a field runs past the end, a length is negative or the game mode is none of 0, 1, 2.
// The hash is only read here; the caller compares it.
bool Decode(const std::vector<std::uint8_t>& bytes, Header& header, std::size_t& used, std::string& error);

// Reads the first bytes of the file and decodes its header; the hash must be expectedHash.
bool ReadFile(const std::string& path, std::uint32_t expectedHash, Header& header, std::size_t& used,
              std::string& error);

// The autosave file of a game mode ("\Autosave.Vh" ...), "" for another mode.
const char* AutosaveFile(std::int32_t gameMode);
// The string id of the autosave's description prefix, 0 for another mode.
std::uint32_t AutosavePrefixId(std::int32_t gameMode);
// True when the path names one of the autosave files, compared without regard to case.
bool IsAutosavePath(const std::string& path);

} // namespace saved_game_header
