#include "tests/fuzz/fuzz_support.h"

#include "platform/clock.h"
#include "platform/msgbox.h"
#include "platform/window.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fuzz {

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        // Memory-backed where there is such a place: the targets write a file for every input.
        std::error_code error;
        const std::string where = std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0
                                      ? std::string("/dev/shm")
                                      : std::filesystem::temp_directory_path().string();
        std::string base = where + "/vh-fuzz-XXXXXX";
        if (char* made = mkdtemp(base.data())) path = made;
    }
    ~Scratch() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

void Begin() {
    static const bool done = [] {
        platform::UseVirtualClock(1000);
        platform::ResetWindowSystem();
        // Every box takes the answer that gives up without ending the program, unprinted: a
        // refusal is the expected outcome of most inputs.
        platform::SetMessageBoxPresenter([](const char*, const char*, UINT type) {
            switch (type & 0x0F) {
            case MB_OKCANCEL: return IDCANCEL;
            case MB_ABORTRETRYIGNORE: return IDIGNORE;
            case MB_YESNOCANCEL: return IDCANCEL;
            case MB_YESNO: return IDNO;
            case MB_RETRYCANCEL: return IDCANCEL;
            default: return IDOK;
            }
        });
        return true;
    }();
    static_cast<void>(done);
    platform::ClearShownMessageBoxes();
}

const std::string& ScratchDirectory() {
    static Scratch scratch;
    return scratch.path;
}

std::string WriteScratch(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchDirectory() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace fuzz

namespace fuzz {

void CopyDataFiles(const std::string& suffix, const std::string& directory) {
    const char* data = std::getenv("VH_FUZZ_DATA");
    if (!data || !*data) return;
    const auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string want = lower(suffix);
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(data, error)) {
        const std::string name = lower(e.path().filename().string());
        if (!e.is_regular_file() || name.size() < want.size() || name.compare(name.size() - want.size(), want.size(), want) != 0)
            continue;
        std::filesystem::copy_file(e.path(), std::filesystem::path(directory) / e.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, error);
    }
}

} // namespace fuzz
