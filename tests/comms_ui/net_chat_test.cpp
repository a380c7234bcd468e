// The chat window: its record on the wire, lines shown with their sender's format and only to
// their recipients, lines sent to the current group, the groups kept by the player list, and the
// window's pop-up and menu item.
#include "comms/ui/net_chat.h"
#include "core/type_info.h"
#include "platform/richedit.h"
#include "ui/dialog_controls.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;

std::vector<std::uint8_t> Bytes(SuperString& s) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s.Length()));
    EXPECT_TRUE(s.Read(bytes.data(), s.Length()));
    return bytes;
}

TEST(ChatRecords, ChatMsgWireFormRoundTripsByteExact) {
    ChatMsg m("Ada", "hi");
    m.recipients << std::string("Bo") << std::string("");
    SuperString s;
    s << m;
    const std::vector<std::uint8_t> expected = {3, 0, 'A', 'd', 'a', 2, 0, 'h', 'i', 2, 0, 2, 0, 'B', 'o', 0, 0};
    const std::vector<std::uint8_t> bytes = Bytes(s);
    EXPECT_EQ(bytes, expected);

    SuperString t;
    t.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    ChatMsg back;
    t >> back;
    EXPECT_FALSE(t.Failed());
    EXPECT_EQ(back, m);
    EXPECT_EQ(t.Remaining(), 0);

    RegisterChatTypes();
    EXPECT_NE(FindTypeInfo("ChatMsg"), nullptr);
    EXPECT_NE(FindTypeInfo("PlyrInfo"), nullptr);
}

TEST(ChatRecords, DamagedChatMsgIsRefusedAndLeavesTheRecord) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"cut in the text", {3, 0, 'A', 'd', 'a', 5, 0, 'h'}},
        {"no count", {1, 0, 'A', 0, 0}},
        {"count beyond the bytes", {1, 0, 'A', 0, 0, 0xFF, 0xFF, 0, 0}},
        {"second name missing", {1, 0, 'A', 0, 0, 2, 0, 1, 0, 'B'}},
        {"name runs past the end", {1, 0, 'A', 0, 0, 1, 0, 9, 0, 'B'}},
    };
    for (const auto& c : cases) {
        SuperString s;
        s.Write(c.bytes.data(), static_cast<std::int32_t>(c.bytes.size()));
        ChatMsg kept("keep", "me");
        s >> kept;
        EXPECT_TRUE(s.Failed()) << c.what;
        EXPECT_EQ(kept, ChatMsg("keep", "me")) << c.what;
    }
}

TEST(ChatRecords, MoreRecipientsThanTheCountHoldsAreNotWritten) {
    ChatMsg m("Ada", "all");
    for (int i = 0; i < 65536; ++i) m.recipients << std::string("x");
    SuperString s;
    s << m;
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(s.Length(), 0);
}

TEST(ChatRecords, PlyrInfoRoundTripsAndRefusesShortInput) {
    const PlyrInfo info("Ada", "Ada (Corwin) ", 1, 0, 1);
    SuperString s;
    s << info;
    const std::vector<std::uint8_t> bytes = Bytes(s);
    const std::vector<std::uint8_t> expected = {3, 0, 'A', 'd', 'a', 13, 0, 'A', 'd', 'a', ' ', '(', 'C', 'o', 'r', 'w',
                                                'i', 'n', ')', ' ', 1, 0, 0, 0, 1, 0};
    EXPECT_EQ(bytes, expected);
    SuperString t;
    t.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    PlyrInfo back;
    t >> back;
    EXPECT_EQ(back, info);

    SuperString cut;
    cut.Write(bytes.data(), static_cast<std::int32_t>(bytes.size() - 1));
    PlyrInfo kept("k", "l", 0, 0, 0);
    cut >> kept;
    EXPECT_TRUE(cut.Failed());
    EXPECT_EQ(kept, PlyrInfo("k", "l", 0, 0, 0));
}

// Collects what reaches the bus under "ChatMessage" and the menu events.
class ChatRecorder : public Component {
public:
    ChatRecorder() : Component("ChatRecorder") {}
    void Connect() override {
        RegisterNamedHandler("ChatMessage", &ChatRecorder::OnChat);
        for (int e : {ENABLE_MENU_ITEM, DISABLE_MENU_ITEM, CHECK_MENU_ITEM, UNCHECK_MENU_ITEM})
            RegisterHandler(BusMessage(e), &ChatRecorder::OnMenu);
    }
    std::vector<ChatMsg> sent;
    std::vector<int> menu;

private:
    static ContainerBase* OnChat(Component* c, BusMessage, ContainerBase* p) {
        if (const ChatMsg* m = PayloadValue<ChatMsg>(p)) static_cast<ChatRecorder*>(c)->sent.push_back(*m);
        return nullptr;
    }
    static ContainerBase* OnMenu(Component* c, BusMessage e, ContainerBase* p) {
        const BusMessage* item = PayloadValue<BusMessage>(p);
        if (item && item->Number() == VhNetChat::kShowChatItem) static_cast<ChatRecorder*>(c)->menu.push_back(e.Number());
        return nullptr;
    }
};

class ChatWindow : public NetDialogTest {
protected:
    void SetUp() override {
        NetDialogTest::SetUp();
        RegisterChatTypes();
        recorder.AttachToBus(app.get());
        chat = std::make_unique<VhNetChat>("Ada", 0, 1);
        chat->AttachToBus(app.get());
        const char* names[] = {"Ada", "Bea", "Cal"};
        for (std::int16_t i = 0; i < 3; ++i) {
            chat->SetPlayerName(i, names[i]);
            chat->SetPlayerLabel(i, names[i]);
            chat->SetPlayerColour(i, -1);
        }
        ASSERT_EQ(chat->Execute("NetChat", Dialog::kModeless), 0);
        ASSERT_TRUE(chat->IsRunning());
        d = chat->GetHandle();
        Drain();
        recorder.menu.clear();
    }
    void TearDown() override {
        if (chat->IsRunning()) chat->Close(0);
        Drain();
        chat->DetachFromBus();
        chat.reset();
        recorder.DetachFromBus();
        NetDialogTest::TearDown();
    }
    void Arrive(const std::string& sender, const std::string& text, std::vector<std::string> to) {
        ChatMsg m(sender, text);
        for (auto& n : to) m.recipients << n;
        Container<ChatMsg> payload(m);
        recorder.PostNamed("ChatMessage", &payload);
        Drain();
    }
    void Info(const std::string& name, std::uint16_t same, std::uint16_t other) {
        Container<PlyrInfo> payload(PlyrInfo(name, name + " (X) ", same, other, 1));
        recorder.PostNamed("SetPlayerInfo", &payload);
        Drain();
    }
    std::string PaneText() const {
        std::string all;
        for (const auto& run : platform::RichEditRuns(chat->GetPane())) all += run.text;
        return all;
    }
    void SelectRows(const std::vector<std::string>& labels) {
        HWND list = GetDlgItem(d, NetChat::kPlayers);
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        for (const auto& l : labels) {
            const LRESULT row = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(l.c_str()));
            ASSERT_NE(row, LB_ERR) << l;
            SendMessageA(list, LB_SETSEL, TRUE, row);
        }
        Command(d, NetChat::kPlayers, LBN_SELCHANGE);
    }
    std::vector<std::string> SelectedRows() {
        std::vector<std::string> rows;
        const std::vector<std::string> all = Rows(d, NetChat::kPlayers);
        for (std::size_t r = 0; r < all.size(); ++r)
            if (SendDlgItemMessageA(d, NetChat::kPlayers, LB_GETSEL, r, 0) > 0) rows.push_back(all[r]);
        return rows;
    }
    void Group(int radio) {
        ASSERT_NE(chat->GetGroupRadio(), nullptr);
        chat->GetGroupRadio()->SetValue(static_cast<std::int16_t>(radio == NetChat::kFriendly ? 0 : radio == NetChat::kHostile ? 1 : 2));
        Command(d, radio, BN_CLICKED);
    }

    ChatRecorder recorder;
    std::unique_ptr<VhNetChat> chat;
    HWND d = nullptr;
};

TEST_F(ChatWindow, SendingPostsTheLineToTheCurrentGroupAndShowsItToTheSenderOnly) {
    SelectRows({"Bea", "Cal"});
    Type(d, NetChat::kLine, "Hold the ridge");
    Command(d, NetChat::kSend);
    Drain();
    ASSERT_EQ(recorder.sent.size(), 1u);
    EXPECT_EQ(recorder.sent[0].sender, "Ada");
    EXPECT_EQ(recorder.sent[0].text, "Hold the ridge");
    std::vector<std::string> to;
    for (Item<std::string>* i = recorder.sent[0].recipients.Head(); i; i = i->next) to.push_back(i->value);
    EXPECT_EQ(to, (std::vector<std::string>{"Bea", "Cal"}));
    EXPECT_EQ(Text(d, NetChat::kLine), "");
    EXPECT_EQ(PaneText(), " Ada: Hold the ridge\r\n");

    // An empty group sends to no one, and the line is still shown to its sender.
    SelectRows({});
    Command(d, NetChat::kSend);
    Drain();
    ASSERT_EQ(recorder.sent.size(), 2u);
    EXPECT_TRUE(recorder.sent[1].recipients.IsEmpty());
    EXPECT_EQ(PaneText(), " Ada: Hold the ridge\r\n Ada: \r\n");
}

TEST_F(ChatWindow, IncomingLinesShowOnlyWhenAddressedAndInTheSendersColour) {
    Arrive("Bea", "not for you", {"Cal"});
    EXPECT_EQ(PaneText(), "");
    Arrive("Bea", "early", {"Ada"});  // before the leader choice: black
    chat->SetLocalIsHome(1);
    Info("Bea", 0, 1);                // other side of a home player: visiting nation 1, grey
    Info("Cal", 1, 0);                // same side: home nation 0, blue
    Arrive("Bea", "late", {"Cal", "Ada"});
    Arrive("Cal", "too", {"Ada"});

    const std::vector<platform::RichEditRun> runs = platform::RichEditRuns(chat->GetPane());
    const struct {
        const char* text;
        COLORREF colour;
    } want[] = {{" Bea: ", RGB(0, 0, 0)}, {"early\r\n", RGB(0, 0, 0)}, {" Bea: ", RGB(128, 128, 128)},
                {"late\r\n", RGB(0, 0, 0)}, {" Cal: ", RGB(0, 0, 255)}, {"too\r\n", RGB(0, 0, 0)}};
    std::string all;
    for (const auto& r : runs) all += r.text;
    EXPECT_EQ(all, " Bea: early\r\n Bea: late\r\n Cal: too\r\n");
    // Runs of equal format may merge; look up each piece's format by position instead.
    std::size_t at = 0;
    for (const auto& w : want) {
        std::size_t pos = 0;
        const platform::RichEditRun* found = nullptr;
        for (const auto& r : runs) {
            if (at >= pos && at < pos + r.text.size()) found = &r;
            pos += r.text.size();
        }
        ASSERT_NE(found, nullptr) << w.text;
        EXPECT_EQ(found->format.face, "Arial") << w.text;
        EXPECT_EQ(found->format.height, 175) << w.text;
        EXPECT_TRUE(found->format.bold) << w.text;
        EXPECT_FALSE(found->format.autoColour) << w.text;
        EXPECT_EQ(found->format.colour, w.colour) << w.text;
        at += std::string(w.text).size();
    }
    EXPECT_TRUE(platform::RichEditCheck(chat->GetPane()));
}

TEST_F(ChatWindow, GroupsFollowTheListAndTheLeaderChoice) {
    Group(NetChat::kHostile);
    SelectRows({"Cal"});
    Group(NetChat::kFriendly);
    EXPECT_TRUE(SelectedRows().empty());
    SelectRows({"Bea"});
    Group(NetChat::kHostile);
    EXPECT_EQ(SelectedRows(), std::vector<std::string>{"Cal"});
    Group(NetChat::kFriendly);
    EXPECT_EQ(SelectedRows(), std::vector<std::string>{"Bea"});

    // The leader choice empties the groups, relabels the rows and puts everyone in Custom.
    Container<short> home(1);
    recorder.PostNamed("LocalIsHome", &home);
    Drain();
    EXPECT_TRUE(SelectedRows().empty());
    Info("Ada", 1, 0);
    Info("Bea", 0, 1);
    EXPECT_EQ(Rows(d, NetChat::kPlayers), (std::vector<std::string>{"Ada (X) ", "Bea (X) ", "Cal"}));
    EXPECT_EQ(SelectedRows(), std::vector<std::string>{"Ada (X) "});
    Group(NetChat::kCustom);
    EXPECT_EQ(SelectedRows(), (std::vector<std::string>{"Ada (X) ", "Bea (X) "}));
    Info("Nobody", 1, 1);  // not in the table: ignored
    EXPECT_EQ(Rows(d, NetChat::kPlayers).size(), 3u);

    Container<std::string> gone(std::string("Bea"));
    recorder.PostNamed("PlayerDeleted", &gone);
    Drain();
    EXPECT_EQ(Rows(d, NetChat::kPlayers), (std::vector<std::string>{"Ada (X) ", "Cal"}));
    EXPECT_EQ(chat->GroupMembers(2), std::vector<std::int32_t>{0});
}

TEST_F(ChatWindow, CloseBoxHidesNotifyPopsUpAndCloseDisablesTheMenuItem) {
    SendMessageA(d, WM_CLOSE, 0, 0);
    Drain();
    EXPECT_TRUE(chat->IsRunning());
    EXPECT_EQ(chat->IsShown(), 0);
    EXPECT_FALSE(IsWindowVisible(d));
    EXPECT_EQ(recorder.menu, std::vector<int>{UNCHECK_MENU_ITEM});

    Arrive("Bea", "anyone?", {"Ada"});
    EXPECT_EQ(chat->IsShown(), 1);
    EXPECT_TRUE(IsWindowVisible(d));

    Command(d, VhNetChat::kNotify);  // notify off
    recorder.PostNamedEvent("WindowShowChat");
    Drain();
    EXPECT_EQ(chat->IsShown(), 0);
    Arrive("Bea", "hello?", {"Ada"});
    EXPECT_EQ(chat->IsShown(), 0);
    EXPECT_FALSE(IsWindowVisible(d));

    recorder.menu.clear();
    chat->Close(0);
    Drain();
    EXPECT_EQ(recorder.menu, (std::vector<int>{DISABLE_MENU_ITEM, UNCHECK_MENU_ITEM}));
    Arrive("Bea", "after the game", {"Ada"});  // the window is gone: nothing to show it in
    EXPECT_EQ(chat->GetPane(), nullptr);
}

TEST_F(ChatWindow, FullPaneDropsWholeOldestLines) {
    const std::string line(40, 'x');
    for (int i = 0; i < 1000; ++i) Arrive("Bea", line + std::to_string(i), {"Ada"});
    const std::string text = PaneText();
    EXPECT_LT(text.size(), static_cast<std::size_t>(platform::kRichEditDefaultLimit));
    EXPECT_EQ(text.rfind(" Bea: " + line + "999\r\n"), text.size() - line.size() - 11);
    EXPECT_EQ(text.rfind(" Bea: ", 0), 0u);  // begins with a whole line
    EXPECT_TRUE(platform::RichEditCheck(chat->GetPane()));
}

TEST_F(ChatWindow, WrongPayloadsAreReportedAsBadData) {
    platform::QueueMessageBoxAnswer(IDNO);
    platform::QueueMessageBoxAnswer(IDNO);
    Container<int> wrong(5);
    recorder.PostNamed("ChatMessage", &wrong);
    recorder.PostNamed("SetPlayerInfo", &wrong);
    Drain();
    EXPECT_EQ(PaneText(), "");
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_NE(platform::ShownMessageBox(i).text.find("Bad data passed in bus message to function"), std::string::npos);
}

} // namespace
