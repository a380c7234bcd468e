#pragma once
// WinTelnetIO: a text connection to a host's telnet service. What arrives is stripped of telnet
// commands and handed to the receive buffer and (as STRING_IN) to the bus; every option the host
// offers or asks for is refused. Only ECHO is followed: local echo of sent text stays on unless
// the host says it will echo. Frames are never read on this transport.
#include "comms/win_socket_io.h"

#include <string>

class WinTelnetIO : public WinSocketIO {
public:
    static constexpr unsigned char kIac = 0xFF;
    static constexpr unsigned char kDont = 0xFE;
    static constexpr unsigned char kDo = 0xFD;
    static constexpr unsigned char kWont = 0xFC;
    static constexpr unsigned char kWill = 0xFB;
    static constexpr unsigned char kEcho = 1;

    explicit WinTelnetIO(const char* host = nullptr);
    // A telnet service at another port than the service's own.
    WinTelnetIO(const char* host, std::uint16_t port);
    ~WinTelnetIO() override;

    void Receive() override;
    std::int16_t NoEcho() const { return noEcho; }

    // The text of one piece as read: commands answered through SendBytes and dropped, text kept.
    std::string Walk(const char* piece, std::size_t n);
};
