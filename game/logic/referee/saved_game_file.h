#pragma once
// The saved-game file as the game logic sees it: a header written by the application, then the
// blocks that components append. The header reserves two u32 slots, the start of the logical
// layer's block at byte 8 and the start of the campaign block at byte 12, so every block can be
// found again whatever the length of the blocks before it.
//
// A block is appended before its slot is rewritten: a write that fails leaves the slot naming the
// block of the previous save, which is still whole.
#include "core/super_string.h"

#include <cstdint>
#include <string>

namespace saved_game {

// The header's length as far as the game logic relies on it.
inline constexpr std::uint32_t HeaderBytes = 16;
inline constexpr std::uint32_t LayerSlot = 8;
inline constexpr std::uint32_t CampaignSlot = 12;

// Appends the block's bytes at the end of the file and records where they start in the header's
// slot. False, with the reason in error, when the file does not open, has no header, or a write
// fails.
bool AppendBlock(const std::string& file, std::uint32_t slot, const SuperString& block, std::string& error);

// The bytes from the start the slot names to the end of the file.
// False, with the reason in error, when the file does not open, has no header or the slot names
// a place outside the file.
bool ReadBlock(const std::string& file, std::uint32_t slot, std::string& block, std::string& error);

// A stream that holds the bytes, at read position 0.
bool FillStream(SuperString& s, const std::string& bytes);

} // namespace saved_game
