#pragma once
// Process and thread queries: ids, and what the address space of a process holds.
#include "platform/wintypes.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Ids are unique across the system while the thread or process lives.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// Starts the program a command line names, with the rest of the line as the one document it
// opens: the current backend starts it (the real one runs it on its own, the headless one only
// records the request). Above 31 when it was started; ERROR_FILE_NOT_FOUND (2) when the line
// names no program or the program cannot be found.
UINT WinExec(const char* commandLine, UINT show);

namespace platform {

// What a command line asks to start: the program and its arguments, paths already this system's.
struct ProgramRequest {
    std::string program;
    std::vector<std::string> arguments;
};

// A command line split the way Windows starts one: a program in double quotes is taken up to the
// closing quote; an unquoted one ends at the first blank unless a longer part of the line, ended
// by a later blank, names an existing file (a program in a directory with blanks in its name).
// The rest of the line, blanks trimmed, is one argument: a path written the Windows way is mapped
// to this system's. False when the line names no program.
bool SplitCommandLine(const std::string& line, ProgramRequest& request);

// The program's file: a name with a '/' as it stands, else the first executable file of that
// name in $PATH; empty when there is none.
std::string FindProgram(const std::string& name);

// Starts the program on its own, detached from this process (it is not waited for and outlives
// it); false when it cannot be found or started.
bool StartDetached(const ProgramRequest& request);

// The requests the headless backend recorded, oldest first.
const std::vector<ProgramRequest>& RecordedProgramRequests();
void ClearRecordedProgramRequests();

// True when the address lies in a mapping of this process that may be executed.
bool IsExecutableAddress(const void* address);

// Lowest address at or above `from` (a multiple of 64 KB) where `bytes` of address space are
// free in process `pid` and the range ends at or below `limit`: stored in `found`, 0 when there
// is none. False when the process cannot be inspected.
bool FindFreeAddressRange(DWORD pid, std::uintptr_t from, std::size_t bytes, std::uintptr_t limit,
                          std::uintptr_t* found);

} // namespace platform
