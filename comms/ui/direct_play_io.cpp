#include "comms/ui/direct_play_io.h"

#include "comms/ui/connection_event.h"
#include "comms/ui/information_dlg.h"
#include "core/application.h"
#include "core/container.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "platform/strings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

std::string Text(int id) {
    char buffer[platform::kMaxStringLength + 1];
    LoadString(nullptr, static_cast<UINT>(id), buffer, sizeof buffer);
    return buffer;
}

void Show(const std::string& text) {
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), Text(201).c_str(), MB_ICONINFORMATION);
}

constexpr int kProviderTitle = 202;
constexpr int kUnavailable = 203;
constexpr int kCreateNewGame = 204;
constexpr int kLocateRemoteGame = 205;
constexpr int kGameTitle = 207;
constexpr int kSessionNameCaption = 208;
constexpr int kSessionNameLabel = 209;
constexpr int kConnectGeneric = 216;
constexpr int kConnectOther = 217;
constexpr int kGameFull = 218;
constexpr int kConnectionLost = 219;
constexpr int kSessionInfoOther = 221;
constexpr int kNoGameFound = 226;
constexpr int kGameInProgress = 232;
constexpr int kSendGeneric = 237;
constexpr int kHostAddressLabel = 4000;
constexpr int kHostNotFound = 4001;
constexpr int kServiceNotListening = 4002;

std::uint16_t SessionPort() {
    if (const char* text = std::getenv("VARNHOLD_SESSION_PORT")) {
        char* end = nullptr;
        const long v = std::strtol(text, &end, 10);
        if (end && *end == '\0' && v > 0 && v <= 0xFFFF) return static_cast<std::uint16_t>(v);
    }
    return platform::kDefaultSessionPort;
}

void PutU16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

} // namespace

const platform::SessionGuid DirectPlayIO::kProviderIpx = {0x00, 0xC4, 0x5B, 0x68, 0x2C, 0x9D, 0xCF, 0x11,
                                                          0xA9, 0xCD, 0x00, 0xAA, 0x00, 0x68, 0x86, 0xE3};
const platform::SessionGuid DirectPlayIO::kProviderTcpIp = {0xE0, 0x5E, 0xE9, 0x36, 0x77, 0x85, 0xCF, 0x11,
                                                            0x96, 0x0C, 0x00, 0x80, 0xC7, 0x53, 0x4E, 0x82};
const platform::SessionGuid DirectPlayIO::kProviderModem = {0x60, 0xA7, 0x7D, 0x44, 0x68, 0xCB, 0xCF, 0x11,
                                                            0x9C, 0x4E, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x5E};

platform::SessionGuid DirectPlayIO::ToGuid(const std::array<std::uint32_t, 4>& g) {
    platform::SessionGuid out{};
    for (int i = 0; i < 16; ++i) out[i] = static_cast<std::uint8_t>((g[i / 4] >> (8 * (i % 4))) & 0xFF);
    return out;
}

DirectPlayIO::DirectPlayIO(const std::array<std::uint32_t, 4>& applicationGuid, const char* playerName,
                           std::uint16_t offerCreate_)
    : WinSerialIO(1, playerName, 0, "DirectPlayIO"), offerCreate(offerCreate_), application(ToGuid(applicationGuid)),
      wakeMessage(RegisterWindowMessage("DPIO Quorren")) {}

DirectPlayIO::~DirectPlayIO() {
    if (connected) Close();
    session.reset();
}

void DirectPlayIO::ShowError(int stringId, std::uint32_t code) const {
    std::string text = Text(stringId);
    const std::size_t at = text.find("%lu");
    if (at != std::string::npos) text.replace(at, 3, std::to_string(code & 0xFFFF));
    Show(text);
}

std::string DirectPlayIO::SavedSessionPassword(const platform::SessionGuid& id) {
    // The session's identity alone: each machine saved the number of players it was waiting for
    // at its own moment (a machine that saved after a player left counts one fewer), and every
    // player of the saved game must find it.
    return platform::SessionGuidText(id);
}

std::int16_t DirectPlayIO::Open() {
    if (session) Close();
    usePassword = 0;
    password.clear();
    for (;;) {
        // The connection type. This program's session service runs over TCP/IP only.
        List<enumeration> providers;
        providers.Append(enumeration("Internet TCP/IP Connection", nullptr));
        EnumDialog providerChoice(providers, Text(kProviderTitle).c_str(), 1);
        if (providerChoice.Execute("EnumDialog", Dialog::kModal) < 0) return 0;
        provider = kProviderTcpIp;
        for (;;) {
            List<enumeration> games;
            static int createTag, locateTag;
            if (offerCreate) games.Append(enumeration(Text(kCreateNewGame), &createTag));
            games.Append(enumeration(Text(kLocateRemoteGame), &locateTag));
            gameChoice = std::make_unique<EnumDialog>(games, Text(kGameTitle).c_str(), 1);
            const std::int16_t picked = gameChoice->Execute("EnumDialog", Dialog::kApplicationModal);
            const std::intptr_t data = gameChoice->GetSelectedData();
            gameChoice.reset();
            if (picked < 0 && data == -1) break; // back to the connection type
            host = data == reinterpret_cast<std::intptr_t>(&createTag) ? 1 : 0;
            if (host) {
                GetStringDialog name(Text(kSessionNameCaption).c_str(), Text(kSessionNameLabel).c_str(),
                                     (connectionName + "'s Game").c_str());
                if (name.Execute("GetString", Dialog::kModal) != 1) continue;
                sessionName = name.GetResult().substr(0, 255);
                if (OpenSession(true)) return StartNotifications();
                return 0;
            }
            if (!SearchSessions()) break;
            const std::int16_t r = OpenSession(false);
            if (r == 1) return StartNotifications();
            if (r < 0) break; // refused silently: back to the connection type
            return 0;
        }
    }
}

// 1 open, 0 failed with a message shown, -1 refused without one.
std::int16_t DirectPlayIO::OpenSession(bool create) {
    if (create) {
        std::string reason;
        const std::uint16_t port = SessionPort();
        const char* local = std::getenv("VARNHOLD_SESSION_LOOPBACK");
        platform::SessionHub* hub = platform::SessionHub::Local(port, &reason, local && *local == '1');
        if (!hub) {
            std::string text = Text(kServiceNotListening);
            const std::size_t at = text.find("%u");
            if (at != std::string::npos) text.replace(at, 2, std::to_string(port));
            Show(text + " " + reason);
            return 0;
        }
        session = std::make_unique<platform::SessionClient>();
        if (session->Connect("127.0.0.1:" + std::to_string(hub->Port())) != platform::kSessionOk) {
            session.reset();
            ShowError(kUnavailable);
            return 0;
        }
        platform::SessionDesc desc;
        desc.application = application;
        desc.name = sessionName;
        desc.password = usePassword ? password : std::string();
        desc.maxPlayers = 15;
        const platform::SessionResult r = session->Create(desc, &instance);
        if (r != platform::kSessionOk) {
            session.reset();
            ShowError(kConnectOther, static_cast<std::uint32_t>(r));
            return 0;
        }
        return 1;
    }
    if (!session) return -1;
    const platform::SessionResult r = session->Join(application, instance, usePassword ? password : std::string());
    if (r == platform::kSessionOk) return 1;
    session.reset();
    if (r == platform::kSessionNoSessions || r == platform::kSessionNoConnection) return -1;
    ShowError(r == platform::kSessionGeneric ? kConnectGeneric : kConnectOther, static_cast<std::uint32_t>(r));
    return 0;
}

std::int16_t DirectPlayIO::SearchSessions() {
    // Where to look: the service's own question, as its address dialog would ask it.
    const char* last = std::getenv("VARNHOLD_SESSION_HOST");
    GetStringDialog where(Text(kLocateRemoteGame).c_str(), Text(kHostAddressLabel).c_str(),
                          last && *last ? last : "localhost");
    if (where.Execute("GetString", Dialog::kModal) != 1) return 0;
    const std::string address = where.GetResult();
    instance = platform::SessionGuid{};
    for (;;) {
        auto client = std::make_unique<platform::SessionClient>();
        const platform::SessionResult c = client->Connect(address, 3000);
        if (c == platform::kSessionHostNotFound) {
            std::string text = Text(kHostNotFound);
            const std::size_t at = text.find("%s");
            if (at != std::string::npos) text.replace(at, 2, address);
            Show(text);
            return 0;
        }
        std::vector<platform::SessionDesc> found;
        if (c == platform::kSessionOk &&
            client->EnumSessions(application, usePassword ? password : std::string(), &found, 3000) ==
                platform::kSessionOk &&
            !found.empty()) {
            // The first session found is the one joined.
            instance = found.front().instance;
            session = std::move(client);
            return 1;
        }
        InformationDlg again(Text(201).c_str(), Text(kNoGameFound).c_str(), 1);
        if (again.Execute("MessageBox", Dialog::kModal) == 0) {
            // Nothing found: the join that follows is refused and the player is taken back.
            return 1;
        }
    }
}

std::int16_t DirectPlayIO::StartNotifications() {
    if (!session) return 0;
    platform::SessionDesc desc;
    const platform::SessionResult d = session->GetSessionDesc(&desc);
    if (d != platform::kSessionOk) {
        ShowError(d == platform::kSessionNoConnection || d == platform::kSessionLost ? kConnectionLost
                                                                                       : kSessionInfoOther,
                  static_cast<std::uint32_t>(d));
        session.reset();
        return 0;
    }
    if (host) instance = desc.instance;
    responsesAwaited = static_cast<std::uint16_t>(desc.currentPlayers + 1);
    HWND window = GetWindow();
    const UINT message = wakeMessage;
    session->SetNotify([window, message] { PostMessage(window, message, 0, 0); });
    std::uint32_t id = 0;
    const platform::SessionResult p = session->CreatePlayer(connectionName, &id);
    if (p != platform::kSessionOk) {
        if (p == platform::kSessionCantAddPlayer) ShowError(kGameFull);
        else if (p == platform::kSessionNoConnection) ShowError(kConnectionLost);
        else ShowError(kConnectOther, static_cast<std::uint32_t>(p));
        session.reset();
        return 0;
    }
    connectionValue = static_cast<std::int32_t>(id);
    MarkOpen();
    return 1;
}

std::int16_t DirectPlayIO::Close() {
    // The reader thread is ended before the window it posts to can go.
    if (session) {
        session->SetNotify(nullptr);
        session->Close();
        session.reset();
    }
    return 1;
}

LRESULT DirectPlayIO::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == wakeMessage) Receive();
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void DirectPlayIO::Receive() {
    std::weak_ptr<bool> alive = Life();
    while (session) {
        platform::SessionMessage m;
        if (session->Receive(&m) != platform::kSessionOk) return;
        switch (m.kind) {
        case platform::SessionMessageKind::kData: {
            if (m.bytes.size() < 4 || m.bytes.compare(0, 4, std::string(4, '\0')) != 0) break;
            AppendReceived(m.bytes.data() + 4, static_cast<std::int32_t>(m.bytes.size() - 4));
            ReceiveFrames(m.bytes.c_str() + 4);
            if (alive.expired()) return;
            break;
        }
        case platform::SessionMessageKind::kPlayerJoined:
            if (closedToNewPlayers) {
                session->SetLocalPlayerData(m.player, "IGNORE");
                if (host) {
                    Container<ConnectionEvent> turnedAway(
                        ConnectionEvent(ConnectionEvent::kRejected, Text(kGameInProgress), m.player));
                    PostNamed("ConnectionEvent", &turnedAway);
                }
            } else {
                ++responsesAwaited;
                if (bus) {
                    Container<ConnectionInfo> info(ConnectionInfo{m.name, static_cast<std::int32_t>(m.player)});
                    Post(CONNECTION_OPENED, &info);
                }
            }
            break;
        case platform::SessionMessageKind::kPlayerLeft:
            if (m.localData == "IGNORE") break;
            if (responsesAwaited > 0) --responsesAwaited;
            if (bus) {
                Container<ConnectionInfo> info(ConnectionInfo{"", static_cast<std::int32_t>(m.player)});
                Post(CONNECTION_CLOSED, &info);
            }
            break;
        case platform::SessionMessageKind::kSessionLost: return;
        }
    }
}

std::int16_t DirectPlayIO::SendBytes(const char* data, std::int32_t length, std::int16_t) {
    if (!session) return 0;
    if (host && responsesAwaited <= 1) return 0;
    std::int16_t result = 0;
    for (std::int32_t at = 0; at < length && session; at += static_cast<std::int32_t>(kPiece)) {
        const std::size_t n = std::min<std::size_t>(kPiece, static_cast<std::size_t>(length - at));
        std::string piece(4, '\0');
        piece.append(data + at, n);
        const platform::SessionResult r = session->Send(piece.data(), piece.size());
        if (r == platform::kSessionOk) {
            result = 1;
        } else if (result == 0) {
            ShowError(kSendGeneric);
        }
    }
    return result;
}

std::int16_t DirectPlayIO::Save(std::string& out) const {
    out.append(reinterpret_cast<const char*>(provider.data()), 16);
    out.append(reinterpret_cast<const char*>(instance.data()), 16);
    PutU16(out, host);
    PutU16(out, responsesAwaited);
    if (host) {
        const std::size_t n = std::min<std::size_t>(sessionName.size(), 255);
        PutU16(out, static_cast<std::uint16_t>(n));
        out.append(sessionName, 0, n);
    }
    return 1;
}

std::int16_t DirectPlayIO::Load(const std::string& bytes, std::size_t at) {
    auto u16 = [&](std::uint16_t& v) {
        if (at > bytes.size() || bytes.size() - at < 2) return false;
        v = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                       (static_cast<unsigned char>(bytes[at + 1]) << 8));
        at += 2;
        return true;
    };
    std::uint16_t savedHost = 0, players = 0;
    if (at > bytes.size() || bytes.size() - at < 32) return 0;
    std::memcpy(provider.data(), bytes.data() + at, 16);
    std::memcpy(instance.data(), bytes.data() + at + 16, 16);
    at += 32;
    if (!u16(savedHost) || !u16(players)) return 0;
    host = savedHost ? 1 : 0;
    responsesAwaited = players;
    if (host) {
        std::uint16_t n = 0;
        if (!u16(n) || n > 255 || bytes.size() - at < n) return 0;
        sessionName.assign(bytes, at, n);
        at += n;
    }
    usePassword = 1;
    password = SavedSessionPassword(instance);
    if (session) Close();
    std::int16_t r;
    if (host) {
        r = OpenSession(true);
    } else {
        if (!SearchSessions()) return 0;
        r = OpenSession(false);
    }
    if (r != 1) {
        if (r < 0) ShowError(kConnectOther, static_cast<std::uint32_t>(platform::kSessionNoSessions));
        return 0;
    }
    return StartNotifications();
}
