#pragma once
// The registry: keys and values kept in one text file, "registry.txt" in the user's
// configuration directory (VARNHOLD_HOME overrides it). Key and value names compare without
// regard to case, as the program expects. Each line of the file is either a key "[ROOT\a\b]" or a
// value "name=type:hex bytes" belonging to the key above it; names are written with "%"-escapes.
#include "platform/wintypes.h"

#include <string>

struct RegistryKeyRecord;
using HKEY = RegistryKeyRecord*;

HKEY RegistryRoot(int which);
#define HKEY_CLASSES_ROOT (RegistryRoot(0))
#define HKEY_CURRENT_USER (RegistryRoot(1))
#define HKEY_LOCAL_MACHINE (RegistryRoot(2))

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_INVALID_HANDLE = 6;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

LONG RegOpenKeyExA(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyExA(HKEY parent, const char* subKey, DWORD reserved, char* cls, DWORD options, DWORD access,
                     void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// With data null only the size is told. A buffer too small answers ERROR_MORE_DATA and leaves
// the buffer untouched.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* name);

namespace platform {
// The file behind the registry.
std::string RegistryFile();
// From now on HKEY_CLASSES_ROOT also tells what the desktop opens web pages with (".htm" and its
// open command, the desktop's opener "xdg-open"), wherever the registry file names no program of
// its own; these keys are never written to the file. False takes them away again.
void UseDesktopFileTypes(bool use = true);
// Forgets what was read, so that the next call reads the file again (tests change the home).
void ReloadRegistry();
} // namespace platform
