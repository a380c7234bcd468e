#pragma once
// Starting the program the desktop associates with ".htm" files, for the history and battle
// articles. The command lines are kept here, in order, and started with WinExec (the desktop runs
// the program; a headless run records the request and starts nothing), or handed to a starter
// that a test installs in its place.
#include <functional>
#include <string>
#include <vector>

namespace frontend {

// The default value of HKEY_CLASSES_ROOT\<key> (at most 255 bytes); empty when missing.
std::string ClassesRootDefault(const std::string& key);
// The program part of a shell command: leading double quotes skipped, cut at the next one.
std::string CommandProgram(const std::string& command);
// The open command's program for ".htm" files; empty when the registry names none.
std::string HtmlOpenProgram();

void StartCommand(const std::string& commandLine);
using CommandStarter = std::function<void(const std::string&)>;
void SetCommandStarter(CommandStarter starter);
const std::vector<std::string>& StartedCommands();
void ClearStartedCommands();

} // namespace frontend
