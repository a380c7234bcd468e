// The registry's file: read as the program reads it at start (the values of the application's
// key, and the preferences), and written back where the program writes to it.
#include "game/app/preferences.h"
#include "platform/registry.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>

namespace {

void Query(HKEY key, const char* name) {
    BYTE buffer[128];
    DWORD size = sizeof buffer, type = REG_NONE;
    RegQueryValueExA(key, name, nullptr, &type, buffer, &size);
    DWORD needed = 0;
    RegQueryValueExA(key, name, nullptr, &type, nullptr, &needed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    // The registry lives in this process's scratch directory, never in a real home.
    static const bool home = ::setenv("VARNHOLD_HOME", fuzz::ScratchDirectory().c_str(), 1) == 0;
    if (!home) return 0;
    fuzz::WriteScratch("registry.txt", data, size);
    platform::ReloadRegistry();
    HKEY software = nullptr, publisher = nullptr, application = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software) == ERROR_SUCCESS &&
        RegOpenKeyExA(software, "Tolvane", 0, KEY_READ, &publisher) == ERROR_SUCCESS &&
        RegOpenKeyExA(publisher, "Varnhold Demo", 0, KEY_READ, &application) == ERROR_SUCCESS) {
        for (const char* name : {"Path", "Palette", "Second Path", "Install"}) Query(application, name);
        const BYTE one[4] = {1, 0, 0, 0};
        RegSetValueExA(application, "Install", 0, REG_DWORD, one, sizeof one);
    }
    for (HKEY key : {application, publisher, software})
        if (key) RegCloseKey(key);
    PreferenceRecord preferences;
    // On a first start (most inputs) this writes the defaults back, value by value.
    preferences::Read(preferences);
    return 0;
}
