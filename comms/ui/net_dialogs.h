#pragma once
// The dialogs of the socket network start. StartNetDlg asks for the player's name, the server's
// name and a port ("StartServer" or "StartClient"). ConnectNetDlg is the lobby that follows: all
// of its traffic is the named message "ConnectionEvent", which the network components relay
// between the machines, so each lobby handles the events of every machine, its own included.
//
// Lobby invariants: the name list and the id list are in step (entry i of one belongs to entry
// i of the other) and hold exactly the rows of list 101 with their item data; OK is enabled
// only while the server may start (CanStart); a closed lobby handles no more events.
#include "comms/ui/connection_event.h"
#include "core/list.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>

class StartNetDlg : public Dialog {
public:
    static constexpr std::size_t kMostCharacters = 48;

    StartNetDlg();

    std::int32_t GetPort() const { return port_; }
    const std::string& GetName() const { return name_; }
    const std::string& GetServerName() const { return serverName_; }

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    // Leading blanks, an optional sign, then digits up to the first non-digit; no digits give 0.
    static std::int32_t ParsePort(const std::string& text);

private:
    std::int32_t port_ = 0;
    std::string name_;
    std::string serverName_;
};

class ConnectNetDlg : public Dialog {
public:
    enum : std::int16_t {
        kPlayers = 101, kChoose = 102, kScenarioName = 103, kServerName = 104, kReject = 105,
        kMessages = 106, kLine = 107, kSend = 108, kOwnName = 110, kHelp = 9,
    };
    static constexpr std::size_t kMostLine = 128;

    ConnectNetDlg(std::uint16_t isServer, const char* ownName, std::uint32_t ownId);

    virtual void PlayerJoined(const std::string& name, std::uint32_t playerId);
    virtual void PlayerLeft(const std::string& name, std::uint32_t playerId);
    virtual void HandleConnectionEvent(const std::string& text, std::uint32_t value, std::int32_t kind);
    virtual std::int16_t CanStart();

    void HookUp() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;
    void Refresh() override;
    void Close(std::int16_t result) override;

    List<std::string> GetPlayerNames() const { return playerNames_; }
    List<std::uint32_t> GetPlayerIds() const { return playerIds_; }
    std::string GetServerName() const { return serverName_; }
    std::uint16_t IsServer() const { return isServer_; }
    std::uint16_t ScenarioChosen() const { return scenarioChosen_; }

protected:
    void PostConnectionEvent(std::int32_t kind, const std::string& text, std::uint32_t value, bool wait = false);
    void ShowNotice(const std::string& caption, const std::string& text);
    std::string ResourceString(std::uint32_t stringId) const;

    std::string ownName_;
    std::uint32_t ownId_;
    std::uint16_t isServer_;
    std::string serverName_;
    List<std::string> playerNames_;
    List<std::uint32_t> playerIds_;
    std::uint16_t scenarioChosen_ = 0;
};
