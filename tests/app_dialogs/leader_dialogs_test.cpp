// The dialogs of a leader's impulse: the elite-initiative question and the choice of the
// impulse's leader (flags, centring, the answer), the finish-leader notice opened by
// "LeaderAlmostDone" (its closers, its menu-following Finish button, its stored place and
// preference) and the group-command confirmation.
#include "game/app/dialogs/dialog_support.h"
#include "tests/support/dialog_input.h"
#include "game/app/dialogs/elite_initiative_dlg.h"
#include "game/app/dialogs/leader_dialogs.h"
#include "game/units/group.h"
#include "game/units/leader.h"
#include "game/units/unit_records.h"
#include "tests/app_dialogs/in_game_fixture.h"
#include "platform/menu.h"
#include "platform/msgbox.h"
#include "ui/dialog_controls.h"
#include "ui/windows/windows_menu.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ingametest;

class Leaders : public InGameTest {
protected:
    Leader* Make(std::uint16_t number, const char* name, std::uint16_t region, std::uint32_t level = 2) {
        LeaderUnitData d;
        d.unitNumber = number;
        d.side = 1;
        d.region = region;
        d.commands = 3;
        d.commandLevel = level;
        auto leader = std::make_unique<Leader>(d, name);
        Leader* l = leader.get();
        owned.push_back(std::move(leader));
        list.AddTail(l);
        return l;
    }
    void TearDown() override {
        list.Clear();
        owned.clear();
        InGameTest::TearDown();
    }
    // Runs the leader choice with a script; the chosen name.
    std::string Choose(const std::function<void(HWND)>& script) {
        platform::QueueDialogScript(script);
        EliteInitiativeDlg dialog(&list);
        dialog.AttachToBus(layer.get());
        dialog.Execute("EliteInitDlg", Dialog::kModal);
        return dialog.GetSelectedName();
    }
    static std::vector<std::string> Entries(HWND d) { return testsupport::ListBoxTexts(d, 10); }

    std::vector<std::unique_ptr<Leader>> owned;
    List<Leader*> list;
};

TEST_F(Leaders, OffTheMapLeadersAreListedOnlyAtCommandLevelThree) {
    Make(1, "Zeller", 101);
    Make(2, "Abner", 0xFFFF, 3);
    Make(3, "Mott", 0xFFFF, 2);
    std::vector<std::string> entries;
    Choose([&](HWND d) {
        entries = Entries(d);
        platform::ClickDlgItem(d, 1);
    });
    EXPECT_EQ(entries, (std::vector<std::string>{"Abner", "Zeller"}));
}

TEST_F(Leaders, OpeningSelectsTheFirstByNameButShowsTheLastOfTheList) {
    Make(1, "Brandt", 101);
    Make(2, "Alcott", 202);
    std::string chosen = Choose([](HWND d) { platform::ClickDlgItem(d, 1); });
    EXPECT_EQ(chosen, "Alcott");
    ASSERT_NE(recorder.Last("Center On Region"), nullptr);
    EXPECT_EQ(recorder.Last("Center On Region")->value, 202);
}

TEST_F(Leaders, ASelectionChangeRaisesTheGroupsFlagsAndCentresOnTheLeader) {
    Leader* brandt = Make(1, "Brandt", 101);
    Make(2, "Alcott", 202);
    Group group;
    group.SetLeader(brandt);
    brandt->SetGroup(&group);
    LeaderUnitData u;
    u.side = 1;
    std::vector<std::unique_ptr<Leader>> units;
    for (std::uint16_t n : {11, 12, 13, 14}) {
        u.unitNumber = n;
        u.region = n == 14 ? 0xFFFF : static_cast<std::uint16_t>(300 + n);
        units.push_back(std::make_unique<Leader>(u, "Unit"));
        group.AddUnit(units.back().get());
    }
    units[1]->SetUsedThisTurn(1);
    units[2]->SetActed(1);
    Choose([](HWND d) {
        // "Brandt" sorts second.
        SendDlgItemMessageA(d, 10, LB_SETCURSEL, 1, 0);
        PostMessage(d, WM_COMMAND, MAKEWPARAM(10, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, 10)));
        platform::ClickDlgItem(d, 1);
    });
    brandt->SetGroup(nullptr);
    std::vector<const Heard*> flags;
    for (const Heard& h : recorder.heard)
        if (h.name == "RaiseFlags") flags.push_back(&h);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_TRUE(flags[0]->flags.first.IsEmpty() && flags[0]->flags.second.IsEmpty());
    // The record keeps the raised flags first and the grey ones second (its constructor takes
    // them the other way round): the unit that acted and the one off the map have none.
    EXPECT_EQ(Hexes(flags[1]->flags.first), (std::vector<short>{11, 12, 1}));
    EXPECT_EQ(Hexes(flags[1]->flags.second), (std::vector<short>{12}));
    EXPECT_EQ(flags[1]->flags.value, 1);
    EXPECT_EQ(recorder.Last("Center On Region")->value, 101);
}

TEST_F(Leaders, ADoubleClickChoosesAndClosingWithNothingSelectedLeavesTheNameEmpty) {
    Make(1, "Brandt", 101);
    Make(2, "Alcott", 202);
    EXPECT_EQ(Choose([](HWND d) {
                  SendDlgItemMessageA(d, 10, LB_SETCURSEL, 1, 0);
                  PostMessage(d, WM_COMMAND, MAKEWPARAM(10, LBN_DBLCLK), reinterpret_cast<LPARAM>(GetDlgItem(d, 10)));
              }),
              "Brandt");
    EXPECT_EQ(Choose([](HWND d) {
                  SendDlgItemMessageA(d, 10, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                  platform::ClickDlgItem(d, 1);
              }),
              "");
}

TEST_F(Leaders, TheChoiceStandsCentredAcrossAndAQuarterDownTheScreenWithoutAMainWindow) {
    Make(1, "Brandt", 101);
    RECT r{};
    Choose([&](HWND d) {
        GetWindowRect(d, &r);
        platform::ClickDlgItem(d, 1);
    });
    const Dim screen = ingame::ScreenSize();
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, screen.width / 2 - w / 2);
    EXPECT_EQ(r.top, screen.height / 4 - h / 2);
}

TEST_F(Leaders, HelpPointsAtTheHelpFileAndLeavesTheDialogOpen) {
    Make(1, "Brandt", 101);
    platform::QueueDialogScript([](HWND d) {
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), 0);
        platform::ClickDlgItem(d, 1);
    });
    EliteInitiativeDlg dialog(&list);
    EXPECT_EQ(dialog.Execute("EliteInitDlg", Dialog::kModal), 1);
    EXPECT_EQ(dialog.HelpPath(), app->GetDataDirectory() + "\\rally.hlp");
}

struct AnswerCase {
    const char* name;
    int button;
    int answer;
};

class EliteQuestion : public Leaders, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(EliteQuestion, YesAndNoAnswerTheQuestionUnderTheLeadersTitle) {
    Leader* l = Make(1, "Brandt", 101);
    l->AttachToBus(layer.get());
    char title[80] = {};
    platform::QueueDialogScript([&](HWND d) {
        GetWindowTextA(d, title, sizeof title);
        platform::ClickDlgItem(d, GetParam().button);
    });
    EXPECT_EQ(unitDialogs.AskEliteInitiative(l->GetName(), *l), GetParam().answer);
    EXPECT_STREQ(title, "Brandt's Elite Initiative");
    l->DetachFromBus();
}

INSTANTIATE_TEST_SUITE_P(Cases, EliteQuestion,
                         ::testing::Values(AnswerCase{"Yes", 1, 1}, AnswerCase{"No", 2, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(Leaders, TheLayersLeaderChoiceAnswersTheChosenLeadersNumber) {
    // Through the services, as the layer's "FirstEliteInitiative" runs it.
    Leader* a = Make(7, "Brandt", 101);
    Make(8, "Alcott", 202);
    layer->GetLeaders().AddTail(a);
    layer->GetLeaders().AddTail(list.Tail()->value);
    Click(1);
    EXPECT_EQ(services->RunEliteInitiativeDialog({"Brandt", "Alcott"}), "Alcott");
    EXPECT_EQ(services->RunEliteInitiativeDialog({}), "");
    layer->GetLeaders().Clear();
}

// ---- the finish-leader notice ----

class FinishLeader : public InGameTest {
protected:
    void SetUp() override {
        InGameTest::SetUp();
        dialogs = std::make_unique<InGameDialogs>(layer.get());
        dialogs->AttachToBus(layer.get());
    }
    void TearDown() override {
        Settle();
        dialogs.reset();
        InGameTest::TearDown();
    }
    HWND Notice() const {
        for (Item<HWND>* i = app->ModelessDialogs().Head(); i; i = i->next)
            if (IsWindow(i->value) && dynamic_cast<LeaderAlmostDoneDlg*>(DialogOf(i->value))) return i->value;
        return nullptr;
    }
    void Open() {
        Container<std::string> name(std::string("Brandt"));
        recorder.PostNamed("LeaderAlmostDone", &name);
        Settle(100);
    }
    void Tick(HWND d) {
        if (auto* box = dynamic_cast<DialogButton*>(DialogOf(d)->GetItemControl(17))) box->SetState(1);
    }
    std::unique_ptr<InGameDialogs> dialogs;
};

TEST_F(FinishLeader, FinishClosesThenPostsFinishLeaderOnce) {
    Open();
    ASSERT_NE(Notice(), nullptr);
    platform::ClickDlgItem(Notice(), 101);
    Settle();
    EXPECT_EQ(Notice(), nullptr);
    EXPECT_EQ(recorder.Count("LeaderFinishLeader"), 1);
    EXPECT_EQ(recorder.Last("ShowFinishLeader")->value, 1);
    std::uint32_t show = 9;
    ASSERT_TRUE(ingame::ReadSetting("Preferences", "Finish Leader", show));
    EXPECT_EQ(show, 1u);
}

TEST_F(FinishLeader, ASecondAnnouncementWhileTheNoticeStandsOpensNoSecondOne) {
    Open();
    Open();
    int notices = 0;
    for (Item<HWND>* i = app->ModelessDialogs().Head(); i; i = i->next)
        notices += IsWindow(i->value) && dynamic_cast<LeaderAlmostDoneDlg*>(DialogOf(i->value)) != nullptr;
    EXPECT_EQ(notices, 1);
    recorder.PostNamedEvent("LeaderFinishLeader");
    Settle();
    EXPECT_EQ(Notice(), nullptr);
    EXPECT_EQ(recorder.Count("ShowFinishLeader"), 1);
    // Once it has gone the next announcement shows it again.
    Open();
    EXPECT_NE(Notice(), nullptr);
    recorder.PostNamedEvent("CloseLeaderAlmostDoneDlg");
    Settle();
}

class FinishLeaderClosers : public FinishLeader, public ::testing::WithParamInterface<const char*> {};

TEST_P(FinishLeaderClosers, TheGameClosesTheNoticeAndATickStoresZero) {
    Open();
    ASSERT_NE(Notice(), nullptr);
    Tick(Notice());
    recorder.PostNamedEvent(GetParam());
    Settle();
    EXPECT_EQ(Notice(), nullptr);
    EXPECT_EQ(recorder.Last("ShowFinishLeader")->value, 0);
    std::uint32_t show = 9;
    ASSERT_TRUE(ingame::ReadSetting("Preferences", "Finish Leader", show));
    EXPECT_EQ(show, 0u);
    // The notice stays away once the player asked for that.
    EXPECT_FALSE(dialogs->ShowsFinishLeader());
    Open();
    EXPECT_EQ(Notice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, FinishLeaderClosers,
                         ::testing::Values("CloseGame", "LeaderFinishLeader", "CloseLeaderAlmostDoneDlg"));

TEST_F(FinishLeader, TheFinishButtonFollowsOnlyTheFinishLeaderCommand) {
    Open();
    HWND d = Notice();
    ASSERT_NE(d, nullptr);
    HWND finish = GetDlgItem(d, 101);
    Container<BusMessage> other{BusMessage(225)}, command{BusMessage(224)};
    delete recorder.Send(DISABLE_MENU_ITEM, &other);
    EXPECT_TRUE(IsWindowEnabled(finish));
    delete recorder.Send(DISABLE_MENU_ITEM, &command);
    EXPECT_FALSE(IsWindowEnabled(finish));
    delete recorder.Send(ENABLE_MENU_ITEM, &command);
    EXPECT_TRUE(IsWindowEnabled(finish));
    platform::ClickDlgItem(d, 101);
    Settle();
}

// Answers "GetActiveChildMenu" with a menu whose Leader popup holds Finish Leader (224).
class MenuOwner : public Component {
public:
    explicit MenuOwner(const char* flags) : Component("Menu Owner") {
        platform::RegisterMenuResource("FinishLeaderTest", std::string("POPUP \"&Leader\"\nBEGIN\n  MENUITEM \"&Finish Leader\", 224") +
                                                               flags + "\nEND\n");
        menu = std::make_unique<WindowsMenu>("FinishLeaderTest", 0);
    }
    void Connect() override { RegisterNamedHandler("GetActiveChildMenu", Answer); }
    std::unique_ptr<WindowsMenu> menu;

private:
    static ContainerBase* Answer(Component* c, BusMessage, ContainerBase*) {
        auto* self = dynamic_cast<MenuOwner*>(c);
        return self ? new Container<Menu*>(self->menu.get()) : nullptr;
    }
};

struct MenuCase {
    const char* name;
    const char* flags;
    bool enabled;
};

class FinishLeaderMenu : public FinishLeader, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(FinishLeaderMenu, TheFinishButtonStartsAsTheMenuCommandStands) {
    MenuOwner owner(GetParam().flags);
    owner.AttachToBus(layer.get());
    Open();
    HWND d = Notice();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(d, 101)) != 0, GetParam().enabled);
    recorder.PostNamedEvent("CloseLeaderAlmostDoneDlg");
    Settle();
    owner.DetachFromBus();
}

INSTANTIATE_TEST_SUITE_P(Cases, FinishLeaderMenu,
                         ::testing::Values(MenuCase{"Enabled", "", true}, MenuCase{"Grayed", ", GRAYED", false},
                                           MenuCase{"Inactive", ", INACTIVE", false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(FinishLeader, AMenuEventWithTheWrongPayloadIsReported) {
    Open();
    ASSERT_NE(Notice(), nullptr);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(224);
    delete recorder.Send(ENABLE_MENU_ITEM, &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in LDRDONE at line 104", 0), 0u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
    recorder.PostNamedEvent("CloseLeaderAlmostDoneDlg");
    Settle();
}

TEST_F(FinishLeader, FirstOpeningSitsAtTheRightEdgeTwoHeightsUpAndThatIsStored) {
    Open();
    HWND d = Notice();
    ASSERT_NE(d, nullptr);
    RECT r{};
    GetWindowRect(d, &r);
    const Dim screen = ingame::ScreenSize();
    EXPECT_EQ(r.right, screen.width);
    EXPECT_EQ(r.top, screen.height - 2 * (r.bottom - r.top));
    std::uint32_t x = 0;
    ASSERT_TRUE(ingame::ReadSetting("Placement\\LeaderDone", "X", x));
    EXPECT_EQ(static_cast<LONG>(x), r.left);
    platform::ClickDlgItem(d, 101);
    Settle();
}

// ---- the group-command confirmation ----

struct ConfirmCase {
    const char* name;
    int button;
    bool tick;
    int answer;
    short ask;
};

class GroupConfirm : public InGameTest, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(GroupConfirm, TheAnswerAndTheBoxAreKeptWhicheverButtonClosed) {
    char title[64] = {};
    platform::QueueDialogScript([&](HWND d) {
        GetWindowTextA(d, title, sizeof title);
        if (GetParam().tick)
            if (auto* box = dynamic_cast<DialogButton*>(DialogOf(d)->GetItemControl(17))) box->SetState(1);
        platform::ClickDlgItem(d, GetParam().button);
    });
    EXPECT_EQ(unitDialogs.ConfirmGroupCommand("Group Attack", recorder), GetParam().answer);
    Settle(100);
    EXPECT_STREQ(title, "Group Attack");
    ASSERT_NE(recorder.Last("ShowGroupCommandConfirm"), nullptr);
    EXPECT_EQ(recorder.Last("ShowGroupCommandConfirm")->value, GetParam().ask);
    std::uint32_t ask = 9;
    ASSERT_TRUE(ingame::ReadSetting("Preferences", "Group Move Confirm", ask));
    EXPECT_EQ(ask, static_cast<std::uint32_t>(GetParam().ask));
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupConfirm,
                         ::testing::Values(ConfirmCase{"Ok", 1, false, 1, 1}, ConfirmCase{"Cancel", 2, false, 0, 1},
                                           ConfirmCase{"CancelTicked", 2, true, 0, 0}, ConfirmCase{"OkTicked", 1, true, 1, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
