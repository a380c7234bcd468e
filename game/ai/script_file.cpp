#include "game/ai/script_file.h"

#include "platform/path.h"

#include <cstdio>

// Script names are written the Windows way; the platform's mapping finds them here.
std::string ScriptHostPath(const std::string& name) { return platform::MapPath(name); }

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
