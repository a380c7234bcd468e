// The objectives dialog: its list, caption and place; what it asks of the map for one objective,
// for "All Objectives" and on leaving; the points panel by holder; a battle without objectives.
#include "game/app/dialogs/more_dialog_services.h"
#include "game/app/dialogs/objectives_dlg.h"
#include "game/logic/referee/builtin_objectives.h"
#include "tests/more_dialogs/more_fixture.h"

namespace {

using namespace moretest;
using Seen = MapStandIn::Seen;

class Objectives : public MoreDialogTest {
protected:
    static std::vector<short> Hexes(int scenario, int index) {
        std::vector<short> out;
        for (const Item<short>* i = BuiltInObjective(scenario, index).hexes.Head(); i; i = i->next) out.push_back(i->value);
        return out;
    }
    static std::vector<short> AllHexes(int scenario) {
        std::vector<short> out;
        for (int i = 0; i < BuiltInObjectiveCount(scenario); ++i)
            for (short h : Hexes(scenario, i)) out.push_back(h);
        return out;
    }
    void Expect(const std::vector<Seen>& want) {
        ASSERT_EQ(map.seen.size(), want.size()) << testing::PrintToString(map.Names());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(map.seen[i].name, want[i].name) << i;
            EXPECT_EQ(map.seen[i].hexes, want[i].hexes) << i << " " << want[i].name;
        }
        map.seen.clear();
    }
};

TEST_F(Objectives, ListsTheBattlesObjectivesAtTheTopLeftWithoutCancel) {
    RECT before{};
    ObjectivesDlg dlg(2);
    dlg.AttachToBus(app.get());
    dlg.Execute("EnumDialog", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    const std::vector<std::string> texts = ListTexts(h, ObjectivesDlg::kList);
    EXPECT_EQ(texts, (std::vector<std::string>{"Fleetwood Hill Crest", "Brandy Station", "All Objectives"}));
    char caption[64] = {};
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "Battle Objectives");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(h, IDCANCEL)));
    GetWindowRect(h, &before);
    EXPECT_EQ(before.left, 10);
    EXPECT_EQ(before.top, 10);
    EXPECT_EQ(dlg.GetHolder(), -1);
    EXPECT_EQ(dlg.GetCurrentObjective(), -1);
    EXPECT_TRUE(dlg.PanelLines().empty());
    dlg.Close(0);
}

TEST_F(Objectives, OneObjectiveThenAllThenOk) {
    map.holders[0] = 1;
    ObjectivesDlg dlg(2);
    dlg.AttachToBus(app.get());
    dlg.Execute("EnumDialog", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    SelectListEntry(h, ObjectivesDlg::kList, 0);
    Drain();
    Expect({{"ZoomInAfterRout", {}},
            {"Center On Region", {Hexes(2, 0).front()}},
            {"DEHIGHLIGHT_REGION", {}},
            {"HIGHLIGHT_REGION", Hexes(2, 0)}});
    EXPECT_EQ(dlg.GetCurrentObjective(), 0);
    EXPECT_EQ(dlg.GetPoints(), BuiltInObjective(2, 0).points);
    EXPECT_EQ(dlg.PanelLines(), (std::vector<std::string>{"Victory Points:", "25", "", "Last Held By:", "Confederate"}));

    // The same entry again asks nothing.
    SelectListEntry(h, ObjectivesDlg::kList, 0);
    Drain();
    Expect({});

    SelectListEntry(h, ObjectivesDlg::kList, 2);
    Drain();
    Expect({{"ZoomOutForRout", {}}, {"DEHIGHLIGHT_REGION", Hexes(2, 0)}, {"HIGHLIGHT_REGION", AllHexes(2)}});
    EXPECT_EQ(dlg.GetCurrentObjective(), -1);
    EXPECT_EQ(dlg.GetHolder(), ObjectivesDlg::kNoSingleHolder);
    EXPECT_TRUE(dlg.PanelLines().empty());

    platform::ClickDlgItem(h, IDOK);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 1);
    Expect({{"DEHIGHLIGHT_REGION", AllHexes(2)}, {"ZoomInAfterRout", {}}});
}

TEST_F(Objectives, PanelNamesTheHolder) {
    struct Case {
        bool answered;
        long holder;
        const char* shown;  // null: handled as "All Objectives"
    } cases[] = {{true, 0, "Union"}, {true, 1, "Confederate"}, {true, -1, "Disputed"}, {true, 2, nullptr}, {false, 0, nullptr}};
    for (const Case& c : cases) {
        map.holders.clear();
        map.seen.clear();
        if (c.answered) map.holders[1] = c.holder;
        ObjectivesDlg dlg(0);
        dlg.AttachToBus(app.get());
    dlg.Execute("EnumDialog", Dialog::kModeless);
        SelectListEntry(dlg.GetHandle(), ObjectivesDlg::kList, 1);
        Drain();
        if (c.shown) {
            ASSERT_EQ(dlg.PanelLines().size(), 5u);
            EXPECT_EQ(dlg.PanelLines()[4], c.shown);
            EXPECT_EQ(dlg.GetCurrentObjective(), 1);
        } else {
            EXPECT_TRUE(dlg.PanelLines().empty());
            EXPECT_EQ(dlg.GetCurrentObjective(), -1);
            ASSERT_FALSE(map.seen.empty());
            EXPECT_EQ(map.seen.front().name, "ZoomOutForRout");
            EXPECT_EQ(map.seen.back().hexes, AllHexes(0));
        }
        dlg.Close(0);
        Drain();
    }
}

TEST_F(Objectives, BattleWithoutObjectivesClosesAtOnce) {
    for (int scenario : {9, 10}) {
        MoreDialogServices services(app.get(), [scenario] { return scenario; });
        EXPECT_EQ(services.RunObjectivesDialog(), 0) << scenario;
    }
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

TEST_F(Objectives, ServicesRunTheCurrentBattlesList) {
    MoreDialogServices services(app.get(), [] { return 4; });
    std::size_t entries = 0;
    platform::QueueDialogScript([&](HWND d) {
        entries = ListTexts(d, ObjectivesDlg::kList).size();
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(services.RunObjectivesDialog(), 1);
    EXPECT_EQ(entries, 7u);
}

// Escape reaches the hidden Cancel; the map gets its highlight taken away and its zoom back.
TEST_F(Objectives, EscapeStillRestoresTheMap) {
    map.holders[0] = 0;
    ObjectivesDlg dlg(2);
    dlg.AttachToBus(app.get());
    dlg.Execute("EnumDialog", Dialog::kModeless);
    SelectListEntry(dlg.GetHandle(), ObjectivesDlg::kList, 0);
    Drain();
    map.seen.clear();
    SendMessageA(dlg.GetHandle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 0);
    Expect({{"DEHIGHLIGHT_REGION", Hexes(2, 0)}, {"ZoomInAfterRout", {}}});
}

} // namespace
