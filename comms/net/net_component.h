#pragma once
// NetComponent: starts and ends network play. It asks for the connection details, creates the
// transport, puts it on the bus, lets the subclass install the relay lists, and deletes every
// connection when the game is closed. The first entry of `connections` is the game's connection.
//
// The connections go on the bus the component is attached to (the game attaches it to the
// application bus), so that two programs' buses can live in one process.
#include "comms/serial_io.h"
#include "core/component.h"
#include "core/container.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class NetComponent : public Component {
public:
    explicit NetComponent(const std::array<std::uint32_t, 4>& applicationGuid);
    ~NetComponent() override;

    void Connect() override;

    // The host's connections are ready; the result is the bus payload (owned by the caller).
    virtual ContainerBase* OnServerReady(const std::string& text);
    virtual std::int16_t StartServer();
    virtual std::int16_t StartClient();
    virtual std::int16_t StartNetworkGame(std::int16_t offerCreate);
    virtual std::int16_t CloseGame();
    virtual std::int16_t OnConnectionClosed(const std::string& name, std::int32_t id);
    virtual std::uint16_t SetUpJoiningRelay(SerialIO& connection) = 0;
    virtual std::uint16_t SetUpHostRelay(SerialIO& connection) = 0;

    std::uint16_t IsServer() const { return isServer; }
    const std::string& PlayerName() const { return playerName; }
    std::uint32_t LocalPlayerId() const { return localPlayerId; }
    const std::vector<SerialIO*>& Connections() const { return connections; }
    const std::array<std::uint32_t, 4>& ApplicationGuid() const { return applicationGuid; }

protected:
    static ContainerBase* OnServerReadyEntry(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnConnectionClosedEntry(Component* c, BusMessage e, ContainerBase* p);
    // Closes the connection, forgets and deletes it, and brings back the main dialog.
    void Abandon(SerialIO* connection);
    void AddConnection(SerialIO* connection);

    std::array<std::uint32_t, 4> applicationGuid;
    std::uint16_t isServer = 0;
    std::string playerName;
    std::uint32_t localPlayerId = 0;
    std::unique_ptr<Component> chatWindow;
    std::vector<SerialIO*> connections; // owned

private:
    static ContainerBase* OnStartGameClient(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnStartGameServer(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnStartNetworkGame(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnCloseGame(Component* c, BusMessage e, ContainerBase* p);
};
