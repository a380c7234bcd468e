#include "game/app/dialogs/dialog_support.h"

#include "platform/dialog.h"
#include "platform/registry.h"
#include "ui/bitmap.h"

namespace ingame {

namespace {
constexpr const char* kRoot = "SOFTWARE\\Tolvane\\Varnhold Demo";

// The key opened or made; `existed` tells which.
HKEY OpenKey(const std::string& subKey, bool& existed) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey(subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return nullptr;
    existed = disposition == 2;
    return key;
}

bool ReadDword(HKEY key, const char* name, std::uint32_t& value) {
    DWORD type = 0, size = 4;
    BYTE bytes[4] = {};
    if (RegQueryValueExA(key, name, nullptr, &type, bytes, &size) != ERROR_SUCCESS || size != 4) return false;
    value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

void WriteDword(HKEY key, const char* name, std::uint32_t value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value & 0xFF), static_cast<BYTE>((value >> 8) & 0xFF),
                           static_cast<BYTE>((value >> 16) & 0xFF), static_cast<BYTE>(value >> 24)};
    RegSetValueExA(key, name, 0, REG_DWORD, bytes, 4);
}
} // namespace

std::string SettingsKey(const std::string& subKey) { return std::string(kRoot) + "\\" + subKey; }

Dim ScreenSize() {
    return Dim(static_cast<std::int16_t>(GetSystemMetrics(SM_CXSCREEN)), static_cast<std::int16_t>(GetSystemMetrics(SM_CYSCREEN)));
}

Placement PlaceWindow(const std::string& window, std::int32_t defaultX, std::int32_t defaultY) {
    const Dim screen = ScreenSize();
    Placement p;
    p.x = static_cast<std::uint32_t>(screen.width);
    p.y = static_cast<std::uint32_t>(screen.height);
    bool existed = false;
    HKEY key = OpenKey("Placement\\" + window, existed);
    if (key && existed) {
        std::uint32_t v = 0;
        if (ReadDword(key, "X", v)) p.x = v;
        if (ReadDword(key, "Y", v)) p.y = v;
    }
    if (p.x >= static_cast<std::uint32_t>(screen.width) && p.y >= static_cast<std::uint32_t>(screen.height)) {
        p.x = static_cast<std::uint32_t>(defaultX);
        p.y = static_cast<std::uint32_t>(defaultY);
        if (key) {
            WriteDword(key, "X", p.x);
            WriteDword(key, "Y", p.y);
        }
        p.stored = true;
    }
    if (key) RegCloseKey(key);
    return p;
}

void StorePlacement(const std::string& window, std::int32_t x, std::int32_t y) {
    bool existed = false;
    if (HKEY key = OpenKey("Placement\\" + window, existed)) {
        WriteDword(key, "X", static_cast<std::uint32_t>(x));
        WriteDword(key, "Y", static_cast<std::uint32_t>(y));
        RegCloseKey(key);
    }
}

void StorePreference(const char* name, std::uint32_t value) {
    bool existed = false;
    if (HKEY key = OpenKey("Preferences", existed)) {
        WriteDword(key, name, value);
        RegCloseKey(key);
    }
}

bool ReadSetting(const std::string& subKey, const char* name, std::uint32_t& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey(subKey).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    const bool got = ReadDword(key, name, value);
    RegCloseKey(key);
    return got;
}

PlainText::PlainText() : font_("MS Sans Serif 2") {}

std::int16_t PlainText::LineHeight() { return font_.GetTextRect("A").height; }

std::int16_t PlainText::Width(const std::string& text) { return font_.GetTextWidth(text.c_str()); }

void PlainText::Draw(Bitmap& into, Point topLeft, const std::string& text) {
    // The font's pen stands on the base line.
    const Point pen(topLeft.x, static_cast<std::int16_t>(topLeft.y + font_.GetHeight()));
    font_.DrawText(into, pen, text.c_str(), 3);
}

} // namespace ingame
