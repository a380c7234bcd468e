#pragma once
// The network block of a saved game: what both peers need to reopen the same session. The
// saved-game header holds at offset 16 the u32 file offset of the block; the block is appended
// at the end of the file. Little-endian, no padding: u32 scenario index, u16-length scenario
// file, u16 player count, u16-length connection name, u16 leader count, then per leader a
// u16-length player name and a u16-length leader name; the transport's own data fills the rest.
#include "game/logic/combat_records.h"

#include <cstdint>
#include <string>
#include <vector>

struct NetGameBlock {
    static constexpr std::uint32_t kOffsetField = 16; // where the header keeps the block's offset
    static constexpr std::size_t kLongestText = 0x7FFF; // lengths are read back as signed 16 bits

    std::uint32_t scenarioIndex = 0xFFFFFFFFu;
    std::string scenarioFile;
    std::uint16_t playerCount = 0;
    std::string connectionName;
    std::vector<LeaderInfo> leaders;
    std::string transportData; // written and read by the session's transport, kept as bytes

    // The block's bytes; false (nothing produced) when a text or the leader list is too long to
    // be read back as it was written.
    bool Encode(std::string& out) const;
    // Reads a block that runs to the end of `bytes` from `offset`; false on a length that is
    // negative or runs past the end (the fields read so far are kept).
    bool Decode(const std::string& bytes, std::size_t offset);
};

// Appends the block to the file and points the header at it; false when the file cannot be
// opened, has no header, or the block cannot be encoded (the file is then left untouched).
bool AppendNetGameBlock(const std::string& path, const NetGameBlock& block);
// Reads the block the header points to; false when the file, header or block is damaged.
bool ReadNetGameBlock(const std::string& path, NetGameBlock& block);
