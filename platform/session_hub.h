#pragma once
// The session service of network play: a small hub of our own over TCP that holds game sessions
// (create, enumerate, join), gives each player an id, carries every player's messages to all the
// others, and tells the players when somebody joins, leaves or when the session is lost.
//
// A SessionHub runs on a thread of its own in the program that creates a session; it listens on
// every interface, so that players on other machines reach it. A SessionClient is one player's
// link to a hub (the creating program's player too, through loopback). The client's reader thread
// queues what arrives and calls the notification the owner installed; everything else runs on
// the owner's thread.
//
// The hub's wire form, little-endian, every message: u32 length of what follows, u8 kind, then
// the kind's fields; texts are a u16 length and their bytes, identities 16 bytes. A message longer
// than kMaxMessage, or whose fields run past its length, ends the link that sent it.
//
// Invariants: a session's players are links of that session; a link is in at most one session
// and holds at most one player; player ids are never reused within a hub.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

using SessionGuid = std::array<std::uint8_t, 16>;

// Results, in the shape of the session service the program was written against.
enum SessionResult : std::int32_t {
    kSessionOk = 0,
    kSessionNoMessages = 1,
    kSessionNoSessions = 2,
    kSessionNoConnection = 3,
    kSessionUnavailable = 4,
    kSessionInvalidParams = 5,
    kSessionGeneric = 6,
    kSessionCantAddPlayer = 7,
    kSessionLost = 8,
    kSessionBufferTooSmall = 9,
    kSessionInvalidPassword = 10,
    kSessionHostNotFound = 11,
};

// What a client receives: a data message of another player, or a notice of the hub.
enum class SessionMessageKind { kData, kPlayerJoined, kPlayerLeft, kSessionLost };

struct SessionMessage {
    SessionMessageKind kind = SessionMessageKind::kData;
    std::uint32_t player = 0;   // the sender, or the player who joined or left
    std::string name;           // the joined player's name
    std::string bytes;          // a data message's bytes
    std::string localData;      // a left player's data kept on this side (SetLocalPlayerData)
};

struct SessionDesc {
    SessionGuid application{};
    SessionGuid instance{};
    std::string name;
    std::string password;
    std::uint16_t maxPlayers = 0;
    std::uint16_t currentPlayers = 0;
};

constexpr std::uint16_t kDefaultSessionPort = 47624;
constexpr std::uint32_t kMaxSessionMessage = 1u << 20;

class SessionHub {
public:
    SessionHub();
    ~SessionHub();
    SessionHub(const SessionHub&) = delete;
    SessionHub& operator=(const SessionHub&) = delete;

    // Listens on every interface at the port (0: any free port), or on the loopback address only
    // (tests, and a program asked to keep its games to this machine); false with the reason when
    // the port is taken or the socket cannot be made.
    bool Start(std::uint16_t port, std::string* reason, bool loopbackOnly = false);
    void Stop();
    std::uint16_t Port() const { return port; }
    bool Running() const { return thread.joinable(); }

    // The hub of this program, started at the port on first use and kept until StopLocalHub.
    static SessionHub* Local(std::uint16_t port, std::string* reason, bool loopbackOnly = false);
    static void StopLocalHub();

private:
    struct Link;
    struct Session;
    void Run();
    void Handle(Link& link, std::uint8_t kind, const std::string& body);
    void Drop(Link& link);
    void Queue(Link& link, const std::string& message);

    int listenFd = -1;
    int wakeFds[2] = {-1, -1};
    std::uint16_t port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::vector<std::unique_ptr<Link>> links;
    std::vector<std::unique_ptr<Session>> sessions;
    std::uint32_t nextPlayer = 1;
};

class SessionClient {
public:
    SessionClient();
    ~SessionClient();
    SessionClient(const SessionClient&) = delete;
    SessionClient& operator=(const SessionClient&) = delete;

    // The hub's address: a host name or address, with ":port" when not the default port.
    // Every call below that asks the hub waits at most the time-out for its answer.
    SessionResult Connect(const std::string& address, int timeoutMs = 5000);
    SessionResult EnumSessions(const SessionGuid& application, const std::string& password,
                               std::vector<SessionDesc>* found, int timeoutMs = 5000);
    SessionResult Create(const SessionDesc& desc, SessionGuid* instance, int timeoutMs = 5000);
    SessionResult Join(const SessionGuid& application, const SessionGuid& instance, const std::string& password,
                       int timeoutMs = 5000);
    SessionResult GetSessionDesc(SessionDesc* desc, int timeoutMs = 5000);
    SessionResult CreatePlayer(const std::string& name, std::uint32_t* id, int timeoutMs = 5000);
    // To every other player of the session.
    SessionResult Send(const char* bytes, std::size_t n);
    // kSessionNoMessages when nothing waits.
    SessionResult Receive(SessionMessage* message);
    // Data kept on this side for a player, handed back with the notice of its leaving.
    void SetLocalPlayerData(std::uint32_t player, const std::string& data);
    void Close();

    // Called on the reader thread whenever a message has been queued or the link has gone.
    void SetNotify(std::function<void()> notify);
    bool Connected() const { return fd >= 0; }

private:
    void ReadLoop();
    SessionResult Ask(std::uint8_t kind, const std::string& body, std::uint8_t answerKind, std::string* answer,
                      int timeoutMs);
    bool Write(const std::string& message);

    int fd = -1;
    std::thread reader;
    std::mutex mutex;
    std::condition_variable answered;
    std::deque<SessionMessage> inbox;
    std::map<std::uint8_t, std::string> answers;
    std::map<std::uint32_t, std::string> localData;
    std::function<void()> notify;
    bool lost = false;
    std::mutex writeMutex;
};

// Text form of an identity: "%08X-%04X-%04X-%02X%02X%02X%02X%02X%02X%02X%02X" of its u32, two
// u16 (little-endian) and eight bytes.
std::string SessionGuidText(const SessionGuid& g);

} // namespace platform
