// The telnet transport: its walk through what the host sends (table), and a real session with
// the system's plain TCP client (nc) on loopback, text crossing both ways.
#include "comms/win_telnet_io.h"
#include "comms_support.h"


#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace {

// Records what a telnet connection sends instead of sending it.
struct RecordingTelnet : WinTelnetIO {
    std::string sent;
    RecordingTelnet() : WinTelnetIO("127.0.0.1") {}
    std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t) override {
        sent.append(data, static_cast<std::size_t>(length));
        return 1;
    }
};

class TelnetTest : public CommsFixture {
protected:
    bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
        for (int i = 0; i < ms; ++i) {
            if (done()) return true;
            if (!platform::PendingMessageCount()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            app->PumpMessage();
        }
        return done();
    }
};

} // namespace

TEST_F(TelnetTest, CommandsAreRefusedAndTextKept) {
    struct Case {
        const char* in;
        const char* text;
        const char* answer;
        std::int16_t noEcho; // after the walk; starts at 1 here to show who clears it
    };
    const Case cases[] = {
        {"ff fb 01", "", "ff fe 01", 0},             // WILL ECHO: DONT ECHO, local echo on
        {"ff fb 03", "", "ff fe 03", 1},             // WILL 3: DONT 3
        {"ff fd 18", "", "ff fc 18", 1},             // DO 24: WONT 24
        {"ff fd 00", "", "ff fc 00", 1},             // option 0 answered whole
        {"ff fe 05 ff fc 05", "", "", 1},            // DONT and WONT: nothing
        {"ff fc 01", "", "", 0},                     // WONT ECHO clears no-echo
        {"41 42 00 43", "AB", "", 1},                // NUL ends the piece
        {"ff fa 18 01 ff f0 4f 4b", "\x18\x01OK", "", 1}, // subnegotiation reaches the text
        {"61 7f 62 63", "ac", "", 1},                // the delete byte goes with the next
        {"68 69 ff fd", "hi", "", 1},                // a command cut by the piece's end goes
    };
    for (const Case& c : cases) {
        RecordingTelnet t;
        t.SetNoEcho(1);
        const std::string in = Bytes(c.in);
        EXPECT_EQ(t.Walk(in.data(), in.size()), std::string(c.text)) << c.in;
        EXPECT_EQ(Hex(t.sent), c.answer) << c.in;
        EXPECT_EQ(t.NoEcho(), c.noEcho) << c.in;
    }
    RecordingTelnet fresh;
    EXPECT_EQ(fresh.NoEcho(), 0) << "local echo until the host echoes";
}

TEST_F(TelnetTest, LinesCrossBothWaysWithThePlainClient) {
    if (std::system("command -v nc >/dev/null 2>&1") != 0) GTEST_SKIP() << "nc is not installed";
    // A port the system has just given out, then freed for nc.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr("127.0.0.1");
    ASSERT_EQ(bind(probe, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
    int len = sizeof at;
    getsockname(probe, reinterpret_cast<sockaddr*>(&at), &len);
    const std::uint16_t port = ntohs(at.sin_port);
    closesocket(probe);
    WSACleanup();

    const std::string out = ::testing::TempDir() + "telnet_nc_out.bin";
    std::remove(out.c_str());
    // nc serves one connection: it sends WILL ECHO, DO 24 and two lines, then keeps the link
    // for a bounded time and writes what it received.
    const std::string command = "(printf '\\377\\373\\001\\377\\375\\030Welcome\\r\\nlogin: '; sleep 3) | "
                                "timeout 10 nc -l 127.0.0.1 " + std::to_string(port) + " > " + out + " &";
    ASSERT_EQ(std::system(command.c_str()), 0);

    Recorder rec;
    rec.AttachToBus(app.get());
    rec.Listen(STRING_IN);
    WinTelnetIO link("127.0.0.1", port);
    link.AttachToBus(app.get());
    bool open = false;
    for (int i = 0; i < 50 && !open; ++i) {
        open = link.Open() == 1;
        if (!open) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    platform::ClearShownMessageBoxes();
    ASSERT_TRUE(open);
    ASSERT_TRUE(PumpUntil([&] {
        std::string all;
        for (auto& s : rec.seen) all += s.payload;
        return all == "Welcome\r\nlogin: ";
    }));
    EXPECT_NE(link.ReceiveBuffer().Length(), 0);
    EXPECT_EQ(link.NoEcho(), 0);
    ASSERT_EQ(link.SendString("player one\r\n", 0), 1);
    link.Close();
    std::string got;
    ASSERT_TRUE(PumpUntil([&] {
        std::ifstream f(out, std::ios::binary);
        got.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        return got.find("player one\r\n") != std::string::npos;
    }, 8000));
    // The answers went first: DONT ECHO, WONT 24.
    EXPECT_EQ(Hex(got.substr(0, 6)), "ff fe 01 ff fc 18");
    EXPECT_EQ(got.substr(6), "player one\r\n");
    EXPECT_TRUE(Boxes().empty());
    rec.DetachFromBus();
}
