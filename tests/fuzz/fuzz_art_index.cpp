// The art index "Vhqif.map": the application finds libraries by name through it and opens the
// data file a record names. One application (registry, data directory with one library) serves
// every input; each input is the index, and two libraries are looked up through it.
#include "core/assertion.h"
#include "platform/registry.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/datagen/qif_writer.h"
#include "ui/qif.h"
#include "ui/windows/game_app_stand_in.h"

#include <cstdlib>
#include <filesystem>

namespace {

GameAppStandIn* MakeApp() {
    const std::string home = fuzz::ScratchDirectory();
    const std::string data = home + "/data";
    std::filesystem::create_directories(data);
    ::setenv("VARNHOLD_HOME", home.c_str(), 1);
    platform::ReloadRegistry();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvane\\Varnhold Demo", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
    }
    datagen::ImageSpec plain{"plain", 3, 2, 1, 1, 1, {1, 2, 3, 4, 5, 6}, {}};
    datagen::WriteLibrary(data + "/FIRST.QIF", datagen::LibrarySpec{"", {{"First", {plain}}}});
    return new GameAppStandIn();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    static GameAppStandIn* app = MakeApp();
    fuzz::WriteScratch("data/Vhqif.map", data, size);
    try {
        // The application shares and frees what the index led to when the last user closes.
        for (const char* name : {"Blocks", "Unit Flags"}) QIF<Bitmap> library(name);
    } catch (const Assertion&) {
        // A report answered by stopping: the program's own way out.
    }
    static_cast<void>(app);
    return 0;
}
