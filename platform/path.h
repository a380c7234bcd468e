#pragma once
// Data-file names are written the Windows way ("\" separators, any letter case). MapPath turns
// one into a path of this system: "\" becomes "/", and each component that does not exist as
// written is looked up case-insensitively in its directory. A name that cannot be found keeps
// its remaining components as written, so a file can still be created under it.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

std::string MapPath(const std::string& windowsPath);

// Reads a data file, named the Windows way, whole; false (bytes empty) when it does not open or a
// read fails. The file is closed before this returns, whatever happened.
bool ReadWholeFile(const std::string& windowsPath, std::vector<std::uint8_t>& bytes);

// The user's configuration directory for the program: $VARNHOLD_HOME when set, else
// $XDG_CONFIG_HOME/varnhold, else $HOME/.config/varnhold. Created on demand by its users.
std::string ConfigDirectory();

// Creates a directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);

} // namespace platform
