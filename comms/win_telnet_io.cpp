#include "comms/win_telnet_io.h"

#include "core/container.h"

namespace {
constexpr int kPiece = 2048;
} // namespace

WinTelnetIO::WinTelnetIO(const char* host_)
    : WinSocketIO(std::string("telnet"), host_ && *host_ ? host_ : "Unnamed Windows Telnet Unit", 0,
                  "Unnamed Winsock Connection", 0) {
    // Local echo until the host says it echoes.
    noEcho = 0;
}

WinTelnetIO::WinTelnetIO(const char* host_, std::uint16_t port_) : WinTelnetIO(host_) { port = port_; }

WinTelnetIO::~WinTelnetIO() = default;

std::string WinTelnetIO::Walk(const char* piece, std::size_t n) {
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    // The walk stops at the first NUL, as a text would.
    while (i < n && piece[i] != '\0') {
        const auto c = static_cast<unsigned char>(piece[i]);
        if (c == kIac && i + 1 < n) {
            const auto command = static_cast<unsigned char>(piece[i + 1]);
            if (command >= kWill && command <= kDont) {
                if (i + 2 >= n) break; // a command cut by the end of the piece is dropped
                const auto option = static_cast<unsigned char>(piece[i + 2]);
                char answer[3] = {static_cast<char>(kIac), 0, static_cast<char>(option)};
                if (command == kWill) {
                    answer[1] = static_cast<char>(kDont);
                    SendBytes(answer, 3, 0);
                    if (option == kEcho) noEcho = 0;
                } else if (command == kWont) {
                    if (option == kEcho) noEcho = 0;
                } else if (command == kDo) {
                    answer[1] = static_cast<char>(kWont);
                    SendBytes(answer, 3, 0);
                }
                i += 3;
                continue;
            }
            // Any other command: both bytes go, the walk takes the next byte as text.
            i += 2;
            continue;
        }
        if (c == kIac) break;
        if (c == 0x7F) {
            // The delete byte goes together with the byte after it.
            i += 2;
            continue;
        }
        out.push_back(static_cast<char>(c));
        ++i;
    }
    return out;
}

void WinTelnetIO::Receive() {
    if (!connected || socketHandle == INVALID_SOCKET) return;
    std::weak_ptr<bool> alive = Life();
    char piece[kPiece + 1];
    for (;;) {
        const int n = recv(socketHandle, piece, kPiece, 0);
        if (n <= 0) break;
        piece[n] = '\0';
        const std::string text = Walk(piece, static_cast<std::size_t>(n));
        if (alive.expired() || !connected) return;
        AppendReceived(text.c_str(), static_cast<std::int32_t>(text.size()));
        if (textIn && bus) {
            Container<char*> payload(text.c_str());
            Post(STRING_IN, &payload);
        }
    }
}
