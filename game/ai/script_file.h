#pragma once
// Script sources and compiled scripts are named the way the game names every data file: with
// "\" separators and without regard to case. This maps such a name onto the host's files.
#include <string>

// The host path for a game file name: "\" becomes "/", and where a component does not exist
// as written, a directory entry that differs from it only in case is taken instead.
std::string ScriptHostPath(const std::string& name);

// Reads a whole file; false when it does not open or a read fails.
bool ReadScriptFile(const std::string& name, std::string& bytes);
