#include "platform/registry.h"

#include "platform/path.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct RegistryKeyRecord {
    std::string path;  // "ROOT\a\b", as first written
    bool root = false;
};

namespace {

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
struct Key {
    std::string path;
    std::map<std::string, Value> values;  // by lower-case name
    bool desktop = false;                 // told by the desktop, never written to the file
};

struct Store {
    std::mutex lock;
    bool loaded = false;
    bool desktopFileTypes = false;
    std::map<std::string, Key> keys;  // by lower-case path
};

Store& TheStore() {
    static Store s;
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '%' || c == '=' || c == '[' || c == ']' || c < 0x20 || c >= 0x7F) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = HexDigit(s[i + 1]);
            const int lo = HexDigit(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

void AddDesktopKey(Store& st, const std::string& path, const std::string& text) {
    Key& k = st.keys[Lower(path)];
    k.path = path;
    k.desktop = true;
    Value v;
    v.type = REG_SZ;
    v.bytes.assign(text.begin(), text.end());
    v.bytes.push_back(0);
    k.values[""] = std::move(v);
}

// Web pages open with the desktop's own opener, unless the registry file names another program.
void AddDesktopFileTypes(Store& st) {
    if (st.keys.count(Lower("HKEY_CLASSES_ROOT\\.htm"))) return;
    AddDesktopKey(st, "HKEY_CLASSES_ROOT\\.htm", "htmlfile");
    if (st.keys.count(Lower("HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command"))) return;
    AddDesktopKey(st, "HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command", "\"xdg-open\" \"%1\"");
}

void Load(Store& st) {
    if (st.loaded) return;
    st.loaded = true;
    st.keys.clear();
    std::ifstream in(platform::RegistryFile());
    std::string line;
    Key* current = nullptr;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string path = Unescape(line.substr(1, line.size() - 2));
            Key& k = st.keys[Lower(path)];
            k.path = path;
            current = &k;
            continue;
        }
        const std::size_t eq = line.find('=');
        const std::size_t colon = line.find(':', eq == std::string::npos ? 0 : eq);
        if (!current || eq == std::string::npos || colon == std::string::npos) continue;
        Value v;
        v.name = Unescape(line.substr(0, eq));
        v.type = static_cast<DWORD>(std::strtoul(line.substr(eq + 1, colon - eq - 1).c_str(), nullptr, 10));
        const std::string hex = line.substr(colon + 1);
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0) break;
            v.bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
        }
        current->values[Lower(v.name)] = std::move(v);
    }
    if (st.desktopFileTypes) AddDesktopFileTypes(st);
}

bool Save(Store& st) {
    const std::string dir = platform::ConfigDirectory();
    platform::MakeDirectories(dir);
    const std::string file = platform::RegistryFile();
    const std::string temp = file + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out) return false;
        for (const auto& [lk, key] : st.keys) {
            if (key.desktop) continue;
            out << '[' << Escape(key.path) << "]\n";
            for (const auto& [ln, v] : key.values) {
                out << Escape(v.name) << '=' << v.type << ':';
                for (BYTE b : v.bytes) {
                    char buf[3];
                    std::snprintf(buf, sizeof buf, "%02x", b);
                    out << buf;
                }
                out << '\n';
            }
        }
        if (!out) return false;
    }
    // Written aside and renamed, so that a crash never leaves half a registry.
    return std::rename(temp.c_str(), file.c_str()) == 0;
}

std::string Join(HKEY parent, const char* sub) {
    std::string path = parent->path;
    if (sub && *sub) {
        std::string s = sub;
        while (!s.empty() && s.front() == '\\') s.erase(s.begin());
        while (!s.empty() && s.back() == '\\') s.pop_back();
        if (!s.empty()) path += "\\" + s;
    }
    return path;
}

} // namespace

HKEY RegistryRoot(int which) {
    static RegistryKeyRecord roots[3] = {{"HKEY_CLASSES_ROOT", true},
                                         {"HKEY_CURRENT_USER", true},
                                         {"HKEY_LOCAL_MACHINE", true}};
    return &roots[which < 0 || which > 2 ? 0 : which];
}

LONG RegOpenKeyExA(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result) {
    if (!parent || !result) return ERROR_INVALID_HANDLE;
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    Load(st);
    const std::string path = Join(parent, subKey);
    // Every key on the way exists implicitly once a key below it does.
    const std::string lower = Lower(path);
    bool found = false;
    for (const auto& [lk, k] : st.keys)
        if (lk == lower || lk.compare(0, lower.size() + 1, lower + "\\") == 0) {
            found = true;
            break;
        }
    if (!found) {
        *result = nullptr;
        return ERROR_FILE_NOT_FOUND;
    }
    *result = new RegistryKeyRecord{path, false};
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY parent, const char* subKey, DWORD, char*, DWORD, DWORD, void*, HKEY* result,
                     DWORD* disposition) {
    if (!parent || !result) return ERROR_INVALID_HANDLE;
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    Load(st);
    const std::string path = Join(parent, subKey);
    auto it = st.keys.find(Lower(path));
    if (disposition) *disposition = it == st.keys.end() ? 1 : 2;
    if (it == st.keys.end()) {
        Key& k = st.keys[Lower(path)];
        k.path = path;
        Save(st);
    }
    *result = new RegistryKeyRecord{path, false};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (!key->root) delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
    if (!key) return ERROR_INVALID_HANDLE;
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    Load(st);
    auto k = st.keys.find(Lower(key->path));
    if (k == st.keys.end()) return ERROR_FILE_NOT_FOUND;
    auto v = k->second.values.find(Lower(name ? name : ""));
    if (v == k->second.values.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->second.type;
    const DWORD need = static_cast<DWORD>(v->second.bytes.size());
    if (data) {
        if (!size || *size < need) {
            if (size) *size = need;
            return ERROR_MORE_DATA;
        }
        if (need) std::memcpy(data, v->second.bytes.data(), need);
    }
    if (size) *size = need;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (!key || (size && !data)) return ERROR_INVALID_HANDLE;
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    Load(st);
    Key& k = st.keys[Lower(key->path)];
    if (k.path.empty()) k.path = key->path;
    // A value of the program's own makes the key its own: written to the file from now on.
    if (k.desktop) {
        k.desktop = false;
        k.values.clear();
    }
    Value v;
    v.name = name ? name : "";
    v.type = type;
    v.bytes.assign(data, data + size);
    k.values[Lower(v.name)] = std::move(v);
    return Save(st) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteValueA(HKEY key, const char* name) {
    if (!key) return ERROR_INVALID_HANDLE;
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    Load(st);
    auto k = st.keys.find(Lower(key->path));
    if (k == st.keys.end() || k->second.values.erase(Lower(name ? name : "")) == 0) return ERROR_FILE_NOT_FOUND;
    Save(st);
    return ERROR_SUCCESS;
}

namespace platform {
std::string RegistryFile() { return ConfigDirectory() + "/registry.txt"; }

void UseDesktopFileTypes(bool use) {
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    st.desktopFileTypes = use;
    if (!st.loaded) return;
    if (use) {
        AddDesktopFileTypes(st);
        return;
    }
    for (auto it = st.keys.begin(); it != st.keys.end();) it = it->second.desktop ? st.keys.erase(it) : std::next(it);
}

void ReloadRegistry() {
    Store& st = TheStore();
    std::lock_guard<std::mutex> g(st.lock);
    st.loaded = false;
    st.keys.clear();
}
} // namespace platform
