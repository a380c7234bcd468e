// The session hub and its client over POSIX TCP sockets. The hub serves every link from one
// thread with poll(); it never blocks on a slow link (each has its own outgoing bytes, written as
// the link can take them). Sockets are close-on-exec and never raise SIGPIPE.
#include "platform/session_hub.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace platform {

namespace {

enum Kind : std::uint8_t {
    kEnum = 1,
    kCreate = 2,
    kJoin = 3,
    kDesc = 4,
    kCreatePlayer = 5,
    kSend = 6,
    kSessions = 101,
    kOpened = 102,
    kDescAnswer = 104,
    kPlayer = 105,
    kJoined = 201,
    kData = 202,
    kLeft = 203,
};

// Field writers and a checked reader of the wire form.
void PutU16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void PutU32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutText(std::string& s, const std::string& t) {
    const std::size_t n = std::min<std::size_t>(t.size(), 0xFFFF);
    PutU16(s, static_cast<std::uint16_t>(n));
    s.append(t, 0, n);
}
void PutGuid(std::string& s, const SessionGuid& g) { s.append(reinterpret_cast<const char*>(g.data()), g.size()); }

std::string Message(std::uint8_t kind, const std::string& body) {
    std::string m;
    PutU32(m, static_cast<std::uint32_t>(body.size() + 1));
    m.push_back(static_cast<char>(kind));
    m += body;
    return m;
}

struct Reader {
    const std::string& s;
    std::size_t at = 0;
    bool ok = true;
    bool Need(std::size_t n) {
        if (!ok || s.size() - at < n) ok = false;
        return ok;
    }
    std::uint16_t U16() {
        if (!Need(2)) return 0;
        std::uint16_t v = static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                                     (static_cast<unsigned char>(s[at + 1]) << 8));
        at += 2;
        return v;
    }
    std::uint32_t U32() {
        if (!Need(4)) return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
        at += 4;
        return v;
    }
    std::string Text() {
        std::uint16_t n = U16();
        if (!Need(n)) return {};
        std::string t = s.substr(at, n);
        at += n;
        return t;
    }
    SessionGuid Guid() {
        SessionGuid g{};
        if (!Need(16)) return g;
        std::memcpy(g.data(), s.data() + at, 16);
        at += 16;
        return g;
    }
    std::string Rest() {
        std::string t = s.substr(at);
        at = s.size();
        return t;
    }
};

// Takes whole messages off the head of a buffer; false when a length is out of bounds.
bool NextMessage(std::string& buffer, std::uint8_t* kind, std::string* body, bool* have) {
    *have = false;
    if (buffer.size() < 4) return true;
    Reader r{buffer};
    const std::uint32_t n = r.U32();
    if (n < 1 || n > kMaxSessionMessage) return false;
    if (buffer.size() - 4 < n) return true;
    *kind = static_cast<std::uint8_t>(buffer[4]);
    body->assign(buffer, 5, n - 1);
    buffer.erase(0, 4 + n);
    *have = true;
    return true;
}

void CloseOnExec(int fd) { ::fcntl(fd, F_SETFD, FD_CLOEXEC); }

void NonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

SessionGuid NewGuid() {
    static std::mutex m;
    static std::random_device device;
    static std::mt19937_64 source(device());
    std::lock_guard<std::mutex> lock(m);
    SessionGuid g;
    for (auto& b : g) b = static_cast<std::uint8_t>(source() & 0xFF);
    return g;
}

std::mutex localHubMutex;
std::unique_ptr<SessionHub> localHub;

} // namespace

std::string SessionGuidText(const SessionGuid& g) {
    auto u16 = [&](int at) { return static_cast<unsigned>(g[at] | (g[at + 1] << 8)); };
    const unsigned long first = static_cast<unsigned long>(g[0]) | (static_cast<unsigned long>(g[1]) << 8) |
                                (static_cast<unsigned long>(g[2]) << 16) | (static_cast<unsigned long>(g[3]) << 24);
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X%02X%02X%02X%02X%02X%02X", first, u16(4), u16(6), g[8],
                  g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

// ---------------------------------------------------------------------------------------------
// The hub

struct SessionHub::Link {
    int fd;
    std::string in;
    std::string out;
    Session* session = nullptr;
    std::uint32_t player = 0;
    bool dead = false;
};

struct SessionHub::Session {
    SessionDesc desc;
    std::vector<Link*> members; // links that joined; those with a player id hold one
};

SessionHub::SessionHub() = default;

SessionHub::~SessionHub() { Stop(); }

bool SessionHub::Start(std::uint16_t wanted, std::string* reason, bool loopbackOnly) {
    if (Running()) return true;
    // Both address families where the system has them: one socket that also takes IPv4.
    // Loopback only: the IPv4 loopback, which every client of this machine reaches as 127.0.0.1.
    int fd = loopbackOnly ? -1 : ::socket(AF_INET6, SOCK_STREAM, 0);
    bool six = fd >= 0;
    if (!six) fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        if (reason) *reason = std::strerror(errno);
        return false;
    }
    CloseOnExec(fd);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    int r;
    if (six) {
        int off = 0;
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = loopbackOnly ? in6addr_loopback : in6addr_any;
        a.sin6_port = htons(wanted);
        r = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
        a.sin_port = htons(wanted);
        r = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (r != 0 || ::listen(fd, 16) != 0) {
        if (reason) *reason = std::strerror(errno);
        ::close(fd);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
    port = six ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    NonBlocking(fd);
    if (::pipe(wakeFds) != 0) {
        if (reason) *reason = std::strerror(errno);
        ::close(fd);
        return false;
    }
    CloseOnExec(wakeFds[0]);
    CloseOnExec(wakeFds[1]);
    listenFd = fd;
    stopping = false;
    thread = std::thread([this] { Run(); });
    return true;
}

void SessionHub::Stop() {
    if (!thread.joinable()) return;
    stopping = true;
    char c = 0;
    (void)!::write(wakeFds[1], &c, 1);
    thread.join();
    for (auto& l : links) ::close(l->fd);
    links.clear();
    sessions.clear();
    ::close(listenFd);
    ::close(wakeFds[0]);
    ::close(wakeFds[1]);
    listenFd = wakeFds[0] = wakeFds[1] = -1;
}

SessionHub* SessionHub::Local(std::uint16_t wanted, std::string* reason, bool loopbackOnly) {
    std::lock_guard<std::mutex> lock(localHubMutex);
    if (localHub && localHub->Running() && (wanted == 0 || localHub->Port() == wanted)) return localHub.get();
    auto hub = std::make_unique<SessionHub>();
    if (!hub->Start(wanted, reason, loopbackOnly)) return nullptr;
    localHub = std::move(hub);
    return localHub.get();
}

void SessionHub::StopLocalHub() {
    std::unique_ptr<SessionHub> hub;
    {
        std::lock_guard<std::mutex> lock(localHubMutex);
        hub.swap(localHub);
    }
    hub.reset();
}

void SessionHub::Queue(Link& link, const std::string& message) {
    if (!link.dead) link.out += message;
}

void SessionHub::Drop(Link& link) {
    if (link.dead) return;
    link.dead = true;
    if (Session* s = link.session) {
        s->members.erase(std::remove(s->members.begin(), s->members.end(), &link), s->members.end());
        if (link.player != 0) {
            std::string body;
            PutU32(body, link.player);
            for (Link* other : s->members)
                if (other->player != 0) Queue(*other, Message(kLeft, body));
        }
        if (s->members.empty())
            sessions.erase(std::remove_if(sessions.begin(), sessions.end(),
                                          [s](const std::unique_ptr<Session>& p) { return p.get() == s; }),
                           sessions.end());
        link.session = nullptr;
    }
}

void SessionHub::Handle(Link& link, std::uint8_t kind, const std::string& body) {
    Reader r{body};
    std::string answer;
    switch (kind) {
    case kEnum: {
        const SessionGuid app = r.Guid();
        const std::string password = r.Text();
        if (!r.ok) break;
        std::vector<const Session*> open;
        for (auto& s : sessions) {
            std::uint16_t players = 0;
            for (Link* m : s->members) players += m->player != 0;
            if (s->desc.application == app && s->desc.password == password && players < s->desc.maxPlayers)
                open.push_back(s.get());
        }
        PutU16(answer, static_cast<std::uint16_t>(open.size()));
        for (const Session* s : open) {
            PutGuid(answer, s->desc.instance);
            PutText(answer, s->desc.name);
            std::uint16_t players = 0;
            for (Link* m : s->members) players += m->player != 0;
            PutU16(answer, players);
            PutU16(answer, s->desc.maxPlayers);
        }
        Queue(link, Message(kSessions, answer));
        return;
    }
    case kCreate: {
        auto s = std::make_unique<Session>();
        s->desc.application = r.Guid();
        s->desc.name = r.Text();
        s->desc.password = r.Text();
        s->desc.maxPlayers = r.U16();
        if (!r.ok) break;
        if (link.session) {
            PutU32(answer, static_cast<std::uint32_t>(kSessionGeneric));
            PutGuid(answer, SessionGuid{});
        } else {
            s->desc.instance = NewGuid();
            s->members.push_back(&link);
            link.session = s.get();
            PutU32(answer, static_cast<std::uint32_t>(kSessionOk));
            PutGuid(answer, s->desc.instance);
            sessions.push_back(std::move(s));
        }
        Queue(link, Message(kOpened, answer));
        return;
    }
    case kJoin: {
        const SessionGuid app = r.Guid();
        const SessionGuid instance = r.Guid();
        const std::string password = r.Text();
        if (!r.ok) break;
        SessionResult result = kSessionNoSessions;
        if (link.session) {
            result = kSessionGeneric;
        } else {
            for (auto& s : sessions) {
                if (s->desc.application != app || s->desc.instance != instance) continue;
                if (s->desc.password != password) {
                    result = kSessionInvalidPassword;
                    break;
                }
                s->members.push_back(&link);
                link.session = s.get();
                result = kSessionOk;
                break;
            }
        }
        PutU32(answer, static_cast<std::uint32_t>(result));
        PutGuid(answer, instance);
        Queue(link, Message(kOpened, answer));
        return;
    }
    case kDesc: {
        if (!link.session) {
            PutU32(answer, static_cast<std::uint32_t>(kSessionNoConnection));
            PutGuid(answer, SessionGuid{});
            PutText(answer, "");
            PutU16(answer, 0);
            PutU16(answer, 0);
        } else {
            const Session& s = *link.session;
            std::uint16_t players = 0;
            for (Link* m : s.members) players += m->player != 0;
            PutU32(answer, static_cast<std::uint32_t>(kSessionOk));
            PutGuid(answer, s.desc.instance);
            PutText(answer, s.desc.name);
            PutU16(answer, players);
            PutU16(answer, s.desc.maxPlayers);
        }
        Queue(link, Message(kDescAnswer, answer));
        return;
    }
    case kCreatePlayer: {
        const std::string name = r.Text();
        if (!r.ok) break;
        Session* s = link.session;
        std::uint16_t players = 0;
        if (s)
            for (Link* m : s->members) players += m->player != 0;
        if (!s || link.player != 0) {
            PutU32(answer, static_cast<std::uint32_t>(kSessionNoConnection));
            PutU32(answer, 0);
            PutU16(answer, 0);
        } else if (players >= s->desc.maxPlayers) {
            PutU32(answer, static_cast<std::uint32_t>(kSessionCantAddPlayer));
            PutU32(answer, 0);
            PutU16(answer, 0);
        } else {
            link.player = nextPlayer++;
            PutU32(answer, static_cast<std::uint32_t>(kSessionOk));
            PutU32(answer, link.player);
            // The players already there, so that the newcomer knows whom it may lose.
            PutU16(answer, players);
            std::string notice;
            PutU32(notice, link.player);
            PutText(notice, name);
            for (Link* other : s->members) {
                if (other == &link || other->player == 0) continue;
                PutU32(answer, other->player);
                Queue(*other, Message(kJoined, notice));
            }
        }
        Queue(link, Message(kPlayer, answer));
        return;
    }
    case kSend: {
        if (!link.session || link.player == 0) return;
        std::string data;
        PutU32(data, link.player);
        data += r.Rest();
        const std::string m = Message(kData, data);
        for (Link* other : link.session->members)
            if (other != &link && other->player != 0) Queue(*other, m);
        return;
    }
    default: break;
    }
    // A message the hub does not know, or whose fields run past its end, ends the link.
    Drop(link);
}

void SessionHub::Run() {
    std::vector<pollfd> fds;
    while (!stopping) {
        fds.clear();
        fds.push_back({listenFd, POLLIN, 0});
        fds.push_back({wakeFds[0], POLLIN, 0});
        for (auto& l : links)
            fds.push_back({l->fd, static_cast<short>(POLLIN | (l->out.empty() ? 0 : POLLOUT)), 0});
        if (::poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) break;
        if (stopping) break;
        if (fds[0].revents & POLLIN) {
            for (;;) {
                int c = ::accept(listenFd, nullptr, nullptr);
                if (c < 0) break;
                CloseOnExec(c);
                NonBlocking(c);
                int on = 1;
                ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                links.push_back(std::make_unique<Link>(Link{c, {}, {}, nullptr, 0, false}));
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            Link& l = *links[i - 2];
            if (l.dead) continue;
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                char piece[4096];
                for (;;) {
                    ssize_t n = ::recv(l.fd, piece, sizeof piece, 0);
                    if (n > 0) {
                        l.in.append(piece, static_cast<std::size_t>(n));
                        continue;
                    }
                    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) Drop(l);
                    break;
                }
                std::uint8_t kind;
                std::string body;
                bool have = true;
                while (!l.dead && have) {
                    if (!NextMessage(l.in, &kind, &body, &have)) {
                        Drop(l);
                        break;
                    }
                    if (have) Handle(l, kind, body);
                }
            }
        }
        for (auto& l : links) {
            if (l->dead || l->out.empty()) continue;
            ssize_t n = ::send(l->fd, l->out.data(), l->out.size(), MSG_NOSIGNAL);
            if (n > 0) l->out.erase(0, static_cast<std::size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) Drop(*l);
        }
        for (auto it = links.begin(); it != links.end();) {
            if ((*it)->dead) {
                ::close((*it)->fd);
                it = links.erase(it);
            } else {
                ++it;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The client

SessionClient::SessionClient() = default;

SessionClient::~SessionClient() { Close(); }

void SessionClient::SetNotify(std::function<void()> n) {
    std::lock_guard<std::mutex> lock(mutex);
    notify = std::move(n);
}

SessionResult SessionClient::Connect(const std::string& address, int timeoutMs) {
    Close();
    std::string host = address;
    std::string service = std::to_string(kDefaultSessionPort);
    if (!host.empty() && host[0] == '[') {
        const std::size_t end = host.find(']');
        if (end == std::string::npos) return kSessionHostNotFound;
        if (end + 1 < host.size() && host[end + 1] == ':') service = host.substr(end + 2);
        host = host.substr(1, end - 1);
    } else if (std::count(host.begin(), host.end(), ':') == 1) {
        const std::size_t colon = host.find(':');
        service = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    if (host.empty()) return kSessionHostNotFound;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) return kSessionHostNotFound;
    int s = -1;
    for (addrinfo* a = found; a && s < 0; a = a->ai_next) {
        s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s < 0) continue;
        CloseOnExec(s);
        NonBlocking(s);
        int r = ::connect(s, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            pollfd p{s, POLLOUT, 0};
            int err = 0;
            socklen_t len = sizeof err;
            if (::poll(&p, 1, timeoutMs) == 1 && ::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
                r = 0;
        }
        if (r != 0) {
            ::close(s);
            s = -1;
        }
    }
    ::freeaddrinfo(found);
    if (s < 0) return kSessionNoConnection;
    ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) & ~O_NONBLOCK);
    int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A hub that stops reading does not hold this side's sends for ever.
    timeval limit{5, 0};
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    {
        std::lock_guard<std::mutex> lock(mutex);
        fd = s;
        lost = false;
        inbox.clear();
        answers.clear();
        localData.clear();
    }
    reader = std::thread([this] { ReadLoop(); });
    return kSessionOk;
}

void SessionClient::Close() {
    int s;
    {
        std::lock_guard<std::mutex> lock(mutex);
        s = fd;
    }
    if (s >= 0) ::shutdown(s, SHUT_RDWR);
    if (reader.joinable()) reader.join();
    std::lock_guard<std::mutex> lock(mutex);
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void SessionClient::ReadLoop() {
    std::string buffer;
    std::vector<std::uint32_t> players;
    char piece[4096];
    for (;;) {
        ssize_t n = ::recv(fd, piece, sizeof piece, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        buffer.append(piece, static_cast<std::size_t>(n));
        std::uint8_t kind;
        std::string body;
        bool have = true;
        bool bad = false;
        while (have) {
            if (!NextMessage(buffer, &kind, &body, &have)) {
                bad = true;
                break;
            }
            if (!have) break;
            Reader r{body};
            SessionMessage m;
            bool queued = true;
            if (kind == kJoined) {
                m.kind = SessionMessageKind::kPlayerJoined;
                m.player = r.U32();
                m.name = r.Text();
                players.push_back(m.player);
            } else if (kind == kLeft) {
                m.kind = SessionMessageKind::kPlayerLeft;
                m.player = r.U32();
                players.erase(std::remove(players.begin(), players.end(), m.player), players.end());
            } else if (kind == kData) {
                m.kind = SessionMessageKind::kData;
                m.player = r.U32();
                m.bytes = r.Rest();
            } else {
                queued = false;
                if (kind == kPlayer) {
                    Reader p{body};
                    const std::uint32_t result = p.U32();
                    p.U32();
                    const std::uint16_t count = p.U16();
                    if (result == kSessionOk)
                        for (std::uint16_t i = 0; i < count && p.ok; ++i) players.push_back(p.U32());
                }
            }
            if (!r.ok) {
                bad = true;
                break;
            }
            std::function<void()> call;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (queued) {
                    if (m.kind == SessionMessageKind::kPlayerLeft) {
                        auto d = localData.find(m.player);
                        if (d != localData.end()) m.localData = d->second;
                    }
                    inbox.push_back(std::move(m));
                    call = notify;
                } else {
                    answers[kind] = body;
                }
            }
            answered.notify_all();
            if (call) call();
        }
        if (bad) break;
    }
    // The hub is gone (or spoke nonsense): every player this side knew has left, then the
    // session is lost.
    std::function<void()> call;
    {
        std::lock_guard<std::mutex> lock(mutex);
        lost = true;
        for (std::uint32_t p : players) {
            SessionMessage m;
            m.kind = SessionMessageKind::kPlayerLeft;
            m.player = p;
            auto d = localData.find(p);
            if (d != localData.end()) m.localData = d->second;
            inbox.push_back(std::move(m));
        }
        SessionMessage end;
        end.kind = SessionMessageKind::kSessionLost;
        inbox.push_back(std::move(end));
        call = notify;
    }
    answered.notify_all();
    if (call) call();
}

bool SessionClient::Write(const std::string& message) {
    std::lock_guard<std::mutex> lock(writeMutex);
    int s;
    {
        std::lock_guard<std::mutex> l(mutex);
        if (lost) return false;
        s = fd;
    }
    if (s < 0) return false;
    std::size_t done = 0;
    while (done < message.size()) {
        ssize_t n = ::send(s, message.data() + done, message.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

SessionResult SessionClient::Ask(std::uint8_t kind, const std::string& body, std::uint8_t answerKind,
                                 std::string* answer, int timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        answers.erase(answerKind);
    }
    if (!Write(Message(kind, body))) return kSessionNoConnection;
    std::unique_lock<std::mutex> lock(mutex);
    const bool got = answered.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return lost || answers.count(answerKind) != 0; });
    auto it = answers.find(answerKind);
    if (it == answers.end()) return got ? kSessionNoConnection : kSessionNoConnection;
    *answer = it->second;
    answers.erase(it);
    return kSessionOk;
}

SessionResult SessionClient::EnumSessions(const SessionGuid& application, const std::string& password,
                                          std::vector<SessionDesc>* found, int timeoutMs) {
    std::string body;
    PutGuid(body, application);
    PutText(body, password);
    std::string answer;
    SessionResult r = Ask(kEnum, body, kSessions, &answer, timeoutMs);
    if (r != kSessionOk) return r;
    Reader in{answer};
    const std::uint16_t n = in.U16();
    found->clear();
    for (std::uint16_t i = 0; i < n && in.ok; ++i) {
        SessionDesc d;
        d.application = application;
        d.instance = in.Guid();
        d.name = in.Text();
        d.currentPlayers = in.U16();
        d.maxPlayers = in.U16();
        if (in.ok) found->push_back(d);
    }
    return in.ok ? kSessionOk : kSessionGeneric;
}

SessionResult SessionClient::Create(const SessionDesc& desc, SessionGuid* instance, int timeoutMs) {
    std::string body;
    PutGuid(body, desc.application);
    PutText(body, desc.name);
    PutText(body, desc.password);
    PutU16(body, desc.maxPlayers);
    std::string answer;
    SessionResult r = Ask(kCreate, body, kOpened, &answer, timeoutMs);
    if (r != kSessionOk) return r;
    Reader in{answer};
    r = static_cast<SessionResult>(in.U32());
    *instance = in.Guid();
    return in.ok ? r : kSessionGeneric;
}

SessionResult SessionClient::Join(const SessionGuid& application, const SessionGuid& instance,
                                  const std::string& password, int timeoutMs) {
    std::string body;
    PutGuid(body, application);
    PutGuid(body, instance);
    PutText(body, password);
    std::string answer;
    SessionResult r = Ask(kJoin, body, kOpened, &answer, timeoutMs);
    if (r != kSessionOk) return r;
    Reader in{answer};
    r = static_cast<SessionResult>(in.U32());
    return in.ok ? r : kSessionGeneric;
}

SessionResult SessionClient::GetSessionDesc(SessionDesc* desc, int timeoutMs) {
    std::string answer;
    SessionResult r = Ask(kDesc, {}, kDescAnswer, &answer, timeoutMs);
    if (r != kSessionOk) return r;
    Reader in{answer};
    r = static_cast<SessionResult>(in.U32());
    desc->instance = in.Guid();
    desc->name = in.Text();
    desc->currentPlayers = in.U16();
    desc->maxPlayers = in.U16();
    return in.ok ? r : kSessionGeneric;
}

SessionResult SessionClient::CreatePlayer(const std::string& name, std::uint32_t* id, int timeoutMs) {
    std::string body;
    PutText(body, name);
    std::string answer;
    SessionResult r = Ask(kCreatePlayer, body, kPlayer, &answer, timeoutMs);
    if (r != kSessionOk) return r;
    Reader in{answer};
    r = static_cast<SessionResult>(in.U32());
    *id = in.U32();
    return in.ok ? r : kSessionGeneric;
}

SessionResult SessionClient::Send(const char* bytes, std::size_t n) {
    if (n + 1 > kMaxSessionMessage) return kSessionInvalidParams;
    return Write(Message(kSend, std::string(bytes, n))) ? kSessionOk : kSessionNoConnection;
}

SessionResult SessionClient::Receive(SessionMessage* message) {
    std::lock_guard<std::mutex> lock(mutex);
    if (inbox.empty()) return kSessionNoMessages;
    *message = std::move(inbox.front());
    inbox.pop_front();
    return kSessionOk;
}

void SessionClient::SetLocalPlayerData(std::uint32_t player, const std::string& data) {
    std::lock_guard<std::mutex> lock(mutex);
    localData[player] = data;
}

} // namespace platform
