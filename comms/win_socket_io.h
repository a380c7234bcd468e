#pragma once
// WinSocketIO: the TCP transport. It connects to a host given by name or dotted address at a
// port given by number or service name, receives on the socket notifications that reach its
// hidden window, and sends what the connection hands it. It also wraps a socket that a server
// has accepted (comms/win_socket_server.h).
//
// The sockets interface is started by each Open and shut down when the last WinSocketIO of the
// process closes.
#include "comms/win_serial_io.h"
#include "platform/socket.h"

#include <cstdint>
#include <string>

class WinSocketIO : public WinSerialIO {
public:
    struct NoAddress {};

    WinSocketIO(const std::string& serviceName, const std::string& host, std::int16_t framedMode,
                const char* connectionName = nullptr, std::int32_t connectionValue = 0,
                const char* componentName = nullptr);
    WinSocketIO(std::uint16_t port, const std::string& host, std::int16_t framedMode,
                const char* connectionName = nullptr, std::int32_t connectionValue = 0,
                const char* componentName = nullptr);
    // An accepted socket: connected at once.
    WinSocketIO(SOCKET connectedSocket, std::int16_t framedMode, const char* connectionName = nullptr,
                std::int32_t connectionValue = 0, const char* componentName = nullptr);
    WinSocketIO(NoAddress, std::int16_t framedMode, const char* connectionName = nullptr,
                std::int32_t connectionValue = 0, const char* componentName = nullptr);
    ~WinSocketIO() override;

    void Attach() override;
    std::int16_t Open() override;
    std::int16_t Close() override;
    void Receive() override;
    std::int16_t SetProtocol() override { return 1; }
    std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t flag) override;
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void StartNotifications();

    void SetHost(const std::string& text) { host = text; }
    const std::string& Host() const { return host; }
    std::uint16_t Port() const { return port; }
    SOCKET Socket() const { return socketHandle; }
    void ShowNetworkError(const std::string& text);

    // Live WinSocketIO objects in the process.
    static std::int16_t LiveCount() { return liveCount; }

protected:
    std::string serviceName;
    std::string host;
    SOCKET socketHandle = INVALID_SOCKET;
    std::uint16_t port = 0;

private:
    static ContainerBase* OnSetHost(Component* c, BusMessage e, ContainerBase* p);
    static std::int16_t liveCount;
};
