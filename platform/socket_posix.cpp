// The POSIX calls behind the socket layer. Sockets are created close-on-exec and never raise
// SIGPIPE: a peer that has gone away is an error code here, as it is to the sockets interface.
#include "platform/socket_posix.h"

#include "platform/socket_errors.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::net {

namespace {

int Translate(int e) {
    switch (e) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case EACCES: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK; // what a non-blocking connect answers there
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
    }
}

int Fail(int* error) {
    if (error) *error = Translate(errno);
    return -1;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = port;
    a.sin_addr.s_addr = address;
    return a;
}

} // namespace

int OpenStream(int* error) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? Fail(error) : fd;
}

int Close(int fd) { return ::close(fd); }

int SetNonBlocking(int fd, int* error) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(error);
    return 0;
}

int Connect(int fd, std::uint32_t address, std::uint16_t port, int* error) {
    sockaddr_in a = Endpoint(address, port);
    for (;;) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return 0;
        if (errno != EINTR) return Fail(error);
    }
}

int Bind(int fd, std::uint32_t address, std::uint16_t port, int* error) {
    // A server started again soon after the last one must not find its port held by the
    // connections of the old one that are still closing.
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a = Endpoint(address, port);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : Fail(error);
}

int Listen(int fd, int backlog, int* error) { return ::listen(fd, backlog) == 0 ? 0 : Fail(error); }

int Accept(int fd, std::uint32_t* address, std::uint16_t* port, int* error) {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    int s;
    do {
        s = ::accept4(fd, reinterpret_cast<sockaddr*>(&a), &n, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    if (s < 0) return Fail(error);
    if (address) *address = a.sin_addr.s_addr;
    if (port) *port = a.sin_port;
    return s;
}

int Send(int fd, const char* bytes, int n, int* error) {
    ssize_t r;
    do {
        r = ::send(fd, bytes, static_cast<std::size_t>(n), MSG_NOSIGNAL);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? Fail(error) : static_cast<int>(r);
}

int Recv(int fd, char* bytes, int n, bool peek, int* error) {
    ssize_t r;
    do {
        r = ::recv(fd, bytes, static_cast<std::size_t>(n), peek ? (MSG_PEEK | MSG_DONTWAIT) : 0);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? Fail(error) : static_cast<int>(r);
}

int LocalAddress(int fd, std::uint32_t* address, std::uint16_t* port, int* error) {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) != 0) return Fail(error);
    if (address) *address = a.sin_addr.s_addr;
    if (port) *port = a.sin_port;
    return 0;
}

int PendingError(int fd) {
    int e = 0;
    socklen_t n = sizeof e;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &n) != 0) return Translate(errno);
    return e == 0 ? 0 : Translate(e);
}

bool IsListening(int fd) {
    int on = 0;
    socklen_t n = sizeof on;
    return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &on, &n) == 0 && on != 0;
}

void Poll(std::vector<PollEntry>& entries) {
    std::vector<pollfd> fds;
    fds.reserve(entries.size());
    for (const auto& e : entries) {
        short events = 0;
        if (e.wantRead) events |= POLLIN;
        if (e.wantWrite) events |= POLLOUT;
        fds.push_back(pollfd{e.fd, events, 0});
    }
    if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0) return;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        short r = fds[i].revents;
        entries[i].readable = (r & POLLIN) != 0;
        entries[i].writable = (r & POLLOUT) != 0;
        entries[i].hangUp = (r & POLLHUP) != 0;
        entries[i].failed = (r & (POLLERR | POLLNVAL)) != 0;
    }
}

bool ResolveName(const char* name, std::string* canonical, std::vector<std::uint32_t>* addresses, int* error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    int r = ::getaddrinfo(name, nullptr, &hints, &found);
    if (r != 0) {
        if (error) *error = r == EAI_AGAIN ? WSATRY_AGAIN : r == EAI_FAIL ? WSANO_RECOVERY : WSAHOST_NOT_FOUND;
        return false;
    }
    addresses->clear();
    *canonical = found->ai_canonname ? found->ai_canonname : name;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family != AF_INET) continue;
        std::uint32_t address = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (auto x : *addresses) seen = seen || x == address;
        if (!seen) addresses->push_back(address);
    }
    ::freeaddrinfo(found);
    if (addresses->empty()) {
        if (error) *error = WSANO_DATA;
        return false;
    }
    return true;
}

bool ReverseName(std::uint32_t address, std::string* name, int* error) {
    sockaddr_in a = Endpoint(address, 0);
    char host[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0) {
        if (error) *error = WSAHOST_NOT_FOUND;
        return false;
    }
    *name = host;
    return true;
}

bool ServicePort(const char* name, const char* protocol, std::uint16_t* port, std::string* canonical,
                 std::string* protocolOut, int* error) {
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (::getservbyname_r(name, protocol, &entry, scratch, sizeof scratch, &found) != 0 || !found) {
        if (error) *error = WSANO_DATA;
        return false;
    }
    *port = static_cast<std::uint16_t>(found->s_port);
    *canonical = found->s_name ? found->s_name : name;
    *protocolOut = found->s_proto ? found->s_proto : "";
    return true;
}

std::uint32_t ParseDotted(const char* text) { return ::inet_addr(text); }

int HostName(char* buffer, int size, int* error) {
    if (!buffer || size <= 0) {
        if (error) *error = WSAEFAULT;
        return -1;
    }
    if (::gethostname(buffer, static_cast<std::size_t>(size)) != 0) {
        if (error) *error = WSAEFAULT;
        return -1;
    }
    buffer[size - 1] = '\0';
    return 0;
}

std::uint16_t HostToNet16(std::uint16_t v) { return htons(v); }
std::uint32_t HostToNet32(std::uint32_t v) { return htonl(v); }

} // namespace platform::net
