#pragma once
// WinSocketServer: the hosting side of a socket game. On "StartServer" it listens on its port
// and reports "ServerReady" with a text telling where; every connection it accepts becomes a
// WinSocketIO of its own, named after the server and a running number (never reused), with
// copies of the server's relay lists as they stand at that moment, attached to the server's
// bus. The server itself carries no traffic.
#include "comms/win_socket_io.h"
#include "core/list.h"

#include <cstdint>
#include <string>
#include <vector>

class WinSocketServer : public WinSocketIO {
public:
    static constexpr std::uint16_t kDefaultPort = 5000;

    WinSocketServer(std::uint16_t port = kDefaultPort, std::int16_t framedMode = 1, const char* connectionName = nullptr,
                    std::int32_t connectionValue = 0, const char* componentName = nullptr);
    ~WinSocketServer() override;

    void Attach() override;
    void Receive() override {}
    std::int16_t SendBytes(const char*, std::int32_t, std::int16_t) override { return 0; }
    ContainerBase* SendBusMessage(BusMessage, ContainerBase*) override { return nullptr; }
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    void StartServer();
    const std::string& ReadyText() const { return readyText; }
    const std::vector<WinSocketIO*>& Clients() const { return clients; }
    // The port the listening socket is bound to (the one the system chose when asked for 0).
    std::uint16_t BoundPort() const;

private:
    static ContainerBase* OnStartServer(Component* c, BusMessage e, ContainerBase* p);

    std::uint16_t listenPort;
    std::vector<WinSocketIO*> clients;
    std::uint16_t nextClientNumber = 0;
    std::string readyText;
};
