#pragma once
// The clipboard, held inside the process: a text placed on it can be read back by the program
// (and by tests). Opening fails while another owner holds it open.
#include "platform/wintypes.h"

#include <string>

constexpr UINT CF_TEXT = 1;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Drops what the clipboard holds; only while it is open.
BOOL EmptyClipboard();
// Hands a global block to the clipboard, which then owns it; only while it is open.
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);

namespace platform {
// Tests: the text on the clipboard (empty when none).
std::string ClipboardText();
// Tests: while unavailable, OpenClipboard fails.
void SetClipboardAvailable(bool available);
} // namespace platform
