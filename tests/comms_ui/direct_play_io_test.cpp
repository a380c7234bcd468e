// The session transport between two buses of one process over the session hub on loopback: a
// host creates a game, a player locates and joins it through the dialogs, frames cross in pieces
// both ways, players joining and leaving reach the bus, and a saved identity reopens the session.
// The faults: a host name that does not resolve, a host that never answers, a port already taken,
// a game closed to newcomers.
#include "comms/frame.h"
#include "comms/ui/direct_play_io.h"
#include "comms/ui/enum_dialog.h"
#include "comms_ui_fixture.h"
#include "core/bus.h"
#include "core/type_info.h"
#include "platform/socket.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace commsuitest;

namespace {

const std::array<std::uint32_t, 4> kApp = {0x11111111u, 0x22222222u, 0x33333333u, 0x44444444u};

void Pick(int row) {
    platform::QueueDialogScript([row](HWND d) {
        SendDlgItemMessageA(d, EnumDialog::kList, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        platform::ClickDlgItem(d, IDOK);
    });
}
void Enter(const std::string& text) {
    platform::QueueDialogScript([text](HWND d) {
        SetDlgItemTextA(d, 101, text.c_str());
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(101, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, 101)));
        platform::ClickDlgItem(d, IDOK);
    });
}
void Cancel() {
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, IDCANCEL); });
}

// What one bus sees: connection notices and the test's own message.
struct Watch : Component {
    std::vector<std::pair<int, ConnectionInfo>> notices;
    std::vector<std::string> lines;
    std::vector<ConnectionEvent> events;
    Watch() : Component("Watch") {}
    void Connect() override {
        RegisterHandler(CONNECTION_OPENED, OnNotice);
        RegisterHandler(CONNECTION_CLOSED, OnNotice);
        RegisterNamedHandler("Line", OnLine);
        RegisterNamedHandler("ConnectionEvent", OnEvent);
    }
    static ContainerBase* OnNotice(Component* c, BusMessage e, ContainerBase* p) {
        ConnectionInfo info;
        ExtractData(p, info);
        static_cast<Watch*>(c)->notices.emplace_back(e.Number(), info);
        return nullptr;
    }
    static ContainerBase* OnLine(Component* c, BusMessage, ContainerBase* p) {
        std::string s;
        ExtractData(p, s);
        static_cast<Watch*>(c)->lines.push_back(s);
        return nullptr;
    }
    static ContainerBase* OnEvent(Component* c, BusMessage, ContainerBase* p) {
        if (auto* e = PayloadValue<ConnectionEvent>(p)) static_cast<Watch*>(c)->events.push_back(*e);
        return nullptr;
    }
    int Count(int event) const {
        int n = 0;
        for (auto& x : notices) n += x.first == event;
        return n;
    }
};

class SessionTransportTest : public NetDialogTest {
protected:
    void SetUp() override {
        NetDialogTest::SetUp();
        TypeInfo<std::string>::Register();
        RegisterConnectionEventType();
        platform::SessionHub::StopLocalHub();
        // A port the system has just handed out, for this program's hub.
        platform::SessionHub probe;
        std::string reason;
        ASSERT_TRUE(probe.Start(0, &reason, true)) << reason;
        port = probe.Port();
        probe.Stop();
        setenv("VARNHOLD_SESSION_PORT", std::to_string(port).c_str(), 1);
        setenv("VARNHOLD_SESSION_LOOPBACK", "1", 1); // tests listen on this machine only
        hostBus = std::make_unique<Bus>("Host bus");
        joinBus = std::make_unique<Bus>("Join bus");
        hostWatch.AttachToBus(hostBus.get());
        joinWatch.AttachToBus(joinBus.get());
    }
    void TearDown() override {
        joiner.reset();
        host.reset();
        hostWatch.DetachFromBus();
        joinWatch.DetachFromBus();
        hostBus.reset();
        joinBus.reset();
        platform::SessionHub::StopLocalHub();
        unsetenv("VARNHOLD_SESSION_PORT");
        unsetenv("VARNHOLD_SESSION_LOOPBACK");
        NetDialogTest::TearDown();
    }
    bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
        for (int i = 0; i < ms; ++i) {
            if (done()) return true;
            MSG m;
            if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else app->PumpMessage();
        }
        return done();
    }
    void Host() {
        host = std::make_unique<DirectPlayIO>(kApp, "Ann", 1);
        host->ForwardMessage("Line", TypeInfo<std::string>());
        host->AcceptMessage("Line", TypeInfo<std::string>());
        host->AttachToBus(hostBus.get());
        Pick(0);              // the connection type
        Pick(0);              // "Create New Game"
        Enter("Ann's Game");  // the session's name
        ASSERT_EQ(host->Open(), 1);
        EXPECT_EQ(host->IsHost(), 1);
    }
    void JoinAt(const std::string& address) {
        joiner = std::make_unique<DirectPlayIO>(kApp, "Bob", 0);
        joiner->ForwardMessage("Line", TypeInfo<std::string>());
        joiner->AcceptMessage("Line", TypeInfo<std::string>());
        joiner->AttachToBus(joinBus.get());
        Pick(0);         // the connection type
        Pick(0);         // "Locate Remote Game"
        Enter(address);  // where
    }
    std::string Here() const { return "127.0.0.1:" + std::to_string(port); }

    std::uint16_t port = 0;
    std::unique_ptr<Bus> hostBus, joinBus;
    Watch hostWatch, joinWatch;
    std::unique_ptr<DirectPlayIO> host, joiner;
};

} // namespace

TEST_F(SessionTransportTest, AHostAndAJoiningPlayerExchangeFramesInPieces) {
    Host();
    JoinAt(Here());
    ASSERT_EQ(joiner->Open(), 1);
    EXPECT_EQ(joiner->IsHost(), 0);
    EXPECT_EQ(joiner->Instance(), host->Instance());
    EXPECT_EQ(joiner->ResponsesAwaited(), 2);
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.Count(CONNECTION_OPENED) == 2; }));
    // The host's own opening, then the newcomer with its name and id.
    EXPECT_EQ(hostWatch.notices.back().second.name, "Bob");
    EXPECT_EQ(static_cast<std::uint32_t>(hostWatch.notices.back().second.value), joiner->LocalPlayerId());
    EXPECT_EQ(host->ResponsesAwaited(), 2);

    const std::string longLine(700, 'L');
    Container<std::string> line(longLine);
    hostWatch.PostNamed("Line", &line);
    ASSERT_TRUE(PumpUntil([&] { return joinWatch.lines.size() == 1; }));
    EXPECT_EQ(joinWatch.lines[0], longLine);
    Container<std::string> back("back");
    joinWatch.PostNamed("Line", &back);
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.lines.size() == 2; })); // its own and the peer's
    EXPECT_EQ(hostWatch.lines[1], "back");

    const std::int32_t leaving = static_cast<std::int32_t>(joiner->LocalPlayerId());
    joiner.reset();
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.Count(CONNECTION_CLOSED) == 1; }));
    EXPECT_EQ(hostWatch.notices.back().second.value, leaving);
    EXPECT_EQ(host->ResponsesAwaited(), 1);
    // Alone in its session, the host sends nothing.
    EXPECT_EQ(host->SendBytes("x", 1, 0), 0);
    EXPECT_TRUE(platform::ShownMessageBoxCount() == 0);
}

TEST_F(SessionTransportTest, AJoiningPlayerLearnsThatTheHostVanished) {
    Host();
    JoinAt(Here());
    ASSERT_EQ(joiner->Open(), 1);
    const std::int32_t hostId = static_cast<std::int32_t>(host->LocalPlayerId());
    platform::SessionHub::StopLocalHub(); // the host's program is gone, hub and all
    ASSERT_TRUE(PumpUntil([&] { return joinWatch.Count(CONNECTION_CLOSED) == 1; }));
    EXPECT_EQ(joinWatch.notices.back().second.value, hostId);
}

TEST_F(SessionTransportTest, AGameClosedToNewPlayersTurnsThemAway) {
    Host();
    host->SetClosedToNewPlayers(1);
    JoinAt(Here());
    ASSERT_EQ(joiner->Open(), 1);
    ASSERT_TRUE(PumpUntil([&] { return !hostWatch.events.empty(); }));
    EXPECT_EQ(hostWatch.events[0].kind, ConnectionEvent::kRejected);
    EXPECT_EQ(hostWatch.events[0].text, "This game is already in progress and cannot be joined.");
    EXPECT_EQ(hostWatch.events[0].value, joiner->LocalPlayerId());
    EXPECT_EQ(host->ResponsesAwaited(), 1);
    joiner.reset();
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(hostWatch.Count(CONNECTION_CLOSED), 0);
}

TEST_F(SessionTransportTest, FaultsShowAClearMessageAndEndTheOpen) {
    // A name that does not resolve: the message, then back to the connection type.
    JoinAt("no-such-host.invalid");
    Cancel();
    EXPECT_EQ(joiner->Open(), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "The host \"no-such-host.invalid\" could not be found.");
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Communications Error");

    // Nobody at the address: "try again?" answered no, then back to the connection type.
    platform::ClearShownMessageBoxes();
    JoinAt(Here());
    Cancel(); // "No game was found at the destination. Try again?"
    Cancel(); // the connection type
    EXPECT_EQ(joiner->Open(), 0);

    // A host that takes the connection and never says a word: the search gives up, the player
    // is asked whether to try again (answered no) and is back at the connection type.
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
    SOCKET silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr("127.0.0.1");
    int atLength = sizeof at;
    ASSERT_EQ(bind(silent, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    getsockname(silent, reinterpret_cast<sockaddr*>(&at), &atLength);
    JoinAt("127.0.0.1:" + std::to_string(ntohs(at.sin_port)));
    std::string asked;
    platform::QueueDialogScript([&asked](HWND d) {
        char caption[64] = {};
        GetWindowTextA(d, caption, sizeof caption);
        asked = caption;
        platform::ClickDlgItem(d, IDCANCEL);
    });
    Cancel(); // the connection type
    EXPECT_EQ(joiner->Open(), 0);
    EXPECT_EQ(asked, "Communications Error");
    closesocket(silent);
    WSACleanup();

    // A port already taken by another program: the host is told and nothing opens.
    platform::ClearShownMessageBoxes();
    platform::SessionHub squatter;
    std::string reason;
    ASSERT_TRUE(squatter.Start(port, &reason, true)) << reason;
    host = std::make_unique<DirectPlayIO>(kApp, "Ann", 1);
    host->AttachToBus(hostBus.get());
    Pick(0);
    Pick(0);
    Enter("Ann's Game");
    EXPECT_EQ(host->Open(), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text.rfind("The game could not be offered: port " + std::to_string(port) +
                                                          " is not free.", 0),
              0u);
}

TEST_F(SessionTransportTest, ASavedIdentityReopensTheSameSession) {
    Host();
    JoinAt(Here());
    ASSERT_EQ(joiner->Open(), 1);
    ASSERT_TRUE(PumpUntil([&] { return host->ResponsesAwaited() == 2; }));
    std::string hostSaved, joinSaved;
    host->Save(hostSaved);
    joiner->Save(joinSaved);
    ASSERT_EQ(hostSaved.size(), 16u + 16 + 2 + 2 + 2 + 10);
    EXPECT_EQ(joinSaved.size(), 16u + 16 + 2 + 2) << "a joining player's identity ends after the count";
    const platform::SessionGuid old = host->Instance();
    joiner.reset();
    host.reset();
    platform::SessionHub::StopLocalHub();

    host = std::make_unique<DirectPlayIO>(kApp, "Ann", 1);
    host->AttachToBus(hostBus.get());
    ASSERT_EQ(host->Load(hostSaved), 1);
    EXPECT_EQ(host->SessionName(), "Ann's Game");
    joiner = std::make_unique<DirectPlayIO>(kApp, "Bob", 0);
    joiner->AttachToBus(joinBus.get());
    Enter(Here());
    ASSERT_EQ(joiner->Load(joinSaved), 1);
    EXPECT_EQ(joiner->Instance(), host->Instance());
    // Only a player holding the saved game finds the reopened session.
    platform::SessionClient stranger;
    ASSERT_EQ(stranger.Connect(Here()), platform::kSessionOk);
    std::vector<platform::SessionDesc> found;
    ASSERT_EQ(stranger.EnumSessions(DirectPlayIO::ToGuid(kApp), "", &found), platform::kSessionOk);
    EXPECT_TRUE(found.empty());
    (void)old;
}

TEST_F(SessionTransportTest, GarbageFromAPlayerIsDroppedAndItsVanishingReported) {
    Host();
    // A player of the session that speaks no frames: it joins as any player does.
    platform::SessionClient raw;
    ASSERT_EQ(raw.Connect(Here()), platform::kSessionOk);
    std::vector<platform::SessionDesc> found;
    ASSERT_EQ(raw.EnumSessions(DirectPlayIO::ToGuid(kApp), "", &found), platform::kSessionOk);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(raw.Join(DirectPlayIO::ToGuid(kApp), found[0].instance, ""), platform::kSessionOk);
    std::uint32_t rawId = 0;
    ASSERT_EQ(raw.CreatePlayer("Raw", &rawId), platform::kSessionOk);
    ASSERT_TRUE(PumpUntil([&] { return host->ResponsesAwaited() == 2; }));

    // A good frame of the test's message, to cut and to spoil.
    Container<std::string> good("good");
    std::string frame;
    ASSERT_EQ(EncodeFrame(BusMessage(RegisterMessage("Line")), &good, 7, frame), FrameStatus::kOk);
    Container<std::string> unknown("odd");
    std::string unknownFrame;
    ASSERT_EQ(EncodeFrame(BusMessage(RegisterMessage("NoSuchMessageHere")), &unknown, 8, unknownFrame), FrameStatus::kOk);
    auto send = [&](const std::string& prefix, const std::string& bytes) {
        const std::string m = prefix + bytes;
        ASSERT_EQ(raw.Send(m.data(), m.size()), platform::kSessionOk);
    };
    const std::string zero(4, '\0');
    send(std::string("\x01\x00\x00\x00", 4), frame);        // not a data message of ours
    send(zero, std::string("\xFF\x05\x00garbage", 10));      // a stray start byte and noise
    send(zero, unknownFrame);                               // a name this program does not take
    send(zero, frame);                                      // and then the real thing
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.lines.size() == 1; }));
    EXPECT_EQ(hostWatch.lines[0], "good");
    // A frame cut short, and the player vanishes: the rest is never delivered.
    send(zero, frame.substr(0, frame.size() / 2));
    raw.Close();
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.Count(CONNECTION_CLOSED) == 1; }));
    EXPECT_EQ(static_cast<std::uint32_t>(hostWatch.notices.back().second.value), rawId);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(hostWatch.lines.size(), 1u);
    EXPECT_EQ(host->ResponsesAwaited(), 1);
}
