#include "platform/clipboard.h"

#include "platform/global_memory.h"

#include <cstring>
#include <mutex>

namespace {

struct Clipboard {
    std::mutex lock;
    bool open = false;
    bool available = true;
    HANDLE text = nullptr;
};

Clipboard& clip() {
    static Clipboard c;
    return c;
}

} // namespace

BOOL OpenClipboard(HWND) {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    if (c.open || !c.available) return FALSE;
    c.open = true;
    return TRUE;
}

BOOL CloseClipboard() {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.open) return FALSE;
    c.open = false;
    return TRUE;
}

BOOL EmptyClipboard() {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.open) return FALSE;
    if (c.text) GlobalFree(c.text);
    c.text = nullptr;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.open || format != CF_TEXT) return nullptr;
    if (c.text && c.text != data) GlobalFree(c.text);
    c.text = data;
    return data;
}

HANDLE GetClipboardData(UINT format) {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    return format == CF_TEXT ? c.text : nullptr;
}

namespace platform {

std::string ClipboardText() {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.text) return {};
    auto* p = static_cast<const char*>(GlobalLock(c.text));
    std::string s(p, strnlen(p, GlobalSize(c.text)));
    GlobalUnlock(c.text);
    return s;
}

void SetClipboardAvailable(bool available) {
    auto& c = clip();
    std::lock_guard<std::mutex> g(c.lock);
    c.available = available;
}

} // namespace platform
