#pragma once
// DirectPlayIO: the framed connection over a game session of the session service
// (platform/session_hub.h). Opening it is interactive: the player picks the connection type,
// then creates a new game (this program then serves the session) or locates one to join at a
// host's address; a player is then created for the local side. The service's reader thread wakes
// the application's thread through the registered window message "DPIO Quorren"; everything
// else runs on the application's thread. Every data message carries one piece (at most 256
// bytes) of the frame byte stream behind a 4-byte zero prefix; the service's notices of players
// joining and leaving become CONNECTION_OPENED and CONNECTION_CLOSED.
//
// The host's session listens at the port of VARNHOLD_SESSION_PORT (the service's default port
// otherwise); a joining player gives the host's name or address, with ":port" for another port.
//
// Invariants: the session client exists exactly while the transport holds a session; responses
// awaited counts the session's players, the local one included, less those marked "IGNORE".
#include "comms/ui/enum_dialog.h"
#include "comms/win_serial_io.h"
#include "core/list.h"
#include "platform/session_hub.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class DirectPlayIO : public WinSerialIO {
public:
    // The connection types this program knows, by the service's published identities.
    static const platform::SessionGuid kProviderIpx;
    static const platform::SessionGuid kProviderTcpIp;
    static const platform::SessionGuid kProviderModem;
    static constexpr std::size_t kPiece = 256;

    DirectPlayIO(const std::array<std::uint32_t, 4>& applicationGuid, const char* playerName, std::uint16_t offerCreate);
    ~DirectPlayIO() override;

    void BeginWait() override {}
    void EndWait() override {}
    std::int16_t Open() override;
    std::int16_t Close() override;
    void Receive() override;
    std::int16_t SetProtocol() override { return 1; }
    std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t flag) override;
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual std::int16_t StartNotifications();

    void SetClosedToNewPlayers(std::uint16_t v) { closedToNewPlayers = v; }
    std::uint16_t IsHost() const { return host; }
    std::uint32_t LocalPlayerId() const { return static_cast<std::uint32_t>(connectionValue); }
    const platform::SessionGuid& Instance() const { return instance; }
    const std::string& SessionName() const { return sessionName; }

    // The saved identity: provider 16, instance 16, u16 host, u16 players, and for the host a
    // u16-length session name. Load reads it from `bytes` at `at` and reopens the session.
    std::int16_t Save(std::string& out) const;
    std::int16_t Load(const std::string& bytes, std::size_t at = 0);

    // An identity given as four u32 in its memory layout.
    static platform::SessionGuid ToGuid(const std::array<std::uint32_t, 4>& g);
    // The password a reopened session carries: the instance as text.
    static std::string SavedSessionPassword(const platform::SessionGuid& instance);

private:
    // Finds a session at a host the player names; 1 when one was found (its identity kept).
    std::int16_t SearchSessions();
    std::int16_t OpenSession(bool create);
    void ShowError(int stringId, std::uint32_t code = 0) const;

    std::unique_ptr<EnumDialog> gameChoice; // only while the game choice is shown
    std::uint16_t offerCreate;
    std::uint16_t host = 0;
    std::uint16_t closedToNewPlayers = 0;
    platform::SessionGuid application{};
    platform::SessionGuid provider{};
    platform::SessionGuid instance{};
    std::string sessionName;
    std::string password;
    std::uint16_t usePassword = 0;
    std::unique_ptr<platform::SessionClient> session;
    UINT wakeMessage;
};
