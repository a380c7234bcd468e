#pragma once
// Menus and accelerators. A menu is a list of items (text, bitmap, separator, popup) each with
// flags; menu bars belong to windows (SetMenu), popups to their parent menu. Menu resources are
// texts of ours, in the shape of a resource script, registered by name before LoadMenuA finds
// them:
//   POPUP "&Game"
//   BEGIN
//     MENUITEM "&Preferences...", 101
//     MENUITEM SEPARATOR
//     MENUITEM "&Hex Grid", 257, CHECKED
//   END
// Item options: CHECKED, GRAYED, INACTIVE (disabled), MENUBREAK, MENUBARBREAK.
#include "platform/window.h"

#include <string>
#include <vector>

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// For MF_POPUP the id is the popup's handle; for MF_BITMAP the data is an opaque bitmap handle.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* data);
// Deletes an item; a popup item's menu is destroyed with it.
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
// Takes an item out of this menu only; a popup's menu lives on for its owner.
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags);
// The previous state, or -1 (as DWORD) when the item is not there.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
// The item's flags; a popup also carries its item count in bits 8-15. -1 when absent.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// The command id at a position; -1 for a popup or when absent.
UINT GetMenuItemID(HMENU menu, int position);
int GetMenuStringA(HMENU menu, UINT item, char* buffer, int size, UINT flags);
HMENU GetSubMenu(HMENU menu, int position);
BOOL DrawMenuBar(HWND hwnd);
// Shows the popup and lets the user choose (headless: the next scripted choice). The choice
// goes to the owner as WM_COMMAND, or is returned with TPM_RETURNCMD.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
HMENU LoadMenuA(HINSTANCE instance, const char* name);

// Accelerators.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

struct AcceleratorRecord;
using HACCEL = AcceleratorRecord*;

HACCEL LoadAcceleratorsA(HINSTANCE instance, const char* name);
// A key press that matches the table becomes WM_COMMAND (notification 1) sent to the window.
int TranslateAcceleratorA(HWND hwnd, HACCEL table, MSG* msg);

namespace platform {

// False (and nothing registered) when the text does not parse.
bool RegisterMenuResource(const char* name, const std::string& text);
void RegisterAcceleratorResource(const char* name, const std::vector<ACCEL>& table);

// Headless popup menus: the choices made, in order (0 dismisses the menu).
void QueuePopupMenuChoice(UINT id);
// The last popup shown and where.
HMENU LastPopupMenu();
POINT LastPopupPoint();

// The drawn menus (a window's menu bar and the pop-ups open from it or from TrackPopupMenu).
bool MenuTracking();
// The pop-ups open, outermost first (level 0), and the highlighted item of one (-1 for none;
// level -1: the menu bar's selected item).
int OpenMenuCount();
HMENU OpenMenu(int level);
int HighlightedMenuItem(int level);
// The screen point at the centre of an item of an open pop-up or of the window's menu bar,
// found by its text (with or without its '&' marks, without its key text).
bool MenuItemScreenPoint(HWND hwnd, const std::string& label, POINT& at);
RECT MenuBarScreenRect(HWND hwnd);
void CloseMenus();

} // namespace platform
