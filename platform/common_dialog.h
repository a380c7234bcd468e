#pragma once
// The open-file dialog and the dialog-message filter of the message loop. Headless, the dialog
// answers from a script that tests fill (a chosen file name, or a cancel when none is queued).
#include "platform/message_queue.h"

#include <string>

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    const char* lpstrFilter;  // pairs of NUL-terminated texts, ended by an empty one
    char* lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    char* lpstrFile;
    DWORD nMaxFile;
    char* lpstrFileTitle;
    DWORD nMaxFileTitle;
    const char* lpstrInitialDir;
    const char* lpstrTitle;
    DWORD Flags;
};

// TRUE when a file was chosen: its path goes to lpstrFile (cut to nMaxFile - 1 characters) and
// its last component to lpstrFileTitle when given. FALSE on cancel, or when the chosen path does
// not fit the caller's buffer (nothing written then).
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);

// Offers a message to a modeless dialog: a message for the dialog or one of its children is
// handled here (Enter and Escape become the dialog's IDOK and IDCANCEL commands, everything
// else is dispatched) and TRUE comes back; FALSE leaves the message to the caller.
BOOL IsDialogMessageA(HWND dialog, MSG* msg);

namespace platform {
// Headless: the next open-file dialog chooses this path ("" cancels).
void QueueOpenFileName(const std::string& path);
// The filter list the last open-file dialog was given, its NULs shown as '|'.
std::string LastOpenFileFilter();
} // namespace platform
