#include "game/app/dialogs/shell_command.h"

#include "platform/process.h"
#include "platform/registry.h"
#include "platform/window.h"

#include <cstdio>

namespace frontend {

namespace {
CommandStarter& Starter() {
    static CommandStarter starter;
    return starter;
}
std::vector<std::string>& Started() {
    static std::vector<std::string> started;
    return started;
}
} // namespace

std::string ClassesRootDefault(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::string();
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG r = RegQueryValueExA(k, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return std::string();
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

std::string CommandProgram(const std::string& command) {
    std::size_t start = 0;
    while (start < command.size() && command[start] == '"') ++start;
    const std::size_t end = command.find('"', start);
    return command.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string HtmlOpenProgram() {
    const std::string type = ClassesRootDefault(".htm");
    if (type.empty()) return std::string();
    return CommandProgram(ClassesRootDefault(type + "\\shell\\open\\command"));
}

void StartCommand(const std::string& commandLine) {
    Started().push_back(commandLine);
    if (Starter()) Starter()(commandLine);
    // A program that cannot be started is not reported: the article is simply not shown.
    else WinExec(commandLine.c_str(), SW_SHOW);
}

void SetCommandStarter(CommandStarter starter) { Starter() = std::move(starter); }
const std::vector<std::string>& StartedCommands() { return Started(); }
void ClearStartedCommands() { Started().clear(); }

} // namespace frontend
