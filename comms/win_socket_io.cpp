#include "comms/win_socket_io.h"

#include "core/application.h"
#include "core/text_payload.h"
#include "platform/msgbox.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr const char* kSource = "WINSOCK";
constexpr int kReceivePiece = 2048;

void ShowBox(const char* caption, const std::string& text) {
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), caption, MB_ICONINFORMATION);
}

} // namespace

std::int16_t WinSocketIO::liveCount = 0;

WinSocketIO::WinSocketIO(const std::string& serviceName_, const std::string& host_, std::int16_t framedMode_,
                         const char* connectionName_, std::int32_t connectionValue_, const char* componentName)
    : WinSerialIO(framedMode_, connectionName_, connectionValue_,
                  componentName && *componentName ? componentName : "Unnamed WinSocketIO"),
      serviceName(serviceName_), host(host_) {
    ++liveCount;
}

WinSocketIO::WinSocketIO(std::uint16_t port_, const std::string& host_, std::int16_t framedMode_,
                         const char* connectionName_, std::int32_t connectionValue_, const char* componentName)
    : WinSerialIO(framedMode_, connectionName_, connectionValue_,
                  componentName && *componentName ? componentName : "Unnamed WinSocketIO"),
      host(host_), port(port_) {
    ++liveCount;
}

WinSocketIO::WinSocketIO(SOCKET connectedSocket, std::int16_t framedMode_, const char* connectionName_,
                         std::int32_t connectionValue_, const char* componentName)
    : WinSerialIO(framedMode_, connectionName_, connectionValue_,
                  componentName && *componentName ? componentName : "Unnamed WinSocketIO"),
      socketHandle(connectedSocket) {
    ++liveCount;
    StartNotifications();
}

WinSocketIO::WinSocketIO(NoAddress, std::int16_t framedMode_, const char* connectionName_,
                         std::int32_t connectionValue_, const char* componentName)
    : WinSerialIO(framedMode_, connectionName_, connectionValue_,
                  componentName && *componentName ? componentName : "Unnamed WinSocketIO") {
    ++liveCount;
}

WinSocketIO::~WinSocketIO() {
    --liveCount;
    if (connected) Close();
    // A socket whose connect failed never counted as connected; it is not left open either.
    if (socketHandle != INVALID_SOCKET) closesocket(socketHandle);
}

void WinSocketIO::Attach() {
    SerialIO::Attach();
    RegisterNamedHandler("TCPIP Set Host", OnSetHost);
}

ContainerBase* WinSocketIO::OnSetHost(Component* c, BusMessage, ContainerBase* p) {
    WinSocketIO* self;
    std::string text;
    if (!BusReceiver(c, self, kSource, __LINE__)) return nullptr;
    if (!ExtractText(p, text)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->SetHost(text);
    return nullptr;
}

void WinSocketIO::ShowNetworkError(const std::string& text) {
    ShowBox("Network Error", "Error " + std::to_string(WSAGetLastError()) + " in connection " + connectionName + ": " + text);
}

std::int16_t WinSocketIO::Open() {
    if (connected) return 1;
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        ShowBox("Internet Error", "Could not load Winsock.dll.");
        return 0;
    }
    in_addr address{INADDR_NONE};
    if (hostent* found = gethostbyname(host.c_str())) {
        std::memcpy(&address.s_addr, found->h_addr_list[0], 4);
    } else {
        address.s_addr = inet_addr(host.c_str());
        if (address.s_addr == INADDR_NONE) ShowNetworkError("Invalid address: " + host);
        if (hostent* reverse = gethostbyaddr(reinterpret_cast<const char*>(&address.s_addr), 4, AF_INET))
            std::memcpy(&address.s_addr, reverse->h_addr_list[0], 4);
    }
    // A socket left from an earlier Open whose connect failed is not kept beside the new one.
    if (socketHandle != INVALID_SOCKET) {
        closesocket(socketHandle);
        socketHandle = INVALID_SOCKET;
    }
    socketHandle = socket(AF_INET, SOCK_STREAM, 0);
    if (socketHandle == INVALID_SOCKET) {
        ShowBox("Internet Error", "Could not create socket.");
        return 0;
    }
    std::uint16_t netPort;
    if (port == 0) {
        servent* service = getservbyname(serviceName.c_str(), nullptr);
        if (!service) {
            ShowBox("Internet Error", "Unknown service requested at connection time.");
            closesocket(socketHandle);
            socketHandle = INVALID_SOCKET;
            return 0;
        }
        netPort = static_cast<std::uint16_t>(service->s_port);
        port = ntohs(netPort);
    } else {
        netPort = htons(port);
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = netPort;
    peer.sin_addr = address;
    if (connect(socketHandle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        ShowNetworkError("Could not connect to host.");
        closesocket(socketHandle);
        socketHandle = INVALID_SOCKET;
        return 0;
    }
    // Bytes of an earlier connection are no part of this one.
    receiveBuffer.Clear();
    StartNotifications();
    return 1;
}

void WinSocketIO::StartNotifications() {
    WSAAsyncSelect(socketHandle, GetWindow(), WM_USER, FD_READ | FD_CLOSE);
    MarkOpen();
}

LRESULT WinSocketIO::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_USER) return DefWindowProcA(hwnd, message, wParam, lParam);
    // A notification still queued for a socket this connection has since closed is stale.
    if (static_cast<SOCKET>(wParam) != socketHandle) return 0;
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        if (!downloadInProgress) Receive();
        break;
    case FD_CLOSE: Close(); break;
    }
    return 0;
}

void WinSocketIO::Receive() {
    if (!connected || socketHandle == INVALID_SOCKET) return;
    char piece[kReceivePiece + 1];
    std::string last;
    std::weak_ptr<bool> alive = Life();
    for (;;) {
        // A reader further up may be waiting for the rest of its frame; the bytes beyond what
        // the buffer can hold stay with the socket, which notifies again.
        if (framedMode && receiveBuffer.Length() + kReceivePiece > receiveBuffer.MaxLength()) break;
        int n = recv(socketHandle, piece, kReceivePiece, 0);
        if (n <= 0) break;
        piece[n] = '\0';
        AppendReceived(piece, n);
        last.assign(piece, static_cast<std::size_t>(n));
        // Frames are cut out as the pieces come, so that a burst longer than the receive
        // buffer does not push the oldest frames out of it unread.
        if (framedMode) {
            ReceiveFrames(piece);
            if (alive.expired() || !connected) return;
        }
    }
    if (!framedMode) ReceiveFrames(last.c_str());
}

std::int16_t WinSocketIO::SendBytes(const char* data, std::int32_t length, std::int16_t) {
    if (!connected) return 1;
    // The length is a 16-bit count.
    if (length > 32767) length = 32767;
    // A full send buffer is not a failure: the peer reads on, so the rest goes when there is
    // room, within the time a wait may take. The pump is not run meanwhile: a nested send of
    // another frame would put its bytes in the middle of this one.
    using Clock = std::chrono::steady_clock;
    Clock::time_point stalledSince{};
    bool stalled = false;
    while (length > 0) {
        int n = send(socketHandle, data, length, 0);
        if (n > 0) {
            data += n;
            length -= n;
            stalled = false;
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!stalled) {
                stalled = true;
                stalledSince = Clock::now();
            }
            if (Clock::now() - stalledSince <= std::chrono::milliseconds(kWaitLimit)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
        }
        ShowNetworkError("Binary send error");
        break;
    }
    return 1;
}

std::int16_t WinSocketIO::Close() {
    const bool wasConnected = connected != 0;
    if (connected) {
        connected = 0;
        closesocket(socketHandle);
        socketHandle = INVALID_SOCKET;
        if (liveCount == 0) WSACleanup();
    }
    // The closing is reported once, by whichever of the peer's close, CLOSE_CONNECTION and
    // the destructor comes first.
    if (wasConnected && bus) {
        Container<ConnectionInfo> info(Info());
        Post(CONNECTION_CLOSED, &info);
    }
    return 1;
}
