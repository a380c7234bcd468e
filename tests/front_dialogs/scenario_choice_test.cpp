// The scenario choice: the theatre map's hot spots and what a click draws, OK through the
// variant dialog, "More..." and Cancel; the variant list read from the variant files (the plain
// scenario, matching variants, damaged files reported as "Error"); the custom scenario list
// read from the heads of the scenario files; and the two readers on bytes.
#include "game/app/dialogs/custom_scenario_dlg.h"
#include "game/app/dialogs/scenario_dlg.h"
#include "game/app/dialogs/scenario_files.h"
#include "game/app/dialogs/variant_dlg.h"
#include "tests/front_dialogs/front_fixture.h"
#include "ui/bitmap.h"

namespace {

using namespace fronttest;
using uitest::PixelAt;

class Choice : public FrontDialogTest {
protected:
    static Point Centre(int index) {
        const Box b = ScenarioDlg::ScenarioBox(index);
        return Point(static_cast<std::int16_t>(b.x + b.width / 2), static_cast<std::int16_t>(b.y + b.height / 2));
    }
};

TEST_F(Choice, HotSpotsAreThoseOfThePaintedMap) {
    const auto& painted = datagen::ScenarioMapHotSpots();
    for (int i = 0; i < 10; ++i) {
        const Box b = ScenarioDlg::ScenarioBox(i);
        const datagen::HotSpot& s = painted[static_cast<std::size_t>(i)];
        EXPECT_EQ(b, Box(static_cast<std::int16_t>(s.x), static_cast<std::int16_t>(s.y), static_cast<std::int16_t>(s.width),
                         static_cast<std::int16_t>(s.height)))
            << i;
    }
    EXPECT_EQ(ScenarioDlg::ScenarioBox(10), Box(0, 0, 0, 0));
    ScenarioDlg dlg;
    EXPECT_EQ(dlg.GetSelection(), 2);
    EXPECT_EQ(dlg.GetDescription(0).rfind("1st Bull Run, July 21, 1861.\n", 0), 0u);
    EXPECT_NE(dlg.GetDescription(9).find("reinforcements"), std::string::npos);
    EXPECT_TRUE(dlg.GetDescription(10).empty());
}

TEST_F(Choice, OkAtOnceTakesBrandyStationAndItsPlainScenario) {
    ScenarioDlg dlg;
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, IDOK); });
    EXPECT_EQ(dlg.Execute("Scenario", Dialog::kModal), 1);
    EXPECT_EQ(dlg.GetSelection(), 2);
    EXPECT_EQ(dlg.GetScenarioName(), "BRANDYS.SCN");
    EXPECT_EQ(dlg.IsCustom(), 0);
}

TEST_F(Choice, ClickFramesTheSpotAndShowsTheBattlesOverview) {
    ScenarioDlg dlg;
    ASSERT_EQ(dlg.Execute("Scenario", Dialog::kModeless), 0);
    Drain();
    const std::uint8_t white = uitest::Nearest(255, 255, 255);
    const Box old = ScenarioDlg::ScenarioBox(2);
    EXPECT_EQ(PixelAt(dlg, old.x, old.y + 5), white);
    const Point p = Centre(5);
    PostClick(dlg.GetHandle(), p.x, p.y);
    Drain();
    EXPECT_EQ(dlg.GetSelection(), 5);
    const Box now = ScenarioDlg::ScenarioBox(5);
    EXPECT_EQ(PixelAt(dlg, now.x, now.y + 5), white);
    EXPECT_EQ(PixelAt(dlg, now.x + now.width - 1, now.y + now.height - 1), white);
    EXPECT_NE(PixelAt(dlg, old.x, old.y + 5), white);
    EXPECT_EQ(PixelAt(dlg, old.x + 3, old.y + 5), datagen::HotSpotColour(2));
    // The overview of Five Forks at (42, 212), its description beside it.
    EXPECT_EQ(PixelAt(dlg, 42, 212), datagen::OverviewColour(5));
    EXPECT_EQ(PixelAt(dlg, 42 + datagen::kOverviewWidth - 1, 212 + datagen::kOverviewHeight - 1), datagen::OverviewColour(5));
    bool ink = false;
    for (int y = 212; y < 212 + datagen::kOverviewHeight; ++y)
        for (int x = 42 + datagen::kOverviewWidth + 4; x < 400; ++x) ink = ink || PixelAt(dlg, x, y) == uitest::kInk;
    EXPECT_TRUE(ink);
    // The gap between Antietem and 2nd Bull Run keeps the choice and its frame.
    PostClick(dlg.GetHandle(), 75, 100);
    Drain();
    EXPECT_EQ(dlg.GetSelection(), 5);
    EXPECT_EQ(PixelAt(dlg, now.x, now.y + 5), white);
    dlg.Close(0);
}

TEST_F(Choice, DoubleClickSelectsAndRunsTheVariantChoiceAtOnce) {
    ScenarioDlg dlg;
    platform::QueueDialogScript([](HWND d) {
        const Point p = Centre(0);
        PostClick(d, p.x, p.y, true);
    });
    EXPECT_EQ(dlg.Execute("Scenario", Dialog::kModal), 1);
    EXPECT_EQ(dlg.GetSelection(), 0);
    EXPECT_EQ(dlg.GetScenarioName(), "FBULLRN.SCN");
}

TEST_F(Choice, MoreAndCancelLeaveWithZero) {
    for (int button : {static_cast<int>(ScenarioDlg::kMore), IDCANCEL}) {
        ScenarioDlg dlg;
        platform::QueueDialogScript([&](HWND d) { platform::ClickDlgItem(d, button); });
        EXPECT_EQ(dlg.Execute("Scenario", Dialog::kModal), 0) << button;
        EXPECT_EQ(dlg.IsCustom(), button == ScenarioDlg::kMore ? 1 : 0) << button;
        EXPECT_TRUE(dlg.GetScenarioName().empty());
    }
}

TEST_F(Choice, VariantListOffersThePlainScenarioAndTheVariantsOfItsIndex) {
    WriteVariant("BRANDYS2.VAR", 2, "BRANDYS2.SCN", "Cavalry alone", 0);
    WriteVariant("brandys3.var", 2, "BRANDYS3.SCN", "Late arrivals", 5);
    WriteVariant("GETTYSB2.VAR", 3, "GETTYSB2.SCN", "Night attack");
    std::vector<std::string> texts;
    ScenarioDlg dlg;
    platform::QueueDialogScript([](HWND d) { platform::ClickDlgItem(d, IDOK); });
    platform::QueueDialogScript([&](HWND v) {
        texts = ListTexts(v, VariantDlg::kList);
        SelectListEntry(v, VariantDlg::kList, 1);
        platform::ClickDlgItem(v, IDOK);
    });
    EXPECT_EQ(dlg.Execute("Scenario", Dialog::kModal), 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"Historical", "Cavalry alone", "Late arrivals"}));
    EXPECT_EQ(dlg.GetScenarioName(), "BRANDYS2.SCN");
    EXPECT_EQ(dlg.GetVariantDialog().GetDetailsNumbers(), (std::vector<std::uint32_t>{3, 0, 5}));
}

TEST_F(Choice, DetailsFollowTheChosenEntry) {
    WriteVariant("A.VAR", 2, "A.SCN", "No details", 0);
    VariantDlg dlg(2);
    dlg.Execute("VariantDlg", Dialog::kModeless);
    HWND v = dlg.GetHandle();
    SelectListEntry(v, VariantDlg::kList, 1);
    Drain();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(v, VariantDlg::kDetails)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(v, IDOK)));
    SelectListEntry(v, VariantDlg::kList, 0);
    Drain();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(v, VariantDlg::kDetails)));
    // A double-click on an entry accepts it.
    SelectListEntry(v, VariantDlg::kList, 1, LBN_DBLCLK);
    Drain();
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_EQ(dlg.GetResult(), 1);
    EXPECT_EQ(dlg.GetScenarioName(), "A.SCN");
}

TEST_F(Choice, GettysburgsPlainEntryNamesItsLine) {
    WriteVariant("G.VAR", 3, "G2.SCN", "Other");
    VariantDlg dlg(3);
    dlg.Execute("VariantDlg", Dialog::kModeless);
    EXPECT_EQ(ListTexts(dlg.GetHandle(), VariantDlg::kList), (std::vector<std::string>{"Historical - Emberline", "Other"}));
    dlg.Close(0);
}

TEST_F(Choice, CancelInTheVariantChoiceKeepsTheScenarioDialogOpen) {
    WriteVariant("W.VAR", 4, "W2.SCN", "Other");
    ScenarioDlg dlg;
    int variantRuns = 0;
    platform::QueueDialogScript([](HWND d) {
        const Point p = Centre(4);
        PostClick(d, p.x, p.y);
        platform::ClickDlgItem(d, IDOK);
    });
    HWND activeAfterClick = nullptr;
    std::int32_t selectionAfterClick = -1;
    std::uint16_t customAfterMore = 9;
    platform::QueueDialogScript([&](HWND v) {
        ++variantRuns;
        // While the variant choice is open the scenario dialog hands activation to it and
        // ignores clicks and commands.
        HWND scenario = GetParent(v);
        SetActiveWindow(scenario);
        SendMessageA(scenario, WM_ACTIVATE, MAKEWPARAM(2, 0), 0);
        activeAfterClick = GetActiveWindow();
        const Point p = Centre(7);
        SendMessageA(scenario, WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
        selectionAfterClick = dlg.GetSelection();
        SendMessageA(scenario, WM_COMMAND, MAKEWPARAM(ScenarioDlg::kMore, 0), 0);
        customAfterMore = dlg.IsCustom();
        platform::ClickDlgItem(v, IDCANCEL);
        // Back in the scenario dialog: the same battle, then Cancel.
        PostMessage(GetParent(v), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    EXPECT_EQ(dlg.Execute("Scenario", Dialog::kModal), 0);
    EXPECT_EQ(variantRuns, 1);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
    EXPECT_EQ(dlg.GetSelection(), 4);
    EXPECT_EQ(activeAfterClick, dlg.GetVariantDialog().GetHandle());
    EXPECT_EQ(selectionAfterClick, 4);
    EXPECT_EQ(customAfterMore, 0);
    EXPECT_TRUE(dlg.GetScenarioName().empty());
}

TEST_F(Choice, VariantChoiceClosesAtOnceWithoutVariants) {
    WriteVariant("OTHER.VAR", 7, "GAINESM2.SCN", "Elsewhere");  // skipped silently
    struct Case {
        std::int32_t index;
        std::int16_t result;
        const char* name;
    } cases[] = {{6, 1, "CEDRCRK.SCN"}, {9, 1, "CEDRMNT.SCN"}, {10, 0, ""}};
    for (const Case& c : cases) {
        VariantDlg dlg(c.index);
        EXPECT_EQ(dlg.Execute("VariantDlg", Dialog::kModal), c.result) << c.index;
        EXPECT_EQ(dlg.GetScenarioName(), c.name) << c.index;
        EXPECT_EQ(platform::AbandonedDialogCount(), 0u) << c.index;
    }
}

TEST_F(Choice, CustomIndexListsOnlyItsVariants) {
    WriteVariant("MINE.VAR", 10, "MINE.SCN", "My battle");
    VariantDlg dlg(10);
    platform::QueueDialogScript([](HWND v) { platform::ClickDlgItem(v, IDOK); });
    EXPECT_EQ(dlg.Execute("VariantDlg", Dialog::kModal), 1);
    EXPECT_EQ(dlg.GetScenarioName(), "MINE.SCN");
    EXPECT_EQ(dlg.GetNames(), (std::vector<std::string>{"MINE.SCN"}));
}

TEST_F(Choice, DamagedVariantFileEndsTheListWithErrorAndCannotBeChosen) {
    WriteVariant("A.VAR", 1, "ANTIETA2.SCN", "Early start");
    std::vector<std::uint8_t> cut = datagen::WriteVariant({1, "ANTIETA3.SCN", 1, "Cut short"});
    cut.resize(cut.size() - 3);
    data.WriteBytes("B.VAR", cut);
    WriteVariant("C.VAR", 1, "ANTIETA4.SCN", "Never read");
    VariantDlg dlg(1);
    dlg.Execute("VariantDlg", Dialog::kModeless);
    HWND v = dlg.GetHandle();
    EXPECT_EQ(ListTexts(v, VariantDlg::kList), (std::vector<std::string>{"Historical", "Early start", "Error"}));
    // OK on the error entry is refused; the entries before it stay choosable.
    SelectListEntry(v, VariantDlg::kList, 2);
    Drain();
    platform::ClickDlgItem(v, IDOK);
    Drain();
    EXPECT_EQ(dlg.IsRunning(), 1);
    EXPECT_TRUE(dlg.GetScenarioName().empty());
    SelectListEntry(v, VariantDlg::kList, 1);
    Drain();
    platform::ClickDlgItem(v, IDOK);
    Drain();
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_EQ(dlg.GetScenarioName(), "ANTIETA2.SCN");
}

TEST(VariantRecord, ReadFieldByFieldAndRefusedWhenDamaged) {
    const std::vector<std::uint8_t> whole = datagen::WriteVariant({4, "WILDERN2.SCN", 9, "Fires in the woods"});
    frontend::VariantRecord r;
    ASSERT_EQ(frontend::ReadVariantRecord(whole, 4, r), frontend::ReadResult::kRead);
    EXPECT_EQ(r.scenarioFile, "WILDERN2.SCN");
    EXPECT_EQ(r.detailsNumber, 9u);
    EXPECT_EQ(r.title, "Fires in the woods");
    EXPECT_EQ(frontend::ReadVariantRecord(whole, 5, r), frontend::ReadResult::kOtherScenario);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(frontend::ReadVariantRecord(cut, 4, r), frontend::ReadResult::kDamaged) << n;
    }
    // A name longer than the game's 255 bytes.
    datagen::ByteWriter w;
    w.U32(4);
    w.U16(300);
    w.Bytes(std::vector<std::uint8_t>(300, 'A'));
    w.U32(1);
    w.U16(1);
    w.U8('T');
    EXPECT_EQ(frontend::ReadVariantRecord(w.Data(), 4, r), frontend::ReadResult::kDamaged);
}

TEST(ScenarioHead, OnlyScenarioFilesAndTheDescriptionCut) {
    const std::string longText(1500, 'd');
    std::vector<std::uint8_t> cut = FrontDialogTest::ScenarioHeadBytesFor("Title", "S", "d");
    cut.resize(27);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool listed;
        std::size_t descriptionLength;
    } cases[] = {
        {"a scenario", FrontDialogTest::ScenarioHeadBytesFor("T", "S", "desc"), true, 4},
        {"a long description", FrontDialogTest::ScenarioHeadBytesFor("T", "S", longText), true, 1023},
        {"another first value", FrontDialogTest::ScenarioHeadBytesFor("T", "S", "d", 1, 4), false, 0},
        {"another second value", FrontDialogTest::ScenarioHeadBytesFor("T", "S", "d", 0, 5), false, 0},
        {"cut in the title", cut, false, 0},
        {"empty", {}, false, 0},
    };
    for (const Case& c : cases) {
        const auto head = frontend::ReadScenarioHead(c.bytes);
        EXPECT_EQ(head.has_value(), c.listed) << c.what;
        if (head) {
            EXPECT_EQ(head->description.size(), c.descriptionLength) << c.what;
        }
    }
}

TEST_F(Choice, CustomListShowsEveryScenarioFileWithItsHead) {
    data.WriteBytes("ALPHA.SCN", ScenarioHeadBytes("Alpha Ridge", "An invented fight", "Two brigades and a hill."));
    data.WriteBytes("beta.scn", ScenarioHeadBytes("Beta Ford", "A crossing", std::string(1100, 'x')));
    data.WriteBytes("GAMMA.SCN", ScenarioHeadBytes("Not a scenario", "", "", 7, 4));
    data.WriteBytes("DELTA.SCN", {0, 0, 0});
    CustomScenarioDlg dlg;
    dlg.Execute("CustomSceneDlg", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    EXPECT_EQ(ListTexts(h, CustomScenarioDlg::kList), (std::vector<std::string>{"Alpha Ridge", "Beta Ford"}));
    EXPECT_EQ(dlg.GetScenarioName(), "ALPHA.SCN");
    EXPECT_EQ(dlg.GetScenarioIndex(), 10);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, IDOK)));
    EXPECT_EQ(dlg.GetDescriptions()[1].size(), 1023u);
    // The first entry's texts stand below the list.
    bool ink = false;
    const int h0 = 200;
    for (int y = h0; y < h0 + 40 && y < dlg.GetHeight(); ++y)
        for (int x = 45; x < 419 && x < dlg.GetWidth(); ++x) ink = ink || PixelAt(dlg, x, y) == uitest::kInk;
    EXPECT_TRUE(ink);
    SelectListEntry(h, CustomScenarioDlg::kList, 1);
    Drain();
    EXPECT_EQ(dlg.GetScenarioName(), "beta.scn");
    EXPECT_EQ(dlg.GetSelection(), 1);
    platform::ClickDlgItem(h, IDOK);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 1);
    EXPECT_EQ(dlg.GetScenarioName(), "beta.scn");
}

TEST_F(Choice, CustomListWithoutScenariosLeavesOnlyByCancel) {
    CustomScenarioDlg dlg;
    bool okEnabled = true;
    platform::QueueDialogScript([&](HWND d) {
        okEnabled = IsWindowEnabled(GetDlgItem(d, IDOK));
        platform::PressKey(VK_RETURN);
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("CustomSceneDlg", Dialog::kModal), 0);
    EXPECT_FALSE(okEnabled);
    EXPECT_TRUE(dlg.GetScenarioName().empty());
    EXPECT_EQ(dlg.GetSelection(), -1);
}

} // namespace
