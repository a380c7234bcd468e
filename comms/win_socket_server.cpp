#include "comms/win_socket_server.h"

#include <cstring>

namespace {
constexpr const char* kSource = "WINSERVE";
}

WinSocketServer::WinSocketServer(std::uint16_t port_, std::int16_t framedMode_, const char* connectionName_,
                                 std::int32_t connectionValue_, const char* componentName)
    : WinSocketIO(NoAddress{}, framedMode_, connectionName_, connectionValue_,
                  componentName && *componentName ? componentName : "Unnamed WinSocketServer"),
      listenPort(port_) {}

WinSocketServer::~WinSocketServer() {
    // Detached first, so that the clients' closing notices do not come back through the
    // server's own handlers while it is half destroyed.
    std::vector<WinSocketIO*> leaving;
    leaving.swap(clients);
    for (WinSocketIO* client : leaving) delete client;
}

void WinSocketServer::Attach() { RegisterNamedHandler("StartServer", OnStartServer); }

ContainerBase* WinSocketServer::OnStartServer(Component* c, BusMessage, ContainerBase*) {
    WinSocketServer* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->StartServer();
    return nullptr;
}

void WinSocketServer::StartServer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        ShowNetworkError("Could not start Winsock.dll!");
        return;
    }
    char hostName[64];
    if (gethostname(hostName, sizeof hostName) != 0) {
        if (WSAGetLastError() == WSANO_DATA) {
            std::strcpy(hostName, "<Cannot resolve hostname>");
        } else {
            ShowNetworkError("Could not resolve local IP address. Network not found.");
            return;
        }
    }
    readyText = connectionName + " ready on " + hostName + " at port " + std::to_string(listenPort) + " using " +
                data.szDescription + ".";
    socketHandle = socket(AF_INET, SOCK_STREAM, 0);
    if (socketHandle == INVALID_SOCKET) {
        ShowNetworkError("Could not create IP socket for server.");
        return;
    }
    connected = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(listenPort);
    local.sin_addr.s_addr = INADDR_ANY;
    if (bind(socketHandle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ShowNetworkError("Could not start server.");
        return;
    }
    if (WSAAsyncSelect(socketHandle, GetWindow(), WM_USER, FD_ACCEPT) != 0) {
        ShowNetworkError("Notification failed, could not start server.");
        return;
    }
    if (listen(socketHandle, 5) != 0) {
        ShowNetworkError("Server failed to listen, could not start server");
        return;
    }
    Container<std::string> ready(readyText);
    PostNamed("ServerReady", &ready);
}

std::uint16_t WinSocketServer::BoundPort() const {
    sockaddr_in local{};
    int n = sizeof local;
    if (socketHandle == INVALID_SOCKET || getsockname(socketHandle, reinterpret_cast<sockaddr*>(&local), &n) != 0)
        return 0;
    return ntohs(local.sin_port);
}

LRESULT WinSocketServer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_USER) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (static_cast<SOCKET>(wParam) != socketHandle || WSAGETSELECTEVENT(lParam) != FD_ACCEPT) return 0;
    if (WSAGETSELECTERROR(lParam) != 0) {
        ShowNetworkError("Error detected on server.");
        return 0;
    }
    SOCKET incoming = accept(socketHandle, nullptr, nullptr);
    if (incoming == INVALID_SOCKET) {
        ShowNetworkError("Server is refusing connections. An incoming connection was denied.");
        return 0;
    }
    std::string name = connectionName + " " + std::to_string(nextClientNumber);
    ++nextClientNumber;
    auto* client = new WinSocketIO(incoming, framedMode, name.c_str(), 0, nullptr);
    for (const MessageType& t : AcceptedList()) client->AddAcceptedMessage(t);
    for (const MessageType& t : ForwardedList()) client->AddForwardedMessage(t);
    clients.push_back(client);
    if (bus) client->AttachToBus(bus);
    return 0;
}
