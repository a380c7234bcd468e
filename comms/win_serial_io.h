#pragma once
// WinSerialIO: the connection under every transport that the platform notifies through a window.
// It owns a hidden window of the class "CommBox"; the class procedure finds the connection in
// the window's first extra word and hands it every message (WindowProc), so notifications are
// handled by the message loop on the application's thread. The word is cleared before the
// window goes, so a late message reaches the default procedure and never a deleted connection.
#include "comms/serial_io.h"
#include "platform/window.h"

#include <cstdint>

class WinSerialIO : public SerialIO {
public:
    WinSerialIO(std::int16_t framedMode, const char* connectionName = nullptr, std::int32_t connectionValue = 0,
                const char* componentName = nullptr);
    ~WinSerialIO() override;

    void BeginWait() override;
    void EndWait() override;
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND GetWindow() const { return window; }
    HWND GetWaitDialog() const { return waitDialog; }

    // The transfer protocol's control texts, each NUL-terminated: ACK, NAK, cancel.
    static constexpr char kAck[] = "\x06";
    static constexpr char kNak[] = "\x15";
    static constexpr char kCancel[] = "\x18\x18";

    // The block check of the transfer protocol: in a 68-byte block, the two 4-bit values of
    // bytes 64-65 and of 66-67 are packed into bytes 64 and 65 (first value high), then the
    // CRC-16 (polynomial 0x1021, initial 0, no final inversion) of bytes 0-65; 0 for a sound block.
    static std::uint16_t CheckBlock(unsigned char* block);
    static std::uint16_t Crc16(const unsigned char* bytes, std::size_t n);

    // Starts a download of the transfer protocol: shows text in the "DownloadBox" dialog (when
    // its template exists) and pumps messages until EndDownload. A cancel meanwhile sends the
    // cancel text and throws CommError("Transaction Cancelled", 1); a stopping application
    // throws CommError("Application Halt", 0).
    void StartDownload(const char* text);
    void EndDownload() { downloadInProgress = 0; }
    std::int16_t DownloadInProgress() const { return downloadInProgress; }

    static LRESULT ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    std::int16_t downloadInProgress = 0;

private:
    HWND window = nullptr;
    HWND waitDialog = nullptr;
};
