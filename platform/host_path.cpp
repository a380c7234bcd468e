#include "platform/host_path.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <strings.h>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

std::string HostPath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) return path;

    fs::path given(path);
    fs::path built = given.root_path();
    for (const fs::path& part : given.relative_path()) {
        fs::path next = built / part;
        if (!fs::exists(next, ec)) {
            const fs::path dir = built.empty() ? fs::path(".") : built;
            const std::string wanted = part.string();
            for (const auto& entry : fs::directory_iterator(dir, ec)) {
                const std::string have = entry.path().filename().string();
                if (strcasecmp(have.c_str(), wanted.c_str()) == 0) {
                    next = built / have;
                    break;
                }
            }
        }
        built = next;
    }
    return built.string();
}

bool ReadWholeFile(const std::string& name, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(HostPath(name).c_str(), "rb"), &std::fclose);
    if (!file) return false;
    std::uint8_t buffer[8192];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) {
            if (std::ferror(file.get())) {
                bytes.clear();
                return false;
            }
            return true;
        }
    }
}

} // namespace platform
