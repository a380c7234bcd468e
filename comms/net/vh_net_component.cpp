#include "comms/net/vh_net_component.h"

#include "comms/net/net_game_block.h"
#include "comms/net/vh_connect_net_dlg.h"
#include "comms/ui/chat_records.h"
#include "comms/ui/direct_play_io.h"
#include "comms/ui/net_chat.h"
#include "comms/ui/net_leaders_dlg.h"
#include "core/application.h"
#include "comms/ui/connection_event.h"
#include "core/assertion.h"
#include "core/events.h"
#include "game/app/dialogs/dialog_event.h"
#include "game/logic/direction.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/game_records.h"
#include "game/logic/logical_command.h"
#include "platform/msgbox.h"
#include "ui/set_text_data.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "VHNET";
constexpr const char* kCommsError = "Communications Error";
constexpr const char* kClientLeft = "A client has left the game.  The game cannot continue from this point.";
constexpr const char* kLastClientLeft = "The last client has left the game.  The game cannot continue from this point.";
constexpr const char* kServerLeft = "The server has left the game.  The game cannot continue from this point.";

template <class T>
const TypeInfoBase* Type() {
    TypeInfo<T>::Register();
    static const TypeInfo<T> type;
    return &type;
}

// A payload type known by a class name other than its own C++ spelling's. The stream form names
// the 32-bit lists "List<long>" and "List<unsigned long>" (a long is four bytes there), and a
// frame that carries one of them by that name must find a type to rebuild it by.
template <class T>
class AliasTypeInfo : public TypeInfo<T> {
public:
    explicit AliasTypeInfo(std::string name_) : name(std::move(name_)) {}
    std::uint16_t TypeId() const override { return RegisterMessage(name); }
    std::string TypeName() const override { return name; }

private:
    std::string name;
};

template <class T>
void RegisterAlias(const char* name) {
    if (LookUpTypeInfo(name)) return;
    auto* descriptor = new AliasTypeInfo<T>(name);
    if (!RegisterTypeInfo(descriptor)) delete descriptor;
}

} // namespace

const std::array<std::uint32_t, 4> VhNetComponent::kApplicationGuid = {0x5641524Eu, 0x484F4C44u, 0x18611865u, 0x0000BA77u};

const std::vector<RelayEntry>& VhNetComponent::RelayTable() {
    using W = RelayEntry::Way;
    static const std::vector<RelayEntry> table = {
        {"ScenarioChange", 0, Type<ScenarioInfoStruct>(), W::kHostToJoiner},
        {"DialogEvent", 0, Type<DialogEvent>(), W::kHostToJoiner},
        {nullptr, BEGIN_GAME, nullptr, W::kHostToJoiner},
        {"BeginDeploymentPhase", 0, nullptr, W::kHostToJoiner},
        {"ShowDeployments", 0, nullptr, W::kHostToJoiner},
        {"ReinitializeLeader", 0, Type<LeaderInfo>(), W::kHostToJoiner},
        {"FirstEliteInitiative", 0, Type<std::int16_t>(), W::kHostToJoiner},
        {"EliteInitiative", 0, Type<std::int16_t>(), W::kHostToJoiner},
        {"ActivateLeader", 0, Type<ActivateNextLeaderStruct>(), W::kHostToJoiner},
        {"ResumeActiveLeader", 0, Type<ActivateNextLeaderStruct>(), W::kHostToJoiner},
        {"BeginLeaderOrdersPhase", 0, nullptr, W::kHostToJoiner},
        {"BeginTurn", 0, Type<std::int16_t>(), W::kHostToJoiner},
        {"EndOfTurn", 0, Type<EndOfGameResults>(), W::kHostToJoiner},
        {"EndOfGame", 0, Type<EndOfGameResults>(), W::kHostToJoiner},
        {"GameEnded", 0, nullptr, W::kHostToJoiner},
        {"GameSynchronized", 0, nullptr, W::kHostToJoiner},
        {"ShowPage", 0, Type<std::int16_t>(), W::kHostToJoiner},
        {"ZoomOutForRout", 0, nullptr, W::kHostToJoiner},
        {"ZoomInAfterRout", 0, nullptr, W::kHostToJoiner},
        {"ChangeMainCaption", 0, Type<std::string>(), W::kHostToJoiner},
        {"LeaderResetOrdersGiven", 0, nullptr, W::kHostToJoiner},
        {"LeaderGaveOrder", 0, Type<std::int16_t>(), W::kHostToJoiner},
        {"GetLeaderOrdersLeft", 0, Type<std::int16_t>(), W::kHostToJoiner},

        {nullptr, END_GAME, nullptr, W::kJoinerToHost},
        {"CanAttemptMomentum", 0, Type<std::int16_t>(), W::kJoinerToHost},
        {"GetObjectiveHolder", 0, Type<std::int16_t>(), W::kJoinerToHost},
        {"SynchronizeGame", 0, Type<std::string>(), W::kJoinerToHost},
        {"DoSelectSubLeader", 0, Type<std::uint16_t>(), W::kJoinerToHost},
        {"GetGameResults", 0, nullptr, W::kJoinerToHost},

        {"ConnectionEvent", 0, Type<ConnectionEvent>(), W::kBothWays},
        {"LeaderActivated", 0, Type<std::string>(), W::kBothWays},
        {"LeaderResumed", 0, Type<std::string>(), W::kBothWays},
        {"Combat Center On Region", 0, nullptr, W::kBothWays},
        {"StartCombat", 0, nullptr, W::kBothWays},
        {"UnitCombat", 0, Type<LogicalCommandInfo>(), W::kBothWays},
        {"CombatResults", 0, Type<SingleCombatResult>(), W::kBothWays},
        {"CombatDone", 0, nullptr, W::kBothWays},
        {"UsedThisTurn", 0, Type<std::int16_t>(), W::kBothWays},
        {"UnitMovement", 0, Type<LogicalCommandInfo>(), W::kBothWays},
        {"UnitMovementDone", 0, Type<UnitLocationStruct>(), W::kBothWays},
        {"UnitRemoved", 0, Type<UnitLocationStruct>(), W::kBothWays},
        {"UnitInserted", 0, Type<UnitLocationStruct>(), W::kBothWays},
        {"LockLocation", 0, Type<UnitLocationStruct>(), W::kBothWays},
        {"UnlockLocation", 0, Type<UnitLocationStruct>(), W::kBothWays},
        {"ChangeFacing", 0, Type<ChangeFacingStruct>(), W::kBothWays},
        {"DoMissileFire", 0, Type<MissileFireStruct>(), W::kBothWays},
        {"ReplenishMissiles", 0, Type<ReplenishMissilesInfo>(), W::kBothWays},
        {"DoRestoreCohesion", 0, Type<RestoreCohesionInfo>(), W::kBothWays},
        {"DoLineColumn", 0, Type<LineColumnInfo>(), W::kBothWays},
        {"DoMountDismount", 0, Type<MountDismountInfo>(), W::kBothWays},
        {"DoLimberUnlimber", 0, Type<LimberUnlimberInfo>(), W::kBothWays},
        {"DoRout", 0, Type<RoutInfo>(), W::kBothWays},
        {"BeginElephantRampage", 0, nullptr, W::kBothWays},
        {"RampagingActions", 0, Type<List<RampageStruct>>(), W::kBothWays},
        {"DoRampagingActions", 0, Type<DoRampageStruct>(), W::kBothWays},
        {"TQHit", 0, Type<TQHitInfo>(), W::kBothWays},
        {"WoundedLeader", 0, Type<WoundedLeaderInfo>(), W::kBothWays},
        {"FinishedLeader", 0, Type<std::int16_t>(), W::kBothWays},
        {"EliminateUnit", 0, Type<std::int16_t>(), W::kBothWays},
        {"Undo", 0, Type<UndoStruct>(), W::kBothWays},
        {"PursuitOffMap", 0, Type<PursuitInfo>(), W::kBothWays},
        {"DoColumnLine", 0, Type<std::int16_t>(), W::kBothWays},
        {"AddCommentary", 0, Type<std::string>(), W::kBothWays},
        {"SetItemText", 0, Type<SetTextData>(), W::kBothWays},
        {"AddBattleArrow", 0, Type<BattleArrowStruct>(), W::kBothWays},
        {"RemoveBattleArrow", 0, Type<BattleArrowStruct>(), W::kBothWays},
        {"RemoveAllBattleArrows", 0, nullptr, W::kBothWays},
        // The chat window's lines; each peer shows only those meant for its own player.
        {"ChatMessage", 0, Type<ChatMsg>(), W::kBothWays},
    };
    return table;
}

void VhNetComponent::InstallRelay(SerialIO& connection, bool host) {
    for (const RelayEntry& e : RelayTable()) {
        const bool sends = e.way == RelayEntry::kBothWays || (e.way == RelayEntry::kHostToJoiner) == host;
        const bool takes = e.way == RelayEntry::kBothWays || (e.way == RelayEntry::kHostToJoiner) != host;
        const TypeInfoBase& type = e.type ? *e.type : *Type<std::int16_t>();
        if (sends) {
            if (e.name) connection.ForwardMessage(e.name, type);
            else connection.ForwardMessage(BusMessage(e.event), type);
        }
        if (takes) {
            if (e.name) connection.AcceptMessage(e.name, type);
            else connection.AcceptMessage(BusMessage(e.event), type);
        }
    }
}

VhNetComponent::VhNetComponent() : NetComponent(kApplicationGuid) {
    TypeInfo<List<std::int16_t>>::Register();
    TypeInfo<DIRECTION>::Register();
    TypeInfo<TURN_DIRECTION>::Register();
    TypeInfo<NATION>::Register();
    TypeInfo<MISSILETYPE>::Register();
    TypeInfo<COMBATTYPE>::Register();
    TypeInfo<MOVE_RESULT>::Register();
    TypeInfo<List<std::uint16_t>>::Register();
    TypeInfo<List<std::int32_t>>::Register();
    TypeInfo<List<std::uint32_t>>::Register();
    RegisterAlias<List<std::int32_t>>("List<long>");
    RegisterAlias<List<std::uint32_t>>("List<unsigned long>");
    TypeInfo<std::uint16_t>::Register();
    TypeInfo<std::uint32_t>::Register();
    RegisterDialogEventType();
    RelayTable();
}

VhNetComponent::~VhNetComponent() = default;

void VhNetComponent::Connect() {
    RegisterNamedHandler("SaveGame", OnSaveGame);
    RegisterNamedHandler("LoadNetworkGame", OnLoadNetworkGame);
    RegisterNamedHandler("ReinitializeLeader", OnReinitializeLeader);
    RegisterNamedHandler("ExitGame", OnExitGame);
    NetComponent::Connect();
}

std::uint16_t VhNetComponent::SetUpHostRelay(SerialIO& connection) {
    InstallRelay(connection, true);
    return 1;
}

std::uint16_t VhNetComponent::SetUpJoiningRelay(SerialIO& connection) {
    InstallRelay(connection, false);
    VhConnectNetDlg lobby(0, playerName.c_str(), localPlayerId, static_cast<std::int32_t>(scenarioIndex), scenarioFile, 0);
    if (GetBus()) lobby.AttachToBus(GetBus());
    if (lobby.Execute("ConnectNetDlg", Dialog::kApplicationModal) != 1) return 0;
    TakeLobby(lobby, 0);
    return 1;
}

void VhNetComponent::TakeLobby(VhConnectNetDlg& lobby, std::int16_t host) {
    serverName = lobby.GetServerName();
    playerNames.clear();
    playerIds.clear();
    for (auto* n = lobby.GetPlayerNames().Head(); n; n = n->next) playerNames.push_back(n->value);
    const List<std::uint32_t> ids = lobby.GetPlayerIds();
    for (auto* i = ids.Head(); i; i = i->next) playerIds.push_back(static_cast<std::int32_t>(i->value));
    scenarioIndex = static_cast<std::uint32_t>(lobby.GetScenarioIndex());
    scenarioFile = lobby.GetScenarioFile();
    playerCount = static_cast<std::uint16_t>(playerNames.size());
    if (scenarioChosen) scenarioChosen(static_cast<std::int32_t>(scenarioIndex), scenarioFile);
    Container<std::string> name(playerName);
    PostNamed("PlayerName", &name);
    Container<std::int16_t> server(host);
    PostNamed("IsServer", &server);
    UnregisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEntry);
    RegisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEntry);
    if (Application* app = GetApplication()) app->BeginWait();
    Container<ScenarioInfoStruct> load(lobby.GetScenarioInfo());
    PostNamed("LoadScenario", &load);
}

ContainerBase* VhNetComponent::OnServerReady(const std::string& text) {
    // Once only: a second "ServerReady" must not start a second set-up.
    UnregisterNamedHandler("ServerReady", OnServerReadyEntry);
    VhConnectNetDlg lobby(1, text.c_str(), localPlayerId, static_cast<std::int32_t>(scenarioIndex), scenarioFile,
                          playerCount);
    if (GetBus()) lobby.AttachToBus(GetBus());
    if (lobby.Execute("ConnectNetDlg", Dialog::kApplicationModal) != 1) return new Container<std::int16_t>(0);
    TakeLobby(lobby, 1);
    return new Container<std::int16_t>(1);
}

void VhNetComponent::OnScenarioLoaded(const TeamInfoStruct& teams) {
    if (Application* app = GetApplication()) app->EndWait();
    UnregisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEntry);
    auto chat = std::make_unique<VhNetChat>(playerName.c_str(), teams.homeNation, teams.visitingNation);
    if (GetBus()) chat->AttachToBus(GetBus());
    for (std::size_t i = 0; i < playerNames.size(); ++i) {
        chat->SetPlayerName(static_cast<std::int16_t>(i), playerNames[i]);
        chat->SetPlayerLabel(static_cast<std::int16_t>(i), playerNames[i]);
        chat->SetPlayerColour(static_cast<std::int16_t>(i), -1);
    }
    chat->Execute("NetChat", Dialog::kModeless);
    VhNetChat* shownChat = chat.get();
    chatWindow = std::move(chat);
    setUpRunning = 1;
    List<std::string> names;
    for (const std::string& n : playerNames) names << n;
    std::unique_ptr<NetChooseLeadersDlg> choice;
    if (!loadedGame) {
        choice = std::make_unique<NetChooseLeadersDlg>(teams, names, isServer, playerName.c_str());
    } else {
        List<LeaderInfo> saved;
        for (const LeaderInfo& l : leaders) saved << l;
        choice = std::make_unique<NetChooseLeadersDlg>(teams, names, isServer, playerName.c_str(), saved);
    }
    if (GetBus()) choice->AttachToBus(GetBus());
    choice->Execute("NetChooseLeaders", Dialog::kApplicationModal);
    // A player who dropped out during the choice ended the set-up; nothing more is asked.
    if (setUpRunning == 0) return;
    if (!loadedGame) {
        delete PostNamedEventAndWait("LeaderControl");
        Container<std::int16_t> options(static_cast<std::int16_t>(isServer ? 1 : 0));
        delete PostNamedAndWait("GameOptions", &options);
    } else {
        Container<std::string> file(savedGameFile);
        delete PostNamedAndWait("LoadGame", &file);
    }
    leaders.clear();
    for (auto* l = choice->GetAssignments().Head(); l; l = l->next) leaders.push_back(l->value);
    Container<TeamInfoStruct> init(choice->GetTeamInfo());
    delete PostNamedAndWait("InitializeScenario", &init);
    choice.reset();
    if (setUpRunning == 0) return; // a player dropped out meanwhile
    setUpRunning = 0;
    gameRunning = 1;
    Container<std::int16_t> loaded(static_cast<std::int16_t>(loadedGame));
    delete PostNamedAndWait("OpenDisplayWindows", &loaded);
    delete PostNamedEventAndWait("BlockSaveMenu");
    delete PostNamedEventAndWait("BlockLeaderMenu");
    Container<BusMessage> chatItem{BusMessage(241)};
    delete PostAndWait(BusMessage(ENABLE_MENU_ITEM), &chatItem);
    if (chatWindow.get() == shownChat && shownChat->IsShown()) delete PostAndWait(BusMessage(CHECK_MENU_ITEM), &chatItem);
    if (isServer) Post(BusMessage(BEGIN_GAME), &loaded);
}

ContainerBase* VhNetComponent::OnScenarioLoadedEntry(Component* c, BusMessage, ContainerBase* p) {
    const TeamInfoStruct* teams = PayloadValue<TeamInfoStruct>(p);
    if (!teams) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<VhNetComponent*>(c)->OnScenarioLoaded(*teams);
    return nullptr;
}

std::int16_t VhNetComponent::StartNetworkGame(std::int16_t offerCreate) {
    loadedGame = 0;
    scenarioIndex = 0xFFFFFFFFu;
    playerCount = 0;
    return NetComponent::StartNetworkGame(offerCreate);
}

std::int16_t VhNetComponent::CloseGame() {
    setUpRunning = 0;
    gameRunning = 0;
    playerNames.clear();
    playerIds.clear();
    return NetComponent::CloseGame();
}

void VhNetComponent::SetSession(const std::string& server, const std::vector<std::string>& names,
                                const std::vector<std::int32_t>& ids, std::uint16_t isServer_) {
    serverName = server;
    playerNames = names;
    playerIds = ids;
    playerCount = static_cast<std::uint16_t>(names.size());
    isServer = isServer_;
    RegisterHandler(CONNECTION_CLOSED, OnConnectionClosedEntry);
}

void VhNetComponent::EndGameWith(const char* text) {
    // A battle under way is kept where it stands, so that it can be continued later. It is saved
    // before the box, which may stay up as long as nobody is at the machine.
    if (gameRunning) {
        gameRunning = 0;
        Container<std::string> why(std::string("A player left the game"));
        delete SendNamed("AutoSaveGame", &why);
    }
    MessageBox(nullptr, text, kCommsError, MB_ICONINFORMATION);
    PostNamedEvent("GameEnded");
}

std::int16_t VhNetComponent::OnConnectionClosed(const std::string&, std::int32_t connection) {
    if (setUpRunning == 1) {
        // Marked first: the set-up that waits in its dialogs learns at once that it must stop.
        setUpRunning = 0;
        auto at = std::find(playerIds.begin(), playerIds.end(), connection);
        const bool serverLeft = isServer == 0 && at != playerIds.end() &&
                                static_cast<std::size_t>(at - playerIds.begin()) < playerNames.size() &&
                                playerNames[static_cast<std::size_t>(at - playerIds.begin())] == serverName;
        EndGameWith(serverLeft ? kServerLeft : kClientLeft);
        return 0;
    }
    // A connection of no listed player (the game's own, closed a second time) changes nothing.
    auto at = std::find(playerIds.begin(), playerIds.end(), connection);
    if (at == playerIds.end() || static_cast<std::size_t>(at - playerIds.begin()) >= playerNames.size()) return 0;
    const std::size_t i = static_cast<std::size_t>(at - playerIds.begin());
    const std::string name = playerNames[i];
    const std::uint16_t playersOfTheBattle = playerCount;
    playerIds.erase(at);
    playerNames.erase(playerNames.begin() + static_cast<std::ptrdiff_t>(i));
    if (playerCount > 0) --playerCount;
    // The battle that ends here is kept as its players fought it: its saved game waits for all
    // of them when it is continued, the one who left included.
    const auto endWith = [&](const char* text) {
        const std::uint16_t left = playerCount;
        playerCount = playersOfTheBattle;
        EndGameWith(text);
        playerCount = left;
    };
    if (isServer == 0) {
        if (name == serverName) {
            endWith(kServerLeft);
            return 0;
        }
    } else if (playerCount < 2) {
        endWith(kLastClientLeft);
        return 0;
    }
    Container<std::string> payload(name);
    PostNamed("PlayerDeleted", &payload);
    return 0;
}

void VhNetComponent::ReinitializeLeader(const LeaderInfo& info) {
    auto at = std::find_if(leaders.begin(), leaders.end(), [&](const LeaderInfo& l) { return l.second == info.second; });
    if (at != leaders.end()) leaders.erase(at);
    leaders.emplace_back(info.first, info.second);
}

std::int16_t VhNetComponent::SaveNetworkGame(const std::string& fileName) {
    if (connections.empty()) return 0;
    // The block is made for a session of the session transport, which carries its own identity
    // at its end; a socket game's save gets no block and the file stays as the application wrote it.
    auto* session = dynamic_cast<DirectPlayIO*>(connections.front());
    if (!session) return 0;
    NetGameBlock block;
    block.scenarioIndex = scenarioIndex;
    block.scenarioFile = scenarioFile;
    block.playerCount = playerCount;
    block.connectionName = session->Name();
    block.leaders = leaders;
    session->Save(block.transportData);
    if (!AppendNetGameBlock(fileName, block))
        MessageBox(nullptr, ("The network part of the saved game could not be written to " + fileName + ".").c_str(),
                   kCommsError, MB_ICONINFORMATION);
    return 0;
}

std::int16_t VhNetComponent::LoadNetworkGame(const std::string& fileName) {
    loadedGame = 1;
    savedGameFile = fileName;
    NetGameBlock block;
    const bool read = ReadNetGameBlock(fileName, block);
    scenarioIndex = block.scenarioIndex;
    scenarioFile = block.scenarioFile;
    playerCount = block.playerCount;
    for (LeaderInfo& l : block.leaders) leaders.push_back(std::move(l));
    if (!read) {
        // A damaged block is refused before any session is touched.
        MessageBox(nullptr, ("The saved network game " + fileName + " is damaged.").c_str(), kCommsError,
                   MB_ICONINFORMATION);
        PostNamedEvent("ShowMainDlg");
        return 0;
    }
    auto* session = new DirectPlayIO(applicationGuid, block.connectionName.c_str(), 1);
    AddConnection(session);
    bool ok = session->Load(block.transportData) == 1;
    if (ok) {
        playerName = session->Name();
        localPlayerId = session->LocalPlayerId();
        if (session->IsHost()) {
            isServer = 1;
            session->ForwardMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
            ok = SetUpHostRelay(*session) != 0;
            if (ok) {
                ContainerBase* started = OnServerReady(block.connectionName);
                std::int16_t yes = 0;
                if (started) ExtractData(started, yes);
                delete started;
                ok = yes != 0;
            }
        } else {
            isServer = 0;
            session->AcceptMessage("ConnectionEvent", TypeInfo<ConnectionEvent>());
            ok = SetUpJoiningRelay(*session) != 0;
        }
    }
    if (!ok) {
        Abandon(session);
        return 0;
    }
    RegisterHandler(CONNECTION_CLOSED, OnConnectionClosedEntry);
    session->SetClosedToNewPlayers(1);
    return 0;
}

ContainerBase* VhNetComponent::OnSaveGame(Component* c, BusMessage, ContainerBase* p) {
    std::string file;
    if (!ExtractData(p, file)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<VhNetComponent*>(c)->SaveNetworkGame(file);
    return nullptr;
}

ContainerBase* VhNetComponent::OnLoadNetworkGame(Component* c, BusMessage, ContainerBase* p) {
    std::string file;
    if (!ExtractData(p, file)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<VhNetComponent*>(c)->LoadNetworkGame(file);
    return nullptr;
}

ContainerBase* VhNetComponent::OnReinitializeLeader(Component* c, BusMessage, ContainerBase* p) {
    LeaderInfo info;
    if (!ExtractData(p, info)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    static_cast<VhNetComponent*>(c)->ReinitializeLeader(info);
    return nullptr;
}

ContainerBase* VhNetComponent::OnExitGame(Component* c, BusMessage, ContainerBase*) {
    static_cast<VhNetComponent*>(c)->CloseGame();
    return nullptr;
}
