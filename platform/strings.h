#pragma once
// The string table: the program's texts, kept in resources/strings.txt and compiled into the
// program. Looked up by id as LoadString does.
#include "platform/wintypes.h"

#include <map>
#include <string>
#include <vector>

// Copies the text of id into buffer, at most bufferMax - 1 characters, and terminates it.
// Returns the number of characters copied; 0 (and an empty buffer) when the id has no text.
int LoadString(HINSTANCE instance, UINT id, char* buffer, int bufferMax);

namespace platform {

// The longest text a caller of the string table ever receives.
constexpr int kMaxStringLength = 255;

struct StringTable {
    std::map<UINT, std::string> texts;
    std::vector<std::string> problems; // one line per malformed entry, duplicate id or long text
};

// Reads the table format: "<id> <text>" per line with \n \r \t \\ escapes; # comments.
StringTable ParseStringTable(const char* source);

// The program's own table, parsed once.
const StringTable& ProgramStringTable();

} // namespace platform
