// The session hub and its client over loopback TCP: sessions, players, data to every other
// player, the notices of joining and leaving, and the faults a link may bring.
#include "platform/session_hub.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace platform;

namespace {

const SessionGuid kApp = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Waits (boundedly) for the next message of a client.
bool Next(SessionClient& c, SessionMessage* m, int ms = 3000) {
    for (int i = 0; i < ms / 5; ++i) {
        if (c.Receive(m) == kSessionOk) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

struct HubFixture : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(hub.Start(0, &reason, true)) << reason; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(hub.Port()); }
    // A host with its player and a joining client with its player.
    void Gather(SessionClient& host, SessionClient& joiner, std::uint32_t* hostId, std::uint32_t* joinId) {
        ASSERT_EQ(host.Connect(Address()), kSessionOk);
        SessionDesc d;
        d.application = kApp;
        d.name = "Ann's Game";
        d.maxPlayers = 15;
        SessionGuid instance;
        ASSERT_EQ(host.Create(d, &instance), kSessionOk);
        ASSERT_EQ(host.CreatePlayer("Ann", hostId), kSessionOk);
        ASSERT_EQ(joiner.Connect(Address()), kSessionOk);
        std::vector<SessionDesc> found;
        ASSERT_EQ(joiner.EnumSessions(kApp, "", &found), kSessionOk);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].name, "Ann's Game");
        EXPECT_EQ(found[0].instance, instance);
        EXPECT_EQ(found[0].currentPlayers, 1);
        ASSERT_EQ(joiner.Join(kApp, instance, ""), kSessionOk);
        ASSERT_EQ(joiner.CreatePlayer("Bob", joinId), kSessionOk);
    }
    SessionHub hub;
    std::string reason;
};

} // namespace

TEST_F(HubFixture, PlayersJoinExchangeDataAndLeave) {
    SessionClient host, joiner;
    std::uint32_t a = 0, b = 0;
    Gather(host, joiner, &a, &b);
    EXPECT_NE(a, b);
    SessionMessage m;
    ASSERT_TRUE(Next(host, &m));
    EXPECT_EQ(m.kind, SessionMessageKind::kPlayerJoined);
    EXPECT_EQ(m.player, b);
    EXPECT_EQ(m.name, "Bob");
    SessionDesc d;
    ASSERT_EQ(host.GetSessionDesc(&d), kSessionOk);
    EXPECT_EQ(d.currentPlayers, 2);

    // Data goes to every other player, never back to its sender, in order and whole.
    std::string big(70000, 'x');
    big[0] = '\xFF';
    ASSERT_EQ(joiner.Send("hello", 5), kSessionOk);
    ASSERT_EQ(joiner.Send(big.data(), big.size()), kSessionOk);
    ASSERT_TRUE(Next(host, &m));
    EXPECT_EQ(m.kind, SessionMessageKind::kData);
    EXPECT_EQ(m.player, b);
    EXPECT_EQ(m.bytes, "hello");
    ASSERT_TRUE(Next(host, &m));
    EXPECT_EQ(m.bytes, big);
    ASSERT_EQ(host.Send("back", 4), kSessionOk);
    ASSERT_TRUE(Next(joiner, &m));
    EXPECT_EQ(m.bytes, "back");
    EXPECT_EQ(joiner.Receive(&m), kSessionNoMessages);

    // The data kept on this side for a player returns with the notice of its leaving.
    host.SetLocalPlayerData(b, "IGNORE");
    joiner.Close();
    ASSERT_TRUE(Next(host, &m));
    EXPECT_EQ(m.kind, SessionMessageKind::kPlayerLeft);
    EXPECT_EQ(m.player, b);
    EXPECT_EQ(m.localData, "IGNORE");
}

TEST_F(HubFixture, AStoppedHubLosesTheSessionAfterEveryPlayerLeft) {
    SessionClient host, joiner;
    std::uint32_t a = 0, b = 0;
    Gather(host, joiner, &a, &b);
    hub.Stop();
    SessionMessage m;
    ASSERT_TRUE(Next(joiner, &m));
    EXPECT_EQ(m.kind, SessionMessageKind::kPlayerLeft);
    EXPECT_EQ(m.player, a);
    ASSERT_TRUE(Next(joiner, &m));
    EXPECT_EQ(m.kind, SessionMessageKind::kSessionLost);
    EXPECT_EQ(joiner.Send("x", 1), kSessionNoConnection);
    SessionDesc d;
    EXPECT_NE(joiner.GetSessionDesc(&d, 200), kSessionOk);
}

TEST_F(HubFixture, JoinRefusals) {
    SessionClient host, joiner;
    ASSERT_EQ(host.Connect(Address()), kSessionOk);
    SessionDesc d;
    d.application = kApp;
    d.name = "Locked";
    d.password = "secret";
    d.maxPlayers = 1;
    SessionGuid instance;
    ASSERT_EQ(host.Create(d, &instance), kSessionOk);
    std::uint32_t id;
    ASSERT_EQ(host.CreatePlayer("Ann", &id), kSessionOk);
    ASSERT_EQ(joiner.Connect(Address()), kSessionOk);
    std::vector<SessionDesc> found;
    // Another password, another application, or a full session: nothing to find.
    ASSERT_EQ(joiner.EnumSessions(kApp, "", &found), kSessionOk);
    EXPECT_TRUE(found.empty());
    ASSERT_EQ(joiner.EnumSessions(kApp, "secret", &found), kSessionOk);
    EXPECT_TRUE(found.empty()); // full: one player of one
    EXPECT_EQ(joiner.Join(kApp, SessionGuid{}, "secret"), kSessionNoSessions);
    EXPECT_EQ(joiner.Join(kApp, instance, "wrong"), kSessionInvalidPassword);
    ASSERT_EQ(joiner.Join(kApp, instance, "secret"), kSessionOk);
    EXPECT_EQ(joiner.CreatePlayer("Bob", &id), kSessionCantAddPlayer);
}

TEST_F(HubFixture, GarbageFromALinkEndsOnlyThatLink) {
    SessionClient host, joiner;
    std::uint32_t a = 0, b = 0;
    Gather(host, joiner, &a, &b);
    SessionMessage m;
    ASSERT_TRUE(Next(host, &m)); // Bob joined
    // A raw link that claims a message longer than the hub takes, and one of an unknown kind.
    for (const std::string& bytes : {std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x01\x00\x00\x00\x63", 5)}) {
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(hub.Port());
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        ASSERT_EQ(::send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
        timeval limit{3, 0};
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char c;
        EXPECT_EQ(::recv(s, &c, 1, 0), 0) << "the hub closes the link";
        ::close(s);
    }
    ASSERT_EQ(joiner.Send("still here", 10), kSessionOk);
    ASSERT_TRUE(Next(host, &m));
    EXPECT_EQ(m.bytes, "still here");
}

TEST(SessionHubFaults, NamesAndPortsThatCannotServe) {
    SessionClient c;
    EXPECT_EQ(c.Connect("no-such-host.invalid"), kSessionHostNotFound);
    EXPECT_EQ(c.Connect("[::1"), kSessionHostNotFound);
    SessionHub first;
    std::string reason;
    ASSERT_TRUE(first.Start(0, &reason, true)) << reason;
    SessionHub second;
    EXPECT_FALSE(second.Start(first.Port(), &reason, true));
    EXPECT_FALSE(reason.empty());
    const std::uint16_t port = first.Port();
    first.Stop();
    EXPECT_EQ(c.Connect("127.0.0.1:" + std::to_string(port), 1000), kSessionNoConnection);
}

TEST(SessionHubFaults, AHubThatNeverAnswersTimesOut) {
    // A listening socket that accepts and says nothing stands for a hub that hangs.
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(s, 1), 0);
    socklen_t len = sizeof at;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &len);
    SessionClient c;
    ASSERT_EQ(c.Connect("127.0.0.1:" + std::to_string(ntohs(at.sin_port))), kSessionOk);
    std::vector<SessionDesc> found;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.EnumSessions(kApp, "", &found, 300), kSessionNoConnection);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    c.Close();
    ::close(s);
}

TEST(SessionHubText, GuidText) {
    SessionGuid g = {0x00, 0xC4, 0x5B, 0x68, 0x2C, 0x9D, 0xCF, 0x11, 0xA9, 0xCD, 0x00, 0xAA, 0x00, 0x68, 0x86, 0xE3};
    EXPECT_EQ(SessionGuidText(g), "685BC400-9D2C-11CF-A9CD00AA006886E3");
}
