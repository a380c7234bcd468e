#pragma once
// The multiple-document interface: the system class "MDICLIENT" and the default procedures of
// frames and MDI children. The client keeps its children's activation; a child's id is the
// client's first child id plus its place among the children.
#include "platform/window.h"

LRESULT DefFrameProcA(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefMDIChildProcA(HWND child, UINT message, WPARAM wParam, LPARAM lParam);

constexpr WPARAM MDITILE_VERTICAL = 0x0000;
constexpr WPARAM MDITILE_HORIZONTAL = 0x0001;
constexpr WPARAM MDITILE_SKIPDISABLED = 0x0002;

namespace platform::detail {
// Registers the system's own classes once ("MDICLIENT").
void RegisterSystemClasses();
// True when the window is an MDI client.
bool IsMdiClient(HWND hwnd);
} // namespace platform::detail
