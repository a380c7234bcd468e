#include "platform/cursor.h"

#include "platform/gdi.h"
#include "platform/path.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

struct CursorRecord {
    unsigned systemId = 0;
    std::string name;
    bool shared = true;  // system cursors and program resources are never destroyed
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
        if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{id, {}, true});
        return slot.get();
    }
    if (!c.cursorResources.count(name)) return nullptr;
    auto& slot = c.named[name];
    if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{0, name, true});
    return slot.get();
}

HCURSOR LoadCursorFromFileA(const char* path) {
    if (!path) return nullptr;
    const std::string mapped = platform::MapPath(path);
    std::FILE* f = std::fopen(mapped.c_str(), "rb");
    if (!f) return nullptr;
    std::fclose(f);
    auto& slot = C().named[mapped];
    if (!slot) slot = std::make_unique<CursorRecord>(CursorRecord{0, mapped, true});
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
void RegisterCursorResource(const char* name) { C().cursorResources.insert(name); }
void RegisterIconResource(const char* name) { C().iconResources.insert(name); }
void SetCursorObserver(CursorObserver observer) { C().observer = observer; }
} // namespace platform
