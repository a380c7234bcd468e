#include "platform/path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {
namespace {

bool Exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

// The entry of `dir` whose name equals `name` ignoring case; empty when none.
std::string FindIgnoringCase(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

} // namespace

std::string MapPath(const std::string& windowsPath) {
    std::string p = windowsPath;
    for (char& c : p)
        if (c == '\\') c = '/';
    if (p.empty() || Exists(p)) return p;

    std::vector<std::string> parts;
    std::string prefix;
    std::size_t i = 0;
    if (p[0] == '/') {
        prefix = "/";
        i = 1;
    }
    while (i <= p.size()) {
        std::size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        parts.push_back(p.substr(i, j - i));
        i = j + 1;
    }
    std::string out = prefix;
    bool lost = false;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::string& part = parts[k];
        std::string next = part;
        if (!lost && !part.empty() && part != "." && part != "..") {
            const std::string candidate = out + part;
            if (!Exists(candidate)) {
                std::string match = FindIgnoringCase(out.empty() ? "." : out, part);
                if (match.empty())
                    lost = true;
                else
                    next = match;
            }
        }
        out += next;
        if (k + 1 < parts.size()) out += '/';
    }
    return out;
}

std::string ConfigDirectory() {
    if (const char* home = std::getenv("VARNHOLD_HOME"); home && *home) return home;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/varnhold";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/varnhold";
    return ".varnhold";
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::string sofar;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!sofar.empty() && !Exists(sofar)) ::mkdir(sofar.c_str(), 0755);
        }
        if (i < path.size()) sofar += path[i];
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadWholeFile(const std::string& windowsPath, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(MapPath(windowsPath).c_str(), "rb"), &std::fclose);
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
