// The program: picks the window backend (the real one when there is a display, headless with
// --headless or without one), then starts the game. Without an installed data directory there
// is nothing to start: it says so and ends.
#include "core/assertion.h"
#include "game/app/startup.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/screen.h"
#if VH_HAVE_SDL
#include "platform/sdl/sdl_backend.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Usage() { std::fprintf(stderr, "usage: varnhold [--headless] [--data DIRECTORY]\n"); }

// HKEY_LOCAL_MACHINE\SOFTWARE\Tolvane\Varnhold Demo\<value>
std::string InstalledValue(const char* value) {
    HKEY key = nullptr;
    std::string result;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvane\\Varnhold Demo", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    char buffer[256];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        size <= sizeof buffer)
        result.assign(buffer, strnlen(buffer, size));
    RegCloseKey(key);
    return result;
}

// What an installer does: the data directory becomes the registry's "Path".
bool Install(const std::string& directory) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvane\\Varnhold Demo", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                                  static_cast<DWORD>(directory.size() + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

} // namespace

int main(int argc, char** argv) {
    bool headless = std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0';
    std::string data;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            data = argv[++i];
        } else {
            Usage();
            return 2;
        }
    }

    // Tests run on the virtual clock; the program keeps real time.
    platform::UseRealClock();
    std::printf("Varnhold Demo 1.0\n");
    std::fflush(stdout);

    if (!data.empty() && !Install(data)) {
        std::fprintf(stderr, "varnhold: the data directory could not be recorded in %s\n",
                     platform::RegistryFile().c_str());
        return 1;
    }
    if (InstalledValue("Path").empty()) {
        std::printf("No data directory is installed (varnhold --data DIRECTORY installs one).\n");
        return 0;
    }

#if VH_HAVE_SDL
    if (!headless) {
        platform::sdl::Register();
        if (!platform::StartBackend("sdl")) {
            std::fprintf(stderr, "varnhold: no display could be opened; running headless\n");
            headless = true;
        }
    }
#endif
    if (headless) platform::StartBackend("headless");

    try {
        const int code = WinMain(nullptr, nullptr, "", 1);
        if (code == 1) std::fprintf(stderr, "varnhold: another copy is running\n");
        return code;
    } catch (const Assertion& failure) {
        std::fprintf(stderr, "varnhold: stopped: %s\n", failure.what());
        return 1;
    }
}
