#pragma once
// Data-file names are written the Windows way ("\" separators, any letter case). MapPath turns
// one into a path of this system: "\" becomes "/", and each component that does not exist as
// written is looked up case-insensitively in its directory. A name that cannot be found keeps
// its remaining components as written, so a file can still be created under it.
#include <string>

namespace platform {

std::string MapPath(const std::string& windowsPath);

// The user's configuration directory for the program: $VARNHOLD_HOME when set, else
// $XDG_CONFIG_HOME/varnhold, else $HOME/.config/varnhold. Created on demand by its users.
std::string ConfigDirectory();

// Creates a directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);

} // namespace platform
