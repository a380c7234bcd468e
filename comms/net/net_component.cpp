#include "comms/net/net_component.h"

#include "comms/ui/connection_event.h"
#include "comms/ui/direct_play_io.h"
#include "comms/ui/information_dlg.h"
#include "comms/ui/net_dialogs.h"
#include "comms/win_socket_io.h"
#include "comms/win_socket_server.h"
#include "core/assertion.h"
#include "core/type_info.h"
#include "platform/msgbox.h"

#include <algorithm>

namespace {
constexpr const char* kSource = "NETCMPT";
} // namespace

NetComponent::NetComponent(const std::array<std::uint32_t, 4>& guid)
    : Component("Testing Component"), applicationGuid(guid) {
    RegisterConnectionEventType();
    TypeInfo<std::string>::Register();
}

NetComponent::~NetComponent() {
    for (SerialIO* c : connections) delete c;
    connections.clear();
    chatWindow.reset();
}

void NetComponent::Connect() {
    RegisterNamedHandler("StartGameClient", OnStartGameClient);
    RegisterNamedHandler("StartGameServer", OnStartGameServer);
    RegisterNamedHandler("StartNetworkGame", OnStartNetworkGame);
    RegisterNamedHandler("CloseGame", OnCloseGame);
}

void NetComponent::AddConnection(SerialIO* connection) {
    connections.push_back(connection);
    if (GetBus()) connection->AttachToBus(GetBus());
}

ContainerBase* NetComponent::OnServerReady(const std::string& text) {
    MessageBox(nullptr, text.c_str(), "Server", MB_ICONINFORMATION);
    UnregisterNamedHandler("ServerReady", OnServerReadyEntry);
    ConnectNetDlg dlg(1, playerName.c_str(), localPlayerId);
    if (GetBus()) dlg.AttachToBus(GetBus());
    dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal);
    return nullptr;
}

std::int16_t NetComponent::StartServer() {
    StartNetDlg dlg;
    if (dlg.Execute("StartServer", Dialog::kModal) != 1) return 0;
    playerName = dlg.GetName();
    if (dlg.GetPort() < 0 || dlg.GetPort() > 0xFFFF) {
        // A port the socket layer would silently cut to 16 bits is refused instead.
        MessageBox(nullptr, "The port must be a number from 0 to 65535.", "Server", MB_ICONINFORMATION);
        return 0;
    }
    auto* server = new WinSocketServer(static_cast<std::uint16_t>(dlg.GetPort()), 1, playerName.c_str());
    server->ForwardMessage("ScenarioChange", TypeInfo<std::string>());
    connections.push_back(server);
    if (GetBus()) server->AttachToBus(GetBus());
    server->ForwardMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
    SetUpHostRelay(*server);
    RegisterNamedHandler("ServerReady", OnServerReadyEntry);
    PostNamedEvent("StartServer");
    return 0;
}

std::int16_t NetComponent::StartClient() {
    StartNetDlg dlg;
    if (dlg.Execute("StartClient", Dialog::kModal) != 1) return 0;
    MessageBox(nullptr, dlg.GetServerName().c_str(), dlg.GetName().c_str(), MB_ICONINFORMATION);
    if (dlg.GetPort() < 0 || dlg.GetPort() > 0xFFFF) {
        MessageBox(nullptr, "The port must be a number from 0 to 65535.", dlg.GetName().c_str(), MB_ICONINFORMATION);
        return 0;
    }
    auto* client = new WinSocketIO(static_cast<std::uint16_t>(dlg.GetPort()), dlg.GetServerName(), 1,
                                   dlg.GetName().c_str());
    connections.push_back(client);
    client->AcceptMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
    client->AcceptMessage("ScenarioChange", TypeInfo<std::string>());
    if (GetBus()) client->AttachToBus(GetBus());
    // Nothing else ever opens the joining connection: without this the player would wait for a
    // host that is never reached. A failed open has shown its own box; the connection goes.
    // It opens before the joining set-up, whose lobby talks to the host over it.
    if (client->Open() != 1) {
        connections.erase(std::find(connections.begin(), connections.end(), client));
        delete client;
        return 0;
    }
    if (!SetUpJoiningRelay(*client)) Abandon(client);
    return 0;
}

std::int16_t NetComponent::StartNetworkGame(std::int16_t offerCreate) {
    GetStringDialog name("Enter Your Name", "Your Name:", "");
    if (name.Execute("GetString", Dialog::kApplicationModal) != 1) {
        PostNamedEvent("ShowMainDlg");
        return 0;
    }
    auto* session = new DirectPlayIO(applicationGuid, name.GetResult().c_str(), static_cast<std::uint16_t>(offerCreate));
    session->ForwardMessage("ScenarioChange", TypeInfo<std::string>());
    AddConnection(session);
    if (session->Open() != 1) {
        Abandon(session);
        return 0;
    }
    playerName = session->Name();
    localPlayerId = session->LocalPlayerId();
    if (!session->IsHost()) {
        isServer = 0;
        session->AcceptMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
        session->AcceptMessage("ScenarioChange", TypeInfo<std::string>());
        if (!SetUpJoiningRelay(*session)) {
            Abandon(session);
            return 0;
        }
    } else {
        isServer = 1;
        session->ForwardMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
        if (!SetUpHostRelay(*session)) {
            Abandon(session);
            return 0;
        }
        ContainerBase* started = OnServerReady(name.GetResult());
        std::int16_t ok = 0;
        if (started) ExtractData(started, ok);
        delete started;
        if (!ok) {
            Abandon(session);
            return 0;
        }
    }
    RegisterHandler(CONNECTION_CLOSED, OnConnectionClosedEntry);
    session->SetClosedToNewPlayers(1);
    return 0;
}

void NetComponent::Abandon(SerialIO* connection) {
    PostEventAndWait(CLOSE_CONNECTION);
    auto at = std::find(connections.begin(), connections.end(), connection);
    if (at != connections.end()) connections.erase(at);
    delete connection;
    PostNamedEvent("ShowMainDlg");
}

std::int16_t NetComponent::CloseGame() {
    UnregisterHandler(CONNECTION_CLOSED, OnConnectionClosedEntry);
    std::vector<SerialIO*> doomed;
    doomed.swap(connections);
    for (SerialIO* c : doomed) delete c;
    chatWindow.reset();
    return 0;
}

std::int16_t NetComponent::OnConnectionClosed(const std::string&, std::int32_t) { return 0; }

ContainerBase* NetComponent::OnStartGameClient(Component* c, BusMessage, ContainerBase*) {
    static_cast<NetComponent*>(c)->StartClient();
    return nullptr;
}

ContainerBase* NetComponent::OnStartGameServer(Component* c, BusMessage, ContainerBase*) {
    static_cast<NetComponent*>(c)->StartServer();
    return nullptr;
}

ContainerBase* NetComponent::OnStartNetworkGame(Component* c, BusMessage, ContainerBase* p) {
    std::int16_t flag = 0;
    if (!ExtractData(p, flag)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<NetComponent*>(c)->StartNetworkGame(flag);
    return nullptr;
}

ContainerBase* NetComponent::OnCloseGame(Component* c, BusMessage, ContainerBase*) {
    static_cast<NetComponent*>(c)->CloseGame();
    return nullptr;
}

ContainerBase* NetComponent::OnServerReadyEntry(Component* c, BusMessage, ContainerBase* p) {
    std::string text;
    if (!ExtractData(p, text)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    return static_cast<NetComponent*>(c)->OnServerReady(text);
}

ContainerBase* NetComponent::OnConnectionClosedEntry(Component* c, BusMessage, ContainerBase* p) {
    ConnectionInfo info;
    if (!ExtractData(p, info)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<NetComponent*>(c)->OnConnectionClosed(info.name, info.value);
    return nullptr;
}
