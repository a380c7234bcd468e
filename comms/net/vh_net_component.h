#pragma once
// VhNetComponent: the game's network play. It supplies the relay lists of the game's named
// messages (the joining peer's lists mirror the host's), the handling of a player who drops out,
// the leader list, and the network block of a saved game.
#include "comms/net/net_component.h"
#include "game/logic/combat_records.h"
#include "core/type_info.h"
#include "game/logic/combat_records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One message of the relay lists: which side sends it, and its payload type (null: none, which
// travels as the empty short payload).
struct RelayEntry {
    enum Way { kHostToJoiner, kJoinerToHost, kBothWays };
    const char* name; // null for a numbered event
    int event;
    const TypeInfoBase* type;
    Way way;
};

class VhNetComponent : public NetComponent {
public:
    static const std::array<std::uint32_t, 4> kApplicationGuid;

    VhNetComponent();
    ~VhNetComponent() override;

    void Connect() override;
    ContainerBase* OnServerReady(const std::string& text) override;
    std::int16_t StartNetworkGame(std::int16_t offerCreate) override;
    std::int16_t CloseGame() override;
    std::int16_t OnConnectionClosed(const std::string& name, std::int32_t id) override;
    std::uint16_t SetUpJoiningRelay(SerialIO& connection) override;
    std::uint16_t SetUpHostRelay(SerialIO& connection) override;
    virtual std::int16_t LoadNetworkGame(const std::string& fileName);
    virtual std::int16_t SaveNetworkGame(const std::string& fileName);
    // Both peers, once their own scenario is loaded: the chat window, the leader choice, the
    // display windows, and on the host the first turn.
    virtual void OnScenarioLoaded(const TeamInfoStruct& teams);

    // The game's messages that travel between the peers.
    static const std::vector<RelayEntry>& RelayTable();
    static void InstallRelay(SerialIO& connection, bool host);

    // Algorithms of the leader list: the leader changes hands and moves to the end.
    void ReinitializeLeader(const LeaderInfo& info);

    // Session state, for the application and the tests.
    void SetSession(const std::string& server, const std::vector<std::string>& names,
                    const std::vector<std::int32_t>& ids, std::uint16_t isServer_);
    void SetSetUpRunning(std::uint16_t v) { setUpRunning = v; }
    void SetGameRunning(std::uint16_t v) { gameRunning = v; }
    std::uint16_t SetUpRunning() const { return setUpRunning; }
    std::uint16_t PlayerCount() const { return playerCount; }
    const std::vector<std::string>& PlayerNames() const { return playerNames; }
    const std::vector<std::int32_t>& PlayerIds() const { return playerIds; }
    std::vector<LeaderInfo>& Leaders() { return leaders; }
    std::uint32_t ScenarioIndex() const { return scenarioIndex; }
    void SetScenario(std::uint32_t index, const std::string& file) { scenarioIndex = index; scenarioFile = file; }
    const std::string& ScenarioFile() const { return scenarioFile; }
    std::uint16_t LoadedGame() const { return loadedGame; }
    // Told the scenario index and file the lobby settled, before the scenario is loaded: the game
    // application names the battle's saved games and its overview picture after them.
    using ScenarioChosen = std::function<void(std::int32_t index, const std::string& file)>;
    void SetScenarioChosen(ScenarioChosen tell) { scenarioChosen = std::move(tell); }
    const std::string& SavedGameFile() const { return savedGameFile; }

private:
    static ContainerBase* OnSaveGame(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnLoadNetworkGame(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnReinitializeLeader(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnExitGame(Component* c, BusMessage e, ContainerBase* p);
    void EndGameWith(const char* text);
    static ContainerBase* OnScenarioLoadedEntry(Component* c, BusMessage e, ContainerBase* p);
    // What the confirmed lobby settled; then this peer loads the scenario itself.
    void TakeLobby(class VhConnectNetDlg& lobby, std::int16_t host);

    std::string serverName;
    std::vector<std::string> playerNames;
    std::vector<std::int32_t> playerIds;
    std::uint16_t playerCount = 0;
    std::uint32_t scenarioIndex = 0xFFFFFFFFu;
    std::string scenarioFile;
    std::uint16_t setUpRunning = 0;
    std::uint16_t gameRunning = 0; // from the end of the set-up until the game is closed
    std::uint16_t loadedGame = 0;
    std::vector<LeaderInfo> leaders;
    std::string savedGameFile;
    ScenarioChosen scenarioChosen;
};
