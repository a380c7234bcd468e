#pragma once
// The records behind HMENU, shared by the menu calls (menu.cpp) and the drawn menus that the
// window system tracks with mouse and keyboard (menu_track.cpp).
#include "platform/menu.h"

#include <cstdint>
#include <string>
#include <vector>

struct MenuItemRecord {
    UINT flags = 0;
    UINT id = 0;
    HMENU popup = nullptr;
    std::string text;
    const char* bitmap = nullptr;
};

struct MenuRecord {
    bool popup = false;
    std::vector<MenuItemRecord> items;
};

namespace platform::detail {
// Something a menu shows changed: an open or drawn menu must be composed again.
void MenuChanged(HMENU menu);
// A menu is being destroyed: a drawn menu showing it closes.
void MenuDestroyed(HMENU menu);
// Opens `menu` as a drawn pop-up at a screen point for `owner` and runs it until it closes;
// the chosen command (0 for none).
UINT RunPopupMenu(HMENU menu, int x, int y, HWND owner);
// The screen composer's part: a top-level window's menu bar (origin: the image's screen
// position; clip in image coordinates), and the open pop-ups over everything.
void DrawMenuBarOf(std::uint32_t* pixels, int width, int height, HWND hwnd, POINT origin, const RECT& clip);
void DrawOpenMenus(std::uint32_t* pixels, int width, int height, POINT origin);
// The input layer's part: a mouse message at a screen point, a key (already recorded as held or
// not); true when the menus took it, so that no window gets it.
bool MenuMouse(UINT message, POINT screen);
bool MenuKey(int virtualKey, bool down);
} // namespace platform::detail
