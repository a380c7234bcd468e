// The platform's sockets: start-up, addresses, and the notifications the message pump posts for
// watched sockets, which the transports rely on (one FD_READ until recv, FD_CLOSE once after
// the last byte, FD_ACCEPT until accept, FD_CONNECT for a connect made while watched).
#include "comms_support.h"

#include "platform/socket.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

LRESULT Quiet(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(hwnd, message, wParam, lParam); }

struct Note {
    SOCKET s;
    int event;
    int error;
    bool operator==(const Note&) const = default;
};

class SocketLayer : public CommsFixture {
protected:
    void SetUp() override {
        CommsFixture::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Quiet;
        wc.lpszClassName = "SocketProbe";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "SocketProbe", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = inet_addr("127.0.0.1");
        ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
        ASSERT_EQ(listen(listener, 5), 0);
        int n = sizeof address;
        ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &n), 0);
    }
    void TearDown() override {
        for (SOCKET s : {listener, client, server})
            if (s != INVALID_SOCKET) closesocket(s);
        WSACleanup();
        CommsFixture::TearDown();
    }
    // Lets the pump look at the sockets a few times and takes every notification posted.
    std::vector<Note> Notes(int looks = 20) {
        std::vector<Note> out;
        MSG msg;
        for (int i = 0; i < looks; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            while (PeekMessage(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE))
                out.push_back(Note{static_cast<SOCKET>(msg.wParam), WSAGETSELECTEVENT(msg.lParam), WSAGETSELECTERROR(msg.lParam)});
        }
        return out;
    }
    void ConnectPair() {
        client = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        server = accept(listener, nullptr, nullptr);
        ASSERT_NE(server, INVALID_SOCKET);
    }

    HWND window = nullptr;
    SOCKET listener = INVALID_SOCKET, client = INVALID_SOCKET, server = INVALID_SOCKET;
    sockaddr_in address{};
};

TEST_F(SocketLayer, ReadIsNotifiedOnceUntilRecvAndCloseOnceAfterTheLastByte) {
    ConnectPair();
    ASSERT_EQ(WSAAsyncSelect(server, window, WM_USER, FD_READ | FD_CLOSE), 0);
    EXPECT_TRUE(Notes().empty());
    ASSERT_EQ(send(client, "abc", 3, 0), 3);
    ASSERT_EQ(send(client, "def", 3, 0), 3);
    EXPECT_EQ(Notes(), (std::vector<Note>{{server, FD_READ, 0}}));
    char buffer[16];
    EXPECT_EQ(recv(server, buffer, 2, 0), 2);
    // Bytes are left: the recv has asked for the next notice.
    EXPECT_EQ(Notes(), (std::vector<Note>{{server, FD_READ, 0}}));
    // The peer goes; nothing about it until the last byte has been read, then once.
    closesocket(client);
    client = INVALID_SOCKET;
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(Notes(), (std::vector<Note>{{server, FD_CLOSE, 0}}));
    EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 0);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(SocketLayer, AWatchedSocketNoLongerBlocks) {
    ConnectPair();
    ASSERT_EQ(WSAAsyncSelect(server, window, WM_USER, FD_READ), 0);
    char buffer[4];
    EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

TEST_F(SocketLayer, AcceptIsNotifiedUntilTheConnectionIsTaken) {
    ASSERT_EQ(WSAAsyncSelect(listener, window, WM_USER, FD_ACCEPT), 0);
    client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Notes(), (std::vector<Note>{{listener, FD_ACCEPT, 0}}));
    server = accept(listener, nullptr, nullptr);
    EXPECT_NE(server, INVALID_SOCKET);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(SocketLayer, AConnectMadeWhileWatchedEndsInOneNotice) {
    client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(WSAAsyncSelect(client, window, WM_USER, FD_CONNECT | FD_WRITE), 0);
    int r = connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (r != 0) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    std::vector<Note> notes = Notes();
    ASSERT_FALSE(notes.empty());
    if (r != 0) {
        EXPECT_EQ(notes[0], (Note{client, FD_CONNECT, 0}));
    }
    EXPECT_EQ(notes.back(), (Note{client, FD_WRITE, 0}));
    EXPECT_TRUE(Notes().empty());
}

TEST_F(SocketLayer, StartUpIsCountedAndOldVersionsAreRefused) {
    const int before = platform::SocketStartCount();
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(platform::SocketStartCount(), before);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_STRNE(data.szDescription, "");
    EXPECT_EQ(platform::SocketStartCount(), before + 1);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(platform::SocketStartCount(), before);
}

TEST_F(SocketLayer, AddressesAndErrors) {
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(0x7F000001u));
    EXPECT_EQ(inet_addr("not an address"), INADDR_NONE);
    EXPECT_EQ(htons(0x1234), ntohs(0x1234));
    hostent* h = gethostbyname("127.0.0.1");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_length, 4);
    std::uint32_t first;
    std::memcpy(&first, h->h_addr_list[0], 4);
    EXPECT_EQ(first, inet_addr("127.0.0.1"));
    EXPECT_EQ(send(static_cast<SOCKET>(999999), "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(socket(AF_INET + 1, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    char name[64];
    EXPECT_EQ(gethostname(name, sizeof name), 0);
    EXPECT_GT(std::strlen(name), 0u);
}

} // namespace
