#include "game/ai/script_file.h"

#include <cstdio>
#include <filesystem>
#include <strings.h>
#include <system_error>

namespace {
namespace fs = std::filesystem;
}

std::string ScriptHostPath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) return path;

    // Walk the components, replacing each missing one by an entry that matches it without case.
    fs::path given(path);
    fs::path built = given.root_path();
    for (const fs::path& part : given.relative_path()) {
        fs::path next = built / part;
        if (!fs::exists(next, ec)) {
            fs::path dir = built.empty() ? fs::path(".") : built;
            std::string wanted = part.string();
            for (const auto& entry : fs::directory_iterator(dir, ec)) {
                std::string have = entry.path().filename().string();
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

bool ReadScriptFile(const std::string& name, std::string& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(ScriptHostPath(name).c_str(), "rb");
    if (!f) return false;
    char buffer[8192];
    bool ok = true;
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
        bytes.append(buffer, got);
        if (got < sizeof buffer) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    return ok;
}
