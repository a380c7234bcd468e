// The network leader choice: a host's dialog and a joining peer's mirror on one bus (which
// carries the host's "DialogEvent" and "ShowPage" to the peer as the connection's relay does)
// end with the same assignments; the host alone edits; pages of 19 rows; the player records.
#include "comms/ui/net_leaders_dlg.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;

List<std::string> Names(std::vector<std::string> v) {
    List<std::string> l;
    for (auto& s : v) l << s;
    return l;
}

std::vector<std::string> Vec(const List<std::string>& l) {
    std::vector<std::string> v;
    for (Item<std::string>* i = l.Head(); i; i = i->next) v.push_back(i->value);
    return v;
}

std::vector<std::pair<std::string, std::string>> Pairs(const List<LeaderInfo>& l) {
    std::vector<std::pair<std::string, std::string>> v;
    for (Item<LeaderInfo>* i = l.Head(); i; i = i->next) v.emplace_back(i->value.first, i->value.second);
    return v;
}

TEST(LeaderChoiceLabel, LastCommaClosesAndAnEmptyChoiceLeavesTwoBlanks) {
    const struct {
        const char* built;
        const char* finished;
    } cases[] = {{"Ada (Corwin, Dunmore, ", "Ada (Corwin, Dunmore) "}, {"Ada (", "Ada  "}, {"Ada (X, ", "Ada (X) "},
                 {"(", "("}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(NetChooseLeadersDlg::FinishLabel(c.built), c.finished) << c.built;
}

TEST(LeaderChoiceSaved, SavedPlayersReturnWhileTheyAreInTheSession) {
    TeamInfoStruct teams(0, "North", Names({"Corwin", "Dunmore"}), 1, "South", Names({"Fenwick"}));
    List<LeaderInfo> saved;
    saved << LeaderInfo("Bea", "Corwin") << LeaderInfo("Gone", "Dunmore") << LeaderInfo("Bea", "Fenwick")
          << LeaderInfo("Ada", "Fenwick");
    NetChooseLeadersDlg dlg(teams, Names({"Ada", "Bea"}), 1, "Ada", saved);
    EXPECT_EQ(dlg.Controllers(0), (std::vector<std::string>{"Bea", "Ada"}));
    EXPECT_EQ(dlg.Controllers(1), (std::vector<std::string>{"Bea"}));

    NetChooseLeadersDlg empty(teams, List<std::string>(), 1, "Ada");
    EXPECT_EQ(empty.Controllers(0), (std::vector<std::string>{"", ""}));
}

class Records : public Component {
public:
    Records() : Component("Records") {}
    void Connect() override {
        RegisterNamedHandler("SetPlayerInfo", &Records::OnInfo);
        RegisterNamedHandler("LocalIsHome", &Records::OnHome);
    }
    std::vector<PlyrInfo> infos;
    std::vector<short> homes;

private:
    static ContainerBase* OnInfo(Component* c, BusMessage, ContainerBase* p) {
        if (const PlyrInfo* i = PayloadValue<PlyrInfo>(p)) static_cast<Records*>(c)->infos.push_back(*i);
        return nullptr;
    }
    static ContainerBase* OnHome(Component* c, BusMessage, ContainerBase* p) {
        if (const short* h = PayloadValue<short>(p)) static_cast<Records*>(c)->homes.push_back(*h);
        return nullptr;
    }
};

class LeaderChoice : public NetDialogTest {
protected:
    void SetUp() override {
        NetDialogTest::SetUp();
        RegisterChatTypes();
        RegisterDialogEventType();
        records.AttachToBus(app.get());
    }
    void TearDown() override {
        for (auto* d : {peer.get(), host.get()})
            if (d) {
                if (d->IsRunning()) d->Close(0);
                d->DetachFromBus();
            }
        Drain();
        peer.reset();
        host.reset();
        records.DetachFromBus();
        NetDialogTest::TearDown();
    }
    void Open(const TeamInfoStruct& teams, const std::vector<std::string>& players) {
        peer = std::make_unique<NetChooseLeadersDlg>(teams, Names(players), 0, "Bea");
        host = std::make_unique<NetChooseLeadersDlg>(teams, Names(players), 1, "Ada");
        peer->AttachToBus(app.get());
        host->AttachToBus(app.get());
        ASSERT_EQ(peer->Execute("NetChooseLeaders", Dialog::kModeless), 0);
        ASSERT_EQ(host->Execute("NetChooseLeaders", Dialog::kModeless), 0);
        ASSERT_TRUE(host->IsRunning() && peer->IsRunning());
        h = host->GetHandle();
        p = peer->GetHandle();
        Drain();
    }
    // The host's user picks a row of a leader's list.
    void Choose(int combo, int row) {
        SendDlgItemMessageA(h, combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
        Command(h, combo, CBN_SELENDOK);
        Drain();
    }
    static LRESULT Chosen(HWND d, int combo) { return SendDlgItemMessageA(d, combo, CB_GETCURSEL, 0, 0); }

    Records records;
    std::unique_ptr<NetChooseLeadersDlg> host, peer;
    HWND h = nullptr, p = nullptr;
};

TEST_F(LeaderChoice, PeerMirrorsTheHostAndBothEndWithTheSameAssignments) {
    Open(TeamInfoStruct(0, "North", Names({"Corwin (2nd)", "Dunmore", "Ellery"}), 1, "South", Names({"Fenwick", "Garrow"})),
         {"Ada", "Bea"});
    EXPECT_EQ(host->GetItemText(100), "North");
    EXPECT_EQ(host->GetItemText(577), "Corwin ");
    EXPECT_EQ(host->GetItemText(634), "Fenwick");
    EXPECT_FALSE(Enabled(h, IDOK));  // every leader with Ada
    EXPECT_TRUE(Enabled(h, 501));
    EXPECT_FALSE(Enabled(p, 501));
    EXPECT_FALSE(Visible(h, 504));
    EXPECT_FALSE(Enabled(h, NetChooseLeadersDlg::kNext));

    // The peer's own OK and combo notifications change nothing.
    Command(p, 501, CBN_SELENDOK);
    Command(p, IDOK);
    Drain();
    EXPECT_TRUE(peer->IsRunning());
    EXPECT_EQ(peer->Controllers(0)[0], "Ada");

    Choose(502, 1);
    Choose(539, 1);
    Choose(540, 1);
    EXPECT_TRUE(Enabled(h, IDOK));
    for (int combo : {501, 502, 503, 539, 540}) EXPECT_EQ(Chosen(p, combo), Chosen(h, combo)) << combo;
    EXPECT_FALSE(Enabled(p, 539));
    EXPECT_EQ(peer->Controllers(0), host->Controllers(0));
    EXPECT_EQ(peer->Controllers(1), host->Controllers(1));

    Command(h, IDOK);
    Drain();
    EXPECT_FALSE(host->IsRunning());
    EXPECT_FALSE(peer->IsRunning());
    EXPECT_EQ(host->GetResult(), 1);
    EXPECT_EQ(peer->GetResult(), 1);
    const std::vector<std::pair<std::string, std::string>> want = {
        {"Ada", "Corwin (2nd)"}, {"Bea", "Dunmore"}, {"Ada", "Ellery"}, {"Bea", "Fenwick"}, {"Bea", "Garrow"}};
    EXPECT_EQ(Pairs(host->GetAssignments()), want);
    EXPECT_EQ(Pairs(peer->GetAssignments()), want);
    EXPECT_EQ(Vec(host->GetTeamInfo().homeLeaders), (std::vector<std::string>{"Corwin (2nd)", "Ellery"}));
    EXPECT_TRUE(host->GetTeamInfo().visitingLeaders.IsEmpty());
    EXPECT_EQ(Vec(peer->GetTeamInfo().homeLeaders), std::vector<std::string>{"Dunmore"});
    EXPECT_EQ(Vec(peer->GetTeamInfo().visitingLeaders), (std::vector<std::string>{"Fenwick", "Garrow"}));

    // Each peer posts its own side and one record per player (Bea's last leader is on the
    // second side, so Bea counts as of the second side).
    std::vector<short> homes = records.homes;
    std::sort(homes.begin(), homes.end());
    EXPECT_EQ(homes, (std::vector<short>{0, 1}));
    ASSERT_EQ(records.infos.size(), 4u);
    std::vector<PlyrInfo> fromHost, fromPeer;
    for (std::size_t i = 0; i < 4; ++i) (records.infos[i].flags[0] == (records.infos[i].name == "Ada") ? fromHost : fromPeer).push_back(records.infos[i]);
    ASSERT_EQ(fromHost.size(), 2u);
    EXPECT_EQ(fromHost[0], PlyrInfo("Ada", "Ada (Corwin (2nd), Ellery) ", 1, 0, 1));
    EXPECT_EQ(fromHost[1], PlyrInfo("Bea", "Bea (Dunmore, Fenwick, Garrow) ", 0, 1, 1));
}

TEST_F(LeaderChoice, TwentiethLeaderIsShownAloneOnPageTwo) {
    std::vector<std::string> many;
    for (int i = 1; i <= 20; ++i) many.push_back("Leader" + std::to_string(i));
    Open(TeamInfoStruct(0, "North", Names(many), 1, "South", Names({"Fenwick"})), {"Ada", "Bea"});
    EXPECT_TRUE(Enabled(h, NetChooseLeadersDlg::kNext));
    EXPECT_FALSE(Enabled(p, NetChooseLeadersDlg::kNext));
    EXPECT_TRUE(Visible(h, 519));
    EXPECT_FALSE(Visible(h, 520));

    Command(h, NetChooseLeadersDlg::kNext);
    Drain();
    for (NetChooseLeadersDlg* dlg : {host.get(), peer.get()}) {
        HWND d = dlg->GetHandle();
        EXPECT_TRUE(Visible(d, 520));
        EXPECT_FALSE(Visible(d, 501));
        EXPECT_FALSE(Visible(d, 539));  // the second side has no row on page 2
        EXPECT_EQ(dlg->GetItemText(577), "Leader20");
        EXPECT_EQ(dlg->GetItemText(578), "");
    }
    EXPECT_TRUE(Enabled(h, NetChooseLeadersDlg::kPrev));
    EXPECT_FALSE(Enabled(p, NetChooseLeadersDlg::kPrev));
}

TEST_F(LeaderChoice, UnknownEventKindShowsTheErrorAndTheDialogGoesOn) {
    Open(TeamInfoStruct(0, "North", Names({"Corwin"}), 1, "South", Names({"Fenwick"})), {"Ada", "Bea"});
    Container<DialogEvent> bad(DialogEvent(501, 3, 0));
    records.PostNamed("DialogEvent", &bad);
    Drain();
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Communications Error");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad communications was received!");
    EXPECT_TRUE(peer->IsRunning());

    // "CloseGame" ends both without records.
    records.PostNamedEvent("CloseGame");
    Drain();
    EXPECT_FALSE(host->IsRunning());
    EXPECT_FALSE(peer->IsRunning());
    EXPECT_EQ(host->GetResult(), 0);
    EXPECT_TRUE(records.infos.empty());
}

} // namespace
