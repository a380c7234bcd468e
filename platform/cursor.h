#pragma once
// Cursors and icons. The system's own cursors come by their integer names; the headless
// backend only records which cursor is shown, the SDL backend shows its nearest system cursor.
#include "platform/window.h"

inline const char* const IDC_ARROW = MAKEINTRESOURCE(32512);
inline const char* const IDC_IBEAM = MAKEINTRESOURCE(32513);
inline const char* const IDC_WAIT = MAKEINTRESOURCE(32514);
inline const char* const IDC_CROSS = MAKEINTRESOURCE(32515);
inline const char* const IDC_SIZEALL = MAKEINTRESOURCE(32646);
inline const char* const IDC_NO = MAKEINTRESOURCE(32648);
inline const char* const IDI_APPLICATION = MAKEINTRESOURCE(32512);

// instance null: a system cursor or icon by its integer name; otherwise a resource of the
// program registered by name (RegisterCursorResource). Null when there is none.
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
// A cursor file (.ani or .cur) of the program; null when it is missing or damaged.
HCURSOR LoadCursorFromFileA(const char* path);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL DestroyCursor(HCURSOR cursor);

HICON LoadIconA(HINSTANCE instance, const char* name);
BOOL DestroyIcon(HICON icon);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

namespace platform {
// What a cursor is: the system cursor id, or 0 for one of the program's own.
unsigned CursorId(HCURSOR cursor);
// The name a program cursor or icon was loaded by.
const char* CursorName(HCURSOR cursor);
// The frames of a cursor read from a file; null for any other.
struct CursorImage;
const CursorImage* CursorImageOf(HCURSOR cursor);
// Program cursors and icons known by name (the game's .ani cursors register here when read).
void RegisterCursorResource(const char* name);
void RegisterIconResource(const char* name);
// Called by the backend when the shown cursor changes.
using CursorObserver = void (*)(HCURSOR cursor);
void SetCursorObserver(CursorObserver observer);
} // namespace platform
