// Two buses of one process joined by a real loopback connection: a server on a port the system
// chooses, and a client that connects to it.
#include "comms/frame.h"
#include "comms/win_socket_server.h"
#include "comms_support.h"

#include "platform/socket.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

// Counts the connection events of one bus by connection name.
struct ConnectionWatch : Component {
    std::vector<std::string> opened, closed;
    ConnectionWatch() : Component("Watch") {}
    void Connect() override {
        RegisterHandler(CONNECTION_OPENED, On);
        RegisterHandler(CONNECTION_CLOSED, On);
    }
    static ContainerBase* On(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<ConnectionWatch*>(c);
        ConnectionInfo info;
        ExtractData(p, info);
        (e.Number() == CONNECTION_OPENED ? self->opened : self->closed).push_back(info.name);
        return nullptr;
    }
    int Closed(const std::string& name) const { return static_cast<int>(std::count(closed.begin(), closed.end(), name)); }
};

// A plain socket of the platform layer, for a peer that does not speak through a connection.
struct RawPeer {
    SOCKET s = INVALID_SOCKET;
    explicit RawPeer(std::uint16_t port) {
        s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = inet_addr("127.0.0.1");
        EXPECT_EQ(connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    }
    ~RawPeer() { Close(); }
    void Send(const std::string& bytes) { EXPECT_EQ(send(s, bytes.data(), static_cast<int>(bytes.size()), 0), static_cast<int>(bytes.size())); }
    void Close() {
        if (s != INVALID_SOCKET) closesocket(s);
        s = INVALID_SOCKET;
    }
};

class SocketTest : public CommsFixture {
protected:
    void SetUp() override {
        CommsFixture::SetUp();
        hostBus = std::make_unique<Bus>("Host bus");
        joinBus = std::make_unique<Bus>("Join bus");
        hostRec.AttachToBus(hostBus.get());
        joinRec.AttachToBus(joinBus.get());
        hostWatch.AttachToBus(hostBus.get());
        joinWatch.AttachToBus(joinBus.get());

        server = std::make_unique<WinSocketServer>(0, 1, "Host");
        server->ForwardMessage("ToJoiner", TypeInfo<std::string>());
        server->AcceptMessage("ToHost", TypeInfo<std::string>());
        server->AttachToBus(hostBus.get());
        hostRec.Listen("ServerReady");
        hostRec.PostNamedEvent("StartServer");
        port = server->BoundPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override {
        client.reset();
        server.reset();
        for (Component* c : std::initializer_list<Component*>{&hostRec, &joinRec, &hostWatch, &joinWatch}) c->DetachFromBus();
        hostBus.reset();
        joinBus.reset();
        CommsFixture::TearDown();
    }
    // Runs the pump until the condition holds (real time passes too: the peer is the kernel).
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 3000; ++i) {
            if (done()) return true;
            if (!platform::PendingMessageCount()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            app->PumpMessage();
        }
        return done();
    }
    void Join() {
        client = std::make_unique<WinSocketIO>(port, "127.0.0.1", 1, "Joiner");
        client->ForwardMessage("ToHost", TypeInfo<std::string>());
        client->AcceptMessage("ToJoiner", TypeInfo<std::string>());
        client->AttachToBus(joinBus.get());
        ASSERT_EQ(client->Open(), 1);
        ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    }

    std::unique_ptr<Bus> hostBus, joinBus;
    Recorder hostRec, joinRec;
    ConnectionWatch hostWatch, joinWatch;
    std::unique_ptr<WinSocketServer> server;
    std::unique_ptr<WinSocketIO> client;
    std::uint16_t port = 0;
};

TEST_F(SocketTest, TheServerReportsWhereItListens) {
    ASSERT_EQ(hostRec.seen.size(), 1u);
    const std::string& ready = hostRec.seen[0].payload;
    EXPECT_EQ(ready, server->ReadyText());
    EXPECT_EQ(ready.rfind("Host ready on ", 0), 0u) << ready;
    EXPECT_NE(ready.find(" at port 0 using "), std::string::npos) << ready;
    EXPECT_EQ(ready.back(), '.');
}

TEST_F(SocketTest, NamedMessagesCrossBothWaysOnlyWhenListed) {
    Join();
    hostRec.Listen("ToHost");
    hostRec.Listen("Secret");
    joinRec.Listen("ToJoiner");
    joinRec.Listen("Secret");
    EXPECT_EQ(server->Clients()[0]->Name(), "Host 0");
    EXPECT_EQ(hostWatch.opened, std::vector<std::string>{"Host 0"});
    EXPECT_EQ(joinWatch.opened, std::vector<std::string>{"Joiner"});

    Container<std::string> down(std::string("orders for the joiner")), up(std::string("report to the host"));
    hostRec.PostNamed("ToJoiner", &down);
    hostRec.PostNamed("Secret", &down);
    joinRec.PostNamed("ToHost", &up);
    joinRec.PostNamed("Secret", &up);
    ASSERT_TRUE(PumpUntil([&] { return joinRec.Count(RegisterMessage("ToJoiner")) == 1 && hostRec.Count(RegisterMessage("ToHost")) == 1; }));
    // Let anything else that might come arrive.
    for (int i = 0; i < 50; ++i) app->PumpMessage();
    EXPECT_EQ(joinRec.Count(RegisterMessage("Secret")), 1); // its own post only
    EXPECT_EQ(hostRec.Count(RegisterMessage("Secret")), 1);
    EXPECT_EQ(hostRec.Count(RegisterMessage("ToHost")), 1);
    for (auto& s : joinRec.seen) {
        if (s.event == RegisterMessage("ToJoiner")) {
            EXPECT_EQ(s.payload, "orders for the joiner");
        }
    }
    for (auto& s : hostRec.seen) {
        if (s.event == RegisterMessage("ToHost")) {
            EXPECT_EQ(s.payload, "report to the host");
        }
    }
}

TEST_F(SocketTest, ClientsAreNumberedInOrderAndTakeTheListsAsTheyStand) {
    Join();
    server->ForwardMessage("Later", TypeInfo<std::string>());
    RawPeer second(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 2; }));
    second.Close();
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.Closed("Host 1") == 1; }));
    RawPeer third(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 3; }));
    std::vector<std::string> names;
    for (auto* c : server->Clients()) names.push_back(c->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Host 0", "Host 1", "Host 2"}));

    const MessageType later(RegisterMessage("Later"), TypeInfo<std::string>().TypeId());
    auto has = [](const std::vector<MessageType>& list, const MessageType& t) {
        return std::find(list.begin(), list.end(), t) != list.end();
    };
    EXPECT_FALSE(has(server->Clients()[0]->ForwardedList(), later));
    EXPECT_TRUE(has(server->Clients()[2]->ForwardedList(), later));
    EXPECT_EQ(server->Clients()[2]->AcceptedList().size(), server->AcceptedList().size());
}

TEST_F(SocketTest, ClosingTheConnectionsLeavesTheServerListening) {
    Join();
    hostRec.PostEvent(CLOSE_CONNECTION);
    EXPECT_EQ(server->Clients()[0]->IsConnected(), 0);
    EXPECT_EQ(server->IsConnected(), 1);
    EXPECT_EQ(hostWatch.Closed("Host 0"), 1);
    // The joiner hears of it once.
    ASSERT_TRUE(PumpUntil([&] { return joinWatch.Closed("Joiner") == 1; }));
    for (int i = 0; i < 20; ++i) app->PumpMessage();
    client.reset();
    EXPECT_EQ(joinWatch.Closed("Joiner"), 1);
    // And another can still join.
    RawPeer next(port);
    EXPECT_TRUE(PumpUntil([&] { return server->Clients().size() == 2; }));
}

TEST_F(SocketTest, APeerClosingMidFrameIsReportedOnceAndNothingIsDelivered) {
    hostRec.Listen("ToHost");
    RawPeer peer(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    // Half of a frame that would be accepted, then the peer is gone.
    std::string frame = Bytes("ff 2a 00 03 00 00 00 01 00 00 00 06 00 54 6f 48 6f 73 74 06 00 73 74 72 69 6e 67");
    peer.Send(frame);
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return hostWatch.Closed("Host 0") >= 1; }));
    for (int i = 0; i < 50; ++i) app->PumpMessage();
    server.reset();
    EXPECT_EQ(hostWatch.Closed("Host 0"), 1);
    EXPECT_EQ(hostRec.Count(RegisterMessage("ToHost")), 0);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u) << (Boxes().empty() ? "" : Boxes()[0]);
}

TEST_F(SocketTest, FramesSplitAcrossReceivesAreJoined) {
    hostRec.Listen("ToHost");
    RawPeer peer(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    std::string frame;
    Container<std::string> p(std::string("in pieces"));
    ASSERT_EQ(EncodeFrame(BusMessage(RegisterMessage("ToHost")).WithKind(KIND_POST), &p, 9, frame), FrameStatus::kOk);
    peer.Send(frame.substr(0, 5));
    // The first piece arrives and the reader's wait for the rest gives up; the bytes stay.
    ASSERT_TRUE(PumpUntil([&] { return server->Clients()[0]->ReceiveBuffer().Length() == 5; }));
    for (int i = 0; i < 20; ++i) app->PumpMessage();
    EXPECT_EQ(hostRec.Count(RegisterMessage("ToHost")), 0);
    peer.Send(frame.substr(5));
    ASSERT_TRUE(PumpUntil([&] { return hostRec.Count(RegisterMessage("ToHost")) == 1; }));
    EXPECT_EQ(hostRec.seen.back().payload, "in pieces");
}

TEST_F(SocketTest, ARefusedConnectionIsShownAndLeavesNoSocket) {
    // A port where nobody listens: taken from a socket that is then closed.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = inet_addr("127.0.0.1");
    ASSERT_EQ(bind(probe, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    sockaddr_in bound{};
    int n = sizeof bound;
    getsockname(probe, reinterpret_cast<sockaddr*>(&bound), &n);
    closesocket(probe);

    const int socketsBefore = platform::OpenSocketCount();
    WinSocketIO c(ntohs(bound.sin_port), "127.0.0.1", 1, "Nowhere");
    EXPECT_EQ(c.Open(), 0);
    EXPECT_EQ(c.IsConnected(), 0);
    EXPECT_EQ(platform::OpenSocketCount(), socketsBefore);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(Boxes()[0], "Network Error: Error 10061 in connection Nowhere: Could not connect to host.");
}

TEST_F(SocketTest, AHostThatIsNoAddressIsShownAndTheConnectionIsStillTried) {
    WinSocketIO c(port, "not a host!", 1, "Bad");
    EXPECT_EQ(c.Open(), 0);
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].find(": Invalid address: not a host!"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[1].find("Could not connect to host."), std::string::npos) << boxes[1];
}

TEST_F(SocketTest, AnUnknownServiceFailsBeforeAnyConnect) {
    const int socketsBefore = platform::OpenSocketCount();
    WinSocketIO c(std::string("no-such-service-here"), std::string("127.0.0.1"), 1, "Svc");
    EXPECT_EQ(c.Open(), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Internet Error: Unknown service requested at connection time."});
    EXPECT_EQ(platform::OpenSocketCount(), socketsBefore);
}

TEST_F(SocketTest, OnlyTheLastConnectionToGoShutsTheSocketsDown) {
    server.reset(); // leaves one start-up of its own, as it always has
    const int starts = platform::SocketStartCount();
    // A listener of the platform's own, so that no connection object stays alive.
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = inet_addr("127.0.0.1");
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(listen(listener, 5), 0);
    sockaddr_in bound{};
    int n = sizeof bound;
    getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &n);

    auto one = std::make_unique<WinSocketIO>(ntohs(bound.sin_port), "127.0.0.1", 1, "One");
    auto two = std::make_unique<WinSocketIO>(ntohs(bound.sin_port), "127.0.0.1", 1, "Two");
    ASSERT_EQ(one->Open(), 1);
    ASSERT_EQ(two->Open(), 1);
    EXPECT_EQ(platform::SocketStartCount(), starts + 2);
    one.reset();
    EXPECT_EQ(platform::SocketStartCount(), starts + 2);
    two.reset();
    EXPECT_EQ(platform::SocketStartCount(), starts + 1);
    closesocket(listener);
}

TEST_F(SocketTest, ConnectionsShareTheClassAndEachHasItsWindow) {
    WinSocketIO x(port, "127.0.0.1", 1, "X"), y(port, "127.0.0.1", 1, "Y");
    ASSERT_NE(x.GetWindow(), nullptr);
    EXPECT_NE(x.GetWindow(), y.GetWindow());
    HWND gone = x.GetWindow();
    {
        WinSocketIO z(port, "127.0.0.1", 1, "Z");
        gone = z.GetWindow();
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_TRUE(IsWindow(x.GetWindow()));
}

} // namespace

namespace {

TEST_F(SocketTest, ASecondServerOnAPortInUseSaysSoAndIsNotReady) {
    Bus other("Other");
    Recorder rec;
    rec.AttachToBus(&other);
    rec.Listen("ServerReady");
    WinSocketServer second(port, 1, "Second");
    second.AttachToBus(&other);
    rec.PostNamedEvent("StartServer");
    EXPECT_TRUE(rec.seen.empty());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Network Error: Error 10048 in connection Second: Could not start server.");
    // It got as far as its socket, which it closes when it goes.
    EXPECT_EQ(second.IsConnected(), 1);
    second.DetachFromBus();
    rec.DetachFromBus();
}

TEST_F(SocketTest, ACancelledDownloadSendsTheCancelTextAndLeavesTheBytesAlone) {
    RawPeer peer(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    WinSocketIO* link = server->Clients()[0];
    peer.Send("block");
    // Let the read notice be posted, then a Cancel behind it.
    MSG msg;
    for (int i = 0; i < 200 && !PeekMessage(&msg, link->GetWindow(), WM_USER, WM_USER, PM_NOREMOVE); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    PostMessage(link->GetWindow(), WM_COMMAND, IDCANCEL, 0);
    try {
        link->StartDownload("Receiving the scenario");
        ADD_FAILURE() << "the cancelled download returned";
    } catch (const CommError& e) {
        EXPECT_EQ(e.Text(), "Transaction Cancelled");
        EXPECT_EQ(e.Code(), CommError::kTimeout);
    }
    EXPECT_EQ(link->DownloadInProgress(), 0);
    EXPECT_EQ(link->CancelRequested(), 0);
    // The read notice came during the download and went to the empty step.
    EXPECT_EQ(link->ReceiveBuffer().Length(), 0);
    char got[8] = {};
    for (int i = 0; i < 200 && recv(peer.s, got, sizeof got, 0) <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(std::string(got), "\x18\x18");
}

TEST(BlockCheck, CrcOfTheTransferProtocol) {
    const char* check = "123456789";
    EXPECT_EQ(WinSerialIO::Crc16(reinterpret_cast<const unsigned char*>(check), 9), 0x31C3);
    unsigned char block[68];
    for (int i = 0; i < 64; ++i) block[i] = static_cast<unsigned char>(i * 7 + 3);
    std::uint16_t crc = WinSerialIO::Crc16(block, 64);
    block[64] = static_cast<unsigned char>(crc >> 12);
    block[65] = static_cast<unsigned char>((crc >> 8) & 0xF);
    block[66] = static_cast<unsigned char>((crc >> 4) & 0xF);
    block[67] = static_cast<unsigned char>(crc & 0xF);
    EXPECT_EQ(WinSerialIO::CheckBlock(block), 0);
    block[10] ^= 1;
    block[64] = static_cast<unsigned char>(crc >> 12);
    block[65] = static_cast<unsigned char>((crc >> 8) & 0xF);
    EXPECT_NE(WinSerialIO::CheckBlock(block), 0);
}

} // namespace

namespace {

TEST_F(SocketTest, ABurstLongerThanTheReceiveBufferLosesNoFrame) {
    hostRec.Listen("ToHost");
    RawPeer peer(port);
    ASSERT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    std::string burst;
    for (int i = 0; i < 4; ++i) {
        Container<std::string> big(std::string(30000, static_cast<char>('a' + i)));
        std::string frame;
        ASSERT_EQ(EncodeFrame(BusMessage(RegisterMessage("ToHost")).WithKind(KIND_POST), &big, 100 + i, frame), FrameStatus::kOk);
        burst += frame;
    }
    ASSERT_GT(burst.size(), static_cast<std::size_t>(SuperString::kDefaultMaxLength));
    // From a thread: the kernel may not take all of it before this side reads.
    std::thread sender([&] { peer.Send(burst); });
    bool all = PumpUntil([&] { return hostRec.Count(RegisterMessage("ToHost")) == 4; });
    sender.join();
    ASSERT_TRUE(all);
    std::string arrived; // each frame's letter, in order, when its whole text came
    for (auto& s : hostRec.seen) {
        if (s.event != RegisterMessage("ToHost")) continue;
        bool whole = s.payload.size() == 30000 && s.payload.find_first_not_of(s.payload[0]) == std::string::npos;
        arrived += whole ? s.payload[0] : '?';
    }
    EXPECT_EQ(arrived, "abcd");
}

} // namespace

namespace {

TEST_F(SocketTest, TheHostCanBeSetOverTheBusBeforeOpening) {
    WinSocketIO c(port, "", 1, "Later");
    c.AttachToBus(joinBus.get());
    Container<char*> host("127.0.0.1");
    joinRec.PostNamed("TCPIP Set Host", &host);
    EXPECT_EQ(c.Host(), "127.0.0.1");
    EXPECT_EQ(c.Open(), 1);
    EXPECT_TRUE(PumpUntil([&] { return server->Clients().size() == 1; }));
    c.DetachFromBus();
}

} // namespace
