#include "comms/win_serial_io.h"

#include "core/application.h"
#include "core/assertion.h"
#include "platform/dialog.h"
#include "platform/msgbox.h"

#include <cstring>

namespace {

constexpr const char* kClassName = "CommBox";

// The wait dialog's one process-wide slot for its connection, and the count of those shown.
WinSerialIO* g_waitConnection = nullptr;
int g_visibleWaitDialogs = 0;

INT_PTR WaitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_waitConnection = reinterpret_cast<WinSerialIO*>(lParam);
        return TRUE;
    case WM_SHOWWINDOW:
        if (wParam) ++g_visibleWaitDialogs;
        return FALSE;
    case WM_COMMAND:
        if ((wParam & 0xFFFF) == IDOK) {
            ShowWindow(dialog, SW_HIDE);
            if (g_visibleWaitDialogs > 0) --g_visibleWaitDialogs;
            return TRUE;
        }
        if ((wParam & 0xFFFF) == IDCANCEL) {
            if (g_waitConnection) SendMessageA(g_waitConnection->GetWindow(), WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// The download dialog's Cancel sets the connection's cancel flag, as the wait dialog's does.
WinSerialIO* g_downloadConnection = nullptr;

INT_PTR DownloadDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        g_downloadConnection = reinterpret_cast<WinSerialIO*>(lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam & 0xFFFF) == IDCANCEL) {
        if (g_downloadConnection) SendMessageA(g_downloadConnection->GetWindow(), WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    return FALSE;
}

HWND CreateFromTemplate(const char* name, DLGPROC proc, LPARAM param) {
    HRSRC found = FindResourceA(nullptr, name, RT_DIALOG);
    HGLOBAL data = found ? LoadResource(nullptr, found) : nullptr;
    return data ? CreateDialogIndirectParamA(nullptr, LockResource(data), nullptr, proc, param) : nullptr;
}

} // namespace

WinSerialIO::WinSerialIO(std::int16_t framedMode_, const char* connectionName_, std::int32_t connectionValue_,
                         const char* componentName)
    : SerialIO(framedMode_, connectionName_ && *connectionName_ ? connectionName_ : "Unnamed Win Serial Connection",
               connectionValue_, componentName && *componentName ? componentName : "Unnamed WinSerialIO") {
    connected = 0;
    cancelRequested = 0;
    textIn = 1;
    downloadInProgress = 0;

    WNDCLASSA existing;
    if (!GetClassInfoA(nullptr, kClassName, &existing)) {
        WNDCLASSA wc{};
        wc.style = 0;
        wc.lpfnWndProc = &WinSerialIO::ClassWindowProc;
        wc.cbClsExtra = 0;
        // Room for the connection's address (the platform's pointers are 8 bytes wide).
        wc.cbWndExtra = sizeof(void*);
        wc.lpszClassName = kClassName;
        if (!RegisterClassA(&wc)) Assert(0, "Unable to create window class.", "WINSERIO", 47);
    }
    window = CreateWindowExA(0, kClassName, "X", WS_CAPTION, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (window) SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(this));

    // The wait dialog is a convenience: without its template the connection works without it.
    waitDialog = CreateFromTemplate("WaitBox", WaitDialogProc, reinterpret_cast<LPARAM>(this));
}

WinSerialIO::~WinSerialIO() {
    if (window) {
        SetWindowLongPtrA(window, 0, 0);
        DestroyWindow(window);
        window = nullptr;
    }
    if (waitDialog) {
        if (g_waitConnection == this) g_waitConnection = nullptr;
        DestroyWindow(waitDialog);
        waitDialog = nullptr;
    }
}

void WinSerialIO::StartDownload(const char* text) {
    downloadInProgress = 1;
    HWND dialog = CreateFromTemplate("DownloadBox", DownloadDialogProc, reinterpret_cast<LPARAM>(this));
    if (dialog) SetDlgItemTextA(dialog, 101, text ? text : "");
    std::weak_ptr<bool> alive = Life();
    auto closeDialog = [&] {
        if (g_downloadConnection == this) g_downloadConnection = nullptr;
        if (dialog) DestroyWindow(dialog);
    };
    // The wait pumps messages: the bytes of the transfer and the dialog's Cancel arrive that way.
    while (downloadInProgress) {
        if (cancelRequested) {
            SendString(kCancel, 0);
            downloadInProgress = 0;
            cancelRequested = 0;
            closeDialog();
            throw CommError("Transaction Cancelled", CommError::kTimeout);
        }
        if (!ProcessPending()) {
            if (!alive.expired()) closeDialog();
            throw CommError("Application Halt", CommError::kHalt);
        }
        if (alive.expired()) throw CommError("", CommError::kNotAccepted);
    }
    closeDialog();
}

void WinSerialIO::BeginWait() {
    if (Application* app = GetApplication()) app->BeginWait();
}

void WinSerialIO::EndWait() {
    if (Application* app = GetApplication()) app->EndWait();
}

LRESULT WinSerialIO::ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<WinSerialIO*>(GetWindowLongPtrA(hwnd, 0));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    // The wait dialog's Cancel reaches the connection through its window.
    if (message == WM_COMMAND && wParam == IDCANCEL && lParam == 0) {
        self->cancelRequested = 1;
        return 0;
    }
    return self->WindowProc(hwnd, message, wParam, lParam);
}

std::uint16_t WinSerialIO::Crc16(const unsigned char* bytes, std::size_t n) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

std::uint16_t WinSerialIO::CheckBlock(unsigned char* block) {
    block[64] = static_cast<unsigned char>(((block[64] & 0x0F) << 4) | (block[65] & 0x0F));
    block[65] = static_cast<unsigned char>(((block[66] & 0x0F) << 4) | (block[67] & 0x0F));
    return Crc16(block, 66);
}
