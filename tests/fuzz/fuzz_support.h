#pragma once
// What the fuzz targets share: a scratch directory of this process where an input becomes a
// file for the readers that only open files by name, and the quiet settings every target needs
// (message boxes answered at once, the virtual clock).
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// At the start of every input: the headless window system and virtual clock (once), message
// boxes answered with the choice that gives up and never printed, none kept from the last input.
void Begin();
// The process's scratch directory (made on first use, removed at exit).
const std::string& ScratchDirectory();
// Writes the bytes to that name in the scratch directory and returns its full path.
std::string WriteScratch(const std::string& name, const std::uint8_t* data, std::size_t size);

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {
// Copies the files of the generated data directory (VH_FUZZ_DATA) whose names end in `suffix`
// (case-insensitive) into `directory`; nothing when the variable is not set.
void CopyDataFiles(const std::string& suffix, const std::string& directory);
} // namespace fuzz
