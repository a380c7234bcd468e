// The program: reads the command line, picks the window backend (the real one when there is a
// display, headless with --headless or without one), then starts the game. `--data DIR` does what
// an installer would: it checks that DIR holds the game's files and records it, with its palette
// file, in the registry. Without an installed data directory there is nothing to start: it says so.
#include "core/assertion.h"
#include "game/app/startup.h"
#include "game/pictures/picture_log.h"
#include "platform/clock.h"
#include "platform/input_script.h"
#include "platform/program_menus.h"
#include "platform/registry.h"
#include "platform/screen.h"
#if VH_HAVE_SDL
#include "platform/sdl/sdl_backend.h"
#endif

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kProductKey = "SOFTWARE\\Tolvane\\Varnhold Demo";

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: varnhold [--help] [--headless] [--data DIRECTORY] [--script FILE]\n"
                 "\n"
                 "  --help            show this text and end\n"
                 "  --data DIRECTORY  install the game's data directory (it must hold qifdemo.hed,\n"
                 "                    Vhqif.map and a palette file *.pal): its absolute path and its\n"
                 "                    palette are recorded in the registry, as an installer would,\n"
                 "                    and the game starts on it\n"
                 "  --headless        run without a display, even where one is available (the\n"
                 "                    default when DISPLAY is not set)\n"
                 "  --script FILE     headless only: take mouse, keys, waits, message-box answers\n"
                 "                    and screenshots from FILE (also VARNHOLD_SCRIPT=FILE)\n"
                 "\n"
                 "The registry file lives in $VARNHOLD_HOME (default $HOME/.config/varnhold).\n"
                 "VARNHOLD_PICTURE_LOG=FILE writes a debug log of the unit pictures' commands,\n"
                 "answers and drawn figures to FILE.\n");
}

// Every path the program shows uses '/', whatever separators it was built with.
std::string Shown(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// HKEY_LOCAL_MACHINE\SOFTWARE\Tolvane\Varnhold Demo\<value>
std::string InstalledValue(const char* value) {
    HKEY key = nullptr;
    std::string result;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
    char buffer[256];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        size <= sizeof buffer)
        result.assign(buffer, strnlen(buffer, size));
    RegCloseKey(key);
    return result;
}

// The names of a directory's regular files.
std::vector<std::string> FilesOf(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Holds(const std::vector<std::string>& names, const char* wanted) {
    const std::string w = Lower(wanted);
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return Lower(n) == w; });
}

// The palette file of a data directory: "Varnhold.pal" when present, else the first "*.pal".
std::string PaletteOf(const std::vector<std::string>& names) {
    std::string first;
    for (const std::string& n : names) {
        const std::string l = Lower(n);
        if (l == "varnhold.pal") return n;
        if (first.empty() && l.size() > 4 && l.compare(l.size() - 4, 4, ".pal") == 0) first = n;
    }
    return first;
}

// Checks the directory and makes its absolute path; an empty answer with `error` set when it is
// not a data directory of the game.
std::string CheckDataDirectory(const std::string& given, std::string& palette, std::string& error) {
    std::error_code ec;
    fs::path absolute = fs::absolute(fs::path(given), ec);
    if (ec) {
        error = "the data directory " + given + " cannot be resolved";
        return {};
    }
    absolute = absolute.lexically_normal();
    std::string shown = absolute.string();
    if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    if (!fs::is_directory(absolute, ec)) {
        error = fs::exists(absolute, ec) ? shown + " is not a directory" : "the data directory " + shown + " does not exist";
        return {};
    }
    const std::vector<std::string> names = FilesOf(absolute);
    std::vector<std::string> missing;
    for (const char* needed : {"qifdemo.hed", "Vhqif.map"})
        if (!Holds(names, needed)) missing.push_back(needed);
    palette = PaletteOf(names);
    if (palette.empty()) missing.push_back("a palette file (*.pal)");
    if (!missing.empty()) {
        error = shown + " is not a Varnhold data directory: it lacks ";
        for (std::size_t i = 0; i < missing.size(); ++i) error += (i ? ", " : "") + missing[i];
        return {};
    }
    return shown;
}

// True when the directory has a "history" directory (in any letter case).
bool HasHistory(const std::string& directory) {
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (Lower(it->path().filename().string()) == "history" && it->is_directory(ec)) return true;
    return false;
}

bool SetText(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// What an installer does: the data directory becomes the registry's "Path" and its palette file
// (a name relative to it) the registry's "Palette", the two values the application reads at start.
bool Install(const std::string& directory, const std::string& palette) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = SetText(key, "Path", directory) && SetText(key, "Palette", palette);
    // The demo's data directory also holds what the game's media would (the history article):
    // then it is the second data location too; without them there is no second location.
    if (HasHistory(directory))
        ok = ok && SetText(key, "Second Path", directory);
    else
        RegDeleteValueA(key, "Second Path");
    RegCloseKey(key);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    bool headless = display == nullptr || *display == '\0';
    std::string data, script;
    if (const char* s = std::getenv("VARNHOLD_SCRIPT"); s && *s) script = s;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            data = argv[++i];
        } else if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            script = argv[++i];
        } else {
            std::fprintf(stderr, "varnhold: unknown or incomplete option %s\n\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    // A script drives the headless screen only.
    if (!script.empty()) headless = true;

    // Web pages (the history and battle articles) open with the desktop's program for them.
    platform::UseDesktopFileTypes();

    // Tests of the parts run on the virtual clock; the program keeps real time.
    platform::UseRealClock();
    std::printf("Varnhold Demo 1.0\n");
    std::fflush(stdout);

    if (!data.empty()) {
        std::string palette, error;
        const std::string directory = CheckDataDirectory(data, palette, error);
        if (directory.empty()) {
            std::fprintf(stderr, "varnhold: %s\n", Shown(error).c_str());
            return 1;
        }
        if (!Install(directory, palette)) {
            std::fprintf(stderr, "varnhold: the data directory could not be recorded in %s\n",
                         Shown(platform::RegistryFile()).c_str());
            return 1;
        }
    }
    if (const char* log = std::getenv("VARNHOLD_PICTURE_LOG"); log && *log && !OpenPictureLog(log))
        std::fprintf(stderr, "varnhold: the picture log %s cannot be written\n", Shown(log).c_str());
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
    if (headless) {
        platform::StartBackend("headless");
        if (!script.empty()) {
            std::string error;
            if (!platform::StartInputScript(script, error)) {
                std::fprintf(stderr, "varnhold: %s\n", Shown(error).c_str());
                return 1;
            }
        }
    }

    // The frame's and the map windows' menus and the accelerators "Main" are the program's own.
    if (std::string error; !platform::RegisterProgramMenus(error)) {
        std::fprintf(stderr, "varnhold: the program's menus are damaged: %s\n", error.c_str());
        return 1;
    }

    int code = 0;
    try {
        code = WinMain(nullptr, nullptr, "", 1);
        if (code == 1) std::fprintf(stderr, "varnhold: another copy is running\n");
    } catch (const Assertion& failure) {
        std::fprintf(stderr, "varnhold: stopped: %s\n", Shown(failure.what()).c_str());
        code = 1;
    }
    // A script that could not be followed to its end is a failure of the run it drove.
    if (!script.empty() && !platform::InputScriptSucceeded()) {
        std::fprintf(stderr, "varnhold: the input script stopped: %s\n", platform::InputScriptError().c_str());
        if (code == 0) code = 3;
    }
    return code;
}
