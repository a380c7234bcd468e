// The sockets interface over the POSIX calls of platform/socket_posix.cpp, and the readiness
// check that the message pump runs. Socket handles are the POSIX descriptors.
#include "platform/socket.h"

#include "platform/message_queue.h"
#include "platform/socket_posix.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Watch {
    HWND hwnd = nullptr;
    UINT message = 0;
    LONG events = 0;
};

struct SocketState {
    bool listening = false;
    bool connecting = false;    // a connect made while non-blocking has not finished
    bool readOutstanding = false;
    bool acceptOutstanding = false;
    bool writeArmed = false;     // FD_WRITE is due once the socket can take bytes
    bool closeReported = false;
    Watch watch;
};

struct SocketTable {
    std::mutex lock;
    std::map<SOCKET, SocketState> sockets;
    int starts = 0;
    bool pollerInstalled = false;
};

SocketTable& table() {
    static SocketTable t;
    return t;
}

thread_local int t_lastError = 0;

int Fail(int error) {
    t_lastError = error;
    return SOCKET_ERROR;
}

int Fd(SOCKET s) { return static_cast<int>(s); }

// Runs f on the socket's state under the lock; false (WSAENOTSOCK) when s is not ours.
template <class F>
bool WithSocket(SOCKET s, F f) {
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.sockets.find(s);
    if (it == t.sockets.end()) return false;
    f(it->second);
    return true;
}

bool ReadEndpoint(const sockaddr* name, int nameLength, std::uint32_t* address, std::uint16_t* port) {
    if (!name || nameLength < static_cast<int>(sizeof(sockaddr_in))) return false;
    sockaddr_in in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) return false;
    *address = in.sin_addr.s_addr;
    *port = in.sin_port;
    return true;
}

void WriteEndpoint(sockaddr* name, int* nameLength, std::uint32_t address, std::uint16_t port) {
    if (!name || !nameLength || *nameLength < static_cast<int>(sizeof(sockaddr_in))) return;
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = port;
    in.sin_addr.s_addr = address;
    std::memcpy(name, &in, sizeof in);
    *nameLength = sizeof in;
}

// Storage of the look-ups, one of each per thread.
struct HostStorage {
    std::string name;
    std::vector<std::uint32_t> addresses;
    std::vector<char*> addressList;
    char* noAliases[1] = {nullptr};
    hostent entry{};

    hostent* Fill(const std::string& canonical, const std::vector<std::uint32_t>& found) {
        name = canonical;
        addresses = found;
        addressList.clear();
        for (auto& a : addresses) addressList.push_back(reinterpret_cast<char*>(&a));
        addressList.push_back(nullptr);
        entry.h_name = name.data();
        entry.h_aliases = noAliases;
        entry.h_addrtype = AF_INET;
        entry.h_length = 4;
        entry.h_addr_list = addressList.data();
        return &entry;
    }
};
thread_local HostStorage t_host;

struct ServiceStorage {
    std::string name;
    std::string protocol;
    char* noAliases[1] = {nullptr};
    servent entry{};
};
thread_local ServiceStorage t_service;

struct Due {
    HWND hwnd;
    UINT message;
    SOCKET s;
    LONG event;
    int error;
};

} // namespace

int WSAStartup(WORD version, WSADATA* data) {
    BYTE major = version & 0xFF;
    BYTE minor = (version >> 8) & 0xFF;
    if (data) {
        std::memset(data, 0, sizeof *data);
        data->wVersion = MAKEWORD(1, 1);
        data->wHighVersion = MAKEWORD(1, 1);
        std::strcpy(data->szDescription, "Varnhold sockets 1.1 over POSIX TCP");
        std::strcpy(data->szSystemStatus, "Running");
        data->iMaxSockets = 1024;
        data->iMaxUdpDg = 0;
    }
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    ++t.starts;
    return 0;
}

int WSACleanup() {
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    if (t.starts == 0) return Fail(WSANOTINITIALISED);
    --t.starts;
    return 0;
}

int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int error) { t_lastError = error; }

SOCKET socket(int family, int type, int protocol) {
    if (family != AF_INET) return Fail(WSAEAFNOSUPPORT), INVALID_SOCKET;
    if (type != SOCK_STREAM || (protocol != 0 && protocol != 6)) return Fail(WSAEINVAL), INVALID_SOCKET;
    int error = 0;
    int fd = platform::net::OpenStream(&error);
    if (fd < 0) return Fail(error), INVALID_SOCKET;
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.sockets[static_cast<SOCKET>(fd)] = SocketState{};
    return static_cast<SOCKET>(fd);
}

int connect(SOCKET s, const sockaddr* name, int nameLength) {
    std::uint32_t address;
    std::uint16_t port;
    if (!ReadEndpoint(name, nameLength, &address, &port)) return Fail(WSAEFAULT);
    bool known = WithSocket(s, [](SocketState&) {});
    if (!known) return Fail(WSAENOTSOCK);
    int error = 0;
    if (platform::net::Connect(Fd(s), address, port, &error) == 0) {
        WithSocket(s, [](SocketState& st) { st.writeArmed = true; });
        return 0;
    }
    if (error == WSAEWOULDBLOCK) WithSocket(s, [](SocketState& st) { st.connecting = true; });
    return Fail(error);
}

int bind(SOCKET s, const sockaddr* name, int nameLength) {
    std::uint32_t address;
    std::uint16_t port;
    if (!ReadEndpoint(name, nameLength, &address, &port)) return Fail(WSAEFAULT);
    if (!WithSocket(s, [](SocketState&) {})) return Fail(WSAENOTSOCK);
    int error = 0;
    return platform::net::Bind(Fd(s), address, port, &error) == 0 ? 0 : Fail(error);
}

int listen(SOCKET s, int backlog) {
    if (!WithSocket(s, [](SocketState&) {})) return Fail(WSAENOTSOCK);
    int error = 0;
    if (platform::net::Listen(Fd(s), backlog, &error) != 0) return Fail(error);
    WithSocket(s, [](SocketState& st) { st.listening = true; });
    return 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
    if (!WithSocket(s, [](SocketState& st) { st.acceptOutstanding = false; })) return Fail(WSAENOTSOCK), INVALID_SOCKET;
    int error = 0;
    std::uint32_t peer = 0;
    std::uint16_t port = 0;
    int fd = platform::net::Accept(Fd(s), &peer, &port, &error);
    if (fd < 0) return Fail(error), INVALID_SOCKET;
    WriteEndpoint(address, addressLength, peer, port);
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    SocketState st;
    st.writeArmed = true;
    t.sockets[static_cast<SOCKET>(fd)] = st;
    return static_cast<SOCKET>(fd);
}

int send(SOCKET s, const char* bytes, int length, int flags) {
    if (!WithSocket(s, [](SocketState&) {})) return Fail(WSAENOTSOCK);
    if (length < 0 || (!bytes && length > 0)) return Fail(WSAEFAULT);
    if (length == 0) return 0;
    int error = 0;
    int n = platform::net::Send(Fd(s), bytes, length, &error);
    if (n >= 0) return n;
    if (error == WSAEWOULDBLOCK) WithSocket(s, [](SocketState& st) { st.writeArmed = true; });
    return Fail(error);
}

int recv(SOCKET s, char* bytes, int length, int flags) {
    if (!WithSocket(s, [](SocketState& st) { st.readOutstanding = false; })) return Fail(WSAENOTSOCK);
    if (length < 0 || (!bytes && length > 0)) return Fail(WSAEFAULT);
    int error = 0;
    int n = platform::net::Recv(Fd(s), bytes, length, false, &error);
    return n >= 0 ? n : Fail(error);
}

int closesocket(SOCKET s) {
    {
        auto& t = table();
        std::lock_guard<std::mutex> g(t.lock);
        if (t.sockets.erase(s) == 0) return Fail(WSAENOTSOCK);
    }
    platform::net::Close(Fd(s));
    return 0;
}

int getsockname(SOCKET s, sockaddr* name, int* nameLength) {
    if (!WithSocket(s, [](SocketState&) {})) return Fail(WSAENOTSOCK);
    if (!name || !nameLength || *nameLength < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT);
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    int error = 0;
    if (platform::net::LocalAddress(Fd(s), &address, &port, &error) != 0) return Fail(error);
    WriteEndpoint(name, nameLength, address, port);
    return 0;
}

int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT message, LONG events) {
    if (events != 0 && !hwnd) return Fail(WSAEINVAL);
    if (!WithSocket(s, [](SocketState&) {})) return Fail(WSAENOTSOCK);
    int error = 0;
    if (platform::net::SetNonBlocking(Fd(s), &error) != 0) return Fail(error);
    auto& t = table();
    bool install = false;
    {
        std::lock_guard<std::mutex> g(t.lock);
        auto& st = t.sockets[s];
        st.watch = Watch{hwnd, message, events};
        // A new selection starts afresh: whatever is pending is reported again.
        st.readOutstanding = false;
        st.acceptOutstanding = false;
        install = !t.pollerInstalled;
        t.pollerInstalled = true;
    }
    if (install) platform::SetSocketPoller(&platform::PollSockets);
    return 0;
}

hostent* gethostbyname(const char* name) {
    if (!name) return Fail(WSAEFAULT), nullptr;
    std::string canonical;
    std::vector<std::uint32_t> addresses;
    int error = 0;
    if (!platform::net::ResolveName(name, &canonical, &addresses, &error)) return Fail(error), nullptr;
    return t_host.Fill(canonical, addresses);
}

hostent* gethostbyaddr(const char* address, int length, int type) {
    if (!address || length != 4 || type != AF_INET) return Fail(WSAEFAULT), nullptr;
    std::uint32_t a;
    std::memcpy(&a, address, 4);
    std::string name;
    int error = 0;
    if (!platform::net::ReverseName(a, &name, &error)) return Fail(error), nullptr;
    return t_host.Fill(name, {a});
}

servent* getservbyname(const char* name, const char* protocol) {
    if (!name) return Fail(WSAEFAULT), nullptr;
    std::uint16_t port = 0;
    std::string canonical;
    std::string proto;
    int error = 0;
    if (!platform::net::ServicePort(name, protocol, &port, &canonical, &proto, &error)) return Fail(error), nullptr;
    auto& st = t_service;
    st.name = canonical;
    st.protocol = proto;
    st.entry.s_name = st.name.data();
    st.entry.s_aliases = st.noAliases;
    st.entry.s_port = static_cast<std::int16_t>(port);
    st.entry.s_proto = st.protocol.data();
    return &st.entry;
}

std::uint32_t inet_addr(const char* text) { return text ? platform::net::ParseDotted(text) : INADDR_NONE; }

int gethostname(char* name, int length) {
    int error = 0;
    return platform::net::HostName(name, length, &error) == 0 ? 0 : Fail(error);
}

std::uint16_t htons(std::uint16_t v) { return platform::net::HostToNet16(v); }
std::uint16_t ntohs(std::uint16_t v) { return platform::net::HostToNet16(v); }
std::uint32_t htonl(std::uint32_t v) { return platform::net::HostToNet32(v); }
std::uint32_t ntohl(std::uint32_t v) { return platform::net::HostToNet32(v); }

namespace platform {

bool PollSockets() {
    auto& t = table();
    std::vector<SOCKET> handles;
    std::vector<net::PollEntry> entries;
    {
        std::lock_guard<std::mutex> g(t.lock);
        for (auto& [s, st] : t.sockets) {
            if (st.watch.events == 0 || !st.watch.hwnd) continue;
            const LONG ev = st.watch.events;
            bool wantRead = (ev & (FD_READ | FD_CLOSE | FD_ACCEPT)) != 0;
            bool wantWrite = ((ev & FD_WRITE) && st.writeArmed) || ((ev & FD_CONNECT) && st.connecting);
            if (!wantRead && !wantWrite) continue;
            handles.push_back(s);
            entries.push_back(net::PollEntry{Fd(s), wantRead, wantWrite});
        }
    }
    if (entries.empty()) {
        std::lock_guard<std::mutex> g(t.lock);
        for (auto& [s, st] : t.sockets)
            if (st.watch.events != 0) return true;
        return false;
    }
    net::Poll(entries);
    std::vector<Due> due;
    {
        std::lock_guard<std::mutex> g(t.lock);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            auto it = t.sockets.find(handles[i]);
            if (it == t.sockets.end()) continue; // closed meanwhile by another thread
            SocketState& st = it->second;
            const net::PollEntry& e = entries[i];
            const Watch& w = st.watch;
            auto post = [&](LONG event, int error) { due.push_back(Due{w.hwnd, w.message, handles[i], event, error}); };
            if (st.connecting && (e.writable || e.failed || e.hangUp)) {
                st.connecting = false;
                int error = net::PendingError(e.fd);
                if (w.events & FD_CONNECT) post(FD_CONNECT, error);
                if (error == 0) st.writeArmed = true;
                continue;
            }
            if (st.listening) {
                if ((w.events & FD_ACCEPT) && e.readable && !st.acceptOutstanding) {
                    st.acceptOutstanding = true;
                    post(FD_ACCEPT, 0);
                }
                continue;
            }
            if ((w.events & FD_WRITE) && st.writeArmed && e.writable) {
                st.writeArmed = false;
                post(FD_WRITE, 0);
            }
            if (!(e.readable || e.hangUp || e.failed) || st.closeReported) continue;
            char probe;
            int error = 0;
            int n = net::Recv(e.fd, &probe, 1, true, &error);
            if (n > 0) {
                if ((w.events & FD_READ) && !st.readOutstanding) {
                    st.readOutstanding = true;
                    post(FD_READ, 0);
                }
            } else if (n == 0 || error != WSAEWOULDBLOCK) {
                // The peer has finished (or the connection broke): said once, after the last byte.
                st.closeReported = true;
                if (w.events & FD_CLOSE) post(FD_CLOSE, n == 0 ? 0 : error);
            }
        }
    }
    for (const Due& d : due)
        PostMessage(d.hwnd, d.message, static_cast<WPARAM>(d.s),
                    static_cast<LPARAM>(static_cast<DWORD>(d.event & 0xFFFF) | (static_cast<DWORD>(d.error & 0xFFFF) << 16)));
    return true;
}

int SocketStartCount() {
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    return t.starts;
}

int OpenSocketCount() {
    auto& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    return static_cast<int>(t.sockets.size());
}

} // namespace platform
