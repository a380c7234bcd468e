// Network play of the game: two programs' buses in one process joined over loopback TCP by the
// set-up component, the relay lists both sides install, players who drop out, the leader list.
#include "comms/frame.h"
#include "comms/net/net_game_block.h"
#include "comms/net/vh_net_component.h"
#include "comms/ui/chat_records.h"
#include "comms/ui/direct_play_io.h"
#include "core/application.h"
#include "platform/path.h"
#include "platform/session_hub.h"
#include "comms/win_socket_server.h"
#include "comms_support.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include "core/bus.h"
#include "core/events.h"
#include "game/app/dialogs/dialog_event.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/logical_command.h"
#include "platform/message_queue.h"
#include "ui/set_text_data.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <set>
#include <thread>

namespace {

using commsuitest::NetDialogTest;

// The relay lists alone, without the lobbies of the set-up (tested with the set-up elsewhere):
// the host's set-up ends at once and the joining set-up installs the lists only.
struct RelayOnly : VhNetComponent {
    ContainerBase* OnServerReady(const std::string&) override {
        UnregisterNamedHandler("ServerReady", OnServerReadyEntry);
        return new Container<std::int16_t>(0);
    }
    std::uint16_t SetUpJoiningRelay(SerialIO& connection) override {
        InstallRelay(connection, false);
        return 1;
    }
};

class NetGame : public NetDialogTest {
protected:
    void SetUp() override {
        NetDialogTest::SetUp();
        hostBus = std::make_unique<Bus>("Host bus");
        joinBus = std::make_unique<Bus>("Join bus");
        host = std::make_unique<VhNetComponent>();
        joiner = std::make_unique<VhNetComponent>();
        host->AttachToBus(hostBus.get());
        joiner->AttachToBus(joinBus.get());
        hostRec.AttachToBus(hostBus.get());
        joinRec.AttachToBus(joinBus.get());
    }
    void TearDown() override {
        host.reset();
        joiner.reset();
        hostRec.DetachFromBus();
        joinRec.DetachFromBus();
        hostBus.reset();
        joinBus.reset();
        NetDialogTest::TearDown();
    }
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 3000; ++i) {
            if (done()) return true;
            if (!platform::PendingMessageCount()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            app->PumpMessage();
        }
        return done();
    }
    static void FillStart(const std::string& name, const std::string& server, const std::string& port) {
        platform::QueueDialogScript([=](HWND d) {
            SetDlgItemTextA(d, 101, name.c_str());
            if (!server.empty()) SetDlgItemTextA(d, 102, server.c_str());
            SetDlgItemTextA(d, 103, port.c_str());
            platform::ClickDlgItem(d, IDOK);
        });
    }
    // Host on a port the system chooses, then the joiner connects through its own start dialog.
    void StartBoth() {
        FillStart("Ada Marsh", "", "0");
        hostRec.PostNamedEvent("StartGameServer");
        ASSERT_TRUE(PumpUntil([&] { return host->Connections().size() == 1; }));
        server = dynamic_cast<WinSocketServer*>(host->Connections()[0]);
        ASSERT_NE(server, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return server->BoundPort() != 0; }));
        FillStart("Bea Thorn", "127.0.0.1", std::to_string(server->BoundPort()));
        joinRec.PostNamedEvent("StartGameClient");
        ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1 && joiner->Connections().size() == 1; }));
        ASSERT_TRUE(PumpUntil([&] { return joiner->Connections()[0]->IsConnected() != 0; }));
    }
    void Settle() {
        for (int i = 0; i < 200; ++i) {
            if (!platform::PendingMessageCount()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            app->PumpMessage();
        }
    }

    std::unique_ptr<Bus> hostBus, joinBus;
    std::unique_ptr<VhNetComponent> host, joiner;
    Recorder hostRec, joinRec;
    WinSocketServer* server = nullptr;
};

TEST_F(NetGame, GameMessagesCrossOnlyWhereTheRelayListsSendThem) {
    host = std::make_unique<RelayOnly>();
    joiner = std::make_unique<RelayOnly>();
    host->AttachToBus(hostBus.get());
    joiner->AttachToBus(joinBus.get());
    StartBoth();
    EXPECT_EQ(host->PlayerName(), "Ada Marsh");
    EXPECT_EQ(host->IsServer(), 0); // the socket start leaves the role to the game's own set-up
    std::vector<std::string> boxes;
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i)
        boxes.push_back(platform::ShownMessageBox(i).caption + ": " + platform::ShownMessageBox(i).text);
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), "Bea Thorn: 127.0.0.1"), boxes.end());
    EXPECT_EQ(joiner->Connections()[0]->Name(), "Bea Thorn");

    for (const char* name : {"BeginTurn", "CanAttemptMomentum", "AddCommentary", "NotAGameMessage", "GetGameResults"}) {
        hostRec.Listen(name);
        joinRec.Listen(name);
    }
    hostRec.Listen(BEGIN_GAME);
    joinRec.Listen(BEGIN_GAME);
    Container<std::int16_t> turn(3), momentum(1), loaded(1);
    Container<std::string> fromHost(std::string("the host's line")), fromJoiner(std::string("the joiner's line"));
    hostRec.PostNamed("BeginTurn", &turn);            // host to joiner
    hostRec.PostNamed("CanAttemptMomentum", &momentum); // joiner to host only
    hostRec.PostNamed("AddCommentary", &fromHost);    // both ways
    hostRec.PostNamed("NotAGameMessage", &fromHost);  // in no list
    hostRec.Post(BEGIN_GAME, &loaded);                // no payload in the list: the short travels
    joinRec.PostNamed("GetGameResults", &momentum);   // joiner to host only
    joinRec.PostNamed("BeginTurn", &turn);            // host to joiner only
    joinRec.PostNamed("AddCommentary", &fromJoiner);
    ASSERT_TRUE(PumpUntil([&] {
        return joinRec.Count(RegisterMessage("BeginTurn")) == 2 && joinRec.Count(BEGIN_GAME) == 1 &&
               hostRec.Count(RegisterMessage("GetGameResults")) == 1 && hostRec.Count(RegisterMessage("AddCommentary")) == 2 &&
               joinRec.Count(RegisterMessage("AddCommentary")) == 2;
    })) << [&] {
        std::string t;
        for (auto& x : joinRec.seen) t += "J" + std::to_string(x.event) + ":" + x.payload + " ";
        for (auto& x : hostRec.seen) t += "H" + std::to_string(x.event) + ":" + x.payload + " ";
        return t;
    }();
    Settle();
    // Each side's own posts count once; what crossed counts once more (the joiner alone posts
    // "GetGameResults").
    EXPECT_EQ(joinRec.Count(RegisterMessage("BeginTurn")), 2);
    EXPECT_EQ(hostRec.Count(RegisterMessage("BeginTurn")), 1);
    EXPECT_EQ(joinRec.Count(RegisterMessage("CanAttemptMomentum")), 0);
    EXPECT_EQ(hostRec.Count(RegisterMessage("CanAttemptMomentum")), 1);
    EXPECT_EQ(joinRec.Count(RegisterMessage("NotAGameMessage")), 0);
    EXPECT_EQ(joinRec.Count(RegisterMessage("GetGameResults")), 1);
    EXPECT_EQ(hostRec.Count(RegisterMessage("GetGameResults")), 1);
    EXPECT_EQ(hostRec.Count(RegisterMessage("AddCommentary")), 2);
    EXPECT_EQ(joinRec.Count(RegisterMessage("AddCommentary")), 2);
    std::vector<std::string> joinerSaw;
    for (const auto& s : joinRec.seen)
        if (s.event == RegisterMessage("AddCommentary") || s.event == BEGIN_GAME || s.event == RegisterMessage("BeginTurn"))
            joinerSaw.push_back(s.payload);
    std::sort(joinerSaw.begin(), joinerSaw.end());
    EXPECT_EQ(joinerSaw, (std::vector<std::string>{"short 1", "short 3", "short 3", "the host's line", "the joiner's line"}));

    hostRec.PostNamedEvent("CloseGame");
    joinRec.PostNamedEvent("ExitGame");
    Settle();
    EXPECT_TRUE(host->Connections().empty());
    EXPECT_TRUE(joiner->Connections().empty());
}

TEST_F(NetGame, AJoinerThatCannotReachTheHostKeepsNoConnection) {
    // A listening socket closed at once gives a port on which nobody answers.
    FillStart("Bea Thorn", "127.0.0.1", "1");
    platform::QueueMessageBoxAnswer(IDOK);
    joinRec.PostNamedEvent("StartGameClient");
    Settle();
    EXPECT_TRUE(joiner->Connections().empty());
}

TEST_F(NetGame, CancelledStartsCreateNothing) {
    for (const char* start : {"StartGameServer", "StartGameClient"}) {
        platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, IDCANCEL); });
        hostRec.PostNamedEvent(start);
        Settle();
        EXPECT_TRUE(host->Connections().empty()) << start;
    }
}

TEST_F(NetGame, PayloadsOfTheWrongTypeAreReportedByTheirSource) {
    Container<std::string> text(std::string("not a number"));
    Container<std::int16_t> number(1);
    const struct {
        const char* message;
        ContainerBase* payload;
        const char* source;
    } cases[] = {
        {"StartNetworkGame", &text, "NETCMPT"},
        {"SaveGame", &number, "VHNET"},
        {"LoadNetworkGame", &number, "VHNET"},
        {"ReinitializeLeader", &text, "VHNET"},
    };
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        platform::QueueMessageBoxAnswer(IDNO);
        hostRec.PostNamed(c.message, c.payload);
        Settle();
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.message;
        EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind(std::string("Failure in ") + c.source + " at line ", 0), 0u)
            << platform::ShownMessageBox(0).caption;
        EXPECT_EQ(platform::ShownMessageBox(0).text.rfind("Bad data passed in bus message to function", 0), 0u) << c.message;
    }
    EXPECT_EQ(host->LoadedGame(), 0);
    EXPECT_TRUE(host->Leaders().empty());
}

TEST_F(NetGame, APortBeyondSixteenBitsIsRefusedNotCut) {
    FillStart("Ada Marsh", "", "70000");
    hostRec.PostNamedEvent("StartGameServer");
    Settle();
    EXPECT_TRUE(host->Connections().empty());
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "The port must be a number from 0 to 65535.");
}

TEST_F(NetGame, ANetworkGameWithoutItsTransportReturnsToTheMainDialog) {
    hostRec.Listen("ShowMainDlg");
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, IDCANCEL); });
    Container<std::int16_t> offer(1);
    hostRec.PostNamed("StartNetworkGame", &offer);
    Settle();
    EXPECT_EQ(hostRec.Count(RegisterMessage("ShowMainDlg")), 1);
    EXPECT_TRUE(host->Connections().empty());
    EXPECT_EQ(host->ScenarioIndex(), 0xFFFFFFFFu);
}

TEST_F(NetGame, SavedNetworkGamesAreReadButWithoutTheirTransportGoBackToTheMainDialog) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vh_netgame_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".sav"))
                                 .string();
    const std::string game(32, 'g');
    std::ofstream(path, std::ios::binary) << game;
    // Saving with no connection leaves the file as the application wrote it.
    Container<std::string> file(path);
    hostRec.PostNamed("SaveGame", &file);
    Settle();
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), game);
    in.close();

    NetGameBlock block;
    block.scenarioIndex = 4;
    block.scenarioFile = "ford.scn";
    block.playerCount = 2;
    block.connectionName = "Ada";
    block.leaders = {{"Ada", "Col. Harlan Voss"}};
    ASSERT_TRUE(AppendNetGameBlock(path, block));
    hostRec.Listen("ShowMainDlg");
    hostRec.PostNamed("LoadNetworkGame", &file);
    Settle();
    EXPECT_EQ(host->LoadedGame(), 1);
    EXPECT_EQ(host->SavedGameFile(), path);
    EXPECT_EQ(host->ScenarioIndex(), 4u);
    EXPECT_EQ(host->ScenarioFile(), "ford.scn");
    EXPECT_EQ(host->PlayerCount(), 2);
    EXPECT_EQ(host->Leaders(), block.leaders);
    EXPECT_TRUE(host->Connections().empty());
    EXPECT_EQ(hostRec.Count(RegisterMessage("ShowMainDlg")), 1);

    // A damaged block is no crash either: back to the main dialog, nothing opened.
    std::ofstream(path, std::ios::binary) << std::string(16, 'g') << std::string("\x00\x10\x00\x00", 4);
    hostRec.PostNamed("LoadNetworkGame", &file);
    Settle();
    EXPECT_EQ(hostRec.Count(RegisterMessage("ShowMainDlg")), 2);
    EXPECT_TRUE(host->Connections().empty());
    std::remove(path.c_str());
}

// The relay lists as the game defines them: message, payload type (none: the empty short) and
// which side sends it.
struct Row {
    const char* name;
    int event;
    std::uint16_t type;
    int way; // 0 host to joiner, 1 joiner to host, 2 both
};

template <class T>
std::uint16_t Id() {
    TypeInfo<T>::Register();
    return TypeInfo<T>().TypeId();
}

std::vector<Row> ExpectedRows() {
    const std::uint16_t none = Id<std::int16_t>(), s16 = Id<std::int16_t>(), str = Id<std::string>();
    return {
        {"ScenarioChange", 0, Id<ScenarioInfoStruct>(), 0}, {"DialogEvent", 0, Id<DialogEvent>(), 0},
        {nullptr, BEGIN_GAME, none, 0}, {"BeginDeploymentPhase", 0, none, 0}, {"ShowDeployments", 0, none, 0},
        {"ReinitializeLeader", 0, Id<LeaderInfo>(), 0}, {"FirstEliteInitiative", 0, s16, 0}, {"EliteInitiative", 0, s16, 0},
        {"ActivateLeader", 0, Id<ActivateNextLeaderStruct>(), 0}, {"ResumeActiveLeader", 0, Id<ActivateNextLeaderStruct>(), 0},
        {"BeginLeaderOrdersPhase", 0, none, 0}, {"BeginTurn", 0, s16, 0}, {"EndOfTurn", 0, Id<EndOfGameResults>(), 0},
        {"EndOfGame", 0, Id<EndOfGameResults>(), 0}, {"GameEnded", 0, none, 0}, {"GameSynchronized", 0, none, 0},
        {"ShowPage", 0, s16, 0}, {"ZoomOutForRout", 0, none, 0}, {"ZoomInAfterRout", 0, none, 0},
        {"ChangeMainCaption", 0, str, 0}, {"LeaderResetOrdersGiven", 0, none, 0}, {"LeaderGaveOrder", 0, s16, 0},
        {"GetLeaderOrdersLeft", 0, s16, 0},
        {nullptr, END_GAME, none, 1}, {"CanAttemptMomentum", 0, s16, 1}, {"GetObjectiveHolder", 0, s16, 1},
        {"SynchronizeGame", 0, str, 1}, {"DoSelectSubLeader", 0, Id<std::uint16_t>(), 1}, {"GetGameResults", 0, none, 1},
        {"ConnectionEvent", 0, Id<ConnectionEvent>(), 2}, {"LeaderActivated", 0, str, 2}, {"LeaderResumed", 0, str, 2},
        {"Combat Center On Region", 0, none, 2}, {"StartCombat", 0, none, 2}, {"UnitCombat", 0, Id<LogicalCommandInfo>(), 2},
        {"CombatResults", 0, Id<SingleCombatResult>(), 2}, {"CombatDone", 0, none, 2}, {"UsedThisTurn", 0, s16, 2},
        {"UnitMovement", 0, Id<LogicalCommandInfo>(), 2}, {"UnitMovementDone", 0, Id<UnitLocationStruct>(), 2},
        {"UnitRemoved", 0, Id<UnitLocationStruct>(), 2}, {"UnitInserted", 0, Id<UnitLocationStruct>(), 2},
        {"LockLocation", 0, Id<UnitLocationStruct>(), 2}, {"UnlockLocation", 0, Id<UnitLocationStruct>(), 2},
        {"ChangeFacing", 0, Id<ChangeFacingStruct>(), 2}, {"DoMissileFire", 0, Id<MissileFireStruct>(), 2},
        {"ReplenishMissiles", 0, Id<ReplenishMissilesInfo>(), 2}, {"DoRestoreCohesion", 0, Id<RestoreCohesionInfo>(), 2},
        {"DoLineColumn", 0, Id<LineColumnInfo>(), 2}, {"DoMountDismount", 0, Id<MountDismountInfo>(), 2},
        {"DoLimberUnlimber", 0, Id<LimberUnlimberInfo>(), 2}, {"DoRout", 0, Id<RoutInfo>(), 2},
        {"BeginElephantRampage", 0, none, 2}, {"RampagingActions", 0, Id<List<RampageStruct>>(), 2},
        {"DoRampagingActions", 0, Id<DoRampageStruct>(), 2}, {"TQHit", 0, Id<TQHitInfo>(), 2},
        {"WoundedLeader", 0, Id<WoundedLeaderInfo>(), 2}, {"FinishedLeader", 0, s16, 2}, {"EliminateUnit", 0, s16, 2},
        {"Undo", 0, Id<UndoStruct>(), 2}, {"PursuitOffMap", 0, Id<PursuitInfo>(), 2}, {"DoColumnLine", 0, s16, 2},
        {"AddCommentary", 0, str, 2}, {"SetItemText", 0, Id<SetTextData>(), 2},
        {"AddBattleArrow", 0, Id<BattleArrowStruct>(), 2}, {"RemoveBattleArrow", 0, Id<BattleArrowStruct>(), 2},
        {"RemoveAllBattleArrows", 0, none, 2},
        {"ChatMessage", 0, Id<ChatMsg>(), 2},
    };
}

using Entries = std::set<std::pair<int, std::uint16_t>>;

Entries Of(const std::vector<MessageType>& list) {
    Entries out;
    for (const MessageType& t : list) out.insert({t.event.Number(), t.typeId});
    return out;
}

TEST(NetGameRelay, ListsHoldTheGamesMessagesMirroredBetweenTheSides) {
    VhNetComponent component; // registers the payload types
    WinSocketIO hostLink(WinSocketIO::NoAddress{}, 1), joinLink(WinSocketIO::NoAddress{}, 1);
    const Entries hostBase = Of(hostLink.ForwardedList());
    VhNetComponent::InstallRelay(hostLink, true);
    VhNetComponent::InstallRelay(joinLink, false);

    Entries hostSends, hostTakes;
    for (const Row& r : ExpectedRows()) {
        const int event = r.name ? RegisterMessage(r.name) : r.event;
        if (r.way != 1) hostSends.insert({event, r.type});
        if (r.way != 0) hostTakes.insert({event, r.type});
    }
    auto without = [&](Entries e) {
        for (const auto& b : hostBase) e.erase(b);
        return e;
    };
    EXPECT_EQ(without(Of(hostLink.ForwardedList())), hostSends);
    EXPECT_EQ(without(Of(hostLink.AcceptedList())), hostTakes);
    EXPECT_EQ(without(Of(joinLink.ForwardedList())), hostTakes);
    EXPECT_EQ(without(Of(joinLink.AcceptedList())), hostSends);
    EXPECT_TRUE(hostSends.count({BEGIN_GAME, Id<std::int16_t>()}) && !hostTakes.count({BEGIN_GAME, Id<std::int16_t>()}));
    EXPECT_TRUE(hostTakes.count({END_GAME, Id<std::int16_t>()}) && !hostSends.count({END_GAME, Id<std::int16_t>()}));

    // Installing again over entries already there adds nothing twice.
    const std::size_t n = hostLink.ForwardedList().size();
    VhNetComponent::InstallRelay(hostLink, true);
    EXPECT_EQ(hostLink.ForwardedList().size(), n);
}

// The 32-bit lists travel under the names of their stream form; a frame that names them so is
// rebuilt into the list it carries, whatever the receiving machine calls a 32-bit integer.
struct NamedListCase {
    const char* className;
    const char* body;                   // the list's stream form, hex
    std::vector<std::int64_t> expected; // the values read back
};

TEST(NetGameRelay, ThirtyTwoBitListsSentByTheirStreamNamesAreReadBack) {
    VhNetComponent component; // registers the payload types
    const std::string event = "LongListProbe";
    RegisterMessage(event);
    const NamedListCase cases[] = {
        {"List<long>", "03 00  01 00 00 00  fe ff ff ff  70 11 01 80", {1, -2, static_cast<std::int32_t>(0x80011170u)}},
        {"List<unsigned long>", "02 00  ff ff ff ff  2a 00 00 00", {0xFFFFFFFFll, 42}},
        {"List<long>", "00 00", {}},
    };
    for (const NamedListCase& c : cases) {
        SuperString out;
        out << static_cast<unsigned char>(0xFF) << static_cast<unsigned short>(0) << static_cast<int>(KIND_POST)
            << static_cast<unsigned int>(9) << static_cast<unsigned short>(event.size());
        out.Write(event.data(), static_cast<std::int32_t>(event.size()));
        out << std::string(c.className);
        const std::string body = Bytes(c.body);
        out.Write(body.data(), static_cast<std::int32_t>(body.size()));
        out << static_cast<unsigned char>(0xFE);
        std::string frame = out.Contents();
        frame[1] = static_cast<char>(frame.size() & 0xFF);
        frame[2] = static_cast<char>(frame.size() >> 8);

        DecodedFrame d;
        ASSERT_EQ(DecodeFrame(frame, d), FrameStatus::kOk) << c.className;
        std::vector<std::int64_t> got;
        if (const auto* l = PayloadValue<List<std::int32_t>>(d.payload.get()))
            for (Item<std::int32_t>* i = l->Head(); i; i = i->next) got.push_back(i->value);
        else if (const auto* u = PayloadValue<List<std::uint32_t>>(d.payload.get()))
            for (Item<std::uint32_t>* i = u->Head(); i; i = i->next) got.push_back(i->value);
        else
            ADD_FAILURE() << c.className << " was not rebuilt as a 32-bit list";
        EXPECT_EQ(got, c.expected) << c.className;
        const bool isSigned = std::string(c.className) == "List<long>";
        EXPECT_EQ(PayloadValue<List<std::int32_t>>(d.payload.get()) != nullptr, isSigned) << c.className;
    }
}

// A player who drops out, on either side, during the set-up or the game.
TEST_F(NetGame, APlayerWhoDropsOutEndsTheGameOrLeavesIt) {
    struct Case {
        const char* what;
        std::uint16_t isServer;
        std::uint16_t setUpRunning;
        std::vector<std::string> names;
        std::int32_t closedId;
        const char* box; // null: none
        bool ended;
        const char* deleted; // null: no "PlayerDeleted"
        std::vector<std::string> left;
    } cases[] = {
        {"joiner loses the host", 0, 0, {"Ada", "Bea", "Cal"}, 1, "The server has left the game.  The game cannot continue from this point.", true, nullptr, {"Bea", "Cal"}},
        {"joiner loses another joiner", 0, 0, {"Ada", "Bea", "Cal"}, 3, nullptr, false, "Cal", {"Ada", "Bea"}},
        {"host keeps two players", 1, 0, {"Ada", "Bea", "Cal"}, 2, nullptr, false, "Bea", {"Ada", "Cal"}},
        {"host left alone", 1, 0, {"Ada", "Bea"}, 2, "The last client has left the game.  The game cannot continue from this point.", true, nullptr, {"Ada"}},
        {"joiner loses the host during the set-up", 0, 1, {"Ada", "Bea"}, 1, "The server has left the game.  The game cannot continue from this point.", true, nullptr, {"Ada", "Bea"}},
        {"drop during the set-up", 1, 1, {"Ada", "Bea", "Cal"}, 2, "A client has left the game.  The game cannot continue from this point.", true, nullptr, {"Ada", "Bea", "Cal"}},
        {"a connection of no listed player", 1, 0, {"Ada", "Bea"}, 9, nullptr, false, nullptr, {"Ada", "Bea"}},
    };
    for (const Case& c : cases) {
        VhNetComponent peer;
        Bus bus("Peer bus");
        Recorder rec;
        peer.AttachToBus(&bus);
        rec.AttachToBus(&bus);
        rec.Listen("GameEnded");
        rec.Listen("PlayerDeleted");
        platform::ClearShownMessageBoxes();
        peer.SetSession("Ada", c.names, {1, 2, 3}, c.isServer);
        peer.SetSetUpRunning(c.setUpRunning);
        ConnectionInfo info{"gone", c.closedId};
        Container<ConnectionInfo> payload(info);
        rec.Post(CONNECTION_CLOSED, &payload);
        Settle();
        if (c.box) {
            ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.what;
            EXPECT_EQ(platform::ShownMessageBox(0).caption, "Communications Error") << c.what;
            EXPECT_EQ(platform::ShownMessageBox(0).text, c.box) << c.what;
        } else {
            EXPECT_EQ(platform::ShownMessageBoxCount(), 0u) << c.what;
        }
        EXPECT_EQ(rec.Count(RegisterMessage("GameEnded")), c.ended ? 1 : 0) << c.what;
        EXPECT_EQ(rec.Count(RegisterMessage("PlayerDeleted")), c.deleted ? 1 : 0) << c.what;
        if (c.deleted) {
            EXPECT_EQ(rec.seen.back().payload, c.deleted) << c.what;
        }
        EXPECT_EQ(peer.PlayerNames(), c.left) << c.what;
        EXPECT_EQ(peer.SetUpRunning(), 0) << c.what;
        rec.DetachFromBus();
        peer.DetachFromBus();
    }
}

TEST_F(NetGame, AfterCloseGameAClosedConnectionReachesNobody) {
    host->SetSession("Ada", {"Ada", "Bea", "Cal"}, {1, 2, 3}, 1);
    hostRec.Listen("PlayerDeleted");
    hostRec.PostNamedEvent("CloseGame");
    Settle();
    EXPECT_TRUE(host->PlayerNames().empty());
    Container<ConnectionInfo> payload(ConnectionInfo{"Bea", 2});
    hostRec.Post(CONNECTION_CLOSED, &payload);
    Settle();
    EXPECT_EQ(hostRec.Count(RegisterMessage("PlayerDeleted")), 0);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(NetGame, AReassignedLeaderChangesHandsAndMovesToTheEnd) {
    host->Leaders() = {{"Ada", "Col. Harlan Voss"}, {"Bea", "Gen. Emmet Crane"}, {"Ada", "Maj. Orrin Pike"}};
    Container<LeaderInfo> moved(LeaderInfo("Bea", "Col. Harlan Voss")), fresh(LeaderInfo("Cal", "Capt. Silas Wren"));
    hostRec.PostNamed("ReinitializeLeader", &moved);
    hostRec.PostNamed("ReinitializeLeader", &fresh);
    Settle();
    EXPECT_EQ(host->Leaders(), (std::vector<LeaderInfo>{{"Bea", "Gen. Emmet Crane"}, {"Ada", "Maj. Orrin Pike"},
                                                         {"Bea", "Col. Harlan Voss"}, {"Cal", "Capt. Silas Wren"}}));
}

} // namespace

// What the component's player count says while the game is being saved.
struct CountAtSave : Component {
    const VhNetComponent* peer = nullptr;
    int count = -1;
    CountAtSave() : Component("CountAtSave") {}
    void Connect() override { RegisterNamedHandler("AutoSaveGame", OnSave); }
    static ContainerBase* OnSave(Component* c, BusMessage, ContainerBase*) {
        auto* self = static_cast<CountAtSave*>(c);
        self->count = self->peer->PlayerCount();
        return nullptr;
    }
};

TEST_F(NetGame, APeerVanishingMidBattleSavesTheGameBeforeItEnds) {
    for (const bool running : {true, false}) {
        VhNetComponent peer;
        Bus bus("Peer bus");
        Recorder rec;
        CountAtSave atSave;
        atSave.peer = &peer;
        peer.AttachToBus(&bus);
        rec.AttachToBus(&bus);
        atSave.AttachToBus(&bus);
        rec.Listen("AutoSaveGame");
        rec.Listen("GameEnded");
        peer.SetSession("Ada", {"Ada", "Bea"}, {1, 2}, 0);
        peer.SetGameRunning(running ? 1 : 0);
        Container<ConnectionInfo> payload(ConnectionInfo{"", 1}); // the host
        rec.Post(CONNECTION_CLOSED, &payload);
        Settle();
        std::vector<int> order;
        for (const auto& s : rec.seen) order.push_back(s.event);
        if (running) {
            EXPECT_EQ(order, (std::vector<int>{RegisterMessage("AutoSaveGame"), RegisterMessage("GameEnded")}));
            // The saved game records the battle's two players, so that both can continue it;
            // the session itself has one left.
            EXPECT_EQ(atSave.count, 2);
            EXPECT_EQ(peer.PlayerCount(), 1);
        } else {
            EXPECT_EQ(order, (std::vector<int>{RegisterMessage("GameEnded")})) << "nothing to keep before the battle";
        }
        peer.DetachFromBus();
        rec.DetachFromBus();
        atSave.DetachFromBus();
    }
}

namespace {

std::function<void()> g_startJoiner;

// Runs a step whenever a message of its name arrives.
struct Step : Component {
    std::function<void(ContainerBase*)> step;
    explicit Step(const char* name_) : Component("Step"), name(name_) {}
    void Connect() override { RegisterNamedHandler(name, Run); }
    static ContainerBase* Run(Component* c, BusMessage, ContainerBase* p) {
        if (auto& f = static_cast<Step*>(c)->step) f(p);
        return nullptr;
    }
    std::string name;
};

} // namespace

TEST_F(NetGame, ASavedSessionGameIsReopenedByBothThroughTheLobbies) {
    // The scenario both machines hold.
    const unsigned char guid[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    {
        std::ofstream f(platform::MapPath(GetApplication()->GetDataDirectory(9) + "\\" + "saved.scn"), std::ios::binary);
        f.write("\0\0\0\0\0\0\0\0", 8);
        f.write(reinterpret_cast<const char*>(guid), 16);
        f.put(static_cast<char>(12));
        f << "Fleetwood Hi";
    }
    // A port for this program's session hub.
    platform::SessionHub::StopLocalHub();
    std::uint16_t port;
    {
        platform::SessionHub probe;
        std::string reason;
        ASSERT_TRUE(probe.Start(0, &reason, true)) << reason;
        port = probe.Port();
    }
    setenv("VARNHOLD_SESSION_PORT", std::to_string(port).c_str(), 1);
    setenv("VARNHOLD_SESSION_LOOPBACK", "1", 1); // tests listen on this machine only
    // Each machine's saved game: a header, then the block with the session's identity.
    auto savedGame = [&](const std::string& name, std::uint16_t isHost, const std::string& connection) {
        const std::string path = ::testing::TempDir() + name;
        {
            std::ofstream f(path, std::ios::binary);
            f << std::string(20, '\0');
        }
        NetGameBlock block;
        block.scenarioIndex = 2;
        block.scenarioFile = "saved.scn";
        block.playerCount = 2;
        block.connectionName = connection;
        block.leaders = {{"Ada", "Stuart"}, {"Bea", "Pleasonton"}};
        std::string& t = block.transportData;
        t.append(reinterpret_cast<const char*>(DirectPlayIO::kProviderTcpIp.data()), 16);
        t.append("SAVEDSESSION0001", 16);
        t += std::string(1, static_cast<char>(isHost)) + std::string(1, '\0');
        t += std::string("\x02\x00", 2);
        if (isHost) t += std::string("\x0A\x00", 2) + "Ada's Game";
        EXPECT_TRUE(AppendNetGameBlock(path, block));
        return path;
    };
    const std::string hostFile = savedGame("host.sav", 1, "Ada"), joinFile = savedGame("join.sav", 0, "Bea");

    Recorder hostLoads, joinLoads;
    hostLoads.AttachToBus(hostBus.get());
    joinLoads.AttachToBus(joinBus.get());
    std::vector<ScenarioInfoStruct> loads[2];
    Step hostLoad("LoadScenario"), joinLoad("LoadScenario");
    hostLoad.step = [&](ContainerBase* p) { loads[0].push_back(*PayloadValue<ScenarioInfoStruct>(p)); };
    joinLoad.step = [&](ContainerBase* p) { loads[1].push_back(*PayloadValue<ScenarioInfoStruct>(p)); };
    hostLoad.AttachToBus(hostBus.get());
    joinLoad.AttachToBus(joinBus.get());
    // Each machine's application is told the battle before the scenario is asked for (its saved
    // games are named after it).
    std::vector<std::pair<std::int32_t, std::string>> told[2];
    host->SetScenarioChosen([&](std::int32_t index, const std::string& f) {
        EXPECT_TRUE(loads[0].empty());
        told[0].emplace_back(index, f);
    });
    joiner->SetScenarioChosen([&](std::int32_t index, const std::string& f) {
        EXPECT_TRUE(loads[1].empty());
        told[1].emplace_back(index, f);
    });
    // The host confirms its lobby once the second player of the saved game is there.
    HWND hostLobby = nullptr;
    Step logon("ConnectionEvent");
    logon.step = [&](ContainerBase* p) {
        const ConnectionEvent* e = PayloadValue<ConnectionEvent>(p);
        // Both lobbies stand at the same place: the host's OK is pressed by its own message.
        if (e && e->kind == ConnectionEvent::kLoggedOn && e->text == "Bea" && hostLobby)
            PostMessage(hostLobby, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hostLobby, IDOK)));
    };
    logon.AttachToBus(hostBus.get());

    bool reconnecting = false;
    g_startJoiner = [&] {
        Container<std::string> joining(joinFile);
        joinLoads.PostNamed("LoadNetworkGame", &joining);
    };
    platform::QueueDialogScript([&](HWND d) {   // the host's lobby
        hostLobby = d;
        char caption[128] = {};
        GetWindowTextA(d, caption, sizeof caption);
        reconnecting = std::string(caption) == "Reconnecting Other Players (Saved Game)";
        // The joining machine starts once the host's lobby runs: at the lobby's first timer turn.
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            g_startJoiner();
        });
    });
    platform::QueueDialogScript([&](HWND d) {   // the joining machine: where the host is
        SetDlgItemTextA(d, 101, ("127.0.0.1:" + std::to_string(port)).c_str());
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(101, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, 101)));
        platform::ClickDlgItem(d, IDOK);
    });
    platform::QueueDialogScript([](HWND) {});  // the joining machine's lobby waits for the host
    Container<std::string> file(hostFile);
    hostLoads.PostNamed("LoadNetworkGame", &file);
    ASSERT_TRUE(PumpUntil([&] { return loads[0].size() == 1 && loads[1].size() == 1; })) << loads[0].size() << " " << loads[1].size();
    EXPECT_TRUE(reconnecting);
    // Both machines load the same scenario with the same seed, and know the same players.
    EXPECT_EQ(loads[0][0].first, loads[1][0].first);
    EXPECT_EQ(loads[0][0].third, "saved.scn");
    EXPECT_EQ(loads[1][0].third, "saved.scn");
    EXPECT_EQ(loads[0][0].thirdWord, loads[1][0].thirdWord);
    EXPECT_EQ(loads[0][0].secondWord, 1);
    EXPECT_EQ(loads[1][0].secondWord, 0);
    for (const auto& t : told) {
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0], std::make_pair(std::int32_t{2}, std::string("saved.scn")));
    }
    EXPECT_EQ(host->PlayerNames(), (std::vector<std::string>{"Ada", "Bea"}));
    EXPECT_EQ(joiner->PlayerNames().size(), 2u);
    EXPECT_EQ(host->IsServer(), 1);
    EXPECT_EQ(joiner->IsServer(), 0);
    EXPECT_EQ(host->LoadedGame(), 1);
    EXPECT_EQ(host->Leaders().size(), 2u);

    for (Component* c : std::initializer_list<Component*>{&hostLoads, &joinLoads, &hostLoad, &joinLoad, &logon})
        c->DetachFromBus();
    hostLoads.PostNamedEvent("CloseGame");
    host->CloseGame();
    joiner->CloseGame();
    platform::SessionHub::StopLocalHub();
    unsetenv("VARNHOLD_SESSION_PORT");
    unsetenv("VARNHOLD_SESSION_LOOPBACK");
    g_startJoiner = nullptr;
}
