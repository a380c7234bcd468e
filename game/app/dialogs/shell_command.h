#pragma once
// Starting the program the desktop associates with ".htm" files, for the history and battle
// articles. Our window layer has no WinExec yet: the command lines are kept here, in order, and
// handed to an installed starter (the real backend's), none by default, so that a headless run
// starts nothing and only writes the command line on its error output.
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
