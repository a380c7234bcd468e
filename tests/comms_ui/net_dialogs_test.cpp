// The socket network start: the start dialogs' fields and port, the lobby's record on the wire,
// and the lobby on the server and on a client, driven by the connection events of every machine.
#include "comms/ui/comm_link.h"
#include "comms/ui/net_dialogs.h"
#include "core/message_registry.h"
#include "core/type_info.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include "platform/timer.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;
using commsuitest::Recorder;

std::vector<std::string> Names(const List<std::string>& l) {
    std::vector<std::string> v;
    for (Item<std::string>* i = l.Head(); i; i = i->next) v.push_back(i->value);
    return v;
}

std::vector<std::uint32_t> Ids(const List<std::uint32_t>& l) {
    std::vector<std::uint32_t> v;
    for (Item<std::uint32_t>* i = l.Head(); i; i = i->next) v.push_back(i->value);
    return v;
}

// Runs a step from the dialog's own loop, after the script that opened the dialog has returned
// (a lobby closed while it is still being shown would never have run).
std::function<void()> g_later;
void LaterProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::function<void()> step;
    step.swap(g_later);
    if (step) step();
}
void Later(std::function<void()> step) {
    g_later = std::move(step);
    SetTimer(nullptr, 0, 10, &LaterProc);
}

TEST(ConnectionEventRecord, WireFormIsKindTextValueAndUnknownKindsBecomeUnset) {
    SuperString s;
    s << ConnectionEvent(ConnectionEvent::kChat, "Ada: hi", 0x01020304u);
    const std::vector<std::uint8_t> expected = {3, 0, 0, 0, 7, 0, 'A', 'd', 'a', ':', ' ', 'h', 'i', 4, 3, 2, 1};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.Length()));
    ASSERT_TRUE(s.Read(bytes.data(), s.Length()));
    EXPECT_EQ(bytes, expected);

    const struct {
        std::int32_t kind;
        std::int32_t read;
    } kinds[] = {{0, 0}, {6, 6}, {7, -1}, {-1, -1}, {-5, -1}, {1000, -1}};
    for (const auto& k : kinds) {
        SuperString t;
        t << ConnectionEvent(k.kind, "x", 9);
        ConnectionEvent back;
        t >> back;
        EXPECT_FALSE(t.Failed()) << k.kind;
        EXPECT_EQ(back, ConnectionEvent(k.read, "x", 9)) << k.kind;
    }
    SuperString cut;
    cut << 3 << std::string("Ada");
    ConnectionEvent partial;
    cut >> partial;
    EXPECT_TRUE(cut.Failed());

    RegisterConnectionEventType();
    EXPECT_NE(FindTypeInfo("ConnectionEvent"), nullptr);
}

TEST(StartNetPort, DecimalPrefixWithBlanksAndSign) {
    const struct {
        const char* text;
        std::int32_t port;
    } cases[] = {
        {"5000", 5000}, {"50a0", 50}, {"", 0}, {"abc", 0}, {"   42", 42}, {"+7", 7}, {"-12x", -12},
        {"- 3", 0}, {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(StartNetDlg::ParsePort(c.text), c.port) << c.text;
}

class NetDialogs : public NetDialogTest {
protected:
    void SetUp() override {
        NetDialogTest::SetUp();
        recorder.AttachToBus(app.get());
    }
    void TearDown() override {
        recorder.DetachFromBus();
        NetDialogTest::TearDown();
    }
    void Event(std::int32_t kind, const std::string& text, std::uint32_t value) {
        Container<ConnectionEvent> e(ConnectionEvent(kind, text, value));
        recorder.PostNamed("ConnectionEvent", &e);
    }
    void Opened(const std::string& name, std::int32_t id) {
        Container<ConnectionInfo> info(ConnectionInfo{name, id});
        recorder.Post(BusMessage(CONNECTION_OPENED), &info);
    }
    void Closed(std::int32_t id) {
        Container<ConnectionInfo> info(ConnectionInfo{"", id});
        recorder.Post(BusMessage(CONNECTION_CLOSED), &info);
    }
    std::vector<ConnectionEvent> TakeEvents() {
        std::vector<ConnectionEvent> e;
        e.swap(recorder.events);
        return e;
    }
    static void Select(HWND d, int row) {
        SendDlgItemMessageA(d, ConnectNetDlg::kPlayers, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        Command(d, ConnectNetDlg::kPlayers, LBN_SELCHANGE);
    }

    Recorder recorder;
};

TEST_F(NetDialogs, StartDialogsReadNameServerAndPort) {
    const struct {
        const char* templ;
        std::string name;
        const char* server;
        const char* port;  // null: left as shown
        int press;
        std::int16_t result;
        std::string wantName, wantServer;
        std::int32_t wantPort;
    } cases[] = {
        {"StartServer", "Ada Marsh", nullptr, nullptr, IDOK, 1, "Ada Marsh", "", 5000},
        {"StartClient", "Bea Thorn", "north.example", "50a0", IDOK, 1, "Bea Thorn", "north.example", 50},
        {"StartClient", std::string(60, 'n'), "s", "", IDOK, 1, std::string(48, 'n'), "s", 0},
        {"StartClient", "Bea", "s", "7", IDCANCEL, 0, "", "", 0},
    };
    for (const auto& c : cases) {
        StartNetDlg dlg;
        std::string shownPort;
        const std::string& name = c.name;
        platform::QueueDialogScript([&](HWND d) {
            shownPort = Text(d, 103);
            SetDlgItemTextA(d, 101, name.c_str());
            if (c.server) SetDlgItemTextA(d, 102, c.server);
            if (c.port) SetDlgItemTextA(d, 103, c.port);
            platform::ClickDlgItem(d, c.press);
        });
        EXPECT_EQ(dlg.Execute(c.templ, Dialog::kModal), c.result) << c.templ;
        EXPECT_EQ(shownPort, "5000") << c.templ;
        EXPECT_EQ(dlg.GetName(), c.wantName) << c.templ;
        EXPECT_EQ(dlg.GetServerName(), c.wantServer) << c.templ;
        EXPECT_EQ(dlg.GetPort(), c.wantPort) << c.templ;
    }
}

TEST_F(NetDialogs, ServerLobbyAnnouncesPlayersAndStartsWithTwo) {
    ConnectNetDlg dlg(1, "Ada", 1);
    dlg.AttachToBus(app.get());
    platform::QueueDialogScript([&](HWND d) {
        EXPECT_EQ(Rows(d, ConnectNetDlg::kPlayers), std::vector<std::string>{"Ada"});
        EXPECT_EQ(dlg.GetItemText(ConnectNetDlg::kServerName), "Ada");
        EXPECT_EQ(dlg.GetItemText(ConnectNetDlg::kOwnName), "Ada");
        EXPECT_FALSE(Enabled(d, IDOK));
        // Alone, even with a scenario, the server cannot start.
        Command(d, ConnectNetDlg::kChoose);
        EXPECT_FALSE(Enabled(d, IDOK));
        Command(d, IDOK);
        EXPECT_TRUE(dlg.IsRunning());

        Opened("Bea", 2);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{4, "Ada", 0}, {0, "Ada", 1}, {0, "Bea", 2}}));
        EXPECT_EQ(Rows(d, ConnectNetDlg::kPlayers), (std::vector<std::string>{"Ada", "Bea"}));
        EXPECT_TRUE(Enabled(d, IDOK));

        // The same name again is turned away; the server's own lobby ignores the rejection.
        Opened("Bea", 3);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{
                                    {2, "The name 'Bea' is already being used in this game. You cannot join.", 3}}));
        // A name that differs in case passes the check but the list sees it as there already.
        Opened("bea", 4);
        EXPECT_EQ(TakeEvents().size(), 4u);
        EXPECT_EQ(Rows(d, ConnectNetDlg::kPlayers).size(), 2u);

        Closed(2);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{1, "Bea", 2}}));
        EXPECT_FALSE(Enabled(d, IDOK));
        Closed(99);
        EXPECT_TRUE(TakeEvents().empty());

        // The newcomer learns every remaining player with its own id.
        Opened("Cid", 5);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{4, "Ada", 0}, {0, "Ada", 1}, {0, "Cid", 5}}));
        EXPECT_TRUE(Enabled(d, IDOK));

        Select(d, 1);
        EXPECT_TRUE(Enabled(d, ConnectNetDlg::kReject));
        Select(d, 0);
        EXPECT_FALSE(Enabled(d, ConnectNetDlg::kReject));
        Command(d, ConnectNetDlg::kReject);  // the server's own row: no one to send away
        EXPECT_TRUE(TakeEvents().empty());
        Select(d, 1);
        Command(d, ConnectNetDlg::kReject);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{2, "The server has asked that you leave this game", 5}}));

        Type(d, ConnectNetDlg::kLine, "Ready when you are");
        Command(d, ConnectNetDlg::kSend);
        EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{3, "Ada: Ready when you are", 0}}));
        EXPECT_EQ(Text(d, ConnectNetDlg::kMessages), "Ada: Ready when you are\r\n");
        EXPECT_EQ(Text(d, ConnectNetDlg::kLine), "");
        // The message pane takes no typing.
        Type(d, ConnectNetDlg::kMessages, "x");
        EXPECT_EQ(Text(d, ConnectNetDlg::kMessages), "Ada: Ready when you are\r\n");

        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal), 1);
    EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{6, "ConnectNetDlg", 0}}));
    EXPECT_EQ(Names(dlg.GetPlayerNames()), (std::vector<std::string>{"Ada", "Cid"}));
    EXPECT_EQ(Ids(dlg.GetPlayerIds()), (std::vector<std::uint32_t>{1, 5}));
    EXPECT_EQ(dlg.GetServerName(), "Ada");
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(NetDialogs, ServerCancelTellsThePlayersAndClosesTheConnection) {
    ConnectNetDlg dlg(1, "Ada", 1);
    dlg.AttachToBus(app.get());
    platform::QueueDialogScript([&](HWND d) {
        Opened("Bea", 2);
        TakeEvents();
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal), 0);
    EXPECT_EQ(TakeEvents(), (std::vector<ConnectionEvent>{{5, "", 0}}));
    EXPECT_EQ(recorder.numbered, std::vector<int>{CLOSE_CONNECTION});
    // Closed: leaving players are no longer announced, and events no longer reach the lobby.
    Closed(2);
    EXPECT_TRUE(TakeEvents().empty());
    Event(ConnectionEvent::kLoggedOn, "Cid", 5);
    EXPECT_EQ(Names(dlg.GetPlayerNames()), (std::vector<std::string>{"Ada", "Bea"}));
}

TEST_F(NetDialogs, ClientLobbyEndsAsTheServerSays) {
    const struct {
        const char* what;
        ConnectionEvent last;  // kind -1: the client's own Cancel
        std::int16_t result;
        bool closesConnection;
        std::string boxCaption, boxText;
    } cases[] = {
        {"game starts", {6, "ConnectNetDlg", 0}, 1, false, "", ""},
        {"odd close text", {6, "Lobby", 0}, 1, false, "Bea", "Bad dialog-close message received."},
        {"server left", {5, "", 0}, 0, true, "Network Communications", "The server has left the game."},
        {"rejected", {2, "The server has asked that you leave this game", 2}, 0, true, "Network Communications",
         "The server has asked that you leave this game"},
        {"own cancel", {-1, "", 0}, 0, false, "", ""},
    };
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        recorder.numbered.clear();
        ConnectNetDlg dlg(0, "Bea", 2);
        dlg.AttachToBus(app.get());
        platform::QueueDialogScript([&](HWND d) {
            EXPECT_FALSE(Enabled(d, ConnectNetDlg::kReject)) << c.what;
            EXPECT_FALSE(Enabled(d, ConnectNetDlg::kChoose)) << c.what;
            EXPECT_TRUE(Rows(d, ConnectNetDlg::kPlayers).empty()) << c.what;
            Event(4, "Ada", 0);
            Event(0, "Ada", 1);
            Event(0, "Bea", 2);
            Event(0, "Bea", 2);  // known already
            EXPECT_EQ(Rows(d, ConnectNetDlg::kPlayers), (std::vector<std::string>{"Ada", "Bea"})) << c.what;
            EXPECT_EQ(dlg.GetItemText(ConnectNetDlg::kServerName), "Ada") << c.what;
            // A client cannot start the game, not even by Enter.
            Command(d, IDOK);
            EXPECT_TRUE(dlg.IsRunning()) << c.what;
            // Another player's rejection and the server's own departure notice pass by.
            Event(2, "go", 7);
            EXPECT_TRUE(dlg.IsRunning()) << c.what;
            if (c.last.kind == -1)
                platform::ClickDlgItem(d, IDCANCEL);
            else
                Later([&] { Event(c.last.kind, c.last.text, c.last.value); });
        });
        EXPECT_EQ(dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal), c.result) << c.what;
        EXPECT_EQ(recorder.numbered, c.closesConnection ? std::vector<int>{CLOSE_CONNECTION} : std::vector<int>{}) << c.what;
        if (c.boxText.empty()) {
            EXPECT_EQ(platform::ShownMessageBoxCount(), 0u) << c.what;
        } else {
            ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.what;
            EXPECT_EQ(platform::ShownMessageBox(0).caption, c.boxCaption) << c.what;
            EXPECT_EQ(platform::ShownMessageBox(0).text, c.boxText) << c.what;
            EXPECT_EQ(platform::ShownMessageBox(0).type & MB_ICONINFORMATION, static_cast<UINT>(MB_ICONINFORMATION)) << c.what;
        }
        EXPECT_EQ(Names(dlg.GetPlayerNames()), (std::vector<std::string>{"Ada", "Bea"})) << c.what;
        EXPECT_EQ(dlg.GetServerName(), "Ada") << c.what;
        // An event still arriving after the close changes nothing.
        dlg.HandleConnectionEvent("", 0, ConnectionEvent::kServerLeft);
        EXPECT_EQ(dlg.GetResult(), c.result) << c.what;
        TakeEvents();
    }
}

TEST_F(NetDialogs, UnknownKindsAreShownAndTheLobbyStays) {
    ConnectNetDlg dlg(0, "Bea", 2);
    dlg.AttachToBus(app.get());
    bool running = false;
    platform::QueueDialogScript([&](HWND d) {
        Event(9, "strange", 0);
        running = dlg.IsRunning() != 0;
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal), 0);
    EXPECT_TRUE(running);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Bea");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad ConnectionEvent received:strange");
}

} // namespace

namespace {

TEST_F(NetDialogs, APayloadOfTheWrongTypeIsReported) {
    ConnectNetDlg dlg(1, "Ada", 1);
    dlg.AttachToBus(app.get());
    platform::QueueDialogScript([&](HWND d) {
        platform::QueueMessageBoxAnswer(IDNO);  // go on after the report
        Container<short> wrong(1);
        recorder.Post(BusMessage(CONNECTION_OPENED), &wrong);
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("ConnectNetDlg", Dialog::kApplicationModal), 0);
    ASSERT_GE(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in NETDLG2 at line ", 0), 0u);
    EXPECT_EQ(Names(dlg.GetPlayerNames()), std::vector<std::string>{"Ada"});
}

} // namespace
