#pragma once
// The POSIX side of the socket layer (platform/socket.cpp is the other). Addresses and ports are
// in network byte order, as the sockets interface keeps them; every failure answers -1 (or
// false) and gives the sockets interface's error number (platform/socket_errors.h) in *error.
// Nothing here knows about windows or notifications.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::net {

int OpenStream(int* error);
int Close(int fd);
int SetNonBlocking(int fd, int* error);
int Connect(int fd, std::uint32_t address, std::uint16_t port, int* error);
int Bind(int fd, std::uint32_t address, std::uint16_t port, int* error);
int Listen(int fd, int backlog, int* error);
int Accept(int fd, std::uint32_t* address, std::uint16_t* port, int* error);
int Send(int fd, const char* bytes, int n, int* error);
// peek: leave the bytes for the next read; never waits then.
int Recv(int fd, char* bytes, int n, bool peek, int* error);
int LocalAddress(int fd, std::uint32_t* address, std::uint16_t* port, int* error);
// The error a non-blocking connect ended with (0 when it succeeded).
int PendingError(int fd);
bool IsListening(int fd);

// One socket's readiness, asked for and found by Poll (which never waits).
struct PollEntry {
    int fd;
    bool wantRead;
    bool wantWrite;
    bool readable = false;
    bool writable = false;
    bool hangUp = false;
    bool failed = false;
};
void Poll(std::vector<PollEntry>& entries);

// Host and service look-ups. A name's canonical form and its IPv4 addresses.
bool ResolveName(const char* name, std::string* canonical, std::vector<std::uint32_t>* addresses, int* error);
bool ReverseName(std::uint32_t address, std::string* name, int* error);
bool ServicePort(const char* name, const char* protocol, std::uint16_t* port, std::string* canonical,
                 std::string* protocolOut, int* error);
// A dotted address; 0xFFFFFFFF when the text is not one.
std::uint32_t ParseDotted(const char* text);
int HostName(char* buffer, int size, int* error);

std::uint16_t HostToNet16(std::uint16_t v);
std::uint32_t HostToNet32(std::uint32_t v);

} // namespace platform::net
