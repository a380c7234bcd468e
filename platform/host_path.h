#pragma once
// The game names its files the Windows way: "\" separators, no regard to case. This maps such a
// name onto the host's file system and reads files whole.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The host path for a game file name: every "\" becomes "/", and where a component does not
// exist as written, a directory entry that differs from it only in case stands in for it.
std::string HostPath(const std::string& name);

// Reads the whole file; false (bytes empty) when it does not open or a read fails. The file is
// closed before this returns, whatever happened.
bool ReadWholeFile(const std::string& name, std::vector<std::uint8_t>& bytes);

} // namespace platform
