#pragma once
// Sockets in the shape of the 1.1 sockets interface the program was written against, over POSIX
// TCP sockets. A socket is blocking until WSAAsyncSelect asks for notifications; from then on it
// is non-blocking, and the message pump (platform/message_queue.h) looks at the watched sockets
// whenever nothing is posted and posts the notification message to the window:
//     wParam: the socket; lParam: the event (FD_*) in the low word, an error number in the high.
// As the interface promises, a notification is not repeated until the call that answers it has
// been made: FD_READ waits for the next recv, FD_ACCEPT for the next accept, FD_WRITE for a send
// that would have blocked; FD_CLOSE comes once, after every byte before it has been read.
// Errors are this layer's numbers (platform/socket_errors.h), kept per thread.
//
// Invariants: every watched socket is an open socket of this layer; a socket has at most one
// watch; a notification of a kind is outstanding at most once per socket.
#include "platform/socket_errors.h"
#include "platform/wintypes.h"

#include <cstdint>

using SOCKET = UINT_PTR;
constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int PF_INET = AF_INET;
constexpr int SOCK_STREAM = 1;
constexpr std::uint32_t INADDR_ANY = 0;
constexpr std::uint32_t INADDR_NONE = 0xFFFFFFFFu;

// Notification events.
constexpr LONG FD_READ = 0x01;
constexpr LONG FD_WRITE = 0x02;
constexpr LONG FD_OOB = 0x04;
constexpr LONG FD_ACCEPT = 0x08;
constexpr LONG FD_CONNECT = 0x10;
constexpr LONG FD_CLOSE = 0x20;

constexpr WORD WSAGETSELECTEVENT(LPARAM l) { return static_cast<WORD>(l & 0xFFFF); }
constexpr WORD WSAGETSELECTERROR(LPARAM l) { return static_cast<WORD>((l >> 16) & 0xFFFF); }
constexpr WORD MAKEWORD(BYTE lo, BYTE hi) { return static_cast<WORD>(lo | (hi << 8)); }

struct in_addr {
    std::uint32_t s_addr; // network byte order
};

struct sockaddr {
    std::uint16_t sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    std::int16_t sin_family;
    std::uint16_t sin_port; // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};

// Look-up results live in storage of the calling thread until its next look-up of the kind.
struct hostent {
    char* h_name;
    char** h_aliases;
    std::int16_t h_addrtype;
    std::int16_t h_length;
    char** h_addr_list; // each entry h_length bytes in network byte order; null-terminated
};

struct servent {
    char* s_name;
    char** s_aliases;
    std::int16_t s_port; // network byte order
    char* s_proto;
};

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    std::uint16_t iMaxSockets;
    std::uint16_t iMaxUdpDg;
    char* lpVendorInfo;
};

// Start-up is counted: each successful WSAStartup wants one WSACleanup. Versions below 1.1 are
// refused (WSAVERNOTSUPPORTED); anything from 1.1 up is served as 1.1.
int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int family, int type, int protocol);
int connect(SOCKET s, const sockaddr* name, int nameLength);
int bind(SOCKET s, const sockaddr* name, int nameLength);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* address, int* addressLength);
int send(SOCKET s, const char* bytes, int length, int flags);
int recv(SOCKET s, char* bytes, int length, int flags);
int closesocket(SOCKET s);
int getsockname(SOCKET s, sockaddr* name, int* nameLength);
// events 0 stops the notifications (the socket stays non-blocking).
int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT message, LONG events);

hostent* gethostbyname(const char* name);
hostent* gethostbyaddr(const char* address, int length, int type);
servent* getservbyname(const char* name, const char* protocol);
std::uint32_t inet_addr(const char* text);
int gethostname(char* name, int length);

std::uint16_t htons(std::uint16_t v);
std::uint16_t ntohs(std::uint16_t v);
std::uint32_t htonl(std::uint32_t v);
std::uint32_t ntohl(std::uint32_t v);

namespace platform {

// The pump's look at the watched sockets (installed in the message queue by the first
// WSAAsyncSelect): posts what is due; true while any socket is watched.
bool PollSockets();
// Tests: start-ups not yet matched by a clean-up, and sockets open.
int SocketStartCount();
int OpenSocketCount();

} // namespace platform
