#include "platform/cursor.h"

#include "platform/cursor_file.h"
#include "platform/gdi.h"
#include "platform/path.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct CursorRecord {
    unsigned systemId = 0;
    std::string name;
    bool shared = true;  // system cursors and program resources are never destroyed
    platform::CursorImage image;  // a cursor read from a file: its frames
};

struct IconRecord {
    unsigned systemId = 0;
    std::string name;
};

namespace {

struct Cursors {
    std::map<unsigned, std::unique_ptr<CursorRecord>> system;
    std::map<std::string, std::unique_ptr<CursorRecord>> named;
    std::map<unsigned, std::unique_ptr<IconRecord>> systemIcons;
    std::map<std::string, std::unique_ptr<IconRecord>> namedIcons;
    std::set<std::string> cursorResources, iconResources;
    HCURSOR current = nullptr;
    platform::CursorObserver observer = nullptr;
};

Cursors& C() {
    static Cursors c;
    return c;
}

unsigned IdOf(const char* name) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(name)); }

} // namespace

HCURSOR LoadCursorA(HINSTANCE instance, const char* name) {
    Cursors& c = C();
    if (IS_INTRESOURCE(name)) {
        const unsigned id = IdOf(name);
        if (instance || id < 32512 || id > 32650) return nullptr;
        auto& slot = c.system[id];
        if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{id, {}, true, {}});
        return slot.get();
    }
    if (!c.cursorResources.count(name)) return nullptr;
    auto& slot = c.named[name];
    if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{0, name, true, {}});
    return slot.get();
}

HCURSOR LoadCursorFromFileA(const char* path) {
    if (!path) return nullptr;
    const std::string mapped = platform::MapPath(path);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(mapped.c_str(), "rb"), &std::fclose);
    if (!f) return nullptr;
    // No cursor file comes near this size; a larger one is not read at all.
    constexpr std::size_t kMaxFileSize = 32u << 20;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[16384];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f.get())) > 0;) {
        if (bytes.size() + got > kMaxFileSize) return nullptr;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    // A file that is not a whole cursor gives none, as a missing one does.
    platform::CursorImage image;
    if (!platform::ReadCursorFile(bytes.data(), bytes.size(), image)) return nullptr;
    auto& slot = C().named[mapped];
    if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{0, mapped, true, {}});
    slot->image = std::move(image);
    return slot.get();
}

HCURSOR SetCursor(HCURSOR cursor) {
    Cursors& c = C();
    const HCURSOR old = c.current;
    c.current = cursor;
    if (old != cursor && c.observer) c.observer(cursor);
    return old;
}

HCURSOR GetCursor() { return C().current; }

BOOL DestroyCursor(HCURSOR) { return TRUE; }

HICON LoadIconA(HINSTANCE instance, const char* name) {
    Cursors& c = C();
    if (IS_INTRESOURCE(name)) {
        if (instance) return nullptr;
        auto& slot = c.systemIcons[IdOf(name)];
        if (!slot) slot = std::make_unique<IconRecord>(IconRecord{IdOf(name), {}});
        return slot.get();
    }
    if (!c.iconResources.count(name)) return nullptr;
    auto& slot = c.namedIcons[name];
    if (!slot) slot = std::make_unique<IconRecord>(IconRecord{0, name});
    return slot.get();
}

BOOL DestroyIcon(HICON) { return TRUE; }

BOOL DrawIcon(HDC, int, int, HICON icon) { return icon ? TRUE : FALSE; }

namespace platform {
unsigned CursorId(HCURSOR cursor) { return cursor ? cursor->systemId : 0; }
const char* CursorName(HCURSOR cursor) { return cursor ? cursor->name.c_str() : ""; }
const CursorImage* CursorImageOf(HCURSOR cursor) { return cursor && !cursor->image.frames.empty() ? &cursor->image : nullptr; }
void RegisterCursorResource(const char* name) { C().cursorResources.insert(name); }
void RegisterIconResource(const char* name) { C().iconResources.insert(name); }
void SetCursorObserver(CursorObserver observer) { C().observer = observer; }
} // namespace platform
